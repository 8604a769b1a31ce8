// PNG bytes to and from ARGB8888 surfaces, in memory, through SDL2_image.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

struct SDL_Surface;

namespace Zelkoran::image {

// What the IHDR chunk of a PNG says.
struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0; // 6 = RGBA
};
inline constexpr uint8_t kPngRgba = 6;

// Reads the signature and the IHDR chunk that must follow it. False when
// the bytes do not start that way.
bool readPngHeader(const uint8_t* data, size_t size, PngHeader& out);

// Encodes the surface's pixels as an 8-bit RGBA PNG; a colour key on the
// surface is ignored, so every pixel is kept as it is.
// 0, RC_ERR_INVALID (not an ARGB8888 surface), RC_ERR_NO_MEMORY.
int encodePng(SDL_Surface* argb, Vector<uint8_t>& out);

// Decodes PNG bytes into a new ARGB8888 surface the caller frees, or null.
SDL_Surface* decodePng(const uint8_t* data, size_t size);

} // namespace Zelkoran::image
