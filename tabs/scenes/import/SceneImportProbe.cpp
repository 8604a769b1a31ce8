// The import source probe: extension first, then the file itself.
#include "tabs/scenes/import/SceneImportProbe.h"

#include "import/scene/PictureHeader.h"
#include "tabs/scenes/ctrlScenes.h"
#include "tabs/scenes/SceneReferences.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <algorithm>
#include <string>

using namespace Zelkoran;

namespace {

constexpr int kMaxFrames = 256;

bool isUVTT(const SceneImportProbe::string& ext) { return ext == "uvtt" || ext == "dd2vtt" || ext == "df2vtt"; }

void clearGIFCache(SceneLayerImportOptions& o)
{
    o.gifProbeValid = false;
    o.gifProbePath.clear();
    o.gifWidth = o.gifHeight = o.gifFrameCount = o.gifDurationMs = 0;
}

// Applied once per Universal VTT file: a second choice of the same file
// keeps what the user switched since. Layers added to a scene keep the
// scene's tile size, which the record holds already.
void presetUVTT(SceneLayerImportOptions& o, bool newScene)
{
    o.uvttMapMode = o.uvttHasImage ? 0 : 2;
    o.uvttImportWalls = o.uvttWallCount > 0;
    o.uvttImportObjects = o.uvttObjectCount > 0;
    o.uvttImportPortals = o.uvttMergedPortalCount > 0;
    o.uvttMergePortals = o.uvttCreator.find("Arkenforge") != SceneImportProbe::string::npos &&
                         o.uvttMergedPortalCount < o.uvttPortalSegmentCount;
    o.uvttImportLights = o.uvttLightCount > 0 && !o.uvttBakedLighting;
    o.uvttBlockMovement = false;
    if (newScene)
        o.tileWidth = o.tileHeight = o.uvttPixelsPerGrid;
    o.matchPercent = 100.0f;
    o.padToTile = false;
}

const char* kindText(const SceneLayerImportOptions& o)
{
    if (o.fileKind == SFK_GIF && (o.sourceType == SST_IMAGE || o.sourceType == SST_FRAMES))
        return o.sourceType == SST_IMAGE ? "gif image" : "gif animation";
    switch (o.sourceType) {
    case SST_IMAGE: return "image";
    case SST_FRAMES: return "video";
    case SST_TILED_MAP: return "tmx";
    case SST_UVTT: return o.uvttMetadataValid ? "universal vtt" : "invalid uvtt";
    default: return "unsupported";
    }
}

} // namespace

SceneImportProbe::Kind SceneImportProbe::classify(const string& ext, bool newScene)
{
    if (ext == "png" || ext == "bmp" || ext == "gif")
        return {SST_IMAGE, ext == "gif" ? SFK_GIF : SFK_PICTURE};
    if (ext == "mp4" || ext == "m4v" || ext == "mov" || ext == "avi" || ext == "h264" || ext == "264")
        return {SST_FRAMES, SFK_VIDEO};
    if (isUVTT(ext))
        return {SST_UVTT, SFK_OTHER};
    if (ext == "tmx" && newScene)
        return {SST_TILED_MAP, SFK_OTHER};
    return {};
}

SceneSourceFacts SceneImportProbe::probe(SceneLayerImportOptions& o, const string& path, bool newScene)
{
    string ext;
    SceneReferences::getExtensionLower(path, ext);
    // Decided before anything changes: the cache may belong to this file.
    const bool uvttCached = o.uvttMetadataValid && o.uvttProbePath == path;
    o.sourcePath = path;
    o.sourceType = SST_NONE;
    o.fileKind = SFK_OTHER;
    clearGIFCache(o);
    if (!isUVTT(ext)) {
        o.uvttMetadataValid = false;
        o.uvttProbePath.clear();
        o.uvttProbeError.clear();
    }
    SceneSourceFacts facts;
    const Kind kind = classify(ext, newScene);
    if (kind.fileKind == SFK_GIF) {
        int width = 0, height = 0, frames = 0, totalMs = 0;
        if (CtrlScenes::getGIFMetadata(path, width, height, frames, totalMs)) {
            o.gifProbeValid = true;
            o.gifProbePath = path;
            o.gifWidth = width, o.gifHeight = height, o.gifFrameCount = frames, o.gifDurationMs = totalMs;
            o.fileKind = SFK_GIF;
            o.sourceType = frames > 1 ? SST_FRAMES : SST_IMAGE;
            if (frames > 1) {
                o.durationMs = totalMs > 0 ? totalMs : 1;
                o.frameCount = std::min(frames, kMaxFrames);
            }
            facts.width = width, facts.height = height, facts.durationMs = totalMs;
        }
    } else if (kind.sourceType == SST_UVTT) {
        o.sourceType = SST_UVTT;
        string error;
        if (CtrlScenes::getUVTTMetadata(path, o, error) && !uvttCached)
            presetUVTT(o, newScene);
        if (o.uvttMetadataValid)
            facts.width = o.uvttPixelWidth, facts.height = o.uvttPixelHeight;
    } else {
        o.sourceType = kind.sourceType;
        o.fileKind = kind.fileKind;
        if (o.sourceType == SST_IMAGE)
            readPictureSize(path, facts.width, facts.height);
        else if (o.sourceType == SST_FRAMES)
            getVideoMetadata(Main::instance(), path.c_str(), facts.width, facts.height, facts.durationMs);
    }
    facts.kindText = kindText(o);
    return facts;
}

SceneImportProbe::string SceneImportProbe::proposedName(const SceneLayerImportOptions& o, bool newScene)
{
    if (o.sourceType == SST_NONE)
        return {};
    Tool* tool = Main::instance()->tool();
    string name = tool->fileGetName(o.sourcePath.c_str());
    if (newScene && !tool->fileCheckExtension(name.c_str(), "tmx"))
        name += ".tmx";
    return name;
}
