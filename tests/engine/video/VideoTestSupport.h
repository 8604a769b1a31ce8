// Shared by the video tests: small clips made here with libavcodec's own
// encoders, every frame a flat grey whose level tells the frame's number,
// and the sample videos of the project's test data.
#pragma once

#include <Zelkoran/Main.h>
#include <Zelkoran/Video.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>

namespace videotest {

struct ClipSpec {
    int width = 64;
    int height = 48;
    int frames = 20;
    int fps = 10;
    int gop = 5;           // frames from one keyframe to the next
    bool sound = false;    // a 440 Hz tone as long as the picture
    const char* format = "mp4";
    // Grey levels repeat after this many frames (0 = never; long clips).
    int levels = 0;
    // Raw pictures keep their size only in the container's header.
    AVCodecID codec = AV_CODEC_ID_MPEG4;
    int bFrames = 0; // at most this many frames in a row shown before the next one decoded
};

// The luma of frame n: far enough apart to survive the encoder.
inline int lumaOf(int frame) { return 20 + frame * 10; }

// The frame number whose grey level the surface's centre shows.
inline int frameNumberOf(SDL_Surface* surface)
{
    const auto* row = static_cast<const uint8_t*>(surface->pixels) + surface->pitch * (surface->h / 2);
    Uint32 pixel;
    std::memcpy(&pixel, row + (surface->w / 2) * 4, 4);
    Uint8 r, g, b;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    // Limited-range luma to full-range grey, back to the frame number.
    const double luma = 16.0 + r * 219.0 / 255.0;
    return static_cast<int>(std::lround((luma - 20.0) / 10.0));
}

namespace detail {

inline bool encode(AVCodecContext* codec, AVFrame* frame, AVFormatContext* out, AVStream* stream)
{
    if (avcodec_send_frame(codec, frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    while (avcodec_receive_packet(codec, packet) == 0) {
        // Every picture lasts one tick, the last one too.
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO && packet->duration == 0)
            packet->duration = 1;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(out, packet) < 0) {
            av_packet_free(&packet);
            return false;
        }
    }
    av_packet_free(&packet);
    return true;
}

} // namespace detail

// Writes the clip to path; false when FFmpeg refused a step.
inline bool makeClip(const std::string& path, const ClipSpec& spec)
{
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, spec.format, path.c_str()) < 0)
        return false;
    const AVCodec* encoder = avcodec_find_encoder(spec.codec);
    AVStream* vs = avformat_new_stream(out, nullptr);
    AVCodecContext* vc = avcodec_alloc_context3(encoder);
    vc->width = spec.width;
    vc->height = spec.height;
    vc->pix_fmt = AV_PIX_FMT_YUV420P;
    vc->time_base = AVRational{1, spec.fps};
    vc->framerate = AVRational{spec.fps, 1};
    vc->gop_size = spec.gop;
    vc->max_b_frames = spec.bFrames;
    // Keyframes come where the group length says, not where the picture changes.
    av_opt_set(vc->priv_data, "x264-params", "scenecut=0", 0);
    vc->flags |= AV_CODEC_FLAG_QSCALE;
    vc->global_quality = FF_QP2LAMBDA * 2;
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        vc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(vc, encoder, nullptr) == 0 && avcodec_parameters_from_context(vs->codecpar, vc) >= 0;
    vs->time_base = vc->time_base;

    AVStream* as = nullptr;
    AVCodecContext* ac = nullptr;
    if (ok && spec.sound) {
        const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        as = avformat_new_stream(out, nullptr);
        ac = avcodec_alloc_context3(aac);
        ac->sample_rate = 44100;
        ac->sample_fmt = AV_SAMPLE_FMT_FLTP;
        ac->bit_rate = 128000;
        av_channel_layout_default(&ac->ch_layout, 2);
        ac->time_base = AVRational{1, 44100};
        ok = avcodec_open2(ac, aac, nullptr) == 0 && avcodec_parameters_from_context(as->codecpar, ac) >= 0;
        as->time_base = ac->time_base;
    }
    ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;

    AVFrame* frame = av_frame_alloc();
    frame->format = vc->pix_fmt;
    frame->width = vc->width;
    frame->height = vc->height;
    ok = ok && av_frame_get_buffer(frame, 0) >= 0;
    for (int n = 0; ok && n < spec.frames; ++n) {
        ok = av_frame_make_writable(frame) >= 0;
        for (int y = 0; y < spec.height; ++y)
            std::memset(frame->data[0] + y * frame->linesize[0], lumaOf(spec.levels ? n % spec.levels : n),
                        static_cast<size_t>(spec.width));
        for (int p = 1; p < 3; ++p)
            for (int y = 0; y < spec.height / 2; ++y)
                std::memset(frame->data[p] + y * frame->linesize[p], 128, static_cast<size_t>(spec.width / 2));
        frame->pts = n;
        ok = ok && detail::encode(vc, frame, out, vs);
    }
    ok = ok && detail::encode(vc, nullptr, out, vs);

    if (ok && ac) {
        AVFrame* samples = av_frame_alloc();
        samples->format = ac->sample_fmt;
        samples->nb_samples = ac->frame_size;
        av_channel_layout_copy(&samples->ch_layout, &ac->ch_layout);
        ok = av_frame_get_buffer(samples, 0) >= 0;
        const int64_t total = int64_t{44100} * spec.frames / spec.fps;
        for (int64_t at = 0; ok && at < total; at += ac->frame_size) {
            ok = av_frame_make_writable(samples) >= 0;
            for (int i = 0; i < ac->frame_size; ++i) {
                const auto v = static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * 440.0 * double(at + i) / 44100));
                reinterpret_cast<float*>(samples->data[0])[i] = v;
                reinterpret_cast<float*>(samples->data[1])[i] = v;
            }
            samples->pts = at;
            ok = ok && detail::encode(ac, samples, out, as);
        }
        ok = ok && detail::encode(ac, nullptr, out, as);
        av_frame_free(&samples);
    }
    ok = ok && av_write_trailer(out) >= 0;
    av_frame_free(&frame);
    avcodec_free_context(&vc);
    avcodec_free_context(&ac);
    if (out->pb)
        avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}

// A sample video of the project's test data, "" when the data is not there.
inline std::string sample(const char* name)
{
    const char* dir = std::getenv("SKARDEN_SAMPLES");
    if (!dir)
        return {};
    const std::string path = std::string(dir) + "/video/" + name;
    return std::filesystem::exists(path) ? path : std::string();
}

} // namespace videotest
