// A sprite of a QELv1 archive, upgraded to QELv2, loads as a sprite: its
// states as the upgrade mapped them, the rest from its sheet.
#include "import/legacy/UpgradeFixture.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>

#include <SDL.h>

namespace {

TEST_F(UpgradeTest, AnUpgradedSpriteLoadsWithItsStates)
{
    Zelkoran::Main* engine = Zelkoran::Main::instance();
    // The sheet's image block as the engine writes one.
    const std::string scratch = dir.path("sheet.qel");
    engine->archiveMgr()->close(engine->archiveMgr()->create(scratch.c_str(), 0));
    {
        const int archiveId = engine->archiveMgr()->load(scratch.c_str(), nullptr, 0);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 16, 8, 32, SDL_PIXELFORMAT_ARGB8888);
        const int image = engine->imageMgr()->loadFromSurface(s, "#S_hero");
        SDL_FreeSurface(s);
        ASSERT_EQ(engine->imageMgr()->get(image)->save(archiveId, ""), 0);
        engine->archiveMgr()->close(archiveId);
    }
    const qelv1::Bytes sheet = readQELv2(scratch).at(0).data;

    qelv1::Writer w;
    w.add(qelv1::raw("ZK7_IMAGE", "#S_hero", sheet))
        .add(qelv1::compressed("ZK7_SPRITE", "hero", qelv1::sprite({0x4005, 0x8000})));
    const std::string path = write(w);
    LogCapture log(logDir.path("test.log"));
    ASSERT_EQ(upgrade(path, "", LQEB_STORE_RAW), kUpgraded);

    const int archiveId = engine->archiveMgr()->load(path.c_str(), nullptr, 0);
    Zelkoran::Sprite* sprite = engine->spriteMgr()->get(engine->spriteMgr()->load(archiveId, "hero"));
    ASSERT_NE(sprite, nullptr);
    ASSERT_EQ(sprite->getAnimCount(), 2);
    uint16_t first = 0, second = 0;
    sprite->getAnimStateIndex(0, &first);
    sprite->getAnimStateIndex(1, &second);
    EXPECT_EQ(first, 0x0105);
    EXPECT_EQ(second, 0x0000);
    int cellW = 0, cellH = 0;
    sprite->getOffset(&cellW, &cellH);
    EXPECT_EQ(cellW * 100 + cellH, 1604); // the whole width, 8 / 2 rows
    engine->archiveMgr()->close(archiveId);
}

} // namespace
