#include "tabs/base/ctrlBase.h"

#include "app/EditorLog.h"
#include "app/GlobalStatus.h"
#include "app/ResourceManager.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <algorithm>
#include <cstring>

using namespace Zelkoran;

namespace {

constexpr int kPulsePeriod = 80;
constexpr int kPulseHalf = kPulsePeriod / 2;
constexpr int kPulseMinAlpha = 64;
constexpr int kPulseAlphaRange = 191;

[[noreturn]] void fatal(const CtrlBase::string& message) { Internal::fatalError(message.c_str(), nullptr, 0); }

// Enables or disables w only when its status says the other.
void setUsable(Widget* w, bool usable)
{
    const bool enabled = w->status() != 0;
    if (usable && !enabled)
        w->enable();
    else if (!usable && enabled)
        w->disable();
}

// Length of text cut to at most maxBytes without splitting a UTF-8 sequence.
size_t utf8Prefix(const CtrlBase::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    size_t n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

} // namespace

CtrlBase::CtrlBase(const string& name, int checkBoxID, ResourceManager* rm, GlobalStatus* gs)
{
    if (!rm)
        fatal("Could not create an Skardy controller without a ResourceManager.");
    if (!gs)
        fatal("Could not create an Skardy controller without a GlobalStatus.");
    globalStatus = gs;
    resourceManager = rm;
    std::memset(blockType, 0, sizeof(blockType));
    if (rm->createTabCheckbox(name.c_str(), checkBoxID) != 0)
        fatal("Could not create the Skardy tab checkbox: " + name);
    tabName = name;
    checkBoxId = checkBoxID;
    panel = Main::instance()->guiMgr()->getPanel(rm->createBasePanel(name.c_str()));
    if (!panel)
        fatal("Could not create the Skardy panel: " + name);
    screen = Main::instance()->configMgr()->get(0);
    if (!screen)
        fatal("Could not get the default Skardy screen.");
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
    return std::strncmp(block.type, blockType, sizeof(blockType)) == 0 && block.name[0] != '#';
}

int CtrlBase::rebuildBlockList(const BlockFilter& filter)
{
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    WidgetList* list = panel->getList(BW_LIST);
    if (!list)
        return -1;
    const string remembered = list->getSelectedText();
    list->clearItems();
    const int count = archive ? archive->getIndexCount() : 0;
    for (int i = 0; i < count; ++i) {
        Archive::Block block;
        if (archive->blockAt(i, block) != 0 || block.deleted || !filter(block))
            continue;
        const string name(block.name, strnlen(block.name, sizeof(block.name)));
        list->addItem(name.c_str());
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
    setUsable(remove, selected);
    setUsable(save, selected || !text.empty());
    if (text.size() > kMaxBlockName)
        name->setText(text.substr(0, utf8Prefix(text, kMaxBlockName)).c_str());
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
    CtrlBase::onNew();
    if (WidgetList* list = panel->getList(BW_LIST))
        list->clearItems();
    if (WidgetSlider* slider = panel->getSlider(BW_SLIDER))
        slider->setRange(0, 0);
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
    frame->setPosition(Position(0, PH_CENTER), Position(172, PH_TOP));
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
