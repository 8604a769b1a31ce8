// Layers made from pictures, and pictures that exist only in memory going
// into the archive as image blocks named by qel:// URI.
#include "engine/scene/SceneTestSupport.h"

#include <Zelkoran/Image.h>

namespace scenetest {
namespace {

// A 48 x 16 picture: red, blue, red tiles of 16 x 16, the last red one with
// one pixel changed.
int threeTiles()
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 48, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x)
            static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = x >= 16 && x < 32 ? kBlue : kRed;
    static_cast<uint32_t*>(s->pixels)[40] = kBlue;
    const int id = Main::instance()->imageMgr()->loadFromSurface(s, "pic");
    SDL_FreeSurface(s);
    return id;
}

TEST_F(SceneTest, PicturesBecomeLayersWithDistinctTiles)
{
    const int pic = threeTiles();
    struct Case {
        const char* what;
        int tileW, tileH;
        float match;
        int colorKey;
        int code;
        std::vector<uint32_t> cells; // for tile layers
        uint32_t tiles;              // of the tile set: the distinct ones and the atlas's spare slots
    };
    const std::vector<Case> cases = {
        {"exact tiles", 16, 16, 100.0f, -1, 0, {1, 2, 3}, 4},
        {"near tiles match", 16, 16, 99.0f, -1, 0, {1, 2, 1}, 2},
        {"partial tiles are padded", 32, 16, 100.0f, -1, 0, {1, 2}, 2},
        {"a keyed-out tile leaves its cell empty", 16, 16, 100.0f, 0xFF0000, 0, {0, 1, 2}, 2},
        {"one image layer", 0, 0, 0.0f, 0xFF0000, 0, {}, 0},
        {"one size only", 16, 0, 100.0f, -1, RC_ERR_INVALID, {}, 0},
        {"match out of range", 16, 16, 0.5f, -1, RC_ERR_INVALID, {}, 0},
    };
    for (const Case& c : cases) {
        const int id = track(scenes().create("", 0));
        Scene* s = scenes().get(id);
        EXPECT_EQ(s->importLayerFromImage(0, pic, "imported", c.tileW, c.tileH, c.match, c.colorKey), c.code) << c.what;
        if (c.code != 0) {
            EXPECT_EQ(s->getLayerCount(0), 0) << c.what;
            continue;
        }
        const scene::Map& m = SceneAccess::map(*s);
        ASSERT_EQ(s->getLayerCount(0), 1);
        if (c.tileW) {
            EXPECT_EQ(m.slots[0]->cells, c.cells) << c.what;
            EXPECT_EQ(m.tileSets.at(0)->tileCount, c.tiles) << c.what;
        } else {
            EXPECT_EQ(s->getLayerType(1), SLT_IMAGE);
            EXPECT_EQ(static_cast<uint32_t*>(m.slots[0]->picture->surface->pixels)[0], 0u) << "the colour key";
        }
        EXPECT_EQ(s->importLayerFromImage(1, pic, "x", 16, 16, 100.0f, -1), RC_ERR_EXISTS);
    }
    EXPECT_EQ(scenes().get(track(scenes().create("", 0)))->importLayerFromImage(0, 9999, "x", 0, 0, 0, -1),
              RC_ERR_NOT_FOUND);
    EXPECT_EQ(scenes().get(track(scenes().create("", 0)))->importLayerFromFile(0, dir.file("none.png").c_str(), "x",
                                                                                 0, 0, 0, -1),
              RC_ERR_NOT_FOUND);
    Main::instance()->imageMgr()->close(pic);
}

TEST_F(SceneTest, TheTileSizeStaysOnceLayersLieOnIt)
{
    const int pic = threeTiles();
    Scene* s = scenes().get(track(scenes().create("", 0)));
    for (const auto& [w, h] : {std::pair(0, 8), std::pair(16385, 16), std::pair(16, 16385)})
        EXPECT_EQ(s->setTileSize(w, h), RC_ERR_INVALID) << w << " x " << h;
    EXPECT_EQ(s->setTileSize(16384, 16384), 0);
    EXPECT_EQ(s->setTileSize(32, 32), 0);
    EXPECT_EQ(s->importLayerFromImage(0, pic, "a", 16, 16, 100.0f, -1), 0) << "no layer yet: the import sets it";
    EXPECT_EQ(std::pair(s->getTileWidth(), s->getTileHeight()), std::pair(16, 16));
    EXPECT_EQ(s->importLayerFromImage(0, pic, "b", 8, 8, 100.0f, -1), RC_ERR_INVALID);
    EXPECT_EQ(s->setTileSize(32, 32), RC_ERR_EXISTS);
    EXPECT_EQ(s->setTileSize(16, 16), 0);
    const int slot = s->createLayer("c", SLT_TILE, 0, 1, 1);
    ASSERT_NE(s->accessLayerTile(slot), nullptr);
    EXPECT_FALSE(s->accessLayerTile(slot)->setCellWidth(8));
    EXPECT_TRUE(s->accessLayerTile(slot)->setCellWidth(16));
    EXPECT_EQ(s->importLayerFromImage(0, pic, "d", 0, 0, 0, -1), 0) << "an image layer lies on no grid";
    EXPECT_EQ(s->getTileWidth(), 16);
    Main::instance()->imageMgr()->close(pic);
}

TEST_F(SceneTest, PicturesOnlyInMemoryAreStoredAsImageBlocks)
{
    ArchiveMgr& archives = *Main::instance()->archiveMgr();
    const std::string world = dir.file("world.qel");
    const int archive = archives.create(world.c_str(), 0);
    ASSERT_GT(archive, 0);
    const int id = track(scenes().create("level", 0));
    Scene* s = scenes().get(id);
    const int pic = threeTiles();
    ASSERT_EQ(s->importLayerFromImage(0, pic, "tiles", 16, 16, 100.0f, -1), 0);
    ASSERT_EQ(s->importLayerFromFile(0, dir.file("tiles.png").c_str(), "backdrop", 0, 0, 0, -1), 0);
    Main::instance()->imageMgr()->close(pic);
    const Vector<uint32_t> frames{1, 2}, durations{100, 0};
    ASSERT_EQ(s->setTileAnimation(1, frames, durations), 0);
    EXPECT_EQ(s->setTileAnimation(9, frames, durations), RC_ERR_NOT_FOUND);
    EXPECT_EQ(s->setTileAnimation(1, frames, {}), RC_ERR_INVALID);

    char* buffer = nullptr;
    size_t size = 0;
    ASSERT_EQ(s->saveToBuffer(buffer, size, "level", "level.tmx", world.c_str(), true), 0);
    const std::string text(buffer, size);
    CMem::free(buffer);
    for (const char* ref : {"qel://world.qel/#M_level_0", "qel://world.qel/#M_level_1"})
        EXPECT_NE(text.find(ref), std::string::npos) << ref << " in\n" << text;
    for (const char* block : {"#M_level_0", "#M_level_1"})
        EXPECT_GE(archives.get(archive)->blockSearch(Archive::Block(block, "ZK7_IMAGE")), 0) << block;

    // Another scene's pictures of the same stem take the names after them.
    const int other = track(scenes().create("other", 0));
    ASSERT_EQ(scenes().get(other)->importLayerFromFile(0, dir.file("tiles.png").c_str(), "other", 0, 0, 0, -1), 0);
    ASSERT_EQ(scenes().get(other)->saveToBuffer(buffer, size, "level", "level.tmx", world.c_str(), true), 0);
    EXPECT_NE(std::string(buffer, size).find("qel://world.qel/#M_level_2"), std::string::npos);
    CMem::free(buffer);

    const int again = loadText(text, world);
    ASSERT_GT(again, 0) << scenes().getLastError();
    EXPECT_EQ(difference(describe(scenes().get(again)), describe(s)), "");
    EXPECT_EQ(SceneAccess::map(*scenes().get(again)).tileSets.at(0)->tiles.at(0).totalMs, 101u);
    EXPECT_EQ(s->closeTileSet(1), 0);
    EXPECT_EQ(s->closeTileSet(1), RC_ERR_NOT_FOUND);
    archives.close(archive);
}

} // namespace
} // namespace scenetest
