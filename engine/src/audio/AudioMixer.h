// The audio device opened by ConfigMgr::audioInit, as the tracks see it.
// The device is the audio family's own: the window's configuration opens
// and closes it through the calls below. Main thread only.
#pragma once

#include <Zelkoran/AudioDevice.h>

#include <SDL_audio.h>

#include <cstdint>

namespace Zelkoran {

struct AudioMixer {
    // What the device settled on.
    int frequency = 0;
    uint16_t format = 0;
    int channels = 0;
    // Differs for every opening: sound decoded for an earlier device does
    // not fit this one.
    uint32_t generation = 0;
    // The post-mix tap; changed only while the device is locked.
    PostMixCallback postMix = nullptr;
    void* postMixUser = nullptr;
    SDL_AudioSpec spec{};

    // Bytes of mixed sound per second.
    int64_t bytesPerSecond() const;
};

// The engine's open mixer, or null while audio is closed.
AudioMixer* currentMixer();

namespace audio {
// What ConfigMgr::audioInit, audioClose and audioSetPostMix do, with their results.
int openDevice(int frequency, int format, int channels);
void closeDevice();
int setPostMix(PostMixCallback callback, void* user);
} // namespace audio

} // namespace Zelkoran
