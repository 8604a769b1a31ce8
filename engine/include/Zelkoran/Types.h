// Value types and enumerations shared by the screen, the drawing calls and
// the GUI toolkit.
#pragma once

#include <cstdint>

namespace Zelkoran {

// How a coordinate is anchored inside its parent's extent on one axis.
// The letter codes are the widget anchors; the 0x6X000000 codes are the hot
// spot forms (top byte = anchor, low 24 bits zero) and are understood by the
// layout as the same anchors.
enum ePositionHelper : uint32_t {
    PH_ABSOLUTE = 0,              // offset from the parent's start edge
    PH_CENTER = 'a',              // widget centred in the parent, plus offset
    PH_TOP = 'b',                 // widget's top at the parent's top, plus offset
    PH_BOTTOM = 'c',              // widget's bottom at the parent's bottom, plus offset
    PH_LEFT = 'e',                // widget's left at the parent's left, plus offset
    PH_RIGHT = 'f',               // widget's right at the parent's right, plus offset
    PH_SIZE = 0x60000000,         // relative to the far end (extent - 1) of the parent
    PH_CENTER_CODE = 0x61000000,  // hot spot form of PH_CENTER
};

// One axis of a placement: an offset and its anchor.
struct Position {
    float offset = 0.0f;
    ePositionHelper helper = PH_ABSOLUTE;

    Position() = default;
    Position(float value) : offset(value) {}
    Position(float value, ePositionHelper anchor) : offset(value), helper(anchor) {}
};

enum eWidgetType : int {
    WT_LABEL = 1,
    WT_IMAGE = 2,
    WT_FRAME = 4,
    WT_BUTTON = 8,
    WT_CHECKBOX = 16,
    WT_PROGRESS = 32,
    WT_SLIDER = 64,
    WT_PANEL = 128, // a panel's base widget
    WT_TEXTEDIT = 256,
    WT_NUMBEREDIT = 512,
    WT_LIST = 1024,
    WT_COMBOBOX = 2048,
};

enum eWidgetState : int {
    WS_ALL = -1, // every state, where a state argument is taken
    WS_NORMAL = 0,
    WS_HOVERED = 1,
    WS_PRESSED = 2,
    WS_ACTION = 3, // checked, focused for typing, slider thumb
    WS_DEACTIVATED = 4,
    WS_COUNT = 5,
};

enum eWidgetFeature : uint32_t {
    WF_FADE = 0x10000,        // fades in and out at show and hide
    WF_DRAG = 0x20000,        // a panel base widget with it can be dragged by its background
    WF_ENCLOSE = 0x40000,     // kept inside the parent's rectangle (with WF_UNNAMED: inside the window)
    WF_UNNAMED = 0x80000,     // stored flag; next to WF_ENCLOSE the widget may lie beside its panel
    WF_BG_FIT = 0x100000,     // background image or sprite scaled to the widget
    WF_NO_BG = 0x200000,      // no background drawn (labels start with it)
    WF_EVENTS = 0x400000,     // images, frames and labels take clicks and raise press events
    WF_HOVER = 0x800000,      // raises a hover event when the mouse enters
    WF_FOCUS_LOST = 0x1000000 // raises a focus-lost event
};

enum ePanelType : int { PT_MODELESS = 0, PT_MODAL = 1, PT_EPHEMERAL = 2 };
enum ePanelLayout : int { PL_STANDARD = 0, PL_HORIZONTAL = 1, PL_VERTICAL = 2 };
enum eLayoutAlign : int { LA_START = 0, LA_CENTER = 1, LA_END = 2, LA_STRETCH = 3 };
enum eLayoutJustify : int { LJ_START = 0, LJ_CENTER = 1, LJ_END = 2, LJ_SPACE = 3 };

// The SDL user event type of every GUI event: user.code = eGUIEventCode,
// data1 = widget id, data2 = value, both as intptr_t; windowID = id of the
// panel the widget belongs to (0 when the event has none), so that an editor
// can tell the widgets of a panel it previews from its own.
constexpr uint32_t kGUIEventType = 46033;

enum eGUIEventCode : int {
    GE_NOTICE = 0,          // engine notice (reserved; callers refresh their widgets)
    GE_ACTION = 3,          // button pressed (0), check box toggled (checked 0/1),
                            // list or combo row chosen (1-based row), image/frame pressed
    GE_SCROLLED = 4,        // a list or text edit was scrolled by the user (new scroll)
    GE_LAYOUT = 5,          // the screen size changed (data1 0)
    GE_VALUE_CHANGED = 6,   // slider moved (value), text edited (0; typing into a number edit
                            // raises none), number stepped (value)
    GE_VALUE_COMMITTED = 7, // Enter or focus change after an edit, slider released
    GE_FOCUS_LOST = 8,      // with WF_FOCUS_LOST
    GE_HOVER = 9,           // with WF_HOVER, when the mouse enters the widget (list: the row entered)
};

} // namespace Zelkoran
