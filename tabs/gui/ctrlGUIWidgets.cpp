#include "tabs/gui/ctrlGUIWidgets.h"

#include "services/WidgetBuilders.h"
#include "tabs/gui/ctrlGUIIds.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/Widget.h>

#include <algorithm>
#include <string>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

const char* GUIWidgetList::getWidgetTypeName(eWidgetType type)
{
    for (const AddWidgetType& t : kAddWidgetTypes)
        if (t.type == type)
            return t.name;
    return "Widget";
}

void GUIWidgetList::createList(int font)
{
    if (WidgetList* list = panel.createList("WidgetsList", GW_LIST)) {
        list->setFont(font, WS_ALL);
        list->setSize(150, 100);
        list->setPosition(ui::left(5), ui::top(359));
        list->setTooltip("Widgets of the selected GUI panel");
    }
    if (WidgetSlider* slider = panel.createSlider("WidgetListSlider", GW_LIST_SLIDER, 1)) {
        slider->setSize(15, 100);
        slider->setPosition(ui::left(155), ui::top(359));
        slider->setMargin(15, 0, 15, 0);
        slider->setRange(0, 0);
        slider->setTooltip("Scroll the widget list");
    }
}

void GUIWidgetList::populateWidgetList()
{
    WidgetList* list = panel.getList(GW_LIST);
    if (!list)
        return;
    list->clearItems();
    widgetListIds.clear();
    if (widgetListScroll <= 0)
        list->setScroll(kListTop, nullptr);
    if (Panel* live = state.livePanel()) {
        const Widget* base = live->baseWidget();
        list->addItem((String(base->getName()) + " (Panel, " + std::to_string(base->getID() & 0xFFFFFF).c_str() + ")")
                          .c_str());
        widgetListIds.push_back(0);
        live->getWidgetInfoList(widgetInfos);
        for (const Panel::WidgetInfo& info : widgetInfos) {
            const String row = info.name + " (" + getWidgetTypeName(info.type) + ", " + std::to_string(info.id).c_str();
            list->addItem((row + ")").c_str());
            widgetListIds.push_back(info.id);
        }
    }
    if (widgetListIds.empty()) {
        state.selectedWidgetId = 0;
        if (WidgetSlider* slider = panel.getSlider(GW_LIST_SLIDER)) {
            slider->setRange(0, 0);
            slider->setValue(0);
        }
        widgetListScroll = kListTop;
        return;
    }
    const auto it = std::find(widgetListIds.begin(), widgetListIds.end(), state.selectedWidgetId);
    if (it != widgetListIds.end()) {
        list->setSelectedIndex(static_cast<int>(it - widgetListIds.begin()) + 1);
    } else {
        list->setSelectedIndex(1);
        state.selectedWidgetId = 0;
    }
    if (widgetListScroll > 0)
        list->setScroll(widgetListScroll - list->getScroll(), nullptr);
    syncWidgetListSlider();
    widgetListScroll = kListTop;
}

void GUIWidgetList::syncWidgetListSlider() const
{
    WidgetList* list = panel.getList(GW_LIST);
    WidgetSlider* slider = panel.getSlider(GW_LIST_SLIDER);
    if (!list || !slider)
        return;
    const int rows = list->getItemCount(), visible = list->getVisibleItems();
    const int max = std::max(rows - visible + 1, 1) - 1;
    // Runs every frame: touching the slider unchanged would keep the screen
    // redrawing for nothing.
    if (slider->getMin() != 0 || slider->getMax() != max)
        slider->setRange(0, max);
    if (slider->getValue() != list->getScroll())
        slider->setValue(list->getScroll());
}

bool GUIWidgetList::pickRow()
{
    const WidgetList* list = panel.getList(GW_LIST);
    const int r = list ? list->getSelectedIndex() : 0;
    if (r < 1 || r > static_cast<int>(widgetListIds.size()))
        return false;
    state.selectedWidgetId = widgetListIds[r - 1];
    return true;
}

bool GUIWidgetList::select(int id)
{
    const auto at = std::find(widgetListIds.begin(), widgetListIds.end(), id);
    if (at == widgetListIds.end())
        return false;
    if (WidgetList* list = panel.getList(GW_LIST))
        list->setSelectedIndex(static_cast<int>(at - widgetListIds.begin()) + 1);
    state.selectedWidgetId = id;
    return true;
}

void GUIWidgetList::selectFirstRow()
{
    if (WidgetList* list = panel.getList(GW_LIST))
        list->setSelectedIndex(1);
}

void GUIWidgetList::followSlider()
{
    if (WidgetList* list = panel.getList(GW_LIST))
        if (const WidgetSlider* slider = panel.getSlider(GW_LIST_SLIDER))
            list->setScroll(slider->getValue() - list->getScroll(), nullptr);
}

void GUIWidgetList::rememberScroll()
{
    if (const WidgetList* list = panel.getList(GW_LIST))
        widgetListScroll = list->getScroll();
}

void GUIWidgetList::resetView()
{
    if (WidgetList* list = panel.getList(GW_LIST))
        list->setScroll(kListTop, nullptr);
    if (WidgetSlider* slider = panel.getSlider(GW_LIST_SLIDER)) {
        slider->setRange(0, 0);
        slider->setValue(0);
    }
}
