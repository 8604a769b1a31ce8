// Bitmap fonts cut from a glyph sheet: one image whose top pixel row marks
// the glyphs. Every maximal run of pixels in that row that are not the
// marker colour (opaque magenta, 255,0,255) is one glyph, its column span;
// the rows below the top one are the glyphs' pixels. A sheet holds exactly
// kGlyphCount glyphs, in the order of kCharset: the blank, '!'..'~', then
// the Latin-1 letters and signs 161..255 without the soft hyphen (173).
#pragma once

#include <array>
#include <cstdint>

struct SDL_Surface;
struct SDL_Renderer;

namespace Zelkoran::font {

inline constexpr int kGlyphCount = 189;
inline constexpr uint8_t kMarker[3] = {255, 0, 255};

// Glyph slot of a code point, -1 when the sheet has none for it.
int glyphSlot(uint32_t codePoint);

struct GlyphSheet {
    struct Span {
        int x = 0;
        int w = 0;
    };
    std::array<Span, kGlyphCount> spans{};
    int height = 0; // sheet height - 1

    // Glyph runs of the top row of an ARGB8888 surface; spans holds the
    // first kGlyphCount of them.
    int cut(const SDL_Surface* argb);
    int advance(uint32_t codePoint) const;
};

// A copy of the sheet with the glyph runs of its top row painted green and
// blue by turns, so that a sheet that did not cut right shows where the
// runs are. The caller frees it; null on failure.
SDL_Surface* markGlyphRuns(const SDL_Surface* argb);

} // namespace Zelkoran::font
