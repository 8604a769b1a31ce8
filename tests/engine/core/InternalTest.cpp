#include <Zelkoran/Internal.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using Zelkoran::Internal;
using Zelkoran::String;

namespace {

std::string text(const String& s) { return std::string(s.data(), s.size()); }

std::string cwd() { return std::filesystem::current_path().generic_string(); }

struct Resolved {
    int result;
    std::string archive;
    std::string resource;
    bool same;
};

Resolved resolve(const char* uri, const char* current)
{
    String archive("stale");
    String resource("stale");
    bool same = true;
    const int result = Internal::resolveQELURI(uri, current, archive, resource, same);
    return {result, text(archive), text(resource), same};
}

void expectResolved(const char* uri, const char* current, const std::string& archive, const std::string& resource,
                    bool same)
{
    const Resolved r = resolve(uri, current);
    EXPECT_EQ(r.result, Zelkoran::RC_OK) << uri;
    EXPECT_EQ(r.archive, archive) << uri;
    EXPECT_EQ(r.resource, resource) << uri;
    EXPECT_EQ(r.same, same) << uri;
}

std::string humanSize(uint64_t bytes, int decimals)
{
    char buf[64];
    EXPECT_EQ(Internal::getHumanReadableSize(bytes, buf, sizeof buf, decimals), buf);
    return buf;
}

} // namespace

TEST(Internal, HumanReadableSizes)
{
    EXPECT_EQ(humanSize(0, 1), "0 B");
    EXPECT_EQ(humanSize(512, 1), "512 B");
    EXPECT_EQ(humanSize(1023, 1), "1023 B");
    EXPECT_EQ(humanSize(1024, 1), "1.0 KiB");
    EXPECT_EQ(humanSize(1536, 2), "1.50 KiB");
    EXPECT_EQ(humanSize(1536, 0), "2 KiB");
    EXPECT_EQ(humanSize(1536, 7), "1.500 KiB") << "at most three decimals";
    EXPECT_EQ(humanSize(1536, -1), "2 KiB");
    EXPECT_EQ(humanSize(1048575, 1), "1.0 MiB") << "rounding must not give 1024.0 KiB";
    EXPECT_EQ(humanSize(1048575, 3), "1023.999 KiB");
    EXPECT_EQ(humanSize(3489660928ull, 2), "3.25 GiB");
    EXPECT_EQ(humanSize(5ull << 40, 1), "5.0 TiB");
    EXPECT_EQ(humanSize(UINT64_MAX, 1), "16.0 EiB");
}

TEST(Internal, HumanReadableSizeRespectsTheBuffer)
{
    char small[5];
    std::memset(small, 'z', sizeof small);
    Internal::getHumanReadableSize(1536, small, sizeof small, 2);
    EXPECT_STREQ(small, "1.50");
    EXPECT_EQ(Internal::getHumanReadableSize(1536, nullptr, 64, 1), nullptr);
    small[0] = 'k';
    Internal::getHumanReadableSize(1536, small, 0, 1);
    EXPECT_EQ(small[0], 'k');
}

TEST(Internal, IsQELURI)
{
    EXPECT_TRUE(Internal::isQELURI("qel://world.qel/grass.png"));
    EXPECT_TRUE(Internal::isQELURI("QEL://WORLD.QEL/x"));
    EXPECT_FALSE(Internal::isQELURI("qel:/world.qel/x"));
    EXPECT_FALSE(Internal::isQELURI("file://world.qel/x"));
    EXPECT_FALSE(Internal::isQELURI("grass.png"));
    EXPECT_FALSE(Internal::isQELURI(""));
    EXPECT_FALSE(Internal::isQELURI(nullptr));
}

TEST(Internal, ResolvesURIsAgainstTheOpenQELFile)
{
    const char* current = "/games/world.qel";
    // What the scene importer writes: the open archive's bare file name.
    expectResolved("qel://world.qel/grass.png", current, "/games/world.qel", "grass.png", true);
    expectResolved("qel://other.qel/tiles/a b.png", current, "/games/other.qel", "tiles/a b.png", false);
    expectResolved("qel://../shared/lib.QEL/tiles", current, "/shared/lib.QEL", "tiles", false);
    expectResolved("qel://assets.qel.d/world.qel/x", current, "/games/assets.qel.d/world.qel", "x", false);
    expectResolved("qel://sub\\world.qel/x", current, "/games/sub/world.qel", "x", false);
    expectResolved("qel:///data/maps.qel/level1.tmx", current, "/data/maps.qel", "level1.tmx", false);
    expectResolved("qel:///games/./world.qel/x", current, "/games/world.qel", "x", true);
    expectResolved("qel://world.qel/dir.qel/x", current, "/games/world.qel", "dir.qel/x", true);
    expectResolved("qel://world.qel/grass.png", "/games//maps/../world.qel", "/games/world.qel", "grass.png",
                   true);
}

TEST(Internal, ResolvesRelativeURIsAgainstTheCurrentFolderWhenNoneIsOpen)
{
    expectResolved("qel://world.qel/grass.png", "", cwd() + "/world.qel", "grass.png", false);
    expectResolved("qel://world.qel/grass.png", nullptr, cwd() + "/world.qel", "grass.png", false);
    expectResolved("qel://world.qel/grass.png", "rel/world.qel", cwd() + "/rel/world.qel", "grass.png", true);
}

TEST(Internal, RefusesMalformedURIs)
{
    for (const char* bad : {"qel://world.qel/", "qel://world.qel", "qel://noarchive/x", "qel://", "qel:///",
                            "http://world.qel/x", "world.qel/x", "", static_cast<const char*>(nullptr)}) {
        const Resolved r = resolve(bad, "/games/world.qel");
        EXPECT_EQ(r.result, Zelkoran::RC_ERR_INVALID) << (bad ? bad : "null");
        EXPECT_EQ(r.archive, "");
        EXPECT_EQ(r.resource, "");
        EXPECT_FALSE(r.same);
    }
}

TEST(InternalDeathTest, FatalErrorLogsAndExitsWithOne)
{
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("fatal_" + std::to_string(getpid()) + ".log");
    EXPECT_EXIT(
        {
            Zelkoran::LogMgr logs;
            logs.get(0)->init("FatalTest", 5, 0, file.c_str(), "", "", "");
            Internal::fatalError("Disk on fire", "sector 7", 12);
        },
        testing::ExitedWithCode(1), "Fatal error: Disk on fire - sector 7 \\(code 12\\)");
    std::ifstream in(file);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find("\n [Zelkoran] Fatal error: Disk on fire - sector 7 (code 12)\n"), std::string::npos)
        << log.str();
    std::filesystem::remove(file);

    EXPECT_EXIT(Internal::fatalError("Widget missing", nullptr, 0), testing::ExitedWithCode(1),
                "Fatal error: Widget missing \\(code 0\\)");
}
