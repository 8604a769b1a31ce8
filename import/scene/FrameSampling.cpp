#include "import/scene/FrameSampling.h"
#include "import/scene/SceneLayerImportOptions.h"

#include <algorithm>

GIFSamplePlan::GIFSamplePlan(const std::vector<int>& delays, int startMs, int wantedMs, int frameCount)
{
    int64_t total = 0;
    for (int d : delays)
        total += d;
    if (delays.empty() || total < 1)
        total = int64_t(std::max<size_t>(delays.size(), 1)) * 100;
    const int64_t start = std::min<int64_t>(std::max(startMs, 0), total - 1);
    int64_t d = wantedMs;
    if (d < 1 || start + d > total)
        d = total - start;
    const int n = std::clamp(frameCount, 1, 256);
    durationMs = std::max<int64_t>(d, 1);
    if (start == 0 && total == durationMs && n == int(delays.size())) {
        whole = true;
        durationsMs = delays;
        for (int i = 0; i < n; ++i)
            frames.push_back(i);
        return;
    }
    int64_t given = 0;
    for (int i = 0; i < n; ++i) {
        const int64_t length = std::max<int64_t>((int64_t(i) + 1) * durationMs / n - given, 1);
        given += length;
        durationsMs.push_back(int(length));
        int64_t t = start + int64_t(i) * durationMs / n;
        if (t >= total)
            t = total - 1;
        int shown = std::max(int(delays.size()) - 1, 0);
        int64_t sum = 0;
        for (size_t f = 0; f < delays.size(); ++f)
            if ((sum += delays[f]) > t) {
                shown = int(f);
                break;
            }
        frames.push_back(shown);
    }
}

VideoSampleWindow::VideoSampleWindow(const SceneFrameOptions& o, int totalMs)
{
    start = std::max(o.startMs, 0);
    duration = o.durationMs > 0 ? o.durationMs : 1;
    count = std::clamp(o.frameCount, 1, 256);
    spread = o.frameCount > 1;
    total = totalMs;
    if (total > 0) {
        start = std::min(start, total);
        if (start + duration > total)
            duration = std::max<int64_t>(total - start, 1);
    }
}

int VideoSampleWindow::timeOf(int sample) const
{
    int64_t t = spread ? start + duration * sample / count : start;
    if (total > 0 && t > total)
        t = total;
    return int(t);
}
