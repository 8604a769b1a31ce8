#include "cursor/CursorBlock.h"

#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

namespace Zelkoran::cursor {

using namespace bytes;

namespace {
constexpr size_t kHotXAt = 4, kHotYAt = 8;
}

void encodeCursorBlock(int hotX, int hotY, Vector<uint8_t>& out)
{
    out.assign(kCursorBlockSize, 0);
    putU32(&out[0], kCursorVersion);
    putI32(&out[kHotXAt], hotX);
    putI32(&out[kHotYAt], hotY);
}

int decodeCursorBlock(const uint8_t* data, size_t size, int& hotX, int& hotY)
{
    if (!data || size != kCursorBlockSize || getU32(data) != kCursorVersion)
        return RC_ERR_CORRUPT;
    hotX = getI32(data + kHotXAt);
    hotY = getI32(data + kHotYAt);
    return RC_OK;
}

} // namespace Zelkoran::cursor
