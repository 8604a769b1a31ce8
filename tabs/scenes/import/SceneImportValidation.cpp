#include "tabs/scenes/import/SceneImportValidation.h"

#include "import/scene/FrameSampling.h"
#include "import/scene/GIFLayers.h"
#include "import/scene/OpenVideo.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttMessages.h"
#include "import/scene/UvttObjects.h"
#include "services/GlobalStatus.h"
#include "tabs/base/TabServices.h"
#include "tabs/scenes/SceneDocument.h"
#include "tabs/scenes/import/SceneImportKinds.h"
#include "tabs/scenes/import/SceneImportSource.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Video.h>

#include <algorithm>
#include <string>

using namespace Zelkoran;

namespace {

// An image layer's picture is stored whole as one image block, at most this
// many pixels a side.
constexpr int kMaxStoredPictureSide = 16384;

using uvtt::kMaxMapPixels;
using uvtt::kMaxMapSide;

int g_validateCounter = 0;

} // namespace

bool SceneImportValidation::validateImportOptions(Scene* scene, SceneLayerImportOptions& o,
                                                  const SceneSourceProbe& found, bool newScene, string& title,
                                                  string& message) const
{
    title = newScene ? "New Scene" : "Add layer";
    message.clear();
    const auto fail = [&](const char* text) {
        message = text;
        return false;
    };
    if (newScene) {
        if (!o.sourcePath.empty() && !sceneImportTakesFiles(o.sourceType, true))
            return fail("Unsupported source.");
        if (o.layerName.empty())
            return fail("Scene name is required.");
    } else {
        if (o.sourcePath.empty())
            return fail("Source file cannot be empty.");
        if (!sceneImportTakesFiles(o.sourceType, false))
            return fail("Unsupported source. Use PNG/BMP/GIF, FFmpeg video, or UVTT files.");
        if (o.layerName.empty())
            return fail("Layer name is required.");
        const SceneImportKind* kind = sceneImportKind(o.sourceType, o.fileKind);
        if (kind && kind->namedLayer && sceneHasLayerNamed(scene, o.layerName))
            return fail("Layer name is already in use.");
    }
    if (o.useColorKey && o.colorKey < 0)
        return fail("Color key must use #RRGGBB format.");
    const SceneImportSource* source = sceneImportSource(o.sourceType, o.fileKind);
    SceneImportCheck asked{*this, o, found, scene, newScene, title, message};
    return !source || source->check(asked);
}

bool SceneImportValidation::validatePictureGrid(SceneImportCheck& asked) const
{
    SceneLayerImportOptions& o = asked.request;
    string& message = asked.message;
    const bool still = o.sourceType == SST_IMAGE;
    if (still && o.imageLayer)
        o.tileWidth = o.tileHeight = 0;
    else if (o.tileWidth <= 0 || o.tileHeight <= 0) {
        message = "Tile width and height are required for tile/video import.";
        return false;
    }
    if (!asked.newScene)
        asked.title = still ? "Add image layer" : "Import video layer";
    return (still && o.imageLayer) || validateSceneTileSize(asked.scene, o.tileWidth, o.tileHeight, message);
}

bool SceneImportValidation::validateImageLayerImport(Scene* scene, const SceneLayerImportOptions& o,
                                                     string& message) const
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
    int width = 0, height = 0;
    if (Main::instance()->imageMgr()->statedSize(o.sourcePath.c_str(), &width, &height) < 0)
        return fail("Image file could not be opened.");
    if (o.imageLayer) {
        // The layer's picture is stored whole, as one image block.
        if (width <= kMaxStoredPictureSide && height <= kMaxStoredPictureSide)
            return true;
        message = "Image is " + string(std::to_string(width).c_str()) + "x" + std::to_string(height).c_str() +
                  " pixels: an image layer is stored as one picture of at most " +
                  std::to_string(kMaxStoredPictureSide).c_str() + " pixels a side.";
        return false;
    }
    if (o.tileWidth < 1 || o.tileHeight < 1)
        return fail("Image tile import requires a tile width and tile height greater than zero.");
    if (!isMatchPercentValid(o.matchPercent))
        return fail("Match percentage must be between 1 and 100.");
    if (o.padToTile || (width % o.tileWidth == 0 && height % o.tileHeight == 0))
        return true;
    message = notWholeTilesMessage("Image resolution", width, height, o.tileWidth, o.tileHeight);
    return false;
}

bool SceneImportValidation::validateSceneImportSaveContext(Scene* scene, string& message) const
{
    if (!scene)
        return true;
    if (m_document.name().empty()) {
        message = "Scene name is required to save imported resources to the QEL.";
        return false;
    }
    if (m_services.status().sArchivePath.empty()) {
        message = "QEL filename is not available.";
        return false;
    }
    if (!Main::instance()->archiveMgr()->get(m_services.status().iArchiveID)) {
        message = "QEL archive is not available.";
        return false;
    }
    return true;
}

bool SceneImportValidation::validateGIFLayerImport(Scene* scene, const SceneLayerImportOptions& o,
                                                   const SceneSourceProbe& found, string& message) const
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
    int width = found.gifWidth, height = found.gifHeight, frames = found.gifFrameCount, totalMs = found.gifDurationMs;
    const bool cached =
        found.gifProbeValid && found.gifProbePath == o.sourcePath && width >= 1 && height >= 1 && frames >= 1;
    if (!cached && !::getGIFMetadata(o.sourcePath, width, height, frames, totalMs)) {
        message = "GIF file could not be opened.";
        return false;
    }
    if (!validateSceneImportSaveContext(scene, message))
        return false;
    const bool whole = width % std::max(o.tileWidth, 1) == 0 && height % std::max(o.tileHeight, 1) == 0;
    switch (o.sourceType) {
    case SST_IMAGE:
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
    case SST_FRAMES:
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

bool SceneImportValidation::validateVideoLayerImport(Scene* scene, const SceneLayerImportOptions& o,
                                                     string& message) const
{
    message.clear();
    const auto fail = [&](const char* text) {
        message = text;
        return false;
    };
    if (o.sourcePath.empty())
        return fail("Source video file cannot be empty.");
    if (!Main::instance()->tool()->fileExists(o.sourcePath.c_str()))
        return fail("Source video file does not exist.");
    if (o.tileWidth <= 0 || o.tileHeight <= 0)
        return fail("Video import requires a tile width and tile height greater than zero.");
    if (o.frameCount <= 0)
        return fail("Number of frames must be greater than zero.");
    if (o.durationMs <= 0)
        return fail("Video duration must be greater than zero.");
    if (!isMatchPercentValid(o.matchPercent))
        return fail("Match percentage must be between 1 and 100.");
    if (uint32_t(o.matchMode) > 1)
        return fail("Video match mode is invalid.");
    if (!validateSceneImportTargetLayer(scene, o.targetLayer, message) ||
        !validateSceneImportSaveContext(scene, message))
        return false;
    OpenVideo video(o.sourcePath.c_str(), "__scene_video_validate_", g_validateCounter);
    if (video.id() <= 0)
        return fail("Video file could not be opened.");
    Video* v = video.get();
    if (!v)
        return fail("Video resource could not be accessed.");
    VideoInfo info;
    v->getInfo(&info);
    if (info.width <= 0 || info.height <= 0)
        return fail("Video stream was not detected.");
    if (!o.padToTile && (info.width % o.tileWidth || info.height % o.tileHeight))
        return fail(
            notWholeTilesMessage("Video resolution", info.width, info.height, o.tileWidth, o.tileHeight).c_str());
    const int start = std::max(o.startMs, 0);
    const int total = v->getDuration();
    if (total > 0 && total < start)
        return fail("Start time is beyond the video duration.");
    SDL_Surface* frame = nullptr;
    if (v->decodeFrameAt(start, &frame) != 0 || !frame) {
        SDL_FreeSurface(frame);
        return fail("First video frame could not be decoded.");
    }
    const int fw = frame->w, fh = frame->h;
    SDL_FreeSurface(frame);
    if (!o.padToTile && (fw % o.tileWidth || fh % o.tileHeight))
        return fail(notWholeTilesMessage("Decoded frame size", fw, fh, o.tileWidth, o.tileHeight).c_str());
    return validateFrameSequenceSize(VideoSampleWindow(o, total).count, fw, fh, o.tileWidth, o.tileHeight, o.padToTile,
                                     message);
}

bool SceneImportValidation::validateUVTTImport(Scene* scene, const SceneLayerImportOptions& options,
                                               const SceneSourceProbe& found, bool newScene, string& error) const
{
    error.clear();
    auto refuse = [&](const char* message) {
        error = message;
        return false;
    };
    if (!found.uvttMetadataValid || found.uvttProbePath != options.sourcePath) {
        error = found.uvttProbeError.empty() ? string("UVTT metadata is not valid.") : found.uvttProbeError;
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
    const int64_t w = found.uvttPixelWidth, h = found.uvttPixelHeight;
    if (mode != 2 && !found.uvttHasImage)
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
    const bool wantOccluders = (options.uvttImportWalls && found.uvttWallCount > 0) ||
                               (options.uvttImportObjects && found.uvttObjectCount > 0) ||
                               (options.uvttImportPortals && found.uvttPortalSegmentCount > 0);
    const bool wantLights = options.uvttImportLights && found.uvttLightCount > 0;
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
