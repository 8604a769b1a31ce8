#include "gfx/Painter.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>

#include <algorithm>
#include <cmath>

namespace Zelkoran {

namespace {

// Pixels cut from row i (0 = the outer row) of a corner of radius r.
int cornerInset(int r, int i)
{
    if (i < 0)
        return r;
    const double dy = r - i - 0.5;
    const double dx = std::sqrt(std::max(0.0, double(r) * r - dy * dy));
    return static_cast<int>(std::lround(r - dx));
}

// The software renderer fills opaque rectangles with streaming stores, which
// cost far more than they save on widget-sized shapes drawn over right after;
// blending at full alpha writes the same pixels with ordinary stores.
constexpr int kStreamedWidth = 256;

} // namespace

Painter::Painter(SDL_Renderer* renderer) : m_renderer(renderer)
{
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    m_clips.push_back(SDL_Rect{0, 0, w, h});
    apply();
}

Painter::~Painter() = default;

void Painter::pushClip(const SDL_Rect& r)
{
    m_clips.push_back(intersect(m_clips.back(), r));
    apply();
}

void Painter::popClip()
{
    if (m_clips.size() > 1)
        m_clips.pop_back();
    apply();
}

void Painter::apply()
{
    const SDL_Rect& c = m_clips.back();
    if (c.w > 0 && c.h > 0)
        SDL_RenderSetClipRect(m_renderer, &c);
}

bool Painter::visible(const SDL_Rect& r) const
{
    if (clipEmpty() || r.w <= 0 || r.h <= 0)
        return false;
    return SDL_HasIntersection(&m_clips.back(), &r);
}

void Painter::setColor(Color c, bool plainOpaque)
{
    const uint8_t a = static_cast<uint8_t>(c.a * m_opacity / 255);
    SDL_SetRenderDrawBlendMode(m_renderer, a == 255 && plainOpaque ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(m_renderer, c.r, c.g, c.b, a);
}

void Painter::fill(const SDL_Rect& r, Color c)
{
    if (!visible(r) || c.a == 0)
        return;
    setColor(c, r.w >= kStreamedWidth);
    SDL_RenderFillRect(m_renderer, &r);
}

void Painter::fillRounded(const SDL_Rect& r, int radius, Color c)
{
    radius = std::min({radius, r.w / 2, r.h / 2});
    if (radius <= 0) {
        fill(r, c);
        return;
    }
    if (!visible(r) || c.a == 0)
        return;
    setColor(c, r.w >= kStreamedWidth);
    std::vector<SDL_Rect>& rows = m_rects;
    rows.clear();
    for (int i = 0; i < radius; ++i) {
        const int in = cornerInset(radius, i);
        rows.push_back(SDL_Rect{r.x + in, r.y + i, r.w - 2 * in, 1});
        rows.push_back(SDL_Rect{r.x + in, r.y + r.h - 1 - i, r.w - 2 * in, 1});
    }
    rows.push_back(SDL_Rect{r.x, r.y + radius, r.w, r.h - 2 * radius});
    SDL_RenderFillRects(m_renderer, rows.data(), static_cast<int>(rows.size()));
}

void Painter::frame(const SDL_Rect& r, Color c, int width)
{
    if (width <= 0 || !visible(r) || c.a == 0)
        return;
    width = std::min({width, (r.w + 1) / 2, (r.h + 1) / 2});
    setColor(c, r.w >= kStreamedWidth);
    const SDL_Rect edges[4] = {
        {r.x, r.y, r.w, width},
        {r.x, r.y + r.h - width, r.w, width},
        {r.x, r.y + width, width, r.h - 2 * width},
        {r.x + r.w - width, r.y + width, width, r.h - 2 * width},
    };
    SDL_RenderFillRects(m_renderer, edges, 4);
}

void Painter::frameRounded(const SDL_Rect& r, int radius, Color c, int width)
{
    radius = std::min({radius, r.w / 2, r.h / 2});
    if (radius <= 0) {
        frame(r, c, width);
        return;
    }
    if (width <= 0 || !visible(r) || c.a == 0)
        return;
    setColor(c, r.w >= kStreamedWidth);
    std::vector<SDL_Rect>& parts = m_rects;
    parts.clear();
    for (int k = 0; k < width && radius - k >= 0; ++k) {
        const SDL_Rect o{r.x + k, r.y + k, r.w - 2 * k, r.h - 2 * k};
        const int rad = radius - k;
        if (o.w <= 0 || o.h <= 0)
            break;
        parts.push_back(SDL_Rect{o.x + rad, o.y, o.w - 2 * rad, 1});
        parts.push_back(SDL_Rect{o.x + rad, o.y + o.h - 1, o.w - 2 * rad, 1});
        parts.push_back(SDL_Rect{o.x, o.y + rad, 1, o.h - 2 * rad});
        parts.push_back(SDL_Rect{o.x + o.w - 1, o.y + rad, 1, o.h - 2 * rad});
        for (int i = 0; i < rad; ++i) {
            const int from = cornerInset(rad, i);
            const int to = std::max(from, cornerInset(rad, i - 1) - 1);
            const int len = to - from + 1;
            parts.push_back(SDL_Rect{o.x + from, o.y + i, len, 1});
            parts.push_back(SDL_Rect{o.x + o.w - 1 - to, o.y + i, len, 1});
            parts.push_back(SDL_Rect{o.x + from, o.y + o.h - 1 - i, len, 1});
            parts.push_back(SDL_Rect{o.x + o.w - 1 - to, o.y + o.h - 1 - i, len, 1});
        }
    }
    SDL_RenderFillRects(m_renderer, parts.data(), static_cast<int>(parts.size()));
}

void Painter::line(int x1, int y1, int x2, int y2, Color c)
{
    if (clipEmpty() || c.a == 0)
        return;
    setColor(c, true);
    SDL_RenderDrawLine(m_renderer, x1, y1, x2, y2);
}

int Painter::text(const Font* font, const char* s, int length, int x, int y, Color c)
{
    if (!font || !s || clipEmpty())
        return x;
    return font->draw(m_renderer, s, length, x, y, c.r, c.g, c.b, static_cast<uint8_t>(c.a * m_opacity / 255));
}

void Painter::image(int imageId, const SDL_Rect* src, const SDL_Rect& dst)
{
    if (!visible(dst))
        return;
    Image* img = Main::instance()->imageMgr()->get(imageId);
    if (!img)
        return;
    SDL_Texture* tex = img->texture(m_renderer);
    if (!tex)
        return;
    SDL_SetTextureAlphaMod(tex, static_cast<uint8_t>(img->getAlphaMod() * m_opacity / 255));
    SDL_RenderCopy(m_renderer, tex, src, &dst);
}

void Painter::sprite(int spriteId, int animation, const SDL_Rect& dst)
{
    if (!visible(dst))
        return;
    if (Sprite* s = Main::instance()->spriteMgr()->get(spriteId))
        s->renderFrame(m_renderer, animation, 0, &dst, m_opacity);
}

} // namespace Zelkoran
