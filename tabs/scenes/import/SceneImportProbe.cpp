// The import source probe: extension first, then the file itself.
#include "tabs/scenes/import/SceneImportProbe.h"

#include "tabs/scenes/SceneReferences.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <string>

using namespace Zelkoran;

namespace {

bool isUVTT(const SceneImportProbe::string& ext) { return ext == "uvtt" || ext == "dd2vtt" || ext == "df2vtt"; }

void clearGIFCache(SceneSourceProbe& found)
{
    found.gifProbeValid = false;
    found.gifProbePath.clear();
    found.gifWidth = found.gifHeight = found.gifFrameCount = found.gifDurationMs = 0;
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

SceneSourceFacts SceneImportProbe::probe(SceneLayerImportOptions& o, SceneSourceProbe& found, const string& path,
                                         bool newScene)
{
    string ext;
    SceneReferences::getExtensionLower(path, ext);
    o.sourcePath = path;
    clearGIFCache(found);
    // A Universal VTT file may have been probed before: its source decides.
    if (!isUVTT(ext)) {
        found.uvttMetadataValid = false;
        found.uvttProbePath.clear();
        found.uvttProbeError.clear();
    }
    const Kind kind = classify(ext, newScene);
    o.sourceType = kind.sourceType;
    o.fileKind = kind.fileKind;
    if (kind.sourceType == SST_NONE)
        return {};
    const SceneImportSource* source = sceneImportSource(o.sourceType, o.fileKind);
    return source ? source->probe(o, found, newScene) : SceneSourceFacts{};
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
