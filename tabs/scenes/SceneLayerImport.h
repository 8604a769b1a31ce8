// The scene tab's two import actions, Add layer and Import Scene: the
// dialog and its checks, the import from the kind of source into the held
// scene, and the stored block taken back in. The tab stores the result,
// releases what it held and lists the block; it calls these steps in turn.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/SceneSourceProbe.h"
#include "tabs/scenes/SceneDocument.h"
#include "tabs/scenes/import/SceneImportSource.h"

class SceneImportDialog;
class SceneImportValidation;
class TabServices;

class SceneLayerImport {
public:
    using string = Zelkoran::String;

    // A new scene's request as the dialog left it, checked, with the block
    // name it is stored under and the source that imports it (null for
    // none).
    struct NewScene {
        SceneLayerImportOptions request = defaultImportOptions(true);
        SceneSourceProbe found;
        string name;
        const SceneImportSource* source = nullptr;
    };

    SceneLayerImport(const TabServices& services, BlockText& held, SceneDocument& document, SceneLayerList& layers,
                     const SceneImportDialog& dialog, const SceneImportValidation& checks)
        : m_services(services), m_held(held), m_document(document), m_layers(layers), m_dialog(dialog),
          m_checks(checks)
    {
    }

    // The dialog's starting record: new-scene mode leaves the source kind 0.
    static SceneLayerImportOptions defaultImportOptions(bool newScene);

    // Add layer: the dialog until its checks pass, then the import into the
    // held scene, which the document then holds (a Universal VTT import
    // replaces it). 0 with result's box and the first new slot in
    // selectLayer; -1 when nothing was imported (after a box unless the user
    // gave up).
    int addLayers(SceneImportResult& result, int& selectLayer);

    // Import Scene, up to the import: asks before unsaved edits (dirty) go,
    // then the dialog until its checks and the block name pass and an
    // existing block may be replaced. False when the user gave up.
    bool askNewScene(bool dirty, NewScene& asked) const;
    // The import of asked into the document's empty scene, which the tab
    // started under asked.name; the name field shows that name after the
    // import. 0 with result's box; -1 after a box unless the user cancelled.
    int importNewScene(NewScene& asked, SceneImportResult& result);

    // The block name, just stored and held as text by the document, taken up
    // by the tab with the document clean: 0; -1 after a box titled title.
    // The tab lists the block next.
    int takeStored(const string& name, const string& title);
    // Builds the scene of the stored text and selects the layer selectLayer.
    // 0, or -1 after a box titled title.
    int rebuildStored(const string& name, int selectLayer, const string& title);

private:
    const TabServices& m_services;
    BlockText& m_held;
    SceneDocument& m_document;
    SceneLayerList& m_layers;
    const SceneImportDialog& m_dialog;
    const SceneImportValidation& m_checks;
};
