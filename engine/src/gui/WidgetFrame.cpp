#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"

namespace Zelkoran {

WidgetFrame::WidgetFrame(Panel* panel, Widget* parent, int id, const char* name)
    : Widget(panel, parent, id, name, WT_FRAME)
{
}

bool WidgetFrame::takesClicks() const { return (getFeatures() & WF_EVENTS) != 0; }

void WidgetFrame::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = isEnabled() ? (m_pressed && m_hovered ? WS_PRESSED : m_hovered ? WS_HOVERED : WS_NORMAL)
                                  : WS_DEACTIVATED;
    if (m_filled)
        paintBackground(painter, r, state);
    paintBorder(painter, r, state);
}

WidgetImage::WidgetImage(Panel* panel, Widget* parent, int id, const char* name)
    : Widget(panel, parent, id, name, WT_IMAGE)
{
}

bool WidgetImage::takesClicks() const { return (getFeatures() & WF_EVENTS) != 0; }

int WidgetImage::defaultWidth() const
{
    const Image* img = Main::instance()->imageMgr()->get(getBackgroundImage(WS_NORMAL));
    return img ? img->getWidth() : 32;
}

int WidgetImage::defaultHeight() const
{
    const Image* img = Main::instance()->imageMgr()->get(getBackgroundImage(WS_NORMAL));
    return img ? img->getHeight() : 32;
}

void WidgetImage::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = isEnabled() ? (m_pressed && m_hovered ? WS_PRESSED : m_hovered ? WS_HOVERED : WS_NORMAL)
                                  : WS_DEACTIVATED;
    paintBackground(painter, r, state);
    paintBorder(painter, r, state);
}

} // namespace Zelkoran
