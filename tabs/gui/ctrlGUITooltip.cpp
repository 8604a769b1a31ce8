// The modal tooltip settings dialog: the font and the background and border
// colours of the edited widget's tooltip, or back to the theme's.
#include "tabs/gui/ctrlGUITooltip.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/TabServices.h"
#include "tabs/gui/ctrlGUIArchiveNames.h"
#include "tabs/gui/ctrlGUIIds.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <cstring>
#include <memory>
#include <string>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

// One colour field of the dialog: its text edit falls back to the last text
// that parsed, and its swatch follows.
struct TooltipColorField {
    Panel& dialog;
    int editId, swatchId;
    String lastValid;

    void refresh()
    {
        WidgetTextEdit* edit = dialog.getTextEdit(editId);
        if (!edit)
            return;
        Rgba c{};
        if (parseHexColorRGBA(edit->getText().c_str(), c.r, c.g, c.b, c.a)) {
            lastValid = hexColorRGBA(c.r, c.g, c.b, c.a);
            edit->setText(lastValid.c_str());
        } else {
            edit->setText(lastValid.c_str());
            if (!parseHexColorRGBA(lastValid, c.r, c.g, c.b, c.a))
                return;
        }
        if (Widget* swatch = dialog.getWidgetByID(swatchId))
            swatch->setBackgroundColor(c.r, c.g, c.b, WS_ALL);
    }
};

// What the dialog can change on a widget, to tell whether it did.
struct TooltipStyle {
    int font;
    bool ownBackground, ownBorder;
    Rgba background, border;

    static TooltipStyle of(const Widget& w)
    {
        TooltipStyle s{w.getTooltipFont(), false, false, {}, {}};
        s.ownBackground = w.getTooltipBackgroundColor(s.background.r, s.background.g, s.background.b, s.background.a);
        s.ownBorder = w.getTooltipBorderColor(s.border.r, s.border.g, s.border.b, s.border.a);
        return s;
    }
    bool operator==(const TooltipStyle& o) const
    {
        return font == o.font && ownBackground == o.ownBackground && ownBorder == o.ownBorder &&
               std::memcmp(&background, &o.background, sizeof(Rgba)) == 0 &&
               std::memcmp(&border, &o.border, sizeof(Rgba)) == 0;
    }
};

bool parsedText(Panel& dialog, int editId, Rgba& c)
{
    const WidgetTextEdit* edit = dialog.getTextEdit(editId);
    return edit && parseHexColorRGBA(edit->getText().c_str(), c.r, c.g, c.b, c.a);
}

} // namespace

GUITooltipDialog::GUITooltipDialog(const TabServices& tabServices)
    : services(tabServices), font(tabServices.resources().get(SR_FONT))
{
}

bool GUITooltipDialog::run(Widget& target)
{
    static int iDialogID = 0;
    GUIMgr* g = Main::instance()->guiMgr();
    const int dialogId = g->create(("TooltipSettingsDialog" + std::to_string(iDialogID++)).c_str(), 0x42000000);
    if (dialogId <= 0)
        return false;
    Panel* dialog = g->getPanel(dialogId);
    if (!dialog) {
        g->close(dialogId);
        return false;
    }
    dialog->attachTo(0);
    dialog->setPanelType(PT_MODAL, 0);
    Widget* base = dialog->baseWidget();
    base->setBorderCorner(4, WS_ALL);
    base->setSize(300, 170);
    base->setBackgroundColor(240, 240, 240, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setPosition(ui::centred(), ui::centred());
    base->setFeatures(WF_DRAG, true);
    const auto label = [&](int id, const char* name, const char* text, int y) {
        // Far enough left that "Background:" clears the colour icon.
        ui::addLabel(*dialog,
                     {.name = name, .id = id, .x = Position(22), .y = Position(static_cast<float>(y)), .text = text,
                      .font = font},
                     ui::kDialogGrey);
    };

    label(TD_FONT_LABEL, "TooltipFontLabel", "Font:", 45);
    Vector<String> fontNames;
    if (WidgetComboBox* fonts = ui::addComboBox(*dialog, {.name = "TooltipFont", .id = TD_FONT, .x = Position(96),
                                                          .y = Position(42), .w = 165, .h = 19, .font = font,
                                                          .tooltip = "Tooltip font"})) {
        for (const char* name : kBuiltinSkinFonts) {
            fontNames.push_back(name);
            fonts->addItem(fontDisplayName(name));
        }
        listArchiveBlocks(services.status().iArchiveID, [&](const char* name, const char* type) {
            if (std::strncmp(type, "ZK7_FONT", 16) == 0) {
                fontNames.push_back(name);
                fonts->addItem(name);
            }
        });
        int row = 0;
        if (const Font* f = Main::instance()->fontMgr()->get(target.getTooltipFont()))
            for (size_t k = 0; k < fontNames.size() && row == 0; ++k)
                if (fontNames[k] == f->getName())
                    row = static_cast<int>(k) + 1;
        fonts->setSelectedIndex(row);
    }

    // The engine's tooltip colours, unless the widget has its own.
    Rgba background{244, 242, 220, 236}, border{120, 136, 160, 255};
    target.getTooltipBackgroundColor(background.r, background.g, background.b, background.a);
    target.getTooltipBorderColor(border.r, border.g, border.b, border.a);
    // Shared by the handlers until the dialog is closed below.
    TooltipColorField fields[] = {
        {*dialog, TD_BG, TD_BG_SWATCH, hexColorRGBA(background.r, background.g, background.b, background.a)},
        {*dialog, TD_BORDER, TD_BORDER_SWATCH, hexColorRGBA(border.r, border.g, border.b, border.a)},
    };
    const struct {
        int labelId, iconId;
        const char *labelName, *labelText, *name, *tooltip;
        int y;
        Rgba color;
    } rows[] = {
        {TD_BG_LABEL, TD_BG_ICON, "TooltipBgTextLabel", "Background:", "TooltipBgColor",
         "Tooltip background color in #RRGGBBAA hex", 72, background},
        {TD_BORDER_LABEL, TD_BORDER_ICON, "TooltipBorderTextLabel", "Border:", "TooltipBorderColor",
         "Tooltip border color in #RRGGBBAA hex", 99, border},
    };
    for (int i = 0; i < 2; ++i) {
        TooltipColorField& field = fields[i];
        label(rows[i].labelId, rows[i].labelName, rows[i].labelText, rows[i].y + 3);
        const auto handler = [&field](Widget&) { field.refresh(); };
        WidgetTextEdit* edit = createColorField(services, dialog,
                                                {.name = rows[i].name, .iconId = rows[i].iconId,
                                                 .editId = field.editId, .swatchId = field.swatchId, .x = 96,
                                                 .y = rows[i].y, .tooltip = rows[i].tooltip,
                                                 .initHex = field.lastValid, .textWidth = 92},
                                                handler);
        if (!edit)
            continue;
        if (Widget* swatch = dialog->getWidgetByID(field.swatchId))
            swatch->setBackgroundColor(rows[i].color.r, rows[i].color.g, rows[i].color.b, WS_ALL);
        edit->setOnValueCommitted(handler);
        edit->setOnFocusLost(handler);
    }

    const struct {
        int id;
        const char* name;
        const char* text;
        int w, right, key;
        const char* tooltip;
    } buttons[] = {
        {TD_OK, "Ok", "OK", 54, 15, 'o', nullptr},
        {TD_CANCEL, "Cancel", "Cancel", 60, 78, 'c', nullptr},
        {TD_USE_THEME, "UseTheme", "Use theme", 76, 157, 't', "Remove custom tooltip font and colors"},
    };
    for (const auto& b : buttons)
        if (WidgetButton* button = ui::addButton(*dialog, {.name = b.name, .id = b.id,
                                                           .x = ui::right(static_cast<float>(-b.right)),
                                                           .y = ui::bottom(-15), .w = b.w, .h = 21, .text = b.text,
                                                           .tooltip = b.tooltip}))
            button->setKey(b.key);
    dialog->setDialogButtons(TD_OK, TD_CANCEL);

    const int result = Main::instance()->tool()->messageBox("Tooltip settings", "", 0, 0, 0, dialogId, 0);
    const TooltipStyle before = TooltipStyle::of(target);
    if (result == TD_OK) {
        const WidgetComboBox* fonts = dialog->getComboBox(TD_FONT);
        const int row = fonts ? fonts->getSelectedIndex() : 0;
        if (row >= 1 && row <= static_cast<int>(fontNames.size())) {
            const Font* current = Main::instance()->fontMgr()->get(before.font);
            // The same font is kept rather than loaded from the archive again.
            if (!current || fontNames[row - 1] != current->getName())
                if (const int id = resolveFontName(services.status().iArchiveID, fontNames[row - 1]); id > 0)
                    target.setTooltipFont(id);
        }
        Rgba c{};
        if (parsedText(*dialog, TD_BG, c))
            target.setTooltipBackgroundColor(c.r, c.g, c.b, c.a);
        if (parsedText(*dialog, TD_BORDER, c))
            target.setTooltipBorderColor(c.r, c.g, c.b, c.a);
    } else if (result == TD_USE_THEME) {
        target.resetTooltipStyle();
    }
    const bool changed = !(TooltipStyle::of(target) == before);
    g->close(dialogId);
    return changed;
}
