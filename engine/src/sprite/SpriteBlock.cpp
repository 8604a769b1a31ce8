#include "sprite/SpriteBlock.h"

#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <new>

namespace Zelkoran::sprite {

using namespace bytes;

namespace {

constexpr size_t kRecordSizeAt = 4, kCellWAt = 8, kCellHAt = 12, kColumnsAt = 16, kCountAt = 44;
constexpr size_t kStateAt = 0, kTypeAt = 2, kHotXAt = 4, kHotYAt = 8, kFirstAt = 12, kLastAt = 16;

} // namespace

int encodeSpriteBlock(const SpriteLayout& layout, Vector<uint8_t>& out)
{
    const size_t n = layout.anims.size();
    const size_t c = n ? layout.anims[0].times.size() : 0;
    try {
        out.assign(kSpriteHeaderSize + kSpriteRecordSize * n + 2 * n * c, 0);
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    putU32(&out[0], kSpriteVersion);
    putU32(&out[kRecordSizeAt], kSpriteRecordSize);
    putI32(&out[kCellWAt], layout.cellW);
    putI32(&out[kCellHAt], layout.cellH);
    putI32(&out[kColumnsAt], static_cast<int32_t>(c));
    putI32(&out[kCountAt], static_cast<int32_t>(n));
    uint8_t* times = &out[kSpriteHeaderSize + kSpriteRecordSize * n];
    for (size_t i = 0; i < n; ++i) {
        const Sprite::Anim& a = layout.anims[i];
        uint8_t* r = &out[kSpriteHeaderSize + kSpriteRecordSize * i];
        putU16(r + kStateAt, a.state);
        r[kTypeAt] = a.type;
        putI32(r + kHotXAt, a.hotX);
        putI32(r + kHotYAt, a.hotY);
        putI32(r + kFirstAt, a.first);
        putI32(r + kLastAt, a.last);
        for (uint16_t ms : a.times) {
            putU16(times, ms);
            times += 2;
        }
    }
    return RC_OK;
}

namespace {

// A block of the records alone, as QELv1 archives held them (their upgrade
// rewrote only the state words): beyond the state, a field that does not
// hold takes its default, and every frame the default time.
int decodeRecordsOnly(const uint8_t* data, int n, int sheetW, int sheetH, SpriteLayout& layout)
{
    if (n > sheetH)
        return RC_ERR_CORRUPT;
    const int storedW = getI32(data + kCellWAt), storedH = getI32(data + kCellHAt);
    const int cellH = storedH >= 1 && storedH <= sheetH && sheetH / storedH == n ? storedH : sheetH / n;
    const int cellW = storedW >= 1 && storedW <= sheetW ? storedW : sheetW;
    if (sheetH / cellH != n)
        return RC_ERR_CORRUPT;
    const int c = sheetW / cellW;
    SpriteLayout read;
    read.cellW = cellW;
    read.cellH = cellH;
    try {
        read.anims.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const uint8_t* r = data + kSpriteHeaderSize + kSpriteRecordSize * static_cast<size_t>(i);
            Sprite::Anim& a = read.anims[static_cast<size_t>(i)];
            a.state = getU16(r + kStateAt);
            a.type = isSpriteType(r[kTypeAt]) ? r[kTypeAt] : static_cast<uint8_t>(SPR_LOOP);
            a.hotX = getI32(r + kHotXAt);
            a.hotY = getI32(r + kHotYAt);
            a.first = getI32(r + kFirstAt);
            a.last = getI32(r + kLastAt);
            if (a.first < 0 || a.first > a.last || a.last >= c) {
                a.first = 0;
                a.last = c - 1;
            }
            a.times.assign(static_cast<size_t>(c), Sprite::kDefaultFrameMs);
        }
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    layout = std::move(read);
    return RC_OK;
}

} // namespace

int decodeSpriteBlock(const uint8_t* data, size_t size, int sheetW, int sheetH, SpriteLayout& layout)
{
    if (!data || size < kSpriteHeaderSize || getU32(data) != kSpriteVersion)
        return RC_ERR_CORRUPT;
    const int count = getI32(data + kCountAt);
    if (count > 0 && size == kSpriteHeaderSize + kSpriteRecordSize * static_cast<uint64_t>(count))
        return decodeRecordsOnly(data, count, sheetW, sheetH, layout);
    if (getU32(data + kRecordSizeAt) != kSpriteRecordSize)
        return RC_ERR_CORRUPT;
    const int cellW = getI32(data + kCellWAt), cellH = getI32(data + kCellHAt);
    if (cellW < 1 || cellH < 1 || cellW > sheetW || cellH > sheetH)
        return RC_ERR_CORRUPT;
    const int c = getI32(data + kColumnsAt), n = getI32(data + kCountAt);
    if (c != sheetW / cellW || n != sheetH / cellH)
        return RC_ERR_CORRUPT;
    const uint64_t expected = kSpriteHeaderSize + uint64_t{kSpriteRecordSize} * static_cast<uint64_t>(n) +
                              2 * static_cast<uint64_t>(n) * static_cast<uint64_t>(c);
    if (size != expected)
        return RC_ERR_CORRUPT;
    SpriteLayout read;
    read.cellW = cellW;
    read.cellH = cellH;
    try {
        read.anims.resize(static_cast<size_t>(n));
        const uint8_t* times = data + kSpriteHeaderSize + kSpriteRecordSize * static_cast<size_t>(n);
        for (int i = 0; i < n; ++i) {
            const uint8_t* r = data + kSpriteHeaderSize + kSpriteRecordSize * static_cast<size_t>(i);
            Sprite::Anim& a = read.anims[static_cast<size_t>(i)];
            a.state = getU16(r + kStateAt);
            a.type = r[kTypeAt];
            a.hotX = getI32(r + kHotXAt);
            a.hotY = getI32(r + kHotYAt);
            a.first = getI32(r + kFirstAt);
            a.last = getI32(r + kLastAt);
            if (!isSpriteType(a.type) || a.first < 0 || a.first > a.last || a.last >= c)
                return RC_ERR_CORRUPT;
            a.times.resize(static_cast<size_t>(c));
            for (uint16_t& ms : a.times) {
                ms = getU16(times);
                times += 2;
            }
        }
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    layout = std::move(read);
    return RC_OK;
}

} // namespace Zelkoran::sprite
