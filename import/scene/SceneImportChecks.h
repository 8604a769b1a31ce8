// Checks and picture preparation shared by the scene imports.
#pragma once

#include <Zelkoran/CMem.h>

#include <SDL_surface.h>

#include <cstdint>

namespace Zelkoran {
class Scene;
}

// Frames x cells of one frame-sequence import above this are refused (the
// converter keeps a tile id per frame and cell).
inline constexpr int64_t kMaxImportRawTiles = int64_t(1) << 26;
// Pixels of all sampled frames together above this are refused: the frames
// are held in memory at 4 bytes a pixel.
inline constexpr int64_t kMaxImportFramePixels = int64_t(1) << 30;

// A 1-based slot that is empty or just past the last layer (always true
// without a scene). False with one message otherwise; message untouched on
// success.
bool validateSceneImportTargetLayer(Zelkoran::Scene* scene, int targetLayer, Zelkoran::String& message);

// Tiles of tileWidth x tileHeight lie on the scene's grid: always without a
// scene or while it has no layers (the import then sets the grid). False
// with one message otherwise; message untouched on success.
bool validateSceneTileSize(const Zelkoran::Scene* scene, int tileWidth, int tileHeight, Zelkoran::String& message);

// A layer of scene (not an empty slot) is called name; false for a null
// scene or an empty name.
bool sceneHasLayerNamed(const Zelkoran::Scene* scene, const Zelkoran::String& name);

// A tile match percentage the converters take: 1..100 (NaN is not).
inline bool isMatchPercentValid(float percent) { return percent >= 1.0f && percent <= 100.0f; }

// "<what> WxH is not divisible by tile size TWxTH. Enable padding ...".
Zelkoran::String notWholeTilesMessage(const char* what, int width, int height, int tileWidth, int tileHeight);

// The size limits of a frame-sequence import of frames frames of
// width x height pixels cut into tileWidth x tileHeight tiles (edges
// padded to whole tiles when padded). False with one message otherwise.
bool validateFrameSequenceSize(int64_t frames, int width, int height, int tileWidth, int tileHeight, bool padded,
                               Zelkoran::String& message);

// surface grown right and bottom to whole tiles: filled with transparent
// black, or with rgb (0xRRGGBB) opaque, behind the unblended picture.
// Null with the surface left to the caller when a tile size is below 1 or
// there is no surface; else the surface is consumed: the same one when it
// already fits, a new one, or null when the new one could not be made or
// filled.
SDL_Surface* padSurfaceToTile(SDL_Surface* surface, int tileWidth, int tileHeight, bool transparent, uint32_t rgb);
