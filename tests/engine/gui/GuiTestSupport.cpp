#include "engine/gui/GuiTestSupport.h"

#include <SDL_image.h>

namespace guitest {

std::vector<char> stripPng(int w, int h, const SDL_Color colours[5])
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h * 5, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int i = 0; i < 5; ++i) {
        const SDL_Rect cell{0, i * h, w, h};
        SDL_FillRect(s, &cell, SDL_MapRGBA(s->format, colours[i].r, colours[i].g, colours[i].b, 255));
    }
    std::vector<char> bytes(64 * 1024);
    SDL_RWops* rw = SDL_RWFromMem(bytes.data(), static_cast<int>(bytes.size()));
    IMG_SavePNG_RW(s, rw, 0);
    bytes.resize(static_cast<size_t>(SDL_RWtell(rw)));
    SDL_RWclose(rw);
    SDL_FreeSurface(s);
    return bytes;
}

} // namespace guitest
