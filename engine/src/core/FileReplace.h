// Whole-file writes that never leave a half-written file behind.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Zelkoran {

// Writes data to path through a file beside it that replaces path only
// once it is complete and flushed; a failure leaves path as it was.
// 0 or RC_ERR_IO.
int writeFileReplacing(const char* path, const uint8_t* data, size_t size);

} // namespace Zelkoran
