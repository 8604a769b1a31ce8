// The steps of the scene tab's two import actions, Add layer and Import
// Scene: the dialog and its checks, the import by the source of the chosen
// kind, and the stored block taken back in.
#include "tabs/scenes/SceneLayerImport.h"

#include "services/GlobalStatus.h"
#include "tabs/base/BlockText.h"
#include "tabs/base/TabServices.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneDocument.h"
#include "tabs/scenes/SceneLayerList.h"
#include "tabs/scenes/SceneReferences.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/import/SceneImportDialog.h"
#include "tabs/scenes/import/SceneImportProgress.h"
#include "tabs/scenes/import/SceneImportSource.h"
#include "tabs/scenes/import/SceneImportValidation.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace {

Tool* tool() { return Main::instance()->tool(); }

// The modal progress panel of a GIF or video conversion.
class ProgressPanel : public SceneImportProgress {
public:
    explicit ProgressPanel(ResourceManager* art) : m_art(art) {}
    ~ProgressPanel() override { close(); }

    ImportProgress* open(const char* title, int frames) override
    {
        m_ui = openVideoImportProgressUI(Main::instance(), m_art, title, frames);
        m_bar = widgetImportProgress(m_ui.progressBar);
        return &m_bar;
    }
    void close() override { closeVideoImportProgressUI(Main::instance(), m_ui); }

private:
    ResourceManager* m_art;
    VideoImportProgressUI m_ui;
    ImportProgress m_bar;
};

} // namespace

SceneLayerImportOptions SceneLayerImport::defaultImportOptions(bool newScene)
{
    SceneLayerImportOptions options;
    options.sourceType = newScene ? SST_NONE : SST_IMAGE;
    options.fileKind = newScene ? SFK_OTHER : SFK_PICTURE;
    return options;
}

int SceneLayerImport::addLayers(SceneImportResult& result, int& selectLayer)
{
    Scene* target = m_document.scene();
    if (!target)
        return -1;
    SceneLayerImportOptions o = defaultImportOptions(false);
    SceneSourceProbe found;
    o.targetLayer = target->getLayerCount(0) + 1;
    // New tiles lie on the scene's grid.
    if (target->getTileWidth() > 0 && target->getTileHeight() > 0)
        o.tileWidth = target->getTileWidth(), o.tileHeight = target->getTileHeight();
    string title, message;
    for (;;) {
        if (!m_dialog.showAddLayerDialog(o, found, target))
            return -1;
        if (m_checks.validateImportOptions(target, o, found, false, title, message))
            break;
        m_services.messageBox(title, message, MBB_OK, MBT_WARNING, 0);
    }
    const SceneImportSource* source = sceneImportSource(o.sourceType, o.fileKind);
    if (!source)
        return -1;
    ProgressPanel progress(&m_services.resources());
    const GlobalStatus& status = m_services.status();
    SceneImportJob job{o, found, target, false, status.sArchivePath, status.iArchiveID, &progress, &m_checks};
    const int previous = m_document.handle();
    result = source->import(job);
    m_document.followImport(previous, job.scene, result.code == 0);
    if (result.cancelled)
        return -1;
    if (result.code != 0) {
        m_services.messageBox(result.title, result.message, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    selectLayer = o.targetLayer;
    return 0;
}

bool SceneLayerImport::askNewScene(bool dirty, NewScene& asked) const
{
    // What the tab holds unsaved would go with the new scene.
    if (dirty &&
        m_services.messageBox("New Scene",
                              "The open Scene has unsaved changes.\n\nThey will be lost.\n\nDo you want to continue?",
                              MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return false;
    SceneLayerImportOptions& o = asked.request;
    string title, message;
    // Every refusal brings the dialog back with what the user chose.
    for (;;) {
        if (!m_dialog.showSceneImportDialog(o, asked.found, nullptr, true))
            return false;
        if (!m_checks.validateImportOptions(nullptr, o, asked.found, true, title, message)) {
            m_services.messageBox(title, message, MBB_OK, MBT_WARNING, 0);
            continue;
        }
        asked.name = o.layerName;
        if (!tool()->fileCheckExtension(asked.name.c_str(), "tmx"))
            asked.name += ".tmx";
        if (m_services.acceptBlockName(asked.name, "New Scene"))
            break;
    }
    o.layerName = asked.name;
    // The archive replaces a block of the same name: never silently.
    Archive* archive = Main::instance()->archiveMgr()->get(m_services.status().iArchiveID);
    if (archive && archive->blockSearch(Archive::Block(asked.name.c_str(), SceneDocument::kBlockType)) >= 0 &&
        m_services.messageBox(
            "File exists",
            "The file \"" + asked.name +
                "\" already exists in the QEL.\n\nThe import will overwrite it.\n\nDo you want to continue?",
            MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return false;
    asked.source = sceneImportSource(o.sourceType, o.fileKind);
    return true;
}

int SceneLayerImport::importNewScene(NewScene& asked, SceneImportResult& result)
{
    if (!asked.source) {
        m_services.messageBox("New Scene", "Unsupported source type.", MBB_OK, MBT_WARNING, 0);
        return -1;
    }
    SceneLayerImportOptions& o = asked.request;
    o.targetLayer = 1;
    ProgressPanel progress(&m_services.resources());
    const GlobalStatus& status = m_services.status();
    SceneImportJob job{o,    asked.found, m_document.scene(), true, status.sArchivePath, status.iArchiveID,
                       &progress, &m_checks};
    const int emptyScene = m_document.handle();
    result = asked.source->import(job);
    m_document.followImport(emptyScene, job.scene, result.code == 0);
    if (result.code == 0) {
        m_document.showName(asked.name);
        return 0;
    }
    if (!result.cancelled)
        m_services.messageBox(result.title, result.message, MBB_OK, result.warning ? MBT_WARNING : MBT_ERROR, 0);
    return -1;
}

int SceneLayerImport::takeStored(const string& sceneName, const string& title)
{
    const Archive* archive = Main::instance()->archiveMgr()->get(m_services.status().iArchiveID);
    if (!archive) {
        m_services.messageBox(title, "Layer was saved, but the QEL archive could not be refreshed.", MBB_OK,
                              MBT_WARNING, 0);
        m_document.setModified(false);
        return -1;
    }
    // The scene imported into goes; the tab works on the one built from the
    // stored text.
    m_document.closeScene();
    string extension;
    SceneReferences::getExtensionLower(sceneName, extension);
    if (extension == "tmx") {
        if (WidgetLabel* type = m_services.panel().getLabel(SW_TYPE))
            type->setText(SceneBlockKind::label(extension, m_document.isZK7SceneBuffer()), type->getTextX(),
                          type->getTextY());
        m_services.setUsable(SW_RENDER, true);
    }
    m_document.setModified(false);
    m_services.status().bSecured = isSecured(*archive);
    m_services.status().bReparseAll = 1;
    return 0;
}

int SceneLayerImport::rebuildStored(const string& sceneName, int selectLayer, const string& title)
{
    m_document.showText();
    m_services.setUsable(SW_TEXT, m_held.mode() != AM_BINARY);
    m_layers.remember(selectLayer);
    // Built from the stored text, not kept from the import: this checks that
    // what was stored reads back as a scene.
    if (m_document.loadTileEngineFromBuffer(sceneName) != 0) {
        m_document.closeScene();
        m_layers.clear();
        m_services.messageBox(title,
                              "Layer was saved, but the updated Scene could not be reloaded for editing.\n\n" +
                                  string(Main::instance()->sceneMgr()->getLastError()),
                              MBB_OK, MBT_WARNING, 0);
        return -1;
    }
    m_held.showSizes();
    return 0;
}
