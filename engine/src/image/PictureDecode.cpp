#include "image/PictureDecode.h"

#include "image/PngCodec.h"

#include <SDL.h>
#include <SDL_image.h>

namespace Zelkoran::image {

SDL_Surface* decodePicture(SDL_RWops* rw, const char* typeHint)
{
    if (!rw)
        return nullptr;
    if (IMG_isPNG(rw)) {
        SDL_Surface* decoded = readPng(rw);
        SDL_RWclose(rw);
        return decoded;
    }
    return IMG_LoadTyped_RW(rw, 1, typeHint);
}

} // namespace Zelkoran::image
