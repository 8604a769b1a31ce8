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
#include <cstring>
#include <vector>

using namespace Zelkoran;

namespace {

constexpr int kPulsePeriod = 80;
constexpr int kPulseHalf = kPulsePeriod / 2;
constexpr int kPulseMinAlpha = 64;
constexpr int kPulseAlphaRange = 191;

[[noreturn]] void fatal(const CtrlBase::string& message) { Internal::fatalError(message.c_str(), nullptr, 0); }

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
    return rebuildBlockList([this](const Archive::Block& block) { return acceptsByDefault(block, blockType); });
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
        Archive::Block block;
        if (archive->blockAt(i, block) != 0 || block.deleted || !filter(block))
            return;
        list->addItem(block.name); // blockAt terminates the name
    };
    if (const std::vector<int>* slots = BlockTypeSlots::of(archive, blockType)) {
        list->reserveItems(static_cast<int>(slots->size()));
        for (int i : *slots)
            visit(i);
    } else {
        const int count = archive ? archive->getIndexCount() : 0;
        for (int i = 0; i < count; ++i) {
            // Most entries are of other types: only the type is looked at for them.
            const char* type = archive->blockTypeAt(i);
            if (type && std::memcmp(type, blockType, sizeof(blockType)) == 0)
                visit(i);
        }
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
    services.setUsable(BW_DELETE, selected);
    services.setUsable(BW_SAVE, selected || !text.empty());
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
        setDirty(false);
    if (WidgetTextEdit* name = panel->getTextEdit(BW_NAME))
        name->setText(text.c_str());
    return 0;
}

void CtrlBase::setBlockType(const char* type) { Main::instance()->tool()->szCopy(blockType, type, sizeof(blockType)); }

int CtrlBase::onNew()
{
    if (WidgetList* list = panel->getList(BW_LIST))
        list->setSelectedIndex(0);
    if (WidgetTextEdit* name = panel->getTextEdit(BW_NAME))
        name->setText("");
    currentItemName.clear();
    setDirty(false);
    return 0;
}

int CtrlBase::reloadShown()
{
    if (currentItemName.empty())
        return 0;
    const string name = currentItemName;
    currentItemName.clear(); // the row is chosen anew, not as the one shown
    return selectBlockListItemByName(name) ? onListBox() : onNew();
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

// --- save, delete and export ---

namespace {

const char* const kSaveTitleSuffix = ": save to QEL";
constexpr int kSuccessNoticeMs = 1500;

} // namespace

bool CtrlBase::readRequiredBlockName(string& name, const string& prefix, const string& message) const
{
    const WidgetTextEdit* field = panel->getTextEdit(BW_NAME);
    name = field ? field->getText() : string();
    if (name.empty()) {
        services.notifySaveWarning(prefix, message, TabServices::kSaveNoticeMs);
        return false;
    }
    return services.acceptBlockName(name, prefix);
}

int CtrlBase::refreshBlockListAndSelect(const string& name)
{
    if (const int rc = parseQEL(); rc != 0)
        return rc;
    WidgetList* list = panel->getList(BW_LIST);
    if (!list)
        return -1;
    const bool listed = !name.empty() && selectBlockListItemByName(name);
    if (!listed)
        list->setSelectedIndex(0);
    currentItemName = listed ? name : string();
    setDirty(false);
    return listed ? 0 : -1;
}

void CtrlBase::notifySaveSuccess(const string& kind)
{
    setDirty(false);
    services.messageBox(kind + kSaveTitleSuffix, kind + " saved.", MBB_NONE, MBT_INFORMATION, kSuccessNoticeMs);
}

int CtrlBase::finishResourceSave(const string& kind, const string& name)
{
    globalStatus->bReparseAll = 1;
    // The block is written: the notice is due even when the list cannot follow.
    refreshBlockListAndSelect(name);
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
