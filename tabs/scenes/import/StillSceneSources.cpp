#include "tabs/scenes/import/StillSceneSources.h"

#include "import/scene/GIFLayers.h"
#include "import/scene/ImageLayer.h"
#include "tabs/scenes/import/SceneImportValidation.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>

#include <algorithm>

using namespace Zelkoran;

// No file: nothing to read.
SceneSourceFacts EmptySceneSource::probe(SceneLayerImportOptions&, SceneSourceProbe&, bool) const { return {}; }

bool EmptySceneSource::check(SceneImportCheck& asked) const
{
    if (asked.request.tileWidth >= 1 && asked.request.tileHeight >= 1)
        return true;
    asked.message = "Tile width and height are required for an empty Scene.";
    return false;
}

SceneImportResult EmptySceneSource::import(SceneImportJob& job) const
{
    // An empty map still needs its grid to load.
    if (job.scene->setTileSize(job.request.tileWidth, job.request.tileHeight) != 0)
        return {.code = -1, .title = "New Scene", .message = "Could not create the Scene."};
    return {.title = "New Scene", .message = "Empty Scene was created."};
}

SceneSourceFacts StillPictureSource::probe(SceneLayerImportOptions& o, SceneSourceProbe&, bool) const
{
    SceneSourceFacts facts;
    Main::instance()->imageMgr()->statedSize(o.sourcePath.c_str(), &facts.width, &facts.height);
    facts.kindText = "image";
    return facts;
}

bool StillPictureSource::check(SceneImportCheck& asked) const
{
    if (!asked.checks.validatePictureGrid(asked))
        return false;
    if (checkFile(asked, asked.message))
        return true;
    if (asked.message.empty())
        asked.message = "Image import settings are invalid.";
    return false;
}

bool StillPictureSource::checkFile(const SceneImportCheck& asked, string& message) const
{
    return asked.checks.validateImageLayerImport(asked.scene, asked.request, message);
}

int StillPictureSource::importLayer(Scene* scene, const SceneLayerImportOptions& o, const string& layerName) const
{
    return importImageLayer(scene, o, layerName);
}

SceneImportResult StillPictureSource::import(SceneImportJob& job) const
{
    const SceneLayerImportOptions& o = job.request;
    if (!job.newScene) {
        if (importLayer(job.scene, o, o.layerName) != 0)
            return {.code = -1, .title = "Add image layer", .message = "Image could not be imported as a Scene layer."};
        return {.title = "Add image layer"};
    }
    const int rc = importLayer(job.scene, o, Main::instance()->tool()->fileGetName(o.sourcePath.c_str()));
    if (rc != 0)
        return {.code = rc, .title = "New Scene", .message = "Image could not be imported as the first Scene layer."};
    return {.title = "New Scene", .message = "Scene was created."};
}

SceneSourceFacts probeGIF(SceneLayerImportOptions& o, SceneSourceProbe& found)
{
    // The most frames an animation samples.
    constexpr int kMaxFrames = 256;
    SceneSourceFacts facts;
    int width = 0, height = 0, frames = 0, totalMs = 0;
    if (!getGIFMetadata(o.sourcePath, width, height, frames, totalMs)) {
        o.sourceType = SST_NONE;
        o.fileKind = SFK_OTHER;
        return facts;
    }
    found.gifProbeValid = true;
    found.gifProbePath = o.sourcePath;
    found.gifWidth = width, found.gifHeight = height, found.gifFrameCount = frames, found.gifDurationMs = totalMs;
    o.sourceType = frames > 1 ? SST_FRAMES : SST_IMAGE;
    if (frames > 1) {
        o.durationMs = totalMs > 0 ? totalMs : 1;
        o.frameCount = std::min(frames, kMaxFrames);
    }
    facts.width = width, facts.height = height, facts.durationMs = totalMs;
    facts.kindText = frames > 1 ? "gif animation" : "gif image";
    return facts;
}

SceneSourceFacts GifPictureSource::probe(SceneLayerImportOptions& o, SceneSourceProbe& found, bool) const
{
    return probeGIF(o, found);
}

bool GifPictureSource::checkFile(const SceneImportCheck& asked, string& message) const
{
    return asked.checks.validateGIFLayerImport(asked.scene, asked.request, asked.found, message);
}

int GifPictureSource::importLayer(Scene* scene, const SceneLayerImportOptions& o, const string& layerName) const
{
    return importGIFImageLayer(scene, o, layerName);
}
