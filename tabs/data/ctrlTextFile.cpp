#include "tabs/data/ctrlTextFile.h"
#include "tabs/base/ExportFile.h"
#include "tabs/base/NamedPictures.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <SDL_rwops.h>

#include <climits>
#include <cstring>

using namespace Zelkoran;

namespace {

constexpr int kNoticeMs = 2000;

const char* const kLoadTitle = "Loading resource";
const char* const kEmptySave = "Empty resources cannot be saved to QEL archives.";
const char* const kEmptyImport = "Empty resources cannot be imported because QEL archives require non-empty blocks.";

Tool* tool() { return Main::instance()->tool(); }

} // namespace

CtrlTextFile::CtrlTextFile(const TextFileCtrlConfig& cfg, ResourceManager* rm, GlobalStatus* gs)
    : CtrlBase(cfg.tabName, cfg.checkBoxId, rm, gs), config(cfg),
      held(&tabServices().panel(), {cfg.typeLabelId, cfg.sizeLabelId, cfg.blockSizeLabelId, cfg.rawCheckBoxId,
                   cfg.compressedCheckBoxId, cfg.cryptedCheckBoxId, cfg.textBoxId})
{
    setBlockType(config.blockType);
    createWidgets();
    onNew();
}

CtrlTextFile::~CtrlTextFile() { closeResources(); }

void CtrlTextFile::createWidgets()
{
    const GlobalStatus& status = tabServices().status();
    Panel& tabPanel = tabServices().panel();
    ResourceManager& art = tabServices().resources();
    const int font = art.get(SR_FONT);
    ui::addSpriteButton(tabPanel, {.name = "Import", .id = config.importButtonId, .x = ui::left(10), .y = ui::top(240),
                                   .tooltip = config.importTooltip}, art.getClone(SS_IMPORT_FILE));
    ui::addSpriteButton(tabPanel, {.name = "Export", .id = config.exportButtonId, .x = ui::right(-10),
                                   .y = ui::top(240), .tooltip = config.exportTooltip},
                        art.getClone(SS_EXPORT_FILE));
    held.createInfoWidgets(font);
    held.createTextBox(font, status.iWidth - 208, status.iHeight - 48);
}

int CtrlTextFile::parseQEL()
{
    const int rc =
        rebuildBlockList([this](const Archive::Block& candidate) { return shouldAddBlockToList(candidate); });
    // An archive opened or secured since New changes the storage a new block starts with.
    if (!held.bytes() && !isDirty())
        held.block().storage = tabServices().newBlockStorage(Archive::ST_COMPRESSED);
    held.followArchive(Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID));
    return rc;
}

bool CtrlTextFile::shouldAddBlockToList(const Archive::Block& candidate) const
{
    if (!acceptsByDefault(candidate, getBlockType()))
        return false;
    if (!config.excludeTiledFiles)
        return true;
    const string name(candidate.name, strnlen(candidate.name, sizeof(candidate.name)));
    string extension = tool()->fileGetExtension(name.c_str());
    tool()->strToLowerCase(extension);
    return extension != "tmx" && extension != "tsx" && extension != "tx";
}

int CtrlTextFile::processEvent(int widgetId, int data)
{
    const bool refused = CtrlBase::processEvent(widgetId, data) == -1;
    if (!refused)
        onWidget(widgetId);
    // Also after a refused event: a failed load must not leave Save or
    // Export usable on content that is gone.
    const bool empty = showContentWidgets();
    return refused ? -1 : empty ? 4 : 0;
}

void CtrlTextFile::onWidget(int widgetId)
{
    const GlobalStatus& status = tabServices().status();
    if (widgetId == config.importButtonId) {
        if (onImport() == 0)
            setDirty(true);
    } else if (widgetId == config.exportButtonId) {
        onExport(status.sArchivePath);
    } else if (held.takeStorageBox(widgetId, Main::instance()->archiveMgr()->get(status.iArchiveID))) {
        setDirty(true);
    } else if (widgetId == config.textBoxId) {
        setDirty(true);
    }
}

bool CtrlTextFile::showContentWidgets()
{
    const bool empty = held.showsNoContent();
    if (empty)
        tabServices().setUsable(BW_SAVE, false);
    else
        CtrlBase::refreshWidgets(); // an import may have named the block: Save follows the name field
    tabServices().setUsable(config.exportButtonId, !empty);
    const Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    for (int id : held.storageBoxes())
        tabServices().setUsable(id, !empty && held.storageBoxOffered(id, archive));
    tabServices().setUsable(config.textBoxId, !empty && held.mode() != AM_BINARY);
    return empty;
}

int CtrlTextFile::render(int)
{
    tabServices().screen().clear(128, 128, 128, 255);
    return 0;
}

int CtrlTextFile::onNew()
{
    if (CtrlBase::onNew() != 0)
        return -1;
    showNoContent();
    held.block().storage = tabServices().newBlockStorage(Archive::ST_COMPRESSED);
    held.showStorageMode(held.block().storage);
    return 0;
}

void CtrlTextFile::showNoContent()
{
    closeResources();
    held.showNoContent();
}

int CtrlTextFile::closeResources()
{
    held.release();
    return 0;
}

int CtrlTextFile::checkASCII()
{
    if (!held.bytes())
        return 0;
    checkAndPopulateASCII(tabServices().panel(), held.bytes(), held.size(), held.mode(), held.endsWithNewline(),
                          config.textBoxId);
    held.showKind(held.mode() == AM_BINARY ? "Binary file" : "ASCII file");
    return 0;
}

int CtrlTextFile::updateData()
{
    held.showSizes();
    return 0;
}

int CtrlTextFile::onListBox()
{
    string selected;
    if (const int switched = selectionSwitch.toSelected(selected); switched <= 0)
        return switched;
    Archive::Block& block = held.block();
    tool()->szCopy(block.name, selected.c_str(), sizeof(block.name));
    tool()->szCopy(block.type, getBlockType(), sizeof(block.type));

    // Whatever fails from here leaves no content, so that a save cannot
    // write the previous block's text under the new name; the current
    // item is forgotten so that choosing the block again retries the load.
    const auto fail = [this] {
        showNoContent();
        setCurrentItemName("");
        tabServices().messageBox(kLoadTitle, noun() + " could not be loaded.", MBB_OK, MBT_ERROR, 0);
        return -1;
    };
    Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    if (!archive || held.load(*archive, 0) != 0)
        return fail();
    checkASCII();
    updateData();
    return 0;
}

int CtrlTextFile::onImport()
{
    string path;
    if (!tool()->fileOpenDialog(config.openDialogTitle, config.fileFilter, path))
        return -1;
    const string failure = noun() + " could not be imported.";
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file) {
        tabServices().messageBox(config.importMessageTitle, failure, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    const Sint64 size = SDL_RWsize(file);
    if (size < 0 || size > INT_MAX) {
        SDL_RWclose(file);
        tabServices().messageBox(config.importMessageTitle, failure, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    if (size == 0) {
        SDL_RWclose(file);
        tabServices().messageBox(config.importMessageTitle, kEmptyImport, MBB_OK, MBT_WARNING, 0);
        return -1;
    }
    // A block that large would be saved but could never be loaded again.
    if (static_cast<uint64_t>(size) > kMaxLoadSize) {
        SDL_RWclose(file);
        tabServices().messageBox(config.importMessageTitle,
                                 noun() + " could not be imported:\nfiles over 1 GiB cannot be loaded back.", MBB_OK,
                                 MBT_ERROR, 0);
        return -1;
    }
    auto* bytes = static_cast<unsigned char*>(CMem::alloc(static_cast<size_t>(size), kSkardyMemoryModule));
    const size_t read = bytes ? SDL_RWread(file, bytes, 1, static_cast<size_t>(size)) : 0;
    SDL_RWclose(file);
    if (read != static_cast<size_t>(size)) {
        CMem::free(bytes);
        tabServices().messageBox(config.importMessageTitle, failure, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    closeResources();
    held.replace(bytes, static_cast<int>(size));
    setCurrentItemName("");
    if (WidgetTextEdit* name = tabServices().panel().getTextEdit(BW_NAME); name && name->getText().empty()) {
        string fileName = tool()->fileGetName(path.c_str());
        if (const string extension = tool()->fileGetExtension(path.c_str()); !extension.empty())
            fileName += "." + extension;
        name->setText(fileName.c_str());
    }
    checkASCII();
    updateData();
    return 0;
}

int CtrlTextFile::prepareSaveBuffer()
{
    Panel& tabPanel = tabServices().panel();
    if (held.mode() == AM_BINARY)
        return 0;
    const WidgetTextEdit* text = tabPanel.getTextEdit(config.textBoxId);
    const bool emptied = text && text->getLineCount() <= 1 && text->getLine(1).empty();
    // The held bytes stay until the rebuild has succeeded: a failed save
    // must not leave an export writing nothing.
    unsigned char* rebuilt = nullptr;
    int rebuiltSize = 0;
    if (rebuildTextBufferFromTextEdit(tabPanel, config.textBoxId, held.mode(), held.endsWithNewline(), rebuilt,
                                      rebuiltSize) != 0) {
        if (emptied)
            tabServices().notifySaveWarning(noun(), kEmptySave, kNoticeMs);
        else
            tabServices().notifySaveError(noun(), "Could not rebuild " + noun() + " data from the text editor.",
                                          kNoticeMs);
        return -1;
    }
    // An emptied box is nothing to save, whatever line break the text had;
    // content that is a lone line break shows as that same empty box.
    const bool unchanged =
        rebuiltSize == held.size() && held.bytes() && std::memcmp(rebuilt, held.bytes(), rebuiltSize) == 0;
    if (emptied && !unchanged) {
        CMem::free(rebuilt);
        tabServices().notifySaveWarning(noun(), kEmptySave, kNoticeMs);
        return -1;
    }
    held.block().data = nullptr;
    held.replace(rebuilt, rebuiltSize);
    return 0;
}

int CtrlTextFile::onSave()
{
    string name;
    if (!readRequiredBlockName(name, noun(), noun() + " name cannot be empty."))
        return -1;
    Archive::Block& block = held.block();
    tool()->szCopy(block.name, name.c_str(), sizeof(block.name));
    tool()->szCopy(block.type, getBlockType(), sizeof(block.type));
    if (prepareSaveBuffer() != 0)
        return -1;
    if (held.size() <= 0) {
        tabServices().notifySaveWarning(noun(), kEmptySave, kNoticeMs);
        return -1;
    }
    block.size = static_cast<uint64_t>(held.size());
    block.data = held.bytes();
    const Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    if (!archive) {
        tabServices().notifySaveError(noun(), "Could not get the QEL archive.", kNoticeMs);
        return -1;
    }
    const BlockText::Storage kept = held.storage();
    held.storageForSave(archive);
    const string saved(block.name);
    const string listed = shouldAddBlockToList(block) ? saved : string();
    const int rc = rawBlockSave.save(block, noun(), listed, [this, archive] {
        // The block as just written: an index encrypted later leaves it
        // stored as it is until it is saved again, and the boxes say so.
        held.readBack(*archive);
        updateData();
    });
    if (rc != 0)
        held.putBack(kept); // nothing was written: the block lies as it did
    return rc;
}

int CtrlTextFile::onExport(const string& archivePath) const
{
    const string name = tabServices().exportName();
    if (name.empty()) {
        tabServices().messageBox(config.exportMessageTitle,
                "Could not export the " + noun() + ".\nA " + noun() + " name is required.", MBB_NONE, MBT_WARNING,
                kNoticeMs);
        return -1;
    }
    // Exports go beside the open archive only; folder separators in the
    // name are replaced, so that the file stays there.
    const string path =
        archivePath == tabServices().status().sArchivePath ? tabServices().exportFilePath(name, "") : string();
    if (path.empty() || !tool()->fileExists(tool()->fileGetDir(path.c_str()).c_str())) {
        tabServices().messageBox(config.exportMessageTitle, noun() + " could not be exported:\nfile creation error.",
                                 MBB_NONE, MBT_WARNING, kNoticeMs);
        return -1;
    }
    // Without content there is nothing to write: an empty file would
    // replace whatever the name holds.
    if (!held.bytes() || held.size() <= 0) {
        tabServices().messageBox(config.exportMessageTitle, noun() + " could not be exported:\nnothing is loaded.",
                                 MBB_NONE, MBT_WARNING, kNoticeMs);
        return -1;
    }
    if (tabServices().checkOverwrite(path) != 0)
        return -1;
    if (const int written = writeExportFile(path, held.bytes(), static_cast<size_t>(held.size())); written != 0) {
        const char* reason = written == RC_ERR_NOT_FOUND ? "file creation error." : "file write error.";
        tabServices().messageBox(config.exportMessageTitle, noun() + " could not be exported:\n" + reason, MBB_NONE,
                                 MBT_WARNING, kNoticeMs);
        return -1;
    }
    tabServices().messageBox(config.exportMessageTitle, noun() + " exported to \"" + path + "\": Ok", MBB_OK,
                             MBT_INFORMATION, 0);
    return 0;
}

int CtrlTextFile::onDelete()
{
    const GlobalStatus& status = tabServices().status();
    const WidgetList* list = tabServices().panel().getList(BW_LIST);
    if (!list || list->getSelectedIndex() == 0)
        return -1;
    const string name = list->getSelectedText();
    const char* const title = "Delete File";
    const string question = "Are you sure you want to delete \"" + name + "\" " + noun() + "?";
    if (tabServices().messageBox(title, question, MBB_YESNO, MBT_INFORMATION, 0) != MBB_YES)
        return -1;
    Archive* archive = Main::instance()->archiveMgr()->get(status.iArchiveID);
    if (!archive)
        return -1;
    closeResources();
    Archive::Block& block = held.block();
    tool()->szCopy(block.name, name.c_str(), sizeof(block.name));
    tool()->szCopy(block.type, getBlockType(), sizeof(block.type));
    const NamedPictures::Names named = NamedPictures::namedBy(status.iArchiveID, block);
    if (archive->blockDelete(block) != 0) {
        // Said, and the block opened again when the archive still lists it;
        // its content was released above.
        tabServices().messageBox(title, noun() + " could not be deleted.", MBB_OK, MBT_ERROR, 0);
        showNoContent();
        return recoverResourceDeleteFailure(name);
    }
    // A document's hidden pictures would be left where no tab reaches them.
    NamedPictures::removeUnnamedHidden(status.iArchiveID, named);
    return finishResourceDelete();
}
