// Someone who can edit the file but has no key: every change to an
// encrypted archive is detected (-84), never loaded as if it were the
// archive's. And damage is reported, not rolled back silently. Archives of
// the first format still open.
#include "ArchiveTestUtil.h"
#include "archive/ArchiveFile.h"
#include "archive/ArchiveFormat.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>
#include <xxhash.h>
#include <climits>
#include <zlib.h>

#include <cstring>
#include <fcntl.h>
#include <functional>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace testutil;
namespace za = Zelkoran::archive;

namespace {

const std::string kKey = "tamper key";
constexpr size_t kRecordAt[2] = {64, 288};

uint64_t getLE(const Bytes& b, size_t at, size_t width)
{
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(b[at + i]) << (8 * i);
    return v;
}

void putLE(Bytes& b, size_t at, uint64_t v, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Offset of the record in force (layout 2), after fixing nothing.
size_t recordInForce(const Bytes& file)
{
    return getLE(file, kRecordAt[1] + 8, 8) > getLE(file, kRecordAt[0] + 8, 8) ? kRecordAt[1] : kRecordAt[0];
}

// Rewrites a record's checksum so only a keyed check can tell.
void resealChecksum(Bytes& file, size_t record)
{
    putLE(file, record + 216, XXH64(file.data() + record, 216, 0), 8);
}

struct Located {
    za::Entry entry;
    uint64_t versionAt = 0; // the slot's version in force
};

// Where an entry and its version in force lie, read through the engine's
// own reader while no one else holds the file.
Located locate(const std::string& path, int index, const std::string& key)
{
    std::unique_ptr<za::ArchiveFile> file;
    EXPECT_EQ(za::ArchiveFile::open(path.c_str(), key.empty() ? nullptr : key.data(), static_cast<int>(key.size()), file), 0);
    Located found;
    EXPECT_TRUE(file->entry(index, found.entry));
    const Bytes bytes = readFile(path);
    const uint64_t table = getLE(bytes, recordInForce(bytes) + 24, 8);
    found.versionAt = table + uint64_t(index) * 352 + file->table().activeVersion(static_cast<uint32_t>(index)) * 176;
    return found;
}

class ArchiveTamper : public ::testing::Test {
protected:
    void TearDown() override { mgr()->closeAll(); }

    // An archive with raw, zlib and encrypted blocks, its index encrypted or not.
    std::string build(bool encryptIndex)
    {
        const std::string path = dir.file(encryptIndex ? "sealed.qel" : "plain.qel");
        int id = mgr()->create(path.c_str(), 64);
        Archive* a = mgr()->get(id);
        EXPECT_EQ(a->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
        EXPECT_EQ(add(a, "first", "ZK7_FILE", textBytes("first secret!"), 3), 0);  // 0
        EXPECT_EQ(add(a, "second", "ZK7_FILE", textBytes("second secret"), 3), 0); // 1
        EXPECT_EQ(add(a, "raw", "ZK7_FILE", textBytes("raw bytes here"), 1), 0);   // 2
        EXPECT_EQ(add(a, "packed", "ZK7_XML", Bytes(4000, 'p'), 2), 0);           // 3
        EXPECT_EQ(add(a, "first", "ZK7_FILE", textBytes("first, again!"), 3), 0);  // 4, 0 deleted
        EXPECT_EQ(add(a, "doomed", "ZK7_FILE", textBytes("delete me"), 1), 0);     // 5
        if (encryptIndex) {
            EXPECT_EQ(a->encrypt(), 0);
        }
        EXPECT_EQ(a->blockDelete(Archive::Block("doomed", "ZK7_FILE")), 0);
        mgr()->close(id);
        return path;
    }

    // Opens path with the key and loads name: the first failing code.
    // Adds "next" with content to the keyed archive at path, failing the
    // header write that follows its sealed bytes; those bytes as written.
    Bytes sealedBytesOfAFailedAdd(const std::string& path, const Bytes& content)
    {
        const size_t storedSize = content.size() + za::kSealOverhead;
        Bytes sealed;
        bool sawData = false;
        Zelkoran::setWriteTap([&](Zelkoran::IoOp op, uint64_t, uint64_t, const void* data, size_t length) {
            if (op == Zelkoran::IoOp::Write && length == storedSize)
                sealed.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
        });
        Zelkoran::setFaultHook([&](Zelkoran::IoOp op, uint64_t offset, size_t length) -> int64_t {
            sawData |= op == Zelkoran::IoOp::Write && length == storedSize;
            return sawData && op == Zelkoran::IoOp::Write && offset == 0 && length == 512 ? -1 : INT64_MAX;
        });
        const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
        const int added = id > 0 ? add(mgr()->get(id), "next", "ZK7_FILE", content, 3) : 0;
        Zelkoran::setFaultHook(nullptr);
        Zelkoran::setWriteTap(nullptr);
        if (id > 0)
            mgr()->close(id);
        return id > 0 && added != 0 ? sealed : Bytes();
    }
    // Puts stored in place of the stored bytes of the block at index, with
    // the digest and version checksum made to match: only the seal can tell.
    void plantStored(const std::string& path, int index, const Bytes& stored)
    {
        const Located at = locate(path, index, kKey);
        Bytes file = readFile(path);
        std::copy(stored.begin(), stored.end(), file.begin() + static_cast<ptrdiff_t>(at.entry.offset));
        putLE(file, at.versionAt + 16 + 104, XXH3_64bits(stored.data(), stored.size()), 8);
        putLE(file, at.versionAt + 136, XXH64(file.data() + at.versionAt, 136, 0), 8);
        writeFile(path, file);
    }
    int openAndLoad(const std::string& path, const std::string& name, const std::string& type = "ZK7_FILE")
    {
        const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
        if (id <= 0)
            return id;
        Bytes out;
        const int rc = load(mgr()->get(id), name, type, out);
        mgr()->close(id);
        return rc;
    }

    ScratchDir dir;
};

TEST_F(ArchiveTamper, EncryptedBlocksAreBoundToTheirOwnVersion)
{
    struct Attack {
        const char* what;
        int from, to; // copy the stored bytes of entry from over those of entry to
        const char* load;
    };
    // "first" (4) and "second" (1) have the same length; entry 0 is the
    // older version of "first".
    const Attack attacks[] = {{"swap", 1, 4, "first"}, {"rollback", 0, 4, "first"}};
    for (bool encryptIndex : {false, true})
        for (const Attack& attack : attacks) {
            const std::string path = build(encryptIndex);
            ASSERT_EQ(openAndLoad(path, attack.load), 0);
            const za::Entry from = locate(path, attack.from, kKey).entry;
            const za::Entry to = locate(path, attack.to, kKey).entry;
            ASSERT_EQ(from.storedSize, to.storedSize);
            Bytes file = readFile(path);
            std::copy_n(file.begin() + static_cast<ptrdiff_t>(from.offset), from.storedSize,
                        file.begin() + static_cast<ptrdiff_t>(to.offset));
            writeFile(path, file);
            EXPECT_EQ(openAndLoad(path, attack.load), Zelkoran::RC_ERR_CORRUPT) << attack.what << " " << encryptIndex;
        }
}

TEST_F(ArchiveTamper, AnEncryptedIndexRefusesEveryEditWithoutTheKey)
{
    using Edit = std::function<void(Bytes&, const std::string&)>;
    struct Attack {
        const char* what;
        Edit edit;
    };
    const Attack attacks[] = {
        {"count lowered",
         [](Bytes& f, const std::string&) {
             const size_t r = recordInForce(f);
             putLE(f, r + 36, getLE(f, r + 36, 4) - 1, 4);
             resealChecksum(f, r);
         }},
        {"generation lowered",
         [](Bytes& f, const std::string&) {
             const size_t r = recordInForce(f);
             putLE(f, r + 8, getLE(f, r + 8, 8) - 1, 8);
             resealChecksum(f, r);
         }},
        {"encrypted flag cleared",
         [](Bytes& f, const std::string&) {
             const size_t r = recordInForce(f);
             putLE(f, r + 16, getLE(f, r + 16, 8) & ~uint64_t(1), 8);
             putLE(f, 20, getLE(f, 20, 8) & ~uint64_t(1), 8);
             resealChecksum(f, r);
         }},
        {"delete undone",
         [](Bytes& f, const std::string& path) {
             // The deleting version goes; the older, live one is left.
             const Located doomed = locate(path, 5, kKey);
             std::fill_n(f.begin() + static_cast<ptrdiff_t>(doomed.versionAt), 176, 0);
         }},
        {"version from another slot",
         [](Bytes& f, const std::string& path) {
             const Located raw = locate(path, 2, kKey);
             const Located other = locate(path, 3, kKey);
             std::copy_n(f.begin() + static_cast<ptrdiff_t>(other.versionAt), 176,
                         f.begin() + static_cast<ptrdiff_t>(raw.versionAt));
         }},
    };
    for (const Attack& attack : attacks) {
        const std::string path = build(true);
        Bytes file = readFile(path);
        attack.edit(file, path);
        writeFile(path, file);
        const Bytes edited = readFile(path);
        EXPECT_EQ(mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size())), Zelkoran::RC_ERR_CORRUPT)
            << attack.what;
        EXPECT_EQ(mgr()->load(path.c_str(), nullptr, 0) > 0, false) << attack.what;
        EXPECT_EQ(readFile(path), edited) << attack.what << ": opening must not write";
    }
}

TEST_F(ArchiveTamper, RawAndZlibBlocksOfAnEncryptedIndexCarryKeyedDigests)
{
    for (const char* name : {"raw", "packed"}) {
        const std::string path = build(true);
        const bool zlibBlock = std::string(name) == "packed";
        const za::Entry e = locate(path, zlibBlock ? 3 : 2, kKey).entry;
        Bytes file = readFile(path);
        // Another stream of the same length that decodes just as well.
        Bytes forged = zlibBlock ? Bytes() : textBytes("RAW BYTES HERE");
        if (zlibBlock) {
            uLongf length = compressBound(4000);
            forged.resize(length);
            compress2(forged.data(), &length, Bytes(4000, 'q').data(), 4000, 9);
            forged.resize(length);
            forged.resize(e.storedSize, 0); // trailing bytes after the stream are ignored by inflate
        }
        ASSERT_EQ(forged.size(), e.storedSize);
        std::copy(forged.begin(), forged.end(), file.begin() + static_cast<ptrdiff_t>(e.offset));
        writeFile(path, file);
        EXPECT_EQ(openAndLoad(path, name, zlibBlock ? "ZK7_XML" : "ZK7_FILE"), Zelkoran::RC_ERR_CORRUPT) << name;
    }
}

// One damaged byte never rolls an archive back: no silent fallback to the
// older record or version, no write at open, and validate says so.
TEST_F(ArchiveTamper, DamageIsReportedNotRolledBack)
{
    using Edit = std::function<size_t(const Bytes&, const std::string&)>; // offset of the byte to flip
    struct Case {
        const char* what;
        Edit at;
    };
    const Case cases[] = {
        {"record in force", [](const Bytes& f, const std::string&) { return recordInForce(f) + 50; }},
        {"older record", [](const Bytes& f, const std::string&) { return (recordInForce(f) == 64 ? 288 : 64) + 50; }},
        {"version in force", [](const Bytes&, const std::string& path) {
             return static_cast<size_t>(locate(path, 5, "").versionAt) + 40;
         }},
    };
    for (const Case& c : cases) {
        const std::string path = build(false);
        Bytes file = readFile(path);
        file[c.at(file, path)] ^= 0x20;
        writeFile(path, file);
        EXPECT_EQ(mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size())), Zelkoran::RC_ERR_CORRUPT)
            << c.what;
        EXPECT_EQ(readFile(path), file) << c.what;
    }

    // Damage under an open archive: validate finds it.
    const std::string path = build(false);
    const Located doomed = locate(path, 5, "");
    const int id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    EXPECT_EQ(mgr()->validate(id, false), 0);
    Bytes file = readFile(path);
    file[doomed.versionAt + 40] ^= 0x20;
    FILE* f = std::fopen(path.c_str(), "r+b");
    std::fseek(f, static_cast<long>(doomed.versionAt + 40), SEEK_SET);
    std::fputc(file[doomed.versionAt + 40], f);
    std::fclose(f);
    EXPECT_EQ(mgr()->validate(id, false), Zelkoran::RC_ERR_CORRUPT);
}

// Writes a plain version of entry e at at, as an editor of the file would.
void putPlainVersion(Bytes& f, uint64_t at, uint64_t generation, uint32_t slot, const za::Entry& e)
{
    std::fill_n(f.begin() + static_cast<ptrdiff_t>(at), 176, 0);
    putLE(f, at, generation, 8);
    putLE(f, at + 8, slot, 4);
    f[at + 12] = 1;
    f[at + 13] = e.bound;
    std::copy_n(e.name, 64, f.begin() + static_cast<ptrdiff_t>(at + 16));
    std::copy_n(e.type, 16, f.begin() + static_cast<ptrdiff_t>(at + 80));
    putLE(f, at + 96, e.offset, 8);
    putLE(f, at + 104, e.storedSize, 8);
    putLE(f, at + 112, e.size, 8);
    putLE(f, at + 120, e.hash, 8);
    f[at + 128] = e.storage;
    f[at + 129] = e.deleted;
    putLE(f, at + 130, e.sealId, 6);
    putLE(f, at + 136, XXH64(f.data() + at, 136, 0), 8);
}

// The encrypted index replaced by a plain one listing the same blocks
// (names learnt with the key: the worst case), every slot in version 0 at
// the record's generation, with its index sum: everything an editor without
// the key could write. rename renames entry 1; unbind clears the binding
// byte, asking for the older associated data.
void forgePlainIndex(Bytes& f, const std::string& path, const char* rename, bool unbind)
{
    const size_t r = recordInForce(f);
    const uint64_t generation = getLE(f, r + 8, 8);
    const uint64_t table = getLE(f, r + 24, 8);
    const uint32_t count = static_cast<uint32_t>(getLE(f, r + 36, 4));
    std::vector<uint32_t> slots;
    std::vector<uint64_t> generations;
    for (uint32_t slot = 0; slot < count; ++slot) {
        za::Entry e = locate(path, static_cast<int>(slot), kKey).entry;
        if (rename && slot == 1)
            za::copyField(e.name, rename, 63);
        if (unbind)
            e.bound = 0;
        putPlainVersion(f, table + slot * 352, generation, slot, e);
        std::fill_n(f.begin() + static_cast<ptrdiff_t>(table + slot * 352 + 176), 176, 0);
        slots.push_back(slot);
        generations.push_back(generation);
    }
    uint8_t sum[16] = {};
    za::xorIndexSums(slots.data(), generations.data(), count, sum);
    std::copy_n(sum, 16, f.begin() + static_cast<ptrdiff_t>(r + 136));
    putLE(f, r + 16, getLE(f, r + 16, 8) & ~uint64_t(1), 8);
    putLE(f, 20, getLE(f, 20, 8) & ~uint64_t(1), 8);
    resealChecksum(f, r);
}

// An encrypted block opens only under the kind of index and the name it
// was sealed for: an encrypted index swapped for a forged plain one, or a
// plain index renaming a block, makes its load and a deep validate -84.
TEST_F(ArchiveTamper, EncryptedBlocksOpenOnlyUnderTheirIndexAndName)
{
    struct Attack {
        const char* what;
        bool encryptIndex;
        const char* rename; // entry 1 ("second") gets this name
        bool unbind;
    };
    const Attack attacks[] = {
        {"encrypted index made plain", true, nullptr, false},
        {"encrypted index made plain, binding cleared", true, nullptr, true},
        {"encrypted index made plain, a block renamed", true, "renamed", false},
        {"plain index, a block renamed", false, "renamed", false},
    };
    for (const Attack& attack : attacks) {
        const std::string path = build(attack.encryptIndex);
        Bytes file = readFile(path);
        if (attack.encryptIndex) {
            forgePlainIndex(file, path, attack.rename, attack.unbind);
        } else {
            const Located second = locate(path, 1, "");
            za::Entry e = second.entry;
            za::copyField(e.name, attack.rename, 63);
            putPlainVersion(file, second.versionAt, getLE(file, second.versionAt, 8), 1, e);
        }
        writeFile(path, file);
        const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
        if (id > 0) {
            Bytes out;
            EXPECT_EQ(load(mgr()->get(id), attack.rename ? attack.rename : "second", "ZK7_FILE", out),
                      Zelkoran::RC_ERR_CORRUPT)
                << attack.what;
            EXPECT_EQ(mgr()->get(id)->validate(true), Zelkoran::RC_ERR_CORRUPT) << attack.what;
            mgr()->close(id);
        } else {
            EXPECT_EQ(id, Zelkoran::RC_ERR_CORRUPT) << attack.what;
        }
    }
}

// Switching the index, and renaming a block on undelete, seal encrypted
// blocks again for where they are listed: each still loads.
TEST_F(ArchiveTamper, EncryptedBlocksFollowIndexSwitchesAndRenames)
{
    const std::string path = build(true);
    const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    ASSERT_GT(id, 0);
    Archive* a = mgr()->get(id);
    ASSERT_EQ(a->blockUndelete(0, "first, renamed"), 0); // the older "first", encrypted
    for (bool encrypted : {false, true, false}) {
        ASSERT_EQ(encrypted ? a->encrypt() : a->decrypt(), 0);
        for (const auto& [name, text] : {std::pair{"first, renamed", "first secret!"}, {"second", "second secret"}}) {
            Bytes out;
            ASSERT_EQ(load(a, name, "ZK7_FILE", out), 0) << name << " encrypted " << encrypted;
            EXPECT_EQ(out, textBytes(text));
        }
        EXPECT_EQ(a->validate(true), 0);
    }
    mgr()->close(id);
}

// Which record is in force decides what the archive holds: a record made
// level with the other, or wiped, must never hand the archive to the older.
TEST_F(ArchiveTamper, ATiedOrMissingRecordInForceIsRefused)
{
    std::set<size_t> placesTried;
    for (bool encryptIndex : {false, true})
        for (int extraChanges : {0, 1})
            for (const char* edit : {"tie", "zeroed"}) {
                const std::string path = build(encryptIndex);
                if (extraChanges) {
                    const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
                    ASSERT_GT(id, 0);
                    ASSERT_EQ(add(mgr()->get(id), "later", "ZK7_FILE", textBytes("one more change")), 0);
                    mgr()->close(id);
                }
                Bytes file = readFile(path);
                const size_t r = recordInForce(file);
                placesTried.insert(r);
                if (std::string(edit) == "tie") {
                    putLE(file, r + 8, getLE(file, r + 8, 8) - 1, 8);
                    resealChecksum(file, r);
                } else {
                    std::fill_n(file.begin() + static_cast<ptrdiff_t>(r), 224, 0);
                }
                writeFile(path, file);
                const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
                mgr()->close(id);
                EXPECT_EQ(id, Zelkoran::RC_ERR_CORRUPT) << edit << " at " << r << " encrypted index " << encryptIndex;
                EXPECT_TRUE(readFile(path) == file) << edit << ": opening must not write";
            }
    EXPECT_EQ(placesTried.size(), 2u);
}

// A plain index is not authenticated, but its record sums the generation
// of every version in force: one changed generation byte is damage, not
// the older version coming back.
TEST_F(ArchiveTamper, APlainIndexRefusesAVersionInForceMadeEmptyOrNewer)
{
    using Edit = std::function<void(Bytes&, uint64_t versionAt)>;
    const std::pair<const char*, Edit> edits[] = {
        {"generation byte zeroed", [](Bytes& f, uint64_t at) { f[at] = 0; }},
        {"generation raised by one", [](Bytes& f, uint64_t at) { putLE(f, at, getLE(f, at, 8) + 1, 8); }},
        {"generation raised, checksum made again",
         [](Bytes& f, uint64_t at) {
             putLE(f, at, getLE(f, at, 8) + 1, 8);
             putLE(f, at + 136, XXH64(f.data() + at, 136, 0), 8);
         }},
    };
    for (const auto& [what, edit] : edits) {
        const std::string path = build(false);
        // The deleting version of "doomed" is the last one written.
        const Located doomed = locate(path, 5, "");
        Bytes file = readFile(path);
        ASSERT_EQ(getLE(file, doomed.versionAt, 8), getLE(file, recordInForce(file) + 8, 8));
        edit(file, doomed.versionAt);
        writeFile(path, file);
        const int id = mgr()->load(path.c_str(), nullptr, 0);
        mgr()->close(id);
        EXPECT_EQ(id, Zelkoran::RC_ERR_CORRUPT) << what;
        EXPECT_TRUE(readFile(path) == file) << what;
    }
}

// A defrag goes on counting generations: no version of a copy made before
// it carries a (slot, generation) pair that stands for another version
// after it, so none can be spliced in under the same index tag.
TEST_F(ArchiveTamper, DefragNeverReusesASlotAndGenerationPair)
{
    const std::string path = build(true);
    auto pairs = [](const Bytes& f) {
        std::set<std::pair<uint64_t, uint64_t>> out;
        const size_t r = recordInForce(f);
        const uint64_t table = getLE(f, r + 24, 8);
        for (uint64_t slot = 0; slot < getLE(f, r + 36, 4); ++slot)
            for (uint64_t v = 0; v < 2; ++v) {
                const uint64_t at = table + slot * 352 + v * 176;
                if (getLE(f, at, 8) != 0)
                    out.insert({getLE(f, at + 8, 4), getLE(f, at, 8)});
            }
        return out;
    };
    const auto before = pairs(readFile(path));
    ASSERT_EQ(mgr()->defrag(path.c_str(), 0, kKey.data(), static_cast<int>(kKey.size())), 0);
    const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    ASSERT_GT(id, 0);
    // Each entry deleted and restored: the slots of before get new versions.
    Archive* a = mgr()->get(id);
    for (int index = 0; index < a->getIndexCount(); ++index) {
        Archive::Block entry;
        ASSERT_EQ(a->blockAt(index, entry), 0);
        ASSERT_EQ(a->blockDelete(entry), 0);
        ASSERT_EQ(a->blockUndelete(index, nullptr), 0);
    }
    mgr()->close(id);
    const auto after = pairs(readFile(path));
    for (const auto& pair : after)
        EXPECT_EQ(before.count(pair), 0u) << "slot " << pair.first << " generation " << pair.second;
}

// The open rewrites the header's flags word when it is stale; the other
// record, checked only by its checksum, must be written back as it was
// and never signed.
TEST_F(ArchiveTamper, OpeningNeverSignsTheOlderRecord)
{
    const std::string path = build(true);
    Bytes file = readFile(path);
    const size_t older = recordInForce(file) == kRecordAt[0] ? kRecordAt[1] : kRecordAt[0];
    putLE(file, older + 64, getLE(file, older + 64, 8) + 1000, 8); // its modification time
    resealChecksum(file, older);
    putLE(file, 20, getLE(file, 20, 8) ^ 2, 8);
    writeFile(path, file);
    const Bytes olderBytes(file.begin() + static_cast<ptrdiff_t>(older), file.begin() + static_cast<ptrdiff_t>(older + 224));
    const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    mgr()->close(id);
    const Bytes now = readFile(path);
    EXPECT_EQ(getLE(now, 20, 8), getLE(file, 20, 8) ^ 2);
    EXPECT_EQ(Bytes(now.begin() + static_cast<ptrdiff_t>(older), now.begin() + static_cast<ptrdiff_t>(older + 224)), olderBytes);
}

// An encrypted add whose change fails after its bytes were written, then a
// reopen: the next block must not be sealed under the same id, or the
// failed add's bytes would load as that block. The failed add runs in this
// process, or in another that starts as this one is now, as each run of
// the editor starts alike.
TEST_F(ArchiveTamper, AFailedEncryptedAddNeverHandsItsSealIdOutAgain)
{
    for (const bool anotherRun : {false, true}) {
        SCOPED_TRACE(anotherRun ? "failed in another run" : "failed in this run");
        const std::string path = dir.file(anotherRun ? "failed-before.qel" : "failed.qel");
        const int created = mgr()->create(path.c_str(), 16);
        ASSERT_EQ(mgr()->get(created)->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
        ASSERT_EQ(add(mgr()->get(created), "kept", "ZK7_FILE", textBytes("kept secret"), 3), 0);
        mgr()->close(created);

        const Bytes failed = textBytes("the failed add's secret"), later = textBytes("the later add's secret!");
        ASSERT_EQ(failed.size(), later.size());
        Bytes failedStored;
        if (anotherRun) {
            const std::string kept = dir.file("failed-bytes");
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                writeFile(kept, sealedBytesOfAFailedAdd(path, failed));
                _exit(0);
            }
            int status = -1;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            failedStored = readFile(kept);
        } else {
            failedStored = sealedBytesOfAFailedAdd(path, failed);
        }
        ASSERT_EQ(failedStored.size(), failed.size() + za::kSealOverhead);
        const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
        ASSERT_EQ(add(mgr()->get(id), "next", "ZK7_FILE", later, 3), 0);
        const int index = mgr()->get(id)->blockSearch(Archive::Block("next", "ZK7_FILE"));
        mgr()->close(id);
        plantStored(path, index, failedStored);
        EXPECT_EQ(openAndLoad(path, "next"), Zelkoran::RC_ERR_CORRUPT);
    }
}

// The same failed add, then the record's next seal id set back to what it
// was before that add (its checksum made again): no one without the key
// may make the later block take the failed add's id.
TEST_F(ArchiveTamper, ARolledBackNextSealIdNeverHandsAFailedAddsIdOutAgain)
{
    const std::string path = dir.file("rolled.qel");
    const int created = mgr()->create(path.c_str(), 16);
    ASSERT_EQ(mgr()->get(created)->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
    ASSERT_EQ(add(mgr()->get(created), "kept", "ZK7_FILE", textBytes("kept secret"), 3), 0);
    mgr()->close(created);
    const Bytes before = readFile(path);
    const uint64_t nextBefore = getLE(before, recordInForce(before) + 128, 8);

    const Bytes failed = textBytes("the failed add's secret"), later = textBytes("the later add's secret!");
    const Bytes failedStored = sealedBytesOfAFailedAdd(path, failed);
    ASSERT_EQ(failedStored.size(), failed.size() + za::kSealOverhead);

    Bytes file = readFile(path);
    putLE(file, recordInForce(file) + 128, nextBefore, 8);
    resealChecksum(file, recordInForce(file));
    writeFile(path, file);
    const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    ASSERT_GT(id, 0);
    ASSERT_EQ(add(mgr()->get(id), "next", "ZK7_FILE", later, 3), 0);
    const int index = mgr()->get(id)->blockSearch(Archive::Block("next", "ZK7_FILE"));
    mgr()->close(id);
    plantStored(path, index, failedStored);
    EXPECT_EQ(openAndLoad(path, "next"), Zelkoran::RC_ERR_CORRUPT);
}

// The record's next seal id lies above every id in use; one lowered to an
// id in use would hand that id out again.
TEST_F(ArchiveTamper, ANextSealIdNotAboveEveryIdInUseIsRefused)
{
    const std::string path = build(false);
    uint64_t highest = 0;
    for (int index = 0; index < 6; ++index)
        highest = std::max(highest, locate(path, index, kKey).entry.sealId);
    ASSERT_GT(highest, 0u);
    Bytes file = readFile(path);
    const size_t r = recordInForce(file);
    putLE(file, r + 128, highest, 8);
    resealChecksum(file, r);
    writeFile(path, file);
    const int id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    mgr()->close(id);
    EXPECT_EQ(id, Zelkoran::RC_ERR_CORRUPT);
}

// A record may claim an index of no slots: the first add grows it, and the
// file it leaves opens again.
TEST_F(ArchiveTamper, AnIndexOfNoSlotsGrowsIntoOneThatOpens)
{
    const std::string path = dir.file("empty.qel");
    mgr()->close(mgr()->create(path.c_str(), 16));
    Bytes file = readFile(path);
    const size_t r = recordInForce(file);
    putLE(file, r + 32, 0, 4);
    resealChecksum(file, r);
    writeFile(path, file);
    int id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    ASSERT_EQ(add(mgr()->get(id), "first", "ZK7_FILE", textBytes("first")), 0);
    mgr()->close(id);
    id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    Bytes out;
    EXPECT_EQ(load(mgr()->get(id), "first", "ZK7_FILE", out), 0);
    EXPECT_EQ(mgr()->validate(id, true), 0);
}

// A load checks an encrypted block's stored bytes against the entry's
// digest, as a deep validate does: the two never disagree.
TEST_F(ArchiveTamper, ALoadChecksAnEncryptedBlocksDigest)
{
    const std::string path = build(false);
    const Located second = locate(path, 1, "");
    Bytes file = readFile(path);
    putLE(file, second.versionAt + 16 + 104, second.entry.hash ^ 1, 8);
    putLE(file, second.versionAt + 136, XXH64(file.data() + second.versionAt, 136, 0), 8);
    writeFile(path, file);
    EXPECT_EQ(openAndLoad(path, "second"), Zelkoran::RC_ERR_CORRUPT);
}

TEST_F(ArchiveTamper, CreateRefusesAFileAnotherWriterHolds)
{
    const std::string path = build(false);
    const int id = mgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(id, 0);
    const Bytes before = readFile(path);
    EXPECT_EQ(mgr()->create(path.c_str(), 16), Zelkoran::RC_ERR_BUSY);
    EXPECT_EQ(readFile(path), before);
    mgr()->close(id);
    EXPECT_GT(mgr()->create(path.c_str(), 16), 0);
}

// Archives written before keyed digests, record MACs and scrypt open with
// their key and take changes; the first keyed write or a defrag moves them
// to scrypt under a new salt, after which their old header is refused.
TEST_F(ArchiveTamper, FirstFormatArchivesStillOpenAndTakeChanges)
{
    const std::filesystem::path data = SKARDEN_TEST_DATA;
    const std::string key = "format one key";
    struct Expected {
        const char* file;
        std::vector<std::pair<std::string, std::string>> blocks; // name/type -> data prefix
    };
    const Expected archives[] = {
        {"v1-blocks.qel",
         {{"raw/ZK7_FILE", "raw bytes, second version"}, {"packed/ZK7_XML", "xxxx"}, {"sealed/ZK7_FILE", "secret of"}}},
        {"v1-index.qel",
         {{"raw/ZK7_FILE", "raw bytes of"}, {"sealed/ZK7_FILE", "secret of"}, {"after/ZK7_IMAGE", "added under"}}},
    };
    for (const Expected& expected : archives) {
        const std::string path = dir.file(expected.file);
        std::filesystem::copy_file(data / expected.file, path);
        for (int pass = 0; pass < 2; ++pass) {
            const int id = mgr()->load(path.c_str(), key.data(), static_cast<int>(key.size()));
            ASSERT_GT(id, 0) << expected.file << " pass " << pass;
            Archive* a = mgr()->get(id);
            for (const auto& [nameType, prefix] : expected.blocks) {
                const size_t slash = nameType.find('/');
                Bytes out;
                ASSERT_EQ(load(a, nameType.substr(0, slash), nameType.substr(slash + 1), out), 0) << nameType;
                EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<ptrdiff_t>(prefix.size())), prefix);
            }
            EXPECT_EQ(a->validate(true), 0);
            if (pass == 0) {
                EXPECT_EQ(a->setKey("another key", 11), Zelkoran::RC_ERR_KEY_REFUSED);
                EXPECT_EQ(add(a, "new", "ZK7_FILE", textBytes("format two block"), 3), 0);
            } else {
                Bytes out;
                EXPECT_EQ(load(a, "new", "ZK7_FILE", out), 0);
            }
            mgr()->close(id);
        }
        // Rewritten in layout 2, its key moved to the current derivation.
        Bytes file = readFile(path);
        EXPECT_EQ(getLE(file, 28, 4), 2u);
        EXPECT_EQ(file[recordInForce(file) + 116], za::KdfParams::SCRYPT);
        // The first format's header written back over it opens nothing.
        const Bytes original = readFile((data / expected.file).string());
        std::copy_n(original.begin(), 512, file.begin());
        writeFile(path, file);
        const int id = mgr()->load(path.c_str(), key.data(), static_cast<int>(key.size()));
        mgr()->close(id);
        EXPECT_EQ(id, Zelkoran::RC_ERR_CORRUPT) << expected.file;

        // A defrag moves the key as well.
        const std::string copy = dir.file(std::string("defragged-") + expected.file);
        std::filesystem::copy_file(data / expected.file, copy);
        ASSERT_EQ(mgr()->defrag(copy.c_str(), 0, key.data(), static_cast<int>(key.size())), 0);
        const Bytes defragged = readFile(copy);
        EXPECT_EQ(defragged[recordInForce(defragged) + 116], za::KdfParams::SCRYPT);
        const int reopened = mgr()->load(copy.c_str(), key.data(), static_cast<int>(key.size()));
        ASSERT_GT(reopened, 0);
        EXPECT_EQ(mgr()->get(reopened)->validate(true), 0);
        mgr()->close(reopened);
    }
}

TEST_F(ArchiveTamper, NewKeysAreDerivedWithScryptAtTheStoredCost)
{
    const za::KdfParams cheap = za::newKeyCost();
    za::setNewKeyCost(za::KdfParams{});
    const std::string path = build(false);
    za::setNewKeyCost(cheap);
    const Bytes file = readFile(path);
    const size_t r = recordInForce(file);
    EXPECT_EQ(file[r + 116], za::KdfParams::SCRYPT);
    EXPECT_EQ(file[r + 120], 16); // N = 65536
    EXPECT_EQ(file[r + 121], 8);  // r
    EXPECT_EQ(file[r + 122], 1);  // p
}

// No passphrase and no derived key stay in memory once the archive closes.
TEST_F(ArchiveTamper, KeysLeaveNoResidueAfterClose)
{
    std::string passphrase = "residue-check-passphrase-7f3a91";
    const std::string path = dir.file("residue.qel");
    int id = mgr()->create(path.c_str(), 8);
    ASSERT_EQ(mgr()->get(id)->setKey(passphrase.data(), static_cast<int>(passphrase.size())), 0);
    ASSERT_EQ(add(mgr()->get(id), "x", "ZK7_FILE", textBytes("sealed"), 3), 0);
    mgr()->close(id);
    id = mgr()->load(path.c_str(), passphrase.data(), static_cast<int>(passphrase.size()));
    ASSERT_GT(id, 0);
    mgr()->closeAll();

    EXPECT_EQ(copiesInMemory(passphrase), 0u);
}

} // namespace
