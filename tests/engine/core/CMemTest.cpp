#include <Zelkoran/CMem.h>
#include <Zelkoran/Log.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

using Zelkoran::CMem;

namespace {

// Each test charges its own module so the counts of other tests (and of the
// engine itself) do not blur the figures.
constexpr int kModuleAccounting = 20;
constexpr int kModulePeak = 21;
constexpr int kModuleUncounted = 22;
constexpr int kModuleThreads = 23;
constexpr int kModuleLeak = 24;

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(CMem, ChargesAllocationsAndFreesToTheirModule)
{
    const CMem::ModuleStats before = CMem::getStats(kModuleAccounting);
    void* big = CMem::alloc(1000, kModuleAccounting);
    void* small = CMem::alloc(24, kModuleAccounting);
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);

    CMem::ModuleStats now = CMem::getStats(kModuleAccounting);
    EXPECT_EQ(now.allocations - before.allocations, 2u);
    EXPECT_EQ(now.frees - before.frees, 0u);
    EXPECT_EQ(now.liveBytes - before.liveBytes, 1024u);
    EXPECT_GE(now.peakBytes, before.liveBytes + 1024u);

    CMem::free(big);
    now = CMem::getStats(kModuleAccounting);
    EXPECT_EQ(now.frees - before.frees, 1u);
    EXPECT_EQ(now.liveBytes - before.liveBytes, 24u);

    CMem::free(small);
    now = CMem::getStats(kModuleAccounting);
    EXPECT_EQ(now.frees - before.frees, 2u);
    EXPECT_EQ(now.liveBytes, before.liveBytes);
    EXPECT_GE(now.peakBytes, before.liveBytes + 1024u);
}

TEST(CMem, PeakKeepsTheHighestLiveTotal)
{
    void* a = CMem::alloc(300, kModulePeak);
    void* b = CMem::alloc(200, kModulePeak);
    CMem::free(a);
    CMem::free(b);
    void* c = CMem::alloc(100, kModulePeak);
    EXPECT_EQ(CMem::getStats(kModulePeak).peakBytes, 500u);
    EXPECT_EQ(CMem::getStats(kModulePeak).liveBytes, 100u);
    CMem::free(c);
}

TEST(CMem, BlocksAreAlignedAndUsable)
{
    std::vector<void*> blocks;
    for (size_t size = 1; size <= 65; ++size) {
        auto* p = static_cast<unsigned char*>(CMem::alloc(size, kModuleAccounting));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << "size " << size;
        for (size_t i = 0; i < size; ++i)
            p[i] = static_cast<unsigned char>(i);
        blocks.push_back(p);
    }
    for (void* p : blocks)
        CMem::free(p);
}

TEST(CMem, RefusesEmptyOversizedAndUnknownModuleRequests)
{
    const CMem::ModuleStats before = CMem::getStats(kModuleAccounting);
    EXPECT_EQ(CMem::alloc(0, kModuleAccounting), nullptr);
    EXPECT_EQ(CMem::alloc(SIZE_MAX - 4, kModuleAccounting), nullptr);
    EXPECT_EQ(CMem::alloc(16, -1), nullptr);
    EXPECT_EQ(CMem::alloc(16, CMem::kModuleCount), nullptr);
    CMem::free(nullptr);
    const CMem::ModuleStats after = CMem::getStats(kModuleAccounting);
    EXPECT_EQ(after.allocations, before.allocations);
    EXPECT_EQ(after.frees, before.frees);
    EXPECT_EQ(after.liveBytes, before.liveBytes);
    EXPECT_EQ(CMem::getStats(-1).allocations, 0u);
}

TEST(CMem, StlAllocatorChargesTheContainerModule)
{
    const uint64_t before = CMem::getStats(CMem::kModuleContainers).liveBytes;
    {
        Zelkoran::Vector<int> numbers;
        numbers.reserve(1000);
        Zelkoran::String text(500, 'x');
        EXPECT_GE(CMem::getStats(CMem::kModuleContainers).liveBytes - before, 1000 * sizeof(int) + 500);
    }
    EXPECT_EQ(CMem::getStats(CMem::kModuleContainers).liveBytes, before);
}

TEST(CMem, BlocksAllocatedWhileCountingWasOffAreNotChargedOnFree)
{
    const int level = CMem::getStatsLevel();
    CMem::setStatsLevel(0);
    void* p = CMem::alloc(500, kModuleUncounted);
    ASSERT_NE(p, nullptr);
    CMem::setStatsLevel(level);
    EXPECT_EQ(CMem::getStats(kModuleUncounted).allocations, 0u);
    CMem::free(p);
    const CMem::ModuleStats after = CMem::getStats(kModuleUncounted);
    EXPECT_EQ(after.frees, 0u);
    EXPECT_EQ(after.liveBytes, 0u);
}

TEST(CMem, CountsStayExactUnderConcurrentUse)
{
    const CMem::ModuleStats before = CMem::getStats(kModuleThreads);
    constexpr int kThreads = 4;
    constexpr int kRounds = 5000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kRounds; ++i) {
                void* p = CMem::alloc(static_cast<size_t>(1 + (i * 7 + t) % 300), kModuleThreads);
                CMem::free(p);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const CMem::ModuleStats after = CMem::getStats(kModuleThreads);
    EXPECT_EQ(after.allocations - before.allocations, uint64_t{kThreads * kRounds});
    EXPECT_EQ(after.frees - before.frees, uint64_t{kThreads * kRounds});
    EXPECT_EQ(after.liveBytes, before.liveBytes);
    EXPECT_LE(after.peakBytes, uint64_t{kThreads * 300});
}

TEST(CMem, ModuleNames)
{
    CMem::setModuleName(15, "Skardy");
    EXPECT_STREQ(CMem::getModuleName(15), "Skardy");
    CMem::setModuleName(16, "A module name far longer than thirty-one characters");
    EXPECT_STREQ(CMem::getModuleName(16), "A module name far longer than t");
    CMem::setModuleName(16, nullptr);
    EXPECT_STREQ(CMem::getModuleName(16), "");
    CMem::setModuleName(CMem::kModuleCount, "ignored");
    EXPECT_STREQ(CMem::getModuleName(CMem::kModuleCount), "");
    EXPECT_STREQ(CMem::getModuleName(-1), "");
}

TEST(CMem, DestroyWritesTheTableToTheRunningLog)
{
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("cmem_destroy_" + std::to_string(getpid()) + ".log");
    const int level = CMem::getStatsLevel();
    CMem::setStatsLevel(4);
    CMem::setModuleName(kModuleLeak, "Leaky");
    void* leak = CMem::alloc(100, kModuleLeak);
    {
        Zelkoran::LogMgr logs;
        ASSERT_EQ(logs.get(0)->init("CMemTest", 5, 0, file.c_str(), "", "", ""), 0);
        CMem::destroy();
        CMem::destroy();
    }
    const std::string log = readFile(file);
    EXPECT_NE(log.find(" [CMem] Module  Name"), std::string::npos) << log;
    EXPECT_NE(log.find(" [CMem]     24  Leaky"), std::string::npos) << log;
    const std::string leakLine = " [CMem] Module 24 (Leaky) still holds 100 bytes in 1 blocks.\n";
    const size_t first = log.find(leakLine);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find(leakLine, first + 1), std::string::npos) << "second destroy() reports again";

    // Without an engine the report goes to stderr; only leaks below level 4.
    CMem::setStatsLevel(1);
    testing::internal::CaptureStderr();
    CMem::destroy();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(leakLine), std::string::npos) << err;
    EXPECT_EQ(err.find(" [CMem] Module  Name"), std::string::npos) << err;

    CMem::free(leak);
    CMem::setStatsLevel(level);
    std::filesystem::remove(file);
}
