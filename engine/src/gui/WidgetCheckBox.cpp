#include <Zelkoran/Font.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/Theme.h"

#include <SDL.h>

#include <algorithm>

namespace Zelkoran {

namespace {
constexpr int kBox = 14;
constexpr int kGap = 6;
} // namespace

WidgetCheckBox::WidgetCheckBox(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetPressable(panel, parent, id, name, WT_CHECKBOX)
{
    m_textX = Position(0, PH_LEFT);
}

int WidgetCheckBox::defaultWidth() const { return 2 + kBox + kGap + textWidth() + 2; }

int WidgetCheckBox::defaultHeight() const
{
    const Font* f = font(WS_NORMAL);
    return std::max(kBox + 4, (f ? f->getHeight() : 0) + 2);
}

void WidgetCheckBox::setChecked(bool checked)
{
    m_checked = checked;
    if (checked && m_group > 0 && getPanel()) {
        for (Widget* w : getPanel()->children())
            if (w != this && w->getType() == WT_CHECKBOX) {
                auto* other = static_cast<WidgetCheckBox*>(w);
                if (other->m_group == m_group)
                    other->m_checked = false;
            }
    }
    invalidate();
}

void WidgetCheckBox::toggle()
{
    if (!isEnabled())
        return;
    // A box of a group is chosen, not switched off, by a click.
    setChecked(m_group > 0 ? true : !m_checked);
    fire(m_onToggled, GE_ACTION, m_checked ? 1 : 0);
}

bool WidgetCheckBox::keyDown(int key, uint16_t)
{
    if (key == SDLK_SPACE) {
        toggle();
        return true;
    }
    return false;
}

void WidgetCheckBox::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = getState();
    const WidgetSkin& s = getSkin(state);
    const bool pictured = s.sprite || s.image || getSkin(0).sprite || getSkin(0).image;
    paintBackground(painter, r, state);
    painter.pushClip(r);
    if (pictured) {
        // The state strip shows box and check; the caption lies on top.
        paintText(painter, r, state);
        painter.popClip();
        return;
    }
    const SDL_Rect box{r.x + 2, r.y + (r.h - kBox) / 2, kBox, kBox};
    painter.fillRounded(box, 2, state == WS_DEACTIVATED ? Color{240, 240, 240, 255} : Color{255, 255, 255, 255});
    uint8_t border[4], mark[4];
    effectiveBorder(state, border);
    effectiveSelection(state, mark);
    painter.frameRounded(box, 2, rgba(border), std::max(1, effectiveBorderWidth(state)));
    if (m_checked) {
        const Color c = rgba(mark);
        for (int t = 0; t < 2; ++t) {
            painter.line(box.x + 3, box.y + 6 + t, box.x + 5, box.y + 9 + t, c);
            painter.line(box.x + 5, box.y + 9 + t, box.x + 10, box.y + 3 + t, c);
        }
    }
    if (hasFocus())
        painter.frame(shrink(box, -2), Color{0, 120, 215, 110}, 1);
    const SDL_Rect area{box.x + kBox + kGap, r.y, r.w - (kBox + kGap + 2), r.h};
    paintText(painter, area, state);
    painter.popClip();
}

} // namespace Zelkoran
