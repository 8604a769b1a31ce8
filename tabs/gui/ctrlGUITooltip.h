// The modal tooltip settings dialog: the font and the background and border
// colours of a widget's tooltip, or back to the theme's.
#pragma once

#include "tabs/gui/ctrlGUIFields.h"

class GlobalStatus;

class GUITooltipDialog {
public:
    GUITooltipDialog(int editorFont, const GlobalStatus& globals, GUIColorFieldMaker makeColorField)
        : font(editorFont), status(globals), colorField(std::move(makeColorField))
    {
    }
    // Runs the dialog on target's tooltip. True when it changed the widget.
    bool run(Zelkoran::Widget& target);

private:
    int font;
    const GlobalStatus& status;
    GUIColorFieldMaker colorField;
};
