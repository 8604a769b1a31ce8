#include <Zelkoran/Log.h>
#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using Zelkoran::Log;
using Zelkoran::LogMgr;

namespace {

class LogTest : public testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(m_path); }

    std::string read() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The file without its first line (the application banner).
    std::string body() const
    {
        const std::string all = read();
        const size_t end = all.find('\n');
        return end == std::string::npos ? std::string() : all.substr(end + 1);
    }

    const std::filesystem::path m_path =
        std::filesystem::temp_directory_path() / ("log_test_" + std::to_string(getpid()) + ".log");
};

} // namespace

TEST_F(LogTest, WritesMessagesAsGivenAndDropsLevelsAboveTheFilter)
{
    Log log;
    ASSERT_EQ(log.init("Skarden v0.19.0", 3, 0, m_path.c_str(), "", "", ""), Zelkoran::RC_OK);
    EXPECT_EQ(log.getLevel(), 3);
    log.msg(1, "critical %d\n", 1);
    log.msg(2, "  [Tab] error in %s\n", "grass.png");
    log.msg(3, "warning without end");
    log.msg(3, ", continued\n");
    log.msg(4, "information is filtered\n");
    log.msg(5, "debug is filtered\n");
    log.msg(0, "no such level\n");
    log.msg(6, "no such level\n");
    log.msg(1, "%s", "100% literal\n");

    // Read while the log is still open: every message must already be on disk.
    const std::string all = read();
    EXPECT_EQ(all.rfind("Skarden v0.19.0 - log started ", 0), 0u) << all;
    EXPECT_EQ(body(), "critical 1\n  [Tab] error in grass.png\nwarning without end, continued\n100% literal\n");
}

TEST_F(LogTest, KeepsLongMessagesWhole)
{
    Log log;
    ASSERT_EQ(log.init("App", 5, 0, m_path.c_str(), "", "", ""), Zelkoran::RC_OK);
    const std::string text(5000, 'y');
    log.msg(4, " [Long] %s|\n", text.c_str());
    EXPECT_EQ(body(), " [Long] " + text + "|\n");
}

TEST_F(LogTest, InitTruncatesAndAnUnwritableFileIsReported)
{
    {
        Log log;
        ASSERT_EQ(log.init("First", 5, 0, m_path.c_str(), "", "", ""), Zelkoran::RC_OK);
        log.msg(4, "old run\n");
    }
    Log log;
    ASSERT_EQ(log.init("Second", 5, 0, m_path.c_str(), "", "", ""), Zelkoran::RC_OK);
    EXPECT_EQ(read().rfind("Second - log started ", 0), 0u);
    EXPECT_EQ(body(), "");

    EXPECT_EQ(log.init("App", 5, 0, "/nonexistent-folder/x.log", "", "", ""), Zelkoran::RC_ERR_IO);
    log.msg(1, "goes nowhere\n");
    EXPECT_EQ(body(), "") << "the first file was closed by the second init";
}

TEST_F(LogTest, ModeTwoEchoesToStderr)
{
    Log log;
    ASSERT_EQ(log.init("App", 5, 10, m_path.c_str(), "", "", ""), Zelkoran::RC_OK);
    testing::internal::CaptureStderr();
    log.msg(4, " [Echo] %d\n", 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), " [Echo] 7\n");
    EXPECT_EQ(body(), " [Echo] 7\n");
}

TEST_F(LogTest, MessagesFromManyThreadsStayWhole)
{
    Log log;
    ASSERT_EQ(log.init("App", 5, 0, m_path.c_str(), "", "", ""), Zelkoran::RC_OK);
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i)
                log.msg(4, " [Thread %d] line %d of a message long enough to tear\n", t, i);
        });
    for (std::thread& thread : threads)
        thread.join();

    std::istringstream lines(body());
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);)
        seen.insert(line);
    ASSERT_EQ(seen.size(), size_t{kThreads * kLines});
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kLines; ++i)
            EXPECT_TRUE(seen.count(" [Thread " + std::to_string(t) + "] line " + std::to_string(i) +
                                   " of a message long enough to tear"));
}

TEST(LogMgr, OnlyLogZeroExistsAndCurrentFollowsTheManager)
{
    {
        LogMgr logs;
        ASSERT_NE(logs.get(0), nullptr);
        EXPECT_EQ(logs.get(1), nullptr);
        EXPECT_EQ(logs.get(-1), nullptr);
        EXPECT_EQ(LogMgr::current(), logs.get(0));
    }
    EXPECT_EQ(LogMgr::current(), nullptr);
}
