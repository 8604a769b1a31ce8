#include "tabs/data/ctrlUndelete.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/BlockText.h"
#include "tabs/base/ExportFile.h"
#include "tabs/base/NamedPictures.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/TabControls.h"
#include "tabs/data/MapTileSetRestore.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <array>
#include <cstdint>
#include <cstring>

using namespace Zelkoran;

namespace {

constexpr std::array<int, 3> kStorageBoxes = {CtrlUndelete::UW_RAW, CtrlUndelete::UW_COMPRESSED,
                                              CtrlUndelete::UW_CRYPTED};
// The storage boxes: wide enough for "Compressed" beside the box.
constexpr int kStorageBoxWidth = 100;

constexpr const char* kTitle = "Undelete a block";
constexpr const char* kNoBlock = "No block";
constexpr int kTypeTop = basePanelRows::kFirstLine;
constexpr int kSizeTop = basePanelRows::kSecondLine;
constexpr int kBlockSizeTop = basePanelRows::kThirdLine;
constexpr uint32_t kNumberRange = 9999; // numbers 0..9998 make a taken name free

// The hidden image block each owner type keeps beside it.
struct ImageOwner {
    const char* type;
    const char* prefix;
};
constexpr ImageOwner kImageOwners[] = {
    {"ZK7_CURSOR", "#C_"},
    {"ZK7_SPRITE", "#S_"},
    {"ZK7_TILE", "#T_"},
    {"ZK7_FONT", "#F_"},
};

CtrlBase::string fieldText(const char* field, size_t size) { return CtrlBase::string(field, strnlen(field, size)); }

} // namespace

CtrlUndelete::CtrlUndelete(ResourceManager* rm, GlobalStatus* gs) : CtrlBase("Undelete", TAB_UNDELETE, rm, gs)
{
    Panel& tabPanel = tabServices().panel();
    const int font = tabServices().resources().get(SR_FONT);
    const struct {
        int id;
        const char* name;
        float top;
    } boxes[] = {{UW_RAW, "Raw", basePanelRows::kRawBox},
                 {UW_COMPRESSED, "Compressed", basePanelRows::kCompressedBox},
                 {UW_CRYPTED, "Crypted", basePanelRows::kCryptedBox}};
    for (const auto& spec : boxes)
        if (WidgetCheckBox* box = ui::addCheckBox(tabPanel, {.name = spec.name, .id = spec.id, .x = ui::centred(),
                                                             .y = ui::top(spec.top), .w = kStorageBoxWidth, .h = 22,
                                                             .text = spec.name, .font = font}))
            box->setFeatures(WF_EVENTS, true);
    ui::addButton(tabPanel, {.name = "UndeleteButton", .id = UW_UNDELETE, .x = ui::centred(), .y = ui::bottom(-15),
                             .w = 70, .h = 20, .text = "Undelete", .font = font,
                             .tooltip = "Restore the selected deleted block"});
    ui::addLabel(tabPanel, {.name = "Type", .id = UW_TYPE, .x = ui::centred(), .y = ui::top(kTypeTop), .text = "",
                            .font = font});
    ui::addLabel(tabPanel, {.name = "Size", .id = UW_SIZE, .x = ui::centred(), .y = ui::top(kSizeTop), .text = "",
                            .font = font});
    ui::addLabel(tabPanel, {.name = "Blocksize", .id = UW_BLOCKSIZE, .x = ui::centred(), .y = ui::top(kBlockSizeTop),
                            .text = "", .font = font});
    for (int id : {static_cast<int>(BW_NEW), static_cast<int>(BW_SAVE), static_cast<int>(BW_DELETE),
                   static_cast<int>(UW_UNDELETE)})
        tabServices().setUsable(id, false);
    if (WidgetTextEdit* name = tabPanel.getTextEdit(BW_NAME)) {
        name->setReadOnly(true);
        name->setFeatures(WF_EVENTS, true);
    }
    onNew();
}

CtrlUndelete::~CtrlUndelete() { clearSelection(); }

void CtrlUndelete::clearSelection()
{
    selectedBlock.data = nullptr;
    selectedSize = 0;
    selectedIndex = -1;
}

int CtrlUndelete::parseQEL()
{
    Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    WidgetList* list = tabServices().panel().getList(BW_LIST);
    if (list)
        list->clearItems();
    positionsByName.clear();
    const int count = archive ? archive->getIndexCount() : 0;
    for (int i = 0; i < count; ++i) {
        Archive::Block block;
        if (archive->blockAt(i, block) != 0 || !block.deleted || block.name[0] == '#')
            continue;
        const string name = fieldText(block.name, sizeof(block.name));
        if (list)
            list->addItem(name.c_str());
        positionsByName[name].push_back(i);
    }
    if (selectedIndex >= 0 && (!list || rowPosition(list->getSelectedIndex()) != selectedIndex))
        onNew();
    return 0;
}

int CtrlUndelete::rowPosition(int row) const
{
    const WidgetList* list = tabServices().panel().getList(BW_LIST);
    const char* text = list && row > 0 ? list->getItemText(row) : nullptr;
    if (!text)
        return -1;
    const auto known = positionsByName.find(std::string_view(text));
    if (known == positionsByName.end())
        return -1;
    size_t occurrence = 0;
    for (int r = 1; r < row; ++r)
        if (std::strcmp(list->getItemText(r), text) == 0)
            ++occurrence;
    return occurrence < known->second.size() ? known->second[occurrence] : -1;
}

int CtrlUndelete::refreshWidgets()
{
    const int result = CtrlBase::refreshWidgets();
    // The tab writes nothing; the base would offer Save and Delete for a selection.
    for (int id : {static_cast<int>(BW_NEW), static_cast<int>(BW_SAVE), static_cast<int>(BW_DELETE)})
        tabServices().setUsable(id, false);
    return result;
}

int CtrlUndelete::processEvent(int widgetId, int)
{
    Panel& tabPanel = tabServices().panel();
    switch (widgetId) {
    case BW_SLIDER: {
        WidgetList* list = tabPanel.getList(BW_LIST);
        const WidgetSlider* slider = tabPanel.getSlider(BW_SLIDER);
        if (list && slider)
            list->setScroll(slider->getValue() - list->getScroll(), nullptr);
        break;
    }
    case UW_UNDELETE: onUndelete(); break;
    case BW_LIST: onListBox(); break;
    case UW_RAW:
    case UW_COMPRESSED:
    case UW_CRYPTED:
        // The boxes only show the stored mode: a click must not change what they say.
        updateData();
        break;
    default: break;
    }
    const WidgetLabel* type = tabPanel.getLabel(UW_TYPE);
    const bool none = type && std::strcmp(type->getText(), kNoBlock) == 0;
    showUsable(!none);
    return none ? 4 : 0;
}

void CtrlUndelete::showUsable(bool shown) const
{
    for (int id : kStorageBoxes)
        tabServices().setUsable(id, shown);
    tabServices().setUsable(UW_UNDELETE, shown);
}

int CtrlUndelete::render(int)
{
    tabServices().screen().clear(128, 128, 128, 255);
    return 0;
}

int CtrlUndelete::onListBox()
{
    Panel& tabPanel = tabServices().panel();
    if (CtrlBase::onListBox() != 0)
        return -1;
    WidgetList* list = tabPanel.getList(BW_LIST);
    const int row = list ? list->getSelectedIndex() : 0;
    const int position = rowPosition(row);
    if (position >= 0 && position == selectedIndex)
        return 0;
    setCurrentItemName(row > 0 ? string(list->getItemText(row)) : string());
    clearSelection();
    // The entry itself, by its position: rows that share a name (or a name
    // and a type) each stand for their own entry.
    Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    Archive::Block entry;
    if (position < 0 || !archive || archive->blockAt(position, entry) != 0 || !entry.deleted ||
        fieldText(entry.name, sizeof(entry.name)) != getCurrentItemName())
        return -1;
    if (entry.size > static_cast<uint64_t>(INT32_MAX))
        return -1;
    selectedBlock = entry;
    selectedIndex = position;
    selectedSize = static_cast<int32_t>(selectedBlock.size);
    if (WidgetLabel* label = tabPanel.getLabel(UW_TYPE))
        label->setText(fieldText(selectedBlock.type, sizeof(selectedBlock.type)).c_str(), ui::centred(), ui::centred());
    updateData();
    return 0;
}

int CtrlUndelete::onNew()
{
    Panel& tabPanel = tabServices().panel();
    if (!tabPanel.getList(BW_LIST))
        return -1;
    CtrlBase::onNew();
    clearSelection();
    setLabel(tabPanel, UW_TYPE, kNoBlock, kTypeTop);
    setLabel(tabPanel, UW_SIZE, "Size: 0 B", kSizeTop);
    setLabel(tabPanel, UW_BLOCKSIZE, "QEL Blocksize: 0 B", kBlockSizeTop);
    for (int id : kStorageBoxes)
        if (WidgetCheckBox* box = tabPanel.getCheckBox(id))
            box->setChecked(false);
    // Also when the selection goes without an event of the tab (a defrag).
    showUsable(false);
    return 0;
}

int CtrlUndelete::onSave() { return 0; }

int CtrlUndelete::onDelete() { return 0; }

int CtrlUndelete::onImport() { return 0; }

int CtrlUndelete::onExport(const string&) const { return 0; }

int CtrlUndelete::updateData()
{
    Panel& tabPanel = tabServices().panel();
    if (selectedSize == 0)
        return 0;
    if (WidgetLabel* type = tabPanel.getLabel(UW_TYPE))
        type->setPosition(ui::centred(), ui::top(kTypeTop));
    setLabel(tabPanel, UW_SIZE, "Size: " + humanSize(static_cast<uint64_t>(selectedSize)), kSizeTop);
    setLabel(tabPanel, UW_BLOCKSIZE, "QEL Blocksize: " + humanSize(selectedBlock.storedSize), kBlockSizeTop);
    BlockText::showStorageMode(tabPanel, kStorageBoxes, selectedBlock.storage);
    showUsable(true);
    return 0;
}

int CtrlUndelete::closeResources()
{
    clearSelection();
    return 0;
}

int CtrlUndelete::failUndelete(const char* reason) const
{
    const string text = string("Block could not be recovered.\n") + reason;
    tabServices().messageBox(kTitle, text, MBB_OK, MBT_ERROR, 0);
    return -1;
}

int CtrlUndelete::onUndelete()
{
    Archive* archive = Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    if (!archive)
        return failUndelete("QEL archive is not available.");
    if (selectedIndex < 0)
        return failUndelete("");
    const string type = fieldText(selectedBlock.type, sizeof(selectedBlock.type));
    for (const ImageOwner& owner : kImageOwners)
        if (type == owner.type)
            return undeleteWithImage(*archive, owner.prefix, type);
    return undeleteRenaming(*archive, type);
}

int CtrlUndelete::undeleteWithImage(Archive& archive, const char* prefix, const string& type)
{
    const string name = fieldText(selectedBlock.name, sizeof(selectedBlock.name));
    char imageName[sizeof(selectedBlock.name)];
    Main::instance()->tool()->szCopy(imageName, (prefix + name).c_str(), sizeof(imageName));
    const int imagePosition = NamedPictures::deletedImage(archive, imageName, selectedIndex);
    if (imagePosition < 0)
        return failUndelete("Deleted associated image was not found.");
    if (archive.blockSearch(selectedBlock) >= 0)
        return failUndelete("It has an associated image and already exist.\nCan not be renamed.");
    if (archive.blockUndelete(imagePosition, nullptr) != 0)
        return failUndelete("Deleted associated image could not be recovered.");
    if (archive.blockUndelete(selectedIndex, nullptr) != 0) {
        // An image restored without its owner would hide the owner from any
        // later restore, which looks for a deleted image: delete it again.
        archive.blockDelete(Archive::Block(imageName, "ZK7_IMAGE"));
        return failUndelete("");
    }
    return reportRecovered(name, type);
}

int CtrlUndelete::undeleteRenaming(Archive& archive, const string& type)
{
    const string name = freeRestoreName(archive);
    if (name.empty() || archive.blockUndelete(selectedIndex, name.c_str()) != 0)
        return failUndelete("");
    Main::instance()->tool()->szCopy(selectedBlock.name, name.c_str(), sizeof(selectedBlock.name));
    const int archiveId = tabServices().status().iArchiveID;
    MapTileSetRestore tileSets(archive, archiveId);
    if (type == "ZK7_XML" && !tileSets.restore(tileSets.namedBy(selectedBlock.name), selectedIndex)) {
        archive.blockDelete(selectedBlock);
        return failUndelete("Deleted tile set could not be recovered.");
    }
    // A map or panel without its hidden pictures could never be built
    // again, and no tab would reach them: they come back with it.
    if (!NamedPictures::restoreDeleted(archive, NamedPictures::namedBy(archiveId, selectedBlock), selectedIndex)) {
        tileSets.undo();
        archive.blockDelete(selectedBlock);
        return failUndelete("Deleted associated image could not be recovered.");
    }
    string taken;
    for (const string& tileSet : tileSets.taken())
        taken += "\nIts tile set \"" + tileSet +
                 "\" as saved with it was not recovered: a block stored since holds that name.";
    return reportRecovered(name, type, taken);
}

CtrlBase::string CtrlUndelete::freeRestoreName(const Archive& archive) const
{
    const string name = fieldText(selectedBlock.name, sizeof(selectedBlock.name));
    if (archive.blockSearch(selectedBlock) < 0)
        return name;
    // The first number is drawn at random; the following ones are tried in
    // turn so that a taken name never makes the restore fail while a free
    // one exists. The base name gives way to the number, since the archive
    // would otherwise cut the number off and clash with the live block.
    Tool* tool = Main::instance()->tool();
    const uint32_t first = tool->randMWC() % kNumberRange;
    for (uint32_t step = 0; step < kNumberRange; ++step) {
        string number;
        tool->intToStrDec(static_cast<int>((first + step) % kNumberRange), number);
        const size_t room = static_cast<size_t>(kMaxBlockName) - number.size();
        const string candidate = name.substr(0, Main::instance()->tool()->utf8Prefix(name, room)) + number;
        if (archive.blockSearch(Archive::Block(candidate.c_str(), selectedBlock.type)) < 0)
            return candidate;
    }
    return string();
}

int CtrlUndelete::reportRecovered(const string& name, const string& type, const string& note)
{
    const string text = "Block was recovered:\n Name: " + name + "\n Type: " + type + note;
    tabServices().messageBox(kTitle, text, MBB_OK, MBT_INFORMATION, 0);
    if (WidgetList* list = tabServices().panel().getList(BW_LIST); list && list->getSelectedIndex() > 0) {
        // The entry leaves the name's positions with its row.
        const auto known = positionsByName.find(std::string_view(list->getSelectedText()));
        if (known != positionsByName.end())
            std::erase(known->second, selectedIndex);
        list->removeItem(list->getSelectedIndex());
    }
    tabServices().status().bReparseAll = 1;
    onNew();
    return 0;
}
