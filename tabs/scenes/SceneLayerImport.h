// The scene tab's two import actions, Add layer and Import Scene: the
// dialog, the checks, the importer for the kind of source, then the scene
// stored as its block and the tab reloaded from what was stored.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"
#include "tabs/scenes/SceneDocument.h"

#include <functional>

namespace Zelkoran {
class Panel;
} // namespace Zelkoran
class GlobalStatus;
class ResourceManager;
class SceneImportDialog;
class SceneImportValidation;
class TabServices;

// What the import actions need of the tab's base beyond what the document
// uses.
struct SceneLayerImportHost {
    using string = Zelkoran::String;
    std::function<bool()> dirty;
    std::function<void(bool dirty)> setDirty;
    std::function<void()> closeResources;
    // The TMX at path stored as name with what it needs, then held. 0 or -1.
    std::function<int(const string& path, const string& name)> importMap;
    // name becomes the current item, listed and selected.
    std::function<void(const string& name)> select;
    // The stored block name held again, selected and clean; with no name
    // or when it cannot be loaded, nothing held (New).
    std::function<void(const string& name)> restore;
};

class SceneLayerImport {
public:
    using string = Zelkoran::String;

    SceneLayerImport(Zelkoran::Panel* panel, GlobalStatus* status, ResourceManager* art, BlockText& held,
                     SceneDocument& document, SceneLayerList& layers, const SceneImportDialog& dialog,
                     const SceneImportValidation& checks, const TabServices& services, SceneLayerImportHost host)
        : m_panel(panel), m_status(status), m_art(art), m_held(held), m_document(document), m_layers(layers),
          m_dialog(dialog), m_checks(checks), m_services(services), m_host(std::move(host))
    {
    }

    // The dialog's starting record: new-scene mode leaves the source kind 0.
    static SceneLayerImportOptions defaultImportOptions(bool newScene);
    // The Add layer button: layers from a source into the open scene. 0
    // after the save and reload, else -1.
    int onAddLayer();
    // The "Import Scene" choice: a new scene block from a source file or
    // empty. 0 after the save and reload, else -1.
    int onCreateSceneFromSource();
    // Stores scene as sceneName and reloads the tab from the stored block.
    // 0, or -1 after a box titled title (the scene then stays, dirty, when
    // the store failed).
    int saveAndRefreshScene(Zelkoran::Scene* scene, const string& sceneName, int selectLayer, const string& title);
    int refreshAfterLayerImport(const string& sceneName, int selectLayer, const string& title);

private:
    // Stores the scene layers were added to and reloads the tab; when that
    // fails, the scene goes back to what it was before the import. 0 or -1.
    int storeAddedLayers(Zelkoran::Scene* target, int selectLayer, const string& title, bool wasModified,
                         bool wasDirty);

    Zelkoran::Panel* m_panel;
    GlobalStatus* m_status;
    ResourceManager* m_art;
    BlockText& m_held;
    SceneDocument& m_document;
    SceneLayerList& m_layers;
    const SceneImportDialog& m_dialog;
    const SceneImportValidation& m_checks;
    const TabServices& m_services;
    SceneLayerImportHost m_host;
};
