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

bool takesAsImage(const SDL_Surface* s)
{
    if (!s || !s->format || s->refcount != 1 || s->locked || (s->flags & (SDL_PREALLOC | SDL_RLEACCEL)))
        return false;
    SDL_Surface* probe = const_cast<SDL_Surface*>(s); // SDL_HasColorKey takes no const
    return !SDL_HasColorKey(probe) && s->format->format == (s->format->Amask ? kAlphaFormat : kOpaqueFormat);
}

} // namespace Zelkoran::image
