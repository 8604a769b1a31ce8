// The held Tiled document: its kind, the scene built from a map, and the
// held text and the scene kept in step.
#include "tabs/scenes/SceneDocument.h"

#include "services/GlobalStatus.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/BlockText.h"
#include "tabs/base/TabServices.h"
#include "tabs/base/TextView.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneLayerList.h"
#include "tabs/scenes/SceneReferences.h"
#include "tabs/scenes/SceneTabPanel.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/SceneViewportEdits.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>
#include <Zelkoran/XML.h>

#include <climits>
#include <cstring>
#include <string>

using namespace Zelkoran;

namespace {

Tool* tool() { return Main::instance()->tool(); }
SceneMgr* scenes() { return Main::instance()->sceneMgr(); }

Position centred() { return Position(0, PH_CENTER); }

constexpr int kSaveNoticeMs = 2000;

} // namespace

SceneDocument::string SceneDocument::name() const
{
    return m_newName.empty() ? m_services.exportName() : m_newName;
}

void SceneDocument::showName(const string& name)
{
    m_newName.clear();
    if (WidgetTextEdit* field = m_services.panel().getTextEdit(BW_NAME))
        field->setText(name.c_str());
}

bool SceneDocument::startScene(const string& name)
{
    m_sceneHandle = scenes()->create(name.c_str(), 0);
    m_newName = name;
    return scene() != nullptr;
}

bool SceneDocument::isZK7SceneBuffer() const
{
    return SceneBlockKind::hasSceneMarker(m_held.bytes(), static_cast<size_t>(m_held.size()));
}

bool SceneDocument::setupBlockParams(const string& name)
{
    if (name.size() > kMaxBlockName)
        return false;
    tool()->szCopy(m_held.block().name, name.c_str(), sizeof(m_held.block().name));
    tool()->szCopy(m_held.block().type, kBlockType, sizeof(m_held.block().type));
    return true;
}

int SceneDocument::checkMapType()
{
    if (!m_held.bytes())
        return 0;
    const string name = SceneDocument::name();
    string extension;
    SceneReferences::getExtensionLower(name, extension);
    m_layers.clear();
    const bool map = extension == "tmx";
    if (WidgetLabel* type = m_services.panel().getLabel(SW_TYPE))
        type->setText(SceneBlockKind::label(extension, map && isZK7SceneBuffer()), centred(), centred());
    if (map) {
        m_services.setUsable(SW_RENDER, true);
        // A map the engine cannot load stays editable as text.
        if (m_sceneHandle == 0 && loadTileEngineFromBuffer(name) != 0) {
            closeScene();
            m_layers.clear();
        }
    } else {
        closeScene();
        m_services.setUsable(SW_RENDER, false);
        m_widgets.tick(SW_RENDER, false);
        m_previewOn = false;
    }
    showText();
    if (m_held.mode() != AM_BINARY)
        m_services.setUsable(SW_TEXT, true);
    return 0;
}

int SceneDocument::loadTileEngineFromBuffer(const string& name)
{
    string extension;
    SceneReferences::getExtensionLower(name, extension);
    if (extension != "tmx" || !m_held.bytes() || m_held.size() < 1)
        return -1;
    const int id = scenes()->loadFromBuffer(m_held.bytes(), static_cast<size_t>(m_held.size()), name.c_str(),
                                            m_services.status().sArchivePath.c_str(), nullptr);
    if (id < 1)
        return -1;
    Scene* built = scenes()->get(id);
    if (!built) {
        scenes()->close(id);
        return -1;
    }
    if (m_sceneHandle > 0 && m_sceneHandle != id)
        scenes()->close(m_sceneHandle);
    m_sceneHandle = id;
    adoptScene(built);
    m_viewport.keep();
    m_modified = false;
    m_previewRemembered = false;
    return 0;
}

void SceneDocument::adoptScene(Scene* built)
{
    const int count = built->getLayerCount(0);
    for (int slot = 1; slot <= count; ++slot)
        built->setLayerFeatures(slot, SLF_MARKED, true);
    m_layers.populateLayersListbox(*built, count);
    showLayerRow(*built, m_layers.selected());
    m_services.setUsable(SW_LAYERS, true);
    m_services.setUsable(SW_ADD_LAYER, true);
    m_viewport.populateViewportTextboxes(built, isZK7SceneBuffer(), m_previewRemembered);
    updateViewport();
}

int SceneDocument::refreshTextBufferFromScene()
{
    const Scene* current = scene();
    const string name = SceneDocument::name();
    if (!current || name.empty() || name.size() > kMaxBlockName)
        return -1;
    char* buffer = nullptr;
    size_t size = 0;
    const char* archivePath = m_services.status().sArchivePath.c_str();
    if (current->saveToBuffer(buffer, size, name.c_str(), name.c_str(), archivePath, true) != 0 || size < 1 ||
        size > static_cast<size_t>(INT_MAX)) {
        CMem::free(buffer);
        return -1;
    }
    m_held.replace(reinterpret_cast<unsigned char*>(buffer), static_cast<int>(size));
    setupBlockParams(name);
    showText();
    if (m_held.mode() != AM_BINARY)
        m_services.setUsable(SW_TEXT, true);
    return 0;
}

bool SceneDocument::textBoxDiffers() const
{
    if (m_held.mode() == AM_BINARY)
        return false;
    unsigned char* candidate = nullptr;
    int length = 0;
    const bool differs = readText(candidate, length) == 0 &&
                         (length != m_held.size() || std::memcmp(candidate, m_held.bytes(), size_t(length)) != 0);
    CMem::free(candidate);
    return differs;
}

int SceneDocument::textFollowsScene()
{
    const bool typedLost = textBoxDiffers();
    const int rc = refreshTextBufferFromScene();
    if (rc == 0 && typedLost)
        reportTypedTextReplaced();
    return rc;
}

void SceneDocument::reportTypedTextReplaced() const
{
    m_services.messageBox("TileMap",
                          "The text typed in the box could not be read as a Scene.\nIt was replaced by the "
                          "Scene's text, which now holds this layer change.",
                          MBB_OK, MBT_WARNING, 0);
}

void SceneDocument::reportUnbuiltScene() const
{
    m_services.messageBox("TileMap",
                          "The Scene could not be built; its text is shown.\n" + string(scenes()->getLastError()),
                          MBB_OK, MBT_WARNING, 0);
}

int SceneDocument::refreshSceneFromTextBuffer(bool& changed)
{
    // Temporary scene names stay unique for the whole run.
    static int iReloadCounter = 0;
    changed = false;
    const string name = SceneDocument::name();
    string extension;
    SceneReferences::getExtensionLower(name, extension);
    if (name.empty() || m_held.mode() == AM_BINARY)
        return -1;
    unsigned char* candidate = nullptr;
    int length = 0;
    if (readText(candidate, length) != 0)
        return -1;
    if (length == m_held.size() && std::memcmp(candidate, m_held.bytes(), static_cast<size_t>(length)) == 0) {
        CMem::free(candidate);
        return 0;
    }
    changed = true;
    if (extension != "tmx") {
        XMLMgr* documents = Main::instance()->xmlMgr();
        const int document = documents->loadFromBuffer(candidate, static_cast<size_t>(length), name.c_str());
        if (document < 1) {
            CMem::free(candidate);
            return -1;
        }
        documents->close(document);
        m_held.replace(candidate, length);
        setupBlockParams(name);
        return 0;
    }

    string loadName = name;
    string previousName;
    if (m_sceneHandle > 0) {
        // Both scenes are open for a moment: the new one needs a name of its own.
        if (const Scene* old = scene())
            previousName = old->getName();
        loadName = string("__scene_text_reload_") + std::to_string(iReloadCounter).c_str() + ".tmx";
        ++iReloadCounter;
    }
    const int id = scenes()->loadFromBuffer(candidate, static_cast<size_t>(length), loadName.c_str(),
                                            m_services.status().sArchivePath.c_str(), nullptr);
    if (id < 1) {
        CMem::free(candidate);
        return -1;
    }
    closeScene();
    m_sceneHandle = id;
    if (!previousName.empty())
        scenes()->setName(id, previousName.c_str());
    m_held.replace(candidate, length);
    setupBlockParams(name);
    Scene* built = scenes()->get(m_sceneHandle);
    if (!built)
        return -1;
    // The viewport is the preview's, not the text's: an edit keeps it.
    int width = 0;
    int height = 0;
    m_viewport.getViewportFromTextboxes(width, height);
    adoptScene(built);
    m_viewport.setEdits(width, height);
    updateViewport();
    m_modified = true;
    return 0;
}

void SceneDocument::updateViewport()
{
    if (Scene* current = scene())
        m_viewport.apply(*current);
}

Scene* SceneDocument::scene() const
{
    return m_sceneHandle > 0 ? scenes()->get(m_sceneHandle) : nullptr;
}

void SceneDocument::showLayerRow(const Scene& current, int row)
{
    const bool usable = m_layers.showRow(current, row);
    m_services.setUsable(SW_REMOVE_LAYER, usable);
    m_services.setUsable(SW_SHOW_LAYER, usable);
}

int SceneDocument::storeScene(Scene* toSave, const string& name, const string& prefix)
{
    if (!toSave || name.empty())
        return -1;
    const GlobalStatus& status = m_services.status();
    Archive* archive = Main::instance()->archiveMgr()->get(status.iArchiveID);
    if (!archive) {
        m_services.notifySaveError(prefix, "Could not get the QEL archive.", kSaveNoticeMs);
        return -1;
    }
    // Asked first: serialising stores the scene's in-memory pictures.
    m_held.storageForSave(archive);
    if (Archive::isEncryptedStorage(m_held.block().storage) &&
        !m_services.setArchiveKeyForEncryptedSave(archive, prefix))
        return -1;
    char* buffer = nullptr;
    size_t size = 0;
    if (toSave->saveToBuffer(buffer, size, name.c_str(), name.c_str(), status.sArchivePath.c_str(), true) != 0) {
        CMem::free(buffer);
        m_services.notifySaveError(prefix, "Scene could not be serialized.", kSaveNoticeMs);
        return -1;
    }
    setupBlockParams(name);
    m_held.block().size = size;
    m_held.block().data = buffer;
    const int rc = archive->blockAdd(m_held.block());
    m_held.block().data = nullptr;
    if (rc == 0) {
        holdStored(*archive, buffer, size);
        return 0;
    }
    CMem::free(buffer);
    m_services.notifySaveFailure(prefix, "Scene could not be saved to the QEL.", rc);
    return -1;
}

void SceneDocument::holdStored(const Archive& archive, char* buffer, size_t size)
{
    // The record takes the entry's storage and stored size, as a load of the
    // block would.
    Archive::Block stored(m_held.block().name, m_held.block().type);
    if (const int index = archive.blockSearch(stored); index >= 0 && archive.blockAt(index, stored) == 0) {
        m_held.block().storage = stored.storage;
        m_held.block().storedSize = stored.storedSize;
    }
    // Text beyond what a load would take is held as none.
    if (size > BlockText::kMaxLoadSize) {
        CMem::free(buffer);
        m_held.replace(nullptr, 0);
        return;
    }
    m_held.replace(reinterpret_cast<unsigned char*>(buffer), static_cast<int>(size));
}

int SceneDocument::holdStoredBlock(const string& name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(m_services.status().iArchiveID);
    if (!archive || !setupBlockParams(name))
        return -1;
    return m_held.load(*archive, 1);
}

void SceneDocument::followImport(int previousId, const Scene* now, bool imported)
{
    if (imported && now)
        m_sceneHandle = now->getID();
    else if (!now && m_sceneHandle == previousId)
        m_sceneHandle = 0;
}

void SceneDocument::closeScene()
{
    if (m_sceneHandle > 0)
        Main::instance()->sceneMgr()->close(m_sceneHandle);
    m_sceneHandle = 0;
    m_newName.clear();
}

void SceneDocument::showText() const
{
    checkAndPopulateASCII(m_services.panel(), m_held.bytes(), m_held.size(), m_held.mode(), m_held.endsWithNewline(),
                          SW_TEXT);
}

int SceneDocument::readText(unsigned char*& bytes, int& length) const
{
    return rebuildTextBufferFromTextEdit(m_services.panel(), SW_TEXT, m_held.mode(), m_held.endsWithNewline(), bytes,
                                         length);
}
