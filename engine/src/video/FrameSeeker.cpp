#include "video/FrameSeeker.h"

#include "ffmpeg/FfmpegLibrary.h"
#include "video/VideoProbe.h"

#include <Zelkoran/Result.h>

#include <algorithm>

namespace Zelkoran::video {

FrameSeeker::FrameSeeker() = default;

FrameSeeker::~FrameSeeker()
{
    // Without FFmpeg loaded nothing was allocated, and nothing may be called.
    if (m_shown)
        ffmpeg().av_frame_free(&m_shown);
    if (m_ahead)
        ffmpeg().av_frame_free(&m_ahead);
}

int FrameSeeker::open(SharedBytes bytes, VideoInfo& info)
{
    // The input first: it loads FFmpeg. One opening serves the facts and the
    // frames: reading the facts decodes the first frames on one thread, which
    // a second opening would repeat. The first frameAt seeks, so the probe
    // may leave the input anywhere.
    if (const int rc = m_decoder.openInput(std::move(bytes)); rc != RC_OK)
        return rc;
    if (const int rc = probeVideo(m_decoder.input(), info); rc != RC_OK)
        return rc;
    m_durationMs = info.durationMs;
    if (const int rc = m_decoder.openDecoder(0); rc != RC_OK)
        return rc;
    m_shown = ffmpeg().av_frame_alloc();
    m_ahead = ffmpeg().av_frame_alloc();
    return m_shown && m_ahead ? RC_OK : RC_ERR_NO_MEMORY;
}

bool FrameSeeker::canContinueTo(int64_t ms) const
{
    if (!m_positioned || m_shownMs < 0 || ms < m_shownMs)
        return false;
    // A keyframe shown after the frames decoded and before ms makes a seek
    // cheaper than decoding the rest of the group in between.
    int64_t key = 0;
    return !m_decoder.keyframeBefore(ms, &key) || key <= std::max(m_shownMs, m_aheadMs);
}

int FrameSeeker::decodeUntil(int64_t ms)
{
    for (;;) {
        if (m_aheadMs >= 0) {
            if (m_aheadMs > ms)
                return RC_OK;
            ffmpeg().av_frame_unref(m_shown);
            ffmpeg().av_frame_move_ref(m_shown, m_ahead);
            m_shownMs = m_aheadMs;
            m_aheadMs = -1;
        }
        if (m_atEnd)
            return RC_OK;
        int64_t at = 0;
        const int rc = m_decoder.next(&at);
        if (rc == 1) {
            m_atEnd = true;
            return RC_OK;
        }
        if (rc != RC_OK)
            return rc;
        ffmpeg().av_frame_unref(m_ahead);
        ffmpeg().av_frame_move_ref(m_ahead, m_decoder.frame());
        m_aheadMs = at;
    }
}

int FrameSeeker::frameAt(int64_t ms, const AVFrame** frame)
{
    *frame = nullptr;
    if (m_durationMs > 0 && ms >= m_durationMs)
        return RC_OK;
    const bool answered = m_shownMs >= 0 && m_shownMs <= ms && m_aheadMs > ms;
    if (!answered && !canContinueTo(ms)) {
        if (m_decoder.seekBefore(ms) != RC_OK)
            return RC_ERR_CORRUPT;
        ++m_seeks;
        ffmpeg().av_frame_unref(m_shown);
        ffmpeg().av_frame_unref(m_ahead);
        m_shownMs = m_aheadMs = -1;
        m_atEnd = false;
        m_positioned = true;
    }
    if (const int rc = decodeUntil(ms); rc != RC_OK) {
        m_positioned = false;
        return rc;
    }
    if (m_shownMs < 0 && m_aheadMs >= 0) {
        // Before the first frame's time: the first frame shows.
        *frame = m_ahead;
        return RC_OK;
    }
    if (m_shownMs < 0)
        return RC_OK;
    // Past the last frame of a source whose length is unknown.
    if (m_atEnd && m_durationMs <= 0 && ms >= m_shownMs + m_decoder.frameDurationMs())
        return RC_OK;
    *frame = m_shown;
    return RC_OK;
}

int FrameSeeker::surfaceAt(int64_t ms, SDL_Surface** out)
{
    *out = nullptr;
    const AVFrame* frame = nullptr;
    if (const int rc = frameAt(ms, &frame); rc != RC_OK || !frame)
        return rc;
    *out = m_scaler.toSurface(*frame);
    return *out ? RC_OK : RC_ERR_CORRUPT;
}

} // namespace Zelkoran::video
