// Widget ids of the tab framework's shared dialogs: the choice box and the
// colour picker. Both dialogs are panels of their own, so these ids live in
// the dialog's id space, not in a tab's.
#pragma once

namespace CtrlBaseControls {

enum eChoiceBoxWidget : int {
    CB_CANCEL = 2,
    CB_FIRST_ROW = 12560,   // row frame of option i: + i
    CB_FIRST_LABEL = 12800, // message, then per row its title and description lines
};

enum eColorPickerWidget : int {
    CP_OK = 1,
    CP_CANCEL = 2,
    CP_WHEEL = 17152,
    CP_MARKER = 17153,
    CP_PREVIEW = 17154,
    CP_HEX = 17155,
    CP_FIRST_SLIDER = 17156, // red, green, blue, alpha
    CP_FIRST_VALUE = 17160,  // number edits, same order
    CP_FIRST_LABEL = 17184,  // R, G, B, A, "Hex:"
    CP_FIRST_SWATCH = 17216, // twenty presets
};

constexpr int kColorPickerPresets = 20;

} // namespace CtrlBaseControls
