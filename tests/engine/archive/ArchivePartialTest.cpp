// Reading part of a block, adding a zlib stream as it is, and the hash
// the block digests use.
#include "ArchiveTestUtil.h"
#include "archive/ArchiveFormat.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>
#include <xxhash.h>
#include <zlib.h>

using namespace testutil;

namespace {

class ArchivePartial : public ::testing::Test {
protected:
    void TearDown() override { mgr()->closeAll(); }
    ScratchDir dir;
};

TEST_F(ArchivePartial, PeekCopiesTheDecodedBytesOfEveryStorage)
{
    int id = mgr()->create(dir.file("peek.qel").c_str(), 16);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(a->setKey("peek key", 8), 0);
    const Bytes data = randomBytes(200000, 3);
    for (uint32_t storage = 1; storage <= 4; ++storage)
        ASSERT_EQ(add(a, "b" + std::to_string(storage), "ZK7_FILE", data, storage), 0);

    struct Case {
        uint64_t offset;
        size_t length;
        int expected;
    };
    const Case cases[] = {{0, 4, 4}, {4, 4, 4}, {150001, 1000, 1000}, {199990, 64, 10}, {200000, 8, 0}, {300000, 8, 0}};
    for (uint32_t storage = 1; storage <= 4; ++storage)
        for (const Case& c : cases) {
            Archive::Block block(("b" + std::to_string(storage)).c_str(), "ZK7_FILE");
            Bytes out(c.length, 0xEE);
            ASSERT_EQ(a->blockPeek(block, c.offset, out.data(), c.length), c.expected)
                << "storage " << storage << " offset " << c.offset;
            for (int i = 0; i < c.expected; ++i)
                ASSERT_EQ(out[size_t(i)], data[c.offset + size_t(i)]) << "storage " << storage << " at " << i;
        }
    Archive::Block missing("none", "ZK7_FILE");
    uint8_t byte = 0;
    EXPECT_EQ(a->blockPeek(missing, 0, &byte, 1), Zelkoran::RC_ERR_NOT_FOUND);
}

Bytes deflate(const Bytes& data)
{
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    Bytes out(length);
    compress2(out.data(), &length, data.data(), static_cast<uLong>(data.size()), 6);
    out.resize(length);
    return out;
}

TEST_F(ArchivePartial, ACompressedStreamIsStoredAsItIs)
{
    std::string path = dir.file("stream.qel");
    int id = mgr()->create(path.c_str(), 16);
    Archive* a = mgr()->get(id);
    const Bytes data(300000, 'q');
    const Bytes stream = deflate(data);

    Archive::Block block("packed", "ZK7_FILE");
    block.data = const_cast<uint8_t*>(stream.data());
    block.storedSize = stream.size();
    block.size = data.size();
    ASSERT_EQ(a->blockAddCompressed(block), 0);
    mgr()->close(id);

    EXPECT_TRUE(contains(readFile(path), stream)); // level 6, not the engine's own level
    id = mgr()->load(path.c_str(), nullptr, 0);
    a = mgr()->get(id);
    Archive::Block entry;
    ASSERT_EQ(a->blockAt(0, entry), 0);
    EXPECT_EQ(entry.storage, Archive::ST_COMPRESSED);
    EXPECT_EQ(entry.storedSize, stream.size());
    Bytes loaded;
    ASSERT_EQ(load(a, "packed", "ZK7_FILE", loaded), 0);
    EXPECT_EQ(loaded, data);
    EXPECT_EQ(a->validate(true), 0);
}

TEST_F(ArchivePartial, ACompressedStreamThatCannotHoldItsSizeIsRefused)
{
    int id = mgr()->create(dir.file("bad.qel").c_str(), 16);
    Archive* a = mgr()->get(id);
    const Bytes stream = deflate(Bytes(1000, 'x'));
    struct Case {
        const uint8_t* data;
        uint64_t storedSize;
        uint64_t size;
    };
    const Case cases[] = {{nullptr, stream.size(), 1000}, {stream.data(), 4, 1000},
                          {stream.data(), stream.size(), stream.size() * 2000}};
    for (const Case& c : cases) {
        Archive::Block block("bad", "ZK7_FILE");
        block.data = const_cast<uint8_t*>(c.data);
        block.storedSize = c.storedSize;
        block.size = c.size;
        EXPECT_EQ(a->blockAddCompressed(block), Zelkoran::RC_ERR_INVALID) << c.storedSize << " " << c.size;
    }
    // A stream whose size claim is wrong but plausible is written, and its
    // load says the block is damaged rather than giving short data.
    Archive::Block liar("liar", "ZK7_FILE");
    liar.data = const_cast<uint8_t*>(stream.data());
    liar.storedSize = stream.size();
    liar.size = 1001;
    ASSERT_EQ(a->blockAddCompressed(liar), 0);
    Bytes out;
    EXPECT_EQ(load(a, "liar", "ZK7_FILE", out), Zelkoran::RC_ERR_CORRUPT);
}

// The stored digests were written with the portable XXH3: the code path
// chosen for this CPU must give the same values.
TEST(ArchiveHash, TheFastPathGivesThePortableValues)
{
    const Bytes data = randomBytes(1 << 20, 11);
    for (size_t length : {size_t(0), size_t(1), size_t(16), size_t(17), size_t(128), size_t(129), size_t(240),
                          size_t(241), size_t(1024), size_t(4095), size_t(65536), size_t(1 << 20)})
        EXPECT_EQ(Zelkoran::archive::hashBytes(data.data(), length), XXH3_64bits(data.data(), length)) << length;
}

} // namespace
