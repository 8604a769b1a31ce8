#include "ArchiveTestUtil.h"

#include <Zelkoran/Result.h>

#include <cstring>
#include <gtest/gtest.h>

#include <functional>

using namespace testutil;
using Zelkoran::Archive;

namespace {

uint64_t le(const Bytes& b, size_t at, size_t width)
{
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(b[at + i]) << (8 * i);
    return v;
}

class ArchiveBasics : public ::testing::Test {
protected:
    void TearDown() override { mgr()->closeAll(); }
    ScratchDir dir;
};

TEST_F(ArchiveBasics, NewFileHasTheFixedHeader)
{
    std::string path = dir.file("new.qel");
    int id = mgr()->create(path.c_str(), 0);
    ASSERT_GT(id, 0);
    Archive* a = mgr()->get(id);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->getBlockLimit(), Zelkoran::ArchiveMgr::kDefaultBlockLimit);
    EXPECT_EQ(a->getIndexCount(), 0);
    EXPECT_EQ(a->getFragmentation(), 0.0f);
    EXPECT_STREQ(a->getName(), path.c_str());
    mgr()->close(id);

    Bytes file = readFile(path);
    ASSERT_GE(file.size(), 512u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 8), "ZK7QELv2");
    EXPECT_EQ(le(file, 8, 2), 2u);
    EXPECT_EQ(le(file, 10, 2), 0u);
    EXPECT_EQ(le(file, 12, 4), 512u);
    EXPECT_EQ(le(file, 16, 4), 256u);
    EXPECT_EQ(le(file, 20, 8), 0u);
}

TEST_F(ArchiveBasics, EveryModeRoundTripsAndPersists)
{
    std::string path = dir.file("modes.qel");
    int id = mgr()->create(path.c_str(), 100);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(a->setKey("secret", 6), 0);
    std::vector<Bytes> payloads = {Bytes{}, Bytes{42}, textBytes("hello archive"), randomBytes(300000, 7),
                                   Bytes(1 << 20, 'z')};
    for (uint32_t mode = 1; mode <= 4; ++mode)
        for (size_t i = 0; i < payloads.size(); ++i)
            ASSERT_EQ(add(a, "b" + std::to_string(mode) + "_" + std::to_string(i), "ZK7_FILE", payloads[i], mode), 0)
                << "mode " << mode << " payload " << i;
    EXPECT_EQ(a->getBlockCount(), 20);
    EXPECT_TRUE(a->isEncryptedBlocks());
    EXPECT_FALSE(a->isEncrypted());

    auto check = [&](Archive* arc) {
        for (uint32_t mode = 1; mode <= 4; ++mode)
            for (size_t i = 0; i < payloads.size(); ++i) {
                Bytes out;
                std::string name = "b" + std::to_string(mode) + "_" + std::to_string(i);
                ASSERT_EQ(load(arc, name, "ZK7_FILE", out), 0) << name;
                EXPECT_EQ(out, payloads[i]) << name;
                Archive::Block b;
                ASSERT_EQ(arc->blockAt(arc->blockSearch(Archive::Block(name.c_str(), "ZK7_FILE")), b), 0);
                EXPECT_EQ(b.storage, mode);
                EXPECT_EQ(b.size, payloads[i].size());
            }
    };
    check(a);
    // Compression really happened for the compressible block.
    for (const char* name : {"b2_4", "b4_4"}) {
        Archive::Block big;
        a->blockAt(a->blockSearch(Archive::Block(name, "ZK7_FILE")), big);
        EXPECT_LT(big.storedSize, big.size / 100) << name;
    }

    mgr()->close(id);
    id = mgr()->load(path.c_str(), "secret", 6);
    ASSERT_GT(id, 0);
    check(mgr()->get(id));
    EXPECT_EQ(mgr()->validate(id, true), 0);
}

TEST_F(ArchiveBasics, SearchMatchesNameAndTypeOverSixteenBytes)
{
    int id = mgr()->create(dir.file("s.qel").c_str(), 10);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(add(a, "hero", "ZK7_IMAGE", textBytes("img")), 0);
    ASSERT_EQ(add(a, "hero", "ZK7_SPRITE", textBytes("spr")), 0);
    EXPECT_EQ(a->getBlockCount(), 2);

    Bytes out;
    ASSERT_EQ(load(a, "hero", "ZK7_SPRITE", out), 0);
    EXPECT_EQ(out, textBytes("spr"));
    EXPECT_EQ(a->blockSearch(Archive::Block("hero", "ZK7_FONT")), Zelkoran::RC_ERR_NOT_FOUND);
    EXPECT_GE(a->blockSearch(Archive::Block("hero", "")), 0); // by name alone
    EXPECT_EQ(a->blockSearch(Archive::Block("her", "ZK7_IMAGE")), Zelkoran::RC_ERR_NOT_FOUND);

    // A type filling all 16 bytes (no terminator) still matches exactly.
    Archive::Block full;
    std::strcpy(full.name, "long");
    std::memcpy(full.type, "ABCDEFGHIJKLMNOP", 16);
    Bytes data = textBytes("x");
    full.data = data.data();
    full.size = 1;
    ASSERT_EQ(a->blockAdd(full), 0);
    EXPECT_GE(a->blockSearch(full), 0);
    Archive::Block listed;
    ASSERT_EQ(a->blockAt(2, listed), 0);
    EXPECT_EQ(std::memcmp(listed.type, "ABCDEFGHIJKLMNOP", 16), 0);
}

// A search by name alone finds, of the live blocks with that name, the one
// first in the index, whatever happened to the others.
TEST_F(ArchiveBasics, SearchByNameAloneFindsTheFirstLiveBlockInIndexOrder)
{
    int id = mgr()->create(dir.file("n.qel").c_str(), 10);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(add(a, "hero", "ZK7_XML", textBytes("xml")), 0);    // 0
    ASSERT_EQ(add(a, "hero", "ZK7_IMAGE", textBytes("img")), 0);  // 1
    ASSERT_EQ(add(a, "hero", "ZK7_SPRITE", textBytes("spr")), 0); // 2
    const Archive::Block byName("hero", "");
    struct Step {
        std::function<int()> change;
        int found;
    };
    const Step steps[] = {
        {[] { return 0; }, 0},
        {[&] { return a->blockDelete(Archive::Block("hero", "ZK7_XML")); }, 1},
        {[&] { return a->blockDelete(Archive::Block("hero", "ZK7_IMAGE")); }, 2},
        {[&] { return a->blockUndelete(1, nullptr); }, 1},
        {[&] { return a->blockUndelete(0, nullptr); }, 0},
    };
    for (const Step& step : steps) {
        ASSERT_EQ(step.change(), 0);
        EXPECT_EQ(a->blockSearch(byName), step.found);
    }
    mgr()->close(id);
    id = mgr()->load(dir.file("n.qel").c_str(), nullptr, 0);
    EXPECT_EQ(mgr()->get(id)->blockSearch(byName), 0);
}

// A cut name could name another block: names and types that do not fit are
// refused whole, never cut (nor split inside a UTF-8 character).
TEST_F(ArchiveBasics, NamesAndTypesThatDoNotFitAreRefusedNeverCut)
{
    int id = mgr()->create(dir.file("n.qel").c_str(), 10);
    Archive* a = mgr()->get(id);
    const std::string euro = "\xE2\x82\xAC"; // three bytes
    struct Case {
        std::string name, type;
        int expected;
    };
    const Case cases[] = {
        {std::string(63, 'n'), "ZK7_FILE", 0},
        {std::string(61, 'e') + euro.substr(0, 2), "ZK7_FILE", 0}, // what a cut would have made
        {std::string(61, 'e') + euro, "ZK7_FILE", Zelkoran::RC_ERR_INVALID},
        {std::string(64, 'n'), "ZK7_FILE", Zelkoran::RC_ERR_INVALID},
        {std::string(200, 'n'), "ZK7_FILE", Zelkoran::RC_ERR_INVALID},
        {"sixteen", "ZK7_SIXTEEN_TYPE", 0},
        {"seventeen", "ZK7_SEVENTEEN_TYP", Zelkoran::RC_ERR_INVALID},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(add(a, c.name, c.type, textBytes(c.name)), c.expected) << c.name.size() << " " << c.type;
        Archive::Block block(c.name.c_str(), c.type.c_str());
        Bytes out;
        EXPECT_EQ(a->blockSearch(block) >= 0, c.expected == 0) << c.name.size();
        if (c.expected != 0) {
            EXPECT_EQ(load(a, c.name, c.type, out), c.expected);
        }
    }
    // The cut-looking name is its own block, not the long one's.
    Bytes out;
    ASSERT_EQ(load(a, std::string(61, 'e') + euro.substr(0, 2), "ZK7_FILE", out), 0);
    EXPECT_EQ(out, textBytes(std::string(61, 'e') + euro.substr(0, 2)));
    EXPECT_EQ(a->getBlockCount(), 3);

    // A name field filled to the last byte has no terminator: refused.
    Archive::Block raw;
    std::memset(raw.name, 'n', sizeof(raw.name));
    std::strcpy(raw.type, "ZK7_FILE");
    raw.data = out.data();
    raw.size = out.size();
    EXPECT_EQ(a->blockAdd(raw), Zelkoran::RC_ERR_INVALID);
}

TEST_F(ArchiveBasics, RejectsBadArguments)
{
    int id = mgr()->create(dir.file("bad.qel").c_str(), 10);
    Archive* a = mgr()->get(id);
    Bytes data = textBytes("x");
    EXPECT_EQ(add(a, "", "ZK7_FILE", data), Zelkoran::RC_ERR_INVALID);
    EXPECT_EQ(add(a, "n", "", data), Zelkoran::RC_ERR_INVALID);
    EXPECT_EQ(add(a, "n", "ZK7_FILE", data, 5), Zelkoran::RC_ERR_INVALID);
    Archive::Block nullData("n", "ZK7_FILE");
    nullData.size = 5;
    EXPECT_EQ(a->blockAdd(nullData), Zelkoran::RC_ERR_INVALID);
    EXPECT_EQ(a->getIndexCount(), 0);
    Archive::Block b;
    EXPECT_EQ(a->blockAt(0, b), Zelkoran::RC_ERR_NOT_FOUND);
    EXPECT_EQ(a->blockAt(-1, b), Zelkoran::RC_ERR_NOT_FOUND);
    EXPECT_EQ(mgr()->get(id + 100), nullptr);
    EXPECT_EQ(mgr()->close(id + 100), Zelkoran::RC_ERR_NOT_FOUND);
    EXPECT_EQ(mgr()->create(dir.file("x.qel").c_str(), -1), Zelkoran::RC_ERR_INVALID);
    EXPECT_EQ(mgr()->load(dir.file("missing.qel").c_str(), nullptr, 0), Zelkoran::RC_ERR_NOT_FOUND);
}

TEST_F(ArchiveBasics, LimitCountsLiveBlocksOnly)
{
    int id = mgr()->create(dir.file("limit.qel").c_str(), 3);
    Archive* a = mgr()->get(id);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(add(a, "b" + std::to_string(i), "ZK7_FILE", textBytes("v1")), 0);
    EXPECT_EQ(add(a, "b3", "ZK7_FILE", textBytes("v1")), Zelkoran::RC_ERR_NO_SLOT);
    // Replacing needs no new slot, even when full.
    EXPECT_EQ(add(a, "b0", "ZK7_FILE", textBytes("v2")), 0);
    EXPECT_EQ(a->getBlockCount(), 3);
    EXPECT_EQ(a->getIndexCount(), 4);
    // Deleting frees a slot: free = limit - live.
    ASSERT_EQ(a->blockDelete(Archive::Block("b1", "ZK7_FILE")), 0);
    EXPECT_EQ(a->getBlockLimit() - a->getBlockCount(), 1);
    EXPECT_EQ(add(a, "b3", "ZK7_FILE", textBytes("v1")), 0);
    // Full again: a deleted entry cannot come back.
    EXPECT_EQ(a->blockUndelete(1, "b1"), Zelkoran::RC_ERR_NO_SLOT);
}

TEST_F(ArchiveBasics, ReplaceKeepsTheOldEntryAsDeleted)
{
    std::string path = dir.file("replace.qel");
    int id = mgr()->create(path.c_str(), 10);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(add(a, "map", "ZK7_XML", textBytes("<old/>"), 2), 0);
    ASSERT_EQ(add(a, "map", "ZK7_XML", textBytes("<new/>")), 0);
    Bytes out;
    ASSERT_EQ(load(a, "map", "ZK7_XML", out), 0);
    EXPECT_EQ(out, textBytes("<new/>"));

    Archive::Block old;
    ASSERT_EQ(a->blockAt(0, old), 0);
    EXPECT_EQ(old.deleted, 1);
    EXPECT_STREQ(old.name, "map");
    EXPECT_EQ(old.size, 6u);
    EXPECT_EQ(old.storage, 2u);
    EXPECT_GT(a->getFragmentation(), 0.0f);

    // The old version cannot come back under the name in use...
    EXPECT_EQ(a->blockUndelete(0, nullptr), Zelkoran::RC_ERR_EXISTS);
    // ...but can under another one, with its own data.
    ASSERT_EQ(a->blockUndelete(0, "map_old"), 0);
    ASSERT_EQ(load(a, "map_old", "ZK7_XML", out), 0);
    EXPECT_EQ(out, textBytes("<old/>"));
    EXPECT_EQ(a->blockUndelete(0, nullptr), Zelkoran::RC_ERR_NOT_FOUND); // live now
    EXPECT_EQ(a->blockUndelete(99, nullptr), Zelkoran::RC_ERR_NOT_FOUND);

    mgr()->close(id);
    id = mgr()->load(path.c_str(), nullptr, 0);
    a = mgr()->get(id);
    ASSERT_EQ(a->getIndexCount(), 2);
    ASSERT_EQ(load(a, "map_old", "ZK7_XML", out), 0);
    EXPECT_EQ(out, textBytes("<old/>"));
}

TEST_F(ArchiveBasics, DeleteAndUndeleteKeepPositionsAndData)
{
    std::string path = dir.file("undelete.qel");
    int id = mgr()->create(path.c_str(), 10);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(add(a, "a", "ZK7_IMAGE", textBytes("AAA")), 0);
    ASSERT_EQ(add(a, "b", "ZK7_IMAGE", textBytes("BBB")), 0);
    ASSERT_EQ(add(a, "c", "ZK7_IMAGE", textBytes("CCC")), 0);
    ASSERT_EQ(a->blockDelete(Archive::Block("b", "ZK7_IMAGE")), 0);
    EXPECT_EQ(a->blockDelete(Archive::Block("b", "ZK7_IMAGE")), Zelkoran::RC_ERR_NOT_FOUND);
    EXPECT_EQ(a->blockDelete(Archive::Block("zz", "ZK7_IMAGE")), Zelkoran::RC_ERR_NOT_FOUND);
    Bytes out;
    EXPECT_EQ(load(a, "b", "ZK7_IMAGE", out), Zelkoran::RC_ERR_NOT_FOUND);
    EXPECT_EQ(a->getBlockCount(), 2);
    EXPECT_EQ(a->getIndexCount(), 3);

    mgr()->close(id);
    id = mgr()->load(path.c_str(), nullptr, 0);
    a = mgr()->get(id);
    Archive::Block b;
    ASSERT_EQ(a->blockAt(1, b), 0);
    EXPECT_STREQ(b.name, "b");
    EXPECT_EQ(b.deleted, 1);
    EXPECT_EQ(b.storedSize, 3u);

    std::string longName(100, 'r');
    ASSERT_EQ(a->blockUndelete(1, longName.c_str()), Zelkoran::RC_ERR_INVALID);
    ASSERT_EQ(a->blockUndelete(1, longName.substr(0, 64).c_str()), Zelkoran::RC_ERR_INVALID);
    ASSERT_EQ(a->blockUndelete(1, longName.substr(0, 63).c_str()), 0);
    ASSERT_EQ(load(a, longName.substr(0, 63), "ZK7_IMAGE", out), 0);
    EXPECT_EQ(out, textBytes("BBB"));
    ASSERT_EQ(a->blockAt(1, b), 0);
    EXPECT_EQ(b.deleted, 0);
}

TEST_F(ArchiveBasics, IndexGrowsPastItsFirstCapacity)
{
    std::string path = dir.file("grow.qel");
    int id = mgr()->create(path.c_str(), 5000);
    Archive* a = mgr()->get(id);
    for (int i = 0; i < 2500; ++i)
        ASSERT_EQ(add(a, "blk" + std::to_string(i), "ZK7_FILE", textBytes(std::to_string(i * 7))), 0) << i;
    EXPECT_EQ(mgr()->validate(id, true), 0);
    mgr()->close(id);
    id = mgr()->load(path.c_str(), nullptr, 0);
    a = mgr()->get(id);
    ASSERT_EQ(a->getBlockCount(), 2500);
    for (int i = 0; i < 2500; i += 97) {
        Bytes out;
        ASSERT_EQ(load(a, "blk" + std::to_string(i), "ZK7_FILE", out), 0);
        EXPECT_EQ(out, textBytes(std::to_string(i * 7)));
    }
}

TEST_F(ArchiveBasics, ASecondOpenOfTheSameFileIsRefused)
{
    std::string path = dir.file("busy.qel");
    int id = mgr()->create(path.c_str(), 10);
    ASSERT_GT(id, 0);
    EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0), Zelkoran::RC_ERR_BUSY);
    EXPECT_EQ(mgr()->defrag(path.c_str(), 0, nullptr, 0), Zelkoran::RC_ERR_BUSY);
    mgr()->close(id);
    EXPECT_GT(mgr()->load(path.c_str(), nullptr, 0), 0);
}

TEST_F(ArchiveBasics, CreateReplacesAnExistingFileOnlyWhenComplete)
{
    std::string path = dir.file("exists.qel");
    writeFile(path, textBytes("not an archive"));
    int id = mgr()->create(path.c_str(), 10);
    ASSERT_GT(id, 0);
    mgr()->close(id);
    EXPECT_GT(mgr()->load(path.c_str(), nullptr, 0), 0);
    // Creating inside a missing folder fails and leaves nothing behind.
    EXPECT_LT(mgr()->create(dir.file("nowhere/x.qel").c_str(), 10), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));
}

} // namespace
