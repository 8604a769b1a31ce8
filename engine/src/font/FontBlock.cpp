#include "font/FontBlock.h"

#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstring>

namespace Zelkoran::font {

using namespace bytes;

namespace {
constexpr size_t kKerningAt = 4, kStyleAt = 12, kNameAt = 32, kNameSize = 64;
constexpr int kMaxKerning = 256;
} // namespace

void encodeFontBlock(const FontRecord& record, const char* name, Vector<uint8_t>& out)
{
    out.assign(kFontBlockSize, 0);
    putU32(&out[0], kFontVersion);
    putI32(&out[kKerningAt], record.kerning);
    out[kStyleAt] = record.style;
    std::memcpy(&out[kNameAt], name, std::min(std::strlen(name), kNameSize - 1));
}

int decodeFontBlock(const uint8_t* data, size_t size, FontRecord& record)
{
    if (!data || size != kFontBlockSize || getU32(data) != kFontVersion ||
        !std::memchr(data + kNameAt, 0, kNameSize))
        return RC_ERR_CORRUPT;
    record.kerning = std::clamp(getI32(data + kKerningAt), -kMaxKerning, kMaxKerning);
    record.style = data[kStyleAt];
    return RC_OK;
}

} // namespace Zelkoran::font
