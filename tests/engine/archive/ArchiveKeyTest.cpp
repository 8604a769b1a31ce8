#include "ArchiveTestUtil.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

using namespace testutil;
using Zelkoran::Archive;

namespace {

class ArchiveKeys : public ::testing::Test {
protected:
    void TearDown() override { mgr()->closeAll(); }
    ScratchDir dir;
    const std::string key = "k3y-of-32-bytes-exactly-12345678";
};

TEST_F(ArchiveKeys, EncryptedBlocksNeedTheKey)
{
    std::string path = dir.file("blocks.qel");
    int id = mgr()->create(path.c_str(), 10);
    Archive* a = mgr()->get(id);
    Bytes secret = textBytes("the secret level layout, never on disk in clear");
    EXPECT_EQ(add(a, "s", "ZK7_FILE", secret, 3), Zelkoran::RC_ERR_KEY);
    EXPECT_EQ(a->setKey(nullptr, 4), Zelkoran::RC_ERR_INVALID);
    EXPECT_EQ(a->setKey("x", 0), Zelkoran::RC_ERR_INVALID);
    EXPECT_EQ(a->setKey(std::string(33, 'x').c_str(), 33), Zelkoran::RC_ERR_INVALID);
    ASSERT_EQ(a->setKey(key.data(), 32), 0);
    ASSERT_EQ(add(a, "s", "ZK7_FILE", secret, 3), 0);
    ASSERT_EQ(add(a, "plain", "ZK7_FILE", textBytes("open data"), 1), 0);
    EXPECT_TRUE(a->isEncryptedBlocks());
    // The archive's own key is accepted again, another one is refused.
    EXPECT_EQ(a->setKey(key.data(), 32), 0);
    EXPECT_EQ(a->setKey("other", 5), Zelkoran::RC_ERR_KEY_REFUSED);
    mgr()->close(id);

    Bytes file = readFile(path);
    EXPECT_FALSE(contains(file, secret));
    EXPECT_EQ(file[20], 2); // blocks encrypted, index plain

    // Without a key the archive opens; only the encrypted block refuses.
    id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    a = mgr()->get(id);
    Bytes out;
    EXPECT_EQ(load(a, "s", "ZK7_FILE", out), Zelkoran::RC_ERR_KEY);
    EXPECT_EQ(load(a, "plain", "ZK7_FILE", out), 0);
    EXPECT_EQ(add(a, "t", "ZK7_FILE", secret, 3), Zelkoran::RC_ERR_KEY);
    EXPECT_EQ(a->setKey("wrong", 5), Zelkoran::RC_ERR_KEY_REFUSED);
    ASSERT_EQ(a->setKey(key.data(), 32), 0);
    ASSERT_EQ(load(a, "s", "ZK7_FILE", out), 0);
    EXPECT_EQ(out, secret);
    mgr()->close(id);

    // A wrong key given at open is refused outright.
    EXPECT_EQ(mgr()->load(path.c_str(), "wrong", 5), Zelkoran::RC_ERR_KEY);
    EXPECT_EQ(mgr()->load(path.c_str(), key.data(), 33), Zelkoran::RC_ERR_KEY);
}

TEST_F(ArchiveKeys, EncryptedIndexLeavesNoPlainNames)
{
    std::string path = dir.file("index.qel");
    int id = mgr()->create(path.c_str(), 10);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(add(a, "VisibleBeforeEncryption", "ZK7_IMAGE", textBytes("pixels")), 0);
    EXPECT_EQ(a->encrypt(), Zelkoran::RC_ERR_KEY);
    ASSERT_EQ(a->setKey("pw", 2), 0);
    ASSERT_EQ(a->encrypt(), 0);
    EXPECT_TRUE(a->isEncrypted());
    EXPECT_FALSE(a->isEncryptedBlocks());
    ASSERT_EQ(add(a, "AddedWhileEncrypted", "ZK7_IMAGE", textBytes("more")), 0);
    ASSERT_EQ(a->blockDelete(Archive::Block("AddedWhileEncrypted", "ZK7_IMAGE")), 0);
    mgr()->close(id);

    Bytes file = readFile(path);
    EXPECT_FALSE(contains(file, textBytes("VisibleBeforeEncryption")));
    EXPECT_FALSE(contains(file, textBytes("AddedWhileEncrypted")));
    EXPECT_EQ(file[20], 1);

    EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0), Zelkoran::RC_ERR_KEY);
    EXPECT_EQ(mgr()->load(path.c_str(), "px", 2), Zelkoran::RC_ERR_KEY);
    EXPECT_EQ(mgr()->load(path.c_str(), "pw!", 3), Zelkoran::RC_ERR_KEY);
    id = mgr()->load(path.c_str(), "pw", 2);
    ASSERT_GT(id, 0);
    a = mgr()->get(id);
    EXPECT_TRUE(a->isEncrypted());
    ASSERT_EQ(a->getIndexCount(), 2);
    Archive::Block deleted;
    ASSERT_EQ(a->blockAt(1, deleted), 0);
    EXPECT_STREQ(deleted.name, "AddedWhileEncrypted");
    EXPECT_EQ(deleted.deleted, 1);

    ASSERT_EQ(a->decrypt(), 0);
    EXPECT_FALSE(a->isEncrypted());
    mgr()->close(id);
    EXPECT_EQ(readFile(path)[20], 0);
    id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    Bytes out;
    ASSERT_EQ(load(mgr()->get(id), "VisibleBeforeEncryption", "ZK7_IMAGE", out), 0);
    EXPECT_EQ(out, textBytes("pixels"));
}

TEST_F(ArchiveKeys, HeaderFlagsFollowBothKindsOfEncryption)
{
    std::string path = dir.file("flags.qel");
    int id = mgr()->create(path.c_str(), 10);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(a->setKey("k", 1), 0);
    ASSERT_EQ(add(a, "e", "ZK7_FILE", textBytes("enc"), 3), 0);
    ASSERT_EQ(a->encrypt(), 0);
    EXPECT_EQ(readFile(path)[20], 3);
    ASSERT_EQ(a->decrypt(), 0);
    EXPECT_EQ(readFile(path)[20], 2);
}

TEST_F(ArchiveKeys, DefragKeepsEncryptedDataReadable)
{
    std::string path = dir.file("defrag-keys.qel");
    int id = mgr()->create(path.c_str(), 10);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(a->setKey("pw", 2), 0);
    ASSERT_EQ(add(a, "e", "ZK7_FILE", textBytes("encrypted"), 3), 0);
    ASSERT_EQ(add(a, "gone", "ZK7_FILE", textBytes("x")), 0);
    ASSERT_EQ(a->blockDelete(Archive::Block("gone", "ZK7_FILE")), 0);
    ASSERT_EQ(a->encrypt(), 0);
    mgr()->close(id);

    EXPECT_EQ(mgr()->defrag(path.c_str(), 0, nullptr, 0), Zelkoran::RC_ERR_KEY);
    EXPECT_EQ(mgr()->defrag(path.c_str(), 0, "no", 2), Zelkoran::RC_ERR_KEY);
    ASSERT_EQ(mgr()->defrag(path.c_str(), 20, "pw", 2), 0);
    EXPECT_EQ(readFile(path)[20], 3);
    id = mgr()->load(path.c_str(), "pw", 2);
    ASSERT_GT(id, 0);
    a = mgr()->get(id);
    EXPECT_EQ(a->getIndexCount(), 1);
    EXPECT_EQ(a->getBlockLimit(), 20);
    Bytes out;
    ASSERT_EQ(load(a, "e", "ZK7_FILE", out), 0);
    EXPECT_EQ(out, textBytes("encrypted"));
    EXPECT_EQ(a->setKey("other", 5), Zelkoran::RC_ERR_KEY_REFUSED);
}

} // namespace
