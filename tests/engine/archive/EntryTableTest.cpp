// The in-memory index against a plain model, through many puts that add,
// delete, restore and rename, so probe runs grow, wrap and shrink.
#include "archive/EntryTable.h"

#include <Zelkoran/Result.h>

#include <gtest/gtest.h>
#include <array>
#include <map>
#include <random>
#include <string>

namespace {

using Zelkoran::archive::Entry;
using Zelkoran::archive::EntryTable;

Entry entryOf(const std::string& name, const std::string& type, bool deleted)
{
    Entry e;
    Zelkoran::archive::copyField(e.name, name.c_str(), 63);
    Zelkoran::archive::copyField(e.type, type.c_str(), 16);
    e.storage = 1;
    e.storedSize = name.size();
    e.deleted = deleted ? 1 : 0;
    return e;
}

TEST(EntryTable, LookupsFollowEveryChange)
{
    EntryTable table;
    std::map<std::pair<std::string, std::string>, uint32_t> live; // the model
    std::vector<Entry> slots;
    std::mt19937 gen(5);
    const char* types[] = {"ZK7_IMAGE", "ZK7_FILE", "ZK7_XML_16_BYTES"};
    for (int step = 0; step < 20000; ++step) {
        const std::string name = "n" + std::to_string(gen() % 700);
        const std::string type = types[gen() % 3];
        const bool fresh = slots.empty() || gen() % 3 == 0;
        const uint32_t slot = fresh ? static_cast<uint32_t>(slots.size()) : gen() % slots.size();
        const bool deleted = gen() % 4 == 0;
        const Entry e = entryOf(name, type, deleted);

        auto clash = live.find({name, type});
        const bool expectExists = !deleted && clash != live.end() && clash->second != slot;
        ASSERT_EQ(table.put(slot, e), expectExists ? Zelkoran::RC_ERR_EXISTS : Zelkoran::RC_OK) << step;
        if (expectExists)
            continue;
        if (!fresh && !slots[slot].deleted)
            live.erase({slots[slot].name, std::string(slots[slot].type, strnlen(slots[slot].type, 16))});
        if (!deleted)
            live[{name, type}] = slot;
        if (fresh)
            slots.push_back(e);
        else
            slots[slot] = e;
    }
    ASSERT_EQ(table.liveCount(), static_cast<int>(live.size()));
    // Lookups take the type as the 16-byte field a block holds.
    auto field = [](const char* type) {
        std::array<char, 16> f;
        Zelkoran::archive::copyField(f.data(), type, f.size());
        return f;
    };
    for (int n = 0; n < 700; ++n)
        for (const char* type : types) {
            const std::string name = "n" + std::to_string(n);
            auto it = live.find({name, type});
            EXPECT_EQ(table.find(name.c_str(), field(type).data()),
                      it == live.end() ? Zelkoran::RC_ERR_NOT_FOUND : int(it->second))
                << name << " " << type;
        }
    EXPECT_EQ(table.find("n1", field("ZK7_UNKNOWN").data()), Zelkoran::RC_ERR_NOT_FOUND);
}

TEST(EntryTable, OpeningRefusesTwoLiveEntriesWithOneNameAndType)
{
    struct Case {
        bool secondDeleted;
        const char* secondType;
        int expected;
    };
    const Case cases[] = {{false, "ZK7_FILE", Zelkoran::RC_ERR_EXISTS},
                          {true, "ZK7_FILE", Zelkoran::RC_OK},
                          {false, "ZK7_IMAGE", Zelkoran::RC_OK}};
    for (const Case& c : cases) {
        EntryTable table;
        ASSERT_EQ(table.append(entryOf("same", "ZK7_FILE", false)), 0);
        ASSERT_EQ(table.append(entryOf("same", c.secondType, c.secondDeleted)), 0);
        EXPECT_EQ(table.linkAll(), c.expected) << c.secondType << c.secondDeleted;
    }
}

} // namespace
