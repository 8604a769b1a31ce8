// What a long conversion reports to whoever shows it, and how it learns
// that the user cancelled. The converters take a null one for none.
#pragma once

#include <Zelkoran/FrameTiles.h>

#include <functional>

struct ImportProgress {
    std::function<void(int min, int max)> setRange;
    std::function<int()> value;
    // Shows value; false when the user cancelled.
    std::function<bool(int value)> step;
    // A hook for a long stage named stage; false from it cancels.
    std::function<Zelkoran::FrameTileProgress(const char* stage)> stage;
};

// step on progress; true without one.
inline bool stepImport(ImportProgress* progress, int value) { return !progress || progress->step(value); }

// stage on progress; no hook without one.
inline Zelkoran::FrameTileProgress importStage(ImportProgress* progress, const char* stage)
{
    return progress ? progress->stage(stage) : Zelkoran::FrameTileProgress{};
}
