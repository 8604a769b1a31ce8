// Renders a TMX map with the engine into a PNG of the map's size, for
// comparing the engine's drawing with other renderers.
//   scene_render [--hide-layer NAME]... [--advance-animations MS] map.tmx out.png
#include "image/PngCodec.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace Zelkoran;

namespace {

bool writeFile(const char* path, const Vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

int usage()
{
    std::fprintf(stderr, "usage: scene_render [--hide-layer NAME]... [--advance-animations MS] map.tmx out.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> hidden;
    int advanceMs = 0;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--hide-layer") && i + 1 < argc)
            hidden.emplace_back(argv[++i]);
        else if (!std::strcmp(argv[i], "--advance-animations") && i + 1 < argc)
            advanceMs = std::atoi(argv[++i]);
        else
            files.push_back(argv[i]);
    }
    if (files.size() != 2)
        return usage();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);

    Main* engine = Main::instance();
    SceneMgr& scenes = *engine->sceneMgr();
    const int id = scenes.loadFromFile(files[0]);
    Scene* scene = scenes.get(id);
    if (!scene) {
        std::fprintf(stderr, "scene_render: %s\n", scenes.getLastError());
        return 1;
    }
    const int w = std::max(1, scene->getWidth()), h = std::max(1, scene->getHeight());
    Screen* screen = engine->configMgr()->get(0);
    screen->setDriver(Screen::DRV_SOFT);
    screen->setSize(w, h);
    if (screen->show() != 0) {
        std::fprintf(stderr, "scene_render: no screen\n");
        return 1;
    }
    for (int slot = 1; slot <= scene->getLayerCount(0); ++slot) {
        String name;
        if (scene->getLayerName(slot, name))
            for (const std::string& hide : hidden)
                if (hide == name.c_str())
                    scene->setLayerFeatures(slot, SLF_SHOWN, false);
    }
    if (advanceMs > 0)
        scene->update(advanceMs);

    // A transparent target of the map's size, so the PNG keeps alpha.
    SDL_Renderer* renderer = screen->getRenderer();
    SDL_Texture* target = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!target || !out || SDL_SetRenderTarget(renderer, target) != 0) {
        std::fprintf(stderr, "scene_render: %s\n", SDL_GetError());
        return 1;
    }
    SDL_SetTextureBlendMode(target, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    SDL_RenderClear(renderer);
    scene->setViewport(SDL_Rect{0, 0, w, h});
    scene->render(0, 0);
    const int rc = SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, out->pixels, out->pitch);
    // Blending onto transparent black leaves colours multiplied by their
    // alpha; a PNG holds them unmultiplied.
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(out->pixels) + size_t(y) * size_t(out->pitch));
        for (int x = 0; x < w; ++x) {
            const uint32_t a = row[x] >> 24;
            if (a == 0 || a == 255)
                continue;
            const auto un = [&](int shift) { return std::min(255u, (((row[x] >> shift) & 0xFF) * 255 + a / 2) / a); };
            row[x] = a << 24 | un(16) << 16 | un(8) << 8 | un(0);
        }
    }
    // The engine's PNG encoder: the same pixels, at a fraction of libpng's
    // default cost. A plain write: the picture is for looking at, and the
    // editor's durable replace (a random name, two syncs) would cost more
    // than drawing a small map.
    Vector<uint8_t> png;
    const bool encoded = rc == 0 && image::encodePng(out, png) == RC_OK;
    SDL_FreeSurface(out);
    if (!encoded || !writeFile(files[1], png)) {
        std::fprintf(stderr, "scene_render: %s could not be written\n", files[1]);
        return 1;
    }
    SDL_DestroyTexture(target);
    Main::terminate();
    return 0;
}
