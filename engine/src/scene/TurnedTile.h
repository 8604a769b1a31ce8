// Where Tiled's renderer places a flipped or turned tile object, and for
// one turned off the axes, which screen pixels it covers and which tile
// pixel each shows.
//
// Tiled moves its painter to the object's point, turns it, moves it back,
// then to the box's top-left corner and the tile's centre (or to the centre
// in one move, see TileMove); every step is Qt's double arithmetic, in Qt's
// order, because a corner that lands on a 1/64 pixel only through those
// sums' last bit falls either side of it. The box is then filled as a
// thick line between the middles of its left and right sides, that line
// first cut to the picture (a mirrored box stretched unevenly as a
// polygon). A line within 1/64 pixel of level or upright covers the pixels
// between its edges, rounded halves up; the rows of other lines and of
// polygons are found edge by edge in 16.16 fixed point, as Qt's rasterizer
// steps them (TurnedTile.cpp says how each begins and ends). Each row's
// tile pixels are found at its first pixel drawn into the picture, a
// 1/65536 pixel low, and stepped from there by truncated 16.16 steps;
// places outside the tile take its edge.
#pragma once

#include <SDL_rect.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace Zelkoran::scene {

// Qt's fuzzy tests: a part within 1e-12 of nothing is nothing; two values
// are equal within a 1e12th of the smaller.
inline bool fuzzyNull(double v) { return std::abs(v) <= 1e-12; }
inline bool fuzzyEqual(double a, double b) { return std::abs(a - b) * 1e12 <= std::min(std::abs(a), std::abs(b)); }

// How Tiled moves its painter from the object's point to the tile's centre.
enum class TileMove {
    ToCorner,  // to the box's top-left corner, then on to the centre
    ViaCorner, // in one move, summed from that corner (isometric maps' objects)
    ViaMiddle, // in one move, summed from the point, the box's corner from it added last (cells, from
               // their bottom-left corner)
};

struct TileTurn {
    double layerX, layerY; // where the painter stands in Tiled's picture before the object moves it
    double x, y;           // the object's point, which the box turns about
    double angle;          // degrees clockwise
    double left, top;      // the unturned box's top-left corner, from the point
    double width, height;  // the box's size
    double offsetX, offsetY; // the set's offset, in tile pixels
    int tileWidth, tileHeight;
    uint32_t flips;        // the gid's flip bits
    TileMove move = TileMove::ToCorner;
};

// Whether Qt's matrix for turn turns off the axes: by other than whole
// halves, its diagonal flip a quarter more.
bool turnedOffAxis(const TileTurn& turn);

// The box Qt draws a tile into with a matrix kept to the axes, in Tiled's
// picture: its edges and middle, each as Qt sums them (a tile only moved,
// at its size, Qt copies from its rounded corner).
struct AxisBox {
    double left, top, right, bottom;
    double middleX, middleY; // where the painter stands: the tile's middle
};

// Sets box for turn drawn into a picture of picture's size; false where
// Qt's matrix for it turns off the axes.
bool axisBox(const TileTurn& turn, SDL_Point picture, AxisBox& box);

// Whether Qt's matrix for turn turns the tile by exactly a quarter either
// way, neither mirrored nor scaled (Qt copies such a tile without a clear
// pixel as it is), and the top-left corner of the box it then fills.
bool copiedTurned(const TileTurn& turn, double& left, double& top);

// A stretch of one screen row showing one tile pixel.
struct TurnedRun {
    int x, y, length; // screen pixels [x, x + length) of row y
    int u, v;         // the tile pixel (unflipped)
};

// The runs of turn that lie in area, drawn into a picture of picture's size
// at (0, 0): a box reaching out of the picture is cut at its edge along the
// line, and rows are sampled from where they enter it.
std::vector<TurnedRun> turnedRuns(const TileTurn& turn, SDL_Rect area, SDL_Point picture);

} // namespace Zelkoran::scene
