// Engine timer: the logic and render rates that Main::update paces to, and
// the measured render frame rate.
#pragma once

#include <cstdint>

namespace Zelkoran {

class Timer {
public:
    // Starts the clock and the frame count; state is reserved (0). 0.
    int init(int state);
    // Logic steps and rendered frames per second (each clamped to 1..1000).
    // 0.
    int setRate(int logicRate, int renderRate);
    int getLogicRate() const { return m_logicRate; }
    int getRenderRate() const { return m_renderRate; }
    // Render frame rate measured over the last completed second (a longer
    // gap between frames counts as one window and lowers the rate).
    unsigned getCurrentRFR() const { return m_currentRFR; }
    // Seconds of one logic step.
    float getLogicDeltaTime() const { return 1.0f / static_cast<float>(m_logicRate); }
    // Milliseconds since init (monotonic).
    uint64_t getTicks() const;
    // Counts one rendered frame (called by the engine's frame pacing).
    void frameRendered();

private:
    uint64_t m_start = 0;
    int m_logicRate = 60;
    int m_renderRate = 30;
    unsigned m_currentRFR = 0;
    unsigned m_framesThisSecond = 0;
    uint64_t m_secondStart = 0;
};

} // namespace Zelkoran
