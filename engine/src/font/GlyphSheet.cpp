#include "font/GlyphSheet.h"

#include <SDL.h>

namespace Zelkoran::font {

namespace {

constexpr uint32_t kSoftHyphen = 173;

bool isMarker(const SDL_Surface* s, int x)
{
    const uint32_t p = static_cast<const uint32_t*>(s->pixels)[x];
    uint8_t r, g, b, a;
    SDL_GetRGBA(p, s->format, &r, &g, &b, &a);
    return a == 255 && r == kMarker[0] && g == kMarker[1] && b == kMarker[2];
}

// Calls run(x, w) for every glyph run of the top row; the number of runs.
template <class F>
int forEachRun(const SDL_Surface* s, F&& run)
{
    int runs = 0;
    for (int x = 0; x < s->w;) {
        if (isMarker(s, x)) {
            ++x;
            continue;
        }
        const int start = x;
        while (x < s->w && !isMarker(s, x))
            ++x;
        run(runs++, start, x - start);
    }
    return runs;
}

} // namespace

int glyphSlot(uint32_t cp)
{
    if (cp >= 32 && cp <= 126)
        return static_cast<int>(cp - 32);
    if (cp >= 161 && cp <= 255 && cp != kSoftHyphen)
        return static_cast<int>(cp - 161 + 95 - (cp > kSoftHyphen ? 1 : 0));
    return -1;
}

int GlyphSheet::cut(const SDL_Surface* argb)
{
    height = argb->h - 1;
    return forEachRun(argb, [this](int index, int x, int w) {
        if (index < kGlyphCount)
            spans[static_cast<size_t>(index)] = Span{x, w};
    });
}

int GlyphSheet::advance(uint32_t cp) const
{
    int slot = glyphSlot(cp);
    if (slot < 0)
        slot = glyphSlot('?');
    return spans[static_cast<size_t>(slot)].w;
}

SDL_Surface* markGlyphRuns(const SDL_Surface* argb)
{
    SDL_Surface* copy = SDL_ConvertSurfaceFormat(const_cast<SDL_Surface*>(argb), SDL_PIXELFORMAT_ARGB8888, 0);
    if (!copy)
        return nullptr;
    const uint32_t colours[2] = {SDL_MapRGBA(copy->format, 0, 255, 0, 255), SDL_MapRGBA(copy->format, 0, 0, 255, 255)};
    auto* row = static_cast<uint32_t*>(copy->pixels);
    forEachRun(argb, [&](int index, int x, int w) {
        for (int i = x; i < x + w; ++i)
            row[i] = colours[index % 2];
    });
    return copy;
}

} // namespace Zelkoran::font
