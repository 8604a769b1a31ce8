#include "scene/TileSampling.h"

#include "scene/ThickLine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Zelkoran::scene {

std::vector<int> sampleAxis(const SampleBox& box, int n, bool mirrored, bool across, int edge, int from, int to,
                            int& first)
{
    std::vector<int> out;
    const double size = box.size;
    if (n < 1 || !(size > 0))
        return out;
    // Qt's matrix from the tile to the picture, built and inverted in Qt's
    // order, so that a place landing on a pixel's edge rounds as there: the
    // tile centred on the box, scaled (by a negative factor when mirrored),
    // nudged a unit down the tile. Places are in Tiled's picture.
    const double factor = size / n, width = (mirrored ? -factor : factor) * n, m11 = width / n;
    const double corner = box.middle + -0.5 * width;
    const double near = edge + rounded(box.centred ? corner : box.lo);
    const double far = edge + rounded(box.centred ? corner + width : box.hi);
    const double start = std::min(near, far), end = std::min(std::max(near, far), double(to));
    first = int(std::max(start, double(from)));
    if (end <= first)
        return out;
    const double scale = 1.0 / m11, shift = -(m11 / kFixed + corner) * scale;
    const auto fixedAt = [&](double pixel) {
        return int64_t(std::clamp((scale * (pixel - edge + 0.5) + shift) * kFixed, -kFar * kFixed, kFar * kFixed));
    };
    const int64_t step = int64_t(scale * kFixed); // truncated toward zero
    const double begin = std::max(start, double(edge));
    int64_t place = fixedAt(begin) + int64_t(first - begin) * step;
    out.reserve(size_t(end - first));
    for (double c = first; c < end; ++c) {
        const int64_t at = across ? place : fixedAt(c);
        out.push_back(int(std::clamp<int64_t>(at >> 16, 0, n - 1)));
        place += step;
    }
    return out;
}

bool filledEdges(double x, double y, double w, double h, double dx, double dy, SDL_Point picture, double edges[4])
{
    if (!(w > 0) || !(h > 0))
        return false;
    const double middle = (y + (y + h)) * 0.5 + dy;
    ThickLine line{(x + x) * 0.5 + dx, middle, ((x + w) + (x + w)) * 0.5 + dx, middle, h / w};
    if (!cutLine(line, picture))
        return edges[0] = edges[2] = 0, edges[1] = edges[3] = 0, true;
    standUpright(line);
    uprightBox(line, edges);
    for (int i = 0; i < 4; ++i)
        edges[i] = pixelEdge(edges[i]);
    return true;
}

std::vector<int> repeatedAxis(double lo, double hi, int n, double origin, int edge, int from, int to, int& first)
{
    std::vector<int> out;
    const double start = edge + rounded(lo), end = std::min(edge + rounded(hi), double(to));
    first = int(std::max(start, double(from)));
    if (n < 1 || end <= first)
        return out;
    const int64_t shift = int64_t(edge + rounded(origin));
    out.reserve(size_t(end - first));
    for (int64_t c = first; c < int64_t(end); ++c)
        out.push_back(int(((c - shift) % n + n) % n));
    return out;
}

std::vector<int> quarterTurnedAxis(double lo, int n, bool mirrored, bool shifted, int from, int to, int& first)
{
    std::vector<int> out;
    const double start = rounded(lo);
    shifted = shifted && lo - std::floor(lo) == 0.5;
    const int count = shifted && !mirrored ? n - 1 : n;
    first = int(std::max(start, double(from)));
    const int end = int(std::min(start + count, double(to)));
    for (int c = first; c < end; ++c) {
        const int k = std::min(c - int(start) + (shifted ? 1 : 0), n - 1);
        out.push_back(mirrored ? n - 1 - k : k);
    }
    return out;
}

std::vector<SampleRun> sampleRuns(const std::vector<int>& samples, int first)
{
    std::vector<SampleRun> runs;
    for (size_t i = 0; i < samples.size();) {
        // The run's direction is that of its first step: -1, 0 or +1.
        const int dir = i + 1 < samples.size() && std::abs(samples[i + 1] - samples[i]) <= 1
                            ? samples[i + 1] - samples[i]
                            : 2;
        size_t j = i + 1;
        while (dir != 2 && j < samples.size() && samples[j] - samples[j - 1] == dir)
            ++j;
        const int length = int(j - i);
        runs.push_back({first + int(i), length, std::min(samples[i], samples[j - 1]), dir == 0 ? 1 : length, dir < 0});
        i = j;
    }
    return runs;
}

} // namespace Zelkoran::scene
