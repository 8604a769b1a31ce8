// What the fuzz targets set up alike before they feed the engine: a scratch
// archive path and a small offscreen window. One target a process.
#pragma once

#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

// A scratch file of target ("<target>_<pid><extension>"): a memory-backed
// folder keeps the writes cheap, the process id keeps parallel jobs apart.
inline std::string scratchPath(const char* target, const char* extension = ".qel")
{
    static const std::string folder = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/";
    return folder + target + "_" + std::to_string(getpid()) + extension;
}

// A small offscreen window to draw into, opened once.
inline bool screenShown()
{
    static const bool shown = [] {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        Zelkoran::Screen* screen = Zelkoran::Main::instance()->configMgr()->get(0);
        screen->setDriver(Zelkoran::Screen::DRV_SOFT);
        screen->setSize(64, 64);
        return screen->show() == 0;
    }();
    return shown;
}

} // namespace fuzz
