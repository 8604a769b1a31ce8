#include "tabs/scenes/SceneViewport.h"

#include <algorithm>

namespace {

// Truncated toward zero, as the float arithmetic of the placement asks.
int centredStart(int available, int extent, int origin)
{
    return std::max(origin,
                    static_cast<int>(static_cast<float>(available - extent) * 0.5f + static_cast<float>(origin)));
}

} // namespace

SceneViewportFit SceneViewport::fit(int windowW, int windowH, int sceneW, int sceneH, bool custom, int width,
                                    int height)
{
    const int availW = windowW - kAreaLeft;
    const int availH = windowH - kAreaTop;
    const int maxW = std::min(sceneW, availW);
    const int maxH = std::min(sceneH, availH);
    SceneViewportFit out;
    if (!custom) {
        out.rect = {centredStart(availW, sceneW, kAreaLeft), centredStart(availH, sceneH, kAreaTop), maxW, maxH};
        return out;
    }
    // A limit of 0 or less (an empty scene) still leaves a 1-pixel viewport.
    const int w = std::max(1, std::min(width, maxW));
    const int h = std::max(1, std::min(height, maxH));
    out.corrected = w != width || h != height;
    out.rect = {centredStart(availW, w, kAreaLeft), centredStart(availH, h, kAreaTop), w, h};
    return out;
}
