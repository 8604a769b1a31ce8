#include "import/legacy/LegacyQELUpgrade.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

// A 512-byte QELv2 header with the given fields.
Bytes header(uint64_t flags, uint16_t version = 2, uint16_t second = 0, uint32_t size = 512, uint32_t fixed = 256)
{
    Bytes h(512, 0xCC);
    std::memcpy(h.data(), "ZK7QELv2", 8);
    auto put = [&](size_t at, uint64_t v, int width) {
        for (int i = 0; i < width; ++i)
            h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(8, version, 2);
    put(10, second, 2);
    put(12, size, 4);
    put(16, fixed, 4);
    put(20, flags, 8);
    return h;
}

struct ProbeResult {
    int result;
    bool isQELv2, encryptedIndex, encryptedBlocks;
};

ProbeResult probe(const std::string& path)
{
    ProbeResult r{};
    bool a = true, b = true, c = true; // must be cleared by the call
    r.result = getQELv2EncryptionState(Zelkoran::String(path.c_str()), a, b, c);
    r.isQELv2 = a;
    r.encryptedIndex = b;
    r.encryptedBlocks = c;
    return r;
}

class QELv2Probe : public ::testing::Test {
protected:
    ProbeResult probeBytes(const Bytes& bytes)
    {
        const std::string path = dir.path("probe.qel");
        TestFolder::write(path, bytes);
        return probe(path);
    }
    TestFolder dir;
};

TEST_F(QELv2Probe, FlagsAreBelievedOnlyWithTheExpectedVersionFields)
{
    struct Case {
        const char* what;
        Bytes file;
        bool index, blocks;
    };
    const Case cases[] = {
        {"flags 3", header(3), true, true},
        {"flags 1", header(1), true, false},
        {"flags 2", header(2), false, true},
        {"flags 0", header(0), false, false},
        {"only high bits", header(0x100), false, false},
        {"high bits and bit 1", header(0xFF00000000000002ull), false, true},
        {"version 3", header(3, 3), false, false},
        {"second version word 1", header(3, 2, 1), false, false},
        {"header size 511", header(3, 2, 0, 511), false, false},
        {"fixed field 255", header(3, 2, 0, 512, 255), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ProbeResult r = probeBytes(c.file);
        EXPECT_EQ(r.result, 0);
        EXPECT_TRUE(r.isQELv2);
        EXPECT_EQ(r.encryptedIndex, c.index);
        EXPECT_EQ(r.encryptedBlocks, c.blocks);
    }
}

TEST_F(QELv2Probe, LongerFilesAreReadByTheirFirst512Bytes)
{
    Bytes file = header(1);
    file.resize(4096, 0xFF);
    const ProbeResult r = probeBytes(file);
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.isQELv2);
    EXPECT_TRUE(r.encryptedIndex);
    EXPECT_FALSE(r.encryptedBlocks);
}

TEST_F(QELv2Probe, ShortOrForeignFilesAreNoErrorAndClearEveryFlag)
{
    Bytes shortFile = header(3);
    shortFile.resize(511);
    Bytes foreign = header(3);
    std::memcpy(foreign.data(), "QELv1.1", 8);

    for (const Bytes& file : {shortFile, foreign, Bytes{}}) {
        const ProbeResult r = probeBytes(file);
        EXPECT_EQ(r.result, 0);
        EXPECT_FALSE(r.isQELv2);
        EXPECT_FALSE(r.encryptedIndex);
        EXPECT_FALSE(r.encryptedBlocks);
    }
}

TEST_F(QELv2Probe, AMissingFileIs228WithEveryFlagCleared)
{
    const ProbeResult r = probe(dir.path("missing.qel"));
    EXPECT_EQ(r.result, LQR_PROBE_OPEN);
    EXPECT_FALSE(r.isQELv2);
    EXPECT_FALSE(r.encryptedIndex);
    EXPECT_FALSE(r.encryptedBlocks);
}

TEST_F(QELv2Probe, BackslashesAreOpenedAsForwardSlashes)
{
    std::filesystem::create_directory(dir.path("sub"));
    TestFolder::write(dir.path("sub/game.qel"), header(2));
    std::string path = dir.path("sub\\game.qel");
    const ProbeResult r = probe(path);
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.isQELv2);
    EXPECT_TRUE(r.encryptedBlocks);
}

} // namespace
