// The Universal VTT figures the import dialog shows and its checks read.
#pragma once

#include "import/scene/SceneSourceProbe.h"

#include <Zelkoran/CMem.h>

// Probes the file into found's Universal VTT figures. False with the
// message in error and uvttProbeError.
bool getUVTTMetadata(const Zelkoran::String& path, SceneSourceProbe& found, Zelkoran::String& error);
