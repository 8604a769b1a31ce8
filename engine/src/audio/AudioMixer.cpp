#include "audio/AudioMixer.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>
#include <SDL_mixer.h>

namespace Zelkoran {

namespace {

uint32_t g_openings = 0;

// Sample frames per mix pass: about 23 ms at 44.1 kHz, short enough for the
// playback position and a waveform display to follow the sound.
constexpr int kPassFrames = 1024;
constexpr int kMinFrequency = 8000;
constexpr int kMaxFrequency = 192000;
constexpr int kMaxChannels = 8;

bool isSampleFormat(int format)
{
    switch (format) {
    case AUDIO_U8: case AUDIO_S8:
    case AUDIO_U16LSB: case AUDIO_S16LSB: case AUDIO_U16MSB: case AUDIO_S16MSB:
    case AUDIO_S32LSB: case AUDIO_S32MSB: case AUDIO_F32LSB: case AUDIO_F32MSB:
        return true;
    default:
        return false;
    }
}

} // namespace

int64_t AudioMixer::bytesPerSecond() const
{
    return int64_t{frequency} * channels * (SDL_AUDIO_BITSIZE(format) / 8);
}

AudioMixer* currentMixer() { return Main::instance()->configMgr()->audioGetMixer(); }

int ConfigMgr::audioInit(int frequency, int format, int channels)
{
    if (m_audio)
        return RC_ERR_BUSY;
    if (frequency < kMinFrequency || frequency > kMaxFrequency || channels < 1 || channels > kMaxChannels ||
        !isSampleFormat(format))
        return RC_ERR_INVALID;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return RC_ERR_IO;
    // Decoders that cannot be loaded fail only their own formats, later.
    Mix_Init(MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_OPUS);
    if (Mix_OpenAudio(frequency, static_cast<Uint16>(format), channels, kPassFrames) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return RC_ERR_IO;
    }
    auto mixer = std::make_unique<AudioMixer>();
    Mix_QuerySpec(&mixer->frequency, &mixer->format, &mixer->channels);
    mixer->generation = ++g_openings;
    m_audio = std::move(mixer);
    return RC_OK;
}

void ConfigMgr::audioClose()
{
    if (!m_audio)
        return;
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_audio.reset();
}

AudioMixer* ConfigMgr::audioGetMixer() { return m_audio.get(); }

} // namespace Zelkoran
