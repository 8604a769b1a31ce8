// The scene tab's controller: widgets, block filter, event dispatch, the
// selection of a block, and leaving and re-entering the tab.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneLayerRows.h"
#include "tabs/scenes/SceneViewport.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_mouse.h>

#include <cstring>

using namespace Zelkoran;

CtrlScenes::CtrlScenes(ResourceManager* rm, GlobalStatus* gs)
    : CtrlBase("Scenes", TAB_SCENES, rm, gs),
      held(&tabServices().panel(), {SW_TYPE, SW_SIZE, SW_BLOCKSIZE, SW_RAW, SW_COMPRESSED, SW_CRYPTED, SW_TEXT}),
      widgets(tabServices()), layers(tabServices()), viewport(tabServices()),
      preview(tabServices(), tabServices().resources().get(SR_BG_BLOCKY)),
      document(tabServices(), held, layers, viewport, widgets), references(tabServices(), getCurrentItemName()),
      exporter(tabServices(), held, references, document), tileSets(tabServices(), references),
      checks(tabServices(), document), importDialog(tabServices()),
      layerImport(tabServices(), held, document, layers, importDialog, checks)
{
    const GlobalStatus& status = tabServices().status();
    setBlockType(SceneDocument::kBlockType);
    tabServices().panel().baseWidget()->setSize(200, 610);
    widgets.build(tabServices().resources(), held, status.iWidth - 208, status.iHeight - 48);
    for (int id : {SW_RENDER, SW_BG_BLACK, SW_BG_WHITE, SW_BG_BLOCKY, SW_LAYERS, SW_ADD_LAYER, SW_REMOVE_LAYER,
                   SW_SHOW_LAYER, SW_WIDTH, SW_HEIGHT, SW_SET_VIEWPORT})
        tabServices().setUsable(id, false);
    widgets.tick(SW_BG_BLOCKY, true);
    CtrlScenes::onNew();
}

CtrlScenes::~CtrlScenes() { CtrlScenes::closeResources(); }

// --- small helpers ---


// --- list, dispatch, state ---

int CtrlScenes::parseQEL()
{
    const int rc = rebuildBlockList([this](const Archive::Block& candidate) {
        if (!acceptsByDefault(candidate, getBlockType()))
            return false;
        string extension;
        SceneReferences::getExtensionLower(string(candidate.name, strnlen(candidate.name, sizeof(candidate.name))),
                                           extension);
        return SceneBlockKind::isTiledExtension(extension);
    });
    // An archive opened or secured since New changes the storage a new block starts with.
    if (!held.bytes() && !isDirty())
        held.block().storage = tabServices().newBlockStorage(Archive::ST_COMPRESSED);
    held.followArchive(Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID));
    return rc;
}

int CtrlScenes::processEvent(int widgetId, int data)
{
    Panel& tabPanel = tabServices().panel();
    const GlobalStatus& status = tabServices().status();
    if (!tabPanel.getList(BW_LIST) || !tabPanel.getSlider(BW_SLIDER))
        return -1;
    showDueReloadWarning();
    // A failed selection must still leave Save disabled: with nothing held it
    // would write an empty block under the chosen name.
    const int handled = CtrlBase::processEvent(widgetId, data);
    switch (widgetId) {
    case SW_BG_BLOCKY:
    case SW_BG_WHITE:
    case SW_BG_BLACK:
        preview.chooseBackground(widgetId);
        break;
    case SW_RENDER:
        document.setPreviewOn(data != 0);
        if (document.previewOn() && document.handle() <= 0 && held.bytes() && held.size() >= 1) {
            const string name = document.name();
            if (name.empty() || document.loadTileEngineFromBuffer(name) != 0) {
                document.setPreviewOn(false);
                widgets.tick(SW_RENDER, false);
                if (!name.empty())
                    document.reportUnbuiltScene();
            }
        }
        if (document.previewOn() && document.handle() > 0)
            document.updateViewport();
        break;
    case SW_SET_VIEWPORT:
    case SW_WIDTH:
    case SW_HEIGHT:
        if (Scene* current = document.scene(); document.previewOn() && current && viewport.commit(*current)) {
            document.setModified(true);
            setDirty(true);
        }
        break;
    case SW_SHOW_LAYER:
        if (layers.setShown(document.scene(), data != 0)) {
            document.setModified(true);
            setDirty(true);
            document.textFollowsScene();
        }
        break;
    case SW_RAW:
    case SW_COMPRESSED:
    case SW_CRYPTED:
        held.takeStorageBox(widgetId, Main::instance()->archiveMgr()->get(status.iArchiveID));
        setDirty(true);
        break;
    case SW_TEXT: onTextEdit(); break;
    case SW_IMPORT: onImportButton(); break;
    case SW_EXPORT: exporter.onExport(status.sArchivePath); break;
    case SW_LAYERS:
        if (const Scene* current = document.scene())
            document.showLayerRow(*current, data);
        break;
    case SW_ADD_LAYER: addLayers(); break;
    case SW_REMOVE_LAYER:
        if (document.handle() > 0)
            onRemoveLayer();
        break;
    default: break;
    }
    applyWidgetRules();
    if (handled == -1)
        return -1;
    return held.bytes() && held.size() >= 1 ? 0 : 4;
}


void CtrlScenes::onTextEdit()
{
    if (!widgets.takeTextCommit()) {
        // A key typed: the text is taken at the commit; the tab is dirty as
        // soon as the box differs from the held text.
        if (document.textBoxDiffers())
            setDirty(true);
        return;
    }
    bool changed = false;
    if (document.refreshSceneFromTextBuffer(changed) != 0)
        reloadWarningDue = true;
    if (changed)
        setDirty(true);
}

int CtrlScenes::update()
{
    // The click that committed the text is over once no button is held.
    if (SDL_GetMouseState(nullptr, nullptr) == 0)
        showDueReloadWarning();
    return 0;
}

void CtrlScenes::showDueReloadWarning()
{
    if (!reloadWarningDue)
        return;
    reloadWarningDue = false;
    tabServices().messageBox("TileMap", "XML was modified but could not be reloaded as a Scene.", MBB_NONE, MBT_WARNING,
                             2500);
}

void CtrlScenes::applyWidgetRules()
{
    SceneTabFacts facts;
    facts.loaded = held.bytes() && held.size() >= 1;
    facts.text = held.mode() != AM_BINARY;
    string extension;
    SceneReferences::getExtensionLower(document.name(), extension);
    facts.mapName = extension == "tmx";
    facts.scene = document.handle() >= 1;
    facts.layerUsable = layers.selectedUsable(document.scene());
    facts.preview = document.previewOn();
    const Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    facts.storageChoice = held.storageBoxOffered(SW_RAW, archive);
    for (int id : SceneTabWidgets::kDecided)
        if (const SceneTabWidgets::eUsable usable = SceneTabWidgets::usable(facts, id);
            usable != SceneTabWidgets::U_LEAVE)
            tabServices().setUsable(id, usable == SceneTabWidgets::U_ON);
}

// --- selection ---

int CtrlScenes::onListBox()
{
    string selected;
    if (const int switched = selectionSwitch.toSelected(selected); switched <= 0)
        return switched;
    widgets.tick(SW_RENDER, false);

    // A failed load shows nothing of the previous block and forgets the
    // current item, so that choosing the same row again retries the load.
    const auto fail = [this] {
        showNoContent();
        setCurrentItemName("");
        return -1;
    };
    if (document.holdStoredBlock(selected) != 0)
        return fail();
    document.checkMapType();
    updateData();
    if (document.handle() == 0 && SceneBlockKind::extensionOf(selected) == "tmx")
        document.reportUnbuiltScene();
    return 0;
}

int CtrlScenes::updateData()
{
    held.showSizes();
    return 0;
}

void CtrlScenes::showNoContent()
{
    closeResources();
    held.showNoContent();
    layers.clear();
}

// --- leaving and re-entering ---

int CtrlScenes::onDeactivate()
{
    showDueReloadWarning();
    if (isDirty() || document.modified()) {
        // Unsaved edits of the scene, the text, the storage or the name are
        // kept as they are; coming back takes up where the user left.
        keptWhileAway = true;
        document.rememberPreview(document.previewOn() && document.handle() > 0);
    } else if (document.handle() > 0 && document.previewOn()) {
        layers.remember(layers.selected());
        document.rememberPreview(true);
        viewport.keep();
        closeResources();
        setDirty(false);
    } else {
        layers.remember(0);
        document.rememberPreview(false);
        closeResources();
        setDirty(false);
    }
    document.setPreviewOn(false);
    preview.stopDrag();
    widgets.tick(SW_RENDER, false);
    return 0;
}

int CtrlScenes::onActivate()
{
    const bool restorePreview = document.previewRemembered();
    if (keptWhileAway) {
        keptWhileAway = false;
    } else {
        const WidgetList* list = tabServices().panel().getList(BW_LIST);
        if (!list || list->getSelectedIndex() == 0)
            return 0;
        // Cleared so that onListBox loads the block again from the archive.
        setCurrentItemName("");
        if (onListBox() != 0)
            return -1;
    }
    if (restorePreview && document.handle() > 0) {
        document.setPreviewOn(true);
        widgets.tick(SW_RENDER, true);
        document.updateViewport();
    }
    document.rememberPreview(false);
    return 0;
}

// --- release ---



int CtrlScenes::closeResources()
{
    held.release();
    document.closeScene();
    // The preview stops with the scene, and Render says so.
    document.setPreviewOn(false);
    widgets.tick(SW_RENDER, false);
    preview.stopDrag();
    document.setModified(false);
    return 0;
}
