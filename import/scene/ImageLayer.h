// A still picture as a scene layer.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/CMem.h>

namespace Zelkoran {
class Scene;
}

// A still PNG or BMP as a layer of scene (padded to whole tiles when
// asked). 0, a FrameImportResult or the engine's code.
int importImageLayer(Zelkoran::Scene* scene, const SceneLayerImportOptions& options,
                     const Zelkoran::String& layerName);
