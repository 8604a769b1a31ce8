// Scene::storeDependencies: a map read from files, with what it names
// copied into an archive, loads from that archive alone and leaves every
// block the archive held before as it was.
#include "engine/scene/SceneTestSupport.h"
#include "scene/SceneIO.h"

#include <Zelkoran/Image.h>

#include <cstdlib>

namespace scenetest {
namespace {

namespace fs = std::filesystem;

class SceneStoreTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        fs::create_directories(dir.path() / "store");
        archivePath = dir.file("store/world.qel");
        archiveId = Main::instance()->archiveMgr()->create(archivePath.c_str(), 0);
        ASSERT_GT(archiveId, 0);
    }
    void TearDown() override
    {
        Main::instance()->archiveMgr()->close(archiveId);
        SceneTest::TearDown();
    }
    Archive& archive() { return *Main::instance()->archiveMgr()->get(archiveId); }
    // The scene's engine text, stored and loaded back under the archive.
    int storedAndReloaded(int id) { return reload(id, archivePath); }

    std::string archivePath;
    int archiveId = 0;
};

TEST_F(SceneStoreTest, SampleMapsNeedNoFileOnceStored)
{
    const char* root = std::getenv("SKARDEN_SAMPLES");
    std::error_code ec;
    if (!root || !fs::is_directory(fs::path(root) / "tiled", ec))
        GTEST_SKIP() << "no samples";
    for (const auto& e : fs::recursive_directory_iterator(fs::path(root) / "tiled", ec)) {
        if (e.path().extension() != ".tmx")
            continue;
        SCOPED_TRACE(e.path().string());
        const int id = track(scenes().loadFromFile(e.path().c_str()));
        ASSERT_GT(id, 0) << scenes().getLastError();
        EXPECT_GE(scenes().get(id)->storeDependencies(archiveId), 0);
        const int stored = track(storedAndReloaded(id));
        ASSERT_GT(stored, 0) << scenes().getLastError();
        EXPECT_EQ(difference(describe(scenes().get(stored)), describe(scenes().get(id))), "");
    }
}

// An image block without alpha: the colour key still makes its pixels clear.
TEST_F(SceneStoreTest, KeyedOutPixelsOfAnOpaqueImageBlockAreClear)
{
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 32, 16, 32, SDL_PIXELFORMAT_RGB888);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            static_cast<uint32_t*>(rgb->pixels)[y * rgb->pitch / 4 + x] = x < 16 ? kRed : kBlue;
    ImageMgr& images = *Main::instance()->imageMgr();
    const int image = images.loadFromSurface(rgb, "rgb");
    SDL_FreeSurface(rgb);
    ASSERT_GT(image, 0);
    ASSERT_EQ(images.get(image)->save(archiveId, "rgb.png"), 0);
    images.close(image);
    const int id = loadText(mapText(2, 1, "<data encoding=\"csv\">1,2</data>",
                                    "<tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" tileheight=\"16\" "
                                    "tilecount=\"2\" columns=\"2\"><image source=\"rgb.png\" trans=\"ff0000\" "
                                    "width=\"32\" height=\"16\"/></tileset>"),
                            archivePath);
    ASSERT_GT(id, 0) << scenes().getLastError();
    const SDL_Surface* pixels = SceneAccess::map(*scenes().get(id)).tileSets.at(0)->picture->surface;
    ASSERT_EQ(pixels->format->format, uint32_t(SDL_PIXELFORMAT_ARGB8888));
    const auto* row = static_cast<const uint32_t*>(pixels->pixels);
    EXPECT_EQ(std::make_pair(row[0] >> 24, row[16]), std::make_pair(0u, kBlue)) << "red keyed out, blue kept";
}

TEST_F(SceneStoreTest, NamesTakenInTheArchiveOrByAnotherFileGetASuffix)
{
    fs::create_directories(dir.path() / "other");
    writeTilesPng(dir.file("other/tiles.png"));
    writeText(dir.file("t.tsx"), "<tileset name=\"t\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"2\" columns=\"2\">"
                                 "<image source=\"tiles.png\"/></tileset>");
    const testutil::Bytes before = testutil::textBytes("kept");
    ASSERT_EQ(testutil::add(&archive(), "tiles.png", "ZK7_IMAGE", before), 0);
    ASSERT_EQ(testutil::add(&archive(), "t.tsx", "ZK7_XML", before), 0);
    const std::string map =
        mapText(2, 1, "<data encoding=\"csv\">1,2</data>", "<tileset firstgid=\"1\" source=\"t.tsx\"/>");
    const int id = loadFile("m.tmx", map.substr(0, map.size() - 6) +
                                         "<imagelayer id=\"2\"><image source=\"other/tiles.png\"/></imagelayer></map>");
    ASSERT_GT(id, 0) << scenes().getLastError();

    EXPECT_EQ(scenes().get(id)->storeDependencies(archiveId), 3);
    const scene::Map& m = SceneAccess::map(*scenes().get(id));
    EXPECT_EQ(m.tileSets[0]->source, "qel://world.qel/t_2.tsx");
    EXPECT_EQ(m.tileSets[0]->picture->source, "qel://world.qel/tiles_2.png");
    EXPECT_EQ(m.slots[1]->picture->source, "qel://world.qel/tiles_3.png");
    for (const char* type : {"ZK7_IMAGE", "ZK7_XML"}) {
        testutil::Bytes kept;
        ASSERT_EQ(testutil::load(&archive(), type == std::string("ZK7_XML") ? "t.tsx" : "tiles.png", type, kept), 0);
        EXPECT_EQ(kept, before) << type;
    }
    EXPECT_GT(storedAndReloaded(id), 0) << scenes().getLastError();

    // The same map again finds its blocks as they are and writes nothing.
    const int again = track(scenes().loadFromFile(dir.file("m.tmx").c_str()));
    EXPECT_EQ(scenes().get(again)->storeDependencies(archiveId), 0);
    EXPECT_EQ(SceneAccess::map(*scenes().get(again)).tileSets[0]->source, "qel://world.qel/t_2.tsx");
    EXPECT_EQ(SceneAccess::map(*scenes().get(again)).slots[1]->picture->source, "qel://world.qel/tiles_3.png");
    EXPECT_EQ(scenes().get(id)->storeDependencies(archiveId + 1000), RC_ERR_NOT_FOUND);
}

// Names that do not fit lose whole UTF-8 characters from the stem only.
TEST(SceneBlockNames, StemsCutToWholeCharacters)
{
    const std::string e = "\xC3\xA9", a60(60, 'a');
    const std::vector<std::vector<std::string>> cases = {
        {"#M_caf" + e, "_0", "#M_caf" + e + "_0"}, {a60 + e, "_0", a60 + "_0"}, {a60 + "b", "_0", a60 + "b_0"}};
    for (const auto& c : cases)
        EXPECT_EQ(scene::fitBlockName(c[0].c_str(), c[1].c_str()).c_str(), c[2]) << c[0];
}

} // namespace
} // namespace scenetest
