#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/ItemStore.h"
#include "gui/Theme.h"

#include <SDL.h>

#include <algorithm>

namespace Zelkoran {

namespace {
constexpr int kArrowZone = 18;
} // namespace

WidgetComboBox::WidgetComboBox(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetItems(panel, parent, id, name, WT_COMBOBOX)
{
}

void WidgetComboBox::setSelectedIndex(int index)
{
    m_items->select(index);
    invalidate();
}

void WidgetComboBox::rowsRemoved()
{
    m_dropScroll = std::clamp(m_dropScroll, 0, std::max(0, getItemCount() - kDropRows));
    m_dropHover = std::min(m_dropHover, getItemCount());
}

void WidgetComboBox::choose(int index)
{
    if (index < 1 || index > getItemCount())
        return;
    m_items->select(index);
    fire(m_onSelectionChanged, GE_ACTION, index);
}

void WidgetComboBox::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (GUIMgr* g = gui())
        g->closePopup(this);
    invalidate();
}

SDL_Rect WidgetComboBox::dropRect() const
{
    const SDL_Rect r = getRect();
    const int rowH = rowHeight();
    const int rows = std::clamp(getItemCount(), 1, kDropRows);
    SDL_Rect d{r.x, r.y + r.h, r.w, rows * rowH + 2};
    const Screen* s = Main::instance()->configMgr()->get(0);
    if (s && d.y + d.h > s->getHeight() && r.y - d.h >= 0)
        d.y = r.y - d.h;
    return d;
}

void WidgetComboBox::mouseDown(const Mouse& m)
{
    if (m.button != SDL_BUTTON_LEFT)
        return;
    if (m_open) {
        close();
        return;
    }
    m_open = true;
    m_dropScroll = std::clamp(m_items->selected() - 1, 0, std::max(0, getItemCount() - kDropRows));
    m_dropHover = m_items->current;
    gui()->openPopup(this);
    invalidate();
}

bool WidgetComboBox::dropMouse(int x, int y, bool click)
{
    const SDL_Rect d = dropRect();
    if (!contains(d, x, y))
        return false;
    const int rowH = rowHeight();
    const int row = (y - d.y - 1) / rowH + m_dropScroll + 1;
    m_dropHover = row <= getItemCount() ? row : 0;
    if (click && m_dropHover) {
        const int chosen = m_dropHover;
        close();
        choose(chosen);
    }
    invalidate();
    return true;
}

bool WidgetComboBox::wheel(int dy, const Mouse& m)
{
    if (m_open && contains(dropRect(), m.x, m.y)) {
        m_dropScroll = std::clamp(m_dropScroll - dy * 3, 0, std::max(0, getItemCount() - kDropRows));
        invalidate();
        return true;
    }
    const int next = std::clamp(m_items->current - dy, 1, getItemCount());
    if (getItemCount() > 0 && next != m_items->current)
        choose(next);
    return true;
}

bool WidgetComboBox::keyDown(int key, uint16_t)
{
    const int n = getItemCount();
    switch (key) {
    case SDLK_UP:
    case SDLK_DOWN: {
        const int base = m_open ? m_dropHover : m_items->current;
        const int next = std::clamp(base + (key == SDLK_UP ? -1 : 1), 1, std::max(1, n));
        if (m_open) {
            m_dropHover = next;
            if (next - 1 < m_dropScroll)
                m_dropScroll = next - 1;
            else if (next > m_dropScroll + kDropRows)
                m_dropScroll = next - kDropRows;
            invalidate();
        } else if (n > 0 && next != m_items->current)
            choose(next);
        return true;
    }
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE:
        if (m_open) {
            const int chosen = m_dropHover;
            close();
            choose(chosen);
        } else {
            Mouse m;
            mouseDown(m);
        }
        return true;
    case SDLK_ESCAPE:
        if (!m_open)
            return false;
        close();
        return true;
    default: return false;
    }
}

void WidgetComboBox::focusChanged(bool gained)
{
    if (!gained)
        close();
    Widget::focusChanged(gained);
}

void WidgetComboBox::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = m_open ? WS_PRESSED : getState();
    paintBackground(painter, r, state);
    paintBorder(painter, r, state);
    const SDL_Rect in = innerRect(r);
    const Font* f = font(state);
    uint8_t text[4];
    textColor(state, text);
    painter.pushClip(SDL_Rect{in.x, in.y, in.w - kArrowZone, in.h});
    if (f)
        painter.text(f, getSelectedText(), -1, in.x + theme::kTextPadding, in.y + (in.h - f->getHeight()) / 2,
                     rgba(text));
    painter.popClip();
    // Down arrow in the right zone.
    const int cx = in.x + in.w - kArrowZone / 2 - 1;
    const int cy = in.y + in.h / 2 - 2;
    for (int i = 0; i < 4; ++i)
        painter.line(cx - 3 + i, cy + i, cx + 3 - i, cy + i, rgba(text));
    if (hasFocus() && !m_open)
        painter.frame(shrink(r, 2), Color{0, 120, 215, 90}, 1);
}

void WidgetComboBox::paintDrop(Painter& painter)
{
    const SDL_Rect d = dropRect();
    const Font* f = font(WS_NORMAL);
    if (!f)
        return;
    painter.fill(d, Color{255, 255, 255, 255});
    painter.frame(d, Color{100, 100, 100, 255}, 1);
    const int rowH = rowHeight();
    uint8_t text[4], sel[4];
    textColor(WS_NORMAL, text);
    effectiveSelection(WS_NORMAL, sel);
    painter.pushClip(shrink(d, 1));
    const int n = getItemCount();
    for (int row = m_dropScroll + 1, y = d.y + 1; row <= n && y < d.y + d.h - 1; ++row, y += rowH) {
        const SDL_Rect rr{d.x + 1, y, d.w - 2, rowH};
        Color tc = rgba(text);
        if (row == m_dropHover) {
            painter.fill(rr, rgba(sel));
            tc = theme::kSelectedText;
        }
        painter.text(f, m_items->text(row), -1, rr.x + theme::kTextPadding, y + 2, tc);
    }
    painter.popClip();
}

} // namespace Zelkoran
