// The "ZK7_FONT" block: the compact 128-byte font record; the glyph sheet
// is the hidden image block "#F_" + name, cut again on every load.
// Little-endian; docs/font-format.md describes it for readers.
//
//   OFFSET  SIZE  MEANING
//   0       4     format version, 10
//   4       4     kerning in pixels (signed; read clamped to -256..256)
//   8       4     reserved, zero
//   12      1     style byte, kept as read and written back unchanged
//   13      19    reserved, zero
//   32      64    the font's name when saved, zero-terminated (informative:
//                 the block's own name names the font)
//   96      32    reserved, zero
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::font {

inline constexpr const char* kFontBlockType = "ZK7_FONT";
// The glyph sheet's hidden image block is this + the font's name.
inline constexpr const char* kSheetPrefix = "#F_";
inline constexpr uint32_t kFontVersion = 10;
inline constexpr size_t kFontBlockSize = 128;

struct FontRecord {
    int kerning = 0;
    uint8_t style = 0;
};

void encodeFontBlock(const FontRecord& record, const char* name, Vector<uint8_t>& out);
// 0 or RC_ERR_CORRUPT (another size or version, a name without its zero).
int decodeFontBlock(const uint8_t* data, size_t size, FontRecord& record);

} // namespace Zelkoran::font
