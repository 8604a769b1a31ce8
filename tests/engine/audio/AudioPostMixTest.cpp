// The post-mix tap: the mixed sound reaches it as floats while installed,
// and no call arrives once it is removed.
#include "engine/audio/AudioTestSupport.h"

#include <atomic>

namespace audiotest {
namespace {

struct Tap {
    std::atomic<int> calls{0};
    std::atomic<int> channels{0};
    std::atomic<float> peak{0};
};

void record(void* user, AudioMixer*, const SDL_AudioSpec* spec, const float* samples, int count)
{
    auto* tap = static_cast<Tap*>(user);
    float peak = tap->peak.load();
    for (int i = 0; i < count; ++i)
        peak = std::max(peak, samples[i]);
    tap->peak = peak;
    tap->channels = spec->channels;
    ++tap->calls;
}

TEST(AudioPostMixClosed, RefusedWithoutAudio)
{
    Tap tap;
    EXPECT_EQ(Main::instance()->configMgr()->audioSetPostMix(record, &tap), RC_ERR_NOT_FOUND);
    Main::terminate();
}

TEST_F(AudioTest, PostMixSeesTheMixAsFloatsUntilRemoved)
{
    Tap tap;
    const int id = loadWav(sineWav(44100, 2, 1000), "tone");
    ASSERT_GT(id, 0);
    ASSERT_EQ(config->audioSetPostMix(record, &tap), 0);
    ASSERT_EQ(tracks->get(id)->play(0), 0);
    ASSERT_TRUE(waitFor([&] { return tap.peak.load() > 0.2f; })) << "12000 / 32768 is about 0.37";
    EXPECT_LT(tap.peak.load(), 0.5f);
    EXPECT_EQ(tap.channels.load(), 2);

    ASSERT_EQ(config->audioSetPostMix(nullptr, nullptr), 0);
    const int calls = tap.calls.load();
    SDL_Delay(100);
    EXPECT_EQ(tap.calls.load(), calls);
}

} // namespace
} // namespace audiotest
