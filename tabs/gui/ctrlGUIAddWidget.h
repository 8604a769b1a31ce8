// The modal add-widget dialog: a type, a unique name and a free id, then
// the widget is created in the edited panel with the engine's defaults.
#pragma once

#include <Zelkoran/Panel.h>

class TabServices;

class GUIAddWidgetDialog {
public:
    explicit GUIAddWidgetDialog(const TabServices& tabServices);
    // Runs the dialog on the edited panel: the new widget's id, or 0 when
    // none was added.
    int run(Zelkoran::Panel& edited);

private:
    const TabServices& services;
    int font;
    bool open = false; // a second press while it runs does nothing
};
