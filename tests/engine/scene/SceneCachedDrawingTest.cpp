// A scene redrawn after a change shows the same pixels as drawing its map
// afresh, whatever the renderer keeps from earlier frames.
#include "engine/scene/SceneTestSupport.h"
#include "scene/KeptSamples.h"
#include "scene/SceneIO.h"

#include <Zelkoran/Screen.h>

#include <functional>

namespace scenetest {
namespace {

constexpr int kW = 96, kH = 64;

// Two layers over an opaque background; tile 1 turns blue past 100 ms.
const std::string kMap =
    "<map orientation=\"orthogonal\" width=\"4\" height=\"2\" tilewidth=\"16\" tileheight=\"16\" "
    "backgroundcolor=\"#203040\"><tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\">"
    "<image source=\"tiles.png\"/><tile id=\"0\"><animation><frame tileid=\"0\" duration=\"100\"/>"
    "<frame tileid=\"1\" duration=\"100\"/></animation></tile></tileset>"
    "<layer id=\"1\" name=\"a\" width=\"4\" height=\"2\"><data encoding=\"csv\">1,0,2,0,0,0,0,0</data></layer>"
    "<layer id=\"2\" name=\"b\" width=\"4\" height=\"2\"><data encoding=\"csv\">0,0,0,0,0,2,0,0</data></layer>"
    "</map>";

std::vector<uint32_t> readScreen(Screen& screen)
{
    std::vector<uint32_t> pixels(kW * kH);
    SDL_RenderReadPixels(screen.getRenderer(), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), kW * 4);
    return pixels;
}

TEST_F(SceneTest, RedrawAfterAChangeEqualsAFreshDraw)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(kW, kH);
    ASSERT_EQ(screen.show(), 0);
    const SDL_Rect view{8, 8, 64, 32}; // the map's size: its background covers the clip
    const std::vector<std::pair<const char*, std::function<void(Scene&)>>> changes = {
        {"layer hidden", [](Scene& s) { s.setLayerFeatures(2, SLF_SHOWN, false); }},
        {"layer moved", [](Scene& s) { SceneAccess::map(s).slots[0]->offsetX += 5; }},
        {"tile edited", [](Scene& s) { SceneAccess::map(s).slots[0]->cells[1] = 2; }},
        {"animation frame advanced", [](Scene& s) { s.update(101); }},
        {"viewport moved", [](Scene& s) { s.setViewport(SDL_Rect{4, 8, 64, 32}); }},
    };
    for (const auto& [what, change] : changes) {
        const int id = loadFile("m.tmx", kMap);
        ASSERT_GT(id, 0) << scenes().getLastError();
        Scene& s = *scenes().get(id);
        ASSERT_EQ(s.setViewport(view), 0);
        screen.clear(0, 0, 0, 255);
        ASSERT_EQ(s.render(0, 0), 0);
        const std::vector<uint32_t> before = readScreen(screen);
        change(s);
        screen.clear(0, 0, 0, 255);
        ASSERT_EQ(s.render(0, 0), 0);
        const std::vector<uint32_t> redrawn = readScreen(screen);

        screen.clear(0, 0, 0, 255);
        SDL_Rect area = view;
        s.getViewport(area);
        SDL_RenderSetClipRect(screen.getRenderer(), &area);
        scene::drawMap(SceneAccess::map(s), screen.getRenderer(), float(area.x), float(area.y), SceneAccess::clock(s));
        SDL_RenderSetClipRect(screen.getRenderer(), nullptr);
        const std::vector<uint32_t> fresh = readScreen(screen);

        size_t shown = 0, stale = 0;
        for (size_t i = 0; i < fresh.size(); ++i)
            shown += before[i] != redrawn[i], stale += redrawn[i] != fresh[i];
        EXPECT_GT(shown, 0u) << what << " changes the picture";
        EXPECT_EQ(stale, 0u) << what;
        scenes().close(id);
        opened.clear();
    }
}

// Stretched tiles kept sampled hold no more than their budget together: a
// picture lets its least recently used go first, never another picture's,
// and one too large is not kept.
TEST(KeptSamplesTest, StayWithinTheirBudget)
{
    using Zelkoran::scene::KeptSamples;
    using Zelkoran::scene::SampledPart;
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target);
    ASSERT_NE(renderer, nullptr);
    // Half-clear pixels each stretched over a whole row: each kept twice
    // over, at 8 bytes a pixel.
    const int side = 1024;
    SDL_Surface* pixels = SDL_CreateRGBSurfaceWithFormat(0, side, side, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(pixels, nullptr, 0x80FFFFFF);
    const auto part = [&](uint32_t tint) {
        SampledPart p;
        p.tint = tint, p.from = {0, 0, 1, 1}, p.xs.assign(side, 0), p.ys.assign(side, 0);
        return p;
    };
    const size_t fit = KeptSamples::kBudget / (size_t(side) * side * 8);
    {
        KeptSamples kept, other;
        for (uint32_t i = 0; i < fit; ++i)
            ASSERT_NE(kept.keep(renderer, part(i), pixels), nullptr) << i;
        EXPECT_EQ(other.keep(renderer, part(0), pixels), nullptr) << "no room left for another picture";
        ASSERT_NE(kept.find(part(0)), nullptr); // now the most recently used
        EXPECT_NE(kept.keep(renderer, part(uint32_t(fit)), pixels), nullptr);
        EXPECT_EQ(kept.find(part(1)), nullptr) << "the least recently used let go";
        EXPECT_NE(kept.find(part(0)), nullptr);
        EXPECT_NE(kept.find(part(uint32_t(fit))), nullptr);
    }
    KeptSamples alone;
    EXPECT_NE(alone.keep(renderer, part(0), pixels), nullptr) << "what the others held is free again";
    SDL_Surface* large = SDL_CreateRGBSurfaceWithFormat(0, 2 * side, side, 32, SDL_PIXELFORMAT_ARGB8888);
    EXPECT_EQ(alone.keep(renderer, part(1), large), nullptr) << "larger than any one kept";
    SDL_FreeSurface(large);
    SDL_FreeSurface(pixels);
    alone.clear();
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(target);
}

} // namespace
} // namespace scenetest
