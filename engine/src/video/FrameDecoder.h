// The video stream of one MediaInput, decoded frame by frame in presentation
// order with each frame's time in milliseconds from the stream's start.
// One thread at a time.
#pragma once

#include "video/MediaInput.h"

#include <cstdint>

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVIndexEntry;
struct AVPacket;
struct AVStream;

namespace Zelkoran::video {

// Largest frame side and area the engine decodes; larger claims are taken
// as damage, not allocated.
constexpr int kMaxSide = 16384;
constexpr int64_t kMaxArea = int64_t{8192} * 8192;

// A frame size within those limits.
inline bool isFrameSize(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && int64_t{width} * height <= kMaxArea;
}

class FrameDecoder {
public:
    FrameDecoder();
    ~FrameDecoder();
    FrameDecoder(const FrameDecoder&) = delete;
    FrameDecoder& operator=(const FrameDecoder&) = delete;

    // Opens the container and a decoder for its best video stream with
    // threads decoding threads (0 = FFmpeg's choice). 0, RC_ERR_CORRUPT (no
    // container, no video stream or no decoder for it), RC_ERR_NO_MEMORY.
    int open(SharedBytes bytes, int threads);
    // open in two steps, so that the input can be probed before a decoder
    // starts its threads: the container and its best video stream with a
    // decoder, then that decoder.
    int openInput(SharedBytes bytes);
    int openDecoder(int threads);
    MediaInput& input() { return m_input; }
    AVStream* stream() const { return m_stream; }
    AVCodecContext* codec() const { return m_codec; }

    // Decodes the next frame into frame() and its time into *ms; frames of
    // a size beyond the limits (a stream may change its size midway) are
    // skipped as damage. 0, 1 at the end of the stream, RC_ERR_CORRUPT when
    // the decoder gives up.
    int next(int64_t* ms);
    AVFrame* frame() const { return m_frame; }

    // Positions the demuxer on the keyframe at or before ms (the start for
    // sources without an index) and drops the decoder's pending frames.
    // 0 or RC_ERR_CORRUPT.
    int seekBefore(int64_t ms);
    // Time of the last keyframe shown at or before ms by the container's
    // index (it may lie before 0); false when the source has no index. The
    // index holds decoding times, and a keyframe followed by frames shown
    // before it (B-frames) shows later than it decodes: by a lead learnt
    // from the keyframes decoded so far.
    bool keyframeBefore(int64_t ms, int64_t* at) const;
    // Milliseconds one frame lasts (from the frame rate; 40 when unknown).
    int64_t frameDurationMs() const;

private:
    int64_t toMs(int64_t streamTime) const;
    int64_t toStreamTime(int64_t ms) const;
    // Takes a keyframe packet's lead of showing over decoding into m_keyLead.
    void learnKeyLead(int64_t lead);
    // The index's last keyframe decoded at or before streamTime, or null.
    const AVIndexEntry* indexEntryBefore(int64_t streamTime) const;

    MediaInput m_input;
    AVStream* m_stream = nullptr;
    const AVCodec* m_decoder = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    bool m_draining = false;
    int64_t m_lastMs = -1;
    int64_t m_keyLead = 0; // largest lead of a keyframe packet's showing over its decoding (stream time)
};

} // namespace Zelkoran::video
