// The scene tab's round trip with Tiled: tile sets and maps imported from
// disk with their images, exported in full beside the archive, and deleted
// with what they name.
#include "support/LogCapture.h"
#include "tabs/SceneTabFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/scenes/SceneChoiceIds.h"
#include "tabs/scenes/import/SceneImportDialogIds.h"

#include <Zelkoran/XML.h>

#include <SDL_image.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;
namespace fs = std::filesystem;

std::vector<fs::path> samples(const char* extension, const char* folder = "tiled")
{
    std::vector<fs::path> out;
    const char* root = std::getenv("SKARDEN_SAMPLES");
    std::error_code ec;
    if (!root || !fs::is_directory(fs::path(root) / folder, ec))
        return out;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(root) / folder, ec))
        if (e.path().extension() == extension)
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

SDL_Surface* argb(const std::string& path)
{
    SDL_Surface* raw = IMG_Load(path.c_str());
    SDL_Surface* out = raw ? SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
    SDL_FreeSurface(raw);
    return out;
}

// Pixels of two pictures that differ (all of them when the sizes differ or
// one does not load); fully transparent pixels count as equal.
size_t differentPixels(const std::string& a, const std::string& b)
{
    SDL_Surface* pa = argb(a);
    SDL_Surface* pb = argb(b);
    size_t different = pa ? size_t(pa->w) * size_t(pa->h) : 1;
    if (pa && pb && pa->w == pb->w && pa->h == pb->h) {
        different = 0;
        for (int y = 0; y < pa->h; ++y)
            for (int x = 0; x < pa->w; ++x) {
                const uint32_t ca = static_cast<uint32_t*>(pa->pixels)[y * pa->pitch / 4 + x];
                const uint32_t cb = static_cast<uint32_t*>(pb->pixels)[y * pb->pitch / 4 + x];
                different += ca != cb && (ca >> 24 || cb >> 24);
            }
    }
    SDL_FreeSurface(pa);
    SDL_FreeSurface(pb);
    return different;
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string readFile(const std::string& path)
{
    const std::vector<uint8_t> bytes = TestFolder::read(path);
    return std::string(bytes.begin(), bytes.end());
}

void writePicture(const std::string& path, uint32_t colour)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(s, nullptr, colour);
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

std::string tileSet(const std::vector<std::string>& images)
{
    std::string text = "<tileset name=\"t\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"2\" columns=\"2\">\n";
    for (size_t i = 0; i < images.size(); ++i)
        text += (i == 0 ? " <image source=\"" : " <tile id=\"" + std::to_string(i) + "\"><image source=\"") +
                images[i] + (i == 0 ? "\"/>\n" : "\"/></tile>\n");
    return text + "</tileset>\n";
}

std::string mapOf(const std::vector<std::string>& tileSets)
{
    std::string text = "<map version=\"1.10\" orientation=\"orthogonal\" width=\"1\" height=\"1\" tilewidth=\"16\" "
                       "tileheight=\"16\">\n";
    for (size_t i = 0; i < tileSets.size(); ++i)
        text += " <tileset firstgid=\"" + std::to_string(1 + 10 * i) + "\" source=\"" + tileSets[i] + "\"/>\n";
    return text +
           " <layer id=\"1\" name=\"L\" width=\"1\" height=\"1\"><data encoding=\"csv\">0</data></layer>\n</map>\n";
}

class SceneTiledTest : public SceneTabTest {
protected:
    // Live blocks as "TYPE name", sorted.
    std::vector<std::string> liveBlocks()
    {
        std::vector<std::string> out;
        for (int i = 0; i < archive()->getIndexCount(); ++i) {
            Archive::Block b;
            if (archive()->blockAt(i, b) == 0 && !b.deleted)
                out.push_back(std::string(b.type, strnlen(b.type, 16)) + " " + b.name);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    // The Import button's road to a file: the scene or tile set choice, the
    // file dialog, then (tile sets) the mode, and the answers that follow.
    int importFile(int kind, const std::string& path, std::vector<int> then = {})
    {
        TS::pushAnswer(kind);
        if (kind == SC_SCENE && tab->isDirty())
            TS::pushAnswer(MBB_YES); // unsaved edits may go
        if (kind == SC_SCENE) // the scene import dialog: Load, then OK
            TS::pushScript([](int dialog) {
                TS::clickWidget(dialog, sceneImportDialog::ID_LOAD);
                TS::pump();
                TS::clickWidget(dialog, sceneImportDialog::ID_OK);
            });
        TS::pushFileAnswer(true, path.c_str());
        for (int answer : then)
            TS::pushAnswer(answer);
        return click(SW_IMPORT);
    }

    // Export of the selection in full; the success box is answered.
    void exportFull()
    {
        TS::pushAnswer(SC_FULL);
        TS::pushAnswer(MBB_OK);
        click(SW_EXPORT);
    }

    // The "source" attributes of the tile set document's images, in order.
    std::vector<std::string> imageSources(const std::string& path)
    {
        std::vector<std::string> out;
        XMLMgr* documents = Main::instance()->xmlMgr();
        const int id = documents->loadFromFile(path.c_str(), "probe");
        SceneReferences::visitTSXImageNodes(documents->get(id), [&](XML* image) {
            out.push_back(image->getAttributeString("source", ""));
            return true;
        });
        documents->close(id);
        return out;
    }

    // A fresh open archive in its own folder, with room for a map's images.
    void freshArchive(const std::string& sub)
    {
        fs::create_directories(folder.path(sub));
        ArchiveMgr* archives = Main::instance()->archiveMgr();
        archives->close(archives->create(folder.path(sub + "/tab.qel").c_str(), 256));
        editortest::openAsEditorArchive(*status, folder.path(sub + "/tab.qel"));
        tab->parseQEL();
    }
};

TEST_F(SceneTiledTest, SampleTileSetsComeBackPixelForPixel)
{
    const auto sets = samples(".tsx");
    if (sets.empty())
        GTEST_SKIP() << "no samples";
    openArchive({});
    makeTab();
    for (const fs::path& path : sets) {
        SCOPED_TRACE(path.string());
        const std::string sub = path.stem().string();
        freshArchive(sub);
        EXPECT_EQ(importFile(SC_TILE_SET, path.string(), {SC_FULL, 0}), 0); // 0: the success notice closes itself
        ASSERT_EQ(std::string(name->getText().c_str()), sub + ".tsx") << testing::PrintToString(takeBoxes());
        EXPECT_EQ(label(SW_TYPE), "Tiled TileSet");
        exportFull();
        EXPECT_EQ(takeBoxes().back().text, "TileMap exported to \"" + folder.path(sub + "/" + sub + ".tsx") + "\": Ok");

        const auto original = imageSources(path.string());
        const auto exported = imageSources(folder.path(sub + "/" + sub + ".tsx"));
        ASSERT_EQ(exported.size(), original.size());
        for (size_t i = 0; i < original.size(); ++i) {
            EXPECT_EQ(exported[i].find('/'), std::string::npos) << exported[i];
            EXPECT_EQ(differentPixels((path.parent_path() / original[i]).string(),
                                      folder.path(sub + "/" + exported[i])),
                      0u)
                << original[i];
        }
    }
}

// What an import and a full export keep of a map: its layers' ids and next
// layer id ("" when a layer or the map has none), and per tile set its name and the
// columns its image (as it is) is cut in, and other columns it declares.
std::pair<std::string, std::string> keptFacts(const fs::path& tmx)
{
    pugi::xml_document doc;
    doc.load_file(tmx.c_str());
    const pugi::xml_node map = doc.child("map");
    std::string ids;
    bool all = map.attribute("nextlayerid");
    int next = map.attribute("nextlayerid").as_int();
    const std::function<void(pugi::xml_node)> layers = [&](pugi::xml_node parent) {
        for (pugi::xml_node l : parent.children()) {
            const std::string_view kind = l.name();
            if (kind != "layer" && kind != "imagelayer" && kind != "objectgroup" && kind != "group")
                continue;
            all = all && l.attribute("id");
            ids += std::string(" ") + l.attribute("id").value();
            next = std::max(next, l.attribute("id").as_int() + 1);
            layers(l);
        }
    };
    layers(map);
    std::string sets;
    for (pugi::xml_node ts : map.children("tileset")) {
        fs::path folder = tmx.parent_path();
        pugi::xml_document external;
        if (const char* source = ts.attribute("source").value(); *source) {
            external.load_file((folder / source).c_str());
            folder = (folder / source).parent_path();
            ts = external.child("tileset");
        }
        sets += std::string("| ") + ts.attribute("name").value();
        if (pugi::xml_node image = ts.child("image")) {
            SDL_Surface* pixels = IMG_Load((folder / image.attribute("source").value()).c_str());
            const int step = ts.attribute("tilewidth").as_int() + ts.attribute("spacing").as_int();
            if (pixels && step > 0) {
                const int columns =
                    (pixels->w - ts.attribute("margin").as_int() + ts.attribute("spacing").as_int()) / step;
                sets += " columns " + std::to_string(columns);
                if (ts.attribute("columns").as_int() != columns)
                    sets += std::string(" declares ") + ts.attribute("columns").value();
            }
            SDL_FreeSurface(pixels);
        }
    }
    // A next id at or below a layer's is raised.
    return {all ? "next " + std::to_string(next) + ids : "", sets};
}

// The maps of the round trip below, shared out among kRoundTripShards
// tests that ctest runs side by side: map i goes to shard i % kRoundTripShards.
constexpr size_t kRoundTripShards = 8;

class SceneTiledRoundTrip : public SceneTiledTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(SceneTiledRoundTrip, SampleMapsRenderTheSameAfterImportAndFullExport)
{
    auto maps = samples(".tmx");
    // Others' maps too, those the engine reads (the engine's tests say why
    // it refuses the others).
    const auto more = samples(".tmx", "tiled-more");
    maps.insert(maps.end(), more.begin(), more.end());
    // And the maps made to hold the engine against Tiled's renderer.
    for (const auto& e : fs::directory_iterator(SKARDEN_MADE_MAPS))
        if (e.path().extension() == ".tmx")
            maps.push_back(e.path());
    if (std::system("command -v tmxrasterizer > /dev/null") != 0)
        GTEST_SKIP() << "needs tmxrasterizer";
    openArchive({});
    makeTab();
    for (size_t n = GetParam(); n < maps.size(); n += kRoundTripShards) {
        const fs::path& path = maps[n];
        SCOPED_TRACE(path.string());
        if (std::find(more.begin(), more.end(), path) != more.end()) {
            const int id = Main::instance()->sceneMgr()->loadFromFile(path.c_str());
            Main::instance()->sceneMgr()->close(id);
            if (id <= 0)
                continue;
        }
        const std::string sub = "map" + std::to_string(n);
        freshArchive(sub);
        EXPECT_EQ(importFile(SC_SCENE, path.string()), 0);
        EXPECT_GT(tab->sceneID(), 0);
        ASSERT_EQ(std::string(name->getText().c_str()), path.stem().string() + ".tmx")
            << testing::PrintToString(takeBoxes());
        // Saved again as the tab holds it, then exported from the stored block.
        TS::clearModalLog();
        TS::pushAnswer(0); // the timed save notice
        click(CtrlBase::BW_SAVE);
        ASSERT_EQ(choose((path.stem().string() + ".tmx").c_str()), 0);
        TS::clearModalLog();
        exportFull();
        EXPECT_EQ(takeBoxes().size(), 2u) << "the choice and the success box";
        const std::string exported = folder.path(sub + "/" + path.filename().string());
        const std::string before = folder.path(sub + "/original.png");
        const std::string after = folder.path(sub + "/exported.png");
        for (const auto& [tmx, png] : {std::pair{path.string(), before}, std::pair{exported, after}})
            ASSERT_EQ(std::system(("QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing '" + tmx + "' '" + png +
                                   "' > /dev/null 2>&1")
                                      .c_str()),
                      0)
                << tmx;
        EXPECT_EQ(differentPixels(before, after), 0u) << "compare " << before << " with " << after;
        const auto [ids, sets] = keptFacts(path);
        const auto [idsAfter, setsAfter] = keptFacts(exported);
        if (!ids.empty()) {
            EXPECT_EQ(idsAfter, ids);
        }
        // The export declares the columns its image is cut in.
        EXPECT_EQ(setsAfter, std::regex_replace(sets, std::regex(" declares [0-9]*"), ""));
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, SceneTiledRoundTrip, ::testing::Range<size_t>(0, kRoundTripShards));

TEST_F(SceneTiledTest, AFullTileSetExportWritesOneFilePerReferenceAndSaysWhatFailed)
{
    openArchive({});
    addImage("tiles.png");
    // Another archive holds a picture of the same file name, in green.
    const std::string other = folder.path("other.qel");
    editortest::buildArchive(other, {});
    writePicture(folder.path("green.png"), 0xFF00FF00);
    ImageMgr* images = Main::instance()->imageMgr();
    const int otherId = Main::instance()->archiveMgr()->load(other.c_str(), nullptr, 0);
    const int green = images->loadFromFile(folder.path("green.png").c_str(), "");
    ASSERT_EQ(images->get(green)->save(otherId, "tiles.png"), 0);
    images->close(green);
    Main::instance()->archiveMgr()->close(otherId);
    put("both.tsx", tileSet({"tiles.png", "qel://other.qel/tiles.png", "tiles.png"}));
    put("broken.tsx", tileSet({"tiles.png", "missing.png", "tiles.png"}));
    makeTab();

    ASSERT_EQ(choose("both.tsx"), 0);
    exportFull();
    EXPECT_EQ(imageSources(folder.path("both.tsx")),
              (std::vector<std::string>{"tiles.png", "tiles_2.png", "tiles.png"}));
    EXPECT_EQ(differentPixels(folder.path("tiles_2.png"), folder.path("green.png")), 0u);
    EXPECT_GT(differentPixels(folder.path("tiles.png"), folder.path("green.png")), 0u);
    EXPECT_EQ(takeBoxes().size(), 2u) << "one image written once needs no overwrite question";

    ASSERT_EQ(choose("broken.tsx"), 0);
    TS::pushAnswer(SC_FULL);
    TS::pushAnswer(MBB_YES); // tiles.png exists from the export before
    TS::pushAnswer(MBB_OK);
    click(SW_EXPORT);
    EXPECT_EQ(takeBoxes().back(), (Box{"TileMap export",
                                       "Could not export the TileSet.\nThe image \"missing.png\" could not be read.",
                                       MBB_OK, MBT_ERROR}));
    EXPECT_FALSE(fs::exists(folder.path("broken.tsx")));
}

TEST_F(SceneTiledTest, TemplatesAndTileSetsComeInAsUnsavedTextUnderTheirFileName)
{
    openArchive({});
    makeTab();
    writeFile(folder.path("Door.TX"), "<template><object/></template>");
    writeFile(folder.path("set.tsx"), tileSet({"a.png"}));
    for (const auto& [file, then] :
         {std::pair{"Door.TX", std::vector<int>{}}, std::pair{"set.tsx", std::vector<int>{SC_ALONE}}}) {
        click(BW_NEW); // New: an empty name field, so the file names the text
        EXPECT_EQ(importFile(SC_TILE_SET, folder.path(file), then), 0) << file;
        EXPECT_TRUE(tab->isDirty());
        EXPECT_EQ(stored(file), "<missing>");
    }
    EXPECT_EQ(std::string(name->getText().c_str()), "set.tsx");
    EXPECT_EQ(takeBoxes().size(), 5u) << "no mode choice for the template";
    TS::pushAnswer(0); // the saved notice
    EXPECT_EQ(click(BW_SAVE), 0);
    EXPECT_EQ(stored("set.tsx"), tileSet({"a.png"}));
}

TEST_F(SceneTiledTest, PlainExportsWriteTheXMLAloneAndAFailedMapExportSaysWhy)
{
    openArchive({});
    put("door.tx", "<template><object/></template>");
    put("MAP.TMX", mapOf({"tiles.tsx"}));
    put("lost.tmx", mapOf({"nowhere.tsx"}));
    makeTab();
    const struct {
        const char* block;
        std::vector<int> answers; // the choice (if any), then the closing box
        bool written;
        std::string lastTitle;
    } cases[] = {
        {"door.tx", {MBB_OK}, true, "TileMap export"},
        {"MAP.TMX", {2}, false, "Export Tiled Map"},
        {"MAP.TMX", {SC_ALONE, MBB_OK}, true, "TileMap export"},
        {"lost.tmx", {SC_FULL, MBB_OK}, false, "TileMap export"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        fs::remove(folder.path(c.block));
        ASSERT_EQ(choose(c.block), 0);
        for (int answer : c.answers)
            TS::pushAnswer(answer);
        click(SW_EXPORT);
        EXPECT_EQ(fs::exists(folder.path(c.block)), c.written);
        EXPECT_EQ(takeBoxes().back().title, c.lastTitle);
    }
    EXPECT_EQ(TestFolder::read(folder.path("MAP.TMX")).size(), stored("MAP.TMX").size());
}

TEST_F(SceneTiledTest, AFullMapExportReplacesAFileOfTheFolderOnlyAfterAYes)
{
    openLevel();
    makeTab();
    writeFile(folder.path("tiles.png"), "the user's own file");
    ASSERT_EQ(choose("level.tmx"), 0);
    for (int answer : {MBB_NO, MBB_YES}) {
        TS::pushAnswer(SC_FULL);
        TS::pushAnswer(answer); // tiles.png exists
        if (answer == MBB_YES)
            TS::pushAnswer(MBB_OK);
        click(SW_EXPORT);
        EXPECT_EQ(fs::exists(folder.path("level.tmx")), answer == MBB_YES);
        EXPECT_EQ(fs::exists(folder.path("tiles.tsx")), answer == MBB_YES);
        EXPECT_EQ(TestFolder::read(folder.path("tiles.png")).size() == 19, answer == MBB_NO);
        EXPECT_EQ(takeBoxes()[1].text, "The file \"tiles.png\" already exists.\nDo you want to overwrite it?");
    }
    EXPECT_EQ(folder.list(), (std::set<std::string>{"level.tmx", "tab.qel", "tiles.png", "tiles.tsx"}))
        << "nothing of the staging folder is left";
}

TEST_F(SceneTiledTest, FullDeleteRemovesWhatTheMapNamesOnceAndLeavesOtherArchives)
{
    const struct {
        const char* name;
        std::vector<std::string> tileSets; // of map.tmx: a.tsx, b.tsx or others
        bool aImageMissing;
        int result;
        std::vector<std::string> left;
    } cases[] = {
        {"two tile sets, one image named twice, a cycle and another archive",
         {"a.tsx", "b.tsx", "map.tmx", "qel://other.qel/x.tsx"},
         false,
         4,
         {"ZK7_IMAGE keep.png", "ZK7_XML keep.tmx"}},
        {"the first tile set fails to go", {"a.tsx", "b.tsx"}, true, -1,
         {"ZK7_IMAGE a.png", "ZK7_IMAGE keep.png", "ZK7_XML a.tsx", "ZK7_XML keep.tmx", "ZK7_XML map.tmx"}},
    };
    openArchive({});
    makeTab();
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        takeBoxes();
        const std::string sub = "case" + std::to_string(n++);
        freshArchive(sub);
        editortest::buildArchive(folder.path(sub + "/other.qel"), {});
        addImage("keep.png");
        addImage("a.png");
        addImage("b.png");
        put("keep.tmx", mapOf({"b.tsx"}));
        put("a.tsx", tileSet({c.aImageMissing ? "gone.png" : "a.png", "a.png"}));
        put("b.tsx", tileSet({"b.png"}));
        put("map.tmx", mapOf(c.tileSets));
        status->bReparseAll = 0;
        TS::pushAnswer(MBB_OK); // the map cannot be built, and says why
        ASSERT_EQ(choose("map.tmx"), 0);
        EXPECT_EQ(takeBoxes().at(0).text.substr(0, 48), "The Scene could not be built; its text is shown.");
        TS::pushAnswer(SC_FULL);
        if (c.tileSets.size() > 3)
            TS::pushAnswer(0); // the notice about the other archive closes by itself
        else
            for (int i = 0; i < 2; ++i) // the failure, then the map held again says why it cannot be built
                TS::pushAnswer(MBB_OK);
        EXPECT_EQ(click(BW_DELETE), c.result);
        EXPECT_EQ(liveBlocks(), c.left);
        EXPECT_TRUE(status->bReparseAll) << "blocks went in both cases";
        const auto boxes = takeBoxes();
        EXPECT_EQ(boxes.front(), (Box{"Delete Tiled Map", "", 0, 0}));
        if (c.result != -1)
            EXPECT_EQ(boxes.back(), (Box{"Delete TileMap", "External resource was not removed:\nqel://other.qel/x.tsx",
                                         MBB_NONE, MBT_INFORMATION, 2500}));
        else
            EXPECT_EQ(boxes.at(boxes.size() - 2).text,
                      "An error occurred during recursive deletion.\nSome resources might not have been deleted.");
    }
}

TEST_F(SceneTiledTest, FullDeleteRemovesTheMapsOwnPicturesThatNoOtherDocumentNames)
{
    openArchive({});
    makeTab();
    freshArchive("own");
    for (const char* picture : {"#M_own_0", "#M_own_1", "#M_shared_0", "#M_kept_0"})
        addImage(picture);
    const auto imageLayer = [](int id, const std::string& source) {
        return " <imagelayer id=\"" + std::to_string(id) + "\" name=\"I" + std::to_string(id) + "\"><image source=\"" +
               source + "\"/></imagelayer>\n";
    };
    const std::string head = "<map version=\"1.10\" orientation=\"orthogonal\" width=\"2\" height=\"1\" "
                             "tilewidth=\"16\" tileheight=\"16\">\n";
    put("own.tmx", head +
                       " <tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"2\" "
                       "columns=\"2\"><image source=\"qel://tab.qel/#M_own_0\" width=\"32\" height=\"16\"/></tileset>\n" +
                       imageLayer(1, "#M_own_1") + imageLayer(2, "qel://tab.qel/#M_shared_0") + "</map>\n");
    put("keep.tmx", head + imageLayer(1, "#M_shared_0") + "</map>\n");
    put("kept.tsx", tileSet({"#M_kept_0"}));
    ASSERT_EQ(choose("own.tmx"), 0);
    TS::pushAnswer(SC_FULL);
    EXPECT_EQ(click(BW_DELETE), 4) << "deleted: nothing held";
    EXPECT_EQ(liveBlocks(), (std::vector<std::string>{"ZK7_IMAGE #M_kept_0", "ZK7_IMAGE #M_shared_0",
                                                       "ZK7_XML keep.tmx", "ZK7_XML kept.tsx"}));
    EXPECT_EQ(takeBoxes().size(), 1u) << "the choice only";
}

TEST_F(SceneTiledTest, ImportsNeverReplaceABlockTheyDidNotMakeWithoutAsking)
{
    openArchive({});
    addImage("grass.png"); // unrelated, same name as the tile set's images
    fs::create_directories(folder.path("a"));
    fs::create_directories(folder.path("b"));
    writePicture(folder.path("a/grass.png"), 0xFF00FF00);
    writePicture(folder.path("b/grass.png"), 0xFFFFFF00);
    writeFile(folder.path("Forest.TSX"), tileSet({"a/grass.png", "b/grass.png", "a/grass.png"}));
    makeTab();

    EXPECT_EQ(importFile(SC_TILE_SET, folder.path("Forest.TSX"), {SC_FULL, 0}), 0);
    const std::vector<std::string> imported{"ZK7_IMAGE grass.png", "ZK7_IMAGE grass_2.png", "ZK7_IMAGE grass_3.png",
                                            "ZK7_XML Forest.tsx"};
    EXPECT_EQ(liveBlocks(), imported);
    const std::string stored = this->stored("Forest.tsx");
    EXPECT_NE(stored.find("qel://tab.qel/grass_2.png\"/>\n <tile id=\"1\"><image source=\"qel://tab.qel/grass_3.png"),
              std::string::npos)
        << stored;
    EXPECT_TRUE(tab->isDirty());
    takeBoxes();

    // Again: the question, then the tile set's own images are replaced.
    const Box tileSetQuestion{"File exists",
                              "The file \"Forest.tsx\" already exists in the QEL.\n\nFull integration will overwrite "
                              "the existing file and all its dependencies.\n\nDo you want to continue?",
                              MBB_YESNO, MBT_WARNING};
    for (int answer : {MBB_NO, MBB_YES}) {
        importFile(SC_TILE_SET, folder.path("Forest.TSX"),
                   answer == MBB_YES ? std::vector<int>{SC_FULL, answer, 0} : std::vector<int>{SC_FULL, answer});
        EXPECT_EQ(takeBoxes()[3], tileSetQuestion);
        EXPECT_EQ(liveBlocks(), imported);
    }

    // A picture that cannot be stored stops the import and the tile set is
    // not stored; the picture before it, held by grass_3.png already, is not
    // copied. The log says why.
    SDL_Surface* wide = SDL_CreateRGBSurfaceWithFormat(0, 17000, 32, 32, SDL_PIXELFORMAT_ARGB8888);
    IMG_SavePNG(wide, folder.path("wide.png").c_str());
    SDL_FreeSurface(wide);
    writeFile(folder.path("text.png"), "not a picture");
    const struct {
        const char *picture, *why;
    } broken[] = {{"c/none.png", "the file cannot be opened"},
                  {"wide.png", "a picture may be at most 16384 pixels a side"},
                  {"text.png", "it is not a picture the editor reads"}};
    for (const auto& b : broken) {
        writeFile(folder.path("Broken.tsx"), tileSet({"b/grass.png", b.picture}));
        LogCapture log(folder.path("log.txt"));
        importFile(SC_TILE_SET, folder.path("Broken.tsx"), {SC_FULL, MBB_OK});
        EXPECT_EQ(takeBoxes().back().text, "Some errors occurred during import. Check log for details.");
        EXPECT_NE(log.text().find(std::string("the image \"") + b.picture + "\" of \"" + folder.path("Broken.tsx") +
                                  "\" could not be stored: " + b.why + ".\n"),
                  std::string::npos)
            << b.picture;
        EXPECT_EQ(liveBlocks(), imported);
    }

    // Not a source a scene is made from: the dialog comes back, and is
    // cancelled. The tile set just imported is unsaved: Yes to leaving it.
    ASSERT_TRUE(tab->isDirty());
    TS::pushAnswer(SC_SCENE);
    TS::pushAnswer(MBB_YES);
    TS::pushScript([](int dialog) {
        TS::clickWidget(dialog, sceneImportDialog::ID_LOAD);
        TS::pump();
        TS::clickWidget(dialog, sceneImportDialog::ID_OK);
    });
    TS::pushFileAnswer(true, folder.path("Forest.TSX").c_str());
    TS::pushAnswer(MBB_OK);
    TS::pushScript([](int dialog) { TS::clickWidget(dialog, sceneImportDialog::ID_CANCEL); });
    click(SW_IMPORT);
    EXPECT_EQ(takeBoxes().at(4), (Box{"New Scene", "Unsupported source.", MBB_OK, MBT_WARNING}));

    // A map of an existing name is asked about too.
    put("Forest.tmx", "<map/>");
    writeFile(folder.path("Forest.tmx"), mapOf({"Forest.TSX"}));
    const Box mapQuestion{"File exists",
                          "The file \"Forest.tmx\" already exists in the QEL.\n\nThe import will overwrite it.\n\n"
                          "Do you want to continue?",
                          MBB_YESNO, MBT_WARNING};
    importFile(SC_SCENE, folder.path("Forest.tmx"), {MBB_NO});
    EXPECT_EQ(this->stored("Forest.tmx"), "<map/>");
    EXPECT_EQ(importFile(SC_SCENE, folder.path("Forest.tmx"), {MBB_YES}), 0);
    EXPECT_EQ(takeBoxes().back(), mapQuestion);
    EXPECT_FALSE(tab->isDirty()) << "the map shown is the one stored";
    EXPECT_NE(this->stored("Forest.tmx").find("source=\"qel://tab.qel/Forest.TSX\""), std::string::npos);
    EXPECT_GT(tab->sceneID(), 0);
}

// The attribute of the tag whose text holds marker ("<none>" without one).
std::string attributeOf(const std::string& text, const std::string& marker, const std::string& name)
{
    const size_t at = text.find(marker);
    if (at == std::string::npos)
        return "<none>";
    const size_t open = text.rfind('<', at);
    const std::string tag = text.substr(open, text.find('>', at) - open);
    const size_t key = tag.find(" " + name + "=\"");
    if (key == std::string::npos)
        return "<none>";
    const size_t from = key + name.size() + 3;
    return tag.substr(from, tag.find('"', from) - from);
}

// A map whose tile set (inside it) is named name and draws tiles.png.
std::string mapWithTileSetNamed(const std::string& name, const std::string& layers)
{
    return "<map version=\"1.10\" orientation=\"orthogonal\" width=\"2\" height=\"1\" tilewidth=\"16\" "
           "tileheight=\"16\" nextlayerid=\"13\">\n <tileset firstgid=\"1\" name=\"" +
           name +
           "\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"2\" columns=\"2\">\n"
           "  <image source=\"tiles.png\" width=\"32\" height=\"16\"/>\n </tileset>\n" +
           layers + "</map>\n";
}

TEST_F(SceneTiledTest, AFullMapExportWritesOnlyInsideItsFolderWhateverTheMapNames)
{
    makeTab();
    freshArchive("out");
    addImage("tiles.png");
    put("hostile.tmx",
        mapWithTileSetNamed("../../escaped", " <layer id=\"1\" name=\"L\" width=\"2\" height=\"1\"><data "
                                             "encoding=\"csv\">1,2</data></layer>\n"));
    writeFile(folder.path("escaped.tsx"), "the user's own file");
    ASSERT_EQ(choose("hostile.tmx"), 0);
    exportFull();
    EXPECT_EQ(takeBoxes().back().text, "TileMap exported to \"" + folder.path("out/hostile.tmx") + "\": Ok");
    EXPECT_EQ(readFile(folder.path("escaped.tsx")), "the user's own file");
    const std::string named = attributeOf(readFile(folder.path("out/hostile.tmx")), "<tileset", "source");
    EXPECT_EQ(named.find('/'), std::string::npos) << named;
    EXPECT_NE(named.front(), '.') << "not hidden: " << named;
    EXPECT_TRUE(fs::exists(folder.path("out/" + named))) << named;

    // Again: every file the export would replace is asked about.
    TS::pushAnswer(SC_FULL);
    for (int i = 0; i < 3; ++i)
        TS::pushAnswer(MBB_YES);
    TS::pushAnswer(MBB_OK);
    click(SW_EXPORT);
    std::set<std::string> asked;
    for (const Box& b : takeBoxes())
        if (b.title == "Export file")
            asked.insert(b.text.substr(10, b.text.find('"', 10) - 10));
    EXPECT_EQ(asked, (std::set<std::string>{"hostile.tmx", named, "tiles.png"}));
}

TEST_F(SceneTiledTest, AFullMapExportFitsLongNamesIntoFileNamesAndLogsAFailedWrite)
{
    makeTab();
    std::string accents;
    for (int i = 0; i < 150; ++i)
        accents += "\xC3\xA9";
    const std::string names[] = {std::string(300, 'a'), accents};
    int n = 0;
    for (const std::string& setName : names) {
        SCOPED_TRACE(n);
        const std::string sub = "long" + std::to_string(n++);
        const std::string map = sub + ".tmx";
        freshArchive(sub);
        addImage("tiles.png");
        put(map.c_str(), mapWithTileSetNamed(setName, " <layer id=\"1\" name=\"L\" width=\"2\" height=\"1\"><data "
                                                      "encoding=\"csv\">1,2</data></layer>\n"));
        ASSERT_EQ(choose(map.c_str()), 0);
        exportFull();
        EXPECT_EQ(takeBoxes().back().text, "TileMap exported to \"" + folder.path(sub + "/" + map) + "\": Ok");
        const std::string named = attributeOf(readFile(folder.path(sub + "/" + map)), "<tileset", "source");
        EXPECT_LE(named.size(), 255u);
        const size_t cut = named.rfind('~');
        ASSERT_NE(cut, std::string::npos) << named;
        EXPECT_EQ(setName.compare(0, cut, named, 0, cut), 0) << "the name's head, whole characters: " << named;
        EXPECT_EQ(named.substr(named.size() - 4), ".tsx");
        EXPECT_TRUE(fs::exists(folder.path(sub + "/" + named))) << named;
    }

    // The tile set's file cannot take its place: the failure and its cause are logged.
    const std::string named = attributeOf(readFile(folder.path("long1/long1.tmx")), "<tileset", "source");
    fs::remove(folder.path("long1/" + named));
    fs::create_directory(folder.path("long1/" + named));
    TS::pushAnswer(SC_FULL);
    for (int i = 0; i < 3; ++i)
        TS::pushAnswer(MBB_YES);
    TS::pushAnswer(MBB_OK);
    LogCapture log(folder.path("log.txt"));
    click(SW_EXPORT);
    EXPECT_EQ(takeBoxes().back().text.substr(0, 28), "Could not export the TileMap");
    EXPECT_NE(log.text().find("Is a directory"), std::string::npos);
}

// A layer keeps its id, unless an earlier one took it: then it gets one
// above every id the map holds, whatever its next id says.
TEST_F(SceneTiledTest, AFullMapExportKeepsTheLayersIdsAndWritesValuesAsRead)
{
    makeTab();
    const auto layer = [](const char* id, const char* layerName, const char* more) {
        return std::string(" <layer id=\"") + id + "\" name=\"" + layerName + "\" width=\"2\" height=\"1\"" + more +
               "><data encoding=\"csv\">1,2</data></layer>\n";
    };
    const struct {
        const char* file;
        std::string layers;
        std::vector<std::pair<const char*, const char*>> read; // marker, attribute
        std::vector<std::string> expected;
    } cases[] = {
        {"ids", layer("7", "Seven", " opacity=\"0.8\"") + layer("3", "Three", " offsetx=\"0.1\""),
         {{"\"Seven\"", "id"}, {"\"Seven\"", "opacity"}, {"\"Three\"", "id"}, {"\"Three\"", "offsetx"},
          {"<map", "nextlayerid"}},
         {"7", "0.8", "3", "0.1", "13"}},
        {"twice", layer("1", "A", "") + layer("1", "B", "") + layer("2", "C", "") + layer("14", "D", ""),
         {{"\"A\"", "id"}, {"\"B\"", "id"}, {"\"C\"", "id"}, {"\"D\"", "id"}, {"<map", "nextlayerid"}},
         {"1", "15", "2", "14", "16"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = std::string(c.file) + ".tmx";
        freshArchive(c.file);
        addImage("tiles.png");
        put(file.c_str(), mapWithTileSetNamed("tiles", c.layers));
        ASSERT_EQ(choose(file.c_str()), 0);
        exportFull();
        const std::string exported = readFile(folder.path(std::string(c.file) + "/" + file));
        std::vector<std::string> values;
        for (const auto& [marker, attribute] : c.read)
            values.push_back(attributeOf(exported, marker, attribute));
        EXPECT_EQ(values, c.expected) << exported;
    }
}

// Through Import Scene, a save and a Full Map Export, a map keeps its
// layers' ids and next id, its tile set's name (which carries ".tsx") and is
// cut as its image is; Tiled draws the export as it draws the original.
TEST_F(SceneTiledTest, AnImportedMapKeepsItsLayerIdsTileSetNameAndColumns)
{
    if (std::system("command -v tmxrasterizer > /dev/null") != 0)
        GTEST_SKIP() << "needs tmxrasterizer";
    openArchive({});
    makeTab();
    freshArchive("ids");
    fs::create_directories(folder.path("src"));
    SDL_Surface* tiles = SDL_CreateRGBSurfaceWithFormat(0, 32, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    const SDL_Rect right{16, 0, 16, 16};
    SDL_FillRect(tiles, nullptr, 0xFFFF0000);
    SDL_FillRect(tiles, &right, 0xFF0000FF);
    IMG_SavePNG(tiles, folder.path("src/tiles.png").c_str());
    SDL_FreeSurface(tiles);
    // columns="1" contradicts the image: Tiled cuts it in two.
    writeFile(folder.path("src/acid.tsx"), "<tileset name=\"acid.tsx\" tilewidth=\"16\" tileheight=\"16\" "
                                           "tilecount=\"2\" columns=\"1\"><image source=\"tiles.png\" "
                                           "width=\"16\" height=\"32\"/></tileset>\n");
    const std::string original = folder.path("src/ids.tmx");
    writeFile(original,
              "<map version=\"1.10\" orientation=\"orthogonal\" width=\"2\" height=\"1\" tilewidth=\"16\" "
              "tileheight=\"16\" nextlayerid=\"13\">\n <tileset firstgid=\"1\" source=\"acid.tsx\"/>\n"
              " <layer id=\"5\" name=\"Five\" width=\"2\" height=\"1\"><data encoding=\"csv\">2,1</data></layer>\n"
              " <group id=\"9\" name=\"Nine\"><layer id=\"12\" name=\"Twelve\" width=\"2\" height=\"1\">"
              "<data encoding=\"csv\">0,2</data></layer></group>\n"
              " <objectgroup id=\"3\" name=\"Three\"/>\n</map>\n");
    ASSERT_EQ(importFile(SC_SCENE, original), 0) << testing::PrintToString(takeBoxes());
    const auto ids = [](const std::string& tmx) {
        std::vector<std::string> out;
        for (const char* layer : {"\"Five\"", "\"Nine\"", "\"Twelve\"", "\"Three\""})
            out.push_back(attributeOf(tmx, layer, "id"));
        out.push_back(attributeOf(tmx, "<map", "nextlayerid"));
        return out;
    };
    const std::vector<std::string> expected{"5", "9", "12", "3", "13"};
    EXPECT_EQ(ids(stored("ids.tmx")), expected) << stored("ids.tmx");
    TS::clearModalLog();
    click(CtrlBase::BW_SAVE);
    EXPECT_EQ(ids(stored("ids.tmx")), expected) << "saved again: " << stored("ids.tmx");
    ASSERT_EQ(choose("ids.tmx"), 0);
    exportFull();
    const std::string exported = readFile(folder.path("ids/ids.tmx"));
    EXPECT_EQ(ids(exported), expected) << exported;
    EXPECT_EQ(attributeOf(exported, "<tileset", "source"), "acid.tsx");
    EXPECT_EQ(attributeOf(readFile(folder.path("ids/acid.tsx")), "<tileset", "columns"), "2");
    for (const auto& [tmx, png] : {std::pair{original, folder.path("original.png")},
                                   std::pair{folder.path("ids/ids.tmx"), folder.path("exported.png")}})
        ASSERT_EQ(std::system(("QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing '" + tmx + "' '" + png +
                               "' > /dev/null 2>&1")
                                  .c_str()),
                  0)
            << tmx;
    EXPECT_EQ(differentPixels(folder.path("original.png"), folder.path("exported.png")), 0u);
}

TEST_F(SceneTiledTest, AFailedMapImportShowsTheEnginesReason)
{
    openArchive({});
    makeTab();
    // A picture wider than any image block is refused before it is decoded.
    SDL_Surface* wide = SDL_CreateRGBSurfaceWithFormat(0, 17000, 32, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(wide, nullptr, 0xFF00FF00);
    IMG_SavePNG(wide, folder.path("wide.png").c_str());
    SDL_FreeSurface(wide);
    writeFile(folder.path("wide.tsx"), tileSet({"wide.png"}));
    // A sound picture read first states its size; what is refused after it
    // must not be said to be that size.
    writePicture(folder.path("good.png"), 0xFF00FF00);
    writeFile(folder.path("good.tsx"), tileSet({"good.png"}));
    const std::string png = readFile(folder.path("good.png"));
    writeFile(folder.path("cut.png"), png.substr(0, png.size() - 20));
    writeFile(folder.path("cut.tsx"), tileSet({"cut.png"}));
    const struct {
        const char* map;
        std::vector<std::string> tileSets;
        std::vector<std::string> named;
    } cases[] = {
        {"lost.tmx", {"nowhere.tsx"}, {"nowhere.tsx", ": it is missing"}},
        {"wide.tmx", {"wide.tsx"}, {"\"wide.png\"", "17000x32 pixels", "at most 16384 pixels a side"}},
        {"second.tmx", {"good.tsx", "nowhere.tsx"}, {"\"nowhere.tsx\"", ": it is missing"}},
        {"cut.tmx", {"good.tsx", "cut.tsx"}, {"\"cut.png\"", ": it is damaged or not a picture"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        const std::vector<std::string> before = liveBlocks();
        writeFile(folder.path(c.map), mapOf(c.tileSets));
        importFile(SC_SCENE, folder.path(c.map), {MBB_OK});
        const Box failed = takeBoxes().back();
        EXPECT_EQ(failed.title, "TileMap import");
        EXPECT_EQ(failed.text.rfind("Failed to load TileMap. File may be invalid or dependencies missing.\n\n", 0),
                  0u)
            << failed.text;
        for (const std::string& part : c.named)
            EXPECT_NE(failed.text.find(part), std::string::npos) << failed.text;
        EXPECT_EQ(failed.text.find("pixels a side") != std::string::npos, c.map == std::string("wide.tmx"))
            << failed.text;
        EXPECT_EQ(liveBlocks(), before);
    }
}

TEST_F(SceneTiledTest, ATileSetOrTemplateAsTextIsNamedAfterItsFile)
{
    openLevel();
    makeTab();
    writeFile(folder.path("door.tx"), "<template><object/></template>");
    writeFile(folder.path("tiles.tsx"), tileSet({"elsewhere.png"}));
    ASSERT_EQ(choose("tiles.tsx"), 0);
    EXPECT_EQ(importFile(SC_TILE_SET, folder.path("door.tx")), 0);
    EXPECT_EQ(std::string(name->getText().c_str()), "door.tx");
    TS::pushAnswer(0); // the saved notice
    EXPECT_EQ(click(BW_SAVE), 0);
    EXPECT_EQ(stored("door.tx"), "<template><object/></template>");
    EXPECT_EQ(stored("tiles.tsx"), scenetest::kTileSet);

    // A file of a stored block's name: asked first, and No keeps all as it was.
    takeBoxes();
    importFile(SC_TILE_SET, folder.path("tiles.tsx"), {SC_ALONE, MBB_NO});
    EXPECT_EQ(takeBoxes().back(), (Box{"File exists",
                                       "The file \"tiles.tsx\" already exists in the QEL.\n\nSaving the import will "
                                       "overwrite it.\n\nDo you want to continue?",
                                       MBB_YESNO, MBT_WARNING}));
    EXPECT_EQ(std::string(name->getText().c_str()), "door.tx");
    EXPECT_FALSE(tab->isDirty());
}

} // namespace
