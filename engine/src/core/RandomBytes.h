// Bytes from the system's cryptographic generator: salts, nonces and the
// names of files about to replace others.
#pragma once

#include <cstddef>

namespace Zelkoran {

// Fills length bytes; false when the generator failed.
bool randomBytes(void* out, size_t length);

} // namespace Zelkoran
