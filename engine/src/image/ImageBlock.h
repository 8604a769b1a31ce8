// The "ZK7_IMAGE" block: a 32-byte header with the image's settings and its
// pixels as a PNG (docs/image-block.md). All integers are little-endian.
//
//   OFFSET  SIZE  MEANING
//   0       3     magic "ZKI"
//   3       1     format version, 1
//   4       4     owner word: 0x10000000 image (written); 0x40000000 legacy
//                 GUI owner (read the same way, rewritten as 0x10000000)
//   8       4     width in pixels, 1..16384
//   12      4     height in pixels, 1..16384
//   16      1     colour key: 0 none, 1 set
//   17      3     colour key red, green, blue (zero without a key)
//   20      3     colour modulation red, green, blue
//   23      1     alpha modulation
//   24      4     payload format: 1 = PNG, 8-bit, width x height, colour
//                 type 6 (RGBA) for an image with transparency or 2 (RGB)
//                 for one without, or 3 (palette) for a clear palette's
//   28      4     payload size n, the rest of the block
//   32      n     payload
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

struct SDL_Surface;

namespace Zelkoran::image {

inline constexpr const char* kImageBlockType = "ZK7_IMAGE";
inline constexpr size_t kImageHeaderSize = 32;
inline constexpr uint32_t kOwnerImage = 0x10000000;
inline constexpr uint32_t kOwnerLegacyGui = 0x40000000;
// Largest side a block holds (and a save accepts).
inline constexpr int kMaxImageSide = 16384;

// Everything an image keeps besides its pixels and name.
struct ImageSettings {
    int16_t key[3] = {-1, -1, -1}; // negative = no key
    uint8_t colorMod[3] = {255, 255, 255};
    uint8_t alphaMod = 255;
    // The pixels kept as a palette with a clear entry (a scene's picture
    // read from one: Tiled counts every part of it as holding clear pixels).
    bool clearPalette = false;
};

// The block bytes for an image surface (ARGB8888 or RGB888) and its
// settings. 0, RC_ERR_INVALID (no pixels), RC_ERR_TOO_LARGE (a side over
// kMaxImageSide), RC_ERR_NO_MEMORY.
int encodeImageBlock(SDL_Surface* argb, const ImageSettings& settings, Vector<uint8_t>& out);

// Reads a block: a new surface (ARGB8888 for an RGBA payload, RGB888 for
// an RGB one; the caller frees it) and the settings. 0 or RC_ERR_CORRUPT (not such a block, another version or
// owner, sizes that do not add up, pixels that do not decode to the
// stated size).
int decodeImageBlock(const uint8_t* data, size_t size, SDL_Surface*& pixels, ImageSettings& settings);

} // namespace Zelkoran::image
