// Damaged and hostile files: a negative code or the exact original data,
// never a crash and never wrong bytes.
#include "ArchiveTestUtil.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>
#include <map>

using namespace testutil;
using Zelkoran::Archive;

namespace {

class ArchiveCorrupt : public ::testing::Test {
protected:
    void TearDown() override { mgr()->closeAll(); }

    std::string build(bool encryptIndex)
    {
        std::string path = dir.file(encryptIndex ? "enc.qel" : "plain.qel");
        int id = mgr()->create(path.c_str(), 16);
        Archive* a = mgr()->get(id);
        EXPECT_EQ(a->setKey("key", 3), 0);
        for (int i = 0; i < 6; ++i) {
            Bytes data = randomBytes(static_cast<size_t>(50 + i * 40), static_cast<uint32_t>(i));
            std::string name = "blk" + std::to_string(i);
            EXPECT_EQ(add(a, name, "ZK7_FILE", data, 1 + i % 3), 0);
            originals[name] = data;
        }
        // blk5 stays a known block: damage to the newest commit record
        // legitimately brings back the state before this delete.
        EXPECT_EQ(a->blockDelete(Archive::Block("blk5", "ZK7_FILE")), 0);
        if (encryptIndex) {
            EXPECT_EQ(a->encrypt(), 0);
        }
        mgr()->close(id);
        return path;
    }

    // Opens a damaged copy; any block it hands out must be the original.
    void probe(const Bytes& damaged, const std::string& what)
    {
        std::string path = dir.file("damaged.qel");
        writeFile(path, damaged);
        int id = mgr()->load(path.c_str(), "key", 3);
        if (id <= 0)
            return;
        Archive* a = mgr()->get(id);
        for (int i = 0; i < a->getIndexCount(); ++i) {
            Archive::Block b;
            ASSERT_EQ(a->blockAt(i, b), 0);
            if (b.deleted)
                continue;
            Bytes out;
            std::string name(b.name);
            if (load(a, name, "ZK7_FILE", out) == 0) {
                auto it = originals.find(name);
                ASSERT_NE(it, originals.end()) << what << ": unknown block " << name;
                EXPECT_EQ(out, it->second) << what << ": wrong bytes for " << name;
            }
        }
        a->validate(true);
        mgr()->close(id);
    }

    ScratchDir dir;
    std::map<std::string, Bytes> originals;
};

TEST_F(ArchiveCorrupt, TruncatedFilesAreRefused)
{
    for (bool enc : {false, true}) {
        Bytes file = readFile(build(enc));
        for (size_t length = 0; length < file.size(); length += 1 + length / 16) {
            std::string path = dir.file("cut.qel");
            writeFile(path, Bytes(file.begin(), file.begin() + static_cast<long>(length)));
            int id = mgr()->load(path.c_str(), "key", 3);
            EXPECT_LT(id, 0) << "length " << length;
            if (id > 0)
                mgr()->close(id);
        }
    }
}

TEST_F(ArchiveCorrupt, FlippedBytesNeverYieldWrongData)
{
    for (bool enc : {false, true}) {
        Bytes file = readFile(build(enc));
        for (size_t at = 0; at < file.size(); at += (at < 16 * 1024 ? 3 : 101)) {
            Bytes damaged = file;
            damaged[at] ^= 0x5A;
            probe(damaged, "flip at " + std::to_string(at));
        }
    }
}

TEST_F(ArchiveCorrupt, ForeignAndHostileFiles)
{
    std::string path = dir.file("foreign.qel");
    writeFile(path, textBytes("QELv1.1\0 this is an old archive, not ours"));
    EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0), Zelkoran::RC_ERR_NOT_ARCHIVE);
    writeFile(path, Bytes(4096, 0));
    EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0), Zelkoran::RC_ERR_NOT_ARCHIVE);
    writeFile(path, Bytes{});
    EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0), Zelkoran::RC_ERR_NOT_ARCHIVE);

    // Header magic right, both commit records garbage.
    Bytes file = readFile(build(false));
    for (size_t i = 64; i < 320; ++i)
        file[i] = static_cast<uint8_t>(i * 7);
    writeFile(path, file);
    EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0), Zelkoran::RC_ERR_CORRUPT);
    EXPECT_EQ(mgr()->load(dir.path().c_str(), nullptr, 0), Zelkoran::RC_ERR_IO); // a folder
}

} // namespace
