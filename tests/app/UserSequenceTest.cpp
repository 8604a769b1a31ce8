// The editor driven with random sequences of user actions, held against a
// model of what the user did after every step. A fixed set of seeds runs
// with the suite; SKARDEN_SEQUENCE_SECONDS runs fresh seeds for that long.
// Every sequence that once failed stays below as a row, shrunk.
#include "app/UserSequence.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

namespace {

using usersequence::Step;

constexpr int kLength = 40;

// Runs steps; on a failure, says which seed and step and shows the
// shortest sequence that still fails, ready to become a row below.
void expectHolds(const std::vector<Step>& steps, const std::string& origin)
{
    const usersequence::Outcome outcome = usersequence::run(steps);
    if (!outcome.failed)
        return;
    const std::vector<Step> failing(steps.begin(), steps.begin() + static_cast<long>(outcome.failedStep) + 1);
    const std::vector<Step> shortest = usersequence::shrink(failing);
    ADD_FAILURE() << origin << ", step " << outcome.failedStep << " (" << steps[outcome.failedStep].action
                  << "): " << outcome.why << "\nsequence: " << usersequence::describe(failing)
                  << "\nshrunk to: " << usersequence::describe(shortest) << "\n  which fails with: "
                  << usersequence::run(shortest).why;
}

// Each row: a sequence the model once caught the editor at.
struct Regression {
    const char* what;
    std::vector<Step> steps;
};

const Regression kRegressions[] = {
    {"a new archive where an encrypted one was deleted, reopened",
     {{"encrypt or decrypt index", 3745591963u},
      {"delete file", 784702545u},
      {"close and reopen", 1u},
      {"new archive", 2u},
      {"close and reopen", 2u}}},
    {"a map deleted alone, then the archive defragmented",
     {{"import gif", 1726255219u}, {"delete", 629318717u}, {"defragment", 1254742338u}}},
    {"a map imported over itself, then the archive defragmented",
     {{"import gif", 385778404u}, {"import gif", 1703970750u}, {"defragment", 1254742338u}}},
    {"a panel imported over another by an interchange document, then the archive defragmented",
     {{"import panel", 832917547u}, {"import panel", 523890845u}, {"defragment", 3176049974u}}},
    {"a file saved, replaced by Import XML, then chosen and saved again",
     {{"import map", 2458736469u}, {"type file", 2851665330u}, {"import interchange", 2689482691u}, {"rename", 2805032948u}}},
    {"a file saved, then the index encrypted: the file stays stored in clear",
     {{"type file", 4283610661u}, {"encrypt or decrypt index", 2297346314u}, {"import map", 3212684253u}, {"rename", 223563869u}}},
    {"a map deleted full, then its tile set undeleted with the picture it names",
     {{"import map", 2360549119u}, {"delete full", 46298067u}, {"undelete", 2151145926u}}},
    {"a replaced map undeleted under another name, deleted from the XML tab, then the archive defragmented",
     {{"import gif", 1031801486u},
      {"import gif", 59270654u},
      {"undelete", 648238855u},
      {"delete", 4291713597u},
      {"defragment", 79112660u}}},
    {"a file stored in clear, the index encrypted, a save refused by a write-protected file",
     {{"type file", 2225488375u},
      {"encrypt or decrypt index", 3262604793u},
      {"write protect", 1859941557u},
      {"rename", 3018046542u},
      {"write protect", 2961151712u},
      {"rename", 251765872u}}},
};

TEST(UserSequenceTest, SequencesThatOnceFailedHold)
{
    for (const Regression& r : kRegressions)
        expectHolds(r.steps, r.what);
}

class UserSequenceSeedTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(UserSequenceSeedTest, EveryStepHoldsAgainstTheModel)
{
    expectHolds(usersequence::randomSequence(GetParam(), kLength), "seed " + std::to_string(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Fixed, UserSequenceSeedTest, ::testing::Range(1u, 13u));

// SKARDEN_SEQUENCE_SECONDS=N runs seeds from SKARDEN_SEQUENCE_SEED (default
// 1000) on, one after another, for N seconds; skipped without it.
TEST(UserSequenceTest, LongRun)
{
    const char* seconds = std::getenv("SKARDEN_SEQUENCE_SECONDS");
    if (!seconds)
        GTEST_SKIP() << "set SKARDEN_SEQUENCE_SECONDS to run";
    const char* first = std::getenv("SKARDEN_SEQUENCE_SEED");
    uint32_t seed = first ? static_cast<uint32_t>(std::strtoul(first, nullptr, 10)) : 1000u;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atol(seconds));
    int sequences = 0, steps = 0;
    while (std::chrono::steady_clock::now() < end && !HasFailure()) {
        const std::vector<Step> sequence = usersequence::randomSequence(seed, kLength);
        const usersequence::Outcome outcome = usersequence::run(sequence);
        steps += outcome.stepsRun;
        ++sequences;
        if (outcome.failed)
            expectHolds(sequence, "seed " + std::to_string(seed));
        ++seed;
    }
    std::cout << "long run: " << sequences << " sequences, " << steps << " steps, last seed " << seed - 1 << "\n";
}

} // namespace
