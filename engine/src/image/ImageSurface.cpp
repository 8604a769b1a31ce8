#include "image/ImageSurface.h"

#include <SDL.h>

namespace Zelkoran::image {

SDL_Surface* toImageFormat(SDL_Surface* s)
{
    if (!s || !s->format)
        return nullptr;
    const bool transparent = s->format->Amask != 0 || SDL_HasColorKey(s);
    return SDL_ConvertSurfaceFormat(s, transparent ? kAlphaFormat : kOpaqueFormat, 0);
}

} // namespace Zelkoran::image
