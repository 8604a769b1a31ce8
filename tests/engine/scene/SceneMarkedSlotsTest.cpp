// The engine's own texts keep each top-level layer in the slot it names
// (zk-slot), else the slot of its id, also when layers were appended after
// higher slots; a text whose slots clash falls back to document order.
#include "engine/scene/SceneTestSupport.h"

namespace scenetest {
namespace {

// One object group per id, named by it; slots[i] is the zk-slot of the
// i-th ('-' or absent: none).
std::string marked(const std::string& ids, const std::string& slots)
{
    std::string text = "<!-- Zelkoran GDK Scene format: m -->\n<map orientation=\"orthogonal\" width=\"1\" "
                       "height=\"1\" tilewidth=\"16\" tileheight=\"16\">";
    for (size_t i = 0; i < ids.size(); ++i)
        text += std::string("<objectgroup id=\"") + ids[i] + "\" name=\"" + ids[i] + "\"" +
                (i < slots.size() && slots[i] != '-' ? std::string(" zk-slot=\"") + slots[i] + "\"" : "") + "/>";
    return text + "</map>";
}

TEST_F(SceneTest, MarkedTextsPutLayersInTheSlotsOfTheirIds)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"125", "", "12--5"}, {"1524", "", "12-45"}, {"3", "", "--3"}, {"121", "", "121"}, {"10", "", "10"},
        {"95", "21", "59"},   {"93", "2-", "-93"},   {"92", "2-", "92"}, {"9", "0", "9"}};
    for (const auto& [ids, slotsGiven, expected] : cases) {
        const int id = loadText(marked(ids, slotsGiven));
        ASSERT_GT(id, 0) << ids;
        Scene* s = scenes().get(id);
        std::string slots;
        for (int slot = 1; slot <= s->getLayerCount(0); ++slot) {
            String name;
            slots += s->getLayerName(slot, name) ? name.c_str() : "-";
        }
        EXPECT_EQ(slots, expected) << ids << " " << slotsGiven;
    }
}

} // namespace
} // namespace scenetest
