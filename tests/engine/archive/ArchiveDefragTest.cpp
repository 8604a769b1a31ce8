#include "ArchiveTestUtil.h"
#include "IndependentReader.h"

#include <Zelkoran/Result.h>

#include "core/FileIO.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace testutil;
using Zelkoran::Archive;

namespace {

class ArchiveDefrag : public ::testing::Test {
protected:
    void TearDown() override { mgr()->closeAll(); }
    ScratchDir dir;
};

// The archive is reached through a link: the file it points to is the one
// rewritten, and the link stays, so later changes through it reach it.
TEST_F(ArchiveDefrag, ThroughASymbolicLinkRewritesItsTargetAndKeepsTheLink)
{
    const struct {
        const char* label;
        const char* linkText; // what the link at dir/game.qel holds
        const char* hop;      // a link between, when not null
    } rows[] = {
        {"relative link", "store/real.qel", nullptr},
        {"absolute link", "", nullptr},
        {"link to a link", "hop.qel", "store/real.qel"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ScratchDir here;
        std::filesystem::create_directory(here.file("store"));
        const std::string target = here.file("store/real.qel");
        const std::string link = here.file("game.qel");
        std::filesystem::create_symlink(row.linkText[0] ? row.linkText : target.c_str(), link);
        if (row.hop)
            std::filesystem::create_symlink(row.hop, here.file("hop.qel"));
        int id = mgr()->create(target.c_str(), 0);
        ASSERT_GT(id, 0);
        ASSERT_EQ(add(mgr()->get(id), "kept", "ZK7_FILE", textBytes("kept")), 0);
        ASSERT_EQ(add(mgr()->get(id), "gone", "ZK7_FILE", randomBytes(5000, 1)), 0);
        ASSERT_EQ(mgr()->get(id)->blockDelete(Archive::Block("gone", "ZK7_FILE")), 0);
        mgr()->close(id);

        ASSERT_EQ(mgr()->defrag(link.c_str(), 0, nullptr, 0), 0);
        ASSERT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), row.linkText[0] ? row.linkText : target);
        id = mgr()->load(link.c_str(), nullptr, 0);
        ASSERT_GT(id, 0);
        EXPECT_EQ(mgr()->get(id)->getIndexCount(), 1);
        EXPECT_EQ(add(mgr()->get(id), "later", "ZK7_FILE", textBytes("later")), 0);
        mgr()->close(id);
        id = mgr()->load(target.c_str(), nullptr, 0);
        ASSERT_GT(id, 0);
        Bytes later;
        EXPECT_EQ(load(mgr()->get(id), "later", "ZK7_FILE", later), 0);
        mgr()->close(id);
        // Read as the page describes it, the target holds both live blocks.
        const independent::Archive read = independent::read(target, "");
        ASSERT_EQ(read.error, "");
        std::vector<std::string> live;
        for (const independent::Block& b : read.blocks)
            if (!b.deleted)
                live.push_back(b.name + "=" + std::string(b.data.begin(), b.data.end()));
        EXPECT_EQ(live, (std::vector<std::string>{"kept=kept", "later=later"}));
    }
}

TEST_F(ArchiveDefrag, DropsDeletedEntriesAndKeepsLiveData)
{
    std::string path = dir.file("frag.qel");
    int id = mgr()->create(path.c_str(), 50);
    Archive* a = mgr()->get(id);
    std::vector<Bytes> data;
    for (int i = 0; i < 30; ++i) {
        data.push_back(randomBytes(1000 + i * 37, i));
        ASSERT_EQ(add(a, "b" + std::to_string(i), "ZK7_FILE", data.back(), 1 + i % 2), 0);
    }
    for (int i = 0; i < 30; i += 3)
        ASSERT_EQ(a->blockDelete(Archive::Block(("b" + std::to_string(i)).c_str(), "ZK7_FILE")), 0);
    float before = a->getFragmentation();
    EXPECT_GT(before, 0.0f);
    auto sizeBefore = std::filesystem::file_size(path);
    mgr()->close(id);

    EXPECT_EQ(mgr()->defrag(path.c_str(), 19, nullptr, 0), Zelkoran::RC_ERR_NO_SLOT);
    ASSERT_EQ(mgr()->defrag(path.c_str(), 0, nullptr, 0), 0);
    EXPECT_LT(std::filesystem::file_size(path), sizeBefore);

    id = mgr()->load(path.c_str(), nullptr, 0);
    a = mgr()->get(id);
    EXPECT_EQ(a->getBlockLimit(), 50);
    EXPECT_EQ(a->getIndexCount(), 20);
    EXPECT_EQ(a->getBlockCount(), 20);
    EXPECT_EQ(a->getFragmentation(), 0.0f);
    for (int i = 0; i < 30; ++i) {
        Bytes out;
        int rc = load(a, "b" + std::to_string(i), "ZK7_FILE", out);
        if (i % 3 == 0) {
            EXPECT_EQ(rc, Zelkoran::RC_ERR_NOT_FOUND);
        } else {
            ASSERT_EQ(rc, 0);
            EXPECT_EQ(out, data[static_cast<size_t>(i)]);
        }
    }
    EXPECT_EQ(mgr()->validate(id, true), 0);
    mgr()->close(id);

    // Enlarging only: the limit changes, nothing else.
    ASSERT_EQ(mgr()->defrag(path.c_str(), 20 + 1024, nullptr, 0), 0);
    id = mgr()->load(path.c_str(), nullptr, 0);
    EXPECT_EQ(mgr()->get(id)->getBlockLimit(), 1044);
    EXPECT_EQ(mgr()->get(id)->getBlockCount(), 20);
}

TEST_F(ArchiveDefrag, LeavesNoTemporaryFiles)
{
    std::string path = dir.file("clean.qel");
    int id = mgr()->create(path.c_str(), 10);
    add(mgr()->get(id), "a", "ZK7_FILE", textBytes("a"));
    mgr()->close(id);
    ASSERT_EQ(mgr()->defrag(path.c_str(), 0, nullptr, 0), 0);
    EXPECT_EQ(mgr()->defrag(dir.file("missing.qel").c_str(), 0, nullptr, 0), Zelkoran::RC_ERR_NOT_FOUND);
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

// The file being replaced is not flushed: its pages would only slow the
// rename down (and a clean archive has none to flush).
TEST_F(ArchiveDefrag, OnlyTheNewFileIsFlushed)
{
    const std::string path = dir.file("flush.qel");
    int id = mgr()->create(path.c_str(), 8);
    ASSERT_EQ(add(mgr()->get(id), "b", "ZK7_FILE", randomBytes(5000, 1)), 0);
    mgr()->close(id);
    int flushes = 0;
    Zelkoran::setWriteTap([&](Zelkoran::IoOp op, uint64_t, uint64_t, const void*, size_t) {
        flushes += op == Zelkoran::IoOp::Sync;
    });
    EXPECT_EQ(mgr()->defrag(path.c_str(), 0, nullptr, 0), 0);
    Zelkoran::setWriteTap(nullptr);
    EXPECT_EQ(flushes, 1);
}

// What a killed defrag or create left beside the archive goes at the next
// open or defrag; a rewrite still running (its file locked) is left alone.
TEST_F(ArchiveDefrag, LeftoversOfAKilledRewriteAreRemoved)
{
    const std::string path = dir.file("left.qel");
    ASSERT_GT(mgr()->create(path.c_str(), 8), 0);
    mgr()->closeAll();
    struct Case {
        std::string suffix;
        bool held, removed;
    };
    const Case cases[] = {{".defrag-0123abcd", false, true}, {".new-89abcdef", false, true},
                          {".defrag-fedcba98", true, false}, {".defrag-notours1", false, false},
                          {".defrag-0123abcd.bak", false, false}};
    for (bool byDefrag : {false, true}) {
        std::vector<int> locks;
        for (const Case& c : cases) {
            writeFile(path + c.suffix, textBytes("partial"));
            if (c.held) {
                locks.push_back(::open((path + c.suffix).c_str(), O_RDONLY));
                ASSERT_EQ(::flock(locks.back(), LOCK_EX), 0);
            }
        }
        if (byDefrag) {
            ASSERT_EQ(mgr()->defrag(path.c_str(), 0, nullptr, 0), 0);
        } else {
            ASSERT_GT(mgr()->load(path.c_str(), nullptr, 0), 0);
            mgr()->closeAll();
        }
        for (const Case& c : cases)
            EXPECT_EQ(std::filesystem::exists(path + c.suffix), !c.removed) << c.suffix << " by defrag " << byDefrag;
        for (int fd : locks)
            ::close(fd);
    }
}

// Growing the index leaves no old table behind: an archive built one block
// at a time stays near the size of its defragged copy, and its grown index
// reads back whole and is checked like the rest of the index.
TEST_F(ArchiveDefrag, AnArchiveBuiltOneByOneStaysNearItsDefraggedSize)
{
    for (int blocks : {1025, 4000}) { // just past a growth, and after several
        const std::string path = dir.file("built" + std::to_string(blocks) + ".qel");
        int id = mgr()->create(path.c_str(), 20000);
        Archive* a = mgr()->get(id);
        a->setDurable(false);
        for (int i = 0; i < blocks; ++i)
            ASSERT_EQ(add(a, "b" + std::to_string(i), "ZK7_FILE", randomBytes(64, static_cast<uint32_t>(i))), 0);
        mgr()->close(id);
        const auto built = std::filesystem::file_size(path);
        const std::string packed = path + ".packed";
        std::filesystem::copy_file(path, packed);
        ASSERT_EQ(mgr()->defrag(packed.c_str(), 0, nullptr, 0), 0);
        EXPECT_LE(double(built), 1.25 * double(std::filesystem::file_size(packed))) << blocks;

        id = mgr()->load(path.c_str(), nullptr, 0);
        ASSERT_GT(id, 0) << blocks;
        a = mgr()->get(id);
        EXPECT_EQ(a->getBlockCount(), blocks);
        for (int i : {0, 1023, 1024, blocks - 1}) {
            Bytes out;
            ASSERT_EQ(load(a, "b" + std::to_string(i), "ZK7_FILE", out), 0) << i;
            EXPECT_EQ(out, randomBytes(64, static_cast<uint32_t>(i))) << i;
        }
        EXPECT_EQ(mgr()->validate(id, true), 0) << blocks;
        mgr()->close(id);

        // Where the slots lie is checked: a byte of it changed is damage.
        Bytes file = readFile(path);
        const auto u64At = [&file](size_t at) {
            uint64_t v = 0;
            for (size_t i = 0; i < 8; ++i)
                v |= uint64_t(file[at + i]) << (8 * i);
            return v;
        };
        const size_t record = u64At(288 + 8) > u64At(64 + 8) ? 288 : 64;
        file[u64At(record + 24) + 9] ^= 1;
        writeFile(path, file);
        EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0), Zelkoran::RC_ERR_CORRUPT) << blocks;
    }
}

} // namespace
