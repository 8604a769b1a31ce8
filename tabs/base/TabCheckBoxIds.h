// The ids of the menu bar's tab check boxes, one per tab: each tab is made
// with its own, and whoever switches tabs (the menu, the tests) names them
// from here.
#pragma once

enum eTabCheckBox : int {
    TAB_IMAGES = 220,
    TAB_CURSORS = 221,
    TAB_TILES = 222,
    TAB_SPRITES = 223,
    TAB_FONTS = 224,
    TAB_EFFECTS = 225,
    TAB_AUDIO = 226,
    TAB_XML = 227,
    TAB_FILES = 228,
    TAB_UNDELETE = 229,
    TAB_GUI = 230,
    TAB_VIDEOS = 231,
    TAB_SCENES = 232,
};
