// Which frames of an animated source an import samples, and for how long
// each is shown: GIF frames picked by their delays, video times spread
// evenly over a window.
#pragma once

#include <cstdint>
#include <vector>

struct SceneFrameOptions;

// A GIF's frames over the options' window. A delay below 1 counts as
// 100 ms (the caller passes the delays so ruled).
struct GIFSamplePlan {
    bool whole = false;            // the loaded frames are used as they are, with their delays
    int64_t durationMs = 1;        // the sampled duration (d1), at least 1
    std::vector<int> frames;       // per sample: the GIF frame shown
    std::vector<int> durationsMs;  // per sample: how long it lasts (whole: the delays)

    GIFSamplePlan(const std::vector<int>& delays, int startMs, int durationMs, int frameCount);
};

// A video's sample times: count (1..256) frames over duration ms from
// start, clamped to a known length (totalMs > 0).
struct VideoSampleWindow {
    int64_t start = 0, duration = 1, total = 0;
    int count = 1;
    bool spread = false; // more than one frame was asked for; else every sample is the start

    VideoSampleWindow(const SceneFrameOptions& options, int totalMs);
    int timeOf(int sample) const;
};
