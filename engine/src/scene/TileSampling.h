// Which pixel of a tile Tiled's renderer shows in each screen pixel when it
// draws the tile, mirrored or not, into a box of any size (tile objects of
// another size than their tile, at fractional places). Nearest-neighbour,
// as Qt samples without smoothing: the box's edges round to the nearest
// pixel (halves up); each pixel's centre maps back into the tile in 16.16
// fixed point, a unit below the exact place, so a centre falling exactly
// on a tile pixel's edge shows the pixel before it. Across the screen the
// place is found once, at the first pixel drawn into the picture, and then
// stepped by a truncated fixed-point step (its error grows along the row);
// down the screen each row is found afresh.
#pragma once

#include <SDL_rect.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace Zelkoran::scene {

// Places beyond this many pixels are taken as this far: any further lie off
// every picture, and each still fits an int.
inline constexpr double kFar = double(1 << 30);

// One pixel in Qt's 16.16 fixed point.
inline constexpr int64_t kFixed = 65536;

// Places are kept exact (offsets of nested layers add up) and rounded once,
// to the nearest pixel with halves up, as Tiled places them.
inline double rounded(double v) { return std::floor(std::clamp(v, -kFar, kFar) + 0.5); }

// A tile's box along one screen axis: its edges and size, and its middle,
// in Tiled's picture, each summed as Qt sums it (the last bit of a sum
// decides where a place exactly on a pixel's or tile pixel's edge lands).
// A cell's edges Qt finds from that middle (centred).
struct SampleBox {
    double lo, hi, size, middle; // lo and hi unless centred
    bool centred;
};

// The pixel edges (left, top, right, bottom) of a box x, y, w, h in a
// painter moved by dx, dy as Qt's rasterizer fills it, into a picture of
// picture's size, for a tile it stretches: as a thick line between the
// middles of its sides, cut to the picture and turned upright. False for an
// empty box.
bool filledEdges(double x, double y, double w, double h, double dx, double dy, SDL_Point picture, double edges[4]);

// The tile pixels (0..n-1) shown along one screen axis by a tile n pixels
// long drawn into box, one for each screen pixel between its rounded edges
// that lies in [from, to) (first set to the first of them); mirrored runs
// the tile backwards. edge is where Tiled's picture begins: across steps
// as along a screen row, from the box's first pixel or from edge,
// whichever comes later.
std::vector<int> sampleAxis(const SampleBox& box, int n, bool mirrored, bool across, int edge, int from, int to,
                            int& first);

// The picture pixels (0..n-1) shown along one screen axis by a picture
// repeating from origin (in Tiled's picture, which begins at edge), as Qt
// fills a box from lo to hi with it: one for each screen pixel between the
// box's rounded edges, the repeats beginning at the rounded origin. Limited
// to [from, to) like sampleAxis.
std::vector<int> repeatedAxis(double lo, double hi, int n, double origin, int edge, int from, int to, int& first);

// The tile pixels shown along one screen axis of a tile without a clear
// pixel that Qt turns by quarters, at its size: it copies such tiles by
// another path, which shows them from round(lo) as they are, but for a box
// beginning on a half pixel where `shifted` (set by the mirror across the
// other axis): then each pixel shows the tile pixel after it, and the last
// shows the one before again when mirrored, or nothing. Limited to [from,
// to) like sampleAxis.
std::vector<int> quarterTurnedAxis(double lo, int n, bool mirrored, bool shifted, int from, int to, int& first);

// A stretch of screen pixels showing tile pixels as they come: either a
// run of them one to one, forwards or backwards, or one tile pixel repeated.
struct SampleRun {
    int screen, length; // first screen pixel and how many
    int tile, tiles;    // first tile pixel (the lowest) and how many
    bool backwards;
};

// samples (from sampleAxis, the first at screen pixel first) as runs, each
// drawable by one exact copy.
std::vector<SampleRun> sampleRuns(const std::vector<int>& samples, int first);

} // namespace Zelkoran::scene
