#include "scene/ThickLine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>

namespace Zelkoran::scene {

bool cutLine(ThickLine& line, SDL_Point picture)
{
    auto& [ax, ay, bx, by, width] = line;
    const double offX = std::abs(by - ay) * width * 0.5, offY = std::abs(bx - ax) * width * 0.5;
    const double clipX = 0 - offX, clipY = 0 - offY;
    const double clipW = (picture.x + offX) - clipX, clipH = (picture.y + offY) - clipY;
    const auto inside = [&](double x, double y) {
        return clipW != 0 && clipH != 0 && x >= clipX && x <= clipX + clipW && y >= clipY && y <= clipY + clipH;
    };
    if (inside(ax, ay) && inside(bx, by))
        return true;
    double t1 = 0, t2 = 1;
    const double o[2] = {ax, ay}, d[2] = {bx - ax, by - ay};
    const double low[2] = {clipX, clipY}, high[2] = {clipX + clipW, clipY + clipH};
    for (int i = 0; i < 2; ++i) {
        if (d[i] == 0) {
            if (o[i] <= low[i] || o[i] >= high[i])
                return false;
            continue;
        }
        const double dInv = 1 / d[i];
        double tLow = (low[i] - o[i]) * dInv, tHigh = (high[i] - o[i]) * dInv;
        if (tLow > tHigh)
            std::swap(tLow, tHigh);
        t1 = std::max(t1, tLow), t2 = std::min(t2, tHigh);
        if (t1 >= t2)
            return false;
    }
    const double w0 = (ax - bx) * (ax - bx) + (ay - by) * (ay - by);
    std::tie(ax, ay, bx, by) = std::tuple(ax + d[0] * t1, ay + d[1] * t1, ax + d[0] * t2, ay + d[1] * t2);
    const double w = (ax - bx) * (ax - bx) + (ay - by) * (ay - by);
    if (w == 0)
        return false;
    width *= std::sqrt(w0 / w);
    return true;
}

bool isLevel(const ThickLine& line) { return int64_t((line.by - line.ay) * kSubpixels) == 0; }

bool isUpright(const ThickLine& line) { return int64_t((line.bx - line.ax) * kSubpixels) == 0; }

void standUpright(ThickLine& line)
{
    const double x = (line.ax + line.bx) * 0.5, dx = std::abs(line.bx - line.ax) * 0.5, dy = line.width * dx;
    line = {x, line.ay - dy, x, line.ay + dy, 1 / line.width};
}

void uprightBox(const ThickLine& line, double edges[4])
{
    // Qt measures it from its upper end.
    const bool down = line.ay <= line.by;
    const double x = down ? line.ax : line.bx, top = down ? line.ay : line.by, bottom = down ? line.by : line.ay;
    const double half = 0.5 * line.width * (bottom - top);
    edges[0] = x - half, edges[1] = top, edges[2] = x + half, edges[3] = bottom;
}

double pixelEdge(double v)
{
    const double whole = std::floor(v);
    return v - whole >= 0.5 ? whole + 1 : whole;
}

} // namespace Zelkoran::scene
