// The tile set tab driven by real input: an image cut into tiles, its count
// and grid, saved and loaded again.
#include "tabs/ImageFamilyTabFixture.h"

#include "tabs/images/ctrlTiles.h"

#include <Zelkoran/Tile.h>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

using TileTabTest = ImageFamilyTabTest<CtrlTiles>;

TEST_F(TileTabTest, TileSizeRuleCountsAndReloadsAsSaved)
{
    EXPECT_EQ(tab->processEvent(0, 0), 4);
    EXPECT_EQ(label(CtrlTiles::TW_NUM_TILES), "Number of tiles: 0");
    for (int id : {CtrlTiles::TW_SHOW_GRID, CtrlTiles::TW_OFFSET_X, CtrlTiles::TW_OFFSET_Y})
        EXPECT_FALSE(enabled(id)) << id;
    ASSERT_EQ(import(pngFile("set.png", filled(100, 40))), 0);
    EXPECT_TRUE(tab->isDirty());
    // 0 stands for the image's side; a side above the image's is cut to it.
    const struct {
        const char* x;
        const char* y;
        const char* label;
    } sizes[] = {{"0", "0", "Number of tiles: 1x1=1"},
                 {"16", "0", "Number of tiles: 6x1=6"},
                 {"500", "7", "Number of tiles: 1x5=5"},
                 {"32", "16", "Number of tiles: 3x2=6"}};
    for (const auto& s : sizes) {
        typeInto(CtrlTiles::TW_OFFSET_X, s.x);
        typeInto(CtrlTiles::TW_OFFSET_Y, s.y);
        EXPECT_EQ(label(CtrlTiles::TW_NUM_TILES), s.label) << s.x << "x" << s.y;
    }
    ASSERT_EQ(save("grass"), 0);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Tile: save to QEL / Tile saved."}));

    clickOn(BW_NEW);
    EXPECT_EQ(number(CtrlTiles::TW_OFFSET_X) + number(CtrlTiles::TW_OFFSET_Y), 0);
    ASSERT_EQ(select("grass"), 0);
    EXPECT_EQ(number(CtrlTiles::TW_OFFSET_X) * 1000 + number(CtrlTiles::TW_OFFSET_Y), 32016);
    EXPECT_EQ(label(CtrlTiles::TW_NUM_TILES), "Number of tiles: 3x2=6");
    EXPECT_EQ(label(CtrlImages::IW_RESOLUTION), "100x40 32bits");
    TileMgr* tiles = Main::instance()->tileMgr();
    const int stored = tiles->load(status->iArchiveID, "grass");
    int w = 0, h = 0;
    tiles->get(stored)->getOffset(w, h);
    EXPECT_EQ(w * 1000 + h, 32016);
    tiles->close(stored);
}

TEST_F(TileTabTest, GridOutlinesWholeTilesOnlyInsideThePreview)
{
    ASSERT_EQ(import(pngFile("set.png", filled(100, 40))), 0);
    typeInto(CtrlTiles::TW_OFFSET_X, "32");
    typeInto(CtrlTiles::TW_OFFSET_Y, "40");
    SDL_Surface* shot = frame();
    const int x0 = static_cast<int>(tab->imageRect().x), y = static_cast<int>(tab->imageRect().y) + 20;
    constexpr uint32_t red = 0xFF7F7F, white = 0xFFFFFF;
    // 100 px / 32: three columns, each with its own left and right line.
    const struct {
        int dx;
        uint32_t rgb;
    } columns[] = {{0, red}, {1, white}, {31, red}, {32, red}, {63, red}, {64, red}, {95, red}, {96, white}, {99, white}};
    for (const auto& c : columns)
        EXPECT_EQ(rgbAt(shot, x0 + c.dx, y), c.rgb) << c.dx;
    SDL_FreeSurface(shot);

    // Panned under the panel, the grid stays out of it; unticked, it goes.
    TS::mouseMove(700, 500);
    TS::mouseDown(700, 500);
    TS::mouseMove(100, 800);
    TS::mouseUp(100, 800);
    for (const SDL_Event& e : TS::pump())
        tab->handleMouseEvent(const_cast<SDL_Event*>(&e));
    ASSERT_EQ(tab->imageRect().x, 150); // across the preview's left edge
    shot = frame();
    const int top = static_cast<int>(tab->imageRect().y);
    ASSERT_GT(top, 500); // below the tile tab's panel, where nothing else covers the window
    EXPECT_NE(rgbAt(shot, 160, top + 39), red);
    EXPECT_EQ(rgbAt(shot, 201, top + 39), red);
    SDL_FreeSurface(shot);
    clickOn(CtrlTiles::TW_SHOW_GRID);
    shot = frame();
    EXPECT_NE(rgbAt(shot, 201, top + 39), red);
    SDL_FreeSurface(shot);
}

} // namespace
