#include <Zelkoran/Tool.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using Zelkoran::Tool;

namespace {

template <class Draw>
std::vector<uint32_t> draws(Draw draw, int count = 64)
{
    std::vector<uint32_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(draw());
    return out;
}

// Every bit of the output is set in roughly half of the draws.
template <class Draw>
void expectBalancedBits(Draw draw)
{
    constexpr int kDraws = 20000;
    std::array<int, 32> ones{};
    for (int i = 0; i < kDraws; ++i) {
        const uint32_t value = draw();
        for (int bit = 0; bit < 32; ++bit)
            ones[bit] += (value >> bit) & 1u;
    }
    for (int bit = 0; bit < 32; ++bit) {
        EXPECT_GT(ones[bit], kDraws * 45 / 100) << "bit " << bit;
        EXPECT_LT(ones[bit], kDraws * 55 / 100) << "bit " << bit;
    }
}

} // namespace

TEST(ToolRandom, MWCRepeatsAfterSeeding)
{
    Tool a;
    Tool b;
    a.randSeedMWC(1234);
    b.randSeedMWC(1234);
    const std::vector<uint32_t> first = draws([&] { return a.randMWC(); });
    EXPECT_EQ(first, draws([&] { return b.randMWC(); }));
    a.randSeedMWC(1234);
    EXPECT_EQ(first, draws([&] { return a.randMWC(); })) << "reseeding restarts the sequence";
    a.randSeedMWC(1235);
    EXPECT_NE(first, draws([&] { return a.randMWC(); }));
}

TEST(ToolRandom, MWCIsUsableForEverySeed)
{
    Tool tool;
    for (uint32_t seed : {0u, 1u, 0xFFFFFFFFu}) {
        tool.randSeedMWC(seed);
        const std::vector<uint32_t> values = draws([&] { return tool.randMWC(); });
        EXPECT_NE(values.front(), values.back()) << "seed " << seed;
    }
    tool.randSeedMWC(99);
    expectBalancedBits([&] { return tool.randMWC(); });
}

TEST(ToolRandom, WELLRepeatsAfterSeeding)
{
    Tool a;
    Tool b;
    EXPECT_EQ(draws([&] { return a.randWELL(); }), draws([&] { return b.randWELL(); }))
        << "fresh tools start alike";
    a.randSeedWELL(42, nullptr);
    b.randSeedWELL(42, nullptr);
    const std::vector<uint32_t> first = draws([&] { return a.randWELL(); });
    EXPECT_EQ(first, draws([&] { return b.randWELL(); }));
    a.randSeedWELL(43, nullptr);
    EXPECT_NE(first, draws([&] { return a.randWELL(); }));

    const std::array<uint32_t, 16> zero{};
    a.randSeedWELL(42, zero.data());
    EXPECT_EQ(first, draws([&] { return a.randWELL(); })) << "an all-zero state falls back to the seed";
}

TEST(ToolRandom, WELLTakesAGivenState)
{
    std::array<uint32_t, 16> state{};
    for (uint32_t i = 0; i < state.size(); ++i)
        state[i] = 0x9E3779B9u * (i + 1);
    Tool a;
    Tool b;
    a.randSeedWELL(1, state.data());
    b.randSeedWELL(2, state.data());
    const std::vector<uint32_t> first = draws([&] { return a.randWELL(); });
    EXPECT_EQ(first, draws([&] { return b.randWELL(); })) << "the state wins over the seed";
    b.randSeedWELL(1, nullptr);
    EXPECT_NE(first, draws([&] { return b.randWELL(); }));
    expectBalancedBits([&] { return a.randWELL(); });
}
