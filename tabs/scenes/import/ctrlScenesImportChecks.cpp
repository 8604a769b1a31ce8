// The scene tab's import option defaults and save checks.
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/SceneImportChecks.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include <cstdio>

using namespace Zelkoran;

CtrlScenes::SceneLayerImportOptions CtrlScenes::defaultImportOptions(bool newScene) const
{
    SceneLayerImportOptions options;
    options.sourceType = newScene ? 0 : 1;
    options.fileKind = newScene ? 0 : 1;
    return options;
}

bool CtrlScenes::validateSceneImportSaveContext(Scene* scene, string& message) const
{
    if (!scene)
        return true;
    if (!panel || exportName().empty()) {
        message = "Scene name is required to save imported resources to the QEL.";
        return false;
    }
    if (globalStatus->sArchivePath.empty()) {
        message = "QEL filename is not available.";
        return false;
    }
    if (!Main::instance()->archiveMgr()->get(globalStatus->iArchiveID)) {
        message = "QEL archive is not available.";
        return false;
    }
    return true;
}

