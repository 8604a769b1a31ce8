// Documents in archive blocks and files: the bytes stored, names, codes
// passed on, replaced blocks, and files that are never half written.
#include "engine/xml/XMLTestSupport.h"
#include "engine/archive/ArchiveTestUtil.h"

#include "core/FileIO.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Result.h>

namespace xmltest {
namespace {

using namespace Zelkoran;
using testutil::Bytes;
using testutil::ScratchDir;

constexpr const char* kType = "ZK7_XML";

class XMLStorage : public XMLTest {
protected:
    void SetUp() override
    {
        archiveId = testutil::mgr()->create(dir.file("a.qel").c_str(), 0);
        ASSERT_GT(archiveId, 0);
        archive = testutil::mgr()->get(archiveId);
    }
    void TearDown() override
    {
        XMLTest::TearDown();
        Zelkoran::setFaultHook(nullptr);
        testutil::mgr()->closeAll();
    }
    std::string block(const char* name)
    {
        Bytes out;
        EXPECT_EQ(testutil::load(archive, name, kType, out), 0) << name;
        return std::string(out.begin(), out.end());
    }
    Archive::Block entry(const char* name)
    {
        Archive::Block b(name, kType);
        b.storage = 0;
        archive->blockAt(archive->blockSearch(b), b);
        return b;
    }
    int loadBlock(const char* name)
    {
        const int id = xml->load(archiveId, name);
        if (id > 0)
            opened.push_back(id);
        return id;
    }

    ScratchDir dir;
    int archiveId = 0;
    Archive* archive = nullptr;
};

TEST_F(XMLStorage, BlocksHoldTheTextAndLoadUnderTheirName)
{
    const int id = load(kMap, "level1");
    ASSERT_EQ(doc(id)->save(archiveId, ""), 0);
    EXPECT_EQ(block("level1"), kMap);
    EXPECT_EQ(entry("level1").storage, Archive::ST_COMPRESSED) << "new text blocks are compressed";

    const int back = loadBlock("level1");
    ASSERT_GT(back, 0);
    EXPECT_STREQ(doc(back)->getName(), "level1");
    EXPECT_EQ(nodeName(doc(back)), "map");
    EXPECT_EQ(text(back), kMap);

    // Another name writes a copy and leaves the document's name alone.
    ASSERT_EQ(doc(back)->save(archiveId, "copy"), 0);
    EXPECT_STREQ(doc(back)->getName(), "level1");
    EXPECT_EQ(block("copy"), kMap);
    EXPECT_EQ(archive->getBlockCount(), 2);
}

TEST_F(XMLStorage, SavingAgainReplacesTheBlockAndKeepsItsStorage)
{
    ASSERT_EQ(archive->setKey("secret", 6), 0);
    ASSERT_EQ(testutil::add(archive, "tiles", kType, testutil::textBytes("<tileset name=\"a\"/>"),
                            Archive::ST_ENCRYPTED),
              0);
    const int id = loadBlock("tiles");
    ASSERT_GT(id, 0);
    ASSERT_TRUE(doc(id)->setAttributeString("name", "b"));
    ASSERT_EQ(doc(id)->save(archiveId, ""), 0);
    EXPECT_EQ(archive->getBlockCount(), 1);
    EXPECT_EQ(archive->getIndexCount(), 2) << "the old text stays as a deleted entry";
    EXPECT_EQ(entry("tiles").storage, Archive::ST_ENCRYPTED) << "an encrypted document stayed encrypted";
    EXPECT_EQ(block("tiles"), "<tileset name=\"b\"/>");

    // Reopened without the key the archive's -477 comes through.
    const std::string path = archive->getName();
    ASSERT_EQ(testutil::mgr()->close(archiveId), 0);
    archiveId = testutil::mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(archiveId, 0);
    EXPECT_EQ(xml->load(archiveId, "tiles"), RC_ERR_KEY);
}

TEST_F(XMLStorage, CodesForMissingThingsDamageAndAFullArchive)
{
    const int id = load(kMap);
    EXPECT_EQ(doc(id)->save(archiveId, ""), RC_ERR_INVALID) << "no name at all";
    EXPECT_EQ(doc(id)->save(archiveId, std::string(64, 'n').c_str()), RC_ERR_INVALID);
    EXPECT_EQ(doc(id)->save(archiveId + 100, "x"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(doc(create(""))->save(archiveId, "empty"), RC_ERR_INVALID) << "a rootless text would not load";
    EXPECT_EQ(xml->load(archiveId, "absent"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(xml->load(archiveId + 100, "x"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(xml->load(archiveId, nullptr), RC_ERR_NOT_FOUND);
    EXPECT_EQ(xml->load(archiveId, ""), RC_ERR_NOT_FOUND);

    // Same name, other type: not a document.
    ASSERT_EQ(testutil::add(archive, "pic", "ZK7_IMAGE", testutil::textBytes("<a/>")), 0);
    EXPECT_EQ(xml->load(archiveId, "pic"), RC_ERR_NOT_FOUND);
    ASSERT_EQ(testutil::add(archive, "broken", kType, testutil::textBytes("<map><layer></map>")), 0);
    EXPECT_EQ(xml->load(archiveId, "broken"), RC_ERR_CORRUPT);

    const int small = testutil::mgr()->create(dir.file("small.qel").c_str(), 1);
    ASSERT_GT(small, 0);
    ASSERT_EQ(doc(id)->save(small, "one"), 0);
    EXPECT_EQ(doc(id)->save(small, "two"), RC_ERR_NO_SLOT);
    EXPECT_EQ(doc(id)->save(small, "one"), 0) << "replacing needs no new slot";
}

TEST_F(XMLStorage, FilesRoundTripAndMissingOnesAreReported)
{
    const std::string path = dir.file("level.tmx");
    const int id = load(kMap);
    ASSERT_TRUE(doc(id)->saveToFile(path.c_str()));
    EXPECT_EQ(testutil::readFile(path), testutil::textBytes(kMap));
    const int back = xml->loadFromFile(path.c_str(), "");
    ASSERT_GT(back, 0);
    opened.push_back(back);
    EXPECT_EQ(text(back), kMap);
    EXPECT_STREQ(doc(back)->getName(), "");

    EXPECT_EQ(xml->loadFromFile(dir.file("absent.tmx").c_str(), ""), RC_ERR_NOT_FOUND);
    EXPECT_EQ(xml->loadFromFile(dir.path().string().c_str(), ""), RC_ERR_NOT_FOUND) << "a folder";
    EXPECT_EQ(xml->loadFromFile(nullptr, ""), RC_ERR_INVALID);
    testutil::writeFile(dir.file("bad.tmx"), testutil::textBytes("<map"));
    EXPECT_EQ(xml->loadFromFile(dir.file("bad.tmx").c_str(), ""), RC_ERR_CORRUPT);

    EXPECT_FALSE(doc(id)->saveToFile(dir.file("no/such/folder.tmx").c_str()));
    EXPECT_FALSE(doc(id)->saveToFile(""));
    EXPECT_FALSE(doc(id)->saveToFile(nullptr));
    EXPECT_FALSE(doc(create(""))->saveToFile(dir.file("empty.tmx").c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.tmx")));
}

TEST_F(XMLStorage, AFailedFileWriteLeavesTheOldFileAndNoLeftovers)
{
    const std::string path = dir.file("level.tmx");
    const Bytes old = testutil::textBytes("<map old=\"1\"/>");
    testutil::writeFile(path, old);
    const int id = load(kMap);

    // A torn write, then a failed flush: each leaves the old file alone.
    const Zelkoran::FaultHook faults[] = {
        [](Zelkoran::IoOp op, uint64_t, size_t length) -> int64_t {
            return op == Zelkoran::IoOp::Write ? static_cast<int64_t>(length / 2) : length;
        },
        [](Zelkoran::IoOp op, uint64_t, size_t length) -> int64_t {
            return op == Zelkoran::IoOp::Sync ? -1 : static_cast<int64_t>(length);
        },
    };
    for (const auto& fault : faults) {
        Zelkoran::setFaultHook(fault);
        EXPECT_FALSE(doc(id)->saveToFile(path.c_str()));
        Zelkoran::setFaultHook(nullptr);
        EXPECT_EQ(testutil::readFile(path), old);
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
            ++files;
        EXPECT_EQ(files, 2u) << "the archive and the old file, nothing else";
    }
    ASSERT_TRUE(doc(id)->saveToFile(path.c_str()));
    EXPECT_EQ(testutil::readFile(path), testutil::textBytes(kMap));
}

} // namespace
} // namespace xmltest
