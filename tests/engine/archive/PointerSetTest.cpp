// The set of handed-out buffers against a plain model, through inserts and
// erases in shuffled order, so probe runs grow, wrap and close up again.
#include "archive/PointerSet.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

TEST(PointerSet, AgreesWithAPlainSetThroughShuffledInsertsAndErases)
{
    std::vector<char> arena(4096);
    std::mt19937 gen(5);
    Zelkoran::archive::PointerSet set;
    std::set<void*> model;
    for (int step = 0; step < 20000; ++step) {
        void* p = &arena[gen() % arena.size()];
        if (gen() % 3 == 0 || model.count(p)) {
            ASSERT_EQ(set.erase(p), model.erase(p) == 1) << step;
        } else {
            set.insert(p);
            model.insert(p);
        }
    }
    EXPECT_FALSE(set.erase(nullptr));
    std::vector<void*> held;
    set.forEach([&](void* p) { held.push_back(p); });
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, std::vector<void*>(model.begin(), model.end()));
}

} // namespace
