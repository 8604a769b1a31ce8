#include "tabs/base/BasePanel.h"

#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;
using ui::centred;
using ui::left;
using ui::right;
using ui::top;

void addBasePanelWidgets(Panel& panel, const ResourceManager& rm, const char* title)
{
    const int font = rm.get(SR_FONT);
    ui::addLabel(panel,
                 {.name = "TitleCtrl", .id = CtrlBase::BW_TITLE, .x = centred(0), .y = top(5), .text = title, .font = font});
    if (WidgetList* list = ui::addList(panel, {.name = "List", .id = CtrlBase::BW_LIST, .x = left(10), .y = top(20),
                                               .w = 164, .h = 150, .font = font,
                                               .tooltip = "List of QEL blocks of the current resource type"})) {
        list->clearItems();
        list->setBackgroundColor(200, 200, 195, WS_HOVERED);
        list->setBackgroundColor(200, 200, 195, WS_PRESSED);
        list->setAutoSort(true);
        list->setFeatures(WF_HOVER, true);
    }
    if (WidgetSlider* slider = panel.createSlider("SliderV", CtrlBase::BW_SLIDER, 1)) {
        slider->setSize(15, 150);
        slider->setPosition(right(-10), top(20));
        slider->setTooltip("Scroll the block list");
        slider->setRange(0, 0);
        slider->setMargin(15, 0, 15, 0);
    }
    ui::addSpriteButton(panel, {.name = "NewItem", .id = CtrlBase::BW_NEW, .x = left(35), .y = top(175),
                                .tooltip = "Create a new resource"}, rm.getClone(SS_NEW_ITEM));
    ui::addSpriteButton(panel, {.name = "SaveItem", .id = CtrlBase::BW_SAVE, .x = centred(0), .y = top(175),
                                .tooltip = "Save the current resource"}, rm.getClone(SS_SAVE_ITEM));
    if (WidgetFrame* frame = panel.createFrame("SaveDirtyFrame", CtrlBase::BW_DIRTY_FRAME)) {
        frame->setSize(34, 34);
        frame->setPosition(centred(0), top(172));
        frame->setFilled(false);
        frame->setBackgroundColor(255, 170, 32, WS_ALL);
        frame->setBorderColor(255, 170, 32, 0, WS_ALL);
        frame->setBorderWidth(1, WS_ALL);
        frame->setFeatures(WF_EVENTS, false);
        frame->hide();
    }
    ui::addSpriteButton(panel, {.name = "DeleteItem", .id = CtrlBase::BW_DELETE, .x = right(-35), .y = top(175),
                                .tooltip = "Delete the selected resource"}, rm.getClone(SS_DELETE_ITEM));
    ui::addLabel(panel, {.name = "NameItem", .id = CtrlBase::BW_NAME_LABEL, .x = left(10), .y = top(213),
                         .text = "Name:", .font = font});
    if (WidgetTextEdit* edit = ui::addTextEdit(panel, {.name = "NameItemBox", .id = CtrlBase::BW_NAME, .x = left(50),
                                                       .y = top(210), .w = 140, .h = 19, .font = font,
                                                       .tooltip = "Name of the current resource"})) {
        edit->setText("");
        edit->setFeatures(WF_FOCUS_LOST, true);
    }
}
