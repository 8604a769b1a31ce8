#include <Zelkoran/Font.h>
#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/Placement.h"
#include "gui/Theme.h"

#include <SDL_mouse.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Zelkoran {

namespace {

// Calls fn(begin, length) for every line of text.
template <class Fn>
void forLines(const String& text, Fn fn)
{
    size_t start = 0;
    for (;;) {
        const size_t nl = text.find('\n', start);
        const size_t end = nl == String::npos ? text.size() : nl;
        fn(text.data() + start, static_cast<int>(end - start));
        if (nl == String::npos)
            break;
        start = nl + 1;
    }
}

} // namespace

void WidgetText::setText(const char* text, Position x, Position y)
{
    m_text = text ? text : "";
    m_textX = x;
    m_textY = y;
    invalidate();
}

int WidgetText::textWidth() const
{
    const Font* f = font(WS_NORMAL);
    int w = 0;
    if (f)
        forLines(m_text, [&](const char* s, int n) { w = std::max(w, f->getWidth(s, n)); });
    return w;
}

int WidgetText::textHeight() const
{
    const Font* f = font(WS_NORMAL);
    if (!f || m_text.empty())
        return f ? f->getHeight() : 0;
    return static_cast<int>(std::count(m_text.begin(), m_text.end(), '\n') + 1) * f->getHeight();
}

int WidgetText::defaultWidth() const { return textWidth() + 2 * theme::kTextPadding; }
int WidgetText::defaultHeight() const { return textHeight() + 4; }

void WidgetText::paintText(Painter& painter, const SDL_Rect& area, int state)
{
    if (m_text.empty())
        return;
    const Font* f = font(state);
    if (!f)
        return;
    uint8_t c[4];
    textColor(state, c);
    const int lineH = f->getHeight();
    int y = placeInExtent(m_textY, area.y, area.h, textHeight());
    forLines(m_text, [&](const char* s, int n) {
        const int x = placeInExtent(m_textX, area.x, area.w, f->getWidth(s, n));
        painter.text(f, s, n, x, y, rgba(c));
        y += lineH;
    });
}

WidgetLabel::WidgetLabel(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetText(panel, parent, id, name, WT_LABEL)
{
    setFeatures(WF_NO_BG, true);
}

void WidgetLabel::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = isEnabled() ? WS_NORMAL : WS_DEACTIVATED;
    paintBackground(painter, r, state);
    paintBorder(painter, r, state);
    painter.pushClip(r);
    paintText(painter, r, state);
    painter.popClip();
}

bool WidgetLabel::takesClicks() const { return (getFeatures() & WF_EVENTS) != 0; }

void WidgetPressable::mouseUp(const Mouse& m, bool inside)
{
    if (inside && m.button == SDL_BUTTON_LEFT)
        activate();
}

} // namespace Zelkoran
