// Frames of one size as an animated tile layer: the frame tile analysis,
// then the atlas, tile set, tile layer and tile animations in the scene.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/CMem.h>

#include <vector>

struct ImportProgress;
struct SDL_Surface;
namespace Zelkoran {
class Scene;
}

// Turns frames (ARGB8888, one size, whole tiles) into a tile layer of scene
// in the options' slot, with an atlas tile set and tile animations for cells
// that change; takes the frames (-511, -510, -509 leave them to the caller;
// otherwise they are destroyed and frames is emptied). sourceWidth x
// sourceHeight and padded only feed the texts; kind "GIF" or "Video" (null
// or empty: "Video"); frameDurations per frame (ms) when of the frames'
// count; progress (may be null) continues the caller's scale with frames + 1
// .. + 3 and lets the user cancel. message gets the summary on success. 0,
// or a FrameImportResult or engine code.
int importFramesAsTileLayer(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                            std::vector<SDL_Surface*>& frames, int sourceWidth, int sourceHeight, bool padded,
                            const char* kind, const std::vector<int>* frameDurations, ImportProgress* progress,
                            Zelkoran::String* message);

// Frees every surface a conversion gathered and empties the list.
void destroyFrames(std::vector<SDL_Surface*>& frames);
