// Each step of the upgrade made to fail: the QELv1 file must come out
// unchanged and no temporary or backup file may stay behind.
#include "support/FileFaults.h"
#include "import/legacy/UpgradeFixture.h"

namespace {

using qelv1::Bytes;
using qelv1::bytesOf;
using qelv1::Writer;

Writer twoBlocks()
{
    Writer w;
    w.add(qelv1::raw("ZK7_FILE", "first", bytesOf("first block")))
        .add(qelv1::encrypted("ZK7_FILE", "second", bytesOf("second block, encrypted")));
    return w;
}

class UpgradeFailure : public UpgradeTest {
protected:
    void SetUp() override
    {
        path = write(twoBlocks());
        original = TestFolder::read(path);
    }

    void expectOriginalAlone()
    {
        EXPECT_EQ(TestFolder::read(path), original);
        expectFolderHolds({"game.qel"});
    }

    FileFaults::Scope faults;
    std::string path;
    Bytes original;
};

// Stream reads in order: 1 detection, 2 magic again, 3 header, 4 index,
// 5 the first block.
TEST_F(UpgradeFailure, ReadingSteps)
{
    struct Step {
        const char* what;
        void (*inject)(const std::string& path);
        int code;
    };
    const Step steps[] = {
        {"second opening", [](const std::string& p) { FileFaults::failOpen(p, 2); }, LQR_OPEN},
        {"seek to the start", [](const std::string& p) { FileFaults::failSeek(p, SEEK_SET, 0); }, LQR_SEEK_START},
        {"magic read again", [](const std::string& p) { FileFaults::failRead(p, 2); }, LQR_READ_MAGIC},
        {"header read", [](const std::string& p) { FileFaults::failRead(p, 3); }, LQR_READ_HEADER},
        {"index read", [](const std::string& p) { FileFaults::failRead(p, 4); }, LQR_READ_INDEX},
        {"file size", [](const std::string& p) { FileFaults::failSeek(p, SEEK_END); }, LQR_FILE_SIZE},
        {"seek to a block", [](const std::string& p) { FileFaults::failSeek(p, SEEK_SET, 264 + 2 * 128); },
         LQR_SEEK_BLOCK},
        {"block read", [](const std::string& p) { FileFaults::failRead(p, 5); }, LQR_READ_BLOCK},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        FileFaults::reset();
        step.inject(path);
        EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), failed(step.code));
        expectOriginalAlone();
    }
    // The read count above matches the reader.
    FileFaults::reset();
    FileFaults::failRead(path, 100);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);
    EXPECT_EQ(FileFaults::readCount(path), 6);
}

TEST_F(UpgradeFailure, ADetectionThatCannotReadIsNotQELv1)
{
    FileFaults::failRead(path, 1);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), kNotQELv1);
    expectOriginalAlone();
}

TEST_F(UpgradeFailure, ATemporaryFileThatCannotBeCreated)
{
    // 245 characters fit a file name, the temporary name's 261 do not.
    const std::string longName = std::string(241, 'n') + ".qel";
    const std::string longPath = write(twoBlocks(), longName);
    std::filesystem::remove(path);
    const UpgradeOutcome o = upgrade(longPath, "", LQEB_STORE_RAW);
    EXPECT_LT(o.result, 0);
    EXPECT_NE(o.result, -477);
    EXPECT_FALSE(o.upgraded);
    EXPECT_EQ(TestFolder::read(longPath), original);
    expectFolderHolds({longName});
}

TEST_F(UpgradeFailure, AKeyTheNewArchiveRefuses)
{
    const UpgradeOutcome o = upgrade(path, std::string(33, 'k'), LQEB_KEEP_ENCRYPTED);
    EXPECT_LT(o.result, 0);
    EXPECT_NE(o.result, -477);
    EXPECT_FALSE(o.upgraded || o.needKey || o.hasEncryptedBlocks);
    expectOriginalAlone();
}

TEST_F(UpgradeFailure, ABlockTheNewArchiveRefuses)
{
    Writer w = twoBlocks();
    w.add(qelv1::raw("ZK7_FILE", "", bytesOf("a block without a name")));
    path = write(w);
    original = TestFolder::read(path);
    const UpgradeOutcome o = upgrade(path, "", LQEB_STORE_RAW);
    EXPECT_LT(o.result, 0);
    EXPECT_NE(o.result, -477);
    EXPECT_FALSE(o.upgraded || o.needKey || o.hasEncryptedBlocks);
    expectOriginalAlone();
}

TEST_F(UpgradeFailure, MovingTheOriginalToItsBackupName)
{
    FileFaults::failRenameFrom(path);
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), failed(LQR_BACKUP_RENAME));
    expectOriginalAlone();
}

TEST_F(UpgradeFailure, MovingTheNewFileIntoPlacePutsTheOriginalBack)
{
    FileFaults::failRenameFrom(path + ".upgrade.tmp.qel");
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), failed(LQR_REPLACE_RENAME));
    expectOriginalAlone();
}

TEST_F(UpgradeFailure, WhenTheOriginalCannotBePutBackItStaysUnderTheBackupName)
{
    FileFaults::failRenameFrom(path + ".upgrade.tmp.qel");
    FileFaults::failRenameFrom(dir.path("game.backup.qel"));
    EXPECT_EQ(upgrade(path, "", LQEB_STORE_RAW), failed(LQR_REPLACE_RENAME));
    EXPECT_EQ(TestFolder::read(dir.path("game.backup.qel")), original);
    expectFolderHolds({"game.backup.qel"});
}

} // namespace
