#include <Zelkoran/Result.h>
#include <Zelkoran/Timer.h>

#include <algorithm>
#include <chrono>

namespace Zelkoran {

namespace {

constexpr int kMinRate = 1;
constexpr int kMaxRate = 1000;

uint64_t monotonicMs()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

} // namespace

int Timer::init(int)
{
    m_start = monotonicMs();
    m_secondStart = 0;
    m_framesThisSecond = 0;
    m_currentRFR = 0;
    return RC_OK;
}

int Timer::setRate(int logicRate, int renderRate)
{
    m_logicRate = std::clamp(logicRate, kMinRate, kMaxRate);
    m_renderRate = std::clamp(renderRate, kMinRate, kMaxRate);
    return RC_OK;
}

uint64_t Timer::getTicks() const { return monotonicMs() - m_start; }

void Timer::frameRendered()
{
    ++m_framesThisSecond;
    const uint64_t now = getTicks();
    const uint64_t elapsed = now - m_secondStart;
    if (elapsed < 1000)
        return;
    m_currentRFR = static_cast<unsigned>((uint64_t{m_framesThisSecond} * 1000 + elapsed / 2) / elapsed);
    m_framesThisSecond = 0;
    m_secondStart = now;
}

} // namespace Zelkoran
