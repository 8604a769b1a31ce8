#include "tile/TileBlock.h"

#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

namespace Zelkoran::tile {

using namespace bytes;

namespace {
constexpr size_t kFlagAt = 4, kWidthAt = 8, kHeightAt = 12;
}

void encodeTileBlock(const TileLayout& layout, Vector<uint8_t>& out)
{
    out.assign(kTileBlockSize, 0);
    putU32(&out[0], kTileVersion);
    putU32(&out[kFlagAt], static_cast<uint32_t>(layout.flag));
    putI32(&out[kWidthAt], layout.tileW);
    putI32(&out[kHeightAt], layout.tileH);
}

int decodeTileBlock(const uint8_t* data, size_t size, TileLayout& layout)
{
    if (!data || size != kTileBlockSize || getU32(data) != kTileVersion)
        return RC_ERR_CORRUPT;
    const uint32_t flag = getU32(data + kFlagAt);
    const int w = getI32(data + kWidthAt), h = getI32(data + kHeightAt);
    if (flag > 1 || w < 1 || h < 1)
        return RC_ERR_CORRUPT;
    layout = TileLayout{static_cast<int>(flag), w, h};
    return RC_OK;
}

} // namespace Zelkoran::tile
