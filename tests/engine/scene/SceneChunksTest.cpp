// Infinite maps: cells in chunks at any place, negative and off the chunk
// grid, kept cell for cell through a save and a load.
#include "engine/scene/SceneTestSupport.h"

#include <array>

namespace scenetest {
namespace {

// An 8 x 8 chunk at (x, y) holding gid at the given places, 0 elsewhere.
std::string chunk(int x, int y, const std::vector<std::array<int, 3>>& cells)
{
    std::vector<int> gids(64, 0);
    for (const auto& [cx, cy, gid] : cells)
        gids[size_t((cy - y) * 8 + (cx - x))] = gid;
    std::string text;
    for (int gid : gids)
        text += (text.empty() ? "" : ",") + std::to_string(gid);
    return "<chunk x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\" width=\"8\" height=\"8\">" + text + "</chunk>";
}

uint32_t gidAt(const scene::Layer& l, int x, int y)
{
    const int lx = x - l.originX, ly = y - l.originY;
    return lx < 0 || ly < 0 || lx >= l.columns || ly >= l.rows ? 0 : l.cells[size_t(ly * l.columns + lx)];
}

TEST_F(SceneTest, InfiniteMapChunksKeepEveryCellThroughASave)
{
    const std::vector<std::array<int, 3>> placed = {{-8, -8, 1}, {-7, -7, 2}, {-1, -1, 1}, {5, 3, 2}, {12, 10, 1}};
    const std::string map =
        "<map version=\"1.10\" orientation=\"orthogonal\" width=\"1\" height=\"1\" tilewidth=\"16\" "
        "tileheight=\"16\" infinite=\"1\"><tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" tileheight=\"16\" "
        "tilecount=\"2\" columns=\"2\"><image source=\"tiles.png\" width=\"32\" height=\"16\"/></tileset>"
        "<layer id=\"1\" name=\"L\" width=\"1\" height=\"1\"><data encoding=\"csv\">" +
        chunk(-8, -8, {placed[0], placed[1], placed[2]}) + chunk(5, 3, {placed[3], placed[4]}) + "</data></layer></map>";
    const int id = loadFile("map.tmx", map);
    ASSERT_GT(id, 0) << scenes().getLastError();
    const int again = reload(id);
    ASSERT_GT(again, 0) << scenes().getLastError();
    const scene::Layer& before = *SceneAccess::map(*scenes().get(id)).slots[0];
    const scene::Layer& after = *SceneAccess::map(*scenes().get(again)).slots[0];
    for (const auto& [x, y, gid] : placed)
        EXPECT_EQ(gidAt(before, x, y), uint32_t(gid)) << x << "," << y;
    for (int y = -24; y < 24; ++y)
        for (int x = -24; x < 24; ++x)
            EXPECT_EQ(gidAt(after, x, y), gidAt(before, x, y)) << x << "," << y;
}

} // namespace
} // namespace scenetest
