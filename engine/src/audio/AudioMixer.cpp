#include "audio/AudioMixer.h"

#include "audio/MixerLibrary.h"

#include <Zelkoran/Result.h>

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace Zelkoran {

namespace {

uint32_t g_openings = 0;
// The open device; null while audio is closed.
std::unique_ptr<AudioMixer> g_device;

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

// Float values handed to a tap at once: the device's buffer goes out in
// pieces of whole frames, converted on the stack without allocation.
constexpr int kTapValues = 1024;

void SDLCALL forwardPostMix(void* user, Uint8* stream, int length)
{
    auto* mixer = static_cast<AudioMixer*>(user);
    if (!mixer->postMix || mixer->channels < 1 || length <= 0)
        return;
    float values[kTapValues];
    const int piece = kTapValues / mixer->channels * mixer->channels;
    const bool isFloat = mixer->format == AUDIO_F32SYS;
    const int valueBytes = isFloat ? 4 : 2;
    const int total = length / valueBytes;
    for (int done = 0; done < total; done += piece) {
        const int count = std::min(piece, total - done);
        const Uint8* from = stream + static_cast<size_t>(done) * valueBytes;
        if (isFloat) {
            std::memcpy(values, from, static_cast<size_t>(count) * sizeof(float));
        } else {
            for (int i = 0; i < count; ++i) {
                int16_t sample;
                std::memcpy(&sample, from + static_cast<size_t>(i) * 2, sizeof(sample));
                values[i] = static_cast<float>(sample) / 32768.0f;
            }
        }
        mixer->postMix(mixer->postMixUser, mixer, &mixer->spec, values, count);
    }
}

} // namespace

int64_t AudioMixer::bytesPerSecond() const
{
    return int64_t{frequency} * channels * (SDL_AUDIO_BITSIZE(format) / 8);
}

AudioMixer* currentMixer() { return g_device.get(); }

namespace audio {

int openDevice(int frequency, int format, int channels)
{
    if (g_device)
        return RC_ERR_BUSY;
    if (frequency < kMinFrequency || frequency > kMaxFrequency || channels < 1 || channels > kMaxChannels ||
        !isSampleFormat(format))
        return RC_ERR_INVALID;
    if (!MixerLibrary::shared())
        return RC_ERR_NO_LIBRARY;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return RC_ERR_IO;
    // Decoders that cannot be loaded fail only their own formats, later.
    sdlMixer().Mix_Init(MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_OPUS);
    if (sdlMixer().Mix_OpenAudio(frequency, static_cast<Uint16>(format), channels, kPassFrames) != 0) {
        sdlMixer().Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return RC_ERR_IO;
    }
    auto mixer = std::make_unique<AudioMixer>();
    sdlMixer().Mix_QuerySpec(&mixer->frequency, &mixer->format, &mixer->channels);
    mixer->spec.freq = mixer->frequency;
    mixer->spec.format = mixer->format;
    mixer->spec.channels = static_cast<Uint8>(mixer->channels);
    mixer->generation = ++g_openings;
    g_device = std::move(mixer);
    return RC_OK;
}

void closeDevice()
{
    if (!g_device)
        return;
    sdlMixer().Mix_HaltChannel(-1);
    sdlMixer().Mix_SetPostMix(nullptr, nullptr);
    sdlMixer().Mix_CloseAudio();
    sdlMixer().Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_device.reset();
}

int setPostMix(PostMixCallback callback, void* user)
{
    if (!g_device)
        return RC_ERR_NOT_FOUND;
    if (callback && g_device->format != AUDIO_S16SYS && g_device->format != AUDIO_F32SYS)
        return RC_ERR_INVALID;
    // Mix_SetPostMix swaps the hook with the mixer's device locked, the
    // lock the mixing thread holds for a whole pass: once it returns, no
    // pass runs the old tap, and the fields below change while none runs.
    sdlMixer().Mix_SetPostMix(nullptr, nullptr);
    g_device->postMix = callback;
    g_device->postMixUser = user;
    if (callback)
        sdlMixer().Mix_SetPostMix(forwardPostMix, g_device.get());
    return RC_OK;
}

} // namespace audio

} // namespace Zelkoran
