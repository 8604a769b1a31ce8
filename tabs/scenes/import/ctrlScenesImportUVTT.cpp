// Universal VTT maps as scenes: the import dialog's checks; the probe and
// the import itself are the importer's (import/scene/).
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/UvttImport.h"
#include "import/scene/UvttMessages.h"
#include "import/scene/UvttObjects.h"
#include "import/scene/UvttProbe.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>

using namespace Zelkoran;

namespace {

using uvtt::kMaxMapPixels;
using uvtt::kMaxMapSide;

} // namespace

bool CtrlScenes::getUVTTMetadata(const string& path, SceneLayerImportOptions& options, string& error)
{
    return ::getUVTTMetadata(path, options, error);
}

bool CtrlScenes::validateUVTTImport(Scene* scene, const SceneLayerImportOptions& options, bool newScene,
                                    string& error) const
{
    error.clear();
    auto refuse = [&](const char* message) {
        error = message;
        return false;
    };
    if (!options.uvttMetadataValid || options.uvttProbePath != options.sourcePath) {
        error = options.uvttProbeError.empty() ? string("UVTT metadata is not valid.") : options.uvttProbeError;
        return false;
    }
    if (!Main::instance()->tool()->fileExists(options.sourcePath.c_str()))
        return refuse("UVTT source file does not exist.");
    const int t = options.targetLayer;
    if (t < 1 || (scene && t <= scene->getLayerCount(0) && scene->getLayerType(t) != SLT_EMPTY))
        return refuse("UVTT start layer must be an empty slot or a new layer.");
    if (!newScene && !validateSceneImportSaveContext(scene, error))
        return false;
    const int mode = options.uvttMapMode;
    if (mode < 0 || mode > 2)
        return refuse("UVTT map import mode is invalid.");
    const int64_t w = options.uvttPixelWidth, h = options.uvttPixelHeight;
    if (mode != 2 && !options.uvttHasImage)
        return refuse("UVTT has no embedded image. Select Do not import for the map.");
    if (mode != 2 && (w > kMaxMapSide || h > kMaxMapSide || w * h > kMaxMapPixels))
        return refuse("UVTT map image exceeds the supported 16384-pixel dimension or 16-megapixel limit. Select Do "
                      "not import for the map.");
    if (mode == 0) {
        if (options.tileWidth <= 0 || options.tileHeight <= 0)
            return refuse("UVTT tile layer requires a tile width and height greater than zero.");
        if (!validateSceneTileSize(scene, options.tileWidth, options.tileHeight, error))
            return false;
        if (!isUVTTTileGridSupported(w, h, options.tileWidth, options.tileHeight))
            return refuse("UVTT tile conversion exceeds the supported 262144-cell limit.");
        if (!options.padToTile && (w % options.tileWidth || h % options.tileHeight))
            return refuse("UVTT map pixels are not divisible by the override tile size. Enable padding or change "
                          "the tile size.");
    }
    const bool wantMap = mode != 2;
    const bool wantOccluders = (options.uvttImportWalls && options.uvttWallCount > 0) ||
                               (options.uvttImportObjects && options.uvttObjectCount > 0) ||
                               (options.uvttImportPortals && options.uvttPortalSegmentCount > 0);
    const bool wantLights = options.uvttImportLights && options.uvttLightCount > 0;
    if (!wantMap && !wantOccluders && !wantLights)
        return refuse("Select at least one UVTT map, occluder, portal, or light category to import.");
    const string prefix = getUVTTLayerPrefix(options, newScene);
    if (prefix.empty())
        return refuse("UVTT layer prefix cannot be empty.");
    const string base = newScene ? string() : prefix + " ";
    if (wantMap && sceneHasLayerNamed(scene, base + "Map"))
        return refuse("UVTT Map layer name is already in use.");
    if (wantOccluders && sceneHasLayerNamed(scene, base + "Occluders"))
        return refuse("UVTT Occluders layer name is already in use.");
    if (wantLights && sceneHasLayerNamed(scene, base + "Lights"))
        return refuse("UVTT Lights layer name is already in use.");
    return true;
}

int CtrlScenes::importUVTT(Scene*& scene, const SceneLayerImportOptions& options, bool newScene, string& summary,
                           string& error)
{
    return importUVTTScene(scene, options, newScene, globalStatus->sArchivePath, sceneHandle, summary, error);
}
