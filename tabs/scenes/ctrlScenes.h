// The scene tab: the Tiled documents of the open archive (maps ".tmx", tile
// sets ".tsx", templates ".tx", stored as "ZK7_XML" blocks). It holds one
// block's bytes at a time, shows them as editable XML text, builds an engine
// scene from a map and previews it with its layer list and viewport, lets
// the user show, hide, drag and remove layers, and writes the block back as
// text or, after scene edits, as the engine's serialisation of the scene.
// It resolves the "qel://" references of these documents, exports maps and
// tile sets alone or with their tile sets and images, deletes them alone or
// with those, and imports Tiled files.
//
// The controller (selection, dispatch, leaving and re-entering the tab) is
// ctrlScenes.cpp; saving ctrlScenesSave.cpp; preview, drag and layer
// removal ctrlScenesPreview.cpp; delete and Tiled import
// ctrlScenesDelete.cpp and ctrlScenesImport.cpp. Each job of its own is a
// part the tab owns, and its operations stand on that part: the held block
// (BlockText), the document's text and scene in step (SceneDocument), its
// widgets (SceneTabPanel), the layer list, the viewport edits, the preview,
// references, export, the recursive delete, the full tile set import, the
// import dialog, the import checks and the import actions (SceneLayerImport).
// The parts take the tab's services and the parts they work with; none calls
// back into the tab, which acts on what they return. Main thread only.
#pragma once

#include "tabs/base/BlockText.h"
#include "tabs/base/SelectionSwitch.h"
#include "tabs/base/ctrlBase.h"
#include "tabs/scenes/SceneDocument.h"
#include "tabs/scenes/SceneExport.h"
#include "tabs/scenes/SceneLayerImport.h"
#include "tabs/scenes/SceneLayerList.h"
#include "tabs/scenes/ScenePreview.h"
#include "tabs/scenes/SceneReferences.h"
#include "tabs/scenes/SceneTabPanel.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/SceneTileSetImport.h"
#include "tabs/scenes/SceneViewportEdits.h"
#include "tabs/scenes/import/SceneImportDialog.h"
#include "tabs/scenes/import/SceneImportValidation.h"

#include <Zelkoran/Archive.h>

namespace Zelkoran {
class Scene;
} // namespace Zelkoran

class CtrlScenes : public CtrlBase {
public:
    // Loads above this size are refused.
    static constexpr uint64_t kMaxLoadSize = BlockText::kMaxLoadSize;

    CtrlScenes(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlScenes() override;

    // --- the controller (ctrlScenes.cpp) ---
    // Lists "ZK7_XML" blocks named *.tmx, *.tsx or *.tx (any case), not
    // hidden ('#'). 0 or -1.
    int parseQEL() override;
    // -1 when the base panel refused the event; else 4 when no block is
    // held afterwards, 0 when one is.
    int processEvent(int widgetId, int data) override;
    // Loads the selection again (restoring preview, viewport and layer row),
    // or, when the tab was left with unsaved changes, takes up where it was
    // left. 0 or -1.
    int onActivate() override;
    // Releases the block, remembering what to restore; unsaved changes are
    // kept instead. 0.
    int onDeactivate() override;
    // Loads the selected block unless it is the current item already. 0 or -1.
    int onListBox() override;
    // Size labels and storage boxes of the held block. 0.
    int updateData() override;
    // Once per pass of the main loop. 0.
    int update() override;
    // Drops the held bytes and scene; the preview stops and Render is
    // unticked. 0.
    int closeResources() override;

    // --- saving (ctrlScenesSave.cpp) ---
    // Nothing held; compressed storage for the next save. 0 or -1.
    int onNew() override;
    // Writes the block under the name field's name: the scene's
    // serialisation after scene edits, else (and whenever the box holds text
    // typed since that could not be taken in) the text box's text. 0 or -1
    // after a message.
    int onSave() override;

    // --- delete (ctrlScenesDelete.cpp) ---
    // Deletes the selected block: a map or tile set alone or with what it
    // names (the user chooses), anything else after a Yes. 0 or -1.
    int onDelete() override;

    // --- preview (ctrlScenesPreview.cpp) ---
    // The preview (background and scene, clipped to the preview area) while
    // Render is on; otherwise the text box. 0.
    int render(int value) override;
    // Drags the selected layer with the left button inside the viewport. 0.
    int handleMouseEvent(SDL_Event* event) override;

    // Stores scene under name once the name passes the block name check
    // (SceneDocument::storeScene). 0, or -1 (silently for a null scene or an
    // empty name).
    int saveSceneBlockToQEL(Zelkoran::Scene* scene, const string& name, const string& prefix);

    // --- read by tests and the benchmark ---
    int sceneID() const { return document.handle(); }
    bool previewOn() const { return document.previewOn(); }
    bool sceneChanged() const { return document.modified(); }
    const Zelkoran::Archive::Block& blockRecord() const { return held.block(); }
    // The parts whose checks tests drive with the tab's state.
    const SceneReferences& sceneReferences() const { return references; }
    const SceneImportValidation& importChecks() const { return checks; }

private:
    // --- preview (ctrlScenesPreview.cpp) ---
    // Removes the selected layer after a Yes. 0, or -1.
    int onRemoveLayer();

    // --- Tiled import (ctrlScenesImport.cpp, SceneTileSetImport) ---
    // A TSX (as text or in full) or TX file chosen by the user. 0 or -1.
    int onImport();
    // The map asked for, by the source that opens its own scene, stored as
    // asked.name with its tile sets, templates and images. 0, or -1 after a
    // message.
    int onImportFullTMX(const SceneLayerImport::NewScene& asked);

    void applyWidgetRules();
    // The look of a tab that holds nothing (labels, text box, layers).
    void showNoContent();
    void onTextEdit();
    // The warning that typed text is no scene, once the click or key that
    // committed it is over: shown at once, a modal box would swallow the
    // rest of that click (the Save or the row it was meant for).
    void showDueReloadWarning();
    int saveScenePath(const string& name);
    int saveTextPath(const string& name);
    // The Import button: a scene or a tile set / template.
    void onImportButton();
    // Import Scene: a new scene block from a source file or empty, stored
    // and held.
    void importScene();
    // Add layer: layers from a source into the held scene, stored and held
    // again; when the store fails, the scene as it was before.
    void addLayers();
    // The block name an import just stored, held again, listed, selected
    // and clean, its scene built with the layer selectLayer chosen. 0, or -1
    // after a box titled title.
    int takeStoredImport(const string& name, int selectLayer, const string& title);
    // The block an import just stored becomes the held, selected, clean
    // item; the secured flag follows the archive. 0 or -1.
    int loadStoredBlock(const string& name);

    // The block, its bytes and its text view.
    BlockText held;
    const SelectionSwitch selectionSwitch{*this};
    SceneTabPanel widgets;
    SceneLayerList layers;
    SceneViewportEdits viewport;
    ScenePreview preview;
    SceneDocument document;
    SceneReferences references;
    SceneExport exporter;
    SceneTileSetImport tileSets;
    SceneImportValidation checks;
    SceneImportDialog importDialog;
    SceneLayerImport layerImport;
    // The tab was left with unsaved changes, which it kept.
    bool keptWhileAway = false;
    // A text commit could not be read as a scene; not yet told.
    bool reloadWarningDue = false;
};
