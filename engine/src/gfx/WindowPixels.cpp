#include "gfx/WindowPixels.h"

namespace Zelkoran {

bool drawsLikeItsWindow(SDL_Renderer* renderer)
{
    SDL_RendererInfo info;
    SDL_Rect view{0, 0, 0, 0};
    int w = 0, h = 0;
    float scaleX = 0, scaleY = 0;
    SDL_RenderGetViewport(renderer, &view);
    SDL_RenderGetScale(renderer, &scaleX, &scaleY);
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) &&
           !SDL_GetRenderTarget(renderer) && SDL_GetRendererOutputSize(renderer, &w, &h) == 0 &&
           view.x == 0 && view.y == 0 && view.w == w && view.h == h && scaleX == 1.0f && scaleY == 1.0f;
}

SDL_Texture* createWindowTexture(SDL_Renderer* renderer, int w, int h)
{
    SDL_Surface* screen = SDL_GetWindowSurface(SDL_RenderGetWindow(renderer));
    if (!screen)
        return nullptr;
    SDL_Texture* texture = SDL_CreateTexture(renderer, screen->format->format, SDL_TEXTUREACCESS_TARGET, w, h);
    if (texture)
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    return texture;
}

} // namespace Zelkoran
