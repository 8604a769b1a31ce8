// The import source probe: extension first, then the file itself.
#include "tabs/scenes/import/SceneImportProbe.h"

#include "tabs/scenes/SceneReferences.h"
#include "tabs/scenes/import/SceneImportKinds.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <string>

using namespace Zelkoran;

namespace {

void clearGIFCache(SceneSourceProbe& found)
{
    found.gifProbeValid = false;
    found.gifProbePath.clear();
    found.gifWidth = found.gifHeight = found.gifFrameCount = found.gifDurationMs = 0;
}

} // namespace

SceneImportProbe::Kind SceneImportProbe::classify(const string& ext, bool newScene)
{
    const SceneImportKind* kind = sceneImportKindOf(ext.c_str(), newScene);
    return kind ? Kind{kind->sourceType, kind->fileKind} : Kind{};
}

SceneSourceFacts SceneImportProbe::probe(SceneLayerImportOptions& o, SceneSourceProbe& found, const string& path,
                                         bool newScene)
{
    string ext;
    SceneReferences::getExtensionLower(path, ext);
    o.sourcePath = path;
    clearGIFCache(found);
    // A Universal VTT file may have been probed before: its source decides.
    if (const SceneImportKind* kind = sceneImportKindOf(ext.c_str(), true); !kind || kind->sourceType != SST_UVTT) {
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
