// The audio device every sound is mixed into, as the window's configuration
// (ConfigMgr) hands it out. Main thread only, but for the post-mix tap.
#pragma once

struct SDL_AudioSpec;

namespace Zelkoran {

// The audio device the engine mixes every sound into (opaque).
struct AudioMixer;

// Sees the device's mixed sound after each pass, on the audio thread:
// count interleaved float values (nominally -1..1) of spec->channels
// channels. It must not lock, allocate or call the engine.
using PostMixCallback = void (*)(void* user, AudioMixer* mixer, const SDL_AudioSpec* spec, const float* samples,
                                 int count);

} // namespace Zelkoran
