// The decoded sound of one track on the mixer: played on one channel at a
// time, its position counted from what the mixer really mixed. Main thread
// only; the mixer thread only adds to the count.
#pragma once

#include "audio/MixerChannel.h"

#include <cstddef>
#include <cstdint>

struct Mix_Chunk;

namespace Zelkoran::audio {

class AudioPlayback {
public:
    AudioPlayback() = default;
    ~AudioPlayback();
    AudioPlayback(const AudioPlayback&) = delete;
    AudioPlayback& operator=(const AudioPlayback&) = delete;

    // Decodes encoded bytes for the open mixer (any earlier sound goes).
    // 0, RC_ERR_IO (audio is not open), RC_ERR_CORRUPT (the mixer cannot
    // decode them).
    int decode(const uint8_t* data, size_t size);
    // Decoded for the mixer open now.
    bool isDecoded() const;
    // Length of the decoded sound; 0 when not decoded.
    int32_t durationMs() const;

    // Plays from the start (loops: 0 once, n more passes, -1 forever); a
    // playing sound restarts. 0 or RC_ERR_IO (not decoded, or the mixer
    // refused it).
    int play(int loops);
    void stop();
    void pause();
    void resume();
    // Sounding now: started, not paused, not yet at its end.
    bool isPlaying() const;
    // Milliseconds into the current pass (paused too); 0 once stopped or ended.
    int32_t positionMs() const;
    // Stops and drops the decoded sound.
    void release();

private:
    // The channel still plays (or pauses) this sound.
    bool isOnChannel() const;

    Mix_Chunk* m_chunk = nullptr;
    uint32_t m_generation = 0;
    MixerChannel m_channel;
};

} // namespace Zelkoran::audio
