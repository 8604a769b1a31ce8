// The list algebra of the effect panels against a fake emitter that sorts
// by time as the engine does (or refuses, or runs out of memory), and the
// small conversions: seed text, blend rows, labels, ramp and tint swatches.
#include "tabs/effects/ctrlEffectsListEdit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

using namespace effectlists;
using namespace Zelkoran;

// Keeps a list sorted by time, stably; may refuse or fail to copy.
template <typename T>
struct SortingFake {
    Vector<T> list;
    bool refuse = false;
    bool outOfMemory = false;
    template <typename Same>
    auto access(Same same)
    {
        return ListAccess{[this] {
                    if (outOfMemory)
                        throw std::bad_alloc();
                    return list;
                },
                [this](const Vector<T>& next) {
                    if (refuse)
                        return false;
                    list = next;
                    std::stable_sort(list.begin(), list.end(), [](const T& a, const T& b) { return a.time < b.time; });
                    return true;
                },
                same};
    }
};

TEST(EffectListEdit, TheEditedEntryIsFoundAgainAfterTheEmitterReorders)
{
    const struct {
        const char* what;
        Vector<ParticleBurst> before;
        int selected;
        ParticleBurst edited;
        int expected;
    } cases[] = {
        {"moved to the end", {{1, 5}, {2, 5}, {3, 5}}, 0, {9, 5}, 2},
        {"moved to the front", {{1, 5}, {2, 5}, {3, 5}}, 2, {0.5f, 7}, 0},
        {"second of two identical stays second", {{1, 5}, {2, 5}, {4, 5}}, 1, {1, 5}, 1},
        {"first of two identical stays first", {{2, 5}, {1, 5}}, 0, {1, 5}, 0},
    };
    for (const auto& c : cases) {
        SortingFake<ParticleBurst> fake{c.before};
        int selection = c.selected;
        EXPECT_EQ(replaceEntry(fake.access(sameBurst), c.edited, selection), RC_OK) << c.what;
        EXPECT_EQ(selection, c.expected) << c.what;
    }
    // Without an identity the selection stays by position.
    SortingFake<ParticleBurst> fake{{{1, 5}, {2, 5}}};
    int selection = 0;
    EXPECT_EQ(replaceEntry(fake.access(byPosition), ParticleBurst{9, 5}, selection), RC_OK);
    EXPECT_EQ(selection, 0);
}

TEST(EffectListEdit, AppendRemoveLimitsRefusalsAndMemory)
{
    using Keys = Vector<ParticleColorKey>;
    const SDL_Color a{255, 0, 0, 255}, b{0, 0, 255, 255};
    const auto after0 = [](const Keys& keys, ParticleColorKey& k) {
        k = keys[0];
        k.time = midpointTime(keys, 0);
        return true;
    };
    SortingFake<ParticleColorKey> fake{{{0, a}, {1, b}}};
    int selection = 0;
    ASSERT_EQ(appendEntry(fake.access(sameColorKey), 8, after0, selection), RC_OK);
    EXPECT_EQ(fake.list[1].time, 0.5f);
    EXPECT_EQ(selection, 1) << "the new key, found where the sort put it";
    EXPECT_EQ(appendEntry(fake.access(sameColorKey), 3, after0, selection), kRefused) << "the list is full";

    selection = 2;
    ASSERT_EQ(removeEntry(fake.access(sameColorKey), 1, selection), RC_OK);
    EXPECT_EQ(selection, 1) << "the last one deleted: the new last is selected";
    selection = 0;
    ASSERT_EQ(removeEntry(fake.access(sameColorKey), 1, selection), RC_OK);
    EXPECT_EQ(selection, 0) << "the one that followed is selected";
    EXPECT_EQ(removeEntry(fake.access(sameColorKey), 1, selection), kRefused) << "the last key stays";

    const Keys kept = fake.list;
    fake.refuse = true;
    EXPECT_EQ(replaceEntry(fake.access(sameColorKey), ParticleColorKey{0.2f, a}, selection), kRefused);
    fake.refuse = false;
    fake.outOfMemory = true;
    EXPECT_EQ(replaceEntry(fake.access(sameColorKey), ParticleColorKey{0.2f, a}, selection), RC_ERR_NO_MEMORY);
    EXPECT_EQ(appendEntry(fake.access(sameColorKey), 8, after0, selection), RC_ERR_NO_MEMORY);
    EXPECT_EQ(fake.list.size(), kept.size());
    EXPECT_EQ(fake.list[0].time, kept[0].time);

    SortingFake<ParticleBurst> bursts{{{1, 1}}};
    int one = 0;
    ASSERT_EQ(removeEntry(bursts.access(sameBurst), 0, one), RC_OK);
    EXPECT_EQ(one, -1) << "an emptied list selects nothing";
    EXPECT_EQ(removeEntry(bursts.access(sameBurst), 0, one), kRefused);
}

TEST(EffectListEdit, NaNTimesNeverMatch)
{
    const ParticleColorKey nan{std::nanf(""), {1, 2, 3, 4}};
    EXPECT_FALSE(sameColorKey(nan, nan));
    EXPECT_FALSE(sameScaleKey({std::nanf(""), 1}, {std::nanf(""), 1}));
    SortingFake<ParticleColorKey> fake{{{0.5f, {}}, {0.5f, {}}}};
    EXPECT_EQ(relocate(Vector<ParticleColorKey>{nan}, 0, fake.list, sameColorKey), 0);
}

TEST(EffectListEdit, SeedTexts)
{
    const struct {
        const char* text;
        bool valid;
        uint32_t seed;
    } cases[] = {
        {"1", true, 1},         {"4294967295", true, 4294967295u}, {"007", true, 7}, {"0", false, 0},
        {"", false, 0},         {"-5", false, 0},                  {" 7", false, 0}, {"12a", false, 0},
        {"4294967296", false, 0}, {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        uint32_t seed = 0;
        EXPECT_EQ(parseSeed(c.text, seed), c.valid) << '"' << c.text << '"';
        EXPECT_EQ(seed, c.seed) << c.text;
    }
}

TEST(EffectListEdit, BlendRowsAndTheirFallbacks)
{
    const struct {
        int row;
        unsigned blend;
    } rows[] = {{1, PBM_NONE}, {2, PBM_ALPHA}, {3, PBM_ADDITIVE}, {4, PBM_MULTIPLY}, {0, PBM_ALPHA}, {5, PBM_ALPHA}};
    for (const auto& r : rows)
        EXPECT_EQ(blendForRow(r.row), r.blend) << "row " << r.row;
    EXPECT_EQ(rowForBlend(PBM_MULTIPLY), 4);
    EXPECT_EQ(rowForBlend(3), 2) << "there is no blend 3";
}

TEST(EffectListEdit, CountsTimesAndLabels)
{
    const struct {
        float typed;
        int32_t count;
    } counts[] = {{0, 1}, {2.9f, 2}, {70000, 65536}, {-3, 1}, {std::nanf(""), 1}, {65536, 65536}};
    for (const auto& c : counts)
        EXPECT_EQ(burstCount(c.typed), c.count) << c.typed;
    EXPECT_FLOAT_EQ(nextBurstTime(5), 5.1f);
    EXPECT_EQ(nextBurstTime(86399.95f), 86400.0f);
    EXPECT_EQ(keyLabel(2, 0.125f), "Key 2 (12%)");
    EXPECT_EQ(keyLabel(3, 0.25f), "Key 3 (25%)");
    EXPECT_EQ(burstLabel(1, {0, 1}), "1: 0.00s / 1");
    const Vector<ParticleScaleKey> keys{{0, 1}, {1, 2}};
    EXPECT_EQ(midpointTime(keys, 0), 0.5f);
    EXPECT_EQ(midpointTime(keys, 1), 1.0f) << "after the last key at 1 comes another at 1";
}

TEST(EffectListEdit, RampAndTintSwatches)
{
    const SDL_Color red{255, 0, 0, 255}, blue{0, 0, 255, 255}, green{0, 255, 0, 255}, white{255, 255, 255, 255};
    auto rgb = [](SDL_Color c) { return std::vector<int>{c.r, c.g, c.b}; };
    const Vector<ParticleColorKey> redToBlue{{0, red}, {1, blue}};
    EXPECT_EQ(rgb(rampColor(redToBlue, 0)), rgb(red));
    EXPECT_EQ(rgb(rampColor(redToBlue, 5)), (std::vector<int>{139, 0, 116}));
    EXPECT_EQ(rgb(rampColor(redToBlue, 11)), rgb(blue));
    EXPECT_EQ(rgb(rampColor({}, 3)), rgb(white));
    EXPECT_EQ(rgb(rampColor(Vector<ParticleColorKey>{{0.7f, green}}, 0)), rgb(green));
    // Equal times make a step: red..blue up to 0.5, then green..white.
    const Vector<ParticleColorKey> step{{0, red}, {0.5f, blue}, {0.5f, green}, {1, white}};
    EXPECT_EQ(rgb(rampColor(step, 5)).at(1), 0) << "still between red and blue";
    EXPECT_EQ(rgb(rampColor(step, 6)).at(1), 255) << "already between green and white";
    EXPECT_EQ(rgb(rampColor(Vector<ParticleColorKey>{{0, red}, {0.5f, blue}}, 8)), rgb(blue));

    const struct {
        size_t count;
        std::vector<size_t> entries;
    } tints[] = {{3, {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}}, {16, {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14}}};
    for (const auto& t : tints) {
        std::vector<size_t> shown;
        for (int i = 0; i < kSwatches; ++i)
            shown.push_back(tintEntryForSwatch(t.count, i));
        EXPECT_EQ(shown, t.entries) << t.count << " entries";
    }
}

} // namespace
