#include "scene/TurnedTile.h"

#include "scene/SceneModel.h"
#include "scene/ThickLine.h"
#include "scene/TileSampling.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <tuple>

namespace Zelkoran::scene {

namespace {

// Corners beyond this many pixels are taken as this far: their places in
// 1/64 pixel and in 16.16, and those times a step, stay within 64 bits.
constexpr double kFarCorner = double(1 << 24);
// Qt's rasterizer's steps along an edge: 16.16 places from 1/64 pixel ones.
constexpr int64_t kFixedPerSubpixel = kFixed / kSubpixels;

// An affine painter transform, changed as Qt changes one: each sum in its
// order, by the formulas of the kind Qt takes the matrix for (parts within
// 1e-12 of nothing taken for nothing; the kind found again only after a
// change of its own kind or above). Points map as (m11 x + m21 y + dx,
// m12 x + m22 y + dy), dropping what the kind leaves out.
struct QtTransform {
    enum Kind { None = 0, Moved = 1, Scaled = 2, Turned = 4 };
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    int kind() const
    {
        if (changed == None || changed < found)
            return found;
        found = None;
        if (changed >= Turned && (!fuzzyNull(m12) || !fuzzyNull(m21)))
            found = Turned;
        else if (changed >= Scaled && (!fuzzyNull(m11 - 1) || !fuzzyNull(m22 - 1)))
            found = Scaled;
        else if (!fuzzyNull(dx) || !fuzzyNull(dy))
            found = Moved;
        changed = None;
        return found;
    }
    void translate(double x, double y)
    {
        if (x == 0 && y == 0)
            return;
        switch (kind()) {
        case None: dx = x, dy = y; break;
        case Moved: dx += x, dy += y; break;
        case Scaled: dx += x * m11, dy += y * m22; break;
        default:
            dx += x * m11 + y * m21;
            dy += y * m22 + x * m12;
        }
        changed = std::max(changed, int(Moved));
    }
    void rotate(double degrees)
    {
        if (degrees == 0)
            return;
        double s = 0, c = 0;
        if (degrees == 90 || degrees == -270)
            s = 1;
        else if (degrees == 270 || degrees == -90)
            s = -1;
        else if (degrees == 180)
            c = -1;
        else
            s = std::sin(0.017453292519943295769 * degrees), c = std::cos(0.017453292519943295769 * degrees);
        switch (kind()) {
        case None:
        case Moved: m11 = c, m12 = s, m21 = -s, m22 = c; break;
        case Scaled: {
            const double t11 = c * m11, t12 = s * m22, t21 = -s * m11, t22 = c * m22;
            m11 = t11, m12 = t12, m21 = t21, m22 = t22;
            break;
        }
        default: {
            const double t11 = c * m11 + s * m21, t12 = c * m12 + s * m22;
            const double t21 = -s * m11 + c * m21, t22 = -s * m12 + c * m22;
            m11 = t11, m12 = t12, m21 = t21, m22 = t22;
        }
        }
        changed = std::max(changed, int(Turned));
    }
    void scale(double sx, double sy)
    {
        if (sx == 1 && sy == 1)
            return;
        switch (kind()) {
        case None:
        case Moved: m11 = sx, m22 = sy; break;
        case Scaled: m11 *= sx, m22 *= sy; break;
        default: m12 *= sx, m21 *= sy, m11 *= sx, m22 *= sy;
        }
        changed = std::max(changed, int(Scaled));
    }
    void map(double x, double y, double& ox, double& oy) const
    {
        switch (kind()) {
        case None: ox = x, oy = y; break;
        case Moved: ox = x + dx, oy = y + dy; break;
        case Scaled: ox = m11 * x + dx, oy = m22 * y + dy; break;
        default: ox = m11 * x + m21 * y + dx, oy = m12 * x + m22 * y + dy;
        }
    }

private:
    mutable int found = None, changed = None;
};

struct Point64 {
    int64_t x, y;
};

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// 16.16 fixed point, cut toward zero.
int64_t fixed(double v) { return int64_t(std::clamp(v, -kFarCorner, kFarCorner) * kFixed); }

// Rows from `from` on: the first and end pixel of each (end excluded; first
// >= end when none).
struct Rows {
    int64_t from = 0;
    std::vector<std::pair<int64_t, int64_t>> spans;
};

// The rows within area that the convex polygon of corners covers, its
// corners cut toward zero to 1/64 pixel. Each edge spans the rows whose
// middles it passes, its first row placed by the truncated step; a row
// covers the pixels whose centres lie right of its left edge and not right
// of its right one.
Rows polygonRows(const double (&cx)[4], const double (&cy)[4], SDL_Rect area)
{
    Point64 corners[4];
    int64_t top = INT64_MAX, bottom = INT64_MIN;
    for (int i = 0; i < 4; ++i) {
        corners[i] = {int64_t(std::clamp(cx[i], -kFarCorner, kFarCorner) * kSubpixels),
                      int64_t(std::clamp(cy[i], -kFarCorner, kFarCorner) * kSubpixels)};
        top = std::min(top, floorDiv(corners[i].y, kSubpixels));
        bottom = std::max(bottom, floorDiv(corners[i].y, kSubpixels) + 1);
    }
    Rows rows;
    rows.from = std::max<int64_t>(top, area.y);
    const int64_t to = std::min(bottom, int64_t(area.y) + area.h);
    rows.spans.assign(size_t(std::max<int64_t>(to - rows.from, 0)), {INT64_MAX, INT64_MIN}); // 16.16, least and most
    for (int i = 0; i < 4; ++i) {
        Point64 a = corners[i], b = corners[(i + 1) % 4];
        if (a.y == b.y)
            continue;
        if (a.y > b.y)
            std::swap(a, b);
        const int64_t first = floorDiv(a.y - kSubpixels / 2, kSubpixels) + 1;
        const int64_t last = floorDiv(b.y - kSubpixels / 2, kSubpixels);
        const int64_t step = fixed(double(b.x - a.x) / double(b.y - a.y));
        const int64_t x = a.x * kFixedPerSubpixel + floorDiv((first * kSubpixels + kSubpixels / 2 - a.y) * step, kSubpixels);
        for (int64_t row = std::max(first, rows.from); row <= std::min(last, to - 1); ++row) {
            const int64_t at = x + (row - first) * step;
            auto& [least, most] = rows.spans[size_t(row - rows.from)];
            least = std::min(least, at), most = std::max(most, at);
        }
    }
    for (auto& [first, end] : rows.spans)
        if (first <= end)
            first = floorDiv(first - kFixed / 2, kFixed) + 1, end = floorDiv(end - kFixed / 2, kFixed) + 1;
    return rows;
}

// One edge of a slanted thick line down a run of rows: where it crosses
// the first row's middle (16.16) and its step per row.
struct EdgeRun {
    int64_t row, at, step;
};

// The rows within area that a line neither level nor upright covers. Its
// corners, cut down to 1/64 pixel, bound four edges; each spans the rows
// whose middles lie below its upper corner and not below its lower one, the
// lower edges' rows beginning no higher than the picture's top row. Each
// edge's first row is placed in floating point, a left edge half a pixel
// right and a right one half a pixel left, cut toward zero; the rows below
// follow by truncated 16.16 steps. A row covers the pixels from its left
// place's to its right one's.
Rows slantedRows(const ThickLine& line, SDL_Rect area)
{
    struct Point {
        double x, y;
    };
    Point a{line.ax, line.ay}, b{line.bx, line.by};
    if (a.y > b.y)
        std::swap(a, b);
    const double dx = (b.x - a.x) * (0.5 * line.width), dy = (b.y - a.y) * (0.5 * line.width);
    const Point up{a.x + dy, a.y - dx}, down{a.x - dy, a.y + dx}; // a moved across the line
    const Point upB{b.x + dy, b.y - dx}, downB{b.x - dy, b.y + dx};
    Point top = up, left = down, right = upB, bottom = downB;
    if (a.x >= b.x)
        top = down, left = downB, right = up, bottom = upB;
    const auto snap = [](double v) {
        return std::floor(std::clamp(v, -kFarCorner, kFarCorner) * kSubpixels) / kSubpixels;
    };
    for (Point* p : {&top, &left, &right, &bottom})
        p->x = snap(p->x), p->y = snap(p->y);
    const auto edge = [](Point from, Point to, int64_t row, double side) {
        const double slope = to.y > from.y ? (to.x - from.x) / (to.y - from.y) : 0;
        return EdgeRun{row, fixed(from.x + side + (double(row) + 0.5 - from.y) * slope), fixed(slope)};
    };
    const int64_t topRow = int64_t(top.y + 0.5), bottomRow = int64_t(bottom.y + 0.5);
    const int64_t leftRow = std::max<int64_t>(int64_t(left.y + 0.5), 0);
    const int64_t rightRow = std::max<int64_t>(int64_t(right.y + 0.5), 0);
    const EdgeRun topLeft = edge(top, left, topRow, 0.5), topRight = edge(top, right, topRow, -0.5);
    const EdgeRun bottomLeft = edge(left, bottom, leftRow, 0.5), bottomRight = edge(right, bottom, rightRow, -0.5);

    Rows rows;
    rows.from = std::max<int64_t>(topRow, area.y);
    const int64_t to = std::min(bottomRow, int64_t(area.y) + area.h);
    rows.spans.assign(size_t(std::max<int64_t>(to - rows.from, 0)), {0, 0});
    for (int64_t row = rows.from; row < to; ++row) {
        const EdgeRun& l = row < leftRow ? topLeft : bottomLeft;
        const EdgeRun& r = row < rightRow ? topRight : bottomRight;
        rows.spans[size_t(row - rows.from)] = {floorDiv(l.at + (row - l.row) * l.step, kFixed),
                                               floorDiv(r.at + (row - r.row) * r.step, kFixed) + 1};
    }
    return rows;
}

// The rows within area that Qt's thick line covers.
Rows lineRows(ThickLine line, SDL_Rect area, SDL_Point picture)
{
    if (isLevel(line))
        standUpright(line);
    if (!isUpright(line))
        return slantedRows(line, area);
    // The pixels between its edges rounded, halves up.
    double e[4];
    uprightBox(line, e);
    const double wide = picture.x, high = picture.y;
    const double left = std::clamp(e[0], 0.0, wide), right = std::clamp(e[2], 0.0, wide);
    const double top = std::clamp(e[1], 0.0, high), bottom = std::clamp(e[3], 0.0, high);
    Rows rows;
    if (int64_t((right - left) * kSubpixels) == 0 || int64_t((bottom - top) * kSubpixels) == 0)
        return rows;
    rows.from = std::max(int64_t(pixelEdge(top)), int64_t(area.y));
    const int64_t to = std::min(int64_t(pixelEdge(bottom)), int64_t(area.y) + area.h);
    const std::pair<int64_t, int64_t> span{int64_t(pixelEdge(left)), int64_t(pixelEdge(right))};
    rows.spans.assign(size_t(std::max<int64_t>(to - rows.from, 0)), span);
    return rows;
}

// Qt's painter for t as Tiled sets it up, and the rectangle it draws in the
// painter's frame; false where a value is too far to draw.
bool tilePainter(const TileTurn& t, QtTransform& p, double& rx, double& ry, double& rw, double& rh)
{
    const int tw = t.tileWidth, th = t.tileHeight;
    for (double v : {t.layerX, t.layerY, t.x, t.y, t.angle, t.left, t.top, t.width, t.height, t.offsetX, t.offsetY})
        if (!(std::abs(v) <= kFarCorner)) // NaN too
            return false;
    if (tw < 1 || th < 1 || !(t.width > 0) || !(t.height > 0))
        return false;
    p.translate(t.layerX, t.layerY);
    if (t.angle != 0) { // Tiled turns the painter only for a turned object
        p.translate(t.x, t.y);
        p.rotate(t.angle);
        p.translate(-t.x, -t.y);
    }
    // The tile's centre in the box; a diagonally flipped tile stands turned
    // a quarter on the box's bottom-left corner.
    const double sx = t.width / tw, sy = t.height / th;
    double fx, fy;
    if (t.move == TileMove::ViaMiddle) {
        fx = ((t.x + t.offsetX * sx) + t.width / 2) + t.left;
        fy = ((t.y + t.offsetY * sy) + t.height / 2) + t.top;
    } else {
        const bool oneMove = t.move == TileMove::ViaCorner;
        const double cornerX = oneMove ? t.x + t.left : 0, cornerY = oneMove ? t.y + t.top : 0;
        if (!oneMove)
            p.translate(t.x + t.left, t.y + t.top);
        fx = cornerX + t.offsetX * sx + t.width / 2, fy = cornerY + t.offsetY * sy + t.height / 2;
    }
    bool mirrorX = t.flips & kFlipH, mirrorY = t.flips & kFlipV;
    double turn = 0;
    if (t.flips & kFlipD) {
        turn = 90;
        std::tie(mirrorX, mirrorY) = std::pair(mirrorY, !mirrorX);
        const double halfDiff = t.height / 2 - t.width / 2;
        fx += halfDiff, fy += halfDiff;
    }
    p.translate(fx, fy);
    p.rotate(turn);
    if (!mirrorX && !mirrorY) {
        rw = sx * tw, rh = sy * th;
    } else {
        p.scale(mirrorX ? -sx : sx, mirrorY ? -sy : sy);
        rw = tw, rh = th;
    }
    rx = -0.5 * rw, ry = -0.5 * rh;
    return true;
}

} // namespace

bool turnedOffAxis(const TileTurn& turn)
{
    QtTransform p;
    p.rotate(turn.angle);
    if (turn.flips & kFlipD)
        p.rotate(90);
    return p.kind() >= QtTransform::Turned;
}

bool axisBox(const TileTurn& turn, SDL_Point picture, AxisBox& box)
{
    QtTransform p;
    double rx, ry, rw, rh;
    if (!tilePainter(turn, p, rx, ry, rw, rh) || p.kind() >= QtTransform::Turned)
        return false;
    const bool moved = p.kind() <= QtTransform::Moved, unscaled = rw == turn.tileWidth && rh == turn.tileHeight;
    p.map(0, 0, box.middleX, box.middleY);
    double edges[4];
    if (moved && !unscaled && filledEdges(rx, ry, rw, rh, box.middleX, box.middleY, picture, edges)) {
        box.left = edges[0], box.top = edges[1], box.right = edges[2], box.bottom = edges[3];
        return true;
    }
    // Mapped as Qt maps a rectangle: its first corner, then back by the
    // size where mirrored.
    double x, y;
    p.map(rx, ry, x, y);
    if (moved && unscaled) { // copied as it is from its rounded corner
        box.left = std::floor(x + 0.5), box.top = std::floor(y + 0.5);
        box.right = box.left + rw, box.bottom = box.top + rh;
        box.middleX = box.left + rw / 2, box.middleY = box.top + rh / 2;
        return true;
    }
    double w = rw, h = rh;
    if (!moved) {
        w = p.m11 * rw, h = p.m22 * rh;
        if (w < 0)
            w = -w, x -= w;
        if (h < 0)
            h = -h, y -= h;
    }
    box.left = x, box.top = y, box.right = x + w, box.bottom = y + h;
    return true;
}

bool copiedTurned(const TileTurn& turn, double& left, double& top)
{
    QtTransform p;
    double rx, ry, rw, rh;
    if (!tilePainter(turn, p, rx, ry, rw, rh) || p.kind() != QtTransform::Turned || rw != turn.tileWidth ||
        rh != turn.tileHeight)
        return false;
    if (!fuzzyNull(p.m11) || !fuzzyNull(p.m22) ||
        !((fuzzyEqual(p.m12, 1) && fuzzyEqual(p.m21, -1)) || (fuzzyEqual(p.m12, -1) && fuzzyEqual(p.m21, 1))))
        return false;
    left = top = kFarCorner;
    for (const double x : {rx, rx + rw})
        for (const double y : {ry, ry + rh}) {
            double sx, sy;
            p.map(x, y, sx, sy);
            left = std::min(left, sx), top = std::min(top, sy);
        }
    return true;
}

std::vector<TurnedRun> turnedRuns(const TileTurn& t, SDL_Rect area, SDL_Point picture)
{
    std::vector<TurnedRun> runs;
    const int tw = t.tileWidth, th = t.tileHeight;
    QtTransform p;
    double rx, ry, rw, rh; // the rectangle drawn, in the painter's frame
    if (!tilePainter(t, p, rx, ry, rw, rh))
        return runs;
    const double col1 = p.m11 * p.m11 + p.m21 * p.m21, col2 = p.m12 * p.m12 + p.m22 * p.m22;
    const double row1 = p.m11 * p.m11 + p.m12 * p.m12, row2 = p.m21 * p.m21 + p.m22 * p.m22;
    const double a1 = std::abs(col1 - col2) > std::abs(row1 - row2) ? col1 : row1;
    const double a2 = std::abs(col1 - col2) > std::abs(row1 - row2) ? col2 : row2;
    Rows rows;
    if (fuzzyEqual(a1, a2)) {
        // Even scale: a thick line between the middles of the left and right sides.
        ThickLine line{0, 0, 0, 0, rh / rw};
        p.map((rx + rx) * 0.5, (ry + (ry + rh)) * 0.5, line.ax, line.ay);
        p.map(((rx + rw) + (rx + rw)) * 0.5, (ry + (ry + rh)) * 0.5, line.bx, line.by);
        if (!cutLine(line, picture))
            return runs;
        rows = lineRows(line, area, picture);
    } else {
        double cx[4], cy[4];
        p.map(rx, ry, cx[0], cy[0]);
        p.map(rx + rw, ry, cx[1], cy[1]);
        p.map(rx + rw, ry + rh, cx[2], cy[2]);
        p.map(rx, ry + rh, cx[3], cy[3]);
        rows = polygonRows(cx, cy, area);
    }

    // Screen to tile: the drawn rectangle's frame, moved 1/65536 tile pixel.
    QtTransform s = p;
    s.translate(rx, ry);
    if (rw != tw || rh != th)
        s.scale(rw / tw, rh / th);
    s.translate(1.0 / kFixed, 1.0 / kFixed);
    const double det = s.m11 * s.m22 - s.m21 * s.m12;
    if (det == 0)
        return runs;
    const double inv = 1 / det;
    const double h11 = s.m22 * inv, h12 = -s.m12 * inv, h21 = -s.m21 * inv, h22 = s.m11 * inv;
    const double hdx = (s.m21 * s.dy - s.m22 * s.dx) * inv, hdy = (s.m12 * s.dx - s.m11 * s.dy) * inv;
    for (double v : {h11, h12, h21, h22, hdx, hdy})
        if (!std::isfinite(v))
            return runs;
    const int64_t stepU = fixed(h11), stepV = fixed(h12);

    const int64_t right = int64_t(area.x) + area.w;
    for (size_t i = 0; i < rows.spans.size(); ++i) {
        const int row = int(rows.from + int64_t(i));
        const int64_t begin = std::max<int64_t>(rows.spans[i].first, 0);
        // Compared before narrowing: a row the box misses holds far-off ends.
        const int64_t first = std::max<int64_t>(begin, area.x), last = std::min(rows.spans[i].second, right);
        if (first >= last)
            continue;
        const int from = int(first), to = int(last);
        const double cyr = row + 0.5, cxb = begin + 0.5;
        int64_t u = fixed(h21 * cyr + h11 * cxb + hdx) + int64_t(from - begin) * stepU;
        int64_t v = fixed(h22 * cyr + h12 * cxb + hdy) + int64_t(from - begin) * stepV;
        for (int x = from; x < to; ++x, u += stepU, v += stepV) {
            const int tu = int(std::clamp<int64_t>(u >> 16, 0, tw - 1));
            const int tv = int(std::clamp<int64_t>(v >> 16, 0, th - 1));
            if (!runs.empty() && runs.back().y == row && runs.back().x + runs.back().length == x &&
                runs.back().u == tu && runs.back().v == tv)
                ++runs.back().length;
            else
                runs.push_back({x, row, 1, tu, tv});
        }
    }
    return runs;
}

} // namespace Zelkoran::scene
