#include "tabs/data/AudioWaveform.h"

#include <Zelkoran/GFX.h>

#include <algorithm>

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr uint32_t kCentreLine = 0x606060FF;
constexpr uint32_t kColumnColour = 0x00EE00FF;
// A full-scale value reaches this share of the half height.
constexpr float kPeakShare = 0.9f;

} // namespace

void AudioWaveform::capture(const float* samples, int count, int channels)
{
    if (!samples || count < 1 || channels < 1)
        return;
    const int frames = count / channels;
    float low = columnMin.load(kRelaxed);
    float high = columnMax.load(kRelaxed);
    int32_t collected = columnFrames.load(kRelaxed);
    int32_t index = waveIndex.load(kRelaxed);
    for (int f = 0; f < frames; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += samples[f * channels + c];
        const float mono = sum / static_cast<float>(channels);
        if (collected == 0) {
            low = mono;
            high = mono;
        } else {
            low = std::min(low, mono);
            high = std::max(high, mono);
        }
        if (++collected >= framesPerColumn) {
            waveMin[index].store(low, kRelaxed);
            waveMax[index].store(high, kRelaxed);
            index = (index + 1) % kColumns;
            waveIndex.store(index, kRelaxed);
            collected = 0;
        }
    }
    columnMin.store(low, kRelaxed);
    columnMax.store(high, kRelaxed);
    columnFrames.store(collected, kRelaxed);
}

void AudioWaveform::clear()
{
    for (int i = 0; i < kColumns; ++i) {
        waveMin[i].store(0, kRelaxed);
        waveMax[i].store(0, kRelaxed);
    }
    waveIndex.store(0, kRelaxed);
    columnMin.store(0, kRelaxed);
    columnMax.store(0, kRelaxed);
    columnFrames.store(0, kRelaxed);
}

void AudioWaveform::draw(float x, float y, float w, float h) const
{
    const float half = h * 0.5f;
    const float mid = y + half;
    Zelkoran::GFX::line(x, mid, x + w, mid, kCentreLine, 0);
    const int start = waveIndex.load(kRelaxed);
    const int width = static_cast<int>(w);
    for (int i = 0; i < width && i < kColumns; ++i) {
        const int k = (start + i) % kColumns;
        const float top = std::min(std::max(mid - maximumAt(k) * half * kPeakShare, y), y + h);
        const float bottom = std::min(std::max(mid - minimumAt(k) * half * kPeakShare, y), y + h);
        Zelkoran::GFX::line(x + static_cast<float>(i), top, x + static_cast<float>(i), bottom, kColumnColour, 0);
    }
}
