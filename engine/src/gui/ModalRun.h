// A modal run of a panel: the panel is shown on top and takes all input
// while Main::update keeps the screen drawn; it ends when one of its buttons
// without a press reaction is pressed, after a time-out, or on a quit request.
#pragma once

#include <functional>

namespace Zelkoran::modal {

// Result of a run that a quit request ended; the quit is queued again so the
// main loop still ends.
constexpr int kQuit = 2;

struct Options {
    int timeoutMs = 0;    // > 0: the run ends with 0 after this long
    int escapeResult = 0; // != 0: Escape ends the run with it when no button took the key
    std::function<void(int panelId)> script; // test script, called once the panel is shown
    std::function<void()> tick;              // called after every pass of the run
};

// The id of the button that ended the run, 0 after the time-out, kQuit on a
// quit request (or when the panel was closed meanwhile).
int run(int panelId, const Options& options);

} // namespace Zelkoran::modal
