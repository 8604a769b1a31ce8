#include "engine/scene/TiledReference.h"

#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>

namespace scenetest {

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof(line), p))
            out += line;
        if (pclose(p) != 0)
            out = "failed: " + out;
    }
    return out;
}

bool onPath(const char* program) { return run(std::string("command -v ") + program).rfind("failed", 0) != 0; }

SDL_Surface* loadArgb(const std::string& path)
{
    SDL_Surface* raw = IMG_Load(path.c_str());
    SDL_Surface* argb = raw ? SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
    SDL_FreeSurface(raw);
    return argb;
}

SDL_Surface* cut(SDL_Surface* picture, SDL_Rect r)
{
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, r.w, r.h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!out)
        return nullptr;
    SDL_FillRect(out, nullptr, 0);
    SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(picture, &r, out, nullptr);
    return out;
}

size_t differentPixels(SDL_Surface* tiled, SDL_Surface* engine, const Zelkoran::scene::Map& map, int shift,
                       SDL_Point framing)
{
    const uint8_t* bg = map.background;
    const auto flat = [&](SDL_Surface* img, int x, int y, bool reference, int out[4]) {
        const uint32_t p = static_cast<uint32_t*>(img->pixels)[y * img->pitch / 4 + x];
        const int alpha = int(p >> 24);
        for (int c = 0; c < 3; ++c) {
            out[c] = int(p >> (16 - 8 * c) & 255) * alpha / 255;
            if (reference && map.hasBackground)
                out[c] += bg[c] * bg[3] / 255 * (255 - alpha) / 255;
        }
        out[3] = reference && map.hasBackground ? alpha + bg[3] * (255 - alpha) / 255 : alpha;
    };
    size_t different = 0;
    for (int y = 0; y < tiled->h; ++y)
        for (int x = 0; x < tiled->w; ++x) {
            int want[4], got[4];
            flat(tiled, x, y, true, want);
            bool near = false;
            for (int dy = -shift; dy <= shift && !near; ++dy)
                for (int dx = -shift; dx <= shift && !near; ++dx) {
                    const int ex = x + dx + framing.x, ey = y + dy + framing.y;
                    if (ex < 0 || ey < 0 || ex >= engine->w || ey >= engine->h)
                        continue;
                    flat(engine, ex, ey, false, got);
                    near = std::abs(want[0] - got[0]) <= kChannelTolerance &&
                           std::abs(want[1] - got[1]) <= kChannelTolerance &&
                           std::abs(want[2] - got[2]) <= kChannelTolerance &&
                           std::abs(want[3] - got[3]) <= kChannelTolerance;
                }
            different += !near;
        }
    return different;
}

} // namespace scenetest
