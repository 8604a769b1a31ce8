#include <Zelkoran/GFX.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace Zelkoran {

namespace {

// The screen's renderer with the colour set, or null.
SDL_Renderer* prepare(int screen, uint32_t rgba)
{
    Screen* s = Main::instance()->configMgr()->get(screen);
    SDL_Renderer* r = s ? s->getRenderer() : nullptr;
    if (!r)
        return nullptr;
    const uint8_t a = rgba & 0xFF;
    SDL_SetRenderDrawBlendMode(r, a == 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(r, (rgba >> 24) & 0xFF, (rgba >> 16) & 0xFF, (rgba >> 8) & 0xFF, a);
    return r;
}

} // namespace

int GFX::rectFilled(float x1, float y1, float x2, float y2, uint32_t rgba, int screen)
{
    SDL_Renderer* r = prepare(screen, rgba);
    if (!r)
        return RC_ERR_NOT_FOUND;
    const SDL_FRect rect{std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1)};
    return SDL_RenderFillRectF(r, &rect) == 0 ? RC_OK : RC_ERR_GENERIC;
}

int GFX::rect(float x1, float y1, float x2, float y2, uint32_t rgba, int screen)
{
    SDL_Renderer* r = prepare(screen, rgba);
    if (!r)
        return RC_ERR_NOT_FOUND;
    const SDL_FRect rect{std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1)};
    return SDL_RenderDrawRectF(r, &rect) == 0 ? RC_OK : RC_ERR_GENERIC;
}

int GFX::line(float x1, float y1, float x2, float y2, uint32_t rgba, int screen)
{
    SDL_Renderer* r = prepare(screen, rgba);
    if (!r)
        return RC_ERR_NOT_FOUND;
    return SDL_RenderDrawLineF(r, x1, y1, x2, y2) == 0 ? RC_OK : RC_ERR_GENERIC;
}

int GFX::lineH(float x1, float x2, float y, uint32_t rgba, int screen)
{
    SDL_Renderer* r = prepare(screen, rgba);
    if (!r)
        return RC_ERR_NOT_FOUND;
    const float left = std::floor(std::min(x1, x2));
    const SDL_FRect rect{left, std::floor(y), std::floor(std::max(x1, x2)) - left + 1.0f, 1.0f};
    return SDL_RenderFillRectF(r, &rect) == 0 ? RC_OK : RC_ERR_GENERIC;
}

int GFX::lineV(float x, float y1, float y2, uint32_t rgba, int screen)
{
    SDL_Renderer* r = prepare(screen, rgba);
    if (!r)
        return RC_ERR_NOT_FOUND;
    const float top = std::floor(std::min(y1, y2));
    const SDL_FRect rect{std::floor(x), top, 1.0f, std::floor(std::max(y1, y2)) - top + 1.0f};
    return SDL_RenderFillRectF(r, &rect) == 0 ? RC_OK : RC_ERR_GENERIC;
}

void GFX::hsvToRGB(float h, float s, float v, uint8_t* r, uint8_t* g, uint8_t* b)
{
    s = std::clamp(s, 0.0f, 1.0f);
    v = std::clamp(v, 0.0f, 1.0f);
    h = std::fmod(h, 360.0f);
    if (h < 0)
        h += 360.0f;
    const float c = v * s;
    const float hp = h / 60.0f;
    const float x = c * (1.0f - std::fabs(std::fmod(hp, 2.0f) - 1.0f));
    float rf = 0, gf = 0, bf = 0;
    switch (static_cast<int>(hp) % 6) {
    case 0: rf = c, gf = x; break;
    case 1: rf = x, gf = c; break;
    case 2: gf = c, bf = x; break;
    case 3: gf = x, bf = c; break;
    case 4: rf = x, bf = c; break;
    default: rf = c, bf = x; break;
    }
    const float m = v - c;
    auto byte = [](float f) { return static_cast<uint8_t>(std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f)); };
    if (r)
        *r = byte(rf + m);
    if (g)
        *g = byte(gf + m);
    if (b)
        *b = byte(bf + m);
}

void GFX::rgbToHSV(uint8_t r, uint8_t g, uint8_t b, float* h, float* s, float* v)
{
    const float rf = r / 255.0f, gf = g / 255.0f, bf = b / 255.0f;
    const float mx = std::max({rf, gf, bf});
    const float mn = std::min({rf, gf, bf});
    const float d = mx - mn;
    float hue = -1.0f;
    if (d > 0) {
        if (mx == rf)
            hue = 60.0f * std::fmod((gf - bf) / d, 6.0f);
        else if (mx == gf)
            hue = 60.0f * ((bf - rf) / d + 2.0f);
        else
            hue = 60.0f * ((rf - gf) / d + 4.0f);
        if (hue < 0)
            hue += 360.0f;
    }
    if (h)
        *h = hue;
    if (s)
        *s = mx > 0 ? d / mx : 0.0f;
    if (v)
        *v = mx;
}

} // namespace Zelkoran
