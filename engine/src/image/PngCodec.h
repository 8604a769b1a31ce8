// PNG bytes to and from image surfaces (ARGB8888 or RGB888, see
// ImageSurface.h), in memory. Both go through libspng: encoding at a fast
// setting; decoding stops with an error where the data runs out.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

struct SDL_RWops;
struct SDL_Surface;

namespace Zelkoran::image {

// What the IHDR chunk of a PNG says.
struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;
};
inline constexpr uint8_t kPngRgb = 2;
inline constexpr uint8_t kPngPalette = 3;
inline constexpr uint8_t kPngRgba = 6;

// Reads the signature and the IHDR chunk that must follow it. False when
// the bytes do not start that way.
bool readPngHeader(const uint8_t* data, size_t size, PngHeader& out);

// Encodes the surface's pixels as an 8-bit PNG: RGBA for ARGB8888, RGB for
// RGB888. A colour key on the surface is ignored, so every pixel is kept as
// it is. Compression is zlib's fastest level after the fixed Sub filter;
// for large pictures whose sample shows that string matching saves little
// (photos), Huffman codes alone, or run-length matching where the sample
// shows that runs save bytes: large pictures encode in less than twice the
// processor time they take to decode.
// 0, RC_ERR_INVALID (no pixels, another format), RC_ERR_NO_MEMORY.
int encodePng(SDL_Surface* surface, Vector<uint8_t>& out);

// Encodes an ARGB8888 surface as an 8-bit palette PNG with a tRNS chunk, its
// palette holding a clear entry even where no pixel is clear: readers that
// keep palettes count such a picture as having clear pixels, as they did
// the palette picture it was read from. Pixels of more colours than a
// palette holds, or of the opaque format, are encoded as encodePng does.
// Its codes.
int encodePalettePng(SDL_Surface* surface, Vector<uint8_t>& out);

// Whether the PNG holds palette entries (or grey levels of at most 8 bits,
// which readers keep as a palette) of which its tRNS chunk makes any clear
// or half clear, used by a pixel or not.
bool pngPaletteHasAlpha(const uint8_t* data, size_t size);

// Decodes the PNG at rw's position into a new surface, RGBA32 when it has
// transparency (an alpha channel or a tRNS chunk), else RGB24; null when it
// does not decode, also when it ends early. rw is left open.
SDL_Surface* readPng(SDL_RWops* rw);

// Decodes PNG bytes into a new surface in the image format its
// transparency calls for, which the caller frees; null when they do not
// decode.
SDL_Surface* decodePng(const uint8_t* data, size_t size);

} // namespace Zelkoran::image
