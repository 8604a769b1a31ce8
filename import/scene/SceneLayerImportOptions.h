// What the scene import dialog asks of one import: the source and where its
// result goes, then each kind's own options: how pictures are cut into
// tiles, a still picture's layer and colour key, how animated sources are
// sampled and which Universal VTT parts come along. What probing the file
// found is apart (SceneSourceProbe.h). A plain value, copied freely; never
// shared between threads.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>

// Where an import's layers come from (SceneLayerImportOptions::sourceType).
enum SceneSourceType : int32_t { SST_NONE = 0, SST_IMAGE = 1, SST_FRAMES = 2, SST_TILED_MAP = 3, SST_UVTT = 4 };
// What the chosen file is (SceneLayerImportOptions::fileKind).
enum SceneFileKind : int32_t { SFK_OTHER = 0, SFK_PICTURE = 1, SFK_VIDEO = 2, SFK_GIF = 3 };

// How a picture or a frame is cut into tiles: shared by every kind that
// makes tiles (a still picture, frames, a Universal VTT map).
struct SceneTileCutOptions {
    int32_t tileWidth = 16;
    int32_t tileHeight = 16;
    float matchPercent = 100.0f; // 1..100; 100 merges identical tiles only
    bool padToTile = false;      // pad right and bottom edges to whole tiles
    bool padTransparent = true;  // else padding takes padColor
    uint32_t padColor = 0;       // 0xRRGGBB, opaque
};

// A still picture's own choices (the dialog's Image section).
struct SceneImageOptions {
    bool imageLayer = false; // one image layer instead of tiles
    bool useColorKey = false;
    int32_t colorKey = -1; // 0xRRGGBB, -1 none (even with useColorKey)
};

// An animated source's sampling (the dialog's Video section).
struct SceneFrameOptions {
    int32_t startMs = 0;
    int32_t durationMs = 1000;
    int32_t frameCount = 16; // at most this many sampled frames
    int32_t matchMode = 1;   // 0 pixel deviation, else average colour error
};

// A Universal VTT file's parts (the dialog's Universal VTT section).
struct SceneUvttOptions {
    int32_t uvttMapMode = 0; // 0 tile layer, 1 image layer, 2 none (slot still reserved)
    bool uvttImportWalls = true;
    bool uvttImportObjects = true;
    bool uvttImportPortals = true;
    bool uvttMergePortals = false;
    bool uvttImportLights = true;
    bool uvttBlockMovement = false;
};

// The whole request: what every kind shares, then each kind's own options.
struct SceneLayerImportOptions : SceneTileCutOptions, SceneImageOptions, SceneFrameOptions, SceneUvttOptions {
    using string = Zelkoran::String;

    int32_t sourceType = SST_NONE; // SceneSourceType
    int32_t fileKind = SFK_OTHER;  // SceneFileKind; a picture is PNG or BMP
    string sourcePath;
    string layerName; // new scene: the scene's name; Universal VTT: layer name prefix
    int32_t targetLayer = 1; // 1-based slot, -1 none chosen
};
