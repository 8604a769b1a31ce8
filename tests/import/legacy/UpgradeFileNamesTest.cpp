#include "import/legacy/LegacyQELUpgrade.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

using LegacyQELUpgradeInternal::getBackupFilename;
using LegacyQELUpgradeInternal::getUniqueFilename;
using Zelkoran::String;

TEST(UpgradeFileNames, BackupNameReplacesTheFileNamesExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"dir/game.qel", "dir/game.backup.qel"},
        {"dir/game", "dir/game.backup.qel"},
        {"my.dir/game", "my.dir/game.backup.qel"},
        {"my.dir/game.qel", "my.dir/game.backup.qel"},
        {"game.v2.qel", "game.v2.backup.qel"},
        {"", ".backup.qel"},
        {"dir\\game.qel", "dir\\game.backup.qel"},
        {"my.dir\\game", "my.dir\\game.backup.qel"},
        {"/abs/.hidden", "/abs/.backup.qel"},
    };
    for (const auto& [path, backup] : cases)
        EXPECT_EQ(getBackupFilename(String(path)), backup) << "for " << path;
}

class UniqueFilename : public ::testing::Test {
protected:
    void touch(const std::string& name) { TestFolder::write(dir.path(name), {1}); }
    std::string unique(const std::string& name) { return getUniqueFilename(String(dir.path(name).c_str())).c_str(); }
    TestFolder dir;
};

TEST_F(UniqueFilename, ThePathItselfWhenFree)
{
    touch("a.bak.qel");
    EXPECT_EQ(unique("a.qel"), dir.path("a.qel"));
}

TEST_F(UniqueFilename, CountsUpFromBakThenBak2)
{
    touch("a.qel");
    EXPECT_EQ(unique("a.qel"), dir.path("a.bak.qel"));
    touch("a.bak.qel");
    EXPECT_EQ(unique("a.qel"), dir.path("a.bak2.qel"));
    touch("a.bak2.qel");
    touch("a.bak3.qel");
    EXPECT_EQ(unique("a.qel"), dir.path("a.bak4.qel"));
}

TEST_F(UniqueFilename, SplitsAtTheLastDotOfTheFileNameOnly)
{
    touch("game.qel.upgrade.tmp.qel");
    EXPECT_EQ(unique("game.qel.upgrade.tmp.qel"), dir.path("game.qel.upgrade.tmp.bak.qel"));

    std::filesystem::create_directory(dir.path("my.dir"));
    touch("my.dir/game");
    EXPECT_EQ(unique("my.dir/game"), dir.path("my.dir/game.bak"));
}

} // namespace
