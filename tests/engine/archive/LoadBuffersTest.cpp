// The buffers loads hand out, through shuffled gets and puts of small and
// large sizes: a buffer held is never handed out again, each is as large as
// asked (filled whole, its bytes still there when it comes back), and only
// buffers handed out and not yet back are taken back.
#include "archive/LoadBuffers.h"

#include <gtest/gtest.h>
#include <cstring>
#include <map>
#include <random>

namespace {

TEST(LoadBuffers, HeldBuffersStayApartAndWhole)
{
    Zelkoran::archive::LoadBuffers buffers;
    std::map<void*, std::pair<size_t, unsigned char>> held; // size, fill byte
    std::mt19937 gen(7);
    for (int step = 0; step < 4000; ++step) {
        if (held.empty() || gen() % 2) {
            const size_t size = gen() % 4 ? 1 + gen() % 4096 : 1 + gen() % (400 * 1024);
            void* p = buffers.get(size);
            ASSERT_NE(p, nullptr);
            ASSERT_EQ(held.count(p), 0u) << step;
            const auto fill = static_cast<unsigned char>(step);
            std::memset(p, fill, size);
            held[p] = {size, fill};
        } else {
            auto it = std::next(held.begin(), static_cast<long>(gen() % held.size()));
            const auto [size, fill] = it->second;
            const auto* bytes = static_cast<const unsigned char*>(it->first);
            for (size_t i = 0; i < size; i += 97)
                ASSERT_EQ(bytes[i], fill) << step;
            ASSERT_TRUE(buffers.put(it->first));
            EXPECT_FALSE(buffers.put(it->first)) << "taken back twice";
            held.erase(it);
        }
    }
    int local = 0;
    EXPECT_FALSE(buffers.put(&local));
    EXPECT_FALSE(buffers.put(nullptr));
}

} // namespace
