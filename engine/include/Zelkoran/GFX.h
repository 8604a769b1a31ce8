// Immediate drawing on the default screen. Every call honours the screen's
// clip rectangle and does nothing before the window is shown. Colours are
// 0xRRGGBBAA; an alpha below 255 blends. The last argument of the drawing
// calls is the screen number (only 0 exists); they return 0,
// RC_ERR_NOT_FOUND (no such screen, or no window yet) or RC_ERR_GENERIC
// (the renderer refused). Main thread only.
#pragma once

#include <cstdint>

namespace Zelkoran {

class GFX {
public:
    // Fills the rectangle between the corners (x1, y1) and (x2, y2); the
    // right and bottom edges are exclusive.
    static int rectFilled(float x1, float y1, float x2, float y2, uint32_t rgba, int screen);
    // Outline of the same rectangle, one pixel wide.
    static int rect(float x1, float y1, float x2, float y2, uint32_t rgba, int screen);
    static int line(float x1, float y1, float x2, float y2, uint32_t rgba, int screen);
    // One-pixel lines, both end points included.
    static int lineH(float x1, float x2, float y, uint32_t rgba, int screen);
    static int lineV(float x, float y1, float y2, uint32_t rgba, int screen);
    // Hue in degrees (any value, wrapped to 0..360), saturation and value 0..1.
    static void hsvToRGB(float h, float s, float v, uint8_t* r, uint8_t* g, uint8_t* b);
    // Hue in degrees 0..360, -1 for greys (no hue); s and v 0..1.
    static void rgbToHSV(uint8_t r, uint8_t g, uint8_t b, float* h, float* s, float* v);
};

} // namespace Zelkoran
