// The shared controls of the tabs: the choice box, labels and number
// fields, the hexadecimal colour text, the colour field and the colour
// picker. Dialogs are panels built for one call, run modally through
// Tool::messageBox and closed again.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>
#include <functional>
#include <string_view>

class TabServices;

namespace Zelkoran {
class Panel;
class Widget;
class WidgetTextEdit;
} // namespace Zelkoran

// One row of a choice box; id is what choiceBox returns for the row's
// button and that button's widget id in the dialog.
struct ChoiceBoxOption {
    int id = 0;
    Zelkoran::String title;
    Zelkoran::String description;
    Zelkoran::String buttonText;
};
using ChoiceBoxOptions = Zelkoran::Vector<ChoiceBoxOption>;

// Modal dialog with one framed row per option and a Cancel button (key
// 'c'): the pressed row's id, or 2 for Cancel, a quit request (the quit
// goes on to the main loop), no option or a dialog that cannot be built.
int choiceBox(const TabServices& services, const Zelkoran::String& title, const Zelkoran::String& message,
              const ChoiceBoxOptions& options, const Zelkoran::String& cancelText);

// Replaces the text of label labelId of panel and centres it at top.
void setLabel(Zelkoran::Panel& panel, int labelId, const Zelkoran::String& text, int top);

// Integer of number edit (truncated) or text edit (empty: defaultValue)
// widgetId of panel, clamped to maximum, then minimum; defaultValue when
// there is no such widget.
int widgetInt(Zelkoran::Panel& panel, int widgetId, int defaultValue, int maximum, int minimum);

// "#RRGGBB" / "#RRGGBBAA" with an optional '#', digits in either case.
// False, with nothing written, for any other text.
bool parseHexColorRGB(std::string_view text, uint8_t& r, uint8_t& g, uint8_t& b);
bool parseHexColorRGBA(std::string_view text, uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a);
// Upper-case digits with the '#'.
Zelkoran::String hexColorRGB(uint8_t r, uint8_t g, uint8_t b);
Zelkoran::String hexColorRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

// Where a colour field goes and what it starts with.
struct ColorFieldPlace {
    Zelkoran::String name;
    int iconId = 0;
    int editId = 0;
    int swatchId = 0;
    int x = 0;
    int y = 0;
    Zelkoran::String tooltip;
    Zelkoran::String initHex;
    int textWidth = 0;
};

// A colour property on panel: an icon and a swatch that open the colour
// picker, between them a text edit with the hexadecimal text (RGBA when
// initHex parses as RGBA, else RGB). Invalid text is refused when
// committed; onChange (may be empty) runs after each OK of the picker.
// The text edit, or null without panel or when it was not created.
Zelkoran::WidgetTextEdit* createColorField(const TabServices& services, Zelkoran::Panel* panel,
                                           const ColorFieldPlace& place,
                                           std::function<void(Zelkoran::Widget&)> onChange);

// Modal colour picker on the hexadecimal text edit editId of panel and
// its optional swatch frameId. True after OK, with the colour written
// into both; false after Cancel, or when the edit is missing or not
// shown and enabled.
bool openColorPicker(const TabServices& services, Zelkoran::Panel* panel, int editId, int frameId, bool alpha);
