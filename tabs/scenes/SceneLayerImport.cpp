// The two import actions of the scene tab, Add layer and Import Scene: the
// dialog, the checks, the importer for the kind of source, then the scene
// stored as its block and the tab reloaded from what was stored.
#include "tabs/scenes/SceneLayerImport.h"

#include "services/GlobalStatus.h"
#include "tabs/base/BasePanel.h"
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

int SceneLayerImport::onAddLayer()
{
    Scene* target = m_document.scene();
    if (!target)
        return -1;
    const bool wasModified = m_document.modified(), wasDirty = m_host.dirty();
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
    ProgressPanel progress(m_art);
    SceneImportJob job{o, found, target, false, m_status->sArchivePath, m_status->iArchiveID, &progress, &m_checks};
    const int previous = m_document.handle();
    const SceneImportResult result = source->import(job);
    m_document.followImport(previous, job.scene, result.code == 0);
    if (result.cancelled)
        return -1;
    if (result.code != 0) {
        m_services.messageBox(result.title, result.message, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    if (storeAddedLayers(job.scene, o.targetLayer, result.title, wasModified, wasDirty) != 0)
        return -1;
    if (!result.message.empty())
        m_services.messageBox(result.title, result.message, MBB_OK, MBT_INFORMATION, 0);
    return 0;
}

int SceneLayerImport::storeAddedLayers(Scene* target, int selectLayer, const string& title, bool wasModified,
                                       bool wasDirty)
{
    const string name = m_services.exportName();
    if (m_document.storeScene(target, name, title) == 0)
        return refreshAfterLayerImport(name, selectLayer, title);
    // Nothing was stored: the scene is built again from the held text, which
    // every earlier layer edit rewrote, so no half-made layer stays behind.
    if (m_document.loadTileEngineFromBuffer(name) == 0) {
        m_document.setModified(wasModified);
        m_host.setDirty(wasDirty);
    }
    return -1;
}

int SceneLayerImport::onCreateSceneFromSource()
{
    // What the tab holds unsaved would go with the new scene.
    if (m_host.dirty() &&
        m_services.messageBox("New Scene",
                              "The open Scene has unsaved changes.\n\nThey will be lost.\n\nDo you want to continue?",
                              MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return -1;
    SceneLayerImportOptions o = defaultImportOptions(true);
    SceneSourceProbe found;
    string title, message;
    string sceneName;
    // Every refusal brings the dialog back with what the user chose.
    for (;;) {
        if (!m_dialog.showSceneImportDialog(o, found, nullptr, true))
            return -1;
        if (!m_checks.validateImportOptions(nullptr, o, found, true, title, message)) {
            m_services.messageBox(title, message, MBB_OK, MBT_WARNING, 0);
            continue;
        }
        sceneName = o.layerName;
        if (!tool()->fileCheckExtension(sceneName.c_str(), "tmx"))
            sceneName += ".tmx";
        if (m_services.acceptBlockName(sceneName, "New Scene"))
            break;
    }
    o.layerName = sceneName;
    // The archive replaces a block of the same name: never silently.
    Archive* archive = Main::instance()->archiveMgr()->get(m_status->iArchiveID);
    if (archive && archive->blockSearch(Archive::Block(sceneName.c_str(), "ZK7_XML")) >= 0 &&
        m_services.messageBox(
            "File exists",
            "The file \"" + sceneName +
                "\" already exists in the QEL.\n\nThe import will overwrite it.\n\nDo you want to continue?",
            MBB_YESNO, MBT_WARNING, 0) != MBB_YES)
        return -1;

    const SceneImportSource* source = sceneImportSource(o.sourceType, o.fileKind);
    if (source && !source->startsEmpty())
        return m_host.importMap(o.sourcePath, sceneName);

    SceneMgr* scenes = Main::instance()->sceneMgr();
    const string previous = m_services.selectedListName();
    m_host.closeResources();
    m_document.holdScene(scenes->create(sceneName.c_str(), 0));
    Scene* created = m_document.scene();
    // A cancelled or failed import leaves the tab with the block it held
    // before, as stored, or with nothing.
    const auto discard = [&] {
        m_document.closeScene();
        m_document.setModified(false);
        m_host.restore(previous);
        return -1;
    };
    if (!created) {
        discard();
        m_services.messageBox("New Scene", "Could not create the Scene.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    if (!source) {
        m_services.messageBox("New Scene", "Unsupported source type.", MBB_OK, MBT_WARNING, 0);
        return discard();
    }
    o.targetLayer = 1;
    // The checks a new scene's frames pass again read the name it is stored under.
    if (WidgetTextEdit* field = m_panel->getTextEdit(BW_NAME))
        field->setText(sceneName.c_str());
    ProgressPanel progress(m_art);
    SceneImportJob job{o, found, created, true, m_status->sArchivePath, m_status->iArchiveID, &progress, &m_checks};
    const int emptyScene = m_document.handle();
    const SceneImportResult result = source->import(job);
    m_document.followImport(emptyScene, job.scene, result.code == 0);
    if (result.code != 0) {
        if (!result.cancelled)
            m_services.messageBox(result.title, result.message, MBB_OK, result.warning ? MBT_WARNING : MBT_ERROR, 0);
        return discard();
    }
    if (saveAndRefreshScene(job.scene, sceneName, 1, "New Scene") != 0)
        return -1;
    m_services.messageBox(result.title, result.message, MBB_OK, MBT_INFORMATION, 0);
    return 0;
}

int SceneLayerImport::saveAndRefreshScene(Scene* scene, const string& sceneName, int selectLayer, const string& title)
{
    if (!scene)
        return -1;
    const auto keepDirty = [&] {
        m_document.setModified(true);
        m_host.setDirty(true);
        return -1;
    };
    if (sceneName.empty()) {
        m_services.messageBox(title, "Scene name is required to save imported resources to the QEL.", MBB_OK, MBT_ERROR,
                              0);
        return keepDirty();
    }
    if (m_document.storeScene(scene, sceneName, title) != 0)
        return keepDirty();
    return refreshAfterLayerImport(sceneName, selectLayer, title);
}

int SceneLayerImport::refreshAfterLayerImport(const string& sceneName, int selectLayer, const string& title)
{
    if (sceneName.empty())
        return -1;
    const auto cleanWarning = [&](const char* text) {
        m_services.messageBox(title, text, MBB_OK, MBT_WARNING, 0);
        m_document.setModified(false);
        m_host.setDirty(false);
        return -1;
    };
    Archive* archive = Main::instance()->archiveMgr()->get(m_status->iArchiveID);
    if (!archive)
        return cleanWarning("Layer was saved, but the QEL archive could not be refreshed.");
    m_document.setupBlockParams(sceneName);
    m_held.replace(nullptr, 0);
    if (archive->blockSearch(m_held.block()) < 0 || archive->blockLoad(m_held.block()) != 0)
        return cleanWarning("Layer was saved, but the updated Scene could not be reloaded from the QEL.");
    // A stored block of no bytes (or beyond kMaxLoadSize) is held as no text.
    const uint64_t size = m_held.block().size;
    const int length = size >= 1 && size <= BlockText::kMaxLoadSize ? static_cast<int>(size) : 0;
    unsigned char* copy = BlockText::copyLoaded(m_held.block(), 1);
    archive->blockFree(m_held.block());
    if (length > 0 && !copy)
        return cleanWarning("Layer was saved, but the updated Scene buffer could not be allocated.");
    // The scene imported into goes; the tab works on the reloaded one.
    m_document.closeScene();
    m_held.replace(copy, length);
    string extension;
    SceneReferences::getExtensionLower(sceneName, extension);
    if (extension == "tmx") {
        if (WidgetLabel* type = m_panel->getLabel(SW_TYPE))
            type->setText(SceneBlockKind::label(extension, m_document.isZK7SceneBuffer()), type->getTextX(),
                          type->getTextY());
        m_services.setUsable(SW_RENDER, true);
    }
    m_document.setModified(false);
    m_host.setDirty(false);
    m_status->bSecured = isSecured(*archive);
    m_status->bReparseAll = 1;
    m_host.select(sceneName);
    m_document.showText();
    m_services.setUsable(SW_TEXT, m_held.mode() != AM_BINARY);
    m_layers.remember(selectLayer);
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
