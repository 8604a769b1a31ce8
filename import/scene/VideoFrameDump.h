// Diagnostics for the video import: its sampled frames as PNG files.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/CMem.h>

struct ImportProgress;

// Writes the sampled frames as outputPath_000.png and so on; progress may
// be null. 0, or a FrameImportResult or engine code.
int dumpVideoFrames(const SceneLayerImportOptions& options, const Zelkoran::String& outputPath,
                    ImportProgress* progress);
