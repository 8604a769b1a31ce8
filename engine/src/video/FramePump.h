// Playback decoding off the main thread: a thread decodes the video from a
// start time and converts each frame to the viewport's size, into a queue
// that reaches a stretch of time past the clock (and a number of bytes, so
// a large viewport or a high frame rate cannot grow it without end). The
// main thread takes the newest frame that is due and uploads only that
// one; frames the clock has passed are dropped, by the thread before
// converting them or by the main thread before uploading.
#pragma once

#include "video/MediaInput.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace Zelkoran::video {

// One converted frame: ARGB8888 rows of width * 4 bytes (and swscale's slack).
struct PumpedFrame {
    int64_t ms = 0;
    int width = 0;
    int height = 0;
    Vector<uint8_t> pixels;
};

class FramePump {
public:
    // Starts decoding bytes from fromMs at once, frames converted to
    // width x height (changed later by setTargetSize).
    FramePump(SharedBytes bytes, int64_t fromMs, int width, int height);
    // Stops and joins the thread.
    ~FramePump();
    FramePump(const FramePump&) = delete;
    FramePump& operator=(const FramePump&) = delete;

    void setTargetSize(int width, int height);
    // The playback clock, for the thread to skip frames already late.
    void setClock(int64_t ms) { m_clock.store(ms, std::memory_order_relaxed); }

    // The newest queued frame due at clockMs moved into out (its old pixels
    // are recycled): true; false when none is due. Older due frames are
    // dropped and counted.
    bool takeDue(int64_t clockMs, PumpedFrame& out);
    // The queue reaches as far past the clock as the thread converts ahead
    // (or holds its bytes' worth), or the thread is done: what is queued
    // can ride out slow frames.
    bool filled();
    // A frame is queued.
    bool hasFrame();
    // The thread decoded its last frame (or failed) and the queue is empty.
    bool drained();
    // The thread stopped on a decoding error.
    bool failed() const { return m_failed.load(); }
    // Time just past the last frame decoded, -1 before the first.
    int64_t endMs() const { return m_endMs.load(); }
    // Frames dropped, by the thread and by takeDue.
    uint64_t dropped() const { return m_dropped.load(); }

private:
    void run(SharedBytes bytes, int64_t fromMs);
    // A buffer for the thread to convert into (a recycled one when there is one).
    Vector<uint8_t> spareBuffer();
    // Under the mutex: the queue takes another frame.
    bool hasRoom() const;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<PumpedFrame> m_queue;
    size_t m_queuedBytes = 0;
    int64_t m_frameMs = 0; // set by the thread under the mutex
    Vector<Vector<uint8_t>> m_spare;
    // Set under the mutex (the thread may wait on it), read without it.
    std::atomic<bool> m_stop{false};
    bool m_done = false;
    std::atomic<bool> m_failed{false};
    std::atomic<int> m_width;
    std::atomic<int> m_height;
    std::atomic<int64_t> m_clock;
    std::atomic<int64_t> m_endMs{-1};
    std::atomic<uint64_t> m_dropped{0};
    std::thread m_thread;
};

} // namespace Zelkoran::video
