#include <Zelkoran/Timer.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using Zelkoran::Timer;

TEST(Timer, RatesAreClamped)
{
    Timer timer;
    EXPECT_EQ(timer.setRate(60, 30), 0);
    EXPECT_EQ(timer.getLogicRate(), 60);
    EXPECT_EQ(timer.getRenderRate(), 30);
    EXPECT_FLOAT_EQ(timer.getLogicDeltaTime(), 1.0f / 60.0f);
    timer.setRate(0, 5000);
    EXPECT_EQ(timer.getLogicRate(), 1);
    EXPECT_EQ(timer.getRenderRate(), 1000);
    timer.setRate(-7, -1);
    EXPECT_EQ(timer.getLogicRate(), 1);
    EXPECT_EQ(timer.getRenderRate(), 1);
}

TEST(Timer, TicksCountFromInit)
{
    Timer timer;
    timer.init(0);
    const uint64_t start = timer.getTicks();
    EXPECT_LT(start, 1000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(timer.getTicks(), start + 20);
}

TEST(Timer, RenderFrameRateIsMeasuredOverWholeSeconds)
{
    Timer timer;
    timer.init(0);
    for (int i = 0; i < 10; ++i)
        timer.frameRendered();
    EXPECT_EQ(timer.getCurrentRFR(), 0u) << "no second has passed yet";
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    timer.frameRendered();
    // Eleven frames in a little over a second.
    EXPECT_GE(timer.getCurrentRFR(), 5u);
    EXPECT_LE(timer.getCurrentRFR(), 11u);
    timer.init(0);
    EXPECT_EQ(timer.getCurrentRFR(), 0u);
}
