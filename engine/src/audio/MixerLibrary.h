// SDL2_mixer, opened when the engine first opens the audio device rather
// than linked: its decoders pull in a dozen more shared libraries, whose
// loading would otherwise slow the start of every program using the engine.
// Every other call into it comes after that opening (a decoded chunk or a
// playing channel needs the device), so it goes through sdlMixer().
#pragma once

#include <SDL_mixer.h>

namespace Zelkoran::audio {

// Every SDL2_mixer function the engine calls.
#define ZK_MIXER_FUNCTIONS(X)                                                                                         \
    X(Mix_AllocateChannels)                                                                                            \
    X(Mix_CloseAudio)                                                                                                  \
    X(Mix_FreeChunk)                                                                                                   \
    X(Mix_GetChunk)                                                                                                    \
    X(Mix_HaltChannel)                                                                                                 \
    X(Mix_Init)                                                                                                        \
    X(Mix_LoadWAV_RW)                                                                                                  \
    X(Mix_OpenAudio)                                                                                                   \
    X(Mix_Pause)                                                                                                       \
    X(Mix_Paused)                                                                                                      \
    X(Mix_PlayChannelTimed)                                                                                            \
    X(Mix_Playing)                                                                                                     \
    X(Mix_QuerySpec)                                                                                                   \
    X(Mix_Quit)                                                                                                        \
    X(Mix_RegisterEffect)                                                                                              \
    X(Mix_Resume)                                                                                                      \
    X(Mix_SetPostMix)                                                                                                  \
    X(Mix_UnregisterEffect)

class MixerLibrary {
public:
    // The library's file name, the same for every SDL2_mixer 2.x.
    static constexpr const char* kName = "libSDL2_mixer-2.0.so.0";

    MixerLibrary() = default;
    ~MixerLibrary();
    MixerLibrary(const MixerLibrary&) = delete;
    MixerLibrary& operator=(const MixerLibrary&) = delete;

    // Opens the library and resolves every function, all or nothing: on
    // failure every function stays null, nothing stays open, and the
    // returned text says what is missing (null on success).
    const char* open(const char* name);

    // The engine's copy, opened by the first call from any thread; null
    // (after one log line) when SDL2_mixer cannot be loaded.
    static const MixerLibrary* shared();

#define ZK_MIXER_POINTER(name) decltype(&::name) name = nullptr;
    ZK_MIXER_FUNCTIONS(ZK_MIXER_POINTER)
#undef ZK_MIXER_POINTER

private:
    void close();

    void* m_handle = nullptr;
    char m_error[512] = {};
};

// The shared library, for code that only runs once the audio device is
// open: opening it loaded the library.
inline const MixerLibrary& sdlMixer() { return *MixerLibrary::shared(); }

} // namespace Zelkoran::audio
