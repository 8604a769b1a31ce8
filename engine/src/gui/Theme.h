// The toolkit's default look: one skin per widget type and state, used
// wherever a widget has no value of its own.
#pragma once

#include <Zelkoran/GUITheme.h>
#include <Zelkoran/Types.h>

#include "gfx/Painter.h"

namespace Zelkoran::theme {

// The skin of theme themeId (an unknown id answers as the default theme)
// for a widget type and state; never null.
const GUIThemeSkin& skin(int themeId, eWidgetType type, int state);

// A colour as the r, g, b, a bytes skins and widgets keep.
inline void copy4(uint8_t dst[4], Color c)
{
    dst[0] = c.r;
    dst[1] = c.g;
    dst[2] = c.b;
    dst[3] = c.a;
}

// Text drawn in disabled widgets.
inline constexpr Color kDisabledText{150, 150, 150, 255};
// Text on a selection of the selection colour (lists, combo lists).
inline constexpr Color kSelectedText{255, 255, 255, 255};
inline constexpr Color kTooltipBackground{244, 242, 220, 236};
inline constexpr Color kTooltipBorder{120, 136, 160, 255};
inline constexpr Color kEditSelection{173, 214, 255, 255};
inline constexpr Color kRowHover{229, 243, 255, 255};
// Name of the engine's default font (used when neither widget nor panel has one).
inline constexpr const char* kDefaultFont = "Arial12Black";
inline constexpr const char* kTooltipFont = "Arial10Black";
inline constexpr int kTooltipDelayMs = 600;
inline constexpr int kTextPadding = 4;

} // namespace Zelkoran::theme
