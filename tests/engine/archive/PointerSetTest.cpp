// The table of handed-out buffers against a plain map, through inserts and
// takes in shuffled order, so probe runs grow, wrap and close up again.
#include "archive/PointerSet.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <map>
#include <vector>

namespace {

TEST(PointerSet, AgreesWithAPlainMapThroughShuffledInsertsAndTakes)
{
    std::vector<char> arena(4096);
    std::mt19937 gen(5);
    Zelkoran::archive::PointerSet set;
    std::map<void*, size_t> model;
    for (int step = 0; step < 20000; ++step) {
        void* p = &arena[gen() % arena.size()];
        if (gen() % 3 == 0 || model.count(p)) {
            auto it = model.find(p);
            ASSERT_EQ(set.take(p), it == model.end() ? 0 : it->second) << step;
            if (it != model.end())
                model.erase(it);
        } else {
            const size_t size = 1 + gen() % 100000;
            set.insert(p, size);
            model.emplace(p, size);
        }
    }
    EXPECT_EQ(set.take(nullptr), 0u);
    std::vector<void*> held;
    set.forEach([&](void* p) { held.push_back(p); });
    std::sort(held.begin(), held.end());
    std::vector<void*> expected;
    for (const auto& [p, size] : model)
        expected.push_back(p);
    EXPECT_EQ(held, expected);
}

} // namespace
