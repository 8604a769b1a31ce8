// A Universal VTT map as a scene: its objects as object groups in the
// scene's TMX text (or a new map's), loaded back as a fresh scene that then
// takes the map picture as a tile or image layer and replaces the old one.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/SceneSourceProbe.h"
#include "import/scene/UvttImportResult.h"

#include <Zelkoran/CMem.h>

namespace Zelkoran {
class Scene;
}

// The file as a new scene (scene: the fresh empty one) or as layers added to
// scene, which then points to the imported scene. Adding keeps the old scene
// until the new one is complete. A new scene's empty one is closed as soon
// as the import starts building, leaving scene null until it succeeds.
// found: the file's probe (the summary counts its portal segments).
// archivePath names the archive the scene's references lie in. 0 with
// summary set, or a UVTTImportResult or engine code with error set.
int importUVTTScene(Zelkoran::Scene*& scene, const SceneLayerImportOptions& options, const SceneSourceProbe& found,
                    bool newScene, const Zelkoran::String& archivePath, Zelkoran::String& summary,
                    Zelkoran::String& error);
