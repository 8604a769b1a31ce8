// The PNG images compiled into the editor, by the use the resource manager
// makes of them. The resource manager takes them from this table, so a test
// can hand it a table with a damaged image.
#pragma once

#include <array>
#include <cstddef>

struct ArtImage {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

enum eArtImage : int {
    ART_APP_ICON,
    ART_LOGO,
    ART_BG_DEFAULT,
    // Menu buttons 200 to 207, in id order.
    ART_BTN_NEW,
    ART_BTN_LOAD,
    ART_BTN_IMPORT_XML,
    ART_BTN_LOCK,
    ART_BTN_UNLOCK,
    ART_BTN_TOOLS,
    ART_BTN_CLOSE,
    ART_BTN_INFO,
    // Widget state strips.
    ART_CHK_TAB,
    ART_BTN_NEW_ITEM,
    ART_BTN_SAVE_ITEM,
    ART_BTN_DELETE_ITEM,
    ART_BTN_IMPORT_IMG,
    ART_BTN_EXPORT_IMG,
    ART_BTN_ZOOM_OUT,
    ART_BTN_ZOOM_IN,
    ART_CHK_PATTERN_BLOCK,
    ART_CHK_PATTERN_WHITE,
    ART_CHK_PATTERN_BLACK,
    ART_CHK_TILEMAP,
    ART_CHK_GRID,
    ART_BTN_EXPORT_AUDIO,
    ART_BTN_IMPORT_AUDIO,
    ART_CHK_AUDIO_PLAY,
    ART_CHK_AUDIO_PAUSE,
    ART_CHK_AUDIO_STOP,
    ART_BTN_EXPORT_FILE,
    ART_BTN_IMPORT_FILE,
    ART_CHK_VISIBILITY,
    ART_ICON_TIME,
    ART_ICON_THEME,
    ART_ICON_ALIGN,
    ART_ICON_JUSTIFY,
    ART_ICON_WIDTH,
    ART_ICON_HEIGHT,
    ART_ICON_COLORS,
    ART_CHK_FIT,
    ART_BTN_SETTINGS,
    ART_COUNT
};

using EditorArt = std::array<ArtImage, ART_COUNT>;

// The images compiled into the program.
const EditorArt& builtInArt();
