#include "tabs/base/ctrlBase.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/blockTypeSlots.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>


#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

using namespace Zelkoran;

namespace {

constexpr int kPulsePeriod = 80;
constexpr int kPulseHalf = kPulsePeriod / 2;
constexpr int kPulseMinAlpha = 64;
constexpr int kPulseAlphaRange = 191;

[[noreturn]] void fatal(const CtrlBase::string& message) { Internal::fatalError(message.c_str(), nullptr, 0); }

// Enables or disables w only when its status says the other.
void setWidgetUsable(Widget* w, bool usable)
{
    const bool enabled = w->status() != 0;
    if (usable && !enabled)
        w->enable();
    else if (!usable && enabled)
        w->disable();
}

} // namespace

namespace {

// The check box and base panel of tab name, with the services built on them;
// whatever is missing ends the program.
TabServices makeTabServices(const CtrlBase::string& name, int checkBoxID, ResourceManager* rm, GlobalStatus* gs)
{
    if (!rm)
        fatal("Could not create an Skardy controller without a ResourceManager.");
    if (!gs)
        fatal("Could not create an Skardy controller without a GlobalStatus.");
    if (rm->createTabCheckbox(name.c_str(), checkBoxID) != 0)
        fatal("Could not create the Skardy tab checkbox: " + name);
    Panel* panel = Main::instance()->guiMgr()->getPanel(rm->createBasePanel(name.c_str()));
    if (!panel)
        fatal("Could not create the Skardy panel: " + name);
    addBasePanelWidgets(*panel, *rm, name.c_str());
    Screen* screen = Main::instance()->configMgr()->get(0);
    if (!screen)
        fatal("Could not get the default Skardy screen.");
    return TabServices(*panel, *screen, *rm, *gs);
}

} // namespace

CtrlBase::CtrlBase(const string& name, int checkBoxID, ResourceManager* rm, GlobalStatus* gs)
    : services(makeTabServices(name, checkBoxID, rm, gs))
{
    std::memset(blockType, 0, sizeof(blockType));
    globalStatus = gs;
    resourceManager = rm;
    tabName = name;
    checkBoxId = checkBoxID;
    panel = &services.panel();
    screen = &services.screen();
}

CtrlBase::~CtrlBase()
{
    if (itemHandle != 0)
        editorLog().msg(LOG_CRITICAL, " [CtrlBase] Critical: item resource was not closed 0x%x!!\n",
                        static_cast<unsigned>(itemHandle));
}

int CtrlBase::parseQEL()
{
    return rebuildBlockList([this](const Archive::Block& block) { return acceptsByDefault(block); });
}

bool CtrlBase::acceptsByDefault(const Archive::Block& block) const
{
    // Both types are zero-padded: a fixed-size compare, inlined, for lists of millions.
    return std::memcmp(block.type, blockType, sizeof(blockType)) == 0 && block.name[0] != '#';
}

int CtrlBase::rebuildBlockList(const BlockFilter& filter)
{
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    WidgetList* list = panel->getList(BW_LIST);
    if (!list)
        return -1;
    const string remembered = list->getSelectedText();
    list->clearItems();
    auto visit = [&](int i) {
        // Most entries are of other types: only the type is looked at for them.
        const char* type = archive->blockTypeAt(i);
        Archive::Block block;
        if (!type || std::memcmp(type, blockType, sizeof(blockType)) != 0 || archive->blockAt(i, block) != 0
            || block.deleted || !filter(block))
            return;
        list->addItem(block.name); // blockAt terminates the name
    };
    if (const std::vector<int>* slots = BlockTypeSlots::of(archive, blockType)) {
        list->reserveItems(static_cast<int>(slots->size()));
        for (int i : *slots)
            visit(i);
    } else {
        const int count = archive ? archive->getIndexCount() : 0;
        for (int i = 0; i < count; ++i)
            visit(i);
    }
    if (!remembered.empty() && !selectBlockListItemByName(remembered))
        list->setSelectedIndex(0);
    return 0;
}

int CtrlBase::selectBlockListItemByName(const string& name)
{
    WidgetList* list = panel->getList(BW_LIST);
    if (!list)
        return 0;
    const int count = list->getItemCount();
    for (int i = 1; i <= count; ++i)
        if (name == list->getItemText(i)) {
            list->setSelectedIndex(i);
            return 1;
        }
    list->setSelectedIndex(0);
    return 0;
}

int CtrlBase::refreshWidgets()
{
    WidgetList* list = panel->getList(BW_LIST);
    WidgetSlider* slider = panel->getSlider(BW_SLIDER);
    WidgetButton* remove = panel->getButton(BW_DELETE);
    WidgetButton* save = panel->getButton(BW_SAVE);
    WidgetTextEdit* name = panel->getTextEdit(BW_NAME);
    if (!list || !slider || !remove || !save || !name)
        return -1;
    const int steps = std::max(list->getItemCount() - list->getVisibleItems() + 1, 1);
    slider->setRange(0, steps - 1);
    slider->setValue(list->getScroll());
    const bool selected = list->getSelectedIndex() != 0;
    const string text = name->getText();
    setWidgetUsable(remove, selected);
    setWidgetUsable(save, selected || !text.empty());
    return 0;
}

int CtrlBase::processEvent(int widgetId, int)
{
    WidgetList* list = panel->getList(BW_LIST);
    WidgetSlider* slider = panel->getSlider(BW_SLIDER);
    if (!list || !slider)
        return -1;
    int handled = 0;
    switch (widgetId) {
    case BW_LIST: handled = onListBox(); break;
    case BW_SLIDER: list->setScroll(slider->getValue() - list->getScroll(), nullptr); break;
    case BW_NEW: handled = onNew(); break;
    case BW_SAVE: handled = onSave(); break;
    case BW_DELETE: handled = onDelete(); break;
    case BW_NAME:
        if (WidgetTextEdit* name = panel->getTextEdit(BW_NAME); name && name->getText() != currentItemName) {
            dirty = true;
            updateDirtyIndicator();
        }
        break;
    default: break;
    }
    const int refreshed = refreshWidgets();
    return handled != 0 ? handled : refreshed;
}

int CtrlBase::update() { return 0; }

int CtrlBase::resetWidgets()
{
    if (WidgetList* list = panel->getList(BW_LIST))
        list->clearItems();
    if (WidgetSlider* slider = panel->getSlider(BW_SLIDER))
        slider->setRange(0, 0);
    onNew();
    return 0;
}

int CtrlBase::handleMouseEvent(SDL_Event*) { return 0; }

int CtrlBase::onActivate() { return 0; }

int CtrlBase::onDeactivate() { return 0; }

int CtrlBase::onListBox()
{
    WidgetList* list = panel->getList(BW_LIST);
    if (!list)
        return -1;
    if (list->getSelectedIndex() == 0)
        return 0;
    const string text = list->getSelectedText();
    if (text != currentItemName)
        clearDirtyState();
    if (WidgetTextEdit* name = panel->getTextEdit(BW_NAME))
        name->setText(text.c_str());
    return 0;
}

int CtrlBase::onNew()
{
    if (WidgetList* list = panel->getList(BW_LIST))
        list->setSelectedIndex(0);
    if (WidgetTextEdit* name = panel->getTextEdit(BW_NAME))
        name->setText("");
    currentItemName.clear();
    clearDirtyState();
    return 0;
}

int CtrlBase::getNumItems() const
{
    const WidgetList* list = panel->getList(BW_LIST);
    return list ? list->getItemCount() : 0;
}

int CtrlBase::show() const
{
    panel->baseWidget()->show();
    return 0;
}

int CtrlBase::hide() const
{
    panel->baseWidget()->hide();
    return 0;
}

void CtrlBase::clearDirtyState()
{
    dirty = false;
    dirtyTick = 0;
    updateDirtyIndicator();
}

void CtrlBase::setDirty(bool isDirty)
{
    dirty = isDirty;
    if (!isDirty)
        dirtyTick = 0;
    updateDirtyIndicator();
}

void CtrlBase::updateDirtyIndicator()
{
    WidgetFrame* frame = panel ? panel->getFrame(BW_DIRTY_FRAME) : nullptr;
    const WidgetButton* save = panel ? panel->getButton(BW_SAVE) : nullptr;
    if (!frame || !save)
        return;
    if (!dirty || save->status() == 0) {
        // The frame is hidden nearly every frame; hiding it again would only
        // make the GUI draw once more.
        if (frame->isShown())
            frame->hide();
        return;
    }
    dirtyTick = dirtyTick % kPulsePeriod + 1; // the tick counts 1..80 and starts over
    const int t = dirtyTick % kPulsePeriod;
    const int triangle = t < kPulseHalf ? t : kPulsePeriod - t;
    const int alpha = triangle * kPulseAlphaRange / kPulseHalf + kPulseMinAlpha;
    frame->setSize(34, 34);
    frame->setPosition(ui::centred(), ui::top(172));
    frame->setBackgroundColor(255, 170, 32, WS_ALL);
    frame->setBorderColor(255, 170, 32, alpha, WS_ALL);
    frame->setBorderWidth(2, WS_ALL);
    frame->setAlphaMod(alpha);
    frame->show();
}

int CtrlBase::widgetInt(int widgetId, int defaultValue, int maximum, int minimum) const
{
    int value = 0;
    if (WidgetNumberEdit* number = panel->getNumberEdit(widgetId)) {
        value = static_cast<int>(number->getValue());
    } else if (WidgetTextEdit* edit = panel->getTextEdit(widgetId)) {
        const string text = edit->getText();
        if (text.empty())
            return defaultValue;
        value = Main::instance()->tool()->strDecToInt(text.c_str());
    } else {
        return defaultValue;
    }
    if (value > maximum)
        return maximum;
    if (value < minimum)
        return minimum;
    return value;
}

eAudioTrackTag CtrlBase::audioTagFromWidgetID(int widgetId, int musicId, int sfxId, int voiceId, int customId,
                                              eAudioTrackTag defaultTag)
{
    if (widgetId == musicId)
        return ATT_MUSIC;
    if (widgetId == sfxId)
        return ATT_SFX;
    if (widgetId == voiceId)
        return ATT_VOICE;
    if (widgetId == customId)
        return ATT_CUSTOM;
    return defaultTag;
}

void CtrlBase::applyAudioTagToWidgets(Panel* tagPanel, int tag, int musicId, int sfxId, int voiceId, int customId,
                                      eAudioTrackTag defaultTag)
{
    if (!tagPanel)
        return;
    WidgetCheckBox* boxes[4] = {tagPanel->getCheckBox(musicId), tagPanel->getCheckBox(sfxId),
                                tagPanel->getCheckBox(voiceId), tagPanel->getCheckBox(customId)};
    for (WidgetCheckBox* box : boxes)
        if (box)
            box->setChecked(false);
    const int chosen = tag >= ATT_MUSIC && tag <= ATT_CUSTOM ? tag : defaultTag;
    // Any value outside 1..3 ticks the custom box.
    const int index = chosen >= ATT_MUSIC && chosen <= ATT_VOICE ? chosen - 1 : 3;
    if (boxes[index])
        boxes[index]->setChecked(true);
}

eAudioTrackTag CtrlBase::selectedAudioTagFromWidgets(Panel* tagPanel, int musicId, int sfxId, int voiceId,
                                                     int customId, eAudioTrackTag defaultTag)
{
    if (!tagPanel)
        return defaultTag;
    const int ids[4] = {musicId, sfxId, voiceId, customId};
    for (int i = 0; i < 4; ++i)
        if (const WidgetCheckBox* box = tagPanel->getCheckBox(ids[i]); box && box->isChecked())
            return static_cast<eAudioTrackTag>(ATT_MUSIC + i);
    return defaultTag;
}

// --- save, delete and export ---

namespace {

const char* const kNoRoomText = "There is no room for more QEL blocks.\nDefrag/resize the QEL file and try again.";
const char* const kKeyNeededText = "Encrypted blocks require a QEL password.\nUse the menu Encryption and password "
                                   "button to set it before saving this block.";
const char* const kKeyRefusedText = "Could not set the QEL password for this encrypted block.";
const char* const kSaveTitleSuffix = ": save to QEL";
constexpr int kSuccessNoticeMs = 1500;
constexpr int kSaveNoticeMs = 2000;

} // namespace

CtrlBase::string CtrlBase::getArchiveSaveErrorMessage(int code, const string& fallback) const
{
    if (code == RC_ERR_NO_SLOT)
        return kNoRoomText;
    if (code == RC_ERR_KEY)
        return kKeyNeededText;
    return fallback;
}

bool CtrlBase::setArchiveKeyForEncryptedSave(Archive* archive, const string& title) const
{
    if (!archive || !globalStatus->bKeyRemembered) {
        services.messageBox(title, kKeyNeededText, MBB_OK, MBT_WARNING, 0);
        return false;
    }
    if (archive->setKey(globalStatus->szKey, static_cast<int>(globalStatus->iKeyLength)) == 0)
        return true;
    services.messageBox(title, kKeyRefusedText, MBB_OK, MBT_ERROR, 0);
    return false;
}

bool CtrlBase::readRequiredBlockName(string& name, const string& prefix, const string& message) const
{
    const WidgetTextEdit* field = panel->getTextEdit(BW_NAME);
    name = field ? field->getText() : string();
    if (name.empty()) {
        services.notifySaveWarning(prefix, message, kSaveNoticeMs);
        return false;
    }
    return services.acceptBlockName(name, prefix);
}

CtrlBase::string CtrlBase::selectedListName() const
{
    const WidgetList* list = panel ? panel->getList(BW_LIST) : nullptr;
    return list ? list->getSelectedText() : "";
}

int CtrlBase::switchToSelected(string& selected)
{
    if (CtrlBase::onListBox() != 0)
        return -1;
    selected = selectedListName();
    if (selected == currentItemName)
        return 0;
    currentItemName = selected;
    closeResources();
    return 1;
}

CtrlBase::string CtrlBase::exportName() const
{
    const WidgetTextEdit* field = panel->getTextEdit(BW_NAME);
    string name = field ? field->getText() : string();
    if (const WidgetList* list = panel->getList(BW_LIST); name.empty() && list && list->getSelectedIndex() != 0)
        name = list->getSelectedText();
    return name;
}

bool CtrlBase::selectSavedItem(const string& name)
{
    const bool listed = !name.empty() && selectBlockListItemByName(name);
    if (!listed)
        panel->getList(BW_LIST)->setSelectedIndex(0);
    currentItemName = listed ? name : string();
    clearDirtyState();
    return listed;
}

int CtrlBase::refreshBlockListAndSelect(const string& name)
{
    if (const int rc = parseQEL(); rc != 0)
        return rc;
    if (!panel->getList(BW_LIST))
        return -1;
    return selectSavedItem(name) ? 0 : -1;
}

void CtrlBase::notifySaveSuccess(const string& kind)
{
    clearDirtyState();
    services.messageBox(kind + kSaveTitleSuffix, kind + " saved.", MBB_NONE, MBT_INFORMATION, kSuccessNoticeMs);
}

int CtrlBase::finishResourceSave(const string& kind, const string& name)
{
    globalStatus->bReparseAll = 1;
    // The block is written: the notice is due even when the list cannot follow.
    if (parseQEL() == 0 && panel->getList(BW_LIST))
        selectSavedItem(name);
    notifySaveSuccess(kind);
    return 0;
}

int CtrlBase::finishResourceDelete()
{
    if (WidgetList* list = panel->getList(BW_LIST))
        list->removeItem(list->getSelectedIndex());
    globalStatus->bReparseAll = 1;
    onNew();
    return 0;
}

int CtrlBase::recoverResourceDeleteFailure(const string& name)
{
    refreshBlockListAndSelect(name);
    // A current item that differs from the selection makes the tab load it again.
    currentItemName.clear();
    onListBox();
    return -1;
}

int CtrlBase::saveResource(const string& kind, const string& emptyNameMessage, const NamedStep& save)
{
    string name;
    if (!readRequiredBlockName(name, kind, emptyNameMessage))
        return -1;
    if (save(name) != 0)
        return -1;
    return finishResourceSave(kind, name);
}

int CtrlBase::deleteSelectedResource(const string& noun, const NamedStep& remove, const string& failure)
{
    const WidgetList* list = panel->getList(BW_LIST);
    if (!list || list->getSelectedIndex() == 0)
        return -1;
    const string name = list->getSelectedText();
    const string title = "Delete " + noun;
    const string question = "Are you sure you want to delete \"" + name + "\" " + noun + "?";
    if (services.messageBox(title, question, MBB_YESNO, MBT_INFORMATION, 0) != MBB_YES)
        return -1;
    closeResources();
    if (remove(name) != 0) {
        services.messageBox(title, failure.empty() ? noun + " could not be deleted." : failure, MBB_OK, MBT_ERROR, 0);
        return recoverResourceDeleteFailure(name);
    }
    return finishResourceDelete();
}

int CtrlBase::saveRawBlock(const Archive::Block& block, const string& noun, const string& listedName,
                           const std::function<void()>& refreshOwn)
{
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    if (Archive::isEncryptedStorage(block.storage) && !setArchiveKeyForEncryptedSave(archive, noun))
        return -1;
    const string fallback = noun + " could not be saved.";
    if (!archive) {
        services.notifySaveError(noun, fallback, kSaveNoticeMs);
        return -1;
    }
    if (const int rc = archive->blockAdd(block); rc != 0) {
        services.notifySaveError(noun, getArchiveSaveErrorMessage(rc, fallback), kSaveNoticeMs);
        return -1;
    }
    globalStatus->bSecured = isSecured(*archive);
    globalStatus->bReparseAll = 1;
    refreshBlockListAndSelect(listedName);
    if (refreshOwn)
        refreshOwn();
    notifySaveSuccess(noun);
    return 0;
}

uint32_t CtrlBase::newBlockStorage(uint32_t plain) const
{
    const Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    return archive ? blockStorage(*archive, plain) : plain;
}

// --- text view of block buffers ---

namespace {

// Tab, LF, CR and every byte from 32 on except DEL.
bool isTextByte(unsigned char byte) { return byte == 9 || byte == 10 || byte == 13 || (byte >= 32 && byte != 127); }

} // namespace

int CtrlBase::checkAndPopulateASCII(const unsigned char* buffer, int length, ASCIIMode& mode, bool& endsWithNewline,
                                    int textEditId)
{
    if (!buffer)
        return 0;
    WidgetTextEdit* edit = panel->getTextEdit(textEditId);
    endsWithNewline = false;
    if (edit)
        edit->setText("");
    const std::string_view text(reinterpret_cast<const char*>(buffer), static_cast<size_t>(std::max(length, 0)));
    if (!std::all_of(text.begin(), text.end(), [](char c) { return isTextByte(static_cast<unsigned char>(c)); })) {
        mode = AM_BINARY;
        if (edit)
            edit->disable();
        return 0;
    }
    if (edit)
        edit->enable();
    const bool crlf = text.find("\r\n") != std::string_view::npos;
    mode = crlf ? AM_CRLF : text.find('\n') != std::string_view::npos ? AM_LF : AM_ONE_LINE;
    const std::string_view separator = mode == AM_CRLF ? "\r\n" : mode == AM_LF ? "\n" : "";
    // Only a buffer that ends with its own separator gets one back when it is
    // rebuilt; a lone CR (or, between CR LF lines, a lone LF) at the end stays
    // inside the last line, or the rebuild would add bytes.
    endsWithNewline = mode == AM_ONE_LINE ? text.ends_with('\r') : text.ends_with(separator);

    std::vector<std::string_view> lines;
    size_t start = 0;
    if (!separator.empty())
        for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
            lines.push_back(text.substr(start, at - start));
            start = at + separator.size();
        }
    if (start < text.size())
        lines.push_back(text.substr(start));
    if (!edit)
        return 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const string line(lines[i]);
        if (i == 0)
            edit->setLine(1, line.c_str());
        else
            edit->appendLine(line.c_str());
    }
    return 0;
}

int CtrlBase::rebuildTextBufferFromTextEdit(int textEditId, ASCIIMode mode, bool endsWithNewline,
                                            unsigned char*& buffer, int& length) const
{
    buffer = nullptr;
    length = 0;
    const WidgetTextEdit* edit = mode == AM_BINARY ? nullptr : panel->getTextEdit(textEditId);
    if (!edit)
        return -1;
    const int count = edit->getLineCount();
    const char* separator = mode == AM_CRLF ? "\r\n" : mode == AM_LF || count > 1 ? "\n" : "";
    string joined;
    for (int i = 1; i <= count; ++i) {
        if (i > 1)
            joined += separator;
        joined += edit->getLine(i);
    }
    if (endsWithNewline)
        joined += separator;
    if (joined.empty() || joined.size() > static_cast<size_t>(INT_MAX))
        return -1;
    buffer = static_cast<unsigned char*>(CMem::alloc(joined.size(), kSkardyMemoryModule));
    if (!buffer)
        return -1;
    std::memcpy(buffer, joined.data(), joined.size());
    length = static_cast<int>(joined.size());
    return 0;
}

void CtrlBase::setUsable(int widgetId, bool usable) const
{
    if (Widget* widget = panel->getWidgetByID(widgetId))
        setWidgetUsable(widget, usable);
}

