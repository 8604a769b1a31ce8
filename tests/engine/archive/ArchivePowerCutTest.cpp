// Power cuts: every write, flush and rename of a run of changes is
// recorded, and the files a cut could leave are rebuilt from it: for each
// file, everything up to its last flush, plus any subset of its later
// writes, each torn at 512-byte sectors; the path names the file the last
// rename onto it put there, or, until the folder's flush after that
// rename, the file it named before. Each must open (never -84) to a state
// the archive passed through, never older than the last change that had
// returned 0 before the cut.
#include "ArchiveTestUtil.h"
#include "core/FileIO.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sys/stat.h>

using namespace testutil;
namespace za = Zelkoran::archive;

namespace {

const std::string kKey = "power cut key";
using State = std::map<std::string, Bytes>; // "name/type" -> data

struct Write {
    uint64_t offset;
    Bytes data;
};

void apply(Bytes& file, uint64_t offset, const uint8_t* data, size_t length)
{
    if (file.size() < offset + length)
        file.resize(offset + length, 0);
    std::copy(data, data + length, file.begin() + static_cast<ptrdiff_t>(offset));
}

// Each 512-byte sector a write touches reaches the device or not.
void applyTorn(Bytes& file, const Write& w, std::mt19937& gen)
{
    uint64_t at = w.offset;
    const uint64_t end = w.offset + w.data.size();
    while (at < end) {
        const uint64_t sectorEnd = std::min(end, (at / 512 + 1) * 512);
        if (gen() % 2)
            apply(file, at, w.data.data() + (at - w.offset), static_cast<size_t>(sectorEnd - at));
        at = sectorEnd;
    }
}

State stateOf(Archive* a)
{
    State s;
    for (int i = 0; i < a->getIndexCount(); ++i) {
        Archive::Block entry;
        if (a->blockAt(i, entry) != 0 || entry.deleted)
            continue;
        Bytes data;
        const std::string type(entry.type, strnlen(entry.type, 16));
        EXPECT_EQ(load(a, entry.name, type, data), 0) << entry.name;
        s[std::string(entry.name) + "/" + type] = data;
    }
    return s;
}

uint64_t inodeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_ino) : 0;
}

// What the device saw of one path: the I/O of every file, the renames onto
// the path and the flushes of its folder, in order.
class Device {
public:
    // Starts recording; the file now at path holds what it holds now.
    explicit Device(const std::string& path)
        : m_path(std::filesystem::absolute(path).lexically_normal().string()), m_folder(inodeOf(std::filesystem::path(path).parent_path().string())), m_file(inodeOf(path)),
          m_before(readFile(path))
    {
        Zelkoran::setWriteTap([this](Zelkoran::IoOp op, uint64_t file, uint64_t offset, const void* data, size_t length) {
            const auto* bytes = static_cast<const uint8_t*>(data);
            m_events.push_back({op, file, {offset, bytes ? Bytes(bytes, bytes + length) : Bytes{}}});
        });
    }
    ~Device() { stop(); }
    static void stop() { Zelkoran::setWriteTap(nullptr); }
    size_t now() const { return m_events.size(); }

    // Where a cut can leave something new: before each flush or rename, and at the end.
    std::vector<size_t> cuts() const
    {
        std::vector<size_t> out;
        for (size_t e = 0; e < m_events.size(); ++e)
            if (m_events[e].op != Zelkoran::IoOp::Write)
                out.push_back(e);
        out.push_back(m_events.size());
        return out;
    }
    size_t renamesOntoPath() const
    {
        return static_cast<size_t>(std::count_if(m_events.begin(), m_events.end(), [&](const Event& e) { return ontoPath(e); }));
    }

    // The file at the path after a cut before event cut. Variant 0 keeps
    // nothing unflushed, 1 all of it, the others a random part, torn.
    Bytes image(size_t cut, int variant, std::mt19937& gen) const
    {
        uint64_t durable = m_file, latest = m_file;
        for (size_t e = 0; e < cut; ++e)
            if (ontoPath(m_events[e]))
                latest = m_events[e].file;
            else if (m_events[e].op == Zelkoran::IoOp::FolderSync && m_events[e].file == m_folder)
                durable = latest;
        const uint64_t file = variant == 0 ? durable : variant == 1 ? latest : (gen() % 2 ? durable : latest);
        size_t flushed = 0;
        for (size_t e = 0; e < cut; ++e)
            if (m_events[e].op == Zelkoran::IoOp::Sync && m_events[e].file == file)
                flushed = e;
        Bytes out = file == m_file ? m_before : Bytes{};
        for (size_t e = 0; e < cut; ++e) {
            const Event& ev = m_events[e];
            if (ev.op != Zelkoran::IoOp::Write || ev.file != file)
                continue;
            if (e < flushed || variant == 1)
                apply(out, ev.write.offset, ev.write.data.data(), ev.write.data.size());
            else if (variant > 1)
                applyTorn(out, ev.write, gen);
        }
        return out;
    }

private:
    struct Event {
        Zelkoran::IoOp op;
        uint64_t file;
        Write write; // a rename's new path as data
    };
    bool ontoPath(const Event& e) const
    {
        return e.op == Zelkoran::IoOp::Rename && std::string(e.write.data.begin(), e.write.data.end()) == m_path;
    }

    std::string m_path;
    uint64_t m_folder, m_file;
    Bytes m_before;
    std::vector<Event> m_events;
};

// Opens every image a cut can leave at the device's path; states[k] is
// what the archive held once reachedAt[k] events were recorded. The
// number of images, after a failure if any.
size_t expectEveryCutOpens(const Device& device, const std::vector<State>& states, const std::vector<size_t>& reachedAt,
                           const std::string& imagePath)
{
    std::mt19937 gen(17);
    size_t images = 0;
    for (size_t cut : device.cuts()) {
        size_t oldest = 0; // the newest state reached before the cut
        while (oldest + 1 < reachedAt.size() && reachedAt[oldest + 1] <= cut)
            ++oldest;
        for (int variant = 0; variant < 6; ++variant) {
            writeFile(imagePath, device.image(cut, variant, gen));
            ++images;
            const int opened = mgr()->load(imagePath.c_str(), kKey.data(), static_cast<int>(kKey.size()));
            if (opened <= 0) {
                ADD_FAILURE() << "cut before event " << cut << " variant " << variant << ": " << opened;
                return images;
            }
            const State found = stateOf(mgr()->get(opened));
            mgr()->close(opened);
            if (std::find(states.begin() + static_cast<ptrdiff_t>(oldest), states.end(), found) == states.end()) {
                ADD_FAILURE() << "cut before event " << cut << " variant " << variant << ": not a state since " << oldest;
                return images;
            }
        }
    }
    return images;
}

class ArchivePowerCut : public ::testing::Test {
protected:
    void TearDown() override
    {
        Device::stop();
        mgr()->closeAll();
    }
    ScratchDir dir;
};

TEST_F(ArchivePowerCut, EveryImageOpensToAStateNoOlderThanTheLastDurableOne)
{
    const std::string path = dir.file("cut.qel");
    int id = mgr()->create(path.c_str(), 16);
    ASSERT_GT(id, 0);
    ASSERT_EQ(mgr()->get(id)->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
    mgr()->close(id);
    id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    ASSERT_GT(id, 0);
    Archive* a = mgr()->get(id);

    // The changes, each with the state it leaves.
    Device device(path);
    std::vector<State> states{State{}};
    std::vector<size_t> returnedAt{0}; // events recorded when each change returned
    auto change = [&](int rc) {
        ASSERT_EQ(rc, 0);
        states.push_back(stateOf(a));
        returnedAt.push_back(device.now());
    };
    for (uint32_t storage = 1; storage <= 3; ++storage)
        change(add(a, "block" + std::to_string(storage), "ZK7_FILE", randomBytes(700 + storage * 300, storage), storage));
    change(add(a, "block1", "ZK7_FILE", textBytes("replaced"), 2));
    change(a->blockDelete(Archive::Block("block2", "ZK7_FILE")));
    change(a->encrypt());
    change(add(a, "secret", "ZK7_XML", textBytes("<sealed/>"), 3));
    for (int i = 0; i < 28; ++i) // past the first table's 16 slots, and past the segment added then
        change(add(a, "grow" + std::to_string(i % 5), "ZK7_FILE", randomBytes(100 + i, 40 + i), 1 + i % 3));
    change(a->blockUndelete(1, "block2 again"));
    change(a->decrypt());
    change(add(a, "last", "ZK7_FILE", textBytes("last one"), 1));
    Device::stop();
    mgr()->close(id);
    ASSERT_GE(device.cuts().size(), states.size());
    EXPECT_GT(expectEveryCutOpens(device, states, returnedAt, dir.file("image.qel")), 100u);
}

// A rewrite builds a new file and renames it over the archive: a cut
// leaves the old archive or the new one whole, never a damaged file or
// none.
TEST_F(ArchivePowerCut, ARewriteLeavesTheOldOrTheNewArchiveWhole)
{
    struct Rewrite {
        const char* what;
        // Runs it over the archive at path (holding old); reached(state) after each step that returned 0.
        std::function<void(const std::string& path, const State& old, const std::function<void(const State&)>& reached)> run;
    };
    const Rewrite rewrites[] = {
        {"create, then an add",
         [](const std::string& path, const State&, const std::function<void(const State&)>& reached) {
             const int id = mgr()->create(path.c_str(), 16);
             ASSERT_GT(id, 0);
             reached(State{});
             ASSERT_EQ(add(mgr()->get(id), "fresh", "ZK7_FILE", textBytes("fresh"), 1), 0);
             reached(State{{"fresh/ZK7_FILE", textBytes("fresh")}});
             mgr()->close(id);
         }},
        {"defrag",
         [](const std::string& path, const State& old, const std::function<void(const State&)>& reached) {
             ASSERT_EQ(mgr()->defrag(path.c_str(), 0, kKey.data(), static_cast<int>(kKey.size())), 0);
             reached(old);
         }},
    };
    for (const Rewrite& rewrite : rewrites) {
        SCOPED_TRACE(rewrite.what);
        // Encrypted, with a replaced and a deleted block for the defrag to drop.
        const std::string path = dir.file(std::string(rewrite.what).substr(0, 6) + ".qel");
        int id = mgr()->create(path.c_str(), 16);
        ASSERT_GT(id, 0);
        Archive* a = mgr()->get(id);
        ASSERT_EQ(a->setKey(kKey.data(), static_cast<int>(kKey.size())), 0);
        ASSERT_EQ(a->encrypt(), 0);
        for (uint32_t storage = 1; storage <= 3; ++storage)
            ASSERT_EQ(add(a, "block" + std::to_string(storage), "ZK7_FILE", randomBytes(900 * storage, storage), storage), 0);
        ASSERT_EQ(add(a, "block1", "ZK7_FILE", textBytes("replaced"), 3), 0);
        ASSERT_EQ(a->blockDelete(Archive::Block("block2", "ZK7_FILE")), 0);
        const State old = stateOf(a);
        mgr()->close(id);

        Device device(path);
        std::vector<State> states{old};
        std::vector<size_t> reachedAt{0};
        rewrite.run(path, old, [&](const State& s) {
            states.push_back(s);
            reachedAt.push_back(device.now());
        });
        Device::stop();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(device.renamesOntoPath(), 1u);
        EXPECT_GT(expectEveryCutOpens(device, states, reachedAt, dir.file("image.qel")), 10u);
    }
}

} // namespace
