// The checks and picture preparation shared by the scene imports.
#include "import/scene/SceneImportChecks.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include <cstdio>

using namespace Zelkoran;

bool validateSceneImportTargetLayer(Scene* scene, int targetLayer, String& message)
{
    if (!scene)
        return true;
    if (targetLayer < 1) {
        message = "Target layer is invalid.";
        return false;
    }
    if (targetLayer <= scene->getLayerCount(0) && scene->getLayerType(targetLayer) != SLT_EMPTY) {
        message = "Target layer is already occupied. Select an empty slot or create a new layer.";
        return false;
    }
    return true;
}

bool validateSceneTileSize(const Scene* scene, int tileWidth, int tileHeight, String& message)
{
    if (!scene || (tileWidth == scene->getTileWidth() && tileHeight == scene->getTileHeight()))
        return true;
    for (int slot = 1; slot <= scene->getLayerCount(0); ++slot)
        if (scene->getLayerType(slot) != SLT_EMPTY) {
            char text[256];
            std::snprintf(text, sizeof text,
                          "Tile size %dx%d differs from the Scene's tile size %dx%d. The layers of a Scene share "
                          "its tile grid: use %dx%d.",
                          tileWidth, tileHeight, scene->getTileWidth(), scene->getTileHeight(),
                          scene->getTileWidth(), scene->getTileHeight());
            message = text;
            return false;
        }
    return true;
}

bool sceneHasLayerNamed(const Scene* scene, const String& name)
{
    if (!scene || name.empty())
        return false;
    String layer;
    // The count is asked again on every pass: it is the scene's to change.
    for (int slot = 1; slot <= scene->getLayerCount(0); ++slot)
        if (scene->getLayerType(slot) != SLT_EMPTY && scene->getLayerName(slot, layer) && layer == name)
            return true;
    return false;
}

String notWholeTilesMessage(const char* what, int width, int height, int tileWidth, int tileHeight)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s %dx%d is not divisible by tile size %dx%d. Enable padding to import edge tiles.", what, width,
                  height, tileWidth, tileHeight);
    return text;
}

bool validateFrameSequenceSize(int64_t frames, int width, int height, int tileWidth, int tileHeight, bool padded,
                               String& message)
{
    if (tileWidth < 1 || tileHeight < 1 || width < 1 || height < 1)
        return true; // the callers' own checks word these
    const int64_t round = padded ? 1 : 0;
    const int64_t w = padded ? (int64_t(width) + tileWidth - 1) / tileWidth * tileWidth : width;
    const int64_t h = padded ? (int64_t(height) + tileHeight - 1) / tileHeight * tileHeight : height;
    const int64_t cells = (int64_t(width) / tileWidth + round * (width % tileWidth != 0)) *
                          (int64_t(height) / tileHeight + round * (height % tileHeight != 0));
    char text[256];
    if (frames * w * h > kMaxImportFramePixels) {
        std::snprintf(text, sizeof text,
                      "%lld frames of %lldx%lld pixels are more than the import can hold (%lld pixels). "
                      "Use fewer frames or a smaller clip.",
                      static_cast<long long>(frames), static_cast<long long>(w), static_cast<long long>(h),
                      static_cast<long long>(kMaxImportFramePixels));
        message = text;
        return false;
    }
    if (frames * cells > kMaxImportRawTiles) {
        std::snprintf(text, sizeof text,
                      "%lld frames of %lld tiles are more than the import can hold (%lld tiles). "
                      "Use larger tiles or fewer frames.",
                      static_cast<long long>(frames), static_cast<long long>(cells),
                      static_cast<long long>(kMaxImportRawTiles));
        message = text;
        return false;
    }
    return true;
}

SDL_Surface* padSurfaceToTile(SDL_Surface* surface, int tileWidth, int tileHeight, bool transparent, uint32_t rgb)
{
    if (tileWidth < 1 || tileHeight < 1 || !surface)
        return nullptr;
    const int64_t w = (int64_t(surface->w) + tileWidth - 1) / tileWidth * tileWidth;
    const int64_t h = (int64_t(surface->h) + tileHeight - 1) / tileHeight * tileHeight;
    if (w == surface->w && h == surface->h)
        return surface;
    SDL_Surface* padded =
        w > INT32_MAX || h > INT32_MAX
            ? nullptr
            : SDL_CreateRGBSurfaceWithFormat(0, int(w), int(h), 32, SDL_PIXELFORMAT_ARGB8888);
    // Unblended: semi-transparent pixels keep their values instead of
    // darkening over the fill.
    SDL_Rect at{0, 0, surface->w, surface->h};
    if (padded && (SDL_FillRect(padded, nullptr, transparent ? 0u : (rgb | 0xFF000000u)) != 0 ||
                   SDL_SetSurfaceBlendMode(surface, SDL_BLENDMODE_NONE) != 0 ||
                   SDL_BlitSurface(surface, nullptr, padded, &at) != 0)) {
        SDL_FreeSurface(padded);
        padded = nullptr;
    }
    SDL_FreeSurface(surface);
    return padded;
}
