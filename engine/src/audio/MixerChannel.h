// One sound on a mixer channel, with the bytes the mixer really mixed of it
// counted. Main thread only; the mixer thread only adds to the count.
#pragma once

#include <atomic>
#include <cstdint>

struct Mix_Chunk;

namespace Zelkoran::audio {

class MixerChannel {
public:
    // Plays chunk on a free channel, adding channels when every one is busy
    // (loops: 0 once, n more passes, -1 forever); the count starts again.
    // 0 or RC_ERR_IO.
    int play(Mix_Chunk* chunk, int loops);
    // The channel still plays (or pauses) chunk.
    bool holds(const Mix_Chunk* chunk) const;
    // Halts the channel when it still holds the caller's sound (held); the
    // channel is let go either way.
    void stop(bool held);
    // These act on the channel last played, which the caller knows to hold its chunk.
    void pause();
    void resume();
    bool isPaused() const;

    uint64_t mixedBytes() const { return m_mixed.load(std::memory_order_relaxed); }
    void resetCount() { m_mixed.store(0, std::memory_order_relaxed); }

private:
    // Effect of the playing channel, on the mixer thread: counts the bytes mixed.
    static void countMixed(int channel, void* stream, int length, void* self);

    int m_channel = -1;
    std::atomic<uint64_t> m_mixed{0};
};

} // namespace Zelkoran::audio
