// Glyph sheets as bitmap fonts take them: the characters drawn from the
// Liberation Sans face, each under a run of the top row, the runs split by
// one opaque magenta pixel.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <vector>

namespace editortest {

// The code points of a full sheet, in sheet order.
inline std::vector<uint32_t> glyphSheetCharset()
{
    std::vector<uint32_t> cps;
    for (uint32_t cp = 32; cp <= 126; ++cp)
        cps.push_back(cp);
    for (uint32_t cp = 161; cp <= 255; ++cp)
        if (cp != 173)
            cps.push_back(cp);
    return cps;
}

// A sheet of the first glyphs characters (189 = a whole font) from a face
// of pixels points, in colour rgb; scale > 1 makes them larger for large
// sheets; height > 0 crops the glyphs to that height. The caller frees it;
// null when the face cannot be opened.
inline SDL_Surface* makeGlyphSheet(int glyphs, int pixels = 16, uint32_t rgb = 0x202070, int scale = 1,
                                   int height = 0)
{
    if (!TTF_WasInit() && TTF_Init() != 0)
        return nullptr;
    TTF_Font* face = TTF_OpenFont("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", pixels);
    if (!face)
        return nullptr;
    const std::vector<uint32_t> cps = glyphSheetCharset();
    std::vector<int> widths;
    int total = 0;
    for (int i = 0; i < glyphs; ++i) {
        int minx, maxx, miny, maxy, adv = 0;
        TTF_GlyphMetrics32(face, cps[static_cast<size_t>(i % 189)], &minx, &maxx, &miny, &maxy, &adv);
        widths.push_back(std::max(1, adv) * scale);
        total += widths.back() + (i ? 1 : 0);
    }
    const int h = height > 0 ? height : TTF_FontHeight(face) * scale;
    SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, total, h + 1, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(sheet, nullptr, 0);
    const SDL_Color colour{static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8), static_cast<Uint8>(rgb), 255};
    int x = 0;
    for (int i = 0; i < glyphs; ++i) {
        if (i) {
            SDL_Rect marker{x, 0, 1, 1};
            SDL_FillRect(sheet, &marker, SDL_MapRGBA(sheet->format, 255, 0, 255, 255));
            ++x;
        }
        const uint32_t cp = cps[static_cast<size_t>(i % 189)];
        if (SDL_Surface* g = cp > 32 ? TTF_RenderGlyph32_Blended(face, cp, colour) : nullptr) {
            SDL_SetSurfaceBlendMode(g, SDL_BLENDMODE_NONE);
            SDL_Rect dst{x, 1, g->w * scale, g->h * scale};
            SDL_BlitScaled(g, nullptr, sheet, &dst);
            SDL_FreeSurface(g);
        }
        x += widths[static_cast<size_t>(i)];
    }
    TTF_CloseFont(face);
    return sheet;
}

} // namespace editortest
