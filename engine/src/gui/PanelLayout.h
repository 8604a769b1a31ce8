// The rectangles a flow layout gives a panel's children, computed for all
// of them at once and kept until the GUI changes.
#pragma once

#include <Zelkoran/Panel.h>

#include <SDL_rect.h>

#include <cstdint>
#include <unordered_map>

namespace Zelkoran {

struct Panel::FlowCache {
    uint64_t generation = ~uint64_t{0};
    SDL_Rect base{};
    int layout = -1, align = -1, justify = -1;
    std::unordered_map<const Widget*, SDL_Rect> rects;
};

namespace layout {

// Inside the base widget, before the first and after the last child.
inline constexpr int kFlowPadding = 8;
// Between two neighbours on the main axis (Justify Space may widen it).
inline constexpr int kFlowGap = 6;

} // namespace layout

} // namespace Zelkoran
