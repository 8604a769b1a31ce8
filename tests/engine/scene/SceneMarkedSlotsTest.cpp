// The engine's own texts keep each top-level layer in the slot of its id,
// also when layers were appended after higher slots; a text whose ids clash
// falls back to document order.
#include "engine/scene/SceneTestSupport.h"

namespace scenetest {
namespace {

std::string marked(const std::string& ids)
{
    std::string text = "<!-- Zelkoran GDK Scene format: m -->\n<map orientation=\"orthogonal\" width=\"1\" "
                       "height=\"1\" tilewidth=\"16\" tileheight=\"16\">";
    for (char id : ids)
        text += std::string("<objectgroup id=\"") + id + "\" name=\"" + id + "\"/>";
    return text + "</map>";
}

TEST_F(SceneTest, MarkedTextsPutLayersInTheSlotsOfTheirIds)
{
    const std::pair<const char*, const char*> cases[] = {
        {"125", "12--5"}, {"1524", "12-45"}, {"3", "--3"}, {"121", "121"}, {"10", "10"}};
    for (const auto& [ids, expected] : cases) {
        const int id = loadText(marked(ids));
        ASSERT_GT(id, 0) << ids;
        Scene* s = scenes().get(id);
        std::string slots;
        for (int slot = 1; slot <= s->getLayerCount(0); ++slot) {
            String name;
            slots += s->getLayerName(slot, name) ? name.c_str() : "-";
        }
        EXPECT_EQ(slots, expected) << ids;
    }
}

} // namespace
} // namespace scenetest
