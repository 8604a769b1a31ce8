// Each step of the legacy block migration made to fail: the archive file
// must come out unchanged, a backup copy that failed must not stay behind,
// and the caller must get the archive back open or a code to close it.
#include "core/FileIO.h"
#include "support/FileFaults.h"
#include "import/legacy/LegacyBlocks.h"
#include "import/legacy/LegacyQELUpgrade.h"
#include "support/LogCapture.h"
#include "support/TestFolder.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using legacy::Bytes;
using Zelkoran::Main;
using Zelkoran::IoOp;

class MigrationFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.path("game.qel");
        backup = dir.path("game.backup.qel");
        // Full, so the sound block makes the migration resize it; larger
        // than one copy chunk.
        legacy::buildQELv2(path,
                           {{"big", "ZK7_FILE", Bytes(100000, 0x5E)},
                            {"beep", "ZK7_SOUND", legacy::audioBlock("wav", legacy::wav(40))},
                            {"serif", "ZK7_FONT", legacy::font(10, 1, 2, "Serif")}},
                           3);
        original = TestFolder::read(path);
        id = Main::instance()->archiveMgr()->load(path.c_str(), nullptr, 0);
        ASSERT_GT(id, 0);
    }

    void TearDown() override
    {
        Zelkoran::setFaultHook(nullptr);
        Main::instance()->archiveMgr()->closeAll();
    }

    int migrate() { return upgradeLegacyQELBlocks(Zelkoran::String(path.c_str()), id, nullptr, 0); }

    bool isOpen() const { return Main::instance()->archiveMgr()->get(id) != nullptr; }

    std::string path, backup;
    Bytes original;
    int id = 0;
    TestFolder dir;
    TestFolder logDir;
    FileFaults::Scope faults;
};

// What the engine's fault hook returns to let an operation run.
constexpr int64_t kRun = INT64_MAX;

std::string hex(int code)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(code));
    return text;
}

TEST_F(MigrationFailure, ABackupCopyThatFailsLeavesNothingBehindAndTheArchiveOpen)
{
    struct Step {
        const char* what;
        void (*inject)(const std::string& path, const std::string& backup);
        int code;
    };
    const Step steps[] = {
        {"opening the archive file", [](const std::string& p, const std::string&) { FileFaults::failOpen(p, 1); },
         LQR_COPY_SOURCE},
        {"creating the backup", [](const std::string&, const std::string& b) { FileFaults::failOpen(b, 1); },
         LQR_COPY_TARGET},
        {"the copy buffer",
         [](const std::string&, const std::string&) { FileFaults::failAllocation(65536, 65536 + 64); },
         LQR_COPY_MEMORY},
        {"writing the backup", [](const std::string&, const std::string& b) { FileFaults::failWrite(b, 1); },
         LQR_COPY_WRITE},
        {"reading the archive file", [](const std::string& p, const std::string&) { FileFaults::failRead(p, 2); },
         LQR_COPY_READ},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        FileFaults::reset();
        LogCapture log(logDir.path("migration.log"));
        step.inject(path, backup);

        EXPECT_EQ(migrate(), step.code);

        FileFaults::reset();
        EXPECT_TRUE(isOpen());
        EXPECT_EQ(TestFolder::read(path), original);
        EXPECT_EQ(dir.list(), (std::set<std::string>{"game.qel"}));
        const std::string text = log.text();
        EXPECT_NE(text.find("  Error: Failed to create backup (error 0x" + hex(step.code) + "). Aborting.\n"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find("Starting migration"), std::string::npos) << text;
    }
}

TEST_F(MigrationFailure, AReopeningThatFailsAfterTheBackupChangesNothing)
{
    FileFaults::failArchiveOpen(path, 1);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(), Zelkoran::RC_ERR_IO);

    FileFaults::reset();
    EXPECT_EQ(id, Zelkoran::RC_ERR_IO);
    EXPECT_EQ(TestFolder::read(path), original);
    EXPECT_EQ(TestFolder::read(backup), original);
    EXPECT_NE(log.text().find("  Error: Failed to reopen QEL after backup.\n"), std::string::npos);
}

TEST_F(MigrationFailure, AResizeThatFailsChangesNothingAndReopensTheArchive)
{
    Zelkoran::setFaultHook([](IoOp op, uint64_t, size_t) { return op == IoOp::Write ? -1 : kRun; });
    LogCapture log(logDir.path("migration.log"));

    const int rc = migrate();

    Zelkoran::setFaultHook(nullptr);
    EXPECT_LT(rc, 0);
    EXPECT_TRUE(isOpen());
    EXPECT_EQ(TestFolder::read(path), original);
    const std::string text = log.text();
    EXPECT_NE(text.find("  Error: Could not resize the QEL before audio migration (error 0x" + hex(rc) + ").\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("'beep'"), std::string::npos) << text;
}

TEST_F(MigrationFailure, AReopeningThatFailsAfterTheResizePutsTheOriginalBack)
{
    FileFaults::failOpenAfterRenameTo(path);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(), Zelkoran::RC_ERR_IO);

    FileFaults::reset();
    EXPECT_EQ(TestFolder::read(path), original);
    EXPECT_EQ(dir.list(), (std::set<std::string>{"game.qel"}));
    const std::string text = log.text();
    EXPECT_NE(text.find("  Error: Failed to reopen QEL after automatic resize.\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  QEL file restored from the backup " + backup + ".\n"), std::string::npos) << text;
}

// The legacy block stays when it cannot be deleted after its track was
// saved; the block still counts as migrated.
TEST_F(MigrationFailure, ALegacyBlockThatCannotBeDeletedStaysBesideItsTrack)
{
    // An archive with free slots: no resize writes in between.
    Main::instance()->archiveMgr()->close(id);
    legacy::buildQELv2(path = dir.path("roomy.qel"),
                       {{"beep", "ZK7_SOUND", legacy::audioBlock("wav", legacy::wav(40))},
                        {"serif", "ZK7_FONT", legacy::font(10, 1, 2, "Serif")}});
    id = Main::instance()->archiveMgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    // The track's data is the only write as large as the sound block's
    // payload; its commit ends with the header write at offset 0. The
    // write after that is the deletion's.
    enum { kWaitingForTrack, kWaitingForCommit, kFailNext, kDone } stage = kWaitingForTrack;
    const size_t payload = legacy::wav(40).size();
    Zelkoran::setFaultHook([&](IoOp op, uint64_t offset, size_t length) -> int64_t {
        if (op != IoOp::Write)
            return kRun;
        if (stage == kWaitingForTrack && length >= payload)
            stage = kWaitingForCommit;
        else if (stage == kWaitingForCommit && offset == 0)
            stage = kFailNext;
        else if (stage == kFailNext) {
            stage = kDone;
            return -1;
        }
        return kRun;
    });
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(), 2);

    Zelkoran::setFaultHook(nullptr);
    Zelkoran::Archive* archive = Main::instance()->archiveMgr()->get(id);
    ASSERT_NE(archive, nullptr);
    Zelkoran::Archive::Block sound("beep", "ZK7_SOUND");
    Zelkoran::Archive::Block track("beep", "ZK7_AUDIOTRACK");
    EXPECT_GE(archive->blockSearch(sound), 0);
    EXPECT_GE(archive->blockSearch(track), 0);
    const std::string text = log.text();
    EXPECT_NE(text.find("\n  'beep' (ZK7_SOUND):  Warning: Could not delete legacy block (error 0xFFFFFFFB). "
                        "Block duplicated.\n  Migrated to ZK7_AUDIOTRACK (ATT_SFX).\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n  Migration complete: 2 successful, 0 failed.\n"), std::string::npos) << text;
}

} // namespace
