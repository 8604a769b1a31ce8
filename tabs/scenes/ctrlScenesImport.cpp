// Import of Tiled files from disk: TSX tile sets (as text, or in full with
// their images stored as image blocks), TX templates (as text) and TMX maps
// (in full: the map with its tile sets, templates and images).
#include "tabs/scenes/ctrlScenes.h"

#include "services/ArchiveFailureText.h"
#include "services/GlobalStatus.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/ctrlBaseControls.h"
#include "tabs/scenes/SceneChoiceIds.h"
#include "tabs/scenes/SceneRecursiveDelete.h"
#include "tabs/scenes/SceneTileSetImport.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace {

constexpr const char* kTileSetTitle = "TileSet import";
constexpr const char* kMapTitle = "TileMap import";
constexpr const char kTileSetFilter[] = "Tiled TileSets and Templates\0*.tsx;*.tx\0"
                                        "Tiled TileSets (*.tsx)\0*.tsx\0"
                                        "Tiled Templates (*.tx)\0*.tx\0"
                                        "All Files\0*.*\0";

Tool* tool() { return Main::instance()->tool(); }

} // namespace

void CtrlScenes::onImportButton()
{
    const int chosen = ::choiceBox(
        tabServices(), "Scene Import", "Choose the action to perform.",
        {{SC_SCENE, "Import Scene", "Import a Scene from TMX, image, video, or Universal VTT.", "Import Scene"},
         {SC_TILE_SET, "Import TileSet/Template", "Import a TSX TileSet or TX Template file.", "Import TSX/TX"}},
        "Cancel");
    if (chosen == SC_SCENE)
        importScene();
    else if (chosen == SC_TILE_SET && onImport() == 0)
        setDirty(true);
    // The base panel's rules ran before the import filled the name field:
    // Save must follow what is held now.
    refreshWidgets();
}

void CtrlScenes::importScene()
{
    SceneLayerImport::NewScene asked;
    if (!layerImport.askNewScene(isDirty(), asked))
        return;
    if (asked.source && !asked.source->startsEmpty()) {
        if (onImportFullTMX(asked) == 0)
            loadStoredBlock(asked.name);
        return;
    }
    const string previous = tabServices().selectedListName();
    closeResources();
    const bool started = document.startScene(asked.name);
    // A cancelled or failed import leaves the tab with the block it held
    // before, as stored, or with nothing.
    const auto discard = [&] {
        document.closeScene();
        document.setModified(false);
        if (previous.empty() || loadStoredBlock(previous) != 0)
            onNew();
    };
    if (!started) {
        discard();
        tabServices().messageBox("New Scene", "Could not create the Scene.", MBB_OK, MBT_ERROR, 0);
        return;
    }
    SceneImportResult result;
    if (layerImport.importNewScene(asked, result) != 0) {
        discard();
        return;
    }
    SceneRecursiveDelete sweep(tabServices(), references);
    const Vector<string> replaced = sweep.ownImageSources(asked.name);
    if (document.storeScene(document.scene(), asked.name, "New Scene") != 0) {
        document.setModified(true);
        setDirty(true);
        return;
    }
    sweep.removeUnnamedHiddenPictures(replaced);
    if (takeStoredImport(asked.name, 1, "New Scene") == 0)
        tabServices().messageBox(result.title, result.message, MBB_OK, MBT_INFORMATION, 0);
}

void CtrlScenes::addLayers()
{
    const bool wasModified = document.modified(), wasDirty = isDirty();
    // The stored scene is shown afterwards, in place of text typed that is no scene.
    const bool typedLost = document.textBoxDiffers();
    SceneImportResult result;
    int selectLayer = 1;
    if (layerImport.addLayers(result, selectLayer) != 0)
        return;
    const string name = document.name();
    if (saveSceneBlockToQEL(document.scene(), name, result.title) != 0) {
        // Nothing was stored: the scene is built again from the held text,
        // which every earlier layer edit rewrote, so no half-made layer stays
        // behind.
        if (document.loadTileEngineFromBuffer(name) == 0) {
            document.setModified(wasModified);
            setDirty(wasDirty);
        }
        return;
    }
    if (takeStoredImport(name, selectLayer, result.title) != 0)
        return;
    if (!result.message.empty())
        tabServices().messageBox(result.title, result.message, MBB_OK, MBT_INFORMATION, 0);
    if (typedLost)
        document.reportTypedTextReplaced();
}

int CtrlScenes::takeStoredImport(const string& name, int selectLayer, const string& title)
{
    const int taken = layerImport.takeStored(name, title);
    setDirty(false);
    if (taken != 0)
        return -1;
    setCurrentItemName(name);
    refreshBlockListAndSelect(name);
    return layerImport.rebuildStored(name, selectLayer, title);
}

int CtrlScenes::onImport()
{
    GlobalStatus& status = tabServices().status();
    string path;
    if (!tool()->fileOpenDialog("Import a Tiled TileSet/Template", kTileSetFilter, path))
        return -1;
    string extension;
    SceneReferences::getExtensionLower(path, extension);
    if (extension == "tmx") {
        tabServices().messageBox("Scene Import", "Use Create or import Scene for TMX files.", MBB_OK, MBT_WARNING, 0);
        return -1;
    }
    if (extension != "tx" && extension != "tsx") {
        tabServices().messageBox("Scene Import", "Only TSX TileSet and TX Template files are supported here.", MBB_OK,
                                 MBT_WARNING, 0);
        return -1;
    }
    int mode = SC_ALONE;
    if (extension == "tsx")
        mode = ::choiceBox(
            tabServices(), "Import Tiled TileSet", "Choose the import mode.",
            {{SC_FULL, "Full Integration", "Import the TSX together with referenced TileSets and images.", "Import Full"},
             {SC_ALONE, "TSX Only", "Import only the TSX file content. Referenced resources are not added.",
              "Import TSX"}},
            "Cancel");
    if (mode == CtrlBaseControls::CB_CANCEL)
        return -1;
    if (mode == SC_FULL) {
        const string name = SceneTileSetImport::blockNameFor(path);
        if (!tabServices().acceptBlockName(name, kTileSetTitle))
            return -1;
        if (tileSets.blockExists(name, SceneDocument::kBlockType) &&
            tabServices().messageBox(
                "File exists",
                "The file \"" + name +
                    "\" already exists in the QEL.\n\nFull integration will overwrite the existing file and all "
                    "its dependencies.\n\nDo you want to continue?",
                MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
            return -1;
        const int stored = tileSets.onImportFullTSX(path, name);
        if (stored >= 0)
            parseQEL();
        if (stored != 0 || loadStoredBlock(name) != 0)
            return -1;
        tabServices().messageBox("Import successful", "TileMap and all resources successfully integrated into QEL.",
                                 MBB_NONE, MBT_INFORMATION, 2000);
        status.bReparseAll = 1;
        return 0;
    }
    // A template, or a tile set as text: unsaved, under the file's name (the
    // name field still names the block held before). Saving it replaces a
    // block of that name, so that is agreed to first.
    const string name = SceneTileSetImport::blockNameFor(path);
    if (tileSets.blockExists(name, SceneDocument::kBlockType) &&
        tabServices().messageBox(
            "File exists",
            "The file \"" + name +
                "\" already exists in the QEL.\n\nSaving the import will overwrite it.\n\nDo you want to continue?",
            MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return -1;
    unsigned char* bytes = nullptr;
    int size = 0;
    if (SceneTileSetImport::loadFileToBuffer(path, bytes, size) != 0) {
        tabServices().messageBox(kMapTitle, "TileMap could not be imported.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    closeResources();
    held.replace(bytes, size);
    setCurrentItemName("");
    document.showName(name);
    status.bReparseAll = 1;
    document.checkMapType();
    updateData();
    return 0;
}

int CtrlScenes::onImportFullTMX(const SceneLayerImport::NewScene& asked)
{
    GlobalStatus& status = tabServices().status();
    const string& sceneName = asked.name;
    SceneImportJob job{.request = asked.request,
                       .found = asked.found,
                       .newScene = true,
                       .archivePath = status.sArchivePath,
                       .archiveId = status.iArchiveID};
    const SceneImportResult loaded = asked.source->import(job);
    if (loaded.code != 0) {
        // The outside file's codes are not the archive's: only a cause that
        // stands alone is told; a refusal is told by the menu.
        const string cause = saveFailureCause(loaded.code);
        tabServices().messageBox(loaded.title, cause.empty() ? loaded.message : cause, MBB_OK, MBT_ERROR, 0);
        if (loaded.archiveChanged) {
            status.bReparseAll = 1;
            parseQEL();
        }
        return -1;
    }
    SceneRecursiveDelete sweep(tabServices(), references);
    const Vector<string> replaced = sweep.ownImageSources(sceneName);
    const int rc = document.storeScene(job.scene, sceneName, loaded.title);
    Main::instance()->sceneMgr()->close(job.scene->getID());
    if (rc == 0)
        sweep.removeUnnamedHiddenPictures(replaced);
    status.bReparseAll = 1;
    parseQEL();
    return rc == 0 ? 0 : -1;
}

int CtrlScenes::loadStoredBlock(const string& name)
{
    GlobalStatus& status = tabServices().status();
    closeResources();
    if (selectBlockListItemByName(name) == 1)
        setCurrentItemName(name);
    if (document.holdStoredBlock(name) != 0) {
        showNoContent();
        return -1;
    }
    document.showName(name);
    setDirty(false); // what is held is what is stored
    const Archive* archive = Main::instance()->archiveMgr()->get(status.iArchiveID);
    status.bSecured = archive && isSecured(*archive);
    document.checkMapType();
    updateData();
    return 0;
}
