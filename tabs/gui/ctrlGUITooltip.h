// The modal tooltip settings dialog: the font and the background and border
// colours of a widget's tooltip, or back to the theme's.
#pragma once

#include "tabs/gui/ctrlGUIFields.h"

class TabServices;

class GUITooltipDialog {
public:
    explicit GUITooltipDialog(const TabServices& tabServices);
    // Runs the dialog on target's tooltip. True when it changed the widget.
    bool run(Zelkoran::Widget& target);

private:
    const TabServices& services;
    int font;
};
