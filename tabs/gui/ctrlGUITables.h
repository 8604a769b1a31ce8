// The GUI tab's constant tables and the conversions between its combo rows
// and the engine's values.
#pragma once

#include "tabs/gui/ctrlGUIIds.h"

#include <Zelkoran/Types.h>

#include <SDL_keycode.h>

#include <cstdint>

namespace CtrlGUIInternal {

struct HotkeyOption {
    int32_t key; // SDL keycode, 0 = none
    const char* label;
};

// Rows of the hotkey combo 1002, in order (combo row r = entry r - 1).
inline constexpr HotkeyOption kHotkeyOptions[] = {
    {0, "None"},
    {SDLK_a, "A"}, {SDLK_b, "B"}, {SDLK_c, "C"}, {SDLK_d, "D"}, {SDLK_e, "E"}, {SDLK_f, "F"}, {SDLK_g, "G"},
    {SDLK_h, "H"}, {SDLK_i, "I"}, {SDLK_j, "J"}, {SDLK_k, "K"}, {SDLK_l, "L"}, {SDLK_m, "M"}, {SDLK_n, "N"},
    {SDLK_o, "O"}, {SDLK_p, "P"}, {SDLK_q, "Q"}, {SDLK_r, "R"}, {SDLK_s, "S"}, {SDLK_t, "T"}, {SDLK_u, "U"},
    {SDLK_v, "V"}, {SDLK_w, "W"}, {SDLK_x, "X"}, {SDLK_y, "Y"}, {SDLK_z, "Z"},
    {SDLK_0, "0"}, {SDLK_1, "1"}, {SDLK_2, "2"}, {SDLK_3, "3"}, {SDLK_4, "4"},
    {SDLK_5, "5"}, {SDLK_6, "6"}, {SDLK_7, "7"}, {SDLK_8, "8"}, {SDLK_9, "9"},
    {SDLK_SPACE, "Space"}, {SDLK_RETURN, "Enter"}, {SDLK_ESCAPE, "Esc"}, {SDLK_TAB, "Tab"},
    {SDLK_UP, "Up"}, {SDLK_DOWN, "Down"}, {SDLK_LEFT, "Left"}, {SDLK_RIGHT, "Right"},
    {SDLK_F1, "F1"}, {SDLK_F2, "F2"}, {SDLK_F3, "F3"}, {SDLK_F4, "F4"}, {SDLK_F5, "F5"}, {SDLK_F6, "F6"},
    {SDLK_F7, "F7"}, {SDLK_F8, "F8"}, {SDLK_F9, "F9"}, {SDLK_F10, "F10"}, {SDLK_F11, "F11"}, {SDLK_F12, "F12"},
};
inline constexpr int kHotkeyCount = static_cast<int>(sizeof(kHotkeyOptions) / sizeof(kHotkeyOptions[0]));

struct AddWidgetType {
    Zelkoran::eWidgetType type;
    const char* name;
    const char* description;
};

// The addable widget types, in the order the add-widget dialog shows them.
inline constexpr AddWidgetType kAddWidgetTypes[] = {
    {Zelkoran::WT_BUTTON, "Button", "Clickable command widget"},
    {Zelkoran::WT_CHECKBOX, "CheckBox", "Toggleable option or radio-style choice"},
    {Zelkoran::WT_LABEL, "Label", "Static text display"},
    {Zelkoran::WT_IMAGE, "Image", "Image or sprite display"},
    {Zelkoran::WT_FRAME, "Frame", "Visual container or rectangle"},
    {Zelkoran::WT_PROGRESS, "Progress", "Numeric progress indicator"},
    {Zelkoran::WT_SLIDER, "Slider", "Draggable numeric control"},
    {Zelkoran::WT_TEXTEDIT, "TextEdit", "Editable text input"},
    {Zelkoran::WT_NUMBEREDIT, "NumberEdit", "Numeric input field"},
    {Zelkoran::WT_LIST, "List", "Scrollable selectable items"},
    {Zelkoran::WT_COMBOBOX, "ComboBox", "Compact selectable item list"},
};

inline constexpr const char* kBuiltinSkinFonts[] = {
    "@zk7/font/Arial10Black",     "@zk7/font/Arial10White",     "@zk7/font/Arial12Black",
    "@zk7/font/Arial12White",     "@zk7/font/CourierNew10Black", "@zk7/font/CourierNew10White",
    "@zk7/font/CourierNew12Black", "@zk7/font/CourierNew12White",
};

// Row text of a font name: a built-in "@zk7/font/" name without its prefix
// (names of 9 characters or fewer are shown whole).
const char* fontDisplayName(const char* name);

// Feature check boxes and the bit each drives.
struct FeatureBox {
    int id;
    uint32_t bit;
};
inline constexpr FeatureBox kFeatureBoxes[] = {
    {GW_FEATURE_EVENTS, Zelkoran::WF_EVENTS}, {GW_FEATURE_OVER, Zelkoran::WF_HOVER},
    {GW_FEATURE_LOST, Zelkoran::WF_FOCUS_LOST}, {GW_FEATURE_DRAG, Zelkoran::WF_DRAG},
    {GW_FEATURE_FADE, Zelkoran::WF_FADE}, {GW_FEATURE_ENCLOSE, Zelkoran::WF_ENCLOSE},
    {GW_FEATURE_BGFIT, Zelkoran::WF_BG_FIT}, {GW_FEATURE_NOBG, Zelkoran::WF_NO_BG},
};

// Key code of hotkey combo row (1-based); 0 outside the table.
int keyForRow(int row);
// Hotkey combo row of a key code; 1 ("None") when the table lacks it.
int rowForKey(int key);
// Position helper of combo row 1..4 ("Abs", then Left/Top, Center,
// Right/Bottom); x chooses the horizontal codes.
Zelkoran::ePositionHelper helperForRow(int row, bool x);
int rowForHelper(Zelkoran::ePositionHelper helper, bool x);
// Status combo row (1 Shown, 2 Hidden, 3 Disabled) of an engine status.
int rowForStatus(int status);
// The stored number behind a mirroring combo: row - 1, or 0 when that is
// not below count.
int valueForRow(int row, int count);
// Seconds shown for a stored time to live in milliseconds (at least 1).
int ttlSeconds(int ttlMs);
// The slider range typed as n (engine 0..n-1) and the n shown for an
// engine range; progress bars use 0..n.
int sliderRangeShown(int min, int max);
int progressRangeShown(int min, int max);

} // namespace CtrlGUIInternal
