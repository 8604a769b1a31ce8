// The format page held against the writer: a reader written from the page
// alone lists and reads what the engine writes in every mode, block for
// block, deleted ones included.
#include "ArchiveTestUtil.h"
#include "IndependentReader.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <functional>

using namespace testutil;

namespace {

struct Expected {
    std::string name;
    std::string type;
    uint32_t storage = 1;
    Bytes data;
    bool deleted = false;
};

// An archive written through the engine, and what it must hold.
class Written {
public:
    Written(const std::string& path, int limit, const std::string& key) : m_path(path), m_key(key)
    {
        m_id = mgr()->create(path.c_str(), limit);
        EXPECT_GT(m_id, 0);
        if (!key.empty()) {
            EXPECT_EQ(archive()->setKey(key.data(), static_cast<int>(key.size())), 0);
        }
    }

    Archive* archive() { return mgr()->get(m_id); }
    const std::vector<Expected>& entries() const { return m_entries; }

    void add(const std::string& name, const std::string& type, const Bytes& data, uint32_t storage)
    {
        ASSERT_EQ(testutil::add(archive(), name, type, data, storage), 0) << name;
        for (Expected& e : m_entries)
            e.deleted = e.deleted || (e.name == name && e.type == type);
        m_entries.push_back({name, type, storage, data});
    }
    void remove(int index)
    {
        Expected& e = m_entries[static_cast<size_t>(index)];
        ASSERT_EQ(archive()->blockDelete(Archive::Block(e.name.c_str(), e.type.c_str())), 0) << e.name;
        e.deleted = true;
    }
    void undelete(int index, const std::string& newName)
    {
        ASSERT_EQ(archive()->blockUndelete(index, newName.empty() ? nullptr : newName.c_str()), 0) << index;
        Expected& e = m_entries[static_cast<size_t>(index)];
        e.deleted = false;
        if (!newName.empty())
            e.name = newName;
    }
    void close() { mgr()->close(m_id); }
    // Closes the archive and rewrites it without its deleted entries.
    void defrag()
    {
        close();
        ASSERT_EQ(mgr()->defrag(m_path.c_str(), 0, m_key.empty() ? nullptr : m_key.data(), static_cast<int>(m_key.size())), 0);
        std::erase_if(m_entries, [](const Expected& e) { return e.deleted; });
        m_id = mgr()->load(m_path.c_str(), m_key.empty() ? nullptr : m_key.data(), static_cast<int>(m_key.size()));
        ASSERT_GT(m_id, 0);
    }

private:
    std::string m_path;
    std::string m_key;
    int m_id = 0;
    std::vector<Expected> m_entries;
};

void expectReads(const std::string& path, const std::string& key, const std::vector<Expected>& expected)
{
    const independent::Archive read = independent::read(path, key);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.layout, 2);
    ASSERT_EQ(read.blocks.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const independent::Block& got = read.blocks[i];
        const Expected& want = expected[i];
        SCOPED_TRACE("entry " + std::to_string(i) + " " + want.name);
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.type, want.type);
        EXPECT_EQ(got.storage, want.storage);
        EXPECT_EQ(got.deleted, want.deleted);
        EXPECT_EQ(got.error, "");
        EXPECT_TRUE(got.data == want.data);
    }
}

const std::string kKey = "reader key";

// Blocks of each storage, from empty to past the engine's whole-read size.
void addMixed(Written& w, const std::string& prefix, bool encrypted)
{
    const size_t sizes[] = {0, 1, 1000, 300000};
    int n = 0;
    for (size_t size : sizes)
        for (uint32_t storage = 1; storage <= (encrypted ? 4u : 2u); ++storage, ++n)
            w.add(prefix + std::to_string(n), storage == 2 ? "ZK7_XML" : "ZK7_FILE",
                  randomBytes(size, static_cast<uint32_t>(n * 31 + prefix.size())), storage);
}

struct Scenario {
    const char* what;
    std::string key;
    std::function<void(Written&)> build;
    int limit = 30;
};

TEST(ArchiveReader, ReadsWhatTheEngineWritesInEveryMode)
{
    ScratchDir dir;
    const Scenario scenarios[] = {
        {"plain", "",
         [](Written& w) {
             addMixed(w, "p", false);
             w.add("h\xc3\xa9ros", "ABCDEFGHIJKLMNOP", textBytes("utf-8 name, full type"), 1);
             w.add(std::string(63, 'n'), "ZK7_FILE", textBytes("longest name"), 2);
         }},
        {"encrypted blocks", kKey, [](Written& w) { addMixed(w, "e", true); }},
        {"encrypted index", kKey,
         [](Written& w) {
             addMixed(w, "a", true);
             ASSERT_EQ(w.archive()->encrypt(), 0);
             addMixed(w, "b", true); // entries of the encrypted index from the start
             w.add("a1", "ZK7_FILE", textBytes("replaced under the encrypted index"), 1);
             w.add("a7", "ZK7_FILE", Bytes(400000, 'c'), 4); // past the whole-read size once inflated
             w.remove(2);
             w.undelete(2, "a2back");
             w.remove(3);
             w.undelete(3, "a3back"); // a sealed zlib stream sealed again under its new name
         },
         40},
        {"replaced, deleted, undeleted, grown", kKey,
         [](Written& w) {
             for (int i = 0; i < 25; ++i)
                 w.add("r" + std::to_string(i), "ZK7_FILE", randomBytes(100 + i, i), 1 + i % 4);
             for (int i = 0; i < 10; ++i) // 35 entries in 30 slots: the table moves
                 w.add("r" + std::to_string(i), "ZK7_FILE", randomBytes(50 + i, 100 + i), 1 + (i + 1) % 4);
             w.remove(12);
             w.remove(13);
             w.undelete(12, "");
             w.undelete(0, "r0old");
             w.undelete(3, "r3old"); // replaced, sealed zlib
         }},
        {"index encrypted, then plain again", kKey,
         [](Written& w) {
             addMixed(w, "d", true);
             ASSERT_EQ(w.archive()->encrypt(), 0);
             w.remove(1);
             ASSERT_EQ(w.archive()->decrypt(), 0);
             w.add("after", "ZK7_FILE", textBytes("plain again"), 2);
         }},
        {"encrypted index, defragmented", kKey,
         [](Written& w) {
             addMixed(w, "f", true);
             ASSERT_EQ(w.archive()->encrypt(), 0);
             w.add("f0", "ZK7_FILE", textBytes("second f0"), 3);
             w.remove(4);
             w.defrag();
             w.add("f9", "ZK7_FILE", textBytes("after the defrag"), 1);
         }},
        {"plain index, defragmented", "",
         [](Written& w) {
             addMixed(w, "g", false);
             w.remove(0);
             w.add("g1", "ZK7_XML", textBytes("<replaced/>"), 2);
             w.defrag();
         }},
    };
    int n = 0;
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.what);
        const std::string path = dir.file("mode" + std::to_string(n++) + ".qel");
        Written w(path, scenario.limit, scenario.key);
        scenario.build(w);
        w.close();
        expectReads(path, scenario.key, w.entries());
        if (!scenario.key.empty()) {
            EXPECT_EQ(independent::read(path, "not the key").error, "wrong key");
        }
    }
}

// Files of the earlier layout read as the engine reads them, before and
// after the first change turns them into layout 2.
TEST(ArchiveReader, ReadsTheEarlierLayoutBeforeAndAfterItsConversion)
{
    ScratchDir dir;
    const std::string key = "format one key";
    for (const char* name : {"v1-blocks.qel", "v1-index.qel"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        std::filesystem::copy_file(std::filesystem::path(SKARDEN_TEST_DATA) / name, path);
        for (int pass = 0; pass < 2; ++pass) {
            const independent::Archive read = independent::read(path, key);
            ASSERT_EQ(read.error, "");
            EXPECT_EQ(read.layout, pass == 0 ? 1 : 2);
            const int id = mgr()->load(path.c_str(), key.data(), static_cast<int>(key.size()));
            ASSERT_GT(id, 0);
            Archive* a = mgr()->get(id);
            ASSERT_EQ(read.blocks.size(), static_cast<size_t>(a->getIndexCount()));
            for (size_t i = 0; i < read.blocks.size(); ++i) {
                Archive::Block listed;
                ASSERT_EQ(a->blockAt(static_cast<int>(i), listed), 0);
                const independent::Block& got = read.blocks[i];
                EXPECT_EQ(got.name, listed.name);
                EXPECT_EQ(got.deleted, listed.deleted != 0);
                EXPECT_EQ(got.error, "") << got.name;
                Bytes data;
                if (!got.deleted) {
                    ASSERT_EQ(load(a, got.name, got.type, data), 0) << got.name;
                    EXPECT_TRUE(got.data == data) << got.name;
                }
            }
            // Converted, then grown past its 64 slots: the earlier table
            // becomes the first segment.
            for (int i = 0; pass == 0 && i < 64; ++i)
                ASSERT_EQ(add(a, "converted", "ZK7_FILE", textBytes("written in layout 2, " + std::to_string(i)), 3), 0);
            mgr()->close(id);
        }
    }
}

} // namespace
