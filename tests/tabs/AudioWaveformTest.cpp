// The waveform ring: how mix buffers fold into columns and how it wraps.
#include "tabs/data/AudioWaveform.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(AudioWaveform, ColumnsSpan256FramesAcrossBuffers)
{
    AudioWaveform wave;
    std::vector<float> stereo(512, 0.25f);
    stereo[10] = -0.5f; // frame 5, left: mono -0.125
    stereo[11] = 0.25f;
    stereo[20] = 1.0f; // frame 10: mono 0.625
    stereo[21] = 0.25f;
    wave.capture(stereo.data(), 512, 2);
    EXPECT_EQ(wave.nextColumn(), 1);
    EXPECT_FLOAT_EQ(wave.minimumAt(0), -0.125f);
    EXPECT_FLOAT_EQ(wave.maximumAt(0), 0.625f);

    std::vector<float> part(500, -0.75f);
    wave.capture(part.data(), 500, 2);
    EXPECT_EQ(wave.nextColumn(), 1) << "250 frames do not complete a column";
    std::vector<float> rest(13, 0.5f); // six frames and an incomplete one
    wave.capture(rest.data(), 13, 2);
    EXPECT_EQ(wave.nextColumn(), 2);
    EXPECT_FLOAT_EQ(wave.minimumAt(1), -0.75f);
    EXPECT_FLOAT_EQ(wave.maximumAt(1), 0.5f);
    wave.capture(rest.data(), 1, 2);
    wave.capture(nullptr, 8, 2);
    wave.capture(rest.data(), 8, 0);
    EXPECT_EQ(wave.nextColumn(), 2);

    wave.clear();
    EXPECT_EQ(wave.nextColumn(), 0);
    EXPECT_EQ(wave.maximumAt(0), 0.0f);
}

TEST(AudioWaveform, RingWrapsAfter800Columns)
{
    AudioWaveform wave;
    std::vector<float> mono(256);
    for (int column = 0; column < AudioWaveform::kColumns + 3; ++column) {
        std::fill(mono.begin(), mono.end(), static_cast<float>(column) / 1000.0f);
        wave.capture(mono.data(), 256, 1);
    }
    EXPECT_EQ(wave.nextColumn(), 3);
    EXPECT_FLOAT_EQ(wave.maximumAt(2), 0.802f) << "newest, just before the oldest";
    EXPECT_FLOAT_EQ(wave.minimumAt(3), 0.003f) << "oldest, drawn at the left";
}

} // namespace
