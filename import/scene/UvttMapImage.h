// The embedded map picture of a Universal VTT map as a layer of a scene:
// base64 (a "data:" prefix dropped), checked as PNG of the map's pixel size
// before it is decoded, padded to whole tiles when asked. Main thread only.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/UvttDocument.h"

namespace Zelkoran {
class Scene;
}

// The picture as a tile layer (map mode 0) or image layer (1) named
// layerName in the options' target slot of scene; nothing for mode 2.
// 0, or a UVTTImportResult or engine code with error set.
int importUVTTMapImage(Zelkoran::Scene* scene, const SceneLayerImportOptions& options, const UVTTDocument& document,
                       const Zelkoran::String& layerName, Zelkoran::String& error);
