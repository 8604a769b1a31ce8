// The two pixel formats an image keeps: ARGB8888 when its source has
// transparency (an alpha channel or a colour key), RGB888 (32 bits, no
// alpha) when it has none, so that the colour key stays a choice.
#pragma once

#include <SDL_pixels.h>

struct SDL_Surface;

namespace Zelkoran::image {

inline constexpr uint32_t kAlphaFormat = SDL_PIXELFORMAT_ARGB8888;
inline constexpr uint32_t kOpaqueFormat = SDL_PIXELFORMAT_RGB888;

// A new copy of s in the image format its transparency calls for (a colour
// key becomes transparent pixels), or null. The caller frees it.
SDL_Surface* toImageFormat(SDL_Surface* s);

// Whether an owned s can serve as its own copy: already in the image format,
// no colour key, no other holder and pixels of its own. An atlas of a
// hundred megabytes then costs no second fresh buffer.
bool takesAsImage(const SDL_Surface* s);

} // namespace Zelkoran::image
