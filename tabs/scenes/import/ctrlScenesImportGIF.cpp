// Animated GIFs as layer sources: the import dialog's checks and the
// converters' entry points; the converters are the importer's (import/scene/).
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/GIFLayers.h"
#include "import/scene/SceneImportChecks.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>

#include <algorithm>

using namespace Zelkoran;

bool CtrlScenes::getGIFMetadata(const string& path, int& width, int& height, int& frameCount, int& totalMs)
{
    return ::getGIFMetadata(path, width, height, frameCount, totalMs);
}

bool CtrlScenes::validateGIFLayerImport(Scene* scene, const SceneLayerImportOptions& o, string& message) const
{
    message.clear();
    if (!validateSceneImportTargetLayer(scene, o.targetLayer, message))
        return false;
    if (o.sourcePath.empty()) {
        message = "Source GIF file cannot be empty.";
        return false;
    }
    if (!Main::instance()->tool()->fileExists(o.sourcePath.c_str())) {
        message = "Source GIF file does not exist.";
        return false;
    }
    int width = o.gifWidth, height = o.gifHeight, frames = o.gifFrameCount, totalMs = o.gifDurationMs;
    const bool cached = o.gifProbeValid && o.gifProbePath == o.sourcePath && width >= 1 && height >= 1 && frames >= 1;
    if (!cached && !getGIFMetadata(o.sourcePath, width, height, frames, totalMs)) {
        message = "GIF file could not be opened.";
        return false;
    }
    if (!validateSceneImportSaveContext(scene, message))
        return false;
    const bool whole = width % std::max(o.tileWidth, 1) == 0 && height % std::max(o.tileHeight, 1) == 0;
    switch (o.sourceType) {
    case 1:
        if (o.imageLayer)
            return true;
        if (o.tileWidth < 1 || o.tileHeight < 1) {
            message = "GIF tile import requires a tile width and tile height greater than zero.";
            return false;
        }
        if (!isMatchPercentValid(o.matchPercent)) {
            message = "Match percentage must be between 1 and 100.";
            return false;
        }
        if (!o.padToTile && !whole) {
            message = notWholeTilesMessage("GIF resolution", width, height, o.tileWidth, o.tileHeight);
            return false;
        }
        return validateFrameSequenceSize(1, width, height, o.tileWidth, o.tileHeight, o.padToTile, message);
    case 2:
        if (frames == 1)
            message = "GIF animation requires more than one frame.";
        else if (o.tileWidth < 1 || o.tileHeight < 1)
            message = "GIF animation import requires a tile width and tile height greater than zero.";
        else if (o.frameCount < 1)
            message = "Number of frames must be greater than zero.";
        else if (o.durationMs < 1)
            message = "GIF duration must be greater than zero.";
        else if (!isMatchPercentValid(o.matchPercent))
            message = "Match percentage must be between 1 and 100.";
        else if (o.matchMode != 0 && o.matchMode != 1)
            message = "GIF match mode is invalid.";
        else if (!o.padToTile && !whole)
            message = notWholeTilesMessage("GIF resolution", width, height, o.tileWidth, o.tileHeight);
        else if (o.startMs < 0 || o.startMs >= totalMs)
            message = "Start time is beyond the GIF duration.";
        else
            return validateFrameSequenceSize(std::min(o.frameCount, 256), width, height, o.tileWidth, o.tileHeight,
                                             o.padToTile, message);
        return false;
    default: message = "GIF source type is invalid."; return false;
    }
}

int CtrlScenes::importGIFImageLayer(Scene* scene, const SceneLayerImportOptions& o, const string& layerName)
{
    return ::importGIFImageLayer(scene, o, layerName);
}

int CtrlScenes::importGIFAnimatedLayer(Scene* scene, const SceneLayerImportOptions& o, WidgetProgress* progress,
                                       string* message)
{
    ImportProgress bar = widgetImportProgress(progress);
    return ::importGIFAnimatedLayer(scene, o, &bar, message);
}
