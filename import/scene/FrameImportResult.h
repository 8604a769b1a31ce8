// Codes of the picture, GIF, video and frame-sequence imports beyond the engine's.
#pragma once

enum FrameImportResult : int {
    IR_NO_SCENE = -511,
    IR_NO_FRAMES = -510, // no frames; for the video import an empty path
    IR_BAD_TILE_SIZE = -509,
    IR_FRAME_SIZES_DIFFER = -508,
    IR_NOT_WHOLE_TILES = -507,
    IR_NO_CELLS = -506,
    IR_NO_FRAME_DECODED = -255,
    IR_ALL_TRANSPARENT = -254,
    IR_NOTHING_WRITTEN = -254, // the frame dump wrote no file
    IR_PNG_WRITE = -1023,
    IR_TILE_IMAGE = -253,
    IR_GIF_UNREADABLE = -767,
    IR_GIF_NO_FRAMES = -1279,
    IR_PAD_FAILED = -1531,
    IR_TILE_ACCESS = -1532, // also: a GIF sample copy failed
    IR_IMAGE_ACCESS = -1533,
    IR_ATLAS = -1534, // the atlas (or a padded still frame) could not be made
    IR_CONVERT = -1535,
    IR_LAYER_ACCESS = -1790,
    IR_VIDEO_ACCESS = -1791,
    IR_NO_TILE_SET = -2044,
    IR_CANCELLED = -1948, // the user quit during the import; nothing is shown
};
