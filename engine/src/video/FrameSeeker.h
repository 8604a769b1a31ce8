// Frames on demand: the frame shown at a given time, decoded from the
// keyframe before it. A request ahead of the last one in the same group of
// pictures goes on decoding forward instead of seeking again. Main thread.
#pragma once

#include "video/FrameDecoder.h"
#include "video/FrameScaler.h"

#include <Zelkoran/Video.h>

struct SDL_Surface;

namespace Zelkoran::video {

class FrameSeeker {
public:
    FrameSeeker();
    ~FrameSeeker();
    FrameSeeker(const FrameSeeker&) = delete;
    FrameSeeker& operator=(const FrameSeeker&) = delete;

    // Opens bytes and fills info from them (probeVideo): its length (<= 0
    // unknown) ends the frames. 0 or a code of FrameDecoder::open or
    // probeVideo.
    int open(SharedBytes bytes, VideoInfo& info);
    // The frame shown at ms: the last one starting at or before it (the
    // first frame for times before it). 0 with *frame set, 0 with *frame
    // null past the last frame, RC_ERR_CORRUPT when decoding fails.
    // *frame stays valid until the next call.
    int frameAt(int64_t ms, const AVFrame** frame);
    // frameAt as a new ARGB8888 surface at the frame's size.
    int surfaceAt(int64_t ms, SDL_Surface** out);
    // Time of the frame frameAt gave last.
    int64_t shownMs() const { return m_shownMs; }
    // Seeks done so far (a forward request in the same group needs none).
    int seeks() const { return m_seeks; }

private:
    int decodeUntil(int64_t ms);
    bool canContinueTo(int64_t ms) const;

    FrameDecoder m_decoder;
    FrameScaler m_scaler;
    int m_durationMs = 0;
    AVFrame* m_shown = nullptr; // the last frame at or before the request
    AVFrame* m_ahead = nullptr; // the frame after it, already decoded
    int64_t m_shownMs = -1;
    int64_t m_aheadMs = -1;
    bool m_atEnd = false;
    bool m_positioned = false;
    int m_seeks = 0;
};

} // namespace Zelkoran::video
