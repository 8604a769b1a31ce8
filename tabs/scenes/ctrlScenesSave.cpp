// The scene tab's saves: the block written back as text or, after scene
// edits, as the scene's serialisation, and New.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <cstring>
#include <string>

using namespace Zelkoran;

namespace {

constexpr int kNoticeMs = 2000;
const char* const kPrefix = "TileMap";
const char* const kNoArchive = "Could not get the QEL archive.";

} // namespace

int CtrlScenes::onSave()
{
    GlobalStatus& status = tabServices().status();
    if (!held.bytes() || held.size() < 1)
        return -1;
    string name;
    if (!readRequiredBlockName(name, kPrefix, "TileMap name cannot be empty."))
        return -1;
    document.setupBlockParams(name);
    // Layer edits rewrite the text, so a text the box holds beyond the held
    // one was typed after them: it is stored as typed, drag or no drag.
    const bool sceneEdits = document.handle() > 0 && document.modified() && !document.textBoxDiffers();
    if ((sceneEdits ? saveScenePath(name) : saveTextPath(name)) != 0)
        return -1;
    const Archive* archive = Main::instance()->archiveMgr()->get(status.iArchiveID);
    status.bSecured = archive && isSecured(*archive);
    status.bReparseAll = 1;
    refreshBlockListAndSelect(name);
    updateData();
    notifySaveSuccess(kPrefix);
    return 0;
}

int CtrlScenes::saveScenePath(const string& name)
{
    Scene* current = document.scene();
    if (!current) {
        tabServices().notifySaveError(kPrefix, "Could not get the loaded Scene.", kNoticeMs);
        return -1;
    }
    // The name was checked when it was read from the field.
    if (document.storeScene(current, name, kPrefix) != 0)
        return -1;
    // The box shows what is stored now: a later text edit then starts from
    // the saved scene, not from the text before its layer edits.
    document.showText();
    document.setModified(false);
    return 0;
}

int CtrlScenes::saveSceneBlockToQEL(Scene* scene, const string& name, const string& prefix)
{
    if (!scene || name.empty() || !tabServices().acceptBlockName(name, prefix))
        return -1;
    return document.storeScene(scene, name, prefix);
}

int CtrlScenes::saveTextPath(const string& name)
{
    if (held.mode() != AM_BINARY) {
        // Rebuilt before anything is released: a failure leaves the tab as it was.
        unsigned char* rebuilt = nullptr;
        int length = 0;
        if (document.readText(rebuilt, length) != 0) {
            tabServices().notifySaveError(kPrefix, "Could not rebuild TileMap data from the text editor.", kNoticeMs);
            return -1;
        }
        const ASCIIMode mode = held.mode();
        const bool newline = held.endsWithNewline();
        closeResources();
        held.replace(rebuilt, length);
        held.mode() = mode;
        held.endsWithNewline() = newline;
        document.setupBlockParams(name);
    }
    held.block().size = static_cast<uint64_t>(held.size());
    held.block().data = held.bytes();
    Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    if (!archive) {
        tabServices().notifySaveError(kPrefix, kNoArchive, kNoticeMs);
        return -1;
    }
    held.storageForSave(archive);
    if (Archive::isEncryptedStorage(held.block().storage) && !tabServices().setArchiveKeyForEncryptedSave(archive, kPrefix))
        return -1;
    if (const int rc = archive->blockAdd(held.block()); rc != 0) {
        tabServices().notifySaveFailure(kPrefix, "TileMap could not be saved.", rc);
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
    document.rememberPreview(false);
    showNoContent();
    held.block().storage = tabServices().newBlockStorage(Archive::ST_COMPRESSED);
    held.showStorageMode(held.block().storage);
    tabServices().setUsable(SW_RENDER, false);
    preview.chooseBackground(SW_BG_BLOCKY);
    for (int id : {SW_BG_BLACK, SW_BG_WHITE, SW_BG_BLOCKY, SW_LAYERS, SW_ADD_LAYER, SW_REMOVE_LAYER, SW_SHOW_LAYER,
                   SW_WIDTH, SW_HEIGHT, SW_SET_VIEWPORT})
        tabServices().setUsable(id, false);
    viewport.reset();
    return 0;
}

