// Tiled's own renderer (tmxrasterizer) as the reference for how a map looks:
// running it and the engine's scene_render, and counting the pixels where
// their pictures differ.
#pragma once

#include "scene/SceneModel.h"

#include <SDL.h>

#include <string>

namespace scenetest {

// A pixel of Tiled's picture counts as different when no pixel of the
// engine's within the allowed shift has every channel (alpha included,
// colours weighted by alpha) within kChannelTolerance.
constexpr int kChannelTolerance = 20;

// The command's output, or "failed: " and its output when it fails.
std::string run(const std::string& command);
bool onPath(const char* program);
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

} // namespace scenetest
