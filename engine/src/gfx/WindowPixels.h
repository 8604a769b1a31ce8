// Textures that hold exactly what the software renderer would put in its
// window: drawn into at the same pixel format, then copied out unblended.
#pragma once

#include <SDL.h>

namespace Zelkoran {

// The software renderer drawing to its window at scale 1 and no viewport
// offset, so a texture of the window's format gets the very pixels the
// window would, at the same coordinates.
bool drawsLikeItsWindow(SDL_Renderer* renderer);

// A render-target texture of w x h in the format of renderer's window,
// copied without blending; null when it cannot be made.
SDL_Texture* createWindowTexture(SDL_Renderer* renderer, int w, int h);

} // namespace Zelkoran
