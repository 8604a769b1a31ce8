// Whole-file writes that never leave a half-written file behind.
#pragma once

#include "core/FileIO.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace Zelkoran {

// Builds a new file beside path (named path.<tag>-<random>) with fill,
// flushes it and only then moves it over path; any failure removes it and
// leaves path as it was. 0, fill's code, or the file's I/O code. With keep,
// the new file stays open (and locked) in it once in place.
int replaceFile(const char* path, const char* tag, const std::function<int(FileHandle&)>& fill,
                FileHandle* keep = nullptr);

// Writes data to path that way. 0 or RC_ERR_IO.
int writeFileReplacing(const char* path, const uint8_t* data, size_t size);

} // namespace Zelkoran
