#include "ArchiveTestUtil.h"
#include "archive/ArchiveCrypto.h"
#include "support/LogCapture.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>
#include <xxhash.h>

#include <functional>
#include <openssl/evp.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testutil;
using Zelkoran::Archive;
namespace za = Zelkoran::archive;

namespace {

// The AES key the archive at path derives from passphrase with its record
// in force's salt and scrypt cost, worked out in a child process so that
// this one holds no copy but the one returned; empty when that fails.
std::string derivedKey(const std::string& path, const std::string& passphrase)
{
    const Bytes file = readFile(path);
    auto generation = [&](size_t record) {
        uint64_t v = 0;
        for (size_t i = 0; i < 8; ++i)
            v |= uint64_t(file[record + 8 + i]) << (8 * i);
        return v;
    };
    const uint8_t* record = &file[generation(288) > generation(64) ? 288 : 64];
    int out[2];
    if (pipe(out) != 0)
        return "";
    const pid_t child = fork();
    if (child == 0) {
        uint8_t derived[32];
        const bool made = EVP_PBE_scrypt(passphrase.data(), passphrase.size(), record + 72, 16,
                                         uint64_t(1) << record[120], record[121], record[122], 65u << 20, derived,
                                         sizeof derived) == 1;
        _exit(made && write(out[1], derived, sizeof derived) == sizeof derived ? 0 : 1);
    }
    close(out[1]);
    std::string key(32, '\0');
    const bool read = child > 0 && ::read(out[0], key.data(), key.size()) == static_cast<ssize_t>(key.size());
    close(out[0]);
    int status = -1;
    if (child > 0)
        waitpid(child, &status, 0);
    return read && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? key : "";
}

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

    // A wrong key given at open is refused outright; one of the wrong
    // length before the file is opened (a missing one too), and logged.
    EXPECT_EQ(mgr()->load(path.c_str(), "wrong", 5), Zelkoran::RC_ERR_KEY);
    const struct {
        std::string path;
        int length;
    } badLengths[] = {{path, 33}, {path, 0}, {dir.file("missing.qel"), 33}};
    for (const auto& bad : badLengths) {
        SCOPED_TRACE(bad.path + ", " + std::to_string(bad.length));
        LogCapture log(dir.file("log.txt"));
        EXPECT_EQ(mgr()->load(bad.path.c_str(), key.data(), bad.length), Zelkoran::RC_ERR_KEY);
        const std::string logged = log.text();
        EXPECT_NE(logged.find(" [Archive] Error: " + bad.path + " cannot be opened: a key is 1 to 32 bytes, not "
                              + std::to_string(bad.length) + "."),
                  std::string::npos)
            << logged;
    }
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

// A passphrase, and the key derived from it, stay in memory no longer than
// an archive it opened: not after an open that refused it, nor in a manager
// never told to close.
TEST_F(ArchiveKeys, RefusedOpensAndDroppedManagersKeepNoPassphrase)
{
    // An archive with an encrypted block under passphrase; damaged when asked.
    auto build = [&](const std::string& name, const std::string& passphrase, bool damage) {
        const std::string path = dir.file(name);
        const int id = mgr()->create(path.c_str(), 8);
        EXPECT_EQ(mgr()->get(id)->setKey(passphrase.data(), static_cast<int>(passphrase.size())), 0);
        EXPECT_EQ(add(mgr()->get(id), "x", "ZK7_FILE", textBytes("sealed"), 3), 0);
        mgr()->close(id);
        if (damage) {
            Bytes file = readFile(path);
            file[512 + 16] ^= 1; // the name in slot 0's only version
            writeFile(path, file);
        }
        return path;
    };
    // Each case learns the key its open derives (derived) before it opens.
    struct Case {
        const char* what;
        std::function<void(std::string& passphrase, std::string& derived)> run;
    };
    const Case cases[] = {
        {"a mistyped passphrase",
         [&](std::string& typed, std::string& derived) {
             const std::string path = build("mistyped.qel", key, false);
             derived = derivedKey(path, typed);
             EXPECT_EQ(mgr()->load(path.c_str(), typed.data(), static_cast<int>(typed.size())), Zelkoran::RC_ERR_KEY);
         }},
        {"a damaged file",
         [&](std::string& passphrase, std::string& derived) {
             const std::string path = build("damaged.qel", passphrase, true);
             derived = derivedKey(path, passphrase);
             EXPECT_EQ(mgr()->load(path.c_str(), passphrase.data(), static_cast<int>(passphrase.size())),
                       Zelkoran::RC_ERR_CORRUPT);
         }},
        {"a manager destroyed with its archive open",
         [&](std::string& passphrase, std::string& derived) {
             const std::string path = build("dropped.qel", passphrase, false);
             derived = derivedKey(path, passphrase);
             auto other = std::make_unique<Zelkoran::ArchiveMgr>();
             EXPECT_GT(other->load(path.c_str(), passphrase.data(), static_cast<int>(passphrase.size())), 0);
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string passphrase = "left-behind-" + std::to_string(++n) + "-passphrase-7f3a91";
        std::string derived;
        c.run(passphrase, derived);
        ASSERT_EQ(derived.size(), 32u) << c.what;
        EXPECT_EQ(copiesInMemory(passphrase), 0u) << c.what;
        EXPECT_EQ(copiesInMemory(derived), 0u) << c.what << ": the key derived from the passphrase";
    }
}

// A file may not ask for a costlier key derivation than a normal open
// makes: above it the archive is refused as damaged, before deriving.
TEST_F(ArchiveKeys, KeyDerivationCostsAboveANormalOpenAreRefused)
{
    const std::string path = dir.file("cost.qel");
    int id = mgr()->create(path.c_str(), 8);
    ASSERT_EQ(mgr()->get(id)->setKey(key.data(), 32), 0);
    ASSERT_EQ(add(mgr()->get(id), "x", "ZK7_FILE", textBytes("sealed"), 3), 0);
    mgr()->close(id);
    const Bytes original = readFile(path);
    const size_t record = original[288 + 8] > original[64 + 8] ? 288 : 64;
    struct Cost {
        uint8_t algorithm;
        uint32_t setting; // PBKDF2 iterations, or log2 N | r | p bytes
        int expected;
    };
    const Cost costs[] = {
        {2, 16 | 8 << 8 | 1 << 16, Zelkoran::RC_ERR_KEY}, // the normal cost: derived, then the check fails
        {2, 17 | 8 << 8 | 1 << 16, Zelkoran::RC_ERR_CORRUPT},
        {2, 16 | 16 << 8 | 1 << 16, Zelkoran::RC_ERR_CORRUPT},
        {2, 16 | 8 << 8 | 2 << 16, Zelkoran::RC_ERR_CORRUPT},
        {2, 22 | 32 << 8 | 4 << 16, Zelkoran::RC_ERR_CORRUPT},
        {1, 1000001, Zelkoran::RC_ERR_CORRUPT},
    };
    for (const Cost& cost : costs) {
        Bytes file = original;
        file[record + 116] = cost.algorithm;
        for (int i = 0; i < 4; ++i)
            file[record + 120 + static_cast<size_t>(i)] = static_cast<uint8_t>(cost.setting >> (8 * i));
        const uint64_t sum = XXH64(file.data() + record, 216, 0);
        for (int i = 0; i < 8; ++i)
            file[record + 216 + static_cast<size_t>(i)] = static_cast<uint8_t>(sum >> (8 * i));
        writeFile(path, file);
        EXPECT_EQ(mgr()->load(path.c_str(), key.data(), 32), cost.expected) << int(cost.algorithm) << "/" << cost.setting;
    }
}

// Without a key check the archive holds nothing encrypted: a key given at
// open is derived only when the first encrypted write needs it.
TEST_F(ArchiveKeys, AKeyForAnArchiveWithoutEncryptionIsDerivedOnlyWhenUsed)
{
    const std::string path = dir.file("plain.qel");
    int id = mgr()->create(path.c_str(), 8);
    ASSERT_EQ(add(mgr()->get(id), "p", "ZK7_FILE", textBytes("plain")), 0);
    mgr()->close(id);
    // A derivation at this cost would fail: the open must not run one.
    const za::KdfParams cheap = za::newKeyCost();
    za::KdfParams impossible = cheap;
    impossible.logN = 40;
    za::setNewKeyCost(impossible);
    id = mgr()->load(path.c_str(), key.data(), 32);
    EXPECT_GT(id, 0);
    if (id > 0) {
        EXPECT_EQ(add(mgr()->get(id), "s", "ZK7_FILE", textBytes("sealed"), 3), Zelkoran::RC_ERR_KEY);
        mgr()->close(id);
    }
    za::setNewKeyCost(cheap);
    id = mgr()->load(path.c_str(), key.data(), 32);
    ASSERT_GT(id, 0);
    ASSERT_EQ(add(mgr()->get(id), "s", "ZK7_FILE", textBytes("sealed"), 3), 0);
    mgr()->close(id);
    id = mgr()->load(path.c_str(), key.data(), 32);
    ASSERT_GT(id, 0);
    Bytes out;
    EXPECT_EQ(load(mgr()->get(id), "s", "ZK7_FILE", out), 0);
    EXPECT_EQ(out, textBytes("sealed"));
}

// A digest borrows the key's kept context; one made while that is in use
// gets a copy of it. Each must still come to the MAC of its own bytes.
TEST(ArchiveKeyDigest, DigestsMadeAtOnceOrInTurnEachMatchTheMac)
{
    const uint8_t salt[za::kSaltSize] = {7};
    za::ArchiveKey key;
    ASSERT_TRUE(key.derive("digest key", 10, salt, za::newKeyCost()));
    const auto expected = [&](const std::string& text) {
        uint8_t full[32];
        EXPECT_TRUE(key.mac(text.data(), text.size(), full));
        uint64_t out = 0;
        for (int i = 7; i >= 0; --i)
            out = (out << 8) | full[i];
        return out;
    };
    const auto finished = [](za::ArchiveKey::Digest& d) {
        uint64_t out = 0;
        EXPECT_TRUE(d.finish(out));
        return out;
    };
    for (int turn = 0; turn < 2; ++turn) {
        za::ArchiveKey::Digest first(key);
        ASSERT_TRUE(first.update("first ", 6));
        za::ArchiveKey::Digest second(key); // made while first is half way
        ASSERT_TRUE(second.update("second", 6));
        ASSERT_TRUE(first.update("block", 5));
        EXPECT_EQ(finished(first), expected("first block"));
        EXPECT_EQ(finished(second), expected("second"));
    }
    za::ArchiveKey::Digest alone(key);
    ASSERT_TRUE(alone.update("alone", 5));
    EXPECT_EQ(finished(alone), expected("alone"));
}

} // namespace
