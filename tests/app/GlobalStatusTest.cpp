#include "services/GlobalStatus.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GlobalStatusTest : public ::testing::Test {
protected:
    void TearDown() override { Zelkoran::Main::terminate(); }

    // The record built from the program name followed by args.
    static GlobalStatus parse(std::vector<std::string> args)
    {
        args.insert(args.begin(), "Skarden");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        return GlobalStatus(static_cast<int>(argv.size()), argv.data());
    }

    static std::string absolute(const char* path)
    {
        Zelkoran::String out;
        Zelkoran::Main::instance()->tool()->fileGetAbsolutePath(path, out);
        return out.c_str();
    }
};

TEST_F(GlobalStatusTest, NoArgumentsGiveTheMinimumWindowAndNoFile)
{
    const GlobalStatus gs = parse({});
    EXPECT_EQ(gs.iWidth, 1400);
    EXPECT_EQ(gs.iHeight, 1000);
    EXPECT_TRUE(gs.sArchivePath.empty());
    EXPECT_EQ(gs.bArchiveLoaded, 0);
    EXPECT_EQ(gs.iArchiveID, 0);
}

TEST_F(GlobalStatusTest, ResolutionAndFileAreBothAccepted)
{
    const GlobalStatus gs = parse({"-resolution:1920x1080", "game.qel"});
    EXPECT_EQ(gs.iWidth, 1920);
    EXPECT_EQ(gs.iHeight, 1080);
    EXPECT_EQ(gs.sArchivePath.c_str(), absolute("game.qel"));
    EXPECT_EQ(gs.sArchivePath[0], '/');
}

TEST_F(GlobalStatusTest, ValuesBelowTheMinimumAreRefusedOneByOne)
{
    const GlobalStatus small = parse({"-resolution:1200x900"});
    EXPECT_EQ(small.iWidth, 1400);
    EXPECT_EQ(small.iHeight, 1000);
    const GlobalStatus wide = parse({"-resolution:1600x999"});
    EXPECT_EQ(wide.iWidth, 1600);
    EXPECT_EQ(wide.iHeight, 1000);
    const GlobalStatus tall = parse({"-resolution:1399x1200"});
    EXPECT_EQ(tall.iWidth, 1400);
    EXPECT_EQ(tall.iHeight, 1200);
}

TEST_F(GlobalStatusTest, RefusedValuesStillCountAsAcceptedArguments)
{
    // The refused resolution and a.qel fill both places; b.qel is never looked at.
    const GlobalStatus gs = parse({"-resolution:10x10", "a.qel", "b.qel"});
    EXPECT_EQ(gs.sArchivePath.c_str(), absolute("a.qel"));
}

TEST_F(GlobalStatusTest, ResolutionWithOneOrThreePartsIsIgnoredAndNotCounted)
{
    const GlobalStatus one = parse({"-resolution:1920", "a.qel", "-resolution:1500x1100"});
    EXPECT_EQ(one.iWidth, 1500);
    EXPECT_EQ(one.iHeight, 1100);
    EXPECT_EQ(one.sArchivePath.c_str(), absolute("a.qel"));

    const GlobalStatus three = parse({"-resolution:1920x1080x2", "a.qel", "b.qel"});
    EXPECT_EQ(three.iWidth, 1400);
    EXPECT_EQ(three.iHeight, 1000);
    EXPECT_EQ(three.sArchivePath.c_str(), absolute("b.qel"));
}

TEST_F(GlobalStatusTest, OfThreeFilesTheSecondIsKept)
{
    const GlobalStatus gs = parse({"A.qel", "B.qel", "C.qel"});
    EXPECT_EQ(gs.sArchivePath.c_str(), absolute("B.qel"));
}

TEST_F(GlobalStatusTest, ClearForgetsTheArchiveButKeepsTheWindowSize)
{
    GlobalStatus gs = parse({"-resolution:1600x1200", "a.qel"});
    gs.bArchiveLoaded = gs.bSecured = gs.bKeyRemembered = gs.bReparseAll = 1;
    for (uint8_t& b : gs.szKey)
        b = 0x5A;
    gs.iKeyLength = 32;
    gs.iArchiveID = 7;

    EXPECT_EQ(gs.clear(), 0);

    EXPECT_EQ(gs.bArchiveLoaded, 0);
    EXPECT_EQ(gs.bSecured, 0);
    EXPECT_EQ(gs.bKeyRemembered, 0);
    EXPECT_EQ(gs.bReparseAll, 0);
    EXPECT_EQ(gs.iKeyLength, 0u);
    EXPECT_EQ(gs.iArchiveID, 0);
    EXPECT_TRUE(gs.sArchivePath.empty());
    for (uint8_t b : gs.szKey)
        EXPECT_EQ(b, 0);
    EXPECT_EQ(gs.iWidth, 1600);
    EXPECT_EQ(gs.iHeight, 1200);
}

} // namespace
