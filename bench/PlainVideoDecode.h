// libavcodec and libswscale alone, the baseline the engine's video decoding
// is measured against: a file's best video stream decoded forward on
// FFmpeg's own choice of threads (thread_count 0, as the engine asks), and
// frames converted to BGRA with bilinear filtering at their own size.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

class PlainVideoDecode {
public:
    explicit PlainVideoDecode(const std::string& path)
    {
        if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0)
            return;
        avformat_find_stream_info(format_, nullptr);
        const AVCodec* decoder = nullptr;
        index_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (index_ < 0)
            return;
        codec_ = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec_, format_->streams[index_]->codecpar);
        codec_->thread_count = 0;
        avcodec_open2(codec_, decoder, nullptr);
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
    }
    ~PlainVideoDecode()
    {
        sws_freeContext(sws_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }
    PlainVideoDecode(const PlainVideoDecode&) = delete;
    PlainVideoDecode& operator=(const PlainVideoDecode&) = delete;

    AVRational timeBase() const { return codec_ ? format_->streams[index_]->time_base : AVRational{1, 1000}; }

    // The next frame in decoding order, valid until the next call; nullptr
    // once the decoder is drained (or the file did not open).
    AVFrame* next()
    {
        while (codec_) {
            if (receiving_ && avcodec_receive_frame(codec_, frame_) == 0)
                return frame_;
            receiving_ = false;
            if (ended_)
                return nullptr;
            if (av_read_frame(format_, packet_) >= 0) {
                receiving_ = packet_->stream_index == index_ && avcodec_send_packet(codec_, packet_) >= 0;
                av_packet_unref(packet_);
            } else {
                endInput();
            }
        }
        return nullptr;
    }

    // Reads no more of the file: next() gives what the decoder still holds.
    void endInput()
    {
        if (!codec_ || ended_)
            return;
        avcodec_send_packet(codec_, nullptr);
        ended_ = receiving_ = true;
    }

    // frame as BGRA rows of width * 4 bytes into pixels (resized to fit).
    void toBGRA(const AVFrame* frame, std::vector<uint8_t>& pixels)
    {
        sws_ = sws_getCachedContext(sws_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                    frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr,
                                    nullptr);
        pixels.resize(static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height) * 4);
        uint8_t* planes[4] = {pixels.data()};
        const int pitches[4] = {frame->width * 4};
        sws_scale(sws_, frame->data, frame->linesize, 0, frame->height, planes, pitches);
    }

private:
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwsContext* sws_ = nullptr;
    int index_ = -1;
    bool receiving_ = false; // a packet went in: frames may come out
    bool ended_ = false;
};

} // namespace bench
