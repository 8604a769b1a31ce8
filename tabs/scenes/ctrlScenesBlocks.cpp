// The scene tab's blocks: what a held block is, the scene built from a map,
// keeping text box, held text and scene in step, writing the block back,
// New, and the viewport and layer list fills.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneLayerRows.h"
#include "tabs/scenes/SceneViewport.h"

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

constexpr int kNoticeMs = 2000;
const char* const kPrefix = "TileMap";
const char* const kNoArchive = "Could not get the QEL archive.";

Tool* tool() { return Main::instance()->tool(); }
SceneMgr* scenes() { return Main::instance()->sceneMgr(); }

Position centred() { return Position(0, PH_CENTER); }

} // namespace

bool CtrlScenes::isZK7SceneBuffer() const
{
    return SceneBlockKind::hasSceneMarker(held.bytes(), static_cast<size_t>(held.size()));
}

bool CtrlScenes::setupBlockParams(const string& name)
{
    if (name.size() > static_cast<size_t>(kMaxBlockName))
        return false;
    tool()->szCopy(held.block().name, name.c_str(), sizeof(held.block().name));
    tool()->szCopy(held.block().type, blockType, sizeof(held.block().type));
    return true;
}

int CtrlScenes::checkMapType()
{
    if (!held.bytes())
        return 0;
    const string name = exportName();
    string extension;
    SceneReferences::getExtensionLower(name, extension);
    layers.clear();
    const bool map = extension == "tmx";
    if (WidgetLabel* type = panel->getLabel(SW_TYPE))
        type->setText(SceneBlockKind::label(extension, map && isZK7SceneBuffer()), centred(), centred());
    if (map) {
        setUsable(SW_RENDER, true);
        // A map the engine cannot load stays editable as text.
        if (sceneHandle == 0 && loadTileEngineFromBuffer(name) != 0) {
            closeScene();
            layers.clear();
        }
    } else {
        closeScene();
        setUsable(SW_RENDER, false);
        widgets.tick(SW_RENDER, false);
        renderEnabled = false;
    }
    checkAndPopulateASCII(held.bytes(), held.size(), held.mode(), held.endsWithNewline(), SW_TEXT);
    if (held.mode() != AM_BINARY)
        setUsable(SW_TEXT, true);
    return 0;
}

int CtrlScenes::loadTileEngineFromBuffer(const string& name)
{
    string extension;
    SceneReferences::getExtensionLower(name, extension);
    if (extension != "tmx" || !held.bytes() || held.size() < 1)
        return -1;
    const int id = scenes()->loadFromBuffer(held.bytes(), static_cast<size_t>(held.size()), name.c_str(),
                                            globalStatus->sArchivePath.c_str(), nullptr);
    if (id < 1)
        return -1;
    Scene* built = scenes()->get(id);
    if (!built) {
        scenes()->close(id);
        return -1;
    }
    if (sceneHandle > 0 && sceneHandle != id)
        scenes()->close(sceneHandle);
    sceneHandle = id;
    adoptScene(built);
    viewport.keep();
    sceneModified = false;
    rememberedRender = false;
    return 0;
}

void CtrlScenes::adoptScene(Scene* built)
{
    const int count = built->getLayerCount(0);
    for (int slot = 1; slot <= count; ++slot)
        built->setLayerFeatures(slot, SLF_MARKED, true);
    layers.populateLayersListbox(*built, count);
    showLayerRow(*built, layers.selected());
    setUsable(SW_LAYERS, true);
    setUsable(SW_ADD_LAYER, true);
    viewport.populateViewportTextboxes(built, isZK7SceneBuffer(), rememberedRender);
    updateViewport();
}

int CtrlScenes::refreshTextBufferFromScene()
{
    const Scene* current = scene();
    const string name = exportName();
    if (!current || name.empty() || name.size() > static_cast<size_t>(kMaxBlockName))
        return -1;
    char* buffer = nullptr;
    size_t size = 0;
    const char* archivePath = globalStatus->sArchivePath.c_str();
    if (current->saveToBuffer(buffer, size, name.c_str(), name.c_str(), archivePath, true) != 0 || size < 1 ||
        size > static_cast<size_t>(INT_MAX)) {
        CMem::free(buffer);
        return -1;
    }
    held.replace(reinterpret_cast<unsigned char*>(buffer), static_cast<int>(size));
    setupBlockParams(name);
    checkAndPopulateASCII(held.bytes(), held.size(), held.mode(), held.endsWithNewline(), SW_TEXT);
    if (held.mode() != AM_BINARY)
        setUsable(SW_TEXT, true);
    return 0;
}

int CtrlScenes::refreshSceneFromTextBuffer(bool& changed)
{
    // Temporary scene names stay unique for the whole run.
    static int iReloadCounter = 0;
    changed = false;
    const string name = exportName();
    string extension;
    SceneReferences::getExtensionLower(name, extension);
    if (name.empty() || held.mode() == AM_BINARY)
        return -1;
    unsigned char* candidate = nullptr;
    int length = 0;
    if (rebuildTextBufferFromTextEdit(SW_TEXT, held.mode(), held.endsWithNewline(), candidate, length) != 0)
        return -1;
    if (length == held.size() && std::memcmp(candidate, held.bytes(), static_cast<size_t>(length)) == 0) {
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
        held.replace(candidate, length);
        setupBlockParams(name);
        return 0;
    }

    string loadName = name;
    string previousName;
    if (sceneHandle > 0) {
        // Both scenes are open for a moment: the new one needs a name of its own.
        if (const Scene* old = scene())
            previousName = old->getName();
        loadName = string("__scene_text_reload_") + std::to_string(iReloadCounter).c_str() + ".tmx";
        ++iReloadCounter;
    }
    const int id = scenes()->loadFromBuffer(candidate, static_cast<size_t>(length), loadName.c_str(),
                                            globalStatus->sArchivePath.c_str(), nullptr);
    if (id < 1) {
        CMem::free(candidate);
        return -1;
    }
    closeScene();
    sceneHandle = id;
    if (!previousName.empty())
        scenes()->setName(id, previousName.c_str());
    held.replace(candidate, length);
    setupBlockParams(name);
    Scene* built = scenes()->get(sceneHandle);
    if (!built)
        return -1;
    // The viewport is the preview's, not the text's: an edit keeps it.
    int width = 0;
    int height = 0;
    viewport.getViewportFromTextboxes(width, height);
    adoptScene(built);
    viewport.setEdits(width, height);
    updateViewport();
    sceneModified = true;
    return 0;
}

int CtrlScenes::saveSceneBlockToQEL(Scene* toSave, const string& name, const string& prefix)
{
    if (!toSave || name.empty() || !acceptBlockName(name, prefix))
        return -1;
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    if (!archive) {
        notifySaveError(prefix, kNoArchive, kNoticeMs);
        return -1;
    }
    char* buffer = nullptr;
    size_t size = 0;
    if (toSave->saveToBuffer(buffer, size, name.c_str(), name.c_str(), globalStatus->sArchivePath.c_str(), true) != 0) {
        CMem::free(buffer);
        notifySaveError(prefix, "Scene could not be serialized.", kNoticeMs);
        return -1;
    }
    setupBlockParams(name);
    held.block().size = size;
    held.block().data = buffer;
    const bool keyed = held.block().storage != Archive::ST_ENCRYPTED || setArchiveKeyForEncryptedSave(archive, prefix);
    const int rc = keyed ? archive->blockAdd(held.block()) : -1;
    CMem::free(buffer);
    held.block().data = nullptr;
    if (!keyed)
        return -1;
    if (rc == 0)
        return 0;
    notifySaveError(prefix, getArchiveSaveErrorMessage(rc, "Scene could not be saved to the QEL."), kNoticeMs);
    return -1;
}

int CtrlScenes::onSave()
{
    if (!held.bytes() || held.size() < 1)
        return -1;
    string name;
    if (!readRequiredBlockName(name, kPrefix, "TileMap name cannot be empty."))
        return -1;
    setupBlockParams(name);
    if ((sceneHandle > 0 && sceneModified ? saveScenePath(name) : saveTextPath(name)) != 0)
        return -1;
    const Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    globalStatus->bSecured = archive && (archive->isEncrypted() || archive->isEncryptedBlocks());
    globalStatus->bReparseAll = 1;
    refreshBlockListAndSelect(name);
    updateData();
    notifySaveSuccess(kPrefix);
    return 0;
}

int CtrlScenes::saveScenePath(const string& name)
{
    Scene* current = scene();
    if (!current) {
        notifySaveError(kPrefix, "Could not get the loaded Scene.", kNoticeMs);
        return -1;
    }
    if (saveSceneBlockToQEL(current, name, kPrefix) != 0)
        return -1;
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    if (!archive) {
        notifySaveError(kPrefix, kNoArchive, kNoticeMs);
        return -1;
    }
    held.replace(nullptr, 0);
    Archive::Block stored(held.block().name, held.block().type);
    if (archive->blockSearch(stored) < 0 || archive->blockLoad(stored) != 0) {
        notifySaveError(kPrefix, "Edited Scene was saved but could not be reloaded.", kNoticeMs);
        return -1;
    }
    unsigned char* copy = BlockText::copyLoaded(stored, 1);
    held.block().storage = stored.storage;
    held.block().storedSize = stored.storedSize;
    held.block().size = stored.size;
    archive->blockFree(stored);
    if (!copy) {
        notifySaveError(kPrefix, "Edited Scene was saved but could not allocate the refreshed buffer.", kNoticeMs);
        return -1;
    }
    held.replace(copy, static_cast<int>(held.block().size));
    // The box shows what is stored now: a later text edit then starts from
    // the saved scene, not from the text before its layer edits.
    checkAndPopulateASCII(held.bytes(), held.size(), held.mode(), held.endsWithNewline(), SW_TEXT);
    sceneModified = false;
    return 0;
}

int CtrlScenes::saveTextPath(const string& name)
{
    if (held.mode() != AM_BINARY) {
        // Rebuilt before anything is released: a failure leaves the tab as it was.
        unsigned char* rebuilt = nullptr;
        int length = 0;
        if (rebuildTextBufferFromTextEdit(SW_TEXT, held.mode(), held.endsWithNewline(), rebuilt, length) != 0) {
            notifySaveError(kPrefix, "Could not rebuild TileMap data from the text editor.", kNoticeMs);
            return -1;
        }
        const ASCIIMode mode = held.mode();
        const bool newline = held.endsWithNewline();
        closeResources();
        widgets.tick(SW_RENDER, false);
        held.replace(rebuilt, length);
        held.mode() = mode;
        held.endsWithNewline() = newline;
        setupBlockParams(name);
    }
    held.block().size = static_cast<uint64_t>(held.size());
    held.block().data = held.bytes();
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    if (!archive) {
        notifySaveError(kPrefix, kNoArchive, kNoticeMs);
        return -1;
    }
    if (held.block().storage == Archive::ST_ENCRYPTED && !setArchiveKeyForEncryptedSave(archive, kPrefix))
        return -1;
    if (const int rc = archive->blockAdd(held.block()); rc != 0) {
        notifySaveError(kPrefix, getArchiveSaveErrorMessage(rc, "TileMap could not be saved."), kNoticeMs);
        return -1;
    }
    held.block().data = nullptr;
    held.readBack(*archive);
    return 0;
}

int CtrlScenes::onNew()
{
    if (CtrlBase::onNew() != 0)
        return -1;
    keptWhileAway = false;
    rememberedRender = false;
    showNoContent();
    held.block().storage = newBlockStorage(Archive::ST_COMPRESSED);
    held.showStorageMode(held.block().storage);
    setUsable(SW_RENDER, false);
    preview.chooseBackground(SW_BG_BLOCKY);
    for (int id : {SW_BG_BLACK, SW_BG_WHITE, SW_BG_BLOCKY, SW_LAYERS, SW_ADD_LAYER, SW_REMOVE_LAYER, SW_SHOW_LAYER,
                   SW_WIDTH, SW_HEIGHT, SW_SET_VIEWPORT})
        setUsable(id, false);
    viewport.reset();
    return 0;
}

void CtrlScenes::updateViewport()
{
    if (Scene* current = scene())
        viewport.apply(*current);
}
