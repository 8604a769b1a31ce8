// Files a tab writes beside the open archive.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

// Writes size bytes to path through a temporary file beside it that
// replaces path only once complete: a failed write leaves any earlier
// file at path as it was and no partial file. 0, RC_ERR_INVALID,
// RC_ERR_NOT_FOUND (the file cannot be created there) or RC_ERR_IO.
int writeExportFile(const Zelkoran::String& path, const void* data, size_t size);

// The engine's human-readable form of a byte count ("1.5 KB").
Zelkoran::String humanSize(uint64_t bytes);
