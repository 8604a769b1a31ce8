// The audio tab's scrolling waveform: a ring of 800 columns, each the range
// of 256 mono frames of the mixed sound. capture runs on the audio thread
// while the tab's post-mix tap is installed; draw and clear run on the main
// thread (clear only while no tap is installed). Every field is a relaxed
// atomic: a column drawn while written may pair an old minimum with a new
// maximum for one frame, which nothing depends on.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

class AudioWaveform {
public:
    static constexpr int kColumns = 800;

    AudioWaveform() { clear(); }

    // Folds count interleaved values of channels channels into the ring; a
    // trailing incomplete frame is ignored, an unfinished column goes on in
    // the next call. No lock, allocation or system call.
    void capture(const float* samples, int count, int channels);
    // Flat line, next column 0.
    void clear();
    // The ring, oldest column at the left, in the box (x, y, w, h).
    void draw(float x, float y, float w, float h) const;

    int nextColumn() const { return waveIndex.load(std::memory_order_relaxed); }
    float minimumAt(int column) const { return waveMin[column].load(std::memory_order_relaxed); }
    float maximumAt(int column) const { return waveMax[column].load(std::memory_order_relaxed); }

private:
    std::array<std::atomic<float>, kColumns> waveMin;
    std::array<std::atomic<float>, kColumns> waveMax;
    std::atomic<int32_t> waveIndex{0};
    const int32_t framesPerColumn = 256;
    std::atomic<float> columnMin{0};
    std::atomic<float> columnMax{0};
    std::atomic<int32_t> columnFrames{0};
};
