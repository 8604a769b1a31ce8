#include "video/FramePump.h"

#include "video/FrameDecoder.h"
#include "video/FrameScaler.h"

#include <Zelkoran/Result.h>

extern "C" {
#include <libavutil/frame.h>
}

namespace Zelkoran::video {

namespace {

// How far past the clock frames are converted ahead. The frame shown just
// before a keyframe comes out of the keyframe's decoding, tens of times a
// median frame, and on a busy machine over 150 ms: the queue rides that
// out at any frame rate.
constexpr int64_t kAheadMs = 500;
// At most this many bytes of frames queued (a 1080p viewport holds 8, a
// 800 x 450 one the whole kAheadMs at 30 fps); one frame always fits.
constexpr size_t kAheadBytes = size_t(64) << 20;

} // namespace

FramePump::FramePump(SharedBytes bytes, int64_t fromMs, int width, int height)
    : m_width(width), m_height(height), m_clock(fromMs)
{
    m_thread = std::thread(&FramePump::run, this, std::move(bytes), fromMs);
}

FramePump::~FramePump()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void FramePump::setTargetSize(int width, int height)
{
    m_width.store(width, std::memory_order_relaxed);
    m_height.store(height, std::memory_order_relaxed);
}

Vector<uint8_t> FramePump::spareBuffer()
{
    std::lock_guard lock(m_mutex);
    if (m_spare.empty())
        return {};
    Vector<uint8_t> buffer = std::move(m_spare.back());
    m_spare.pop_back();
    return buffer;
}

void FramePump::run(SharedBytes bytes, int64_t fromMs)
{
    FrameDecoder decoder;
    FrameScaler scaler;
    const bool opened = decoder.open(std::move(bytes), 0) == RC_OK && decoder.seekBefore(fromMs) == RC_OK;
    const int64_t frameMs = opened ? decoder.frameDurationMs() : 0;
    {
        std::lock_guard lock(m_mutex);
        m_frameMs = frameMs;
    }
    bool ok = opened;
    while (ok) {
        // Late frames are skipped without waiting: the stop is checked here too.
        if (m_stop.load())
            return;
        int64_t at = 0;
        const int rc = decoder.next(&at);
        if (rc != RC_OK) {
            ok = rc == 1;
            break;
        }
        m_endMs.store(at + frameMs);
        // Frames before the start lead up to it from the keyframe; frames
        // the clock has passed would only be shown late.
        if (at + frameMs <= fromMs)
            continue;
        if (at + frameMs < m_clock.load(std::memory_order_relaxed)) {
            m_dropped.fetch_add(1);
            continue;
        }
        PumpedFrame frame;
        frame.ms = at;
        frame.width = m_width.load(std::memory_order_relaxed);
        frame.height = m_height.load(std::memory_order_relaxed);
        frame.pixels = spareBuffer();
        if (scaler.convertInto(*decoder.frame(), frame.width, frame.height, frame.pixels) != RC_OK) {
            ok = false;
            break;
        }
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stop || hasRoom(); });
        if (m_stop)
            return;
        m_queuedBytes += frame.pixels.size();
        m_queue.push_back(std::move(frame));
    }
    std::lock_guard lock(m_mutex);
    m_failed.store(!ok);
    m_done = true;
}

bool FramePump::takeDue(int64_t clockMs, PumpedFrame& out)
{
    bool taken = false;
    {
        std::lock_guard lock(m_mutex);
        while (!m_queue.empty() && m_queue.front().ms <= clockMs) {
            if (taken)
                m_dropped.fetch_add(1);
            if (!out.pixels.empty())
                m_spare.push_back(std::move(out.pixels));
            out = std::move(m_queue.front());
            m_queue.pop_front();
            m_queuedBytes -= out.pixels.size();
            taken = true;
        }
    }
    if (taken)
        m_wake.notify_one();
    return taken;
}

bool FramePump::hasRoom() const
{
    if (m_queue.empty())
        return true;
    const int64_t reached = m_queue.back().ms + m_frameMs;
    return reached - m_clock.load(std::memory_order_relaxed) < kAheadMs && m_queuedBytes < kAheadBytes;
}

bool FramePump::filled()
{
    std::lock_guard lock(m_mutex);
    return !hasRoom() || m_done;
}

bool FramePump::hasFrame()
{
    std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

bool FramePump::drained()
{
    std::lock_guard lock(m_mutex);
    return m_done && m_queue.empty();
}

} // namespace Zelkoran::video
