#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/ItemStore.h"
#include "gui/Theme.h"

#include <SDL.h>

#include <algorithm>

namespace Zelkoran {

WidgetList::WidgetList(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetItems(panel, parent, id, name, WT_LIST)
{
}

int WidgetList::getVisibleItems() const
{
    const SDL_Rect in = innerRect(SDL_Rect{0, 0, getWidth(), getHeight()});
    return std::max(1, in.h / getRowHeight());
}

void WidgetList::setSelectedIndex(int index)
{
    m_items->select(index);
    if (m_items->current)
        ensureVisible(m_items->current);
    invalidate();
}

bool WidgetList::isSelected(int index) const { return m_items->isSelected(index); }

void WidgetList::setItemSelected(int index, bool on)
{
    if (m_items->isSelected(index) != on)
        m_items->toggle(index);
    invalidate();
}

int WidgetList::setScroll(int delta, int* applied)
{
    const int maxScroll = std::max(0, getItemCount() - getVisibleItems());
    const long long wanted = static_cast<long long>(m_scroll) + delta;
    m_scroll = static_cast<int>(std::clamp<long long>(wanted, 0, maxScroll));
    if (applied)
        *applied = m_scroll;
    invalidate();
    return m_scroll;
}

void WidgetList::setMultiSelect(bool on) { m_items->multi = on; }
bool WidgetList::getMultiSelect() const { return m_items->multi; }

void WidgetList::ensureVisible(int index)
{
    const int row = index - 1;
    if (row < m_scroll)
        setScroll(row - m_scroll, nullptr);
    else if (row >= m_scroll + getVisibleItems())
        setScroll(row - (m_scroll + getVisibleItems()) + 1, nullptr);
}

int WidgetList::rowAt(int y) const
{
    const SDL_Rect in = innerRect(getRect());
    if (y < in.y || y >= in.y + in.h)
        return 0;
    const int row = (y - in.y) / getRowHeight() + m_scroll + 1;
    return row <= getItemCount() ? row : 0;
}

int WidgetList::hoverValue(const Mouse& m) const { return rowAt(m.y); }

void WidgetList::choose(int index, uint16_t mod)
{
    if (index < 1 || index > getItemCount())
        return;
    const int anchor = m_items->selected();
    if (m_items->multi && (mod & KMOD_CTRL))
        m_items->toggle(index);
    else if (m_items->multi && (mod & KMOD_SHIFT) && anchor) {
        m_items->selectRange(anchor, index);
        m_items->current = index;
    } else
        m_items->select(index);
    const int scroll = m_scroll;
    ensureVisible(index);
    if (m_scroll != scroll)
        raise(GE_SCROLLED, m_scroll);
    fire(m_onSelectionChanged, GE_ACTION, index);
}

void WidgetList::mouseDown(const Mouse& m)
{
    if (m.button != SDL_BUTTON_LEFT)
        return;
    if (const int row = rowAt(m.y))
        choose(row, m.mod);
}

bool WidgetList::wheel(int dy, const Mouse&)
{
    const int before = m_scroll;
    setScroll(-dy * 3, nullptr);
    if (m_scroll != before)
        raise(GE_SCROLLED, m_scroll);
    return true;
}

bool WidgetList::keyDown(int key, uint16_t mod)
{
    const int n = getItemCount();
    if (n == 0)
        return false;
    const int cur = m_items->selected();
    const int page = std::max(1, getVisibleItems() - 1);
    int next;
    switch (key) {
    case SDLK_UP: next = cur > 1 ? cur - 1 : 1; break;
    case SDLK_DOWN: next = cur < n ? cur + 1 : n; break;
    case SDLK_PAGEUP: next = std::max(1, cur - page); break;
    case SDLK_PAGEDOWN: next = std::min(n, (cur ? cur : 0) + page); break;
    case SDLK_HOME: next = 1; break;
    case SDLK_END: next = n; break;
    default: return false;
    }
    if (next != cur)
        choose(next, mod & KMOD_SHIFT);
    return true;
}

void WidgetList::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = getState();
    paintBackground(painter, r, state);
    paintBorder(painter, r, state);
    const SDL_Rect in = innerRect(r);
    const Font* f = font(state);
    if (!f || in.w <= 0 || in.h <= 0)
        return;
    painter.pushClip(in);
    uint8_t text[4], sel[4];
    textColor(state, text);
    effectiveSelection(state, sel);
    const int rowH = getRowHeight();
    const int hover = isEnabled() && m_hovered ? rowAt(gui()->getMouseY()) : 0;
    const int n = getItemCount();
    const int textY = (rowH - f->getHeight()) / 2;
    for (int row = m_scroll + 1, y = in.y; row <= n && y < in.y + in.h; ++row, y += rowH) {
        const SDL_Rect rowRect{in.x, y, in.w, rowH};
        const bool selected = m_items->isSelected(row);
        Color tc = rgba(text);
        if (selected) {
            painter.fill(rowRect, rgba(sel));
            if (state != WS_DEACTIVATED)
                tc = theme::kSelectedText;
        } else if (row == hover) {
            painter.fill(rowRect, theme::kRowHover);
        }
        const char* s = m_items->text(row);
        painter.text(f, s, -1, in.x + theme::kTextPadding, y + textY, tc);
        if (selected && hasFocus() && row == m_items->current)
            painter.frame(rowRect, Color{255, 255, 255, 120}, 1);
    }
    painter.popClip();
}

} // namespace Zelkoran
