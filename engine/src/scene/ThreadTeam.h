// A team of threads for one parallel stage of the frame tile analysis.
// OpenMP's threads spin while they wait (at a team's end, and between
// teams for the next one) for milliseconds, and its wait policy is read
// only from the environment as the runtime loads: on a busy machine a
// conversion on four threads spent up to twice the CPU of one, taken from
// the held-up teammate the others waited for. These threads sleep as soon
// as they have nothing to do; they are kept between teams.
#pragma once

#include <functional>

namespace Zelkoran::scene {

// Runs body(t, team) for t = 0 .. team - 1, thread 0 on the calling
// thread, and returns once all are done. team is at most asked; fewer when
// the system gives no more threads, and 1 inside an OpenMP team (as a
// nested OpenMP team would be) or while another caller's team runs.
void runTeam(int asked, const std::function<void(int t, int team)>& body);

} // namespace Zelkoran::scene
