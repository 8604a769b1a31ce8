#include "tabs/scenes/import/FrameSequenceSources.h"

#include "import/scene/FrameImportResult.h"
#include "import/scene/GIFLayers.h"
#include "import/scene/VideoLayer.h"
#include "tabs/scenes/import/SceneImportValidation.h"
#include "tabs/scenes/import/StillSceneSources.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

using namespace Zelkoran;

bool FrameSequenceSource::check(SceneImportCheck& asked) const
{
    if (!asked.checks.validatePictureGrid(asked))
        return false;
    if (checkFile(asked, asked.message))
        return true;
    if (asked.message.empty())
        asked.message = "Video import settings are invalid.";
    return false;
}

SceneImportResult FrameSequenceSource::import(SceneImportJob& job) const
{
    SceneImportResult result{.title = job.newScene ? "New Scene" : layerTitle()};
    SceneLayerImportOptions layer = job.request;
    if (job.newScene) {
        // The first checks ran without a scene to store into.
        string title;
        const SceneImportCheck again{*job.checks, layer, job.found, job.scene, true, title, result.message};
        if (!checkFile(again, result.message)) {
            if (result.message.empty())
                result.message = "Video import settings are invalid.";
            result.code = -1;
            result.warning = true;
            return result;
        }
        layer.layerName = Main::instance()->tool()->fileGetName(layer.sourcePath.c_str());
    }
    ImportProgress* bar =
        job.progress ? job.progress->open(job.newScene ? sceneTitle() : layerTitle(), layer.frameCount) : nullptr;
    string summary;
    result.code = convert(job.scene, layer, bar, &summary);
    if (job.progress)
        job.progress->close();
    if (result.code == IR_CANCELLED)
        result.cancelled = true;
    else if (result.code != 0)
        result.message = string(noun()) + " could not be converted to an animated tile layer.";
    else
        result.message = summary.empty() ? string(noun()) + " was converted to an animated tile layer." : summary;
    return result;
}

SceneSourceFacts GifAnimationSource::probe(SceneLayerImportOptions& o, SceneSourceProbe& found, bool) const
{
    return probeGIF(o, found);
}

bool GifAnimationSource::checkFile(const SceneImportCheck& asked, string& message) const
{
    return asked.checks.validateGIFLayerImport(asked.scene, asked.request, asked.found, message);
}

int GifAnimationSource::convert(Scene* scene, const SceneLayerImportOptions& o, ImportProgress* progress,
                                string* summary) const
{
    return importGIFAnimatedLayer(scene, o, progress, summary);
}

SceneSourceFacts VideoSource::probe(SceneLayerImportOptions& o, SceneSourceProbe&, bool) const
{
    SceneSourceFacts facts;
    getVideoMetadata(Main::instance(), o.sourcePath.c_str(), facts.width, facts.height, facts.durationMs);
    facts.kindText = "video";
    return facts;
}

bool VideoSource::checkFile(const SceneImportCheck& asked, string& message) const
{
    return asked.checks.validateVideoLayerImport(asked.scene, asked.request, message);
}

int VideoSource::convert(Scene* scene, const SceneLayerImportOptions& o, ImportProgress* progress,
                         string* summary) const
{
    return importVideoLayer(scene, o, progress, summary);
}
