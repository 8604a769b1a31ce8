// The widget list of the GUI tab: one row per widget of the live panel
// (the panel itself first), its slider, and the pick of the widget to edit.
#pragma once

#include "tabs/base/TabServices.h"
#include "tabs/gui/ctrlGUIState.h"

#include <Zelkoran/Panel.h>

class GUIWidgetList {
public:
    // -9999: the list starts at its top.
    static constexpr int kListTop = -9999;

    GUIWidgetList(const TabServices& services, GUIEditState& shared) : panel(services.panel()), state(shared) {}

    static const char* getWidgetTypeName(Zelkoran::eWidgetType type);
    void createList(int font);
    // Refills the list from the live panel and selects the edited widget
    // again (the panel when it is gone).
    void populateWidgetList();
    void syncWidgetListSlider() const;
    // The row picked in the list becomes the edited widget; false for a row
    // without one.
    bool pickRow();
    // Selects the row of widget id and edits it; false when it is not listed.
    bool select(int id);
    void selectFirstRow();
    // Scrolls the list to the slider's value.
    void followSlider();
    // Keeps the scroll for the next fill, or forgets it.
    void rememberScroll();
    void forgetScroll() { widgetListScroll = kListTop; }
    // An empty list at its top.
    void resetView();
    bool empty() const { return widgetListIds.empty(); }
    const Zelkoran::Vector<int>& ids() const { return widgetListIds; }

private:
    Zelkoran::Panel& panel;
    GUIEditState& state;
    Zelkoran::Vector<int> widgetListIds; // row r (1-based) shows element r-1
    Zelkoran::Vector<Zelkoran::Panel::WidgetInfo> widgetInfos;
    int widgetListScroll = kListTop;
};
