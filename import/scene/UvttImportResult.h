// Codes of importUVTT beyond the engine's; each comes with its message.
#pragma once

enum UVTTImportResult : int {
    UIR_NO_SCENE = -511,
    UIR_FILE = -1279,         // the file did not read; also: the map picture's base64 did not decode
    UIR_NEW_TMX = -1535,      // also: the map picture could not be padded
    UIR_SERIALIZE = -2047,
    UIR_XML = -1791,          // also: no embedded map picture
    UIR_OBJECT_IDS = -508,
    UIR_BOOTSTRAP = -1534,    // also: the padded picture could not be made
    UIR_OBJECTS = -510,
    UIR_TMX_TEXT = -2046,
    UIR_TMX_LOAD = -1278,
    UIR_OCCLUDER_LAYER = -2045,
    UIR_LIGHT_LAYER = -2044,
    UIR_SELECT = -1790,
    UIR_IMAGE_SIZE = -507,
    UIR_TILE_GRID = -506,
    UIR_NOT_PNG = -2303,
    UIR_PNG_SIZE = -509,
};
