// Drawing helper of the toolkit: rectangles, rounded frames, text, images and
// sprite frames on the screen's renderer under a stack of clip rectangles.
#pragma once

#include <SDL.h>

#include <vector>

namespace Zelkoran {

class Font;

struct Color {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

inline Color rgba(const uint8_t c[4]) { return Color{c[0], c[1], c[2], c[3]}; }

class Painter {
public:
    explicit Painter(SDL_Renderer* renderer);
    ~Painter();
    SDL_Renderer* renderer() const { return m_renderer; }

    // Intersects r with the current clip; pop restores the previous one.
    void pushClip(const SDL_Rect& r);
    void popClip();
    bool clipEmpty() const { return m_clips.back().w <= 0 || m_clips.back().h <= 0; }
    const SDL_Rect& clip() const { return m_clips.back(); }
    bool visible(const SDL_Rect& r) const;

    // Multiplies every alpha drawn from now on (widget alpha mod).
    void setOpacity(uint8_t opacity) { m_opacity = opacity; }
    uint8_t opacity() const { return m_opacity; }

    void fill(const SDL_Rect& r, Color c);
    void fillRounded(const SDL_Rect& r, int radius, Color c);
    void frame(const SDL_Rect& r, Color c, int width);
    void frameRounded(const SDL_Rect& r, int radius, Color c, int width);
    void line(int x1, int y1, int x2, int y2, Color c);
    // Text line with its top-left at (x, y); returns the pen x after it.
    int text(const Font* font, const char* s, int length, int x, int y, Color c);
    void image(int imageId, const SDL_Rect* src, const SDL_Rect& dst);
    void sprite(int spriteId, int animation, const SDL_Rect& dst);

private:
    // Opaque colours overwrite plainly only where plainOpaque is set.
    void setColor(Color c, bool plainOpaque);
    void apply();
    SDL_Renderer* m_renderer;
    std::vector<SDL_Rect> m_clips;
    std::vector<SDL_Rect> m_rects; // scratch of the rounded shapes, reused
    uint8_t m_opacity = 255;
};

// Rectangle helpers.
inline SDL_Rect intersect(const SDL_Rect& a, const SDL_Rect& b)
{
    SDL_Rect r;
    if (!SDL_IntersectRect(&a, &b, &r))
        r = SDL_Rect{a.x, a.y, 0, 0};
    return r;
}
inline bool contains(const SDL_Rect& r, int x, int y)
{
    const SDL_Point p{x, y};
    return SDL_PointInRect(&p, &r);
}
inline SDL_Rect shrink(const SDL_Rect& r, int d) { return SDL_Rect{r.x + d, r.y + d, r.w - 2 * d, r.h - 2 * d}; }

} // namespace Zelkoran
