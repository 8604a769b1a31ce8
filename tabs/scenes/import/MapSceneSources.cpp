#include "tabs/scenes/import/MapSceneSources.h"

#include "import/scene/UvttImport.h"
#include "import/scene/UvttProbe.h"
#include "tabs/scenes/import/SceneImportValidation.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

using namespace Zelkoran;

namespace {

constexpr const char* kMapTitle = "TileMap import";

// Applied once per Universal VTT file: a second choice of the same file
// keeps what the user switched since. Layers added to a scene keep the
// scene's tile size, which the request holds already.
void presetUVTT(SceneLayerImportOptions& o, const SceneSourceProbe& found, bool newScene)
{
    o.uvttMapMode = found.uvttHasImage ? 0 : 2;
    o.uvttImportWalls = found.uvttWallCount > 0;
    o.uvttImportObjects = found.uvttObjectCount > 0;
    o.uvttImportPortals = found.uvttMergedPortalCount > 0;
    o.uvttMergePortals = found.uvttCreator.find("Arkenforge") != String::npos &&
                         found.uvttMergedPortalCount < found.uvttPortalSegmentCount;
    o.uvttImportLights = found.uvttLightCount > 0 && !found.uvttBakedLighting;
    o.uvttBlockMovement = false;
    if (newScene)
        o.tileWidth = o.tileHeight = found.uvttPixelsPerGrid;
    o.matchPercent = 100.0f;
    o.padToTile = false;
}

} // namespace

SceneSourceFacts TiledMapSource::probe(SceneLayerImportOptions&, SceneSourceProbe&, bool) const
{
    return {.kindText = "tmx"};
}

bool TiledMapSource::check(SceneImportCheck&) const { return true; }

SceneImportResult TiledMapSource::import(SceneImportJob& job) const
{
    SceneMgr* scenes = Main::instance()->sceneMgr();
    const int id = scenes->loadFromFile(job.request.sourcePath.c_str(), nullptr);
    if (id <= 0)
        return {.code = -1,
                .title = kMapTitle,
                .message = "Failed to load TileMap. File may be invalid or dependencies missing.\n\n" +
                           string(scenes->getLastError())};
    Scene* imported = scenes->get(id);
    // The tile sets, templates and images come into the archive too, so
    // that the stored map needs no file beside it.
    const int stored = imported ? imported->storeDependencies(job.archiveId) : -1;
    if (stored < 0) {
        scenes->close(id);
        return {.code = stored,
                .archiveChanged = imported != nullptr,
                .title = kMapTitle,
                .message = "Failed to save TileMap resources to QEL."};
    }
    job.scene = imported;
    return {.title = kMapTitle};
}

SceneSourceFacts UvttSource::probe(SceneLayerImportOptions& o, SceneSourceProbe& found, bool newScene) const
{
    const bool probedBefore = found.uvttMetadataValid && found.uvttProbePath == o.sourcePath;
    string error;
    if (getUVTTMetadata(o.sourcePath, found, error) && !probedBefore)
        presetUVTT(o, found, newScene);
    SceneSourceFacts facts;
    if (found.uvttMetadataValid)
        facts.width = found.uvttPixelWidth, facts.height = found.uvttPixelHeight;
    facts.kindText = found.uvttMetadataValid ? "universal vtt" : "invalid uvtt";
    return facts;
}

bool UvttSource::check(SceneImportCheck& asked) const
{
    asked.title = asked.newScene ? "New UVTT Scene" : "Import UVTT layers";
    return asked.checks.validateUVTTImport(asked.scene, asked.request, asked.found, asked.newScene, asked.message);
}

SceneImportResult UvttSource::import(SceneImportJob& job) const
{
    SceneImportResult result{.title = job.newScene ? "New UVTT Scene" : "Import UVTT layers"};
    string summary;
    result.code = importUVTTScene(job.scene, job.request, job.found, job.newScene, job.archivePath, summary,
                                  result.message);
    if (result.code == 0)
        result.message = summary;
    else if (result.message.empty())
        result.message = job.newScene ? "UVTT could not be converted into a Scene."
                                      : "UVTT could not be converted into Scene layers.";
    return result;
}
