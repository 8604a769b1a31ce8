// Video files as layer sources: the probe, and evenly spaced frames of the
// options' time window as an animated tile layer.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/CMem.h>

struct ImportProgress;
namespace Zelkoran {
class Main;
class Scene;
} // namespace Zelkoran

// Size and length (ms, 0 when unknown) of a video file. True when the
// size is known.
bool getVideoMetadata(Zelkoran::Main* main, const char* path, int& width, int& height, int& durationMs);
// The frames as an animated tile layer; progress may be null. 0, or a
// FrameImportResult or engine code.
int importVideoLayer(Zelkoran::Scene* scene, const SceneLayerImportOptions& options, ImportProgress* progress,
                     Zelkoran::String* message);
