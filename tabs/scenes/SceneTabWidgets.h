// The scene tab's widget ids and which of them the user may use in a given
// state of the tab. Pure rules; the tab applies them after every event.
#pragma once

#include <array>

enum eSceneWidget : int {
    SW_IMPORT = 1100,
    SW_EXPORT = 1101,
    SW_BG_BLOCKY = 1102,
    SW_BG_WHITE = 1103,
    SW_BG_BLACK = 1104,
    SW_RENDER = 1105,
    SW_SET_VIEWPORT = 1106,
    SW_SHOW_LAYER = 1107,
    SW_TYPE = 1108,
    SW_SIZE = 1109,
    SW_BLOCKSIZE = 1110,
    SW_LAYERS_LABEL = 1111,
    SW_VIEWPORT_LABEL = 1112,
    SW_WIDTH_LABEL = 1113,
    SW_HEIGHT_LABEL = 1114,
    SW_RAW = 1115,
    SW_COMPRESSED = 1116,
    SW_CRYPTED = 1117,
    SW_TEXT = 1118,
    SW_WIDTH = 1119,
    SW_HEIGHT = 1120,
    SW_LAYERS = 1121,
    SW_ADD_LAYER = 1122,
    SW_REMOVE_LAYER = 1123,
};

// What the tab holds, as far as the widgets care.
struct SceneTabFacts {
    bool loaded = false;      // a block's bytes are held
    bool text = false;        // ... and they are text (not binary)
    bool mapName = false;     // the block name ends in ".tmx" (any case)
    bool scene = false;       // a scene was built from them
    bool layerUsable = false; // the selected layer row is a layer, not an empty slot
    bool preview = false;     // the preview is on (and there is a scene)
    bool storageChoice = true; // Raw may be chosen (the index is plain)
};

class SceneTabWidgets {
public:
    enum eUsable : int { U_LEAVE = -1, U_OFF = 0, U_ON = 1 };
    // The widgets the rules decide, Save first (which the base tab decides
    // while content is held).
    static constexpr std::array<int, 17> kDecided = {
        108,         SW_EXPORT,    SW_RAW,          SW_COMPRESSED,   SW_CRYPTED, SW_TEXT,
        SW_RENDER,   SW_LAYERS,    SW_ADD_LAYER,    SW_REMOVE_LAYER, SW_SHOW_LAYER, SW_BG_BLACK,
        SW_BG_WHITE, SW_BG_BLOCKY, SW_WIDTH,        SW_HEIGHT,       SW_SET_VIEWPORT,
    };
    // U_ON or U_OFF for a widget of kDecided; U_LEAVE for Save while content
    // is held and for any other widget.
    static eUsable usable(const SceneTabFacts& facts, int widgetId);
};
