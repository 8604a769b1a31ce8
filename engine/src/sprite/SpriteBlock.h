// The "ZK7_SPRITE" block: the cell size and every animation's settings; the
// sheet is the hidden image block "#S_" + name. Little-endian throughout;
// docs/sprite-format.md describes it for readers.
//
//   OFFSET         SIZE      MEANING
//   0              4         format version, 10
//   4              4         record size, 256
//   8              4         cell width, 1..sheet width
//   12             4         cell height, 1..sheet height
//   16             4         frames per animation c = sheet width / cell width
//   20             24        reserved, zero
//   44             4         animation count n = sheet height / cell height
//   48             80        reserved, zero
//   128 + 256 i    256       record of animation i:
//     +0           2           state
//     +2           1           playback type: 1, 2, 4, 8 or 16
//     +3           1           reserved, zero
//     +4           4           hot spot x (encoded)
//     +8           4           hot spot y (encoded)
//     +12          4           first frame, 0..last
//     +16          4           last frame, first..c - 1
//     +20          236         reserved, zero
//   128 + 256 n    2 n c     frame times in ms, animation by animation
//
// A block of 128 + 256 n bytes (no frame times; QELv1 sprites after their
// upgrade) is read leniently: the cell height is sheet height / n unless the
// stored one cuts n rows, the cell width the stored one when it fits the
// sheet (else the sheet width), an invalid type plays as a loop, an invalid
// range is the whole row, and every frame shows for the default time.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Sprite.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::sprite {

inline constexpr const char* kSpriteBlockType = "ZK7_SPRITE";
inline constexpr uint32_t kSpriteVersion = 10;
inline constexpr size_t kSpriteHeaderSize = 128;
inline constexpr size_t kSpriteRecordSize = 256;

struct SpriteLayout {
    int cellW = 0;
    int cellH = 0;
    Vector<Sprite::Anim> anims;
};

// One of the SPR_ playback types.
inline bool isSpriteType(int type)
{
    return type == SPR_LOOP || type == SPR_PINGPONG || type == SPR_ONESHOT || type == SPR_ONESHOT_REVERSE ||
           type == SPR_RANDOM;
}

// 0 or RC_ERR_NO_MEMORY.
int encodeSpriteBlock(const SpriteLayout& layout, Vector<uint8_t>& out);
// Reads a block (either form) for a sheet of sheetW x sheetH pixels. 0 or RC_ERR_CORRUPT
// (another version, sizes that do not add up, settings out of range, a cut
// that does not fit the sheet), RC_ERR_NO_MEMORY.
int decodeSpriteBlock(const uint8_t* data, size_t size, int sheetW, int sheetH, SpriteLayout& layout);

} // namespace Zelkoran::sprite
