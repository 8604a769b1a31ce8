// The "ZK7_CURSOR" block: the hot spot; the image is the hidden image block
// "#C_" + name. Little-endian; docs/cursor-format.md describes it.
//
//   OFFSET  SIZE  MEANING
//   0       4     format version, 10
//   4       4     hot spot x, encoded (signed)
//   8       4     hot spot y, encoded (signed)
//   12      4     reserved, zero
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::cursor {

inline constexpr const char* kCursorBlockType = "ZK7_CURSOR";
inline constexpr uint32_t kCursorVersion = 10;
inline constexpr size_t kCursorBlockSize = 16;

void encodeCursorBlock(int hotX, int hotY, Vector<uint8_t>& out);
// 0 or RC_ERR_CORRUPT (another size or version).
int decodeCursorBlock(const uint8_t* data, size_t size, int& hotX, int& hotY);

} // namespace Zelkoran::cursor
