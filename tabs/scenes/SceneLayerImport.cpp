// The two import actions of the scene tab, Add layer and Import Scene: the
// dialog, the checks, the importer for the kind of source, then the scene
// stored as its block and the tab reloaded from what was stored.
#include "tabs/scenes/SceneLayerImport.h"

#include "import/scene/FrameImportResult.h"
#include "import/scene/GIFLayers.h"
#include "import/scene/ImageLayer.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/UvttImport.h"
#include "import/scene/VideoLayer.h"
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

const char* framesFailure(bool gif)
{
    return gif ? "GIF could not be converted to an animated tile layer."
               : "Video could not be converted to an animated tile layer.";
}

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
    o.targetLayer = target->getLayerCount(0) + 1;
    // New tiles lie on the scene's grid.
    if (target->getTileWidth() > 0 && target->getTileHeight() > 0)
        o.tileWidth = target->getTileWidth(), o.tileHeight = target->getTileHeight();
    string title, message;
    for (;;) {
        if (!m_dialog.showAddLayerDialog(o, target))
            return -1;
        if (m_checks.validateImportOptions(target, o, false, title, message))
            break;
        m_services.messageBox(title, message, MBB_OK, MBT_WARNING, 0);
    }
    string summary, error;
    if (o.sourceType == SST_FRAMES) {
        const bool gif = o.fileKind == SFK_GIF;
        const char* progressTitle = gif ? "Import GIF layer" : "Import video layer";
        VideoImportProgressUI ui = openVideoImportProgressUI(Main::instance(), m_art, progressTitle,
                                                             o.frameCount);
        ImportProgress bar = widgetImportProgress(ui.progressBar);
        const int rc = gif ? ::importGIFAnimatedLayer(target, o, &bar, &summary)
                           : ::importVideoLayer(target, o, &bar, &summary);
        closeVideoImportProgressUI(Main::instance(), ui);
        if (rc == IR_CANCELLED)
            return -1;
        if (rc != 0) {
            m_services.messageBox(progressTitle, framesFailure(gif), MBB_OK, MBT_ERROR, 0);
            return -1;
        }
        if (storeAddedLayers(target, o.targetLayer, progressTitle, wasModified, wasDirty) != 0)
            return -1;
        m_services.messageBox(progressTitle,
                              summary.empty() ? (gif ? "GIF was converted to an animated tile layer."
                                                     : "Video was converted to an animated tile layer.")
                                              : summary,
                              MBB_OK, MBT_INFORMATION, 0);
        return 0;
    }
    if (o.sourceType == SST_UVTT) {
        constexpr const char* kTitle = "Import UVTT layers";
        const int previous = m_document.handle();
        const int rc = importUVTTScene(target, o, false, m_status->sArchivePath, summary, error);
        m_document.followImport(previous, target, rc == 0);
        if (rc != 0) {
            m_services.messageBox(kTitle, error.empty() ? "UVTT could not be converted into Scene layers." : error,
                                  MBB_OK, MBT_ERROR, 0);
            return -1;
        }
        if (storeAddedLayers(target, o.targetLayer, kTitle, wasModified, wasDirty) != 0)
            return -1;
        m_services.messageBox(kTitle, summary, MBB_OK, MBT_INFORMATION, 0);
        return 0;
    }
    const int rc = o.fileKind == SFK_GIF ? ::importGIFImageLayer(target, o, o.layerName)
                                   : ::importImageLayer(target, o, o.layerName);
    if (rc != 0) {
        m_services.messageBox("Add image layer", "Image could not be imported as a Scene layer.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    return storeAddedLayers(target, o.targetLayer, "Add image layer", wasModified, wasDirty);
}

int SceneLayerImport::storeAddedLayers(Scene* target, int selectLayer, const string& title, bool wasModified,
                                       bool wasDirty)
{
    const string name = m_services.exportName();
    if (m_host.store(target, name, title) == 0)
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
    string title, message;
    string sceneName;
    // Every refusal brings the dialog back with what the user chose.
    for (;;) {
        if (!m_dialog.showSceneImportDialog(o, nullptr, true))
            return -1;
        if (!m_checks.validateImportOptions(nullptr, o, true, title, message)) {
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

    if (o.sourceType == SST_TILED_MAP) {
        return m_host.importMap(o.sourcePath, sceneName);
    }

    SceneMgr* scenes = Main::instance()->sceneMgr();
    const WidgetList* blocks = m_panel->getList(CtrlBase::BW_LIST);
    const string previous = blocks && blocks->getSelectedIndex() > 0 ? string(blocks->getSelectedText()) : string();
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
    const string fileName = tool()->fileGetName(o.sourcePath.c_str());
    o.targetLayer = 1;
    string summary, error;
    const bool gif = o.fileKind == SFK_GIF;
    switch (o.sourceType) {
    case SST_NONE:
        // An empty map still needs its grid to load.
        if (created->setTileSize(o.tileWidth, o.tileHeight) != 0) {
            m_services.messageBox("New Scene", "Could not create the Scene.", MBB_OK, MBT_ERROR, 0);
            return discard();
        }
        break;
    case SST_IMAGE:
        if ((gif ? ::importGIFImageLayer(created, o, fileName) : ::importImageLayer(created, o, fileName)) != 0) {
            m_services.messageBox("New Scene", "Image could not be imported as the first Scene layer.", MBB_OK,
                                  MBT_ERROR, 0);
            return discard();
        }
        break;
    case SST_FRAMES: {
        if (WidgetTextEdit* field = m_panel->getTextEdit(CtrlBase::BW_NAME))
            field->setText(sceneName.c_str());
        const bool ok = gif ? m_checks.validateGIFLayerImport(created, o, message)
                            : m_checks.validateVideoLayerImport(created, o, message);
        if (!ok) {
            m_services.messageBox("New Scene", message.empty() ? "Video import settings are invalid." : message, MBB_OK,
                                  MBT_WARNING, 0);
            return discard();
        }
        o.layerName = fileName;
        VideoImportProgressUI ui = openVideoImportProgressUI(
            Main::instance(), m_art, gif ? "Creating GIF Scene" : "Creating video Scene", o.frameCount);
        ImportProgress bar = widgetImportProgress(ui.progressBar);
        const int rc = gif ? ::importGIFAnimatedLayer(created, o, &bar, &summary)
                           : ::importVideoLayer(created, o, &bar, &summary);
        closeVideoImportProgressUI(Main::instance(), ui);
        if (rc != 0) {
            if (rc != IR_CANCELLED)
                m_services.messageBox("New Scene", framesFailure(gif), MBB_OK, MBT_ERROR, 0);
            return discard();
        }
        break;
    }
    case SST_UVTT: {
        const int emptyScene = m_document.handle();
        const int rc = importUVTTScene(created, o, true, m_status->sArchivePath, summary, error);
        m_document.followImport(emptyScene, created, rc == 0);
        if (rc != 0) {
            m_services.messageBox("New UVTT Scene", error.empty() ? "UVTT could not be converted into a Scene." : error,
                                  MBB_OK, MBT_ERROR, 0);
            return discard();
        }
        break;
    }
    default:
        m_services.messageBox("New Scene", "Unsupported source type.", MBB_OK, MBT_WARNING, 0);
        return discard();
    }
    if (WidgetTextEdit* field = m_panel->getTextEdit(CtrlBase::BW_NAME))
        field->setText(sceneName.c_str());
    if (saveAndRefreshScene(created, sceneName, 1, "New Scene") != 0)
        return -1;
    switch (o.sourceType) {
    case SST_NONE: m_services.messageBox("New Scene", "Empty Scene was created.", MBB_OK, MBT_INFORMATION, 0); break;
    case SST_IMAGE: m_services.messageBox("New Scene", "Scene was created.", MBB_OK, MBT_INFORMATION, 0); break;
    case SST_FRAMES:
        m_services.messageBox("New Scene",
                              summary.empty() ? (gif ? "GIF was converted to an animated tile layer."
                                                     : "Video was converted to an animated tile layer.")
                                              : summary,
                              MBB_OK, MBT_INFORMATION, 0);
        break;
    default: m_services.messageBox("New UVTT Scene", summary, MBB_OK, MBT_INFORMATION, 0); break;
    }
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
    if (m_host.store(scene, sceneName, title) != 0)
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
    m_services.setUsable(SW_TEXT, m_held.mode() != CtrlBase::AM_BINARY);
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
