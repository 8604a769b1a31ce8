// What probing a chosen scene source found: a GIF's size and frames, a
// Universal VTT map's figures. Each part holds for its path only, so a
// second choice of the same file can reuse it. A plain value, copied
// freely; never shared between threads.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>

struct SceneSourceProbe {
    using string = Zelkoran::String;

    bool gifProbeValid = false;
    string gifProbePath;
    int32_t gifWidth = 0;
    int32_t gifHeight = 0;
    int32_t gifFrameCount = 0;
    int32_t gifDurationMs = 0;

    bool uvttMetadataValid = false;
    bool uvttBakedLighting = false;
    bool uvttHasImage = false;
    string uvttProbePath;
    string uvttProbeError;
    string uvttCreator;
    int32_t uvttGridWidth = 0;
    int32_t uvttGridHeight = 0;
    int32_t uvttPixelsPerGrid = 0;
    int32_t uvttPixelWidth = 0;
    int32_t uvttPixelHeight = 0;
    int32_t uvttWallCount = 0;
    int32_t uvttObjectCount = 0;
    int32_t uvttPortalSegmentCount = 0;
    int32_t uvttMergedPortalCount = 0;
    int32_t uvttLightCount = 0;
};
