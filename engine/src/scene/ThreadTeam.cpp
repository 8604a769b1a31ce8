#include "scene/ThreadTeam.h"

#include <omp.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace Zelkoran::scene {

namespace {

// Threads kept for the teams, started as teams first need them and ended
// with the process. One team runs at a time; a caller that finds the
// threads taken runs alone (the results do not depend on the team).
class SleepingThreads {
public:
    ~SleepingThreads()
    {
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            m_ending = true;
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }

    void run(int asked, const std::function<void(int, int)>& body)
    {
        std::unique_lock<std::mutex> taken(m_taken, std::try_to_lock);
        const int team = taken ? started(asked) : 1;
        if (team == 1) {
            body(0, 1);
            return;
        }
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            m_body = &body, m_team = team, m_running = team - 1;
            ++m_round;
        }
        m_wake.notify_all();
        std::exception_ptr failed; // thrown on once the others are done
        try {
            body(0, team);
        } catch (...) {
            failed = std::current_exception();
        }
        std::unique_lock<std::mutex> hold(m_lock);
        m_finished.wait(hold, [&] { return m_running == 0; });
        m_body = nullptr;
        hold.unlock();
        if (failed)
            std::rethrow_exception(failed);
    }

private:
    // Threads for a team of asked, started when missing: the team's size.
    int started(int asked)
    {
        while (int(m_threads.size()) + 1 < asked) {
            try {
                m_threads.emplace_back(&SleepingThreads::serve, this, int(m_threads.size()) + 1);
            } catch (const std::system_error&) {
                break;
            }
        }
        return std::min(asked, int(m_threads.size()) + 1);
    }

    // Thread t: runs its share of each team it belongs to.
    void serve(int t)
    {
        uint64_t seen = 0;
        std::unique_lock<std::mutex> hold(m_lock);
        for (;;) {
            m_wake.wait(hold, [&] { return m_ending || m_round != seen; });
            if (m_ending)
                return;
            seen = m_round;
            if (t >= m_team)
                continue;
            const std::function<void(int, int)>* body = m_body;
            const int team = m_team;
            hold.unlock();
            (*body)(t, team);
            hold.lock();
            if (--m_running == 0)
                m_finished.notify_one();
        }
    }

    std::mutex m_taken; // held by the running team's caller
    std::mutex m_lock;
    std::condition_variable m_wake, m_finished;
    std::vector<std::thread> m_threads; // thread t runs share t + 1
    const std::function<void(int, int)>* m_body = nullptr;
    int m_team = 0, m_running = 0;
    uint64_t m_round = 0; // teams run so far
    bool m_ending = false;
};

} // namespace

void runTeam(int asked, const std::function<void(int t, int team)>& body)
{
    static SleepingThreads threads;
    if (omp_in_parallel() || asked <= 1)
        body(0, 1);
    else
        threads.run(asked, body);
}

} // namespace Zelkoran::scene
