// How Qt's rasterizer fills a box whose matrix scales its sides evenly: as
// a thick line between the middles of its left and right sides, first cut
// to the picture; a line within 1/64 pixel of level it stands upright, and
// one within 1/64 pixel of upright covers the pixels between its edges.
#pragma once

#include <SDL_rect.h>

#include <cstdint>

namespace Zelkoran::scene {

// Qt's rasterizer places points in whole 1/64 pixels.
inline constexpr int64_t kSubpixels = 64;

struct ThickLine {
    double ax, ay, bx, by; // its ends
    double width;          // its thickness over its length
};

// Cuts line to a picture of picture's size, widened by half its width
// across, then widens what is left to cover as much (each step in Qt's
// order: a half pixel the exact sums reach can come out a last bit off).
// False: nothing is left.
bool cutLine(ThickLine& line, SDL_Point picture);

// Whether line lies within 1/64 pixel of level, and of upright.
bool isLevel(const ThickLine& line);
bool isUpright(const ThickLine& line);

// Stands a level line upright about its middle, as thick as it was long.
void standUpright(ThickLine& line);

// The edges (left, top, right, bottom) of the box an upright line covers.
void uprightBox(const ThickLine& line, double edges[4]);

// The pixel edge Qt rounds an upright line's edge v to: halves up, found
// exactly (v + 0.5 in doubles carries a v a last bit below a half up).
double pixelEdge(double v);

} // namespace Zelkoran::scene
