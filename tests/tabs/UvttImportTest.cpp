// Universal VTT imports as the scene tab runs them: the probe, the checks,
// slots and layers of new and extended scenes, the map picture, the scene a
// failed import closed, and the sample maps imported, stored and loaded
// back.
#include "tabs/SceneTabFixture.h"
#include "import/scene/UvttFixture.h"
#include "import/scene/UvttImportResult.h"
#include "import/scene/UvttProbe.h"
#include "tabs/scenes/import/MapSceneSources.h"

#include "scene/SceneAccess.h"

#include <cstdlib>
#include <fstream>

using namespace Zelkoran;
using uvtttest::kCave;
using uvtttest::map;
using uvtttest::points;
using uvtttest::wallsAndLight;

namespace {

// A request with what probing its file found.
struct Options : SceneLayerImportOptions, SceneSourceProbe {};

// The value of attribute name of the element whose tag holds marker.
std::string attribute(const std::string& tmx, const std::string& marker, const char* name)
{
    const size_t at = tmx.find(marker);
    if (at == std::string::npos)
        return "<none>";
    const size_t open = tmx.rfind('<', at);
    const std::string tag = tmx.substr(open, tmx.find('>', at) - open);
    const size_t key = tag.find(std::string(" ") + name + "=\"");
    if (key == std::string::npos)
        return "<none>";
    const size_t from = key + std::strlen(name) + 3;
    return tag.substr(from, tag.find('"', from) - from);
}

std::string samplePath(const char* file)
{
    const char* root = std::getenv("SKARDEN_SAMPLES");
    return root ? std::string(root) + "/uvtt/" + file : std::string();
}

class UvttImportTest : public SceneTabTest {
protected:
    void SetUp() override
    {
        SceneTabTest::SetUp();
        makeTab();
    }

    // json written as name in the scratch folder, probed into options.
    Options optionsFor(const std::string& json, const char* file = "map.uvtt", bool newScene = true)
    {
        const std::string path = folder.path(file);
        std::ofstream(path, std::ios::binary) << json;
        Options o{SceneLayerImport::defaultImportOptions(newScene), {}};
        o.sourceType = SST_UVTT;
        o.sourcePath = path.c_str();
        CtrlBase::string probeError;
        getUVTTMetadata(o.sourcePath, o, probeError);
        return o;
    }
    // The import into scene, which then is what the import left (null
    // after it closed it); summary or error follow the result.
    int import(const Options& o, Scene*& scene, bool newScene)
    {
        SceneImportJob job{o, o, scene, newScene, status->sArchivePath, status->iArchiveID};
        const SceneImportResult result = UvttSource().import(job);
        scene = job.scene;
        summary = result.code == 0 ? result.message : CtrlBase::string();
        error = result.code == 0 ? CtrlBase::string() : result.message;
        EXPECT_EQ(result.title, newScene ? "New UVTT Scene" : "Import UVTT layers");
        EXPECT_EQ(result.code == 0, !summary.empty()) << error;
        return result.code;
    }
    // A new scene from options; scene: what the import left (null after it closed it).
    int importNew(const Options& o, Scene*& scene)
    {
        scene = Main::instance()->sceneMgr()->get(Main::instance()->sceneMgr()->create("", 0));
        return import(o, scene, true);
    }
    std::string tmxOf(Scene* scene)
    {
        char* buffer = nullptr;
        size_t size = 0;
        EXPECT_EQ(scene->saveToBuffer(buffer, size, "s", "s.tmx", status->sArchivePath.c_str(), true), 0);
        std::string tmx(buffer, size);
        CMem::free(buffer);
        return tmx;
    }
    void closeScene(Scene* scene)
    {
        if (scene)
            Main::instance()->sceneMgr()->close(scene->getID());
    }

    CtrlBase::string summary, error;
};

} // namespace

TEST_F(UvttImportTest, AddedLayersTakeTheFreeSlotsAndFreshObjectIds)
{
    openArchive({});
    name->setText("cave.tmx");
    const int caveId = Main::instance()->sceneMgr()->loadFromBuffer(kCave, std::strlen(kCave), "cave.tmx", "");
    ASSERT_GT(caveId, 0);
    Scene* scene = Main::instance()->sceneMgr()->get(caveId);
    ASSERT_EQ(scene->getLayerCount(0), 5);

    Options o = optionsFor(map("\"image\": \"" + uvtttest::pngBase64(2000, 1000) + "\"," + wallsAndLight(), 20, 10),
                           "cave.uvtt", false);
    o.layerName = "Deep";
    o.targetLayer = 3;
    o.tileWidth = o.tileHeight = 100;
    EXPECT_FALSE(tab->importChecks().validateUVTTImport(scene, o, o, false, error))
        << "the map's tiles would leave the cave's grid";
    EXPECT_EQ(error, "Tile size 100x100 differs from the Scene's tile size 16x16. The layers of a Scene share its "
                     "tile grid: use 16x16.");
    o.tileWidth = o.tileHeight = 16;
    o.padToTile = true;
    ASSERT_TRUE(tab->importChecks().validateUVTTImport(scene, o, o, false, error)) << error;
    ASSERT_EQ(import(o, scene, false), 0) << error;
    EXPECT_EQ(summary, "UVTT imported: map tile layer, 1 occluders, 0 portals and 1 lights.");
    EXPECT_EQ(Main::instance()->sceneMgr()->get(caveId), nullptr) << "the old scene is replaced";
    EXPECT_STREQ(scene->getName(), "cave.tmx");

    const std::tuple<int, int, const char*> slots[] = {{1, SLT_TILE, "a"},          {2, SLT_OBJECT, "b"},
                                                       {3, SLT_TILE, "Deep Map"},   {4, SLT_OBJECT, "Deep Occluders"},
                                                       {5, SLT_TILE, "e"},          {6, SLT_OBJECT, "Deep Lights"}};
    for (const auto& [slot, type, layer] : slots) {
        String got;
        EXPECT_EQ(scene->getLayerType(slot), type) << slot;
        EXPECT_TRUE(scene->getLayerName(slot, got));
        EXPECT_EQ(got, layer) << slot;
    }
    const std::string tmx = tmxOf(scene);
    EXPECT_GE(std::stoi(attribute(tmx, "<map", "nextlayerid")), 7);
    EXPECT_EQ(attribute(tmx, "name=\"Deep Occluders\"", "zk7gridcell"), "147");
    EXPECT_EQ(attribute(tmx, "name=\"Deep Occluders\"", "width"), "2000");
    EXPECT_EQ(attribute(tmx, "name=\"Occluder 1\"", "id"), "42") << "after the scene's object 41";
    EXPECT_EQ(attribute(tmx, "name=\"Light 1\"", "id"), "43");
    EXPECT_EQ(attribute(tmx, "<map", "nextobjectid"), "44");

    // The names are now taken.
    EXPECT_FALSE(tab->importChecks().validateUVTTImport(scene, o, o, false, error));
    EXPECT_EQ(error, "UVTT start layer must be an empty slot or a new layer.");
    o.targetLayer = 7;
    EXPECT_FALSE(tab->importChecks().validateUVTTImport(scene, o, o, false, error));
    EXPECT_EQ(error, "UVTT Map layer name is already in use.");
    closeScene(scene);
}

TEST_F(UvttImportTest, NewSceneGetsThePaddedMapInItsFirstSlot)
{
    openArchive({}); // the scene's tile set picture is stored beside it
    Options o = optionsFor(map("\"image\": \"data:image/png;base64," + uvtttest::pngBase64(1000, 700) + "\"," +
                                   wallsAndLight(),
                               10, 7));
    o.tileWidth = o.tileHeight = 64;
    o.padToTile = true;
    o.padTransparent = false;
    o.padColor = 0xFFFFFF;
    ASSERT_TRUE(tab->importChecks().validateUVTTImport(nullptr, o, o, true, error)) << error;
    Scene* scene = nullptr;
    ASSERT_EQ(importNew(o, scene), 0);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(std::tuple(scene->getLayerType(1), scene->getLayerType(2), scene->getLayerType(3)),
              std::tuple(int(SLT_TILE), int(SLT_OBJECT), int(SLT_OBJECT)));
    const std::string tmx = tmxOf(scene);
    // The map layer comes after the groups, in the slot a stand-in held:
    // it takes the next id.
    EXPECT_EQ(attribute(tmx, "<map", "nextlayerid"), "5");
    EXPECT_EQ(attribute(tmx, "<layer ", "id"), "4");
    EXPECT_EQ(attribute(tmx, "name=\"Occluders\"", "id"), "2");
    EXPECT_EQ(attribute(tmx, "name=\"Lights\"", "id"), "3");
    EXPECT_EQ(attribute(tmx, "name=\"Occluders\"", "zk7gridcell"), "80");

    // 1024 x 704: the last cell's lower right pixel is the opaque pad colour.
    SceneLayerTile* tiles = scene->accessLayerTile(1);
    ASSERT_NE(tiles, nullptr);
    EXPECT_EQ(std::pair(tiles->getColumns(), tiles->getRows()), std::pair(16, 11));
    const scene::TileSet& set = *SceneAccess::map(*scene).tileSets.back();
    const uint32_t local = tiles->getRow(10)[15] - set.firstGid;
    const SDL_Surface* atlas = set.picture->surface;
    const int x = int(local) % set.columns * 64 + 63, y = int(local) / set.columns * 64 + 63;
    EXPECT_EQ(static_cast<const uint32_t*>(atlas->pixels)[y * atlas->pitch / 4 + x], 0xFFFFFFFFu);
    closeScene(scene);
}

TEST_F(UvttImportTest, AFailedNewSceneReportsTheSceneItWasGivenClosed)
{
    Options o = optionsFor(map("\"image\": \"QUJD\","));
    const int empty = Main::instance()->sceneMgr()->create("", 0);
    Scene* scene = Main::instance()->sceneMgr()->get(empty);
    EXPECT_EQ(import(o, scene, true), UIR_NOT_PNG);
    EXPECT_EQ(error, "UVTT embedded image is not PNG. WebP support is deferred.");
    EXPECT_EQ(scene, nullptr);
    EXPECT_EQ(Main::instance()->sceneMgr()->get(empty), nullptr);
}

TEST_F(UvttImportTest, ChecksBeforeTheImport)
{
    const std::string walls = "\"line_of_sight\": [" + points({{0, 0}, {1, 0}}) + "],";
    struct Case {
        std::string extra;
        std::function<void(Options&)> change;
        const char* message;
    };
    const Case cases[] = {
        {walls, [](Options&) {}, "UVTT has no embedded image. Select Do not import for the map."},
        {walls, [](Options& o) { o.uvttMapMode = 2; }, ""},
        {walls, [](Options& o) { o.uvttMapMode = 3; }, "UVTT map import mode is invalid."},
        {walls, [](Options& o) { o.uvttMapMode = 2, o.targetLayer = 0; },
         "UVTT start layer must be an empty slot or a new layer."},
        {walls, [](Options& o) { o.uvttMapMode = 2, o.uvttImportWalls = false; },
         "Select at least one UVTT map, occluder, portal, or light category to import."},
        {walls, [](Options& o) { o.uvttMapMode = 2, o.uvttProbePath = "other"; }, "UVTT metadata is not valid."},
        {"\"image\": \"x\",", [](Options& o) { o.tileWidth = 0; },
         "UVTT tile layer requires a tile width and height greater than zero."},
        {"\"image\": \"x\",", [](Options& o) { o.tileWidth = 1, o.tileHeight = 1; },
         "UVTT tile conversion exceeds the supported 262144-cell limit."},
        {"\"image\": \"x\",", [](Options& o) { o.tileWidth = 300; },
         "UVTT map pixels are not divisible by the override tile size. Enable padding or change the tile size."},
        {"\"image\": \"x\",", [](Options& o) { o.tileWidth = 300, o.padToTile = true; }, ""},
        {"\"image\": \"x\",", [](Options& o) { o.uvttPixelWidth = 16385; },
         "UVTT map image exceeds the supported 16384-pixel dimension or 16-megapixel limit. Select Do not import "
         "for the map."},
    };
    for (const Case& c : cases) {
        Options o = optionsFor(map(c.extra));
        c.change(o);
        EXPECT_EQ(tab->importChecks().validateUVTTImport(nullptr, o, o, true, error), !*c.message) << c.message;
        EXPECT_EQ(error, c.message);
    }
    Options broken = optionsFor("{\"resolution\": 1}");
    EXPECT_FALSE(broken.uvttMetadataValid);
    EXPECT_FALSE(tab->importChecks().validateUVTTImport(nullptr, broken, broken, true, error));
    EXPECT_EQ(error, "UVTT resolution must contain a finite map_origin, positive whole map_size, and positive whole "
                     "pixels_per_grid.");
    Options gone = optionsFor(map(walls));
    gone.uvttMapMode = 2;
    std::remove(gone.sourcePath.c_str());
    EXPECT_FALSE(tab->importChecks().validateUVTTImport(nullptr, gone, gone, true, error));
    EXPECT_EQ(error, "UVTT source file does not exist.");
}

TEST_F(UvttImportTest, SampleMapsImportStoreAndReload)
{
    if (samplePath("").empty() || !std::filesystem::exists(samplePath("")))
        GTEST_SKIP() << "no sample folder";
    struct Sample {
        const char* file;
        int mapMode, tile;
        int walls, objects, segments, merged, lights;
        const char* summary;
    };
    const Sample samples[] = {
        {"imagix-sampleMap.dd2vtt", 0, 256, 4, 1, 2, 2, 2,
         "UVTT imported: map tile layer, 5 occluders, 2 portals and 2 lights."},
        {"oganm-test.dd2vtt", 1, 64, 9, 2, 3, 3, 1,
         "UVTT imported: map image layer, 11 occluders, 3 portals and 1 lights."},
        {"bytebard97-prismatic_ballroom_main.uvtt", 2, 140, 90, 0, 0, 0, 0,
         "UVTT imported: map not imported, 90 occluders, 0 portals and 0 lights."},
    };
    openArchive({});
    for (const Sample& s : samples) {
        Options o{SceneLayerImport::defaultImportOptions(true), {}};
        o.sourcePath = samplePath(s.file).c_str();
        ASSERT_TRUE(getUVTTMetadata(o.sourcePath, o, error)) << error;
        EXPECT_EQ(std::tuple(o.uvttWallCount, o.uvttObjectCount, o.uvttPortalSegmentCount, o.uvttMergedPortalCount,
                             o.uvttLightCount),
                  std::tuple(s.walls, s.objects, s.segments, s.merged, s.lights))
            << s.file;
        o.uvttMapMode = s.mapMode;
        o.tileWidth = o.tileHeight = s.tile;
        ASSERT_TRUE(tab->importChecks().validateUVTTImport(nullptr, o, o, true, error)) << s.file << ": " << error;
        Scene* scene = nullptr;
        ASSERT_EQ(importNew(o, scene), 0) << s.file << ": " << error;
        EXPECT_EQ(summary, s.summary);

        const std::string block = std::string(s.file) + ".tmx";
        name->setText(block.c_str());
        ASSERT_EQ(tab->saveSceneBlockToQEL(scene, block.c_str(), "TileMap"), 0) << s.file;
        const int reloaded = Main::instance()->sceneMgr()->load(status->sArchivePath.c_str(), block.c_str());
        ASSERT_GT(reloaded, 0) << s.file << ": " << Main::instance()->sceneMgr()->getLastError();
        Scene* back = Main::instance()->sceneMgr()->get(reloaded);
        for (int slot = 1; slot <= 3; ++slot)
            EXPECT_EQ(back->getLayerType(slot), scene->getLayerType(slot)) << s.file << " slot " << slot;
        EXPECT_EQ(back->getLayerType(1), s.mapMode == 0 ? SLT_TILE : s.mapMode == 1 ? SLT_IMAGE : SLT_EMPTY);
        EXPECT_EQ(std::pair(back->getWidth(), back->getHeight()), std::pair(scene->getWidth(), scene->getHeight()));
        closeScene(back);
        closeScene(scene);
    }
    // The ballroom's map (4620 x 6440) is over 16 megapixels; its "image" is a file name anyway.
    Options o{SceneLayerImport::defaultImportOptions(true), {}};
    o.sourcePath = samplePath("bytebard97-prismatic_ballroom_main.uvtt").c_str();
    ASSERT_TRUE(getUVTTMetadata(o.sourcePath, o, error));
    o.tileWidth = o.tileHeight = 140;
    EXPECT_FALSE(tab->importChecks().validateUVTTImport(nullptr, o, o, true, error));
    EXPECT_EQ(error, "UVTT map image exceeds the supported 16384-pixel dimension or 16-megapixel limit. Select Do "
                     "not import for the map.");
    Scene* scene = nullptr;
    EXPECT_EQ(importNew(o, scene), UIR_IMAGE_SIZE);
    EXPECT_EQ(error, "UVTT embedded image exceeds the supported import size.");
    closeScene(scene);
}
