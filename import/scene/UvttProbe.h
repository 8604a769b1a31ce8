// The Universal VTT figures the import dialog shows and its checks read.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/CMem.h>

// Probes the file into the options' Universal VTT metadata. False with the
// message in error and uvttProbeError.
bool getUVTTMetadata(const Zelkoran::String& path, SceneLayerImportOptions& options, Zelkoran::String& error);
