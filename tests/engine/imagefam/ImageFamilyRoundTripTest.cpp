// Cursors, tile sets, sprites and bitmap fonts saved into an archive and
// loaded again by a fresh engine: every stored setting and the hidden image
// come back as saved, and removing a resource removes its image block too.
#include "engine/image/ImageTestSupport.h"
#include "support/GlyphSheetMaker.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tile.h>

#include <functional>

namespace imagetest {
namespace {

// One kind: make (a resource called "R" holding image, with settings that
// differ from the defaults, saved), then what a fresh load must show.
struct FamilyCase {
    const char* kind;
    const char* type;
    const char* prefix;
    std::function<void(int archiveId, int image)> make;
    std::function<void(int archiveId)> check;
    std::function<int(int archiveId, const char* name)> remove;
};

const FamilyCase kCases[] = {
    {"cursor", "ZK7_CURSOR", "#C_",
     [](int a, int image) {
         CursorMgr* m = Main::instance()->cursorMgr();
         Cursor* c = m->get(m->create("R", 10));
         ASSERT_EQ(c->assignImage(image, 1), 0);
         ASSERT_TRUE(c->setHotSpot(Position(-2, PH_CENTER_CODE), Position(-1, PH_SIZE)));
         ASSERT_EQ(c->save(a, ""), 0);
     },
     [](int a) {
         CursorMgr* m = Main::instance()->cursorMgr();
         Cursor* c = m->get(m->load(a, "R"));
         ASSERT_NE(c, nullptr);
         int x = 0, y = 0;
         c->getHotSpot(x, y);
         EXPECT_EQ(static_cast<uint32_t>(x), 0x61FFFFFEu);
         EXPECT_EQ(static_cast<uint32_t>(y), 0x60FFFFFFu);
         EXPECT_NE(Main::instance()->imageMgr()->get(c->getImage()), nullptr);
     },
     [](int a, const char* n) { return Main::instance()->cursorMgr()->remove(a, n); }},
    {"tile", "ZK7_TILE", "#T_",
     [](int a, int image) {
         TileMgr* m = Main::instance()->tileMgr();
         Tile* t = m->get(m->create("R", 10));
         ASSERT_EQ(t->assignImage(image, 1), 0);
         ASSERT_EQ(t->setOffset(1, 3, 2), 0);
         ASSERT_EQ(t->save(a, ""), 0);
     },
     [](int a) {
         TileMgr* m = Main::instance()->tileMgr();
         Tile* t = m->get(m->load(a, "R"));
         ASSERT_NE(t, nullptr);
         int w = 0, h = 0, across = 0, down = 0;
         t->getOffset(w, h);
         t->getTileCount(across, down);
         EXPECT_EQ(w * 100 + h, 302);
         EXPECT_EQ(across * 100 + down, 402); // 13 x 5 image
     },
     [](int a, const char* n) { return Main::instance()->tileMgr()->remove(a, n); }},
    {"sprite", "ZK7_SPRITE", "#S_",
     [](int a, int image) {
         SpriteMgr* m = Main::instance()->spriteMgr();
         Sprite* s = m->get(m->create("R", 10));
         ASSERT_EQ(s->assignImage(image, 1), 0);
         ASSERT_EQ(s->setOffset(4, 2), 0); // 3 frames, 2 animations
         for (int i = 0; i < 2; ++i) {
             ASSERT_EQ(s->setAnimStateIndex(i, static_cast<uint16_t>(0x0305 + i * 256)), 0);
             ASSERT_EQ(s->setAnimTypeIndex(i, i ? SPR_RANDOM : SPR_ONESHOT_REVERSE), 0);
             ASSERT_EQ(s->setAnimHotSpotIndex(i, 0x61FFFFFD, 7 + i), 0);
             ASSERT_EQ(s->setAnimRangeIndex(i, i, 2), 0);
             for (int f = 0; f < 3; ++f)
                 ASSERT_EQ(s->setFrameTimeIndex(i, f, static_cast<uint16_t>(65535 - 10 * f - i)), 0);
         }
         ASSERT_EQ(s->orderAnimState(-1), 2);
         ASSERT_EQ(s->save(a, ""), 0);
     },
     [](int a) {
         SpriteMgr* m = Main::instance()->spriteMgr();
         Sprite* s = m->get(m->load(a, "R"));
         ASSERT_NE(s, nullptr);
         int w = 0, h = 0;
         s->getOffset(&w, &h);
         EXPECT_EQ(w * 100 + h, 402);
         ASSERT_EQ(s->getAnimCount(), 2);
         for (int i = 0; i < 2; ++i) {
             uint16_t state = 0, ms = 0;
             int type = 0, x = 0, y = 0, first = 0, last = 0;
             EXPECT_EQ(s->getAnimStateIndex(i, &state) | s->getAnimTypeIndex(i, &type) |
                           s->getAnimHotSpotIndex(i, &x, &y) | s->getAnimRangeIndex(i, &first, &last),
                       0);
             EXPECT_EQ(state, 0x0305 + i * 256);
             EXPECT_EQ(type, i ? SPR_RANDOM : SPR_ONESHOT_REVERSE);
             EXPECT_EQ(x, 0x61FFFFFD);
             EXPECT_EQ(y, 7 + i);
             EXPECT_EQ(first * 10 + last, i * 10 + 2);
             for (int f = 0; f < 3; ++f) {
                 EXPECT_EQ(s->getFrameTimeIndex(i, f, &ms), 0);
                 EXPECT_EQ(ms, 65535 - 10 * f - i);
             }
         }
         EXPECT_EQ(s->selectAnimState(0x0405), 0);
         EXPECT_EQ(s->getAnimCurrentIndex(), 1);
     },
     [](int a, const char* n) { return Main::instance()->spriteMgr()->remove(a, n); }},
    {"font", "ZK7_FONT", "#F_",
     [](int a, int) {
         SDL_Surface* sheet = editortest::makeGlyphSheet(189);
         const int image = Main::instance()->imageMgr()->loadFromSurface(sheet, "sheet");
         SDL_FreeSurface(sheet);
         FontMgr* m = Main::instance()->fontMgr();
         Font* f = m->get(m->create("R", 10));
         ASSERT_EQ(f->assignImage(image, 1), 0);
         ASSERT_EQ(f->setKerning(-7), 0);
         ASSERT_EQ(f->save(a, ""), 0);
     },
     [](int a) {
         FontMgr* m = Main::instance()->fontMgr();
         Font* f = m->get(m->load(a, "R"));
         ASSERT_NE(f, nullptr);
         SDL_Surface* sheet = editortest::makeGlyphSheet(189);
         EXPECT_EQ(f->getKerning(), -7);
         EXPECT_EQ(f->getHeight(), sheet->h - 1);
         EXPECT_TRUE(samePixels(Main::instance()->imageMgr()->get(f->getImage())->getSurface(), sheet));
         SDL_FreeSurface(sheet);
     },
     [](int a, const char* n) { return Main::instance()->fontMgr()->remove(a, n); }},
};

class ImageFamilyRoundTrip : public ImageTest, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(ImageFamilyRoundTrip, ReloadsAsSavedAndRemovesBothBlocks)
{
    const FamilyCase& c = GetParam();
    const int image = patternImage("picture", 13, 5);
    images->get(image)->setAlphaMod(77);
    c.make(archiveId, image);
    const std::string path = archive->getName();
    Main::terminate();
    main = Main::instance();
    images = main->imageMgr();
    archiveId = main->archiveMgr()->load(path.c_str(), nullptr, 0);
    archive = main->archiveMgr()->get(archiveId);
    ASSERT_NE(archive, nullptr);
    c.check(archiveId);
    EXPECT_EQ(images->get(images->load(archiveId, (std::string(c.prefix) + "R").c_str()))->getAlphaMod(),
              std::string(c.kind) == "font" ? 255 : 77);

    EXPECT_EQ(c.remove(archiveId, "R"), 0);
    EXPECT_LT(archive->blockSearch(Archive::Block("R", c.type)), 0);
    EXPECT_LT(archive->blockSearch(Archive::Block((std::string(c.prefix) + "R").c_str(), kType)), 0);
    EXPECT_EQ(c.remove(archiveId, "R"), RC_ERR_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ImageFamilyRoundTrip, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.kind); });

} // namespace
} // namespace imagetest
