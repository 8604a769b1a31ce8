#include "scene/MapLayout.h"

#include "scene/TileSampling.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace Zelkoran::scene {

namespace {

// The grid of staggered and hexagonal maps (staggered ones have sides of
// no length): Tiled takes the cells' sizes even, and each side offset as
// half of what the side leaves of the cell.
struct HexGeometry {
    int tileWidth, tileHeight, sideLengthX, sideLengthY, sideOffsetX, sideOffsetY, columnWidth, rowHeight;

    HexGeometry(const Map& m, int side)
    {
        tileWidth = m.tileWidth & ~1;
        tileHeight = m.tileHeight & ~1;
        sideLengthX = m.staggerX ? side : 0;
        sideLengthY = m.staggerX ? 0 : side;
        sideOffsetX = (tileWidth - sideLengthX) / 2;
        sideOffsetY = (tileHeight - sideLengthY) / 2;
        columnWidth = sideOffsetX + sideLengthX;
        rowHeight = sideOffsetY + sideLengthY;
    }
};

// Narrows the layer cells [first, end) along one axis to those whose anchor,
// at (cell + offset) * step plus up to shift, can fall within [lo, hi].
void narrowCells(double lo, double hi, double step, double shift, int offset, int& first, int& end)
{
    if (step < 1)
        return;
    first = std::max(first, int(std::clamp(std::floor((lo - shift) / step), -kFar, kFar)) - offset);
    end = std::min(end, int(std::clamp(std::ceil(hi / step), -kFar, kFar)) - offset + 1);
}

// How far the tiles a layer uses reach beyond their cell, as Tiled
// measures it when it lays the layer out, over all the sets it draws from:
// the larger side of the largest tile, and the largest set offsets to the
// right, to the left and down. Tiled takes side + right as how far they
// reach right of their cell's left edge.
struct TileReach {
    int side = 0, right = 0, left = 0, down = 0;
};

TileReach tileReach(const Map& m, const Layer& layer)
{
    TileReach r;
    const TileSet* last = nullptr;
    for (const uint32_t gid : layer.cells) {
        // Neighbouring cells mostly share a set: look only past it.
        if (!gid || (last && last->contains(gid & kGidMask)))
            continue;
        const TileSet* ts = m.tileSetFor(gid);
        if (!ts || ts == last)
            continue;
        last = ts;
        r.side = std::max({r.side, ts->tileWidth, ts->tileHeight});
        for (const auto& [id, art] : ts->tiles)
            if (art.picture)
                r.side = std::max({r.side, art.rect.w, art.rect.h});
        r.right = std::max(r.right, ts->offsetX);
        r.left = std::max(r.left, -ts->offsetX);
        r.down = std::max(r.down, ts->offsetY);
    }
    return r;
}

// The cells Tiled holds a layer to, on the map's grid: it keeps cells in
// blocks of 16 x 16, on finite maps too, and bounds a layer by the blocks
// that hold a tile (the layer's own cells when it holds none).
struct CellRect {
    int64_t x = 0, y = 0, w = 0, h = 0;
};

CellRect tiledBounds(const Layer& layer)
{
    // Drawn every frame, and finite maps are often full: the edges are
    // found from the outside in, stopping at the first tile.
    const auto holds = [&](int x, int y) { return layer.cells[size_t(y) * size_t(layer.columns) + size_t(x)] != 0; };
    const auto rowHolds = [&](int y) {
        for (int x = 0; x < layer.columns; ++x)
            if (holds(x, y))
                return true;
        return false;
    };
    int top = 0, bottom = layer.rows - 1;
    while (top < layer.rows && !rowHolds(top))
        ++top;
    if (top == layer.rows)
        return {layer.originX, layer.originY, layer.columns, layer.rows};
    while (!rowHolds(bottom))
        --bottom;
    const auto columnHolds = [&](int x) {
        for (int y = top; y <= bottom; ++y)
            if (holds(x, y))
                return true;
        return false;
    };
    int left = 0, right = layer.columns - 1;
    while (!columnHolds(left))
        ++left;
    while (!columnHolds(right))
        --right;
    constexpr int64_t kBlock = 16;
    const auto block = [](int64_t v) { return int64_t(std::floor(double(v) / kBlock)) * kBlock; };
    const int64_t x0 = block(layer.originX + int64_t(left)), y0 = block(layer.originY + int64_t(top));
    return {x0, y0, block(layer.originX + int64_t(right)) + kBlock - x0,
            block(layer.originY + int64_t(bottom)) + kBlock - y0};
}

// The column of an x-staggered hexagonal map whose tile Tiled takes as
// nearest to (x, y): it measures to the centres of four tiles around the
// point in single precision, with its integer halves.
int hexColumnAt(const Map& m, const HexGeometry& p, double x, double y)
{
    x -= m.staggerEven ? p.tileWidth : p.sideOffsetX;
    const int across = 2 * p.columnWidth, down = 2 * p.rowHeight;
    const double cellX = std::floor(x / across), cellY = std::floor(y / down);
    const float relX = float(x - cellX * across), relY = float(y - cellY * down);
    const int left = p.sideLengthX / 2, middle = left + p.columnWidth, centreY = p.tileHeight / 2;
    const float centres[4][2] = {{float(left), float(centreY)},
                                 {float(middle), float(centreY - p.rowHeight)},
                                 {float(middle), float(centreY + p.rowHeight)},
                                 {float(middle + p.columnWidth), float(centreY)}};
    const int columns[4] = {0, 1, 1, 2};
    int nearest = 0;
    float least = std::numeric_limits<float>::max();
    for (int i = 0; i < 4; ++i) {
        const float dx = centres[i][0] - relX, dy = centres[i][1] - relY, d = dx * dx + dy * dy;
        if (d < least)
            least = d, nearest = i;
    }
    const double column = 2 * cellX + (m.staggerEven ? 1 : 0) + columns[nearest];
    return int(std::clamp(column, -kFar, kFar));
}

// How far Tiled moves the columns of an x-staggered hexagonal map whose
// columns lie half a pixel off whole (an odd side) to the right: it lays a
// layer out from the column it finds nearest to where the layer's tiles
// can reach from, left of its first column and above its top (a column
// further left when that point lies in the left part of the column's
// box), and each pair of columns it starts left of the first adds a pixel.
// reach: the layer's tiles'; first: the layer's first column.
int hexColumnShift(const Map& m, const HexGeometry& p, const TileReach& reach, int first)
{
    if (p.columnWidth < 1)
        return 0;
    const double x = double(first) * p.columnWidth + m.tileWidth - reach.side - reach.right;
    int start = hexColumnAt(m, p, x, -reach.down);
    if (x - double(start) * p.columnWidth < p.sideOffsetX)
        --start;
    const bool lowered = bool(first & 1) != m.staggerEven;
    const int64_t before = int64_t(first) - start;
    return before > 0 ? int((before + (lowered ? 0 : 1)) / 2) : 0;
}

// The height Tiled lays an isometric grid out from: an infinite map's size
// is that of its chunks, but Tiled takes the height the map declares.
int gridHeight(const Map& m)
{
    pugi::xml_attribute declared = m.element.document_element().attribute("height");
    return m.infinite && declared ? declared.as_int() : m.height;
}

// Where Tiled's isometric renderer puts a layer's cells: it walks the
// screen row by row, every other row half a cell (rounded down) aside, and
// drops the fraction of each row's start. On cells of an odd size the half
// pixels therefore fall by where that walk begins. In Tiled's integer and
// double arithmetic, on the map's cells and pixels.
struct IsoWalk {
    int64_t sum = 0, diff = 0; // the first row's first cell, as x + y and x - y
    double left = 0;           // where that row begins
    int64_t bottom2 = 0;       // and its bottom, in half pixels
    bool shifted = false;      // whether the second row begins half a cell left, not right
    int64_t tileWidth = 1, tileHeight = 1;

    // The bottom-left of map cell (x, y)'s tile.
    void place(int64_t x, int64_t y, double& outLeft, double& outBottom) const
    {
        const int64_t row = x + y - sum;
        const bool odd = row & 1;
        const double rowLeft = left + double(odd ? (shifted ? -tileWidth / 2 : tileWidth / 2) : 0);
        const int64_t rowDiff = diff + (odd ? (shifted ? -1 : 1) : 0);
        outLeft = std::trunc(rowLeft) + double((x - y - rowDiff) / 2 * tileWidth);
        outBottom = double(bottom2 + row * tileHeight) / 2;
    }
};

// The walk over layer's cells: Tiled starts it at the top-left of the box
// its cells' blocks span, widened by how far its tiles reach right of and
// below a cell. On cells of even sizes every walk places them alike, so it
// begins at cell (0, 0) without looking through the layer (drawn every
// frame).
IsoWalk isoWalk(const Map& m, const Layer& layer)
{
    IsoWalk w;
    const int64_t tw = w.tileWidth = m.tileWidth, th = w.tileHeight = m.tileHeight;
    const int64_t originX = int64_t(gridHeight(m)) * tw / 2;
    int64_t x1 = originX, y1 = 0;
    if ((tw | th) & 1) {
        const CellRect cells = tiledBounds(layer);
        const TileReach reach = tileReach(m, layer);
        x1 = (cells.x - (cells.y + cells.h)) * tw / 2 + originX - (reach.side + reach.right - tw);
        y1 = (cells.x + cells.y) * th / 2 - reach.down;
    }
    // The cell under (x1, y1), in Tiled's doubles: a corner on a cell's edge
    // falls to either side as they round.
    const double tileY = double(y1) / double(th), tileX = (double(x1) - double(originX)) / double(tw);
    int64_t rx = int64_t(std::floor(tileY + tileX)), ry = int64_t(std::floor(tileY - tileX));
    double sx = double(rx - ry) * double(tw) / 2 + double(originX) - double(tw / 2);
    double sy = double(rx + ry) * double(th) / 2 + double(th);
    const bool upper = sy - double(y1) > double(th / 2), leftHalf = double(x1) - sx < double(tw / 2);
    if (upper) {
        if (leftHalf)
            --rx, sx -= double(tw / 2);
        else
            --ry, sx += double(tw / 2);
        sy -= double(th / 2);
    }
    w.sum = rx + ry, w.diff = rx - ry, w.left = sx, w.bottom2 = int64_t(sy * 2), w.shifted = upper != leftHalf;
    return w;
}

class OrthogonalLayout final : public MapLayout {
public:
    using MapLayout::MapLayout;

    SDL_Point pictureSize() const override
    {
        return {m_map.width * m_map.tileWidth, m_map.height * m_map.tileHeight};
    }

    MapPoint mapZero() const override
    {
        return {-double(m_map.originX) * m_map.tileWidth, -double(m_map.originY) * m_map.tileHeight};
    }

    void eachCell(const Layer& layer, const CellReach& shown, double ox, double oy, const CellDraw& draw) const override
    {
        const Map& m = m_map;
        // Map cell of layer cell (x, y), counted from the scene's top-left cell.
        const int dx = layer.originX - m.originX, dy = layer.originY - m.originY;
        const bool up = m.renderOrder == RenderOrder::RightUp || m.renderOrder == RenderOrder::LeftUp;
        const bool left = m.renderOrder == RenderOrder::LeftDown || m.renderOrder == RenderOrder::LeftUp;
        // Only the cells whose tiles can reach the clip rectangle.
        int x0 = 0, y0 = 0, x1 = layer.columns, y1 = layer.rows;
        if (const SDL_Rect& clip = shown.clip; clip.w > 0) {
            const int* reach = shown.reach;
            // Clamped before the cast: offsets may be far out.
            const auto cellAt = [](double px, int size) { return int(std::clamp(std::floor(px / size), -kFar, kFar)); };
            x0 = std::max(x0, cellAt(double(clip.x - reach[2]) - ox - 1, m.tileWidth) - dx);
            x1 = std::min(x1, cellAt(double(clip.x + clip.w + reach[0]) - ox + 1, m.tileWidth) - dx + 1);
            y0 = std::max(y0, cellAt(double(clip.y - reach[3]) - oy - 1, m.tileHeight) - dy);
            y1 = std::min(y1, cellAt(double(clip.y + clip.h + reach[1]) - oy + 1, m.tileHeight) - dy + 1);
        }
        for (int i = y0; i < y1; ++i) {
            const int y = up ? y1 - 1 - (i - y0) : i;
            for (int j = x0; j < x1; ++j) {
                const int x = left ? x1 - 1 - (j - x0) : j;
                if (const uint32_t gid = layer.cells[size_t(y) * size_t(layer.columns) + size_t(x)])
                    draw(gid, double(x + dx) * m.tileWidth, double(y + dy + 1) * m.tileHeight);
            }
        }
    }
};

class IsometricLayout final : public MapLayout {
public:
    explicit IsometricLayout(const Map& map)
        : MapLayout(map),
          m_originX(int(std::clamp<int64_t>(int64_t(gridHeight(map)) * map.tileWidth / 2, INT_MIN, INT_MAX)))
    {
    }

    SDL_Point pictureSize() const override
    {
        const int cells = m_map.width + m_map.height;
        return {cells * m_map.tileWidth / 2, cells * m_map.tileHeight / 2};
    }

    // Level with cell (0, 0)'s top, left of it by half the map's declared
    // height in cells.
    MapPoint mapZero() const override
    {
        const Map& m = m_map;
        const double cellX = -double(m.originX), cellY = -double(m.originY);
        return {std::floor((cellX - cellY) * m.tileWidth / 2) + m.height * m.tileWidth / 2 - m_originX,
                std::floor((cellX + cellY) * m.tileHeight / 2)};
    }

    void eachCell(const Layer& layer, const CellReach& shown, double ox, double oy, const CellDraw& draw) const override
    {
        const Map& m = m_map;
        const int dx = layer.originX - m.originX, dy = layer.originY - m.originY;
        // Screen rows top to bottom: cells with equal x + y, left to right.
        const double originX = double(m.height * m.tileWidth / 2);
        // Map cells (mx, my) that can reach the clip: sum mx + my within
        // [sumLo, sumHi] (rows on screen), difference mx - my within
        // [diffLo, diffHi] (columns on screen).
        const double tw = m.tileWidth, th = m.tileHeight;
        double sumLo = -kFar, sumHi = kFar, diffLo = -kFar, diffHi = kFar;
        if (shown.clip.w > 0) {
            const SDL_Rect& clip = shown.clip;
            const int* reach = shown.reach;
            const double cl = clip.x, ct = clip.y, cr = cl + clip.w, cb = ct + clip.h;
            sumLo = std::floor((ct - reach[3] - oy - th) * 2 / th);
            sumHi = std::ceil((cb + reach[1] - oy) * 2 / th);
            // A pixel more: odd cell widths may lift tiles a pixel right.
            diffLo = std::floor((cl - reach[2] - tw - 1 - ox - originX + double(m.tileWidth / 2)) * 2 / tw);
            diffHi = std::ceil((cr + reach[0] - ox - originX + double(m.tileWidth / 2)) * 2 / tw);
        }
        const auto clampInt = [&](double v) { return int(std::clamp(v, -kFar, kFar)); };
        // Tiled's map pixels on the scene's: the same but for the cells
        // an infinite scene begins at.
        const double shiftX = double(-(int64_t(m.originX) - m.originY)) * m.tileWidth / 2 + originX -
                              double(int64_t(gridHeight(m)) * m.tileWidth / 2);
        const double shiftY = double(-(int64_t(m.originX) + m.originY)) * m.tileHeight / 2;
        const IsoWalk walk = isoWalk(m, layer);
        const int s0 = std::max(0, clampInt(sumLo) - dx - dy);
        const int s1 = std::min(layer.columns + layer.rows - 2, clampInt(sumHi) - dx - dy);
        for (int s = s0; s <= s1; ++s) {
            const int sum = s + dx + dy;
            const int xLo = std::max(std::max(0, s - layer.rows + 1), clampInt(std::floor((sum + diffLo) / 2)) - dx);
            const int xHi = std::min(std::min(s, layer.columns - 1), clampInt(std::ceil((sum + diffHi) / 2)) - dx);
            for (int x = xLo; x <= xHi; ++x) {
                const int y = s - x;
                if (const uint32_t gid = layer.cells[size_t(y) * size_t(layer.columns) + size_t(x)]) {
                    double left = 0, bottom = 0;
                    walk.place(int64_t(layer.originX) + x, int64_t(layer.originY) + y, left, bottom);
                    draw(gid, left + shiftX, bottom + shiftY);
                }
            }
        }
    }

    // Object coordinates are in cell-height units along both axes; objects
    // stand on their tile's bottom centre.
    ObjectPlace objectPlace(double x, double y) const override
    {
        const double tx = x / m_map.tileHeight, ty = y / m_map.tileHeight;
        return {(tx - ty) * m_map.tileWidth / 2 + m_originX, (tx + ty) * m_map.tileHeight / 2, 1,
                TileMove::ViaCorner};
    }

    // An infinite map's picture Tiled cuts where its cells begin, a corner
    // on a half pixel taken to the pixel left of it.
    int64_t pictureCut() const override
    {
        const Map& m = m_map;
        if (!m.infinite)
            return 0;
        return int64_t(std::ceil(double((m.height + 2 * int64_t(m.originY) - gridHeight(m)) * m.tileWidth) / 2));
    }

private:
    int m_originX; // the map's x of cell (0, 0)'s top corner
};

// Staggered maps, and hexagonal ones (whose cells have sides of a length).
class StaggeredLayout : public MapLayout {
public:
    explicit StaggeredLayout(const Map& map, int side = 0) : MapLayout(map), m_grid(map, side) {}

    SDL_Point pictureSize() const override
    {
        const Map& m = m_map;
        const HexGeometry& p = m_grid;
        if (m.staggerX)
            return {m.width * p.columnWidth + p.sideOffsetX,
                    m.height * (p.tileHeight + p.sideLengthY) + (m.width > 1 ? p.rowHeight : 0)};
        return {m.width * (p.tileWidth + p.sideLengthX) + (m.height > 1 ? p.columnWidth : 0),
                m.height * p.rowHeight + p.sideOffsetY};
    }

    MapPoint mapZero() const override
    {
        const Map& m = m_map;
        const HexGeometry& p = m_grid;
        const double cellX = -double(m.originX), cellY = -double(m.originY);
        return {cellX * (m.staggerX ? p.columnWidth : p.tileWidth + p.sideLengthX),
                cellY * (m.staggerX ? p.tileHeight + p.sideLengthY : p.rowHeight)};
    }

    void eachCell(const Layer& layer, const CellReach& shown, double ox, double oy, const CellDraw& draw) const override
    {
        const Map& m = m_map;
        const HexGeometry& p = m_grid;
        const int dx = layer.originX - m.originX, dy = layer.originY - m.originY;
        const auto staggered = [&](int v) { return bool(v & 1) != m.staggerEven; };
        // Columns half a pixel off whole: Tiled lays each layer out from
        // its own first column, whole column widths from the map's. On an
        // infinite map it draws none it places at or beyond the layer's
        // right edge, widened only by the sets' offsets to the left (a
        // layer offset bringing them into view does not count).
        int shift = 0;
        double columnsEnd = kFar;
        if (m.staggerX && ((p.tileWidth + p.sideLengthX) & 1)) {
            const TileReach reach = tileReach(m, layer);
            const CellRect held = tiledBounds(layer);
            const int first = int(held.x - m.originX), end = int(held.x + held.w - m.originX);
            const int loweredBefore = int(std::floor((first + (m.staggerEven ? 1 : 0)) / 2.0));
            shift = hexColumnShift(m, p, reach, first) - loweredBefore;
            if (m.infinite)
                columnsEnd = double(end) * p.columnWidth + p.sideOffsetX + reach.left;
        }
        const auto place = [&](int x, int y) {
            const uint32_t gid = layer.cells[size_t(y) * size_t(layer.columns) + size_t(x)];
            if (!gid)
                return;
            const int mx = x + dx, my = y + dy;
            double px, py;
            if (m.staggerX) {
                // Columns lie (tile width + side) / 2 apart; an odd side
                // leaves a half, which Tiled drops for odd columns lowered
                // (staggerindex odd) and rounds up for odd columns raised.
                const double exact = double(mx) * (p.tileWidth + p.sideLengthX) / 2;
                px = (m.staggerEven ? std::ceil(exact) : std::floor(exact)) + shift;
                if (px >= columnsEnd)
                    return;
                py = double(my) * (p.tileHeight + p.sideLengthY) + (staggered(mx) ? p.rowHeight : 0);
            } else {
                px = double(mx) * (p.tileWidth + p.sideLengthX) + (staggered(my) ? p.columnWidth : 0);
                py = double(my) * p.rowHeight;
            }
            draw(gid, px, py + p.tileHeight);
        };
        // Only the cells whose tiles can reach the clip: a cell's tile is
        // drawn from its anchor (left, bottom) and reaches as far as
        // shown.reach says beyond a map cell.
        int x0 = 0, y0 = 0, x1 = layer.columns, y1 = layer.rows;
        if (shown.clip.w > 0) {
            const SDL_Rect& clip = shown.clip;
            const int* reach = shown.reach;
            const double cl = clip.x, ct = clip.y, cr = cl + clip.w, cb = ct + clip.h;
            const double stepX = m.staggerX ? (p.tileWidth + p.sideLengthX) / 2.0 : p.tileWidth + p.sideLengthX;
            const double stepY = m.staggerX ? p.tileHeight + p.sideLengthY : p.rowHeight;
            const double shiftX = m.staggerX ? 0 : p.columnWidth, shiftY = m.staggerX ? p.rowHeight : 0;
            narrowCells(cl - reach[2] - m.tileWidth - ox - shift, cr + reach[0] - ox - shift, stepX, shiftX, dx, x0, x1);
            narrowCells(ct - reach[3] - oy - p.tileHeight, cb + m.tileHeight + reach[1] - oy - p.tileHeight, stepY,
                        shiftY, dy, y0, y1);
        }
        for (int y = y0; y < y1; ++y) {
            if (!m.staggerX) {
                for (int x = x0; x < x1; ++x)
                    place(x, y);
                continue;
            }
            // Raised columns first, so the lowered ones overlap them.
            for (int pass = 0; pass < 2; ++pass)
                for (int x = x0; x < x1; ++x)
                    if (staggered(x + dx) == (pass == 1))
                        place(x, y);
        }
    }

private:
    HexGeometry m_grid;
};

class HexagonalLayout final : public StaggeredLayout {
public:
    explicit HexagonalLayout(const Map& map) : StaggeredLayout(map, map.hexSideLength) {}
};

} // namespace

std::unique_ptr<MapLayout> layoutOf(const Map& map)
{
    switch (map.orientation) {
    case Orientation::Orthogonal: return std::make_unique<OrthogonalLayout>(map);
    case Orientation::Isometric: return std::make_unique<IsometricLayout>(map);
    case Orientation::Staggered: return std::make_unique<StaggeredLayout>(map);
    case Orientation::Hexagonal: return std::make_unique<HexagonalLayout>(map);
    }
    return std::make_unique<OrthogonalLayout>(map);
}

} // namespace Zelkoran::scene
