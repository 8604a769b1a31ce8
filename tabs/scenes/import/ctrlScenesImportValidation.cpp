// The checks an import request passes before anything is imported: one
// message (and the title of its box) for the first rule it breaks.
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/SceneImportChecks.h"
#include "tabs/scenes/import/SceneImportProbe.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>

using namespace Zelkoran;

bool CtrlScenes::validateImportOptions(Scene* scene, SceneLayerImportOptions& o, bool newScene, string& title,
                                       string& message) const
{
    title = newScene ? "New Scene" : "Add layer";
    message.clear();
    const auto fail = [&](const char* text) {
        message = text;
        return false;
    };
    if (newScene) {
        if (!o.sourcePath.empty() && (o.sourceType < 1 || o.sourceType > 4))
            return fail("Unsupported source.");
        if (o.layerName.empty())
            return fail("Scene name is required.");
    } else {
        if (o.sourcePath.empty())
            return fail("Source file cannot be empty.");
        if (o.sourceType != 1 && o.sourceType != 2 && o.sourceType != 4)
            return fail("Unsupported source. Use PNG/BMP/GIF, FFmpeg video, or UVTT files.");
        if (o.layerName.empty())
            return fail("Layer name is required.");
        if ((o.sourceType == 1 || o.sourceType == 2) && sceneHasLayerNamed(scene, o.layerName))
            return fail("Layer name is already in use.");
    }
    if (o.useColorKey && o.colorKey < 0)
        return fail("Color key must use #RRGGBB format.");

    switch (o.sourceType) {
    case 1:
    case 2: {
        const bool still = o.sourceType == 1;
        if (still && o.imageLayer)
            o.tileWidth = o.tileHeight = 0;
        else if (o.tileWidth <= 0 || o.tileHeight <= 0)
            return fail("Tile width and height are required for tile/video import.");
        if (!newScene)
            title = still ? "Add image layer" : "Import video layer";
        if (!(still && o.imageLayer) && !validateSceneTileSize(scene, o.tileWidth, o.tileHeight, message))
            return false;
        const bool ok = o.fileKind == 3           ? validateGIFLayerImport(scene, o, message)
                        : still                  ? validateImageLayerImport(scene, o, message)
                                                 : validateVideoLayerImport(scene, o, message);
        if (!ok && message.empty())
            message = still ? "Image import settings are invalid." : "Video import settings are invalid.";
        return ok;
    }
    case 4:
        title = newScene ? "New UVTT Scene" : "Import UVTT layers";
        return validateUVTTImport(scene, o, newScene, message);
    case 0:
        if (o.tileWidth < 1 || o.tileHeight < 1)
            return fail("Tile width and height are required for an empty Scene.");
        return true;
    default: return true; // a Tiled map
    }
}

bool CtrlScenes::validateImageLayerImport(Scene* scene, const SceneLayerImportOptions& o, string& message) const
{
    message.clear();
    const auto fail = [&](const char* text) {
        message = text;
        return false;
    };
    if (scene && !validateSceneImportTargetLayer(scene, o.targetLayer, message))
        return false;
    if (!validateSceneImportSaveContext(scene, message))
        return false;
    if (o.sourcePath.empty())
        return fail("Source image file cannot be empty.");
    if (!Main::instance()->tool()->fileExists(o.sourcePath.c_str()))
        return fail("Source image file does not exist.");
    if (o.imageLayer)
        return true;
    if (o.tileWidth < 1 || o.tileHeight < 1)
        return fail("Image tile import requires a tile width and tile height greater than zero.");
    if (!isMatchPercentValid(o.matchPercent))
        return fail("Match percentage must be between 1 and 100.");
    int width = 0, height = 0;
    if (!getImageResolution(*Main::instance(), o.sourcePath, width, height))
        return fail("Image file could not be opened.");
    if (o.padToTile || (width % o.tileWidth == 0 && height % o.tileHeight == 0))
        return true;
    message = notWholeTilesMessage("Image resolution", width, height, o.tileWidth, o.tileHeight);
    return false;
}
