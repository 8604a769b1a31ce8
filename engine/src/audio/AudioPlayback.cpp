#include "audio/AudioPlayback.h"

#include "audio/AudioMixer.h"

#include <Zelkoran/Result.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <climits>

namespace Zelkoran::audio {

namespace {

// Channels added when every channel is busy.
constexpr int kChannelStep = 8;

} // namespace

AudioPlayback::~AudioPlayback() { release(); }

int AudioPlayback::decode(const uint8_t* data, size_t size)
{
    release();
    AudioMixer* mixer = currentMixer();
    if (!mixer)
        return RC_ERR_IO;
    if (!data || size == 0 || size > INT_MAX)
        return RC_ERR_CORRUPT;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw)
        return RC_ERR_IO;
    m_chunk = Mix_LoadWAV_RW(rw, 1);
    if (!m_chunk)
        return RC_ERR_CORRUPT;
    m_generation = mixer->generation;
    return RC_OK;
}

bool AudioPlayback::isDecoded() const
{
    const AudioMixer* mixer = currentMixer();
    return m_chunk && mixer && mixer->generation == m_generation;
}

int32_t AudioPlayback::durationMs() const
{
    if (!isDecoded())
        return 0;
    return static_cast<int32_t>(int64_t{m_chunk->alen} * 1000 / currentMixer()->bytesPerSecond());
}

bool AudioPlayback::isOnChannel() const
{
    return m_channel >= 0 && isDecoded() && Mix_GetChunk(m_channel) == m_chunk && Mix_Playing(m_channel);
}

void AudioPlayback::countMixed(int, void*, int length, void* self)
{
    static_cast<AudioPlayback*>(self)->m_mixed.fetch_add(static_cast<uint64_t>(length), std::memory_order_relaxed);
}

int AudioPlayback::play(int loops)
{
    if (!isDecoded())
        return RC_ERR_IO;
    stop();
    // A free channel gets the counting effect before the sound starts, so
    // no mixed pass goes uncounted.
    int channel = -1;
    const int count = Mix_AllocateChannels(-1);
    for (int c = 0; c < count && channel < 0; ++c)
        if (!Mix_Playing(c))
            channel = c;
    if (channel < 0) {
        if (Mix_AllocateChannels(count + kChannelStep) <= count)
            return RC_ERR_IO;
        channel = count;
    }
    m_mixed.store(0, std::memory_order_relaxed);
    if (!Mix_RegisterEffect(channel, &AudioPlayback::countMixed, nullptr, this))
        return RC_ERR_IO;
    if (Mix_PlayChannel(channel, m_chunk, loops) < 0) {
        Mix_UnregisterEffect(channel, &AudioPlayback::countMixed);
        return RC_ERR_IO;
    }
    m_channel = channel;
    return RC_OK;
}

void AudioPlayback::stop()
{
    // Halting waits for a running mix pass and removes the effect.
    if (isOnChannel())
        Mix_HaltChannel(m_channel);
    m_channel = -1;
}

void AudioPlayback::pause()
{
    if (isOnChannel())
        Mix_Pause(m_channel);
}

void AudioPlayback::resume()
{
    if (isOnChannel())
        Mix_Resume(m_channel);
}

bool AudioPlayback::isPlaying() const { return isOnChannel() && !Mix_Paused(m_channel); }

int32_t AudioPlayback::positionMs() const
{
    if (!isOnChannel() || m_chunk->alen == 0)
        return 0;
    const uint64_t intoPass = m_mixed.load(std::memory_order_relaxed) % m_chunk->alen;
    return static_cast<int32_t>(intoPass * 1000 / static_cast<uint64_t>(currentMixer()->bytesPerSecond()));
}

void AudioPlayback::release()
{
    stop();
    if (m_chunk)
        Mix_FreeChunk(m_chunk); // also safe once the device is closed
    m_chunk = nullptr;
}

} // namespace Zelkoran::audio

