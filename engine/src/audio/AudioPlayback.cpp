#include "audio/AudioPlayback.h"

#include "audio/AudioMixer.h"
#include "audio/MixerLibrary.h"

#include <Zelkoran/Result.h>

#include <SDL.h>

#include <climits>

namespace Zelkoran::audio {

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
    // SDL2_mixer leaves a stream it does not recognise open even when asked
    // to close it: closed here, whatever it decoded.
    m_chunk = sdlMixer().Mix_LoadWAV_RW(rw, 0);
    SDL_RWclose(rw);
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

bool AudioPlayback::isOnChannel() const { return isDecoded() && m_channel.holds(m_chunk); }

int AudioPlayback::play(int loops)
{
    if (!isDecoded())
        return RC_ERR_IO;
    stop();
    return m_channel.play(m_chunk, loops);
}

void AudioPlayback::stop() { m_channel.stop(isOnChannel()); }

void AudioPlayback::pause()
{
    if (isOnChannel())
        m_channel.pause();
}

void AudioPlayback::resume()
{
    if (isOnChannel())
        m_channel.resume();
}

bool AudioPlayback::isPlaying() const { return isOnChannel() && !m_channel.isPaused(); }

int32_t AudioPlayback::positionMs() const
{
    if (!isOnChannel() || m_chunk->alen == 0)
        return 0;
    const uint64_t intoPass = m_channel.mixedBytes() % m_chunk->alen;
    return static_cast<int32_t>(intoPass * 1000 / static_cast<uint64_t>(currentMixer()->bytesPerSecond()));
}

void AudioPlayback::release()
{
    stop();
    if (m_chunk)
        sdlMixer().Mix_FreeChunk(m_chunk); // also safe once the device is closed
    m_chunk = nullptr;
}

} // namespace Zelkoran::audio

