#include "audio/MixerChannel.h"

#include "audio/MixerLibrary.h"

#include <Zelkoran/Result.h>

namespace Zelkoran::audio {

namespace {

// Channels added when every channel is busy.
constexpr int kChannelStep = 8;

} // namespace

void MixerChannel::countMixed(int, void*, int length, void* self)
{
    static_cast<MixerChannel*>(self)->m_mixed.fetch_add(static_cast<uint64_t>(length), std::memory_order_relaxed);
}

int MixerChannel::play(Mix_Chunk* chunk, int loops)
{
    int channel = -1;
    const int count = sdlMixer().Mix_AllocateChannels(-1);
    for (int c = 0; c < count && channel < 0; ++c)
        if (!sdlMixer().Mix_Playing(c))
            channel = c;
    if (channel < 0) {
        if (sdlMixer().Mix_AllocateChannels(count + kChannelStep) <= count)
            return RC_ERR_IO;
        channel = count;
    }
    resetCount();
    // The counting effect is on the channel before the sound starts, so no
    // mixed pass goes uncounted.
    if (!sdlMixer().Mix_RegisterEffect(channel, &MixerChannel::countMixed, nullptr, this))
        return RC_ERR_IO;
    if (sdlMixer().Mix_PlayChannelTimed(channel, chunk, loops, -1) < 0) {
        sdlMixer().Mix_UnregisterEffect(channel, &MixerChannel::countMixed);
        return RC_ERR_IO;
    }
    m_channel = channel;
    return RC_OK;
}

bool MixerChannel::holds(const Mix_Chunk* chunk) const
{
    return m_channel >= 0 && sdlMixer().Mix_GetChunk(m_channel) == chunk && sdlMixer().Mix_Playing(m_channel);
}

void MixerChannel::stop(bool held)
{
    // Halting waits for a running mix pass and removes the effect.
    if (held)
        sdlMixer().Mix_HaltChannel(m_channel);
    m_channel = -1;
}

void MixerChannel::pause() { sdlMixer().Mix_Pause(m_channel); }

void MixerChannel::resume() { sdlMixer().Mix_Resume(m_channel); }

bool MixerChannel::isPaused() const { return sdlMixer().Mix_Paused(m_channel) != 0; }

} // namespace Zelkoran::audio
