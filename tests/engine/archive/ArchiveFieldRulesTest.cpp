// Every stored field, one value outside its rule at a time (checksums made
// again, so only the rule can tell): the engine's open, validate and loads
// and the independent reader, written from the format page, must answer
// alike, and as the page says.
#include "ArchiveTestUtil.h"
#include "IndependentReader.h"

#include <Zelkoran/Log.h>
#include <Zelkoran/Result.h>

#include <gtest/gtest.h>
#include <xxhash.h>

#include <functional>
#include <map>

using namespace testutil;

namespace {

const std::string kKey = "field rules key";

uint64_t getLE(const Bytes& b, uint64_t at, size_t width)
{
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(b[at + i]) << (8 * i);
    return v;
}

void putLE(Bytes& b, uint64_t at, uint64_t v, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Where the fields of a file lie, read the way the page describes them.
struct Places {
    explicit Places(const Bytes& f) : file(f)
    {
        layout1 = getLE(f, 28, 4) == 0;
        const size_t places[2] = {64, layout1 ? size_t(192) : size_t(288)};
        const bool second = getLE(f, places[1] + 8, 8) > getLE(f, places[0] + 8, 8);
        record = places[second ? 1 : 0];
        older = places[second ? 0 : 1];
    }
    uint64_t table() const { return getLE(file, record + 24, 8); }
    // The slot's version in force (single table, no leftovers).
    uint64_t version(uint32_t slot) const
    {
        const uint64_t at = table() + uint64_t(slot) * 352;
        return getLE(file, at + 176, 8) > getLE(file, at, 8) ? at + 176 : at;
    }
    uint64_t entry(uint32_t slot) const { return version(slot) + 16; }
    uint64_t otherVersion(uint32_t slot) const
    {
        const uint64_t at = table() + uint64_t(slot) * 352;
        return version(slot) == at ? at + 176 : at;
    }

    const Bytes& file;
    bool layout1 = false;
    size_t record = 0, older = 0;
};

void resumRecord(Bytes& f, size_t record, bool layout1)
{
    const size_t size = layout1 ? 128 : 224;
    putLE(f, record + size - 8, XXH64(f.data() + record, size - 8, 0), 8);
}

void resumVersion(Bytes& f, uint64_t version) { putLE(f, version + 136, XXH64(f.data() + version, 136, 0), 8); }

// The checksum where the list's count puts it; a count raised past the
// file's end grows the file to hold the list it claims.
void resumList(Bytes& f, uint64_t list)
{
    const uint64_t body = 8 + 16 * getLE(f, list + 4, 4);
    if (f.size() < list + body + 8)
        f.resize(list + body + 8);
    putLE(f, list + body, XXH64(f.data() + list, body, 0), 8);
}

// Edits of the record in force, its checksum made again (and not its MAC).
std::function<void(Bytes&)> inRecord(uint64_t at, uint64_t value, size_t width)
{
    return [=](Bytes& f) {
        const Places p(f);
        putLE(f, p.record + at, value, width);
        resumRecord(f, p.record, p.layout1);
    };
}

std::function<void(Bytes&)> flipInRecord(uint64_t at, uint64_t bits)
{
    return [=](Bytes& f) { inRecord(at, getLE(f, Places(f).record + at, 8) ^ bits, 8)(f); };
}

std::function<void(Bytes&)> inOlderRecord(uint64_t at, uint64_t value, size_t width)
{
    return [=](Bytes& f) {
        const Places p(f);
        putLE(f, p.older + at, value, width);
        resumRecord(f, p.older, p.layout1);
    };
}

// Edits of a plain version in force (at is from the version's start).
std::function<void(Bytes&)> inVersion(uint32_t slot, uint64_t at, uint64_t value, size_t width)
{
    return [=](Bytes& f) {
        const uint64_t version = Places(f).version(slot);
        putLE(f, version + at, value, width);
        resumVersion(f, version);
    };
}

// Edits of the slot's version not in force, its checksum made again.
std::function<void(Bytes&)> inOtherVersion(uint32_t slot, uint64_t at, uint64_t value, size_t width)
{
    return [=](Bytes& f) {
        const uint64_t version = Places(f).otherVersion(slot);
        putLE(f, version + at, value, width);
        resumVersion(f, version);
    };
}

// Edits of the slot's empty version (generation 0), which nothing sums.
std::function<void(Bytes&)> inEmptyVersion(uint32_t slot, uint64_t at, uint8_t value)
{
    return [=](Bytes& f) {
        const uint64_t version = Places(f).otherVersion(slot);
        EXPECT_EQ(getLE(f, version, 8), 0u) << "slot " << slot << " has an empty version";
        f[version + at] = value;
    };
}

std::function<void(Bytes&)> inEntry(uint32_t slot, uint64_t at, uint64_t value, size_t width)
{
    return inVersion(slot, 16 + at, value, width);
}

// Edits of a sealed version in force, which no one without the key can seal again.
std::function<void(Bytes&)> inSealedVersion(uint32_t slot, uint64_t at, uint64_t value, size_t width)
{
    return [=](Bytes& f) { putLE(f, Places(f).version(slot) + at, value, width); };
}

std::function<void(Bytes&)> inList(uint64_t at, uint64_t value, size_t width)
{
    return [=](Bytes& f) {
        const uint64_t list = getLE(f, Places(f).record + 24, 8);
        putLE(f, list + at, value, width);
        resumList(f, list);
    };
}

// Both records relabelled version 2, as an earlier engine wrote them: a
// plain index's sum place zeroed, checksums made again.
void toVersion2(Bytes& f)
{
    for (const size_t at : {size_t(64), size_t(288)}) {
        putLE(f, at + 4, 2, 4);
        if (!(getLE(f, at + 16, 8) & 1))
            std::fill(f.begin() + static_cast<ptrdiff_t>(at) + 136, f.begin() + static_cast<ptrdiff_t>(at) + 152, 0);
        resumRecord(f, at, false);
    }
}

// A header of layout 1 written over the file: both records cut to version
// 1 (naming PBKDF2, 1000 iterations), the rest of the header zero.
void toLayout1(Bytes& f)
{
    const Bytes records(f.begin() + 64, f.begin() + 512);
    std::fill(f.begin() + 28, f.begin() + 512, 0);
    for (const size_t i : {size_t(0), size_t(1)}) {
        const size_t at = 64 + 128 * i;
        std::copy(records.begin() + static_cast<ptrdiff_t>(224 * i),
                  records.begin() + static_cast<ptrdiff_t>(224 * i + 116), f.begin() + static_cast<ptrdiff_t>(at));
        putLE(f, at + 4, 1, 4);
        putLE(f, at + 116, 1000, 4);
        resumRecord(f, at, true);
    }
}

std::function<void(Bytes&)> atByte(uint64_t at, uint8_t value)
{
    return [=](Bytes& f) { f[at] = value; };
}

// Slots of the plain and sealed archives.
enum Slot : uint32_t { kRaw, kPacked, kOne, kSecret, kDoomed, kPackedSecret };

// Clear: a plain index of raw and zlib blocks only ("secret" is raw,
// "packed secret" zlib).
enum class Fixture { Plain, Clear, Sealed, Grown, Layout1, Layout1Changed };

// What the page says of an edit: who refuses it.
struct Verdict {
    independent::Refusal open = independent::Refusal::None;
    bool validate = false, deep = false, load = false;
};
constexpr auto kOpenDamaged = Verdict{independent::Refusal::Damaged};
constexpr auto kNotArchive = Verdict{independent::Refusal::NotArchive};
constexpr auto kAccepted = Verdict{};

struct Case {
    const char* what;
    Fixture fixture;
    std::function<void(Bytes&)> edit;
    Verdict page;
    bool withoutKey = false; // opened and read with no key given
};

independent::Refusal refusalOf(int rc)
{
    switch (rc) {
    case Zelkoran::RC_ERR_NOT_ARCHIVE: return independent::Refusal::NotArchive;
    case Zelkoran::RC_ERR_CORRUPT: return independent::Refusal::Damaged;
    case Zelkoran::RC_ERR_KEY:
    case Zelkoran::RC_ERR_KEY_REFUSED: return independent::Refusal::Key;
    default: return rc > 0 ? independent::Refusal::None : independent::Refusal::Damaged;
    }
}

class ArchiveFieldRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        log()->init("field rules", 5, 0, m_logPath.c_str(), "", "", "");
    }
    void TearDown() override
    {
        mgr()->closeAll();
        log()->close();
    }
    static Zelkoran::Log* log() { return Zelkoran::Main::instance()->logMgr()->get(0); }

    // What the log gained since the last call.
    std::string logged()
    {
        const Bytes text = readFile(m_logPath);
        const std::string added(text.begin() + static_cast<ptrdiff_t>(std::min(m_logSeen, text.size())), text.end());
        m_logSeen = text.size();
        return added;
    }
    bool loggedDamage(const std::string& path)
    {
        return logged().find(" [Archive] Error: " + path + " is damaged: ") != std::string::npos;
    }

    const Bytes& fixture(Fixture which)
    {
        auto found = m_fixtures.find(which);
        if (found != m_fixtures.end())
            return found->second;
        const std::string path = dir.file("fixture.qel");
        std::filesystem::remove(path);
        if (which == Fixture::Layout1 || which == Fixture::Layout1Changed) {
            std::filesystem::copy_file(std::filesystem::path(SKARDEN_TEST_DATA) / "v1-index.qel", path);
            // One change moves it to layout 2 and its key to scrypt.
            const std::string& key = keyOf(which);
            const int id = which == Fixture::Layout1
                               ? 0
                               : mgr()->load(path.c_str(), key.data(), static_cast<int>(key.size()));
            if (id > 0) {
                EXPECT_EQ(add(mgr()->get(id), "after", "ZK7_FILE", textBytes("written by layout 2")), 0);
                mgr()->close(id);
            }
        } else {
            const int id = mgr()->create(path.c_str(), which == Fixture::Grown ? 16 : 64);
            Archive* a = mgr()->get(id);
            if (which != Fixture::Clear) {
                EXPECT_EQ(a->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
            }
            EXPECT_EQ(add(a, "raw", "ZK7_FILE", textBytes("raw bytes here"), 1), 0);
            EXPECT_EQ(add(a, "packed", "ZK7_XML", Bytes(4000, 'p'), 2), 0);
            EXPECT_EQ(add(a, "one", "ZK7_XML", textBytes("x"), 2), 0);
            EXPECT_EQ(add(a, "secret", "ZK7_FILE", textBytes("sealed secret"), which == Fixture::Clear ? 1 : 3), 0);
            EXPECT_EQ(add(a, "doomed", "ZK7_FILE", textBytes("delete me"), 1), 0);
            EXPECT_EQ(add(a, "packed secret", "ZK7_XML", Bytes(3000, 's'), which == Fixture::Clear ? 2 : 4), 0);
            // 18 slots (two of them replaced blocks) in a table of 16.
            for (int i = 0; which == Fixture::Grown && i < 12; ++i)
                EXPECT_EQ(add(a, "more" + std::to_string(std::min(i, 9)), "ZK7_FILE", textBytes("grows the index"), 1), 0);
            if (which == Fixture::Sealed) {
                EXPECT_EQ(a->encrypt(), 0);
            }
            EXPECT_EQ(a->blockDelete(Archive::Block("doomed", "ZK7_FILE")), 0);
            mgr()->close(id);
        }
        const Bytes& made = m_fixtures[which] = readFile(path);
        EXPECT_EQ(which == Fixture::Grown, (getLE(made, Places(made).record + 16, 8) & 8) != 0) << "segmented index";
        return made;
    }

    const std::string& keyOf(Fixture which) const
    {
        static const std::string layout1Key = "format one key";
        return which == Fixture::Layout1 || which == Fixture::Layout1Changed ? layout1Key : kKey;
    }

    // The edited file through the reader, then the engine: where they
    // disagree, or where both miss what the page says, the case fails.
    void check(const Case& c)
    {
        SCOPED_TRACE(c.what);
        Bytes file = fixture(c.fixture);
        c.edit(file);
        ASSERT_NE(file, fixture(c.fixture)) << "the edit changed nothing";
        const std::string path = dir.file("edited.qel");
        writeFile(path, file);
        const std::string key = c.withoutKey ? std::string() : keyOf(c.fixture);
        const independent::Archive read = independent::read(path, key);

        logged();
        const int id = mgr()->load(path.c_str(), key.empty() ? nullptr : key.data(), static_cast<int>(key.size()));
        EXPECT_EQ(refusalOf(id), read.refusal) << "engine " << id << ", reader: " << read.error;
        EXPECT_EQ(read.refusal, c.page.open) << read.error;
        const std::string opening = logged();
        EXPECT_EQ(opening.find(" [Archive] Error: " + path + " is damaged: ") != std::string::npos,
                  id == Zelkoran::RC_ERR_CORRUPT)
            << "every refusal as damage is logged";
        EXPECT_EQ(opening.find(" [Archive] Error: " + path + " cannot be opened: ") != std::string::npos,
                  id == Zelkoran::RC_ERR_KEY)
            << "every refusal for the key is logged";
        if (id <= 0)
            return;
        Archive* a = mgr()->get(id);
        const int validated = a->validate(false);
        EXPECT_EQ(loggedDamage(path), validated != 0) << "validate logs what it refuses";
        const int deep = a->validate(true);
        EXPECT_EQ(loggedDamage(path), deep != 0) << "validate(deep) logs what it refuses";
        EXPECT_EQ(validated != 0, !read.validateError.empty()) << "engine " << validated << ", reader: " << read.validateError;
        EXPECT_EQ(deep != 0, !read.deepValidateError.empty()) << "engine " << deep << ", reader: " << read.deepValidateError;
        EXPECT_EQ(read.validateError.empty(), !c.page.validate) << read.validateError;
        EXPECT_EQ(read.deepValidateError.empty(), !c.page.deep) << read.deepValidateError;
        bool anyLoadRefused = false;
        EXPECT_EQ(static_cast<size_t>(a->getIndexCount()), read.blocks.size());
        for (const independent::Block& block : read.blocks) {
            if (block.deleted || static_cast<size_t>(a->getIndexCount()) != read.blocks.size())
                continue;
            Bytes data;
            const int loaded = load(a, block.name, block.type, data);
            EXPECT_EQ(loaded == 0, block.error.empty()) << block.name << ": engine " << loaded << ", reader: " << block.error;
            if (loaded == 0) {
                EXPECT_TRUE(data == block.data) << block.name;
            }
            anyLoadRefused |= !block.error.empty();
        }
        EXPECT_EQ(anyLoadRefused, c.page.load);
        mgr()->close(id);
    }

    ScratchDir dir;

private:
    std::map<Fixture, Bytes> m_fixtures;
    std::string m_logPath = dir.file("engine.log");
    size_t m_logSeen = 0;
};

TEST_F(ArchiveFieldRules, EngineAndPageReaderRefuseTheSameEdits)
{
    using F = Fixture;
    const Verdict loadAndDeep{independent::Refusal::None, false, true, true};
    const Verdict validateOnly{independent::Refusal::None, true, true, false};
    const uint64_t g = uint64_t(1) << 48;
    const Case cases[] = {
        // Header.
        {"magic", F::Plain, atByte(3, 'X'), kNotArchive},
        {"format version", F::Plain, atByte(8, 3), kNotArchive},
        {"byte 10", F::Plain, atByte(10, 1), kNotArchive},
        {"header size", F::Plain, atByte(13, 4), kNotArchive},
        {"fixed 256", F::Plain, atByte(17, 2), kNotArchive},
        {"layout 1 over a layout-2 file", F::Plain, atByte(28, 0), kOpenDamaged},
        {"layout 3", F::Plain, atByte(28, 3), kNotArchive},
        {"flags word: only a hint", F::Plain, atByte(20, 3), kAccepted},
        {"flags word bit 56: only a hint", F::Plain, atByte(27, 1), kAccepted},
        {"header byte 40: covered by nothing", F::Plain, atByte(40, 9), kAccepted},
        // The record in force, plain index.
        {"record magic", F::Plain, inRecord(0, 0x5243, 2), kOpenDamaged},
        {"record version 4", F::Plain, inRecord(4, 4, 4), kOpenDamaged},
        {"record in force relabelled version 2", F::Plain, inRecord(4, 2, 4), kOpenDamaged},
        {"older record relabelled version 2", F::Plain, inOlderRecord(4, 2, 4), kOpenDamaged},
        {"clear: record in force relabelled version 2", F::Clear, inRecord(4, 2, 4), kOpenDamaged},
        {"clear: older record relabelled version 2", F::Clear, inOlderRecord(4, 2, 4), kOpenDamaged},
        {"clear: relabelled version 2, a deleted block's generation raised", F::Clear,
         [](Bytes& f) {
             inRecord(4, 2, 4)(f);
             inVersion(kDoomed, 0, getLE(f, Places(f).version(kDoomed), 8) + 1, 8)(f);
         },
         kOpenDamaged},
        {"clear: record in force relabelled version 2, its index sum zeroed", F::Clear,
         [](Bytes& f) {
             inRecord(4, 2, 4)(f);
             inRecord(136, 0, 8)(f);
             inRecord(144, 0, 8)(f);
         },
         kOpenDamaged},
        {"clear: both records relabelled version 2, sums zeroed", F::Clear, toVersion2, kAccepted},
        {"clear: a header of layout 1 over it", F::Clear, toLayout1, kAccepted},
        {"both records relabelled version 2 over bound blocks", F::Plain, toVersion2, kOpenDamaged},
        {"a header of layout 1 over bound blocks", F::Plain, toLayout1, kOpenDamaged, true},
        {"grown: both records relabelled version 2", F::Grown, toVersion2, kOpenDamaged},
        {"clear: older record of version 2, its sum zeroed", F::Clear,
         [](Bytes& f) {
             inOlderRecord(4, 2, 4)(f);
             inOlderRecord(136, 0, 8)(f);
             inOlderRecord(144, 0, 8)(f);
         },
         kAccepted},
        {"clear: older record of version 2 with flag bit 3", F::Clear,
         [](Bytes& f) {
             inOlderRecord(4, 2, 4)(f);
             inOlderRecord(136, 0, 8)(f);
             inOlderRecord(144, 0, 8)(f);
             inOlderRecord(16, 8, 8)(f);
         },
         kOpenDamaged},
        {"clear: index flag without a key check, no key given", F::Clear, flipInRecord(16, 1), kOpenDamaged, true},
        {"clear: index flag without a key check, a key given", F::Clear, flipInRecord(16, 1), kOpenDamaged},
        {"clear: scrypt cost without a key check, ignored", F::Clear, inRecord(120, 20, 1), kAccepted},
        {"clear: derivation 9 without a key check, ignored", F::Clear, inRecord(116, 9, 1), kAccepted},
        {"generation 0", F::Plain, inRecord(8, 0, 8), kOpenDamaged},
        {"flag bit 4", F::Plain, flipInRecord(16, 0x10), kOpenDamaged},
        {"flag bit 3 on a single table", F::Plain, flipInRecord(16, 8), kOpenDamaged},
        {"index offset inside the header", F::Plain, inRecord(24, 256, 8), kOpenDamaged},
        {"table beyond the data end", F::Plain, inRecord(32, 10000, 4), kOpenDamaged},
        {"count above capacity", F::Plain, inRecord(36, 65, 4), kOpenDamaged},
        {"block limit above 16 Mi", F::Plain, inRecord(40, (16u << 20) + 1, 4), kOpenDamaged},
        {"block limit below the live count", F::Plain, inRecord(40, 1, 4), kAccepted},
        {"byte 44", F::Plain, inRecord(44, 1, 1), kOpenDamaged},
        {"data end beyond the file", F::Plain, inRecord(48, 1u << 30, 8), kOpenDamaged},
        {"scrypt cost", F::Plain, inRecord(120, 20, 1), kOpenDamaged},
        {"scrypt r 0", F::Plain, inRecord(121, 0, 1), kOpenDamaged},
        {"scrypt p 0", F::Plain, inRecord(122, 0, 1), kOpenDamaged},
        {"byte 117", F::Plain, inRecord(117, 1, 1), kOpenDamaged},
        {"byte 123", F::Plain, inRecord(123, 1, 1), kOpenDamaged},
        {"byte 126", F::Plain, inRecord(126, 1, 1), kOpenDamaged},
        {"next seal id 0", F::Plain, inRecord(128, 0, 8), kOpenDamaged},
        {"next seal id above 2^48", F::Plain, inRecord(128, g + 1, 8), kOpenDamaged},
        {"next seal id at 1, below the ids in use", F::Plain, inRecord(128, 1, 8), kOpenDamaged},
        {"next seal id just above the ids in use, as earlier engines counted", F::Plain,
         [](Bytes& f) {
             const Places p(f);
             inRecord(128, std::max(getLE(f, p.entry(kSecret) + 114, 6), getLE(f, p.entry(kPackedSecret) + 114, 6)) + 1, 8)(f);
         },
         kAccepted},
        {"index sum", F::Plain, inRecord(140, 0x55, 1), kOpenDamaged},
        {"MAC place under a plain index", F::Plain, inRecord(160, 1, 1), kOpenDamaged},
        {"byte 200", F::Plain, inRecord(200, 1, 1), kOpenDamaged},
        {"key check tag", F::Plain, inRecord(101, 0x33, 1), Verdict{independent::Refusal::Key}},
        // The record in force, encrypted index: the MAC is not made again.
        {"sealed: byte 44", F::Sealed, inRecord(44, 1, 1), kOpenDamaged},
        {"sealed: byte 118", F::Sealed, inRecord(118, 1, 1), kOpenDamaged},
        {"sealed: byte 125", F::Sealed, inRecord(125, 1, 1), kOpenDamaged},
        {"sealed: byte 190", F::Sealed, inRecord(190, 1, 1), kOpenDamaged},
        {"sealed: modification time", F::Sealed, inRecord(64, 12345, 8), kOpenDamaged},
        {"sealed: next seal id", F::Sealed, inRecord(128, 5, 8), kOpenDamaged},
        {"sealed: relabelled version 2", F::Sealed, inRecord(4, 2, 4), kOpenDamaged},
        {"sealed: a header of layout 1 over it, naming PBKDF2", F::Sealed, toLayout1,
         Verdict{independent::Refusal::Key}},
        {"sealed: older record's time, never used", F::Sealed, inOlderRecord(64, 12345, 8), kAccepted},
        {"its own header of layout 1 written back over its encrypted index", F::Layout1Changed,
         [this](Bytes& f) {
             const Bytes& original = fixture(F::Layout1);
             std::copy(original.begin(), original.begin() + 512, f.begin());
         },
         kOpenDamaged},
        // A plain version.
        {"slot number", F::Plain, inVersion(kRaw, 8, 7, 4), kOpenDamaged},
        {"kind 7", F::Plain, inVersion(kRaw, 12, 7, 1), kOpenDamaged},
        {"kind sealed under a plain record", F::Plain, inVersion(kRaw, 12, 3, 1), kOpenDamaged},
        {"binding 2", F::Plain, inVersion(kSecret, 13, 2, 1), kOpenDamaged},
        {"version byte 14", F::Plain, inVersion(kRaw, 14, 1, 1), kOpenDamaged},
        {"version byte 15", F::Plain, inVersion(kRaw, 15, 1, 1), kOpenDamaged},
        {"generation two ahead", F::Plain,
         [](Bytes& f) { inVersion(kRaw, 0, getLE(f, Places(f).record + 8, 8) + 2, 8)(f); }, kOpenDamaged},
        {"generation lowered", F::Plain,
         [](Bytes& f) { inVersion(kDoomed, 0, getLE(f, Places(f).version(kDoomed), 8) - 1, 8)(f); }, kOpenDamaged},
        {"version byte 150: covered by nothing", F::Plain, inVersion(kRaw, 150, 1, 1), kAccepted},
        {"a deleted entry's older version raised to its generation", F::Plain,
         [](Bytes& f) {
             EXPECT_GT(getLE(f, Places(f).otherVersion(kDoomed), 8), 0u) << "the live version before the delete";
             inOtherVersion(kDoomed, 0, getLE(f, Places(f).version(kDoomed), 8), 8)(f);
         },
         kOpenDamaged},
        {"empty version's entry bytes: covered by nothing", F::Plain, inEmptyVersion(kRaw, 40, 1), kAccepted},
        {"empty version bound under a version-2 record", F::Clear,
         [](Bytes& f) {
             toVersion2(f);
             inEmptyVersion(kRaw, 13, 1)(f);
         },
         kOpenDamaged},
        {"empty version binding 2 under a version-2 record", F::Clear,
         [](Bytes& f) {
             toVersion2(f);
             inEmptyVersion(kRaw, 13, 2)(f);
         },
         kOpenDamaged},
        // A sealed version (kind 3), and one of layout 1 (kind 2).
        {"sealed version byte 14", F::Sealed, inSealedVersion(kRaw, 14, 1, 1), kOpenDamaged},
        {"sealed version kind plain", F::Sealed, inSealedVersion(kRaw, 12, 1, 1), kOpenDamaged},
        {"sealed version kind 2", F::Sealed, inSealedVersion(kRaw, 12, 2, 1), kOpenDamaged},
        {"sealed version ciphertext", F::Sealed, [](Bytes& f) { f[Places(f).version(kRaw) + 40] ^= 0x77; }, kOpenDamaged},
        {"layout-1 version bound", F::Layout1, inSealedVersion(0, 13, 1, 1), kOpenDamaged},
        {"layout-1 version kind 3", F::Layout1, inSealedVersion(0, 12, 3, 1), kOpenDamaged},
        {"layout-1 empty version kind 3", F::Layout1, inEmptyVersion(0, 12, 3), kOpenDamaged},
        {"layout-1 record byte 45", F::Layout1, inRecord(45, 1, 1), kOpenDamaged},
        // An entry (plain version).
        {"empty name", F::Plain, inEntry(kRaw, 0, 0, 1), kOpenDamaged},
        {"byte after the name", F::Plain, inEntry(kRaw, 5, 'z', 1), kOpenDamaged},
        {"name byte 63", F::Plain, inEntry(kRaw, 63, 'z', 1), kOpenDamaged},
        {"byte after the type", F::Plain, inEntry(kRaw, 64 + 12, 'z', 1), kOpenDamaged},
        {"offset inside the header", F::Plain, inEntry(kRaw, 80, 100, 8), kOpenDamaged},
        {"stored bytes beyond the data end", F::Plain, inEntry(kRaw, 80, 1u << 30, 8), kOpenDamaged},
        {"raw sizes apart", F::Plain, inEntry(kRaw, 96, 13, 8), kOpenDamaged},
        {"data size above 2^40", F::Plain, inEntry(kPacked, 96, (uint64_t(1) << 40) + 1, 8), kOpenDamaged},
        {"zlib size beyond what zlib expands to", F::Plain, inEntry(kOne, 96, 1u << 20, 8), kOpenDamaged},
        {"encrypted sizes apart", F::Plain, inEntry(kSecret, 96, 12, 8), kOpenDamaged},
        {"storage 5", F::Plain, inEntry(kRaw, 112, 5, 1), kOpenDamaged},
        {"raw entry relabelled sealed zlib: no seal id", F::Plain, inEntry(kRaw, 112, 4, 1), kOpenDamaged},
        {"sealed zlib without its seal id", F::Plain, inEntry(kPackedSecret, 114, 0, 6), kOpenDamaged},
        {"sealed zlib not bound", F::Plain, inVersion(kPackedSecret, 13, 0, 1), kOpenDamaged},
        {"sealed zlib shorter than a seal and an empty stream", F::Plain, inEntry(kPackedSecret, 88, 35, 8),
         kOpenDamaged},
        {"sealed zlib size beyond what zlib expands to", F::Plain, inEntry(kPackedSecret, 96, 1u << 30, 8),
         kOpenDamaged},
        {"sealed zlib data size one short", F::Plain, inEntry(kPackedSecret, 96, 2999, 8), loadAndDeep},
        {"sealed zlib data size one long", F::Plain, inEntry(kPackedSecret, 96, 3001, 8), loadAndDeep},
        {"sealed zlib digest", F::Plain, inEntry(kPackedSecret, 104, 1, 8), loadAndDeep},
        {"sealed zlib relabelled encrypted, its size made to fit", F::Plain,
         [](Bytes& f) {
             inEntry(kPackedSecret, 112, 3, 1)(f);
             inEntry(kPackedSecret, 96, getLE(f, Places(f).entry(kPackedSecret) + 88, 8) - 28, 8)(f);
         },
         loadAndDeep},
        {"encrypted block relabelled sealed zlib", F::Plain, inEntry(kSecret, 112, 4, 1), loadAndDeep},
        {"deleted 2", F::Plain, inEntry(kRaw, 113, 2, 1), kOpenDamaged},
        {"seal id on a raw entry", F::Plain, inEntry(kRaw, 114, 9, 6), kOpenDamaged},
        {"seal id on a zlib entry", F::Plain, inEntry(kPacked, 114, 9, 6), kOpenDamaged},
        {"raw digest", F::Plain, inEntry(kRaw, 104, 1, 8), loadAndDeep},
        {"zlib digest: a load checks the stream", F::Plain, inEntry(kPacked, 104, 1, 8),
         Verdict{independent::Refusal::None, false, true, false}},
        {"encrypted digest", F::Plain, inEntry(kSecret, 104, 1, 8), loadAndDeep},
        {"encrypted seal id", F::Plain, inEntry(kSecret, 114, 9, 6), loadAndDeep},
        {"zlib data size 1 made 0", F::Plain, inEntry(kOne, 96, 0, 8), loadAndDeep},
        {"zlib data size one short", F::Plain, inEntry(kPacked, 96, 3999, 8), loadAndDeep},
        {"zlib data size one long", F::Plain, inEntry(kPacked, 96, 4001, 8), loadAndDeep},
        {"zlib stored size one short", F::Plain,
         [](Bytes& f) { inEntry(kPacked, 88, getLE(f, Places(f).entry(kPacked) + 88, 8) - 1, 8)(f); }, loadAndDeep},
        {"zlib stored size one long", F::Plain,
         [](Bytes& f) { inEntry(kPacked, 88, getLE(f, Places(f).entry(kPacked) + 88, 8) + 1, 8)(f); },
         Verdict{independent::Refusal::None, true, true, true}},
        {"deleted entry over a live one's bytes", F::Plain,
         [](Bytes& f) {
             const Places p(f);
             const uint64_t raw = p.entry(kRaw);
             inEntry(kDoomed, 80, getLE(f, raw + 80, 8), 8)(f);
             inEntry(kDoomed, 88, getLE(f, raw + 88, 8), 8)(f);
             inEntry(kDoomed, 96, getLE(f, raw + 96, 8), 8)(f);
         },
         validateOnly},
        {"deleted entry inside the index table", F::Plain,
         [](Bytes& f) { inEntry(kDoomed, 80, Places(f).table() + 352, 8)(f); }, validateOnly},
        {"two live blocks of one name and type", F::Plain,
         [](Bytes& f) {
             const Places p(f);
             for (uint64_t i = 0; i < 80; ++i)
                 f[p.entry(kDoomed) + i] = f[p.entry(kRaw) + i];
             resumVersion(f, p.version(kDoomed));
             inEntry(kDoomed, 113, 0, 1)(f);
         },
         kOpenDamaged},
        // The segment list of a grown index.
        {"list magic", F::Grown, inList(0, 'X', 1), kOpenDamaged},
        {"list count 0", F::Grown, inList(4, 0, 4), kOpenDamaged},
        {"list count 129", F::Grown, inList(4, 129, 4), kOpenDamaged},
        {"segment of no slots", F::Grown, inList(8 + 8, 0, 4), kOpenDamaged},
        {"segment zero field", F::Grown, inList(8 + 12, 1, 4), kOpenDamaged},
        {"segment inside the header", F::Grown, inList(8, 64, 8), kOpenDamaged},
        {"segments overlap", F::Grown,
         [](Bytes& f) { inList(8 + 16, getLE(f, getLE(f, Places(f).record + 24, 8) + 8, 8) + 352, 8)(f); }, kOpenDamaged},
        {"slots not the capacity", F::Grown, inList(8 + 8, 15, 4), kOpenDamaged},
        {"list checksum", F::Grown,
         [](Bytes& f) { f[getLE(f, Places(f).record + 24, 8) + 8 + 32] ^= 1; }, kOpenDamaged},
    };
    for (const Case& c : cases)
        check(c);
}

} // namespace
