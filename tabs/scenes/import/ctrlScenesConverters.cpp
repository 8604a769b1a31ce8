// The scene tab's import entry points: the option record's defaults and the
// converters, which are the importer's (import/scene/); the tab's progress
// panel reports for them.
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/GIFLayers.h"
#include "import/scene/UvttImport.h"
#include "import/scene/UvttProbe.h"
#include "services/GlobalStatus.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/Scene.h>

using namespace Zelkoran;

CtrlScenes::SceneLayerImportOptions CtrlScenes::defaultImportOptions(bool newScene) const
{
    return SceneLayerImport::defaultImportOptions(newScene);
}

bool CtrlScenes::getGIFMetadata(const string& path, int& width, int& height, int& frameCount, int& totalMs)
{
    return ::getGIFMetadata(path, width, height, frameCount, totalMs);
}

int CtrlScenes::importGIFAnimatedLayer(Scene* scene, const SceneLayerImportOptions& o, WidgetProgress* progress,
                                       string* message)
{
    ImportProgress bar = widgetImportProgress(progress);
    return ::importGIFAnimatedLayer(scene, o, &bar, message);
}

bool CtrlScenes::getUVTTMetadata(const string& path, SceneLayerImportOptions& options, string& error)
{
    return ::getUVTTMetadata(path, options, error);
}

int CtrlScenes::importUVTT(Scene*& scene, const SceneLayerImportOptions& options, bool newScene, string& summary,
                           string& error)
{
    const int previous = scene ? scene->getID() : 0;
    const int rc = importUVTTScene(scene, options, newScene, globalStatus->sArchivePath, summary, error);
    document.followImport(previous, scene, rc == 0);
    return rc;
}
