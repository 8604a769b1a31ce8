// Draws the map model the way Tiled lays maps out: cells in render order,
// tiles anchored at their cell's bottom-left, flips (the anti-diagonal one
// as a quarter turn plus a mirror), tile offsets, layer offsets and
// opacity accumulated through group layers, image layers and tile objects.
// Object shapes are data only and are not drawn.
#include "scene/SceneIO.h"
#include "scene/TileSampling.h"
#include "scene/TurnedTile.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>

namespace Zelkoran::scene {

namespace {

struct Painter {
    double x, y;

    // As Qt moves it: standing at its picture's corner (within Qt's fuzz),
    // it is set to the move, not moved by it.
    void translate(double dx, double dy)
    {
        if (dx == 0 && dy == 0)
            return;
        if (std::abs(x) <= 1e-12 && std::abs(y) <= 1e-12)
            x = dx, y = dy;
        else
            x += dx, y += dy;
    }
};

struct Pen {
    SDL_Renderer* renderer;
    const Map& map;
    uint64_t timeMs;
    uint8_t tint[3]; // of the layers around, multiplied
    uint8_t tintAlpha; // their tints' own alphas, multiplied
    SDL_Rect clip;  // the renderer's clip; w 0 = none
    int reach[4];   // how far tiles reach beyond their cell: left, up, right, down (pixels)
    double originX, originY; // where scene pixel (0, 0) lands
    // Where the map's own pixel (0, 0), from which image layers and objects
    // are placed, lies in the scene: elsewhere than the scene's (0, 0) when
    // an infinite map's chunks begin above or left of cell (0, 0).
    double zeroX, zeroY;
    int isoOriginX; // isometric maps: the map's x of cell (0, 0)'s top corner
    // The right and bottom edges of the picture Tiled's renderer makes of
    // the map, which grows right and down with the layers moved that way.
    double farRight, farBottom;
    // How far Tiled's renderer widens its picture around the map for layers
    // moved off it (left, up, right, down): its arithmetic runs from its
    // picture's corner.
    int margins[4];
    // That picture's corner on screen, where its rows begin: an infinite
    // isometric map's picture is framed from its top-left cell, which
    // leaves out part of the diamond's left (or adds to it).
    int tiledLeft, tiledTop;
    // Tiled's painter in its picture: moved by each layer's offset before
    // the layer is drawn and back after, the sums' last bits staying for
    // the layers after (shared by all); and the groups around this layer,
    // whose offsets Tiled adds after its own.
    Painter* tiled = nullptr;
    // Whether the offsets it moves by for this layer, summed, lie off whole
    // pixels (its own sums, far from its corner, may round that away).
    bool movedOffPixel = false;
    const Pen* outer = nullptr;
    const Layer* group = nullptr;
};

constexpr double kFar = double(1 << 30);

// Places are kept exact (offsets of nested layers add up) and rounded once,
// to the nearest pixel with halves up, as Tiled places them.
double rounded(double v) { return std::floor(std::clamp(v, -kFar, kFar) + 0.5); }

// Takes the box back to the map's background, or to clear beyond it: what
// lies beneath a tile that replaces it. The background is laid as drawMap
// lays it, so both show alike.
void clearBeneath(const Pen& pen, float x, float y, float w, float h)
{
    SDL_Renderer* r = pen.renderer;
    SDL_BlendMode mode;
    Uint8 rgba[4];
    SDL_GetRenderDrawBlendMode(r, &mode);
    SDL_GetRenderDrawColor(r, &rgba[0], &rgba[1], &rgba[2], &rgba[3]);
    const SDL_FRect box{x, y, w, h};
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 0);
    SDL_RenderFillRectF(r, &box);
    const Map& m = pen.map;
    const SDL_FRect all{float(pen.originX), float(pen.originY), float(m.pixelWidth()), float(m.pixelHeight())};
    if (SDL_FRect under; m.hasBackground && SDL_IntersectFRect(&box, &all, &under)) {
        SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(r, m.background[0], m.background[1], m.background[2], m.background[3]);
        SDL_RenderFillRectF(r, &under);
    }
    SDL_SetRenderDrawBlendMode(r, mode);
    SDL_SetRenderDrawColor(r, rgba[0], rgba[1], rgba[2], rgba[3]);
}

// Whether Qt copies a tile as it is: neither mirrored, turned by a half or
// freely, nor scaled, at full opacity.
bool copiedAsItIs(uint32_t flags, bool unscaled, float opacity)
{
    const uint32_t mirror = flags & (kFlipH | kFlipV | kFlipD);
    const bool turnedByQuarter = mirror == (kFlipH | kFlipD) || mirror == (kFlipV | kFlipD);
    return unscaled && opacity >= 1.0f && (mirror == 0 || turnedByQuarter);
}

// How a tile is drawn from its picture: the tint of its pixels, the alpha
// they are drawn at, and whether it replaces what lies beneath.
struct TileLook {
    uint32_t tint;
    Uint8 alpha;
    bool replaces;
};

// How src of picture is drawn after the flips, tinted and at the opacity as
// the pen and the tint's own alpha say. A tint's own alpha clears a tile (or
// image layer) that has clear pixels. One that has none Tiled keeps opaque:
// the alpha darkens its colours instead; where Qt copies such a tile as it
// is (copiedAsItIs) the alpha comes along and the copy replaces the layers
// beneath.
TileLook tileLook(const Pen& pen, Picture* picture, const SDL_Rect& src, uint32_t flags, float opacity, bool unscaled)
{
    const uint8_t* t = pen.tint;
    const uint32_t ta = pen.tintAlpha;
    TileLook look{ta << 24 | uint32_t(t[0]) << 16 | uint32_t(t[1]) << 8 | t[2], 0, false};
    float alpha = opacity * float(ta) / 255.0f;
    if (ta < 255 && picture->opaque(src)) {
        look.replaces = copiedAsItIs(flags, unscaled, opacity);
        look.tint = ta << 24;
        for (int i = 0; i < 3; ++i)
            look.tint |= (t[i] * ta + 127) / 255 << (16 - 8 * i);
        if (!look.replaces)
            alpha = opacity;
    }
    look.alpha = Uint8(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255.0f));
    return look;
}

// The picture's texture for src after the flips, as look says.
SDL_Texture* tileTexture(const Pen& pen, Picture* picture, const TileLook& look, uint32_t flags)
{
    SDL_Texture* texture = picture->texture(pen.renderer, look.tint, flags & kFlipD);
    if (texture)
        SDL_SetTextureAlphaMod(texture, look.alpha);
    return texture;
}

// The picture's texture for src after the flips, tinted and at the opacity
// as tileLook says; replaces set when the tile replaces what lies beneath.
SDL_Texture* tileTexture(const Pen& pen, Picture* picture, const SDL_Rect& src, uint32_t flags, float opacity,
                         bool unscaled, bool& replaces)
{
    const TileLook look = tileLook(pen, picture, src, flags, opacity, unscaled);
    replaces = look.replaces;
    return tileTexture(pen, picture, look, flags);
}

// Draws src of picture into the box (x, y, w, h) as it appears after the
// flips. A diagonal flip swaps the tile's x and y: it is drawn from the
// transposed pixels into the box as it is (a quarter turn of a box whose
// sides differ by an odd count would land half a pixel off), then mirrored.
// unscaled: a tile (not an image layer) drawn at its own size.
void drawFlipped(const Pen& pen, Picture* picture, const SDL_Rect& src, float x, float y, float w, float h,
                 uint32_t flags, float opacity, bool unscaled)
{
    const bool transposed = flags & kFlipD;
    bool replaces = false;
    SDL_Texture* texture = tileTexture(pen, picture, src, flags, opacity, unscaled, replaces);
    if (!texture || w <= 0 || h <= 0)
        return;
    if (replaces)
        clearBeneath(pen, x, y, w, h);
    const SDL_Rect from = transposed ? SDL_Rect{src.y, src.x, src.h, src.w} : src;
    const auto flip = SDL_RendererFlip(((flags & kFlipH) ? SDL_FLIP_HORIZONTAL : 0) |
                                       ((flags & kFlipV) ? SDL_FLIP_VERTICAL : 0));
    const SDL_FRect dst{x, y, w, h};
    if (flip != SDL_FLIP_NONE)
        SDL_RenderCopyExF(pen.renderer, texture, &from, &dst, 0.0, nullptr, flip);
    else
        SDL_RenderCopyF(pen.renderer, texture, &from, &dst);
}

// The area drawing may touch: the clip, or the whole target.
SDL_Rect drawArea(const Pen& pen)
{
    SDL_Rect area = pen.clip;
    if (area.w <= 0)
        SDL_RenderGetViewport(pen.renderer, &area), area.x = area.y = 0;
    return area;
}

// The size of Tiled's picture of the map.
SDL_Point tiledPicture(const Pen& pen)
{
    const int* margin = pen.margins;
    return {pen.map.pixelWidth() + margin[0] + margin[2], pen.map.pixelHeight() + margin[1] + margin[3]};
}

// Draws src of picture turned as turn says (its painter placed in Tiled's
// picture), pixel runs as Tiled's renderer shows them (see TurnedTile.h):
// worked out from the corner of Tiled's picture, where its rows begin.
void drawTurned(const Pen& pen, Picture* picture, const SDL_Rect& src, const TileTurn& turn, float opacity)
{
    bool replaces = false;
    SDL_Texture* texture = tileTexture(pen, picture, src, turn.flips & (kFlipH | kFlipV), opacity, false, replaces);
    if (!texture)
        return;
    const int dx = pen.tiledLeft, dy = pen.tiledTop;
    SDL_Rect area = drawArea(pen);
    area.x -= dx, area.y -= dy;
    for (const TurnedRun& r : turnedRuns(turn, area, tiledPicture(pen))) {
        const SDL_Rect part{src.x + r.u, src.y + r.v, 1, 1}, dst{r.x + dx, r.y + dy, r.length, 1};
        SDL_RenderCopy(pen.renderer, texture, &part, &dst);
    }
}

// Draws the kept picture into dst at the alpha given.
void drawKept(const Pen& pen, const KeptPicture& kept, const SDL_Rect& dst, Uint8 alpha)
{
    if (kept.oneToOne) {
        SDL_SetTextureAlphaMod(kept.oneToOne, alpha);
        SDL_RenderCopy(pen.renderer, kept.oneToOne, nullptr, &dst);
    }
    if (kept.stretched) {
        const SDL_Rect doubled{0, 0, dst.w, 2 * dst.h};
        SDL_SetTextureAlphaMod(kept.stretched, alpha);
        SDL_RenderCopy(pen.renderer, kept.stretched, &doubled, &dst);
    }
}

// Draws the tile pixels xs (from screen column x0) by ys (from row y0) of
// src of picture, as it appears after the flips. Drawn as runs of exact
// copies, each of one tile pixel stretched or of pixels one to one; where
// that takes many small copies, as a picture of those pixels sampled once
// and kept for the next draw.
void drawSamples(const Pen& pen, Picture* picture, const SDL_Rect& src, const std::vector<int>& xs, int x0,
                 const std::vector<int>& ys, int y0, uint32_t flags, float opacity, bool unscaled)
{
    if (xs.empty() || ys.empty())
        return;
    const TileLook look = tileLook(pen, picture, src, flags, opacity, unscaled);
    const SDL_Rect from = (flags & kFlipD) ? SDL_Rect{src.y, src.x, src.h, src.w} : src;
    const std::vector<SampleRun> columns = sampleRuns(xs, x0), rows = sampleRuns(ys, y0);
    // Fewer pixels than this for each copy: drawn from a kept picture.
    constexpr size_t kPixelsPerCopy = 64;
    const size_t copies = columns.size() * rows.size();
    const KeptPicture* kept = nullptr;
    if (copies > 1 && copies * kPixelsPerCopy > xs.size() * ys.size())
        kept = picture->sampled(pen.renderer, {look.tint, bool(flags & kFlipD), look.alpha < 255, from, xs, ys});
    SDL_Texture* texture = kept ? nullptr : tileTexture(pen, picture, look, flags);
    if (!kept && !texture)
        return;
    if (look.replaces)
        clearBeneath(pen, float(x0), float(y0), float(xs.size()), float(ys.size()));
    if (kept) {
        drawKept(pen, *kept, SDL_Rect{x0, y0, int(xs.size()), int(ys.size())}, look.alpha);
        return;
    }
    for (const SampleRun& row : rows)
        for (const SampleRun& col : columns) {
            const SDL_Rect part{from.x + col.tile, from.y + row.tile, col.tiles, row.tiles};
            const SDL_Rect dst{col.screen, row.screen, col.length, row.length};
            const auto flip = SDL_RendererFlip((col.backwards ? SDL_FLIP_HORIZONTAL : 0) |
                                               (row.backwards ? SDL_FLIP_VERTICAL : 0));
            SDL_RenderCopyEx(pen.renderer, texture, &part, &dst, 0.0, nullptr, flip);
        }
}

// Draws src of picture, as it appears after the flips, into the exact box
// across and down: each pixel shows the tile pixel Tiled's renderer shows
// there, whatever the box's size and place.
void drawSampled(const Pen& pen, Picture* picture, const SDL_Rect& src, const SampleBox& across,
                 const SampleBox& down, uint32_t flags, float opacity, bool unscaled)
{
    const SDL_Rect area = drawArea(pen);
    const bool transposed = flags & kFlipD;
    int x0 = 0, y0 = 0;
    // Steps along a row begin where the box enters Tiled's picture.
    const std::vector<int> xs = sampleAxis(across, transposed ? src.h : src.w, flags & kFlipH, true, pen.tiledLeft,
                                           area.x, area.x + area.w, x0);
    const std::vector<int> ys = sampleAxis(down, transposed ? src.w : src.h, flags & kFlipV, false, pen.tiledTop,
                                           area.y, area.y + area.h, y0);
    drawSamples(pen, picture, src, xs, x0, ys, y0, flags, opacity, unscaled);
}

// Draws src of picture (without a clear pixel, at its size), flipped across
// its diagonal and mirrored, with its box's top-left at (x, y), as Qt's
// path for such tiles shows it (see quarterTurnedAxis).
void drawQuarterTurned(const Pen& pen, Picture* picture, const SDL_Rect& src, double x, double y, uint32_t flags,
                       float opacity)
{
    const SDL_Rect area = drawArea(pen);
    int x0 = 0, y0 = 0;
    const std::vector<int> xs =
        quarterTurnedAxis(x, src.h, flags & kFlipH, flags & kFlipV, area.x, area.x + area.w, x0);
    const std::vector<int> ys =
        quarterTurnedAxis(y, src.w, flags & kFlipV, flags & kFlipH, area.y, area.y + area.h, y0);
    drawSamples(pen, picture, src, xs, x0, ys, y0, flags, opacity, true);
}

// The flips (flip bits of a gid) that show a tile flipped by gid's bits and
// then turned a quarter clockwise `quarters` times.
uint32_t turnedFlips(uint32_t gid, int quarters)
{
    // Where the tile's x and y axes point on screen, as rows of a matrix.
    int m[2][2] = {{1, 0}, {0, 1}};
    if (gid & kFlipD)
        m[0][0] = m[1][1] = 0, m[0][1] = m[1][0] = 1;
    for (int i = 0; i < 2; ++i) {
        m[0][i] *= (gid & kFlipH) ? -1 : 1;
        m[1][i] *= (gid & kFlipV) ? -1 : 1;
    }
    for (int q = 0; q < quarters; ++q) // (x, y) -> (-y, x)
        for (int i = 0; i < 2; ++i)
            std::tie(m[0][i], m[1][i]) = std::pair(-m[1][i], m[0][i]);
    if (m[0][0])
        return (m[0][0] < 0 ? kFlipH : 0) | (m[1][1] < 0 ? kFlipV : 0);
    return kFlipD | (m[0][1] < 0 ? kFlipH : 0) | (m[1][0] < 0 ? kFlipV : 0);
}

// Whether Tiled's renderer leaves out a tile whose box begins at (left,
// top): one without a clear or half-clear pixel that it copies as it is
// (neither mirrored, turned nor scaled, at full opacity) shows nothing when
// less than a pixel of it lies within its picture's right or bottom edge.
bool leftOutAtFarEdge(const Pen& pen, double left, double top, bool copied, float opacity, Picture* picture,
                      const SDL_Rect& src)
{
    return copied && opacity >= 1.0f && (left > pen.farRight - 1 || top > pen.farBottom - 1) &&
           picture->opaque(src);
}

// Draws cell gid of a layer placed at (ox, oy) with its bottom-left at
// (cellLeft, cellBottom) in the layer.
void drawCell(const Pen& pen, uint32_t gid, double ox, double oy, double cellLeft, double cellBottom, float opacity)
{
    const double left = ox + cellLeft, bottom = oy + cellBottom;
    const TileSet* ts = pen.map.tileSetFor(gid);
    Picture* picture = nullptr;
    SDL_Rect src;
    if (!ts)
        return;
    const uint32_t local = (gid & kGidMask) - ts->firstGid;
    if (!ts->tileImage(local, pen.timeMs, picture, src))
        return;
    const SDL_Point size = ts->tileSize(local);
    float w = float(size.x), h = float(size.y);
    if (ts->gridRenderSize)
        w = float(pen.map.tileWidth), h = float(pen.map.tileHeight);
    // A diagonally flipped tile occupies its size turned.
    const float boxW = (gid & kFlipD) ? h : w, boxH = (gid & kFlipD) ? w : h;
    const bool stretched = !ts->gridRenderSize && (size.x != src.w || size.y != src.h);
    // Mirrored, Qt samples a tile as a stretched one: at a half pixel, a
    // pixel shifted within its box. Turned as well, only one with a clear
    // pixel or drawn translucent: Qt copies the others by another path.
    const bool mirrored = !ts->gridRenderSize && (gid & (kFlipH | kFlipV));
    const bool opaque = mirrored && (gid & kFlipD) && opacity >= 1.0f && picture->opaque(src);
    // Tiled's painter holding a last bit of earlier offsets (see Pen::tiled).
    // Flipped across its diagonal alone, Qt samples a tile too: from a whole
    // pixel as a copy would show it, from such a painter a row or column off.
    const bool offPixel = pen.tiled->x != std::floor(pen.tiled->x) || pen.tiled->y != std::floor(pen.tiled->y);
    const bool transposed = !ts->gridRenderSize && (gid & (kFlipH | kFlipV | kFlipD)) == kFlipD && offPixel;
    if (stretched || (mirrored && !opaque) || transposed) {
        // Tiled moves its painter to the map's corner in its picture, then
        // by the layers' offsets, and draws the tile from the cell's place
        // on the map: each a sum of its own.
        const double painterX = pen.tiled->x, painterY = pen.tiled->y;
        const double cellX = cellLeft - pen.zeroX, cellY = cellBottom - pen.zeroY;
        // An animation frame of another size, stretched into its tile's box;
        // the set's offset stretches with it. Flipped across its diagonal
        // (stretched, or mirrored too), Qt draws it turned a quarter, and
        // samples it as any turned tile.
        if (gid & kFlipD) {
            const TileTurn turn{painterX, painterY, cellX, cellY, 0, 0, -double(h), double(w), double(h),
                                double(ts->offsetX), double(ts->offsetY), src.w, src.h, gid, TileMove::ViaMiddle};
            drawTurned(pen, picture, src, turn, opacity);
            return;
        }
        const double middleX = painterX + ((cellX + ts->offsetX * (double(w) / src.w)) + w / 2.0);
        const double middleY = painterY + (((cellY + ts->offsetY * (double(h) / src.h)) + h / 2.0) - h);
        // Only moved, Qt fills the box with its rasterizer.
        const double rw = double(w) / src.w * src.w, rh = double(h) / src.h * src.h;
        if (double e[4];
            !mirrored && filledEdges(-0.5 * rw, -0.5 * rh, rw, rh, middleX, middleY, tiledPicture(pen), e)) {
            drawSampled(pen, picture, src, {e[0], e[2], boxW, middleX, false}, {e[1], e[3], boxH, middleY, false}, gid,
                        opacity, false);
            return;
        }
        drawSampled(pen, picture, src, {0, 0, boxW, middleX, true}, {0, 0, boxH, middleY, true}, gid, opacity, false);
        return;
    }
    const bool unscaled = w == float(src.w) && h == float(src.h);
    const double x = left + ts->offsetX, y = bottom - boxH + ts->offsetY;
    if (opaque) {
        drawQuarterTurned(pen, picture, src, x, y, gid, opacity);
        return;
    }
    const bool plain = unscaled && !(gid & (kFlipH | kFlipV | kFlipD));
    if (leftOutAtFarEdge(pen, x, y, plain, opacity, picture, src))
        return;
    // Copied as it is, from its corner in Tiled's running painter: off
    // whole pixels, a cell on a half pixel rounds by the last bits the
    // layers before left there (on them, as its own place rounds, which
    // keeps no bit of offsets off them that the painter's sums dropped).
    if (plain && (offPixel || pen.movedOffPixel)) {
        const TileTurn turn{pen.tiled->x, pen.tiled->y, cellLeft - pen.zeroX, cellBottom - pen.zeroY, 0, 0,
                            -double(h), double(w), double(h), double(ts->offsetX), double(ts->offsetY), src.w, src.h,
                            gid, TileMove::ViaMiddle};
        if (AxisBox box; axisBox(turn, tiledPicture(pen), box)) {
            drawFlipped(pen, picture, src, float(box.left + pen.tiledLeft), float(box.top + pen.tiledTop), w, h, gid,
                        opacity, true);
            return;
        }
    }
    drawFlipped(pen, picture, src, float(rounded(x)), float(rounded(y)), boxW, boxH, gid, opacity, unscaled);
}

// Narrows the layer cells [first, end) along one axis to those whose anchor,
// at (cell + offset) * step plus up to shift, can fall within [lo, hi].
void narrowCells(double lo, double hi, double step, double shift, int offset, int& first, int& end)
{
    if (step < 1)
        return;
    const double big = double(1 << 30);
    first = std::max(first, int(std::clamp(std::floor((lo - shift) / step), -big, big)) - offset);
    end = std::min(end, int(std::clamp(std::ceil(hi / step), -big, big)) - offset + 1);
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
int hexColumnAt(const Map& m, const HexLayout& p, double x, double y)
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
int hexColumnShift(const Map& m, const HexLayout& p, const TileReach& reach, int first)
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

void drawTileLayer(const Pen& pen, const Layer& layer, double ox, double oy, float opacity)
{
    const Map& m = pen.map;
    if (m.tileWidth < 1 || m.tileHeight < 1) // a built scene before its cell size is set
        return;
    const auto cell = [&](int x, int y) { return layer.cells[size_t(y) * size_t(layer.columns) + size_t(x)]; };
    // Map cell of layer cell (x, y), counted from the scene's top-left cell.
    const int dx = layer.originX - m.originX, dy = layer.originY - m.originY;
    switch (m.orientation) {
    case Orientation::Orthogonal: {
        const bool up = m.renderOrder == RenderOrder::RightUp || m.renderOrder == RenderOrder::LeftUp;
        const bool left = m.renderOrder == RenderOrder::LeftDown || m.renderOrder == RenderOrder::LeftUp;
        // Only the cells whose tiles can reach the clip rectangle.
        int x0 = 0, y0 = 0, x1 = layer.columns, y1 = layer.rows;
        if (pen.clip.w > 0) {
            // Clamped before the cast: offsets may be far out.
            const auto cellAt = [](double px, int size) { return int(std::clamp(std::floor(px / size), -kFar, kFar)); };
            x0 = std::max(x0, cellAt(double(pen.clip.x - pen.reach[2]) - ox - 1, m.tileWidth) - dx);
            x1 = std::min(x1, cellAt(double(pen.clip.x + pen.clip.w + pen.reach[0]) - ox + 1, m.tileWidth) - dx + 1);
            y0 = std::max(y0, cellAt(double(pen.clip.y - pen.reach[3]) - oy - 1, m.tileHeight) - dy);
            y1 = std::min(y1, cellAt(double(pen.clip.y + pen.clip.h + pen.reach[1]) - oy + 1, m.tileHeight) - dy + 1);
        }
        for (int i = y0; i < y1; ++i) {
            const int y = up ? y1 - 1 - (i - y0) : i;
            for (int j = x0; j < x1; ++j) {
                const int x = left ? x1 - 1 - (j - x0) : j;
                if (const uint32_t gid = cell(x, y))
                    drawCell(pen, gid, ox, oy, double(x + dx) * m.tileWidth, double(y + dy + 1) * m.tileHeight,
                             opacity);
            }
        }
        return;
    }
    case Orientation::Isometric: {
        // Screen rows top to bottom: cells with equal x + y, left to right.
        const double originX = double(m.height * m.tileWidth / 2);
        // Map cells (mx, my) that can reach the clip: sum mx + my within
        // [sumLo, sumHi] (rows on screen), difference mx - my within
        // [diffLo, diffHi] (columns on screen).
        const double tw = m.tileWidth, th = m.tileHeight, big = double(1 << 30);
        double sumLo = -big, sumHi = big, diffLo = -big, diffHi = big;
        if (pen.clip.w > 0) {
            const double cl = pen.clip.x, ct = pen.clip.y, cr = cl + pen.clip.w, cb = ct + pen.clip.h;
            sumLo = std::floor((ct - pen.reach[3] - oy - th) * 2 / th);
            sumHi = std::ceil((cb + pen.reach[1] - oy) * 2 / th);
            // A pixel more: odd cell widths may lift tiles a pixel right.
            diffLo = std::floor((cl - pen.reach[2] - tw - 1 - ox - originX + double(m.tileWidth / 2)) * 2 / tw);
            diffHi = std::ceil((cr + pen.reach[0] - ox - originX + double(m.tileWidth / 2)) * 2 / tw);
        }
        const auto clampInt = [&](double v) { return int(std::clamp(v, -big, big)); };
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
                if (const uint32_t gid = cell(x, y)) {
                    double left = 0, bottom = 0;
                    walk.place(int64_t(layer.originX) + x, int64_t(layer.originY) + y, left, bottom);
                    drawCell(pen, gid, ox, oy, left + shiftX, bottom + shiftY, opacity);
                }
            }
        }
        return;
    }
    default: {
        const HexLayout p(m);
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
        const auto draw = [&](int x, int y) {
            const uint32_t gid = cell(x, y);
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
            drawCell(pen, gid, ox, oy, px, py + p.tileHeight, opacity);
        };
        // Only the cells whose tiles can reach the clip: a cell's tile is
        // drawn from its anchor (left, bottom) and reaches as far as pen.reach
        // says beyond a map cell.
        int x0 = 0, y0 = 0, x1 = layer.columns, y1 = layer.rows;
        if (pen.clip.w > 0) {
            const double cl = pen.clip.x, ct = pen.clip.y, cr = cl + pen.clip.w, cb = ct + pen.clip.h;
            const double stepX = m.staggerX ? (p.tileWidth + p.sideLengthX) / 2.0 : p.tileWidth + p.sideLengthX;
            const double stepY = m.staggerX ? p.tileHeight + p.sideLengthY : p.rowHeight;
            const double shiftX = m.staggerX ? 0 : p.columnWidth, shiftY = m.staggerX ? p.rowHeight : 0;
            narrowCells(cl - pen.reach[2] - m.tileWidth - ox - shift, cr + pen.reach[0] - ox - shift, stepX, shiftX, dx,
                        x0, x1);
            narrowCells(ct - pen.reach[3] - oy - p.tileHeight, cb + m.tileHeight + pen.reach[1] - oy - p.tileHeight,
                        stepY, shiftY, dy, y0, y1);
        }
        for (int y = y0; y < y1; ++y) {
            if (!m.staggerX) {
                for (int x = x0; x < x1; ++x)
                    draw(x, y);
                continue;
            }
            // Raised columns first, so the lowered ones overlap them.
            for (int pass = 0; pass < 2; ++pass)
                for (int x = x0; x < x1; ++x)
                    if (staggered(x + dx) == (pass == 1))
                        draw(x, y);
        }
        return;
    }
    }
}

void drawImageLayer(const Pen& pen, const Layer& layer, float opacity)
{
    if (!layer.picture || !layer.picture->surface)
        return;
    Picture* picture = layer.picture.get();
    const int w = picture->surface->w, h = picture->surface->h;
    // Qt fills the picture's box with its rasterizer from where Tiled's
    // painter stands (an edge on a half pixel rounding by the last bits of
    // those sums), the picture repeating from that place rounded: a column
    // or row the box gains shows the picture's other side. A repeated axis
    // Tiled stretches over a span far beyond any picture.
    constexpr double kRepeatFrom = -4194304.0, kRepeatTo = 8388607.0;
    const double x = layer.repeatX ? kRepeatFrom : 0, boxW = layer.repeatX ? kRepeatTo - kRepeatFrom : w;
    const double y = layer.repeatY ? kRepeatFrom : 0, boxH = layer.repeatY ? kRepeatTo - kRepeatFrom : h;
    double e[4];
    if (!filledEdges(x, y, boxW, boxH, pen.tiled->x, pen.tiled->y, tiledPicture(pen), e))
        return;
    const SDL_Rect area = drawArea(pen);
    int x0 = 0, y0 = 0;
    const std::vector<int> xs = repeatedAxis(e[0], e[2], w, pen.tiled->x, pen.tiledLeft, area.x, area.x + area.w, x0);
    const std::vector<int> ys = repeatedAxis(e[1], e[3], h, pen.tiled->y, pen.tiledTop, area.y, area.y + area.h, y0);
    drawSamples(pen, picture, SDL_Rect{0, 0, w, h}, xs, x0, ys, y0, 0, opacity, false);
}

void drawObjects(const Pen& pen, const Layer& layer, double ox, double oy, float opacity)
{
    const Map& m = pen.map;
    for (const TileObject& o : layer.tileObjects) {
        if (!o.visible || !o.tileSet)
            continue;
        Picture* picture = nullptr;
        SDL_Rect src;
        if (!o.tileSet->tileImage(o.gid & kGidMask, pen.timeMs, picture, src))
            continue;
        const SDL_Point size = o.tileSet->tileSize(o.gid & kGidMask);
        double w = o.width > 0 ? o.width : size.x, h = o.height > 0 ? o.height : size.y;
        const bool unscaled = w == src.w && h == src.h;
        // The object's point on screen, and where it sits on the tile:
        // bottom-left unless the tile set says otherwise (bottom centre on
        // isometric maps).
        double px = o.x, py = o.y;
        int ax = 0, ay = 2;
        if (m.orientation == Orientation::Isometric) {
            // Object coordinates are in cell-height units along both axes.
            const double tx = o.x / m.tileHeight, ty = o.y / m.tileHeight;
            px = (tx - ty) * m.tileWidth / 2 + pen.isoOriginX;
            py = (tx + ty) * m.tileHeight / 2;
            ax = 1;
        }
        if (o.tileSet->alignX >= 0)
            ax = o.tileSet->alignX, ay = o.tileSet->alignY;
        // The box's corner from the object's point; the set's offset
        // scales with the tile. A diagonally flipped tile stands turned on
        // the bottom-left corner of the object's box: h wide, w high.
        const double cornerX = -ax * w / 2 + o.tileSet->offsetX * w / src.w;
        double cornerY = -ay * h / 2 + o.tileSet->offsetY * h / src.h;
        const double turns = o.rotation / 90.0;
        const bool free = turns != std::floor(turns) || std::abs(turns) >= 1e9;
        const int quarters = free ? 0 : int(std::fmod(turns, 4.0) + 4.0) % 4;
        const uint32_t flips = turnedFlips(o.gid, quarters);
        // Turned off the axes (Qt's matrix: its own turn and, flipped
        // across its diagonal, a quarter more), Qt draws a tile through its
        // rasterizer, its edges snapped as it snaps them, unless it copies
        // the tile as it is with a tint's own alpha. Turned by exactly a
        // half it mirrors it.
        const TileTurn turn{pen.tiled->x, pen.tiled->y, px, py, o.rotation,
                            -ax * w / 2, -ay * h / 2, w, h,
                            double(o.tileSet->offsetX), double(o.tileSet->offsetY), src.w, src.h, o.gid,
                            m.orientation == Orientation::Isometric ? TileMove::ViaCorner : TileMove::ToCorner};
        // Turned by exactly a quarter at its size, Qt copies a tile without
        // a clear pixel as it is, from its box's rounded corner.
        if (double qtLeft, qtTop; !free && unscaled && opacity >= 1.0f && picture->opaque(src) &&
                                  copiedTurned(turn, qtLeft, qtTop)) {
            drawQuarterTurned(pen, picture, src, qtLeft + (pen.tiledLeft + (pen.originX - rounded(pen.originX))),
                              qtTop + (pen.tiledTop + (pen.originY - rounded(pen.originY))), flips, opacity);
            continue;
        }
        const bool copiedWithAlpha =
            pen.tintAlpha < 255 && copiedAsItIs(flips, unscaled, opacity) && picture->opaque(src);
        if (free || (turnedOffAxis(turn) && !copiedWithAlpha)) {
            drawTurned(pen, picture, src, turn, opacity);
            continue;
        }
        if (o.gid & kFlipD) {
            cornerY += h - w;
            std::swap(w, h);
        }
        // Summed in Tiled's order (the tile's corner from the point, then
        // the set's offset, then the layers'): a place that lands on a half
        // pixel only through the sum's last bit rounds as Tiled rounds it.
        const double x = px + cornerX + ox, y = py + cornerY + oy;
        // Each edge of what the tile covers (turned by quarters about the
        // object's point) rounds to the nearest pixel, halves up, as Tiled
        // places it: two objects that touch leave no gap between them. The
        // tile is drawn into that box by flips alone (a turn of a box whose
        // sides differ by an odd count lands half a pixel off), sampled from
        // the exact box as Tiled samples it.
        if (leftOutAtFarEdge(pen, x, y, unscaled && quarters == 0 && !flips, opacity, picture, src))
            continue;
        double left = x, top = y;
        if (quarters) {
            // Turned about the object's point from the corner's exact
            // offsets (the set's offset turns with the tile), then moved there.
            left = cornerX, top = cornerY;
            for (int q = 0; q < quarters; ++q) { // (dx, dy) -> (-dy, dx): a quarter clockwise
                std::tie(left, top) = std::pair(-(top + h), left);
                std::swap(w, h);
            }
            left += px + ox, top += py + oy;
        }
        // In Tiled's picture from here on.
        left -= pen.tiledLeft, top -= pen.tiledTop;
        SampleBox across{left, left + w, w, left + w / 2, false};
        SampleBox down{top, top + h, h, top + h / 2, false};
        // Where Qt's matrix keeps to the axes, the box is where it maps it:
        // an edge on a half pixel only through the last bit of those sums
        // rounds as there.
        if (AxisBox box; axisBox(turn, tiledPicture(pen), box)) {
            across = {box.left, box.right, w, box.middleX, false};
            down = {box.top, box.bottom, h, box.middleY, false};
        }
        drawSampled(pen, picture, src, across, down, flips, opacity, unscaled);
    }
}

void drawLayer(const Pen& outer, const Layer& layer, double ox, double oy, float opacity)
{
    if (!layer.shown())
        return;
    Pen pen = outer;
    for (int i = 0; i < 3; ++i)
        pen.tint[i] = uint8_t(pen.tint[i] * layer.tint[i] / 255);
    pen.tintAlpha = uint8_t((pen.tintAlpha * layer.tint[3] + 127) / 255);
    ox += layer.offsetX;
    oy += layer.offsetY;
    opacity *= layer.opacity;
    if (layer.type == SLT_GROUP) {
        pen.outer = &outer, pen.group = &layer;
        for (const auto& child : layer.children)
            drawLayer(pen, *child, ox, oy, opacity);
        return;
    }
    // Tiled moves its painter by the layer's own offset plus those of its
    // groups, outward, and back after drawing it (not for a group itself).
    double tx = layer.offsetX, ty = layer.offsetY;
    for (const Pen* around = &outer; around && around->group; around = around->outer)
        tx += around->group->offsetX, ty += around->group->offsetY;
    pen.tiled->translate(tx, ty);
    pen.movedOffPixel = tx != std::floor(tx) || ty != std::floor(ty);
    switch (layer.type) {
    case SLT_TILE: drawTileLayer(pen, layer, ox, oy, opacity); break;
    case SLT_IMAGE: drawImageLayer(pen, layer, opacity); break;
    case SLT_OBJECT: drawObjects(pen, layer, ox + pen.zeroX, oy + pen.zeroY, opacity); break;
    }
    pen.tiled->translate(-tx, -ty);
}

// Sets where the map's pixel (0, 0) lies in the scene: at the corner of
// cell (0, 0) (isometric maps: level with its top, left of it by half the
// map's declared height in cells), the scene beginning at cell
// (originX, originY).
void placeMapOrigin(Pen& pen)
{
    const Map& m = pen.map;
    pen.isoOriginX = int(std::clamp<int64_t>(int64_t(gridHeight(m)) * m.tileWidth / 2, INT_MIN, INT_MAX));
    const double cellX = -double(m.originX), cellY = -double(m.originY);
    switch (m.orientation) {
    case Orientation::Orthogonal: pen.zeroX = cellX * m.tileWidth, pen.zeroY = cellY * m.tileHeight; break;
    case Orientation::Isometric:
        pen.zeroX = std::floor((cellX - cellY) * m.tileWidth / 2) + m.height * m.tileWidth / 2 - pen.isoOriginX;
        pen.zeroY = std::floor((cellX + cellY) * m.tileHeight / 2);
        break;
    default: {
        const HexLayout p(m);
        pen.zeroX = cellX * (m.staggerX ? p.columnWidth : p.tileWidth + p.sideLengthX);
        pen.zeroY = cellY * (m.staggerX ? p.tileHeight + p.sideLengthY : p.rowHeight);
        break;
    }
    }
}

// How far Tiled's renderer widens its picture: as far as the summed
// offsets of the layers (not the groups themselves) reach, in whole pixels;
// and where that picture's corner and far edges lie.
void placeMargins(Pen& pen)
{
    double reach[4] = {}; // left, up, right, down
    const auto walk = [&](const auto& self, const Layer& layer, double x, double y) -> void {
        x += layer.offsetX, y += layer.offsetY;
        if (layer.type != SLT_GROUP) {
            reach[0] = std::max(reach[0], -x), reach[1] = std::max(reach[1], -y);
            reach[2] = std::max(reach[2], x), reach[3] = std::max(reach[3], y);
            return;
        }
        for (const auto& child : layer.children)
            self(self, *child, x, y);
    };
    for (const auto& layer : pen.map.slots)
        if (layer)
            walk(walk, *layer, 0, 0);
    for (int i = 0; i < 4; ++i)
        pen.margins[i] = int(std::ceil(std::min(reach[i], kFar)));
    const Map& m = pen.map;
    int64_t cut = 0;
    // An infinite isometric map's picture Tiled cuts where its cells begin,
    // a corner on a half pixel taken to the pixel left of it.
    if (m.infinite && m.orientation == Orientation::Isometric)
        cut = int64_t(std::ceil(double((m.height + 2 * int64_t(m.originY) - gridHeight(m)) * m.tileWidth) / 2));
    pen.tiledLeft = int(std::clamp<int64_t>(int64_t(rounded(pen.originX)) - pen.margins[0] + cut, INT_MIN, INT_MAX));
    pen.tiledTop = int(rounded(pen.originY)) - pen.margins[1];
    // Its right edge moves with that cut.
    pen.farRight = pen.originX + double(cut) + double(m.pixelWidth()) + pen.margins[2];
    pen.farBottom = pen.originY + double(m.pixelHeight()) + pen.margins[3];
}

// The lowest and highest offsets (x, y) ts moves its tiles by: its own,
// and as stretched with animation frames of other sizes.
void offsetSpan(const TileSet& ts, double lo[2], double hi[2])
{
    lo[0] = hi[0] = ts.offsetX, lo[1] = hi[1] = ts.offsetY;
    if (ts.gridRenderSize)
        return;
    for (const auto& [id, art] : ts.tiles) {
        if (!art.picture)
            continue;
        for (const Frame& f : art.frames) {
            const auto frame = ts.tiles.find(f.tileId);
            if (frame == ts.tiles.end() || !frame->second.picture || frame->second.rect.w < 1 ||
                frame->second.rect.h < 1)
                continue;
            const double x = ts.offsetX * double(art.rect.w) / frame->second.rect.w;
            const double y = ts.offsetY * double(art.rect.h) / frame->second.rect.h;
            lo[0] = std::min(lo[0], x), hi[0] = std::max(hi[0], x);
            lo[1] = std::min(lo[1], y), hi[1] = std::max(hi[1], y);
        }
    }
}

} // namespace

void drawMap(const Map& map, SDL_Renderer* renderer, float x, float y, uint64_t timeMs)
{
    Pen pen{renderer, map, timeMs, {255, 255, 255}, 255, {0, 0, 0, 0}, {0, 0, 0, 0}, x, y, 0, 0, 0, 0, 0,
            {0, 0, 0, 0}, 0, 0};
    placeMapOrigin(pen);
    placeMargins(pen);
    if (SDL_RenderIsClipEnabled(renderer))
        SDL_RenderGetClipRect(renderer, &pen.clip);
    // A tile is drawn from its cell's bottom-left, moved by its set's offset,
    // and may be larger than the cell (and turned).
    for (const auto& ts : map.tileSets) {
        int w = std::max(ts->tileWidth, ts->tileHeight), h = w;
        for (const auto& [id, art] : ts->tiles)
            if (art.picture)
                w = std::max({w, art.rect.w, art.rect.h}), h = w;
        double lo[2], hi[2];
        offsetSpan(*ts, lo, hi);
        pen.reach[0] = std::max(pen.reach[0], int(std::ceil(-lo[0])));
        pen.reach[1] = std::max(pen.reach[1], h - map.tileHeight + int(std::ceil(-lo[1])));
        pen.reach[2] = std::max(pen.reach[2], w - map.tileWidth + int(std::ceil(hi[0])));
        pen.reach[3] = std::max(pen.reach[3], int(std::ceil(hi[1])));
    }
    if (map.hasBackground) {
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(renderer, map.background[0], map.background[1], map.background[2], map.background[3]);
        const SDL_FRect all{x, y, float(map.pixelWidth()), float(map.pixelHeight())};
        SDL_RenderFillRectF(renderer, &all);
    }
    Painter tiled{pen.zeroX + (rounded(pen.originX) - pen.tiledLeft),
                  pen.zeroY + (rounded(pen.originY) - pen.tiledTop)};
    pen.tiled = &tiled;
    for (const auto& layer : map.slots)
        if (layer)
            drawLayer(pen, *layer, x, y, 1.0f);
}

} // namespace Zelkoran::scene
