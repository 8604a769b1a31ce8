// The two import actions of the scene tab, Add layer and Import Scene: the
// dialog, the checks, the importer for the kind of source, then the scene
// stored as its block and the tab reloaded from what was stored.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "import/scene/ImageLayer.h"
#include "import/scene/SceneImportChecks.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_surface.h>

#include <string>

using namespace Zelkoran;

namespace {

Tool* tool() { return Main::instance()->tool(); }

const char* framesFailure(bool gif)
{
    return gif ? "GIF could not be converted to an animated tile layer."
               : "Video could not be converted to an animated tile layer.";
}

} // namespace

int CtrlScenes::onAddLayer()
{
    Scene* target = sceneHandle > 0 ? Main::instance()->sceneMgr()->get(sceneHandle) : nullptr;
    if (!target)
        return -1;
    SceneLayerImportOptions o = defaultImportOptions(false);
    o.targetLayer = target->getLayerCount(0) + 1;
    // New tiles lie on the scene's grid.
    if (target->getTileWidth() > 0 && target->getTileHeight() > 0)
        o.tileWidth = target->getTileWidth(), o.tileHeight = target->getTileHeight();
    string title, message;
    for (;;) {
        if (!importDialog.showAddLayerDialog(o, target))
            return -1;
        if (checks.validateImportOptions(target, o, false, title, message))
            break;
        showBox(title, message, MBB_OK, MBT_WARNING, 0);
    }
    string summary, error;
    if (o.sourceType == 2) {
        const bool gif = o.fileKind == 3;
        const char* progressTitle = gif ? "Import GIF layer" : "Import video layer";
        VideoImportProgressUI ui = openVideoImportProgressUI(Main::instance(), resourceManager, progressTitle,
                                                             o.frameCount);
        const int rc = gif ? importGIFAnimatedLayer(target, o, ui.progressBar, &summary)
                           : importVideoLayer(target, o, ui.progressBar, &summary);
        closeVideoImportProgressUI(Main::instance(), ui);
        if (rc == IR_CANCELLED)
            return -1;
        if (rc != 0) {
            showBox(progressTitle, framesFailure(gif), MBB_OK, MBT_ERROR, 0);
            return -1;
        }
        if (saveAndRefreshScene(target, exportName(), o.targetLayer, progressTitle) != 0)
            return -1;
        showBox(progressTitle,
                summary.empty() ? (gif ? "GIF was converted to an animated tile layer."
                                       : "Video was converted to an animated tile layer.")
                                : summary,
                MBB_OK, MBT_INFORMATION, 0);
        return 0;
    }
    if (o.sourceType == 4) {
        constexpr const char* kTitle = "Import UVTT layers";
        if (importUVTT(target, o, false, summary, error) != 0) {
            showBox(kTitle, error.empty() ? "UVTT could not be converted into Scene layers." : error, MBB_OK,
                    MBT_ERROR, 0);
            return -1;
        }
        if (saveAndRefreshScene(target, exportName(), o.targetLayer, kTitle) != 0)
            return -1;
        showBox(kTitle, summary, MBB_OK, MBT_INFORMATION, 0);
        return 0;
    }
    const int rc = o.fileKind == 3 ? importGIFImageLayer(target, o, o.layerName)
                                   : ::importImageLayer(target, o, o.layerName);
    if (rc != 0) {
        showBox("Add image layer", "Image could not be imported as a Scene layer.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    return saveAndRefreshScene(target, exportName(), o.targetLayer, "Add image layer") == 0 ? 0 : -1;
}

int CtrlScenes::onCreateSceneFromSource()
{
    // What the tab holds unsaved would go with the new scene.
    if (isDirty() && showBox("New Scene",
                             "The open Scene has unsaved changes.\n\nThey will be lost.\n\nDo you want to continue?",
                             MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return -1;
    SceneLayerImportOptions o = defaultImportOptions(true);
    string title, message;
    for (;;) {
        if (!importDialog.showSceneImportDialog(o, nullptr, true))
            return -1;
        if (checks.validateImportOptions(nullptr, o, true, title, message))
            break;
        showBox(title, message, MBB_OK, MBT_WARNING, 0);
    }
    if (!tool()->fileCheckExtension(o.layerName.c_str(), "tmx"))
        o.layerName += ".tmx";
    const string sceneName = o.layerName;
    if (!acceptBlockName(sceneName, "New Scene"))
        return -1;
    // The archive replaces a block of the same name: never silently.
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    if (archive && archive->blockSearch(Archive::Block(sceneName.c_str(), "ZK7_XML")) >= 0 &&
        showBox("File exists",
                "The file \"" + sceneName +
                    "\" already exists in the QEL.\n\nThe import will overwrite it.\n\nDo you want to continue?",
                MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return -1;

    if (o.sourceType == 3) {
        if (onImportFullTMX(o.sourcePath, sceneName) != 0)
            return -1;
        return loadStoredBlock(sceneName);
    }

    SceneMgr* scenes = Main::instance()->sceneMgr();
    closeResources();
    sceneHandle = scenes->create(sceneName.c_str(), 0);
    Scene* created = sceneHandle > 0 ? scenes->get(sceneHandle) : nullptr;
    const auto discard = [&] {
        if (sceneHandle > 0)
            scenes->close(sceneHandle);
        sceneHandle = 0;
        sceneModified = false;
        setDirty(false);
        return -1;
    };
    if (!created) {
        discard();
        showBox("New Scene", "Could not create the Scene.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    const string fileName = tool()->fileGetName(o.sourcePath.c_str());
    o.targetLayer = 1;
    string summary, error;
    const bool gif = o.fileKind == 3;
    switch (o.sourceType) {
    case 0:
        // An empty map still needs its grid to load.
        if (created->setTileSize(o.tileWidth, o.tileHeight) != 0) {
            showBox("New Scene", "Could not create the Scene.", MBB_OK, MBT_ERROR, 0);
            return discard();
        }
        break;
    case 1:
        if ((gif ? importGIFImageLayer(created, o, fileName) : ::importImageLayer(created, o, fileName)) != 0) {
            showBox("New Scene", "Image could not be imported as the first Scene layer.", MBB_OK, MBT_ERROR, 0);
            return discard();
        }
        break;
    case 2: {
        if (WidgetTextEdit* field = panel->getTextEdit(BW_NAME))
            field->setText(sceneName.c_str());
        const bool ok = gif ? checks.validateGIFLayerImport(created, o, message)
                            : checks.validateVideoLayerImport(created, o, message);
        if (!ok) {
            showBox("New Scene", message.empty() ? "Video import settings are invalid." : message, MBB_OK,
                    MBT_WARNING, 0);
            return discard();
        }
        o.layerName = fileName;
        VideoImportProgressUI ui = openVideoImportProgressUI(
            Main::instance(), resourceManager, gif ? "Creating GIF Scene" : "Creating video Scene", o.frameCount);
        const int rc = gif ? importGIFAnimatedLayer(created, o, ui.progressBar, &summary)
                           : importVideoLayer(created, o, ui.progressBar, &summary);
        closeVideoImportProgressUI(Main::instance(), ui);
        if (rc != 0) {
            if (rc != IR_CANCELLED)
                showBox("New Scene", framesFailure(gif), MBB_OK, MBT_ERROR, 0);
            return discard();
        }
        break;
    }
    case 4:
        if (importUVTT(created, o, true, summary, error) != 0) {
            showBox("New UVTT Scene", error.empty() ? "UVTT could not be converted into a Scene." : error, MBB_OK,
                    MBT_ERROR, 0);
            return discard();
        }
        break;
    default:
        showBox("New Scene", "Unsupported source type.", MBB_OK, MBT_WARNING, 0);
        return discard();
    }
    if (WidgetTextEdit* field = panel->getTextEdit(BW_NAME))
        field->setText(sceneName.c_str());
    if (saveAndRefreshScene(created, sceneName, 1, "New Scene") != 0)
        return -1;
    switch (o.sourceType) {
    case 0: showBox("New Scene", "Empty Scene was created.", MBB_OK, MBT_INFORMATION, 0); break;
    case 1: showBox("New Scene", "Scene was created.", MBB_OK, MBT_INFORMATION, 0); break;
    case 2:
        showBox("New Scene",
                summary.empty() ? (gif ? "GIF was converted to an animated tile layer."
                                       : "Video was converted to an animated tile layer.")
                                : summary,
                MBB_OK, MBT_INFORMATION, 0);
        break;
    default: showBox("New UVTT Scene", summary, MBB_OK, MBT_INFORMATION, 0); break;
    }
    return 0;
}

int CtrlScenes::saveAndRefreshScene(Scene* scene, const string& sceneName, int selectLayer, const string& title)
{
    if (!scene)
        return -1;
    const auto keepDirty = [&] {
        sceneModified = true;
        setDirty(true);
        return -1;
    };
    if (sceneName.empty()) {
        showBox(title, "Scene name is required to save imported resources to the QEL.", MBB_OK, MBT_ERROR, 0);
        return keepDirty();
    }
    if (saveSceneBlockToQEL(scene, sceneName, title) != 0)
        return keepDirty();
    return refreshAfterLayerImport(sceneName, selectLayer, title);
}

int CtrlScenes::refreshAfterLayerImport(const string& sceneName, int selectLayer, const string& title)
{
    if (sceneName.empty())
        return -1;
    const auto cleanWarning = [&](const char* text) {
        showBox(title, text, MBB_OK, MBT_WARNING, 0);
        sceneModified = false;
        setDirty(false);
        return -1;
    };
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    if (!archive)
        return cleanWarning("Layer was saved, but the QEL archive could not be refreshed.");
    document.setupBlockParams(sceneName);
    held.replace(nullptr, 0);
    if (archive->blockSearch(held.block()) < 0 || archive->blockLoad(held.block()) != 0)
        return cleanWarning("Layer was saved, but the updated Scene could not be reloaded from the QEL.");
    // A stored block of no bytes (or beyond kMaxLoadSize) is held as no text.
    const uint64_t size = held.block().size;
    const int length = size >= 1 && size <= BlockText::kMaxLoadSize ? static_cast<int>(size) : 0;
    unsigned char* copy = BlockText::copyLoaded(held.block(), 1);
    archive->blockFree(held.block());
    if (length > 0 && !copy)
        return cleanWarning("Layer was saved, but the updated Scene buffer could not be allocated.");
    // The scene imported into goes; the tab works on the reloaded one.
    document.closeScene();
    held.replace(copy, length);
    string extension;
    SceneReferences::getExtensionLower(sceneName, extension);
    if (extension == "tmx") {
        if (WidgetLabel* type = panel->getLabel(SW_TYPE))
            type->setText(SceneBlockKind::label(extension, document.isZK7SceneBuffer()), type->getTextX(), type->getTextY());
        setUsable(SW_RENDER, true);
    }
    sceneModified = false;
    setDirty(false);
    globalStatus->bSecured = archive->isEncrypted() || archive->isEncryptedBlocks();
    globalStatus->bReparseAll = 1;
    currentItemName = sceneName;
    refreshBlockListAndSelect(sceneName);
    checkAndPopulateASCII(held.bytes(), held.size(), held.mode(), held.endsWithNewline(), SW_TEXT);
    setUsable(SW_TEXT, held.mode() != AM_BINARY);
    layers.remember(selectLayer);
    if (document.loadTileEngineFromBuffer(sceneName) != 0) {
        document.closeScene();
        layers.clear();
        showBox(title,
                "Layer was saved, but the updated Scene could not be reloaded for editing.\n\n" +
                    string(Main::instance()->sceneMgr()->getLastError()),
                MBB_OK, MBT_WARNING, 0);
        return -1;
    }
    updateData();
    return 0;
}
