#include "audio/MixerLibrary.h"

#include <Zelkoran/Log.h>

#include <dlfcn.h>

#include <cstdio>

namespace Zelkoran::audio {

MixerLibrary::~MixerLibrary() { close(); }

void MixerLibrary::close()
{
#define ZK_MIXER_FORGET(name) name = nullptr;
    ZK_MIXER_FUNCTIONS(ZK_MIXER_FORGET)
#undef ZK_MIXER_FORGET
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
}

const char* MixerLibrary::open(const char* name)
{
    close();
    m_handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        std::snprintf(m_error, sizeof(m_error), "%s", dlerror());
        return m_error;
    }
#define ZK_MIXER_RESOLVE(function)                                                                                    \
    function = reinterpret_cast<decltype(function)>(dlsym(m_handle, #function));                                     \
    if (!function) {                                                                                                   \
        std::snprintf(m_error, sizeof(m_error), "%s has no %s", name, #function);                                      \
        close();                                                                                                       \
        return m_error;                                                                                                \
    }
    ZK_MIXER_FUNCTIONS(ZK_MIXER_RESOLVE)
#undef ZK_MIXER_RESOLVE
    return nullptr;
}

const MixerLibrary* MixerLibrary::shared()
{
    // Never closed: the mixing thread may still run while the process exits.
    static const MixerLibrary* const library = []() -> const MixerLibrary* {
        auto* opened = new MixerLibrary;
        if (const char* why = opened->open(kName)) {
            if (Log* log = LogMgr::current())
                log->msg(2, " [Audio] Error: SDL2_mixer cannot be loaded, so no sound plays: %s\n", why);
            delete opened;
            return nullptr;
        }
        return opened;
    }();
    return library;
}

} // namespace Zelkoran::audio
