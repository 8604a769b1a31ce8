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
    if (o.fileKind == 3 && (o.sourceType == 1 || o.sourceType == 2))
        return o.sourceType == 1 ? "gif image" : "gif animation";
    switch (o.sourceType) {
    case 1: return "image";
    case 2: return "video";
    case 3: return "tmx";
    case 4: return o.uvttMetadataValid ? "universal vtt" : "invalid uvtt";
    default: return "unsupported";
    }
}

} // namespace

SceneImportProbe::Kind SceneImportProbe::classify(const string& ext, bool newScene)
{
    if (ext == "png" || ext == "bmp" || ext == "gif")
        return {1, ext == "gif" ? 3 : 1};
    if (ext == "mp4" || ext == "m4v" || ext == "mov" || ext == "avi" || ext == "h264" || ext == "264")
        return {2, 2};
    if (isUVTT(ext))
        return {4, 0};
    if (ext == "tmx" && newScene)
        return {3, 0};
    return {};
}

SceneSourceFacts SceneImportProbe::probe(SceneLayerImportOptions& o, const string& path, bool newScene)
{
    string ext;
    SceneReferences::getExtensionLower(path, ext);
    // Decided before anything changes: the cache may belong to this file.
    const bool uvttCached = o.uvttMetadataValid && o.uvttProbePath == path;
    o.sourcePath = path;
    o.sourceType = o.fileKind = 0;
    clearGIFCache(o);
    if (!isUVTT(ext)) {
        o.uvttMetadataValid = false;
        o.uvttProbePath.clear();
        o.uvttProbeError.clear();
    }
    SceneSourceFacts facts;
    const Kind kind = classify(ext, newScene);
    if (kind.fileKind == 3) {
        int width = 0, height = 0, frames = 0, totalMs = 0;
        if (CtrlScenes::getGIFMetadata(path, width, height, frames, totalMs)) {
            o.gifProbeValid = true;
            o.gifProbePath = path;
            o.gifWidth = width, o.gifHeight = height, o.gifFrameCount = frames, o.gifDurationMs = totalMs;
            o.fileKind = 3;
            o.sourceType = frames > 1 ? 2 : 1;
            if (frames > 1) {
                o.durationMs = totalMs > 0 ? totalMs : 1;
                o.frameCount = std::min(frames, kMaxFrames);
            }
            facts.width = width, facts.height = height, facts.durationMs = totalMs;
        }
    } else if (kind.sourceType == 4) {
        o.sourceType = 4;
        string error;
        if (CtrlScenes::getUVTTMetadata(path, o, error) && !uvttCached)
            presetUVTT(o, newScene);
        if (o.uvttMetadataValid)
            facts.width = o.uvttPixelWidth, facts.height = o.uvttPixelHeight;
    } else {
        o.sourceType = kind.sourceType;
        o.fileKind = kind.fileKind;
        if (o.sourceType == 1)
            readPictureSize(path, facts.width, facts.height);
        else if (o.sourceType == 2)
            getVideoMetadata(Main::instance(), path.c_str(), facts.width, facts.height, facts.durationMs);
    }
    facts.kindText = kindText(o);
    return facts;
}

SceneImportProbe::string SceneImportProbe::proposedName(const SceneLayerImportOptions& o, bool newScene)
{
    if (o.sourceType == 0)
        return {};
    Tool* tool = Main::instance()->tool();
    string name = tool->fileGetName(o.sourcePath.c_str());
    if (newScene && !tool->fileCheckExtension(name.c_str(), "tmx"))
        name += ".tmx";
    return name;
}
