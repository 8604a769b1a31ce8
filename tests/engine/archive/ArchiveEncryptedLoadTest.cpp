// Encrypted loads read and decrypt in one pass (small blocks in one read,
// large ones reading ahead on a second thread): a changed byte anywhere in
// the stored message is refused, and no unverified plaintext survives.
#include "ArchiveTestUtil.h"
#include "archive/ArchiveFile.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace testutil;
namespace za = Zelkoran::archive;

namespace {

const std::string kKey = "load key";
constexpr char kAad[] = "aad";

// Sizes on either side of the whole-read limit and of read-ahead.
constexpr size_t kSizes[] = {1000, 64 * 1024, 3 * 1024 * 1024 + 7};

bool allZero(const Bytes& b)
{
    return std::all_of(b.begin(), b.end(), [](uint8_t v) { return v == 0; });
}

struct Sealed {
    za::ArchiveKey key;
    Bytes plain;
    Bytes message; // nonce | ciphertext | tag
    mutable int reads = 0; // fill calls of the last open
};

void seal(Sealed& s, size_t size)
{
    const uint8_t salt[za::kSaltSize] = {1};
    ASSERT_TRUE(s.key.derive(kKey.data(), static_cast<int>(kKey.size()), salt, za::newKeyCost()));
    s.plain = randomBytes(size, static_cast<uint32_t>(size));
    s.message.resize(size + za::kSealOverhead);
    ASSERT_TRUE(s.key.seal(kAad, sizeof(kAad), s.plain.data(), size, s.message.data()));
}

// Decrypts s.message into out; failAt: the fill call that fails (-1: none).
bool openReading(const Sealed& s, Bytes& out, int failAt = -1)
{
    const size_t size = s.plain.size();
    out.assign(size, 0xEE);
    int& calls = s.reads;
    calls = 0;
    return s.key.openReading(kAad, sizeof(kAad), s.message.data(), size, s.message.data() + za::kNonceSize + size,
                             out.data(), [&](uint8_t* at, uint64_t offset, size_t n) {
                                 if (calls++ == failAt)
                                     return false;
                                 std::memcpy(at, s.message.data() + za::kNonceSize + offset, n);
                                 return true;
                             });
}

} // namespace

TEST(ArchiveEncryptedLoad, ChangedBytesAndFailedReadsLeaveNoPlaintext)
{
    for (size_t size : kSizes) {
        Sealed s;
        seal(s, size);
        Bytes out;
        ASSERT_TRUE(openReading(s, out)) << size;
        EXPECT_EQ(out, s.plain) << size;

        const size_t flips[] = {za::kNonceSize, za::kNonceSize + size / 2, za::kNonceSize + size - 1,
                                s.message.size() - 1};
        for (size_t at : flips) {
            s.message[at] ^= 0x01;
            EXPECT_FALSE(openReading(s, out)) << size << " flip " << at;
            EXPECT_TRUE(allZero(out)) << size << " flip " << at;
            s.message[at] ^= 0x01;
        }
        for (int failAt : {0, s.reads - 1}) {
            EXPECT_FALSE(openReading(s, out, failAt)) << size << " read " << failAt;
            EXPECT_TRUE(allZero(out)) << size << " read " << failAt;
        }
    }
}

TEST(ArchiveEncryptedLoad, ATamperedBlockIsRefusedThroughTheFile)
{
    ScratchDir dir;
    for (size_t size : kSizes) {
        const std::string path = dir.file("load-" + std::to_string(size) + ".qel");
        const Bytes data = randomBytes(size, 7);
        const int id = mgr()->create(path.c_str(), 16);
        ASSERT_GT(id, 0);
        ASSERT_EQ(mgr()->get(id)->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
        ASSERT_EQ(add(mgr()->get(id), "b", "ZK7_FILE", data, 3), 0);
        mgr()->close(id);

        za::Entry e;
        {
            std::unique_ptr<za::ArchiveFile> file;
            ASSERT_EQ(za::ArchiveFile::open(path.c_str(), kKey.data(), static_cast<int>(kKey.size()), file), 0);
            ASSERT_TRUE(file->entry(0, e));
        }
        const Bytes original = readFile(path);
        const uint64_t flips[] = {e.offset, e.offset + za::kNonceSize, e.offset + za::kNonceSize + size / 2,
                                  e.offset + e.storedSize - 1};
        for (uint64_t at : flips) {
            Bytes file = original;
            file[at] ^= 0x40;
            writeFile(path, file);
            const int opened = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
            ASSERT_GT(opened, 0);
            Bytes out;
            EXPECT_EQ(load(mgr()->get(opened), "b", "ZK7_FILE", out), Zelkoran::RC_ERR_CORRUPT) << size << " at " << at;
            mgr()->close(opened);
        }
        writeFile(path, original);
        const int opened = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
        ASSERT_GT(opened, 0);
        Bytes out;
        EXPECT_EQ(load(mgr()->get(opened), "b", "ZK7_FILE", out), 0) << size;
        EXPECT_EQ(out, data) << size;
        mgr()->close(opened);
    }
}
