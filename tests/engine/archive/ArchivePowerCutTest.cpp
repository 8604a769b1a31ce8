// Power cuts: every write and flush of a run of changes is recorded, and
// the files a cut could leave are rebuilt from it: everything up to the
// last flush, plus any subset of the later writes, each torn at 512-byte
// sectors. Each must open (never -84) to a state the archive passed
// through, never older than the last change that had returned 0 before
// that flush.
#include "ArchiveTestUtil.h"
#include "archive/ArchiveIO.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace testutil;
namespace za = Zelkoran::archive;

namespace {

const std::string kKey = "power cut key";
using State = std::map<std::string, Bytes>; // "name/type" -> data

struct Write {
    uint64_t offset;
    Bytes data;
};

// What the device holds: writes in order, and after which of them each
// flush came.
struct Recording {
    std::vector<Write> writes;
    std::vector<size_t> syncs; // writes done before each flush

    void start()
    {
        za::setWriteTap([this](za::IoOp op, uint64_t offset, const void* data, size_t length) {
            if (op == za::IoOp::Sync)
                syncs.push_back(writes.size());
            else if (op == za::IoOp::Write)
                writes.push_back({offset, Bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length)});
        });
    }
    static void stop() { za::setWriteTap(nullptr); }
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

class ArchivePowerCut : public ::testing::Test {
protected:
    void TearDown() override
    {
        Recording::stop();
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
    const Bytes base = readFile(path);
    id = mgr()->load(path.c_str(), kKey.data(), static_cast<int>(kKey.size()));
    ASSERT_GT(id, 0);
    Archive* a = mgr()->get(id);

    // The changes, each with the state it leaves.
    Recording rec;
    std::vector<State> states{State{}};
    std::vector<size_t> returnedAt{0}; // writes done when each change returned
    State now;
    auto change = [&](int rc) {
        ASSERT_EQ(rc, 0);
        states.push_back(stateOf(a));
        returnedAt.push_back(rec.writes.size());
    };
    rec.start();
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
    Recording::stop();
    mgr()->close(id);
    ASSERT_GE(rec.syncs.size(), states.size());

    std::mt19937 gen(17);
    size_t images = 0;
    const std::string imagePath = dir.file("image.qel");
    for (size_t cut = 0; cut <= rec.syncs.size(); ++cut) {
        const size_t durableWrites = cut == 0 ? 0 : rec.syncs[cut - 1];
        const size_t nextSync = cut < rec.syncs.size() ? rec.syncs[cut] : rec.writes.size();
        // The newest change that had returned when its writes were flushed.
        size_t oldest = 0;
        while (oldest + 1 < returnedAt.size() && returnedAt[oldest + 1] <= durableWrites)
            ++oldest;
        Bytes durable = base;
        for (size_t w = 0; w < durableWrites; ++w)
            apply(durable, rec.writes[w].offset, rec.writes[w].data.data(), rec.writes[w].data.size());
        for (int variant = 0; variant < 6; ++variant) {
            Bytes image = durable;
            for (size_t w = durableWrites; w < nextSync; ++w) {
                if (variant == 1)
                    apply(image, rec.writes[w].offset, rec.writes[w].data.data(), rec.writes[w].data.size());
                else if (variant > 1)
                    applyTorn(image, rec.writes[w], gen);
            }
            writeFile(imagePath, image);
            ++images;
            const int opened = mgr()->load(imagePath.c_str(), kKey.data(), static_cast<int>(kKey.size()));
            ASSERT_GT(opened, 0) << "cut after flush " << cut << " variant " << variant;
            const State found = stateOf(mgr()->get(opened));
            mgr()->close(opened);
            bool known = false;
            for (size_t k = oldest; k < states.size() && !known; ++k)
                known = found == states[k];
            ASSERT_TRUE(known) << "cut after flush " << cut << " variant " << variant << ": not a state since change "
                               << oldest;
        }
    }
    EXPECT_GT(images, 100u);
}

} // namespace
