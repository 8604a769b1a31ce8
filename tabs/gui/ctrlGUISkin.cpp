// The skin editor's state radios and the rows its modes show.
#include "tabs/gui/ctrlGUI.h"

#include <Zelkoran/Panel.h>

#include <initializer_list>

using namespace Zelkoran;

bool CtrlGUI::widgetSupportsFont(eWidgetType type)
{
    switch (type) {
    case WT_LABEL:
    case WT_BUTTON:
    case WT_CHECKBOX:
    case WT_TEXTEDIT:
    case WT_NUMBEREDIT:
    case WT_LIST:
    case WT_COMBOBOX: return true;
    default: return false;
    }
}

void CtrlGUI::setSkinAssetMode(bool on) const
{
    for (int id : {GW_SKIN_IMAGE_LABEL, GW_SKIN_SPRITE_LABEL, GW_SKIN_ANIM_LABEL, GW_SKIN_IMAGE, GW_SKIN_SPRITE,
                   GW_SKIN_ANIM})
        if (Widget* w = panel->getWidgetByID(id)) {
            if (on)
                w->show();
            else
                w->hide();
        }
    for (int id : {GW_SKIN_IMAGE, GW_SKIN_SPRITE})
        if (Widget* w = panel->getWidgetByID(id)) {
            if (on)
                w->enable();
            else
                w->disable();
        }
}

void CtrlGUI::setSkinColorsMode(bool show, bool enable) const
{
    for (int id : {GW_SKIN_BG_ICON, GW_SKIN_BG, GW_SKIN_BG_SWATCH, GW_SKIN_BORDER_ICON, GW_SKIN_BORDER,
                   GW_SKIN_BORDER_SWATCH, GW_SKIN_WIDTH_LABEL, GW_SKIN_WIDTH, GW_SKIN_CORNER_LABEL, GW_SKIN_CORNER})
        if (Widget* w = panel->getWidgetByID(id)) {
            if (show)
                w->show();
            else
                w->hide();
            if (id == GW_SKIN_WIDTH_LABEL || id == GW_SKIN_CORNER_LABEL)
                continue;
            if (show && enable)
                w->enable();
            else
                w->disable();
        }
}
