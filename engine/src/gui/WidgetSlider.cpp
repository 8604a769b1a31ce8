#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/Theme.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace Zelkoran {

namespace {
constexpr int kMinThumb = 8;
// Margins at least this long along the axis hold step arrows.
constexpr int kArrowMin = 8;
} // namespace

WidgetRanged::WidgetRanged(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type)
    : Widget(panel, parent, id, name, type)
{
}

void WidgetRanged::setRange(int min, int max)
{
    if (max < min)
        std::swap(min, max);
    m_min = min;
    m_max = max;
    m_value = std::clamp(m_value, m_min, m_max);
    invalidate();
}

void WidgetRanged::getRange(int& min, int& max) const
{
    min = m_min;
    max = m_max;
}

void WidgetRanged::setValue(int value)
{
    m_value = std::clamp(value, m_min, m_max);
    invalidate();
}

WidgetSlider::WidgetSlider(Panel* panel, Widget* parent, int id, const char* name, int axis)
    : WidgetRanged(panel, parent, id, name, WT_SLIDER), m_axis(axis ? 1 : 0)
{
}

void WidgetSlider::setAxis(int axis)
{
    m_axis = axis ? 1 : 0;
    invalidate();
}

void WidgetSlider::setThumbSize(int pixels)
{
    m_thumb = std::max(1, pixels);
    invalidate();
}

SDL_Rect WidgetSlider::trackRect() const
{
    const SDL_Rect r = getRect();
    return SDL_Rect{r.x + m_margin[3], r.y + m_margin[0], r.w - m_margin[1] - m_margin[3],
                    r.h - m_margin[0] - m_margin[2]};
}

SDL_Rect WidgetSlider::thumbRect() const
{
    const SDL_Rect t = trackRect();
    const int len = m_axis ? t.h : t.w;
    const int thumb = std::min(std::max(m_thumb, kMinThumb), len);
    const int span = std::max(0, len - thumb);
    // Ranges may span more than an int holds: differences are taken wide.
    const double range = double(int64_t{m_max} - m_min);
    const int pos = m_max > m_min ? static_cast<int>(std::lround(double(int64_t{m_value} - m_min) * span / range)) : 0;
    return m_axis ? SDL_Rect{t.x, t.y + pos, t.w, thumb} : SDL_Rect{t.x + pos, t.y, thumb, t.h};
}

int WidgetSlider::valueAt(int x, int y) const
{
    const SDL_Rect t = trackRect();
    const SDL_Rect th = thumbRect();
    const int len = m_axis ? t.h : t.w;
    const int thumb = m_axis ? th.h : th.w;
    const int span = std::max(1, len - thumb);
    const int at = (m_axis ? y - t.y : x - t.x) - m_grab;
    return static_cast<int>(m_min + std::llround(double(std::clamp(at, 0, span)) * double(int64_t{m_max} - m_min) / span));
}

void WidgetSlider::change(int64_t wide)
{
    const int value = static_cast<int>(std::clamp<int64_t>(wide, m_min, m_max));
    if (value == m_value)
        return;
    m_value = value;
    m_moved = true;
    fire(m_onValueChanged, GE_VALUE_CHANGED, value);
}

void WidgetSlider::mouseDown(const Mouse& m)
{
    if (m.button != SDL_BUTTON_LEFT)
        return;
    const SDL_Rect r = getRect();
    const SDL_Rect t = trackRect();
    m_moved = false;
    // Step arrows in long margins.
    if (m_axis) {
        if (m_margin[0] >= kArrowMin && m.y < t.y)
            return change(int64_t{m_value} - 1);
        if (m_margin[2] >= kArrowMin && m.y >= t.y + t.h && m.y < r.y + r.h)
            return change(int64_t{m_value} + 1);
    } else {
        if (m_margin[3] >= kArrowMin && m.x < t.x)
            return change(int64_t{m_value} - 1);
        if (m_margin[1] >= kArrowMin && m.x >= t.x + t.w && m.x < r.x + r.w)
            return change(int64_t{m_value} + 1);
    }
    const SDL_Rect th = thumbRect();
    if (contains(th, m.x, m.y))
        m_grab = m_axis ? m.y - th.y : m.x - th.x;
    else {
        m_grab = (m_axis ? th.h : th.w) / 2;
        change(valueAt(m.x, m.y));
    }
}

void WidgetSlider::mouseDrag(const Mouse& m)
{
    if (m_grab >= 0)
        change(valueAt(m.x, m.y));
}

void WidgetSlider::mouseUp(const Mouse&, bool)
{
    const bool dragged = m_grab >= 0 || m_moved;
    m_grab = -1;
    if (dragged && m_moved)
        fire(m_onValueCommitted, GE_VALUE_COMMITTED, m_value);
    m_moved = false;
}

bool WidgetSlider::wheel(int dy, const Mouse&)
{
    change(m_axis ? int64_t{m_value} - dy : int64_t{m_value} + dy);
    return true;
}

bool WidgetSlider::keyDown(int key, uint16_t)
{
    const int64_t page = std::max<int64_t>(1, (int64_t{m_max} - m_min) / 10);
    switch (key) {
    case SDLK_LEFT:
    case SDLK_UP: change(int64_t{m_value} - 1); return true;
    case SDLK_RIGHT:
    case SDLK_DOWN: change(int64_t{m_value} + 1); return true;
    case SDLK_PAGEUP: change(m_value - page); return true;
    case SDLK_PAGEDOWN: change(m_value + page); return true;
    case SDLK_HOME: change(m_min); return true;
    case SDLK_END: change(m_max); return true;
    default: return false;
    }
}

void WidgetSlider::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = getState();
    const SDL_Rect t{r.x + m_margin[3], r.y + m_margin[0], r.w - m_margin[1] - m_margin[3],
                     r.h - m_margin[0] - m_margin[2]};
    paintBackground(painter, t, state);
    paintBorder(painter, t, state);
    uint8_t arrow[4];
    textColor(state, arrow);
    const Color ac = rgba(arrow);
    auto arrowBox = [&](const SDL_Rect& box, int dir) { // dir: 0 up, 1 down, 2 left, 3 right
        painter.fill(box, Color{232, 232, 232, 255});
        painter.frame(box, Color{196, 196, 196, 255}, 1);
        const int cx = box.x + box.w / 2, cy = box.y + box.h / 2;
        for (int i = 0; i < 4; ++i) {
            if (dir == 0)
                painter.line(cx - i, cy - 2 + i, cx + i, cy - 2 + i, ac);
            else if (dir == 1)
                painter.line(cx - i, cy + 1 - i, cx + i, cy + 1 - i, ac);
            else if (dir == 2)
                painter.line(cx - 2 + i, cy - i, cx - 2 + i, cy + i, ac);
            else
                painter.line(cx + 1 - i, cy - i, cx + 1 - i, cy + i, ac);
        }
    };
    if (m_axis) {
        if (m_margin[0] >= kArrowMin)
            arrowBox(SDL_Rect{r.x, r.y, r.w, m_margin[0]}, 0);
        if (m_margin[2] >= kArrowMin)
            arrowBox(SDL_Rect{r.x, r.y + r.h - m_margin[2], r.w, m_margin[2]}, 1);
    } else {
        if (m_margin[3] >= kArrowMin)
            arrowBox(SDL_Rect{r.x, r.y, m_margin[3], r.h}, 2);
        if (m_margin[1] >= kArrowMin)
            arrowBox(SDL_Rect{r.x + r.w - m_margin[1], r.y, m_margin[1], r.h}, 3);
    }
    // The thumb takes the action state's skin.
    const SDL_Rect th = thumbRect();
    uint8_t bg[4], border[4];
    effectiveBackground(state == WS_DEACTIVATED ? WS_DEACTIVATED : WS_ACTION, bg);
    effectiveBorder(state == WS_DEACTIVATED ? WS_DEACTIVATED : WS_ACTION, border);
    if (state == WS_DEACTIVATED)
        bg[0] = bg[1] = bg[2] = 190, bg[3] = 255;
    if (bg[3] == 0) // a cleared thumb still shows
        bg[0] = bg[1] = bg[2] = 255, bg[3] = 255;
    Color thumb = rgba(bg);
    if (state == WS_PRESSED && thumb.r > 30 && thumb.g > 30 && thumb.b > 30)
        thumb = Color{static_cast<uint8_t>(thumb.r - 30), static_cast<uint8_t>(thumb.g - 30),
                      static_cast<uint8_t>(thumb.b - 30), thumb.a};
    const int corner = effectiveCorner(WS_ACTION);
    painter.fillRounded(th, corner, thumb);
    painter.frameRounded(th, corner, rgba(border), 1);
    if (hasFocus())
        painter.frame(shrink(t, -1), Color{0, 120, 215, 90}, 1);
}

// --- progress ---

WidgetProgress::WidgetProgress(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetRanged(panel, parent, id, name, WT_PROGRESS)
{
}


void WidgetProgress::paint(Painter& painter, const SDL_Rect& r)
{
    const bool on = isEnabled();
    uint8_t track[4], bar[4], border[4];
    effectiveBackground(on ? WS_HOVERED : WS_DEACTIVATED, track);
    effectiveBackground(WS_PRESSED, bar);
    effectiveBorder(on ? WS_NORMAL : WS_DEACTIVATED, border);
    const int bw = effectiveBorderWidth(WS_NORMAL);
    const SDL_Rect in = shrink(r, bw);
    if (!(getFeatures() & WF_NO_BG))
        painter.fill(in, rgba(track));
    const int64_t span = int64_t{m_max} - m_min;
    const int filled = span > 0 ? static_cast<int>(double(int64_t{m_value} - m_min) * in.w / double(span)) : 0;
    painter.fill(SDL_Rect{in.x, in.y, filled, in.h}, rgba(bar));
    painter.frame(r, rgba(border), bw);
}

} // namespace Zelkoran
