// ARGB8888 surfaces made and read pixel by pixel.
#pragma once

#include <SDL_surface.h>

#include <cstdint>
#include <functional>

namespace surfacetest {

inline uint32_t& pixel(SDL_Surface* s, int x, int y) { return static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x]; }

inline SDL_Surface* filled(int w, int h, const std::function<uint32_t(int, int)>& colour)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixel(s, x, y) = colour(x, y);
    return s;
}

} // namespace surfacetest
