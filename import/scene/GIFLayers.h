// Animated GIFs as layer sources: the probe, the first frame as a still
// layer and sampled frames as an animated tile layer.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/CMem.h>

struct ImportProgress;
namespace Zelkoran {
class Scene;
}

// Size, frame count and total duration (delays below 1 count 100 ms).
// True when all of size and count are at least 1.
bool getGIFMetadata(const Zelkoran::String& path, int& width, int& height, int& frameCount, int& totalMs);
// The GIF's first frame as an image or tile layer (Scene::importLayerFromImage).
int importGIFImageLayer(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                        const Zelkoran::String& layerName);
// The GIF's frames over the options' time window as an animated tile layer;
// progress may be null. 0, or a FrameImportResult or engine code.
int importGIFAnimatedLayer(Zelkoran::Scene* scene, const SceneLayerImportOptions& options, ImportProgress* progress,
                           Zelkoran::String* message);
