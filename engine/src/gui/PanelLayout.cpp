#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>

#include "gui/PanelLayout.h"

#include <algorithm>
#include <vector>

namespace Zelkoran {

namespace {

// One axis pair: main is the flow direction, cross the other one.
struct Span {
    int start, extent;
};

} // namespace

bool Panel::flowRect(const Widget* w, SDL_Rect& out) const
{
    if (m_layout != PL_HORIZONTAL && m_layout != PL_VERTICAL)
        return false;
    if (!m_flow)
        m_flow = std::make_unique<FlowCache>();
    FlowCache& c = *m_flow;
    const GUIMgr* g = Main::instance()->guiMgr();
    const uint64_t generation = g ? g->generation() : 0;
    const SDL_Rect base = m_base->getRect();
    if (c.generation != generation || !SDL_RectEquals(&c.base, &base) || c.layout != m_layout ||
        c.align != m_align || c.justify != m_justify) {
        c.generation = generation;
        c.base = base;
        c.layout = m_layout;
        c.align = m_align;
        c.justify = m_justify;
        c.rects.clear();
        const bool horizontal = m_layout == PL_HORIZONTAL;
        const int pad = layout::kFlowPadding;
        const Span main = horizontal ? Span{base.x + pad, base.w - 2 * pad} : Span{base.y + pad, base.h - 2 * pad};
        const Span cross = horizontal ? Span{base.y + pad, base.h - 2 * pad} : Span{base.x + pad, base.w - 2 * pad};
        std::vector<const Widget*> items;
        int used = 0;
        for (const Widget* child : m_order)
            if (child->isShown()) {
                items.push_back(child);
                used += horizontal ? child->getWidth() : child->getHeight();
            }
        const int n = static_cast<int>(items.size());
        int gap = layout::kFlowGap;
        int at = main.start;
        const int total = used + gap * std::max(0, n - 1);
        switch (m_justify) {
        case LJ_CENTER: at += (main.extent - total) / 2; break;
        case LJ_END: at += main.extent - total; break;
        case LJ_SPACE:
            if (n > 1)
                gap = std::max(gap, (main.extent - used) / (n - 1));
            break;
        default: break;
        }
        for (const Widget* child : items) {
            const int along = horizontal ? child->getWidth() : child->getHeight();
            int across = horizontal ? child->getHeight() : child->getWidth();
            int offset = cross.start;
            switch (m_align) {
            case LA_CENTER: offset += (cross.extent - across) / 2; break;
            case LA_END: offset += cross.extent - across; break;
            case LA_STRETCH: across = std::max(0, cross.extent); break;
            default: break;
            }
            c.rects[child] = horizontal ? SDL_Rect{at, offset, along, across} : SDL_Rect{offset, at, across, along};
            at += along + gap;
        }
    }
    const auto it = c.rects.find(w);
    if (it == c.rects.end())
        return false;
    out = it->second;
    return true;
}

} // namespace Zelkoran
