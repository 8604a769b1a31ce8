// The window the drawing benchmarks measure: the software renderer at a
// fixed size, with the engine timer at 60 frames a second.
#pragma once

#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace bench {

// The shown screen, null when it cannot be shown.
inline Zelkoran::Screen* openSoftScreen(int width, int height)
{
    Zelkoran::Main* main = Zelkoran::Main::instance();
    main->timer()->init(0);
    main->timer()->setRate(60, 30);
    Zelkoran::Screen* s = main->configMgr()->get(0);
    s->setDriver(Zelkoran::Screen::DRV_SOFT);
    s->setSize(width, height);
    return s->show() < 0 ? nullptr : s;
}

// The body of a drawing benchmark's main: every benchmark run headless
// (offscreen unless SDL_VIDEODRIVER names a driver). 0.
inline int runOffscreen(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
