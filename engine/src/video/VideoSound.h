// A video's sound track on the engine's mixer: decoded whole into the
// open mixer's sample format on the first play, then played on one channel
// from any position, its position counted from what the mixer really
// mixed. Main thread only; the mixer thread only adds to the count.
#pragma once

#include "audio/MixerChannel.h"
#include "video/MediaInput.h"

#include <SDL_mixer.h>

#include <cstdint>

namespace Zelkoran::video {

class VideoSound {
public:
    VideoSound() = default;
    ~VideoSound();
    VideoSound(const VideoSound&) = delete;
    VideoSound& operator=(const VideoSound&) = delete;

    // Decodes the best audio stream of bytes for the open mixer (once per
    // mixer opening). 0, 1 when there is nothing to play (no sound track,
    // or audio is closed), RC_ERR_CORRUPT (the sound cannot be decoded),
    // RC_ERR_IO (the mixer's sample format is not one the engine converts to).
    int prepare(const SharedBytes& bytes);
    // Starts at ms into the sound; loops are the caller's. 0, or RC_ERR_IO
    // (no channel). Past the sound's end nothing plays: 0.
    int playFrom(int64_t ms);
    void pause();
    void resume();
    void stop();
    // The sound plays now (started, not paused, not yet at its end).
    bool isSounding() const;
    // Milliseconds into the sound of what the mixer mixed so far.
    int64_t positionMs() const;
    // Stops and drops the decoded sound.
    void release();

private:
    bool isOnChannel() const;

    Vector<uint8_t> m_pcm;
    uint32_t m_generation = 0;
    int64_t m_bytesPerSecond = 0;
    int m_frameBytes = 0;
    Mix_Chunk m_chunk{};
    audio::MixerChannel m_channel;
    int64_t m_startMs = 0;
};

} // namespace Zelkoran::video
