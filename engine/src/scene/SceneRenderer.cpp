// Draws the map model the way Tiled lays maps out: cells in render order,
// tiles anchored at their cell's bottom-left, flips (the anti-diagonal one
// as a quarter turn plus a mirror), tile offsets, layer offsets and
// opacity accumulated through group layers, image layers and tile objects.
// Object shapes are data only and are not drawn.
#include "scene/MapLayout.h"
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
        if (fuzzyNull(x) && fuzzyNull(y))
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
    const MapLayout* layout; // of the map's orientation
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
    const SDL_Point size = pen.layout->pictureSize();
    const SDL_FRect all{float(pen.originX), float(pen.originY), float(size.x), float(size.y)};
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
    const SDL_Point size = pen.layout->pictureSize();
    return {size.x + margin[0] + margin[2], size.y + margin[1] + margin[3]};
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

// Draws src of picture turned as turn says (its painter placed in Tiled's
// picture), pixel runs as Tiled's renderer shows them (see TurnedTile.h):
// worked out from the corner of Tiled's picture, where its rows begin.
// Runs are one tile pixel each: many of them are drawn from a kept picture.
void drawTurned(const Pen& pen, Picture* picture, const SDL_Rect& src, const TileTurn& turn, float opacity)
{
    const uint32_t flags = turn.flips & (kFlipH | kFlipV);
    const TileLook look = tileLook(pen, picture, src, flags, opacity, false);
    const int dx = pen.tiledLeft, dy = pen.tiledTop;
    SDL_Rect area = drawArea(pen);
    area.x -= dx, area.y -= dy;
    std::vector<TurnedRun> runs = turnedRuns(turn, area, tiledPicture(pen));
    // More runs than this: drawn from a kept picture.
    constexpr size_t kManyRuns = 16;
    if (runs.size() > kManyRuns) {
        SDL_Point corner{INT_MAX, INT_MAX};
        for (const TurnedRun& r : runs)
            corner.x = std::min(corner.x, r.x), corner.y = std::min(corner.y, r.y);
        for (TurnedRun& r : runs)
            r.x -= corner.x, r.y -= corner.y;
        SampledPart part{look.tint, false, look.alpha < 255, src, {}, {}, std::move(runs)};
        const SDL_Point size = part.size();
        if (const KeptPicture* kept = picture->sampled(pen.renderer, part)) {
            drawKept(pen, *kept, SDL_Rect{corner.x + dx, corner.y + dy, size.x, size.y}, look.alpha);
            return;
        }
        runs = std::move(part.runs);
        for (TurnedRun& r : runs)
            r.x += corner.x, r.y += corner.y;
    }
    SDL_Texture* texture = tileTexture(pen, picture, look, flags);
    if (!texture)
        return;
    for (const TurnedRun& r : runs) {
        const SDL_Rect part{src.x + r.u, src.y + r.v, 1, 1}, dst{r.x + dx, r.y + dy, r.length, 1};
        SDL_RenderCopy(pen.renderer, texture, &part, &dst);
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

void drawTileLayer(const Pen& pen, const Layer& layer, double ox, double oy, float opacity)
{
    if (pen.map.tileWidth < 1 || pen.map.tileHeight < 1) // a built scene before its cell size is set
        return;
    const CellReach shown{pen.clip, {pen.reach[0], pen.reach[1], pen.reach[2], pen.reach[3]}};
    pen.layout->eachCell(layer, shown, ox, oy, [&](uint32_t gid, double left, double bottom) {
        drawCell(pen, gid, ox, oy, left, bottom, opacity);
    });
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
        // The object's point on screen, and where it sits on the tile: on
        // its bottom as the layout says unless the tile set says otherwise.
        const ObjectPlace place = pen.layout->objectPlace(o.x, o.y);
        const double px = place.x, py = place.y;
        int ax = place.alignX, ay = 2;
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
                            place.move};
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
    const SDL_Point size = pen.layout->pictureSize();
    const int64_t cut = pen.layout->pictureCut();
    pen.tiledLeft = int(std::clamp<int64_t>(int64_t(rounded(pen.originX)) - pen.margins[0] + cut, INT_MIN, INT_MAX));
    pen.tiledTop = int(rounded(pen.originY)) - pen.margins[1];
    // Its right edge moves with that cut.
    pen.farRight = pen.originX + double(cut) + double(size.x) + pen.margins[2];
    pen.farBottom = pen.originY + double(size.y) + pen.margins[3];
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
    const std::unique_ptr<MapLayout> layout = layoutOf(map);
    const MapPoint zero = layout->mapZero();
    Pen pen{renderer, map, timeMs, {255, 255, 255}, 255, {0, 0, 0, 0}, {0, 0, 0, 0}, x, y, zero.x, zero.y,
            layout.get(), 0, 0, {0, 0, 0, 0}, 0, 0};
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
        const SDL_Point size = layout->pictureSize();
        const SDL_FRect all{x, y, float(size.x), float(size.y)};
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
