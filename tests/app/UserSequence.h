// Random sequences of user actions driven through the editor's window,
// held after every step against a small model of what the user did: the
// archive is read back with the independent reader, the window's captions
// and messages are compared with the model. A failing sequence is shrunk
// to the fewest steps that still fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace usersequence {

// One user action: its name in the action table and the number its random
// choices are drawn from (which block, which name, what is typed).
struct Step {
    std::string action;
    uint32_t choice = 0;
};

struct Outcome {
    bool failed = false;
    size_t failedStep = 0; // index into the sequence
    std::string why;
    int stepsRun = 0;      // steps whose precondition held
};

// length steps drawn from seed among every action.
std::vector<Step> randomSequence(uint32_t seed, int length);

// Starts the editor, creates an archive and performs the steps; stops at
// the first step after which the archive or the window disagrees with the
// model. The editor is shut down again.
Outcome run(const std::vector<Step>& steps);

// Drops steps while the sequence still fails; the shortest found.
std::vector<Step> shrink(std::vector<Step> steps);

// The steps as a table row: {{"import picture", 7}, {"delete", 3}}.
std::string describe(const std::vector<Step>& steps);

} // namespace usersequence
