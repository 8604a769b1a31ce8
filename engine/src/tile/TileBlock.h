// The "ZK7_TILE" block: the tile size; the image is the hidden image block
// "#T_" + name. Little-endian; docs/tile-format.md describes it for readers.
//
//   OFFSET  SIZE  MEANING
//   0       4     format version, 10
//   4       4     flag: 1 = both sizes chosen, 0 = one stands for the image's side
//   8       4     tile width in pixels, >= 1
//   12      4     tile height in pixels, >= 1
//   16      16    reserved, zero
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::tile {

inline constexpr const char* kTileBlockType = "ZK7_TILE";
inline constexpr uint32_t kTileVersion = 10;
inline constexpr size_t kTileBlockSize = 32;

struct TileLayout {
    int flag = 0;
    int tileW = 0;
    int tileH = 0;
};

void encodeTileBlock(const TileLayout& layout, Vector<uint8_t>& out);
// 0 or RC_ERR_CORRUPT (another size or version, a flag other than 0 and 1,
// a side below 1).
int decodeTileBlock(const uint8_t* data, size_t size, TileLayout& layout);

} // namespace Zelkoran::tile
