// Where a block of a given size starts inside an extent, by a Position.
#pragma once

#include <Zelkoran/Types.h>

#include <cmath>

namespace Zelkoran {

inline int placeInExtent(Position p, int start, int extent, int size)
{
    const int off = static_cast<int>(std::lround(p.offset));
    switch (static_cast<uint32_t>(p.helper)) {
    case PH_CENTER:
    case PH_CENTER_CODE: return start + (extent - size) / 2 + off;
    case PH_RIGHT:
    case PH_BOTTOM:
    case PH_SIZE: return start + extent - size + off;
    default: return start + off;
    }
}

} // namespace Zelkoran
