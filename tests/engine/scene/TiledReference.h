// Tiled's own renderer (tmxrasterizer) as the reference for how a map looks:
// running it and the engine's scene_render, and counting the pixels where
// their pictures differ.
#pragma once

#include "scene/SceneModel.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace scenetest {

// A pixel of Tiled's picture counts as different when no pixel of the
// engine's within the allowed shift has every channel (alpha included,
// colours weighted by alpha) within kChannelTolerance.
constexpr int kChannelTolerance = 20;

// The command's output, or "failed: " and its output when it fails.
std::string run(const std::string& command);
bool onPath(const char* program);

// Why the renderers cannot be compared here ("" when they can): Tiled's
// renderer or the engine's is missing.
std::string renderersMissing();
// Skips the test where the renderers are missing, but fails it under
// CI=true: CI installs Tiled, so a missing renderer is a fault of the run.
#define SKIP_WITHOUT_RENDERERS()                                                                     \
    if (const std::string why = ::scenetest::renderersMissing(); !why.empty()) {                      \
        if (const char* ci = std::getenv("CI"); ci && std::string_view(ci) == "true")                 \
            FAIL() << why;                                                                           \
        GTEST_SKIP() << why;                                                                         \
    }

// The PNG at path as ARGB8888, or null.
SDL_Surface* loadArgb(const std::string& path);
// The part r of picture (a new surface; r may reach beyond it, which stays
// transparent).
SDL_Surface* cut(SDL_Surface* picture, SDL_Rect r);

// Pixels of Tiled's picture with no pixel of the engine's within shift
// (framing: where Tiled's picture lies in the engine's) whose channels are
// all within kChannelTolerance (colours weighted by alpha). Tiled 1.8's
// renderer leaves the map's background colour out: its picture is laid over
// that colour, as the engine draws it.
size_t differentPixels(SDL_Surface* tiled, SDL_Surface* engine, const Zelkoran::scene::Map& map, int shift,
                       SDL_Point framing);
// The same for a map whose background (r, g, b, a) is given, null for none.
size_t differentPixels(SDL_Surface* tiled, SDL_Surface* engine, const uint8_t* background, int shift,
                       SDL_Point framing);

// A copy of the map at path, beside nothing (every reference made absolute),
// that both renderers draw alike but for faults (see the definition).
std::string comparableCopy(const std::filesystem::path& path, const std::string& out, bool forTiled);

// Draws the fair copies with Tiled's renderer into tiledPng and with the
// engine's into enginePng, animations advanced by ms, the layers named in
// hide left out. "" or which failed and what it said.
std::string drawBoth(const std::string& tiledCopy, const std::string& engineCopy, int ms, const std::string& hide,
                     const std::string& tiledPng, const std::string& enginePng);

} // namespace scenetest
