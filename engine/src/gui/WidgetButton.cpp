#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/Theme.h"

#include <SDL.h>

#include <algorithm>

namespace Zelkoran {

WidgetButton::WidgetButton(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetPressable(panel, parent, id, name, WT_BUTTON)
{
}

int WidgetButton::defaultWidth() const { return std::max(80, textWidth() + 24); }

int WidgetButton::defaultHeight() const
{
    const Font* f = font(WS_NORMAL);
    return std::max(22, (f ? f->getHeight() : 0) + 6);
}

void WidgetButton::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = getState();
    paintBackground(painter, r, state);
    paintBorder(painter, r, state);
    const bool pictured = getSkin(state).sprite || getSkin(0).sprite;
    if (hasFocus() && !pictured)
        painter.frame(shrink(r, 3), Color{0, 120, 215, 110}, 1);
    SDL_Rect area = innerRect(r);
    if (state == WS_PRESSED && !pictured)
        area.y += 1;
    painter.pushClip(r);
    paintText(painter, area, state);
    painter.popClip();
}

void WidgetButton::press()
{
    if (!isEnabled())
        return;
    if (GUIMgr* g = gui())
        g->buttonPressed(*this);
    fire(m_onPressed, GE_ACTION, 0);
}

bool WidgetButton::keyDown(int key, uint16_t)
{
    if (key == SDLK_SPACE || key == SDLK_RETURN || key == SDLK_KP_ENTER) {
        press();
        return true;
    }
    return false;
}

} // namespace Zelkoran
