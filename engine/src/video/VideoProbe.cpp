#include "video/VideoProbe.h"

#include "ffmpeg/FfmpegLibrary.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace Zelkoran::video {

namespace {

constexpr AVRational kMilliseconds{1, 1000};

int32_t clampToInt32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<int32_t>::max()));
}

void copyText(char (&to)[64], const char* text) { std::snprintf(to, sizeof(to), "%s", text ? text : ""); }

double rateOf(const AVStream& stream)
{
    const AVRational rate = stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0 ? stream.avg_frame_rate
                                                                                           : stream.r_frame_rate;
    return rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0.0;
}

// Packets of the stream and the end of the last one in milliseconds, read
// through the whole source without decoding.
void countPackets(AVFormatContext* format, const AVStream& stream, uint64_t& packets, int64_t& endMs)
{
    AVPacket* packet = ffmpeg().av_packet_alloc();
    if (!packet)
        return;
    packets = 0;
    endMs = 0;
    const int64_t start = stream.start_time == AV_NOPTS_VALUE ? 0 : stream.start_time;
    while (ffmpeg().av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream.index) {
            ++packets;
            const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (ts != AV_NOPTS_VALUE)
                endMs = std::max(endMs, ffmpeg().av_rescale_q(ts - start + packet->duration, stream.time_base, kMilliseconds));
        }
        ffmpeg().av_packet_unref(packet);
    }
    ffmpeg().av_packet_free(&packet);
}

} // namespace

int probeVideo(MediaInput& input, VideoInfo& info)
{
    info = VideoInfo();
    AVFormatContext* format = input.context();
    const int v = ffmpeg().av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (v < 0)
        return RC_ERR_CORRUPT;
    const AVStream& video = *format->streams[v];
    const AVCodecParameters& par = *video.codecpar;
    if (!ffmpeg().avcodec_find_decoder(par.codec_id) || !isFrameSize(par.width, par.height))
        return RC_ERR_CORRUPT;
    info.width = par.width;
    info.height = par.height;
    info.framesPerSecond = static_cast<float>(rateOf(video));
    copyText(info.videoCodec, ffmpeg().avcodec_get_name(par.codec_id));
    copyText(info.container, format->iformat->name);
    copyText(info.pixelFormat, ffmpeg().av_get_pix_fmt_name(static_cast<AVPixelFormat>(par.format)));

    int64_t durationMs = 0;
    if (video.duration > 0)
        durationMs = ffmpeg().av_rescale_q(video.duration, video.time_base, kMilliseconds);
    else if (format->duration > 0 && format->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
        durationMs = format->duration / (AV_TIME_BASE / 1000);
    uint64_t frames = video.nb_frames > 0 ? static_cast<uint64_t>(video.nb_frames) : 0;
    if (frames == 0 || durationMs <= 0) {
        // Raw streams tell neither: count them (demuxing only, no decoding).
        for (unsigned i = 0; i < format->nb_streams; ++i)
            format->streams[i]->discard = static_cast<int>(i) == v ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        uint64_t counted = 0;
        int64_t endMs = 0;
        countPackets(format, video, counted, endMs);
        frames = frames ? frames : counted;
        if (durationMs <= 0)
            durationMs = endMs > 0 ? endMs
                         : info.framesPerSecond > 0 ? static_cast<int64_t>(static_cast<double>(frames) * 1000.0 /
                                                                            info.framesPerSecond)
                                                    : 0;
    }
    if (frames == 0 && durationMs > 0 && info.framesPerSecond > 0)
        frames = static_cast<uint64_t>(static_cast<double>(durationMs) * info.framesPerSecond / 1000.0 + 0.5);
    info.frameCount = frames;
    info.durationMs = clampToInt32(durationMs);

    const int a = ffmpeg().av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, v, nullptr, 0);
    const AVCodecParameters* sound = a >= 0 ? format->streams[a]->codecpar : nullptr;
    if (sound && sound->ch_layout.nb_channels > 0 && ffmpeg().avcodec_find_decoder(sound->codec_id)) {
        copyText(info.audioCodec, ffmpeg().avcodec_get_name(sound->codec_id));
        info.audioChannels = sound->ch_layout.nb_channels;
        info.audioFrequencyHz = sound->sample_rate;
        info.audioBitRateKbps = clampToInt32(sound->bit_rate / 1000);
    }
    int64_t videoBits = par.bit_rate;
    // Containers that keep no per-stream rate: the whole source's average
    // less the sound's share.
    if (videoBits <= 0 && durationMs > 0)
        videoBits = static_cast<int64_t>(input.size()) * 8 * 1000 / durationMs -
                    int64_t{info.audioBitRateKbps} * 1000;
    info.videoBitRateKbps = clampToInt32(videoBits / 1000);
    return RC_OK;
}

} // namespace Zelkoran::video
