// Layer slots, the engine's stored text, references into archives, export
// and drawing: viewport, clip, flips, repeats and animations.
#include "engine/scene/SceneTestSupport.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Screen.h>

#include <cstring>

namespace scenetest {
namespace {

const std::string kTwoLayers =
    "<map orientation=\"orthogonal\" width=\"2\" height=\"1\" tilewidth=\"16\" tileheight=\"16\">"
    "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image source=\"tiles.png\"/></tileset>"
    "<layer id=\"7\" name=\"under\" width=\"2\" height=\"1\"><data encoding=\"csv\">1,2</data></layer>"
    "<group id=\"2\" name=\"g\" offsetx=\"3\" opacity=\"0.5\"><layer id=\"3\" name=\"in\" width=\"2\" height=\"1\">"
    "<data encoding=\"csv\">2,0</data></layer></group>"
    "<objectgroup id=\"4\" name=\"things\"><object id=\"1\" x=\"1\" y=\"2\"><ellipse/><future a=\"b\"/></object>"
    "<object id=\"2\" gid=\"2147483650\" x=\"0\" y=\"16\" width=\"16\" height=\"16\"/></objectgroup>"
    "<imagelayer id=\"5\" name=\"pic\" offsety=\"4\" tintcolor=\"#80ff0000\"><image source=\"tiles.png\"/></imagelayer>"
    "<unknownthing keep=\"me\"/></map>";

// Slots as "type:name" from 1 up; "-" for an empty slot.
std::string slots(Scene* s)
{
    std::string out;
    for (int i = 1; i <= s->getLayerCount(0); ++i) {
        String name;
        s->getLayerName(i, name);
        out += (s->getLayerType(i) ? std::to_string(s->getLayerType(i)) + ":" + name.c_str() : "-") + " ";
    }
    return out;
}

TEST_F(SceneTest, SlotsFollowDocumentOrderThenTheirIdsOnceStored)
{
    const int id = loadFile("m.tmx", kTwoLayers);
    ASSERT_GT(id, 0) << scenes().getLastError();
    Scene* s = scenes().get(id);
    EXPECT_EQ(slots(s), "1:under 4:g 3:things 2:pic ") << "a plain map fills slots in document order";

    struct Step {
        const char* what;
        std::function<void(Scene*)> edit;
        std::string slotsAfter;
    };
    const std::vector<Step> steps = {
        {"closing a middle layer leaves its slot empty", [](Scene* x) { EXPECT_TRUE(x->closeLayer(2)); },
         "1:under - 3:things 2:pic "},
        {"an empty slot cannot be closed again", [](Scene* x) { EXPECT_FALSE(x->closeLayer(2)); },
         "1:under - 3:things 2:pic "},
        {"empty slots at the end are dropped",
         [](Scene* x) {
             EXPECT_TRUE(x->closeLayer(4));
             EXPECT_TRUE(x->closeLayer(3));
         },
         "1:under "},
        {"a new layer takes the next slot", [](Scene* x) { EXPECT_EQ(x->createLayer("new", SLT_TILE, 0, 2, 1), 2); },
         "1:under 1:new "},
        {"or an empty one; an occupied slot is refused",
         [](Scene* x) {
             EXPECT_EQ(x->createLayer("x", SLT_TILE, 1, 2, 1), RC_ERR_EXISTS);
             EXPECT_EQ(x->createLayer("x", SLT_TILE, 4, 2, 1), RC_ERR_INVALID);
             EXPECT_TRUE(x->closeLayer(1));
             EXPECT_EQ(x->createLayer("x", SLT_TILE, 1, 2, 1), 1);
             EXPECT_TRUE(x->closeLayer(1));
         },
         "- 1:new "},
        {"no layer beyond the cells all layers may hold",
         [](Scene* x) {
             const int big = x->createLayer("big", SLT_TILE, 0, 8192, 4096);
             EXPECT_EQ(big, 3);
             EXPECT_EQ(x->createLayer("more", SLT_TILE, 0, 8192, 4096), RC_ERR_TOO_LARGE);
             EXPECT_TRUE(x->closeLayer(big));
         },
         "- 1:new "},
    };
    for (const Step& step : steps) {
        step.edit(s);
        EXPECT_EQ(slots(s), step.slotsAfter) << step.what;
        const int again = reload(id);
        ASSERT_GT(again, 0) << scenes().getLastError();
        EXPECT_EQ(slots(scenes().get(again)), step.slotsAfter) << step.what << ", after the stored text";
        EXPECT_EQ(difference(describe(scenes().get(again)), describe(s)), "") << step.what;
    }
}

TEST_F(SceneTest, StoredTextKeepsWhatTheEngineDoesNotUse)
{
    const int id = loadFile("m.tmx", kTwoLayers);
    ASSERT_GT(id, 0) << scenes().getLastError();
    Scene* s = scenes().get(id);
    ASSERT_EQ(s->setLayerFeatures(1, SLF_SHOWN, false), 0);
    ASSERT_EQ(s->setLayerPosition(4, Position(-5.5f), Position(2.0f)), 0);
    EXPECT_EQ(s->setLayerPosition(4, Position(1.0f, PH_CENTER), Position(0.0f)), RC_ERR_INVALID);
    EXPECT_EQ(s->setLayerFeatures(9, SLF_SHOWN, true), RC_ERR_NOT_FOUND);
    char* buffer = nullptr;
    size_t size = 0;
    ASSERT_EQ(s->saveToBuffer(buffer, size, "level -- one", "m.tmx", "", true), 0);
    const std::string text(buffer, size);
    CMem::free(buffer);
    EXPECT_NE(text.find(kSceneMarker), std::string::npos);
    // The layers keep their ids (slot 1 holds layer 7), the tint its alpha
    // apart from the opacity.
    for (const char* kept : {"<unknownthing keep=\"me\"", "<future a=\"b\"", "<ellipse", "visible=\"0\"",
                             "offsetx=\"-5.5\"", "gid=\"2147483650\"", "<layer id=\"7\" zk-slot=\"1\" name=\"under\"",
                             "<imagelayer id=\"5\" zk-slot=\"4\" name=\"pic\"", "tintcolor=\"#80ff0000\""})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << " in\n" << text;
    const int again = loadFile("again.tmx", text);
    ASSERT_GT(again, 0) << scenes().getLastError();
    EXPECT_EQ(difference(describe(scenes().get(again)), describe(s)), "");
    EXPECT_EQ(s->getLayerFeatures(1) & SLF_SHOWN, 0u);
}

TEST_F(SceneTest, ReferencesResolveInTheArchiveAndAcrossArchives)
{
    // world.qel holds the map's tile set and its image; other.qel an image
    // layer's picture named by URI.
    ArchiveMgr& archives = *Main::instance()->archiveMgr();
    const std::string world = dir.file("world.qel"), other = dir.file("other.qel");
    const int worldId = archives.create(world.c_str(), 0), otherId = archives.create(other.c_str(), 0);
    ASSERT_GT(worldId, 0);
    ASSERT_GT(otherId, 0);
    ImageMgr& images = *Main::instance()->imageMgr();
    const int img = images.loadFromFile(dir.file("tiles.png").c_str(), "tiles");
    ASSERT_EQ(images.get(img)->save(worldId, "art/tiles.png"), 0);
    ASSERT_EQ(images.get(img)->save(otherId, "back.png"), 0);
    images.close(img);
    const std::string tsx = "<tileset name=\"t\" tilewidth=\"16\" tileheight=\"16\"><image source=\"art/tiles.png\"/>"
                            "</tileset>";
    Archive::Block block("t.tsx", "ZK7_XML");
    block.data = const_cast<char*>(tsx.data());
    block.size = tsx.size();
    ASSERT_EQ(archives.get(worldId)->blockAdd(block), 0);
    archives.close(otherId); // loaded for the read, then closed again

    const std::string map = mapText(2, 1, "<data encoding=\"csv\">2,1</data>",
                                    "<tileset firstgid=\"1\" source=\"t.tsx\"/>") ;
    const std::string withLayer = map.substr(0, map.size() - 6) +
                                  "<imagelayer id=\"2\"><image source=\"qel://other.qel/back.png\"/></imagelayer></map>";
    const int id = loadText(withLayer, world);
    ASSERT_GT(id, 0) << scenes().getLastError();
    const scene::Map& m = SceneAccess::map(*scenes().get(id));
    ASSERT_EQ(m.tileSets.size(), 1u);
    EXPECT_EQ(m.tileSets[0]->tileCount, 2u);
    ASSERT_TRUE(m.slots[1]->picture);
    EXPECT_EQ(m.slots[1]->picture->surface->w, 32);
    EXPECT_EQ(archives.find(other.c_str()), RC_ERR_NOT_FOUND) << "the other archive is closed after the load";

    // Stored as a block, loaded by block name.
    block = Archive::Block("level.tmx", "ZK7_XML");
    block.data = const_cast<char*>(withLayer.data());
    block.size = withLayer.size();
    ASSERT_EQ(archives.get(worldId)->blockAdd(block), 0);
    EXPECT_GT(track(scenes().load(world.c_str(), "level.tmx")), 0) << scenes().getLastError();
    EXPECT_EQ(track(scenes().load(world.c_str(), "none.tmx")), RC_ERR_NOT_FOUND);
    EXPECT_EQ(track(scenes().loadFromBuffer(withLayer.data(), withLayer.size(), "x", "")), RC_ERR_NOT_FOUND)
        << "without the archive the plain names are files, and there are none";
    EXPECT_GT(loadFile("uri.tmx", mapText(2, 1, "<data encoding=\"csv\">2,1</data>",
                                          "<tileset firstgid=\"1\" source=\"qel://world.qel/t.tsx\"/>")),
              0)
        << "a file's relative URI is taken from its folder: " << scenes().getLastError();
    archives.close(worldId);
}

TEST_F(SceneTest, ExportWritesMapTileSetsAndImagesThatLoadTheSame)
{
    const int id = loadFile("m.tmx", kTwoLayers);
    ASSERT_GT(id, 0) << scenes().getLastError();
    std::filesystem::create_directories(dir.path() / "out");
    ASSERT_EQ(scenes().get(id)->save(dir.file("out/level.tmx").c_str(), "", "", true), 0);
    for (const char* file : {"level.tmx", "tileset1.tsx", "tiles.png"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / file)) << file;
    const int again = track(scenes().loadFromFile(dir.file("out/level.tmx").c_str()));
    ASSERT_GT(again, 0) << scenes().getLastError();
    EXPECT_EQ(difference(describe(scenes().get(again)), describe(scenes().get(id))), "");
    EXPECT_EQ(scenes().get(id)->save("", "", "", true), RC_ERR_INVALID);
}

// A tile set is cut by its image as it is (tiles.png: two tiles across),
// whatever columns it declares; the export says so, in a file named once.
TEST_F(SceneTest, TileSetsAreCutByTheirImageAndExportedUnderTheirName)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(32, 16);
    ASSERT_EQ(screen.show(), 0);
    const std::pair<const char*, const char*> names[] = {
        {"acid.tsx", "acid.tsx"}, {"Acid.TSX", "Acid.TSX"}, {"acid", "acid.tsx"}, {"v1.2", "v1.2.tsx"}};
    for (const auto& [name, file] : names) {
        const int id = loadFile("cut.tmx", mapText(1, 1, "<data encoding=\"csv\">2</data>",
                                                   std::string("<tileset firstgid=\"1\" name=\"") + name +
                                                       "\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"2\" "
                                                       "columns=\"1\"><image source=\"tiles.png\" width=\"16\" "
                                                       "height=\"32\"/></tileset>"));
        ASSERT_GT(id, 0) << scenes().getLastError();
        ASSERT_EQ(scenes().get(id)->setViewport(SDL_Rect{0, 0, 16, 16}), 0);
        screen.clear(0, 0, 0, 255);
        ASSERT_EQ(scenes().get(id)->render(0, 0), 0);
        uint32_t pixel = 0;
        const SDL_Rect at{8, 8, 1, 1};
        ASSERT_EQ(SDL_RenderReadPixels(screen.getRenderer(), &at, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0);
        EXPECT_EQ(pixel, kBlue) << "tile 1 is the second across";

        const std::filesystem::path out = dir.path() / (std::string("out-") + file);
        std::filesystem::create_directories(out);
        ASSERT_EQ(scenes().get(id)->save((out / "cut.tmx").c_str(), "", "", true), 0);
        pugi::xml_document map, tsx;
        ASSERT_TRUE(map.load_file((out / "cut.tmx").c_str()));
        EXPECT_EQ(std::string(map.child("map").child("tileset").attribute("source").value()), file);
        ASSERT_TRUE(tsx.load_file((out / file).c_str())) << file;
        EXPECT_EQ(tsx.child("tileset").attribute("columns").as_int(), 2);
    }
}

TEST_F(SceneTest, RenderStaysInsideViewportAndClip)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(64, 48);
    ASSERT_EQ(screen.show(), 0);
    const int id = loadFile("m.tmx", mapText(2, 1, "<data encoding=\"csv\">1,2</data>"));
    ASSERT_GT(id, 0) << scenes().getLastError();
    Scene* s = scenes().get(id);
    EXPECT_EQ(s->getWidth(), 32);
    EXPECT_EQ(s->setViewport(SDL_Rect{4, 4, 0, 10}), RC_ERR_INVALID);
    ASSERT_EQ(s->setViewport(SDL_Rect{8, 8, 20, 16}), 0); // cuts the blue tile after 4 pixels

    struct Case {
        const char* what;
        const SDL_Rect* clip;
        std::vector<std::pair<SDL_Point, uint32_t>> expect;
    };
    const SDL_Rect clip{0, 0, 12, 48};
    const std::vector<Case> cases = {
        {"viewport only", nullptr, {{{8, 8}, kRed}, {{23, 23}, kRed}, {{24, 10}, kBlue}, {{27, 10}, kBlue},
                                    {{28, 10}, 0xFF000000u}, {{7, 8}, 0xFF000000u}, {{8, 24}, 0xFF000000u}}},
        {"viewport and clip", &clip, {{{11, 10}, kRed}, {{12, 10}, 0xFF000000u}, {{24, 10}, 0xFF000000u}}},
    };
    for (const Case& c : cases) {
        screen.setClipRect(nullptr);
        screen.clear(0, 0, 0, 255);
        screen.setClipRect(c.clip);
        ASSERT_EQ(s->render(0, 0), 0);
        SDL_Rect after;
        EXPECT_EQ(screen.getClipRect(after), c.clip != nullptr) << "the caller's clip comes back";
        std::vector<uint32_t> pixels(64 * 48);
        ASSERT_EQ(SDL_RenderReadPixels(screen.getRenderer(), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), 64 * 4),
                  0);
        for (const auto& [p, colour] : c.expect)
            EXPECT_EQ(pixels[size_t(p.y) * 64 + size_t(p.x)], colour) << c.what << " at " << p.x << "," << p.y;
    }
    screen.setClipRect(nullptr);
}

TEST_F(SceneTest, FlipBitsTurnAndMirrorTilesAsTiledDoes)
{
    // A 2 x 2 tile of four colours; Tiled transposes first, then mirrors
    // horizontally, then vertically.
    const uint32_t colours[2][2] = {{0xFFFF0000u, 0xFF00FF00u}, {0xFF0000FFu, 0xFFFFFFFFu}};
    SDL_Surface* tile = SDL_CreateRGBSurfaceWithFormat(0, 2, 2, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            static_cast<uint32_t*>(tile->pixels)[y * tile->pitch / 4 + x] = colours[y][x];
    IMG_SavePNG(tile, dir.file("flip.png").c_str());
    SDL_FreeSurface(tile);
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(64, 48);
    ASSERT_EQ(screen.show(), 0);
    for (uint32_t bits = 0; bits < 8; ++bits) {
        const bool h = bits & 4, v = bits & 2, d = bits & 1;
        const std::string gid =
            std::to_string(1u | (h ? scene::kFlipH : 0) | (v ? scene::kFlipV : 0) | (d ? scene::kFlipD : 0));
        // The tile in a layer and, mirrored only, as a tile object.
        std::vector<std::string> bodies = {"<layer id=\"1\" width=\"1\" height=\"1\"><data encoding=\"csv\">" + gid +
                                           "</data></layer>"};
        if (!d)
            bodies.push_back("<objectgroup id=\"1\"><object id=\"1\" gid=\"" + gid +
                             "\" x=\"0\" y=\"2\" width=\"2\" height=\"2\"/></objectgroup>");
        for (const std::string& body : bodies) {
            const int id = loadFile("flip.tmx", "<map width=\"1\" height=\"1\" tilewidth=\"2\" tileheight=\"2\">"
                                                "<tileset firstgid=\"1\" tilewidth=\"2\" tileheight=\"2\"><image "
                                                "source=\"flip.png\"/></tileset>" + body + "</map>");
            ASSERT_GT(id, 0) << scenes().getLastError();
            ASSERT_EQ(scenes().get(id)->setViewport(SDL_Rect{0, 0, 2, 2}), 0);
            screen.clear(0, 0, 0, 255);
            ASSERT_EQ(scenes().get(id)->render(0, 0), 0);
            uint32_t got[2][2];
            const SDL_Rect area{0, 0, 2, 2};
            ASSERT_EQ(SDL_RenderReadPixels(screen.getRenderer(), &area, SDL_PIXELFORMAT_ARGB8888, got, 8), 0);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x) {
                    // Undo the mirrors, then the transposition.
                    const int sx = h ? 1 - x : x, sy = v ? 1 - y : y;
                    const uint32_t want = d ? colours[sx][sy] : colours[sy][sx];
                    EXPECT_EQ(got[y][x], want) << body << " at " << x << "," << y;
                }
        }
    }
}

TEST_F(SceneTest, RepeatedImageLayersCoverTheSceneWhereverItIsShown)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(128, 48);
    ASSERT_EQ(screen.show(), 0);
    // tiles.png is red then blue; shifted by 16 and repeated, the scene
    // starts blue and then turns red.
    const int id = loadFile("rep.tmx", "<map width=\"4\" height=\"1\" tilewidth=\"16\" tileheight=\"16\">"
                                       "<imagelayer id=\"1\" offsetx=\"16\" repeatx=\"1\"><image source=\"tiles.png\"/>"
                                       "</imagelayer></map>");
    ASSERT_GT(id, 0) << scenes().getLastError();
    for (int at : {0, 40}) {
        ASSERT_EQ(scenes().get(id)->setViewport(SDL_Rect{at, 8, 64, 16}), 0);
        screen.clear(0, 0, 0, 255);
        ASSERT_EQ(scenes().get(id)->render(0, 0), 0);
        std::vector<uint32_t> row(128);
        const SDL_Rect line{0, 10, 128, 1};
        ASSERT_EQ(SDL_RenderReadPixels(screen.getRenderer(), &line, SDL_PIXELFORMAT_ARGB8888, row.data(), 512), 0);
        for (int x = 0; x < 64; ++x)
            EXPECT_EQ(row[size_t(at + x)], (x / 16) % 2 ? kRed : kBlue) << "viewport at " << at << ", x " << x;
    }
}

// Drawing only what reaches the clip must not lose a pixel inside it: each
// orientation, tiles taller than their cells and moved by an offset, drawn
// whole and then clipped, agree inside the clip.
TEST_F(SceneTest, ClippedDrawingKeepsEveryPixelInsideTheClip)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(160, 120);
    ASSERT_EQ(screen.show(), 0);
    std::string cells;
    for (int i = 0; i < 36; ++i)
        cells += std::to_string(1 + (i * 7) % 2) + (i < 35 ? "," : "");
    const std::vector<std::string> orientations = {
        "orientation=\"orthogonal\"", "orientation=\"isometric\"",
        "orientation=\"staggered\" staggeraxis=\"y\" staggerindex=\"odd\"",
        "orientation=\"hexagonal\" hexsidelength=\"4\" staggeraxis=\"x\" staggerindex=\"even\""};
    const SDL_Rect clips[] = {{23, 17, 19, 13}, {60, 41, 7, 30}, {0, 0, 160, 5}};
    for (const std::string& orientation : orientations) {
        const int id = loadFile("o.tmx", "<map " + orientation + " width=\"6\" height=\"6\" tilewidth=\"16\" "
                                         "tileheight=\"8\"><tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\">"
                                         "<tileoffset x=\"-3\" y=\"2\"/><image source=\"tiles.png\"/></tileset>"
                                         "<layer id=\"1\" width=\"6\" height=\"6\"><data encoding=\"csv\">" + cells +
                                         "</data></layer></map>");
        ASSERT_GT(id, 0) << scenes().getLastError();
        Scene* s = scenes().get(id);
        ASSERT_EQ(s->setViewport(SDL_Rect{5, 9, 150, 100}), 0);
        const auto draw = [&](const SDL_Rect* clip) {
            screen.setClipRect(nullptr);
            screen.clear(0, 0, 0, 255);
            screen.setClipRect(clip);
            s->render(0, 0);
            screen.setClipRect(nullptr);
            std::vector<uint32_t> pixels(160 * 120);
            SDL_RenderReadPixels(screen.getRenderer(), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), 160 * 4);
            return pixels;
        };
        const std::vector<uint32_t> whole = draw(nullptr);
        for (const SDL_Rect& clip : clips) {
            const std::vector<uint32_t> part = draw(&clip);
            size_t lost = 0;
            for (int y = clip.y; y < clip.y + clip.h; ++y)
                for (int x = clip.x; x < clip.x + clip.w; ++x)
                    lost += part[size_t(y) * 160 + size_t(x)] != whole[size_t(y) * 160 + size_t(x)];
            EXPECT_EQ(lost, 0u) << orientation << " clip at " << clip.x << "," << clip.y;
        }
    }
}

TEST_F(SceneTest, AnimatedTilesFollowTheSceneClock)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(64, 48);
    ASSERT_EQ(screen.show(), 0);
    const int id = loadFile("anim.tmx", mapText(1, 1, "<data encoding=\"csv\">1</data>",
                                                "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\">"
                                                "<image source=\"tiles.png\"/><tile id=\"0\"><animation>"
                                                "<frame tileid=\"0\" duration=\"100\"/><frame tileid=\"1\" "
                                                "duration=\"50\"/></animation></tile></tileset>"));
    ASSERT_GT(id, 0) << scenes().getLastError();
    Scene* s = scenes().get(id);
    ASSERT_EQ(s->setViewport(SDL_Rect{0, 0, 16, 16}), 0);
    // Frame 0 up to 100 ms (its last instant included, as Tiled shows it),
    // frame 1 up to 150, then over again.
    for (const auto& [advance, colour] : std::vector<std::pair<int, uint32_t>>{
             {0, kRed}, {100, kRed}, {1, kBlue}, {49, kBlue}, {1, kRed}, {100, kBlue}}) {
        if (advance)
            s->update(advance);
        screen.clear(0, 0, 0, 255);
        ASSERT_EQ(s->render(0, 0), 0);
        uint32_t pixel = 0;
        const SDL_Rect at{4, 4, 1, 1};
        ASSERT_EQ(SDL_RenderReadPixels(screen.getRenderer(), &at, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0);
        EXPECT_EQ(pixel, colour) << "after " << advance << " more ms";
    }
}

TEST_F(SceneTest, TileObjectsSitOnTheirPointAsTheTileSetAligns)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(64, 48);
    ASSERT_EQ(screen.show(), 0);
    struct Case {
        const char* alignment; // "" = unspecified: bottom-left on orthogonal maps
        SDL_Point inside, outside;
    };
    const std::vector<Case> cases = {
        {"", {20, 4}, {20, 20}},
        {" objectalignment=\"topleft\"", {20, 20}, {20, 4}},
        {" objectalignment=\"center\"", {10, 10}, {26, 26}},
        {" objectalignment=\"bottomright\"", {4, 4}, {20, 4}},
    };
    for (const Case& c : cases) {
        const int id = loadFile("obj.tmx", std::string("<map width=\"4\" height=\"2\" tilewidth=\"16\" tileheight=\"16\">"
                                                       "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"") +
                                               c.alignment +
                                               "><image source=\"tiles.png\"/></tileset><objectgroup id=\"1\">"
                                               "<object id=\"1\" gid=\"1\" x=\"16\" y=\"16\"/></objectgroup></map>");
        ASSERT_GT(id, 0) << scenes().getLastError();
        ASSERT_EQ(scenes().get(id)->setViewport(SDL_Rect{0, 0, 64, 32}), 0);
        screen.clear(0, 0, 0, 255);
        ASSERT_EQ(scenes().get(id)->render(0, 0), 0);
        std::vector<uint32_t> pixels(64 * 48);
        ASSERT_EQ(SDL_RenderReadPixels(screen.getRenderer(), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), 256), 0);
        EXPECT_EQ(pixels[size_t(c.inside.y) * 64 + size_t(c.inside.x)], kRed) << c.alignment;
        EXPECT_EQ(pixels[size_t(c.outside.y) * 64 + size_t(c.outside.x)], 0xFF000000u) << c.alignment;
    }
}

// Tile objects flip with all three bits and land on whole pixels as Tiled
// rounds them. The 32 x 16 tile of tiles.png is red left, blue right; a
// diagonal flip stands it up, red on top.
TEST_F(SceneTest, TileObjectsFlipAndRoundAsTiledPlacesThem)
{
    Screen& screen = *Main::instance()->configMgr()->get(0);
    screen.setDriver(Screen::DRV_SOFT);
    screen.setSize(64, 48);
    ASSERT_EQ(screen.show(), 0);
    constexpr uint32_t kNone = 0xFF000000u;
    struct Case {
        const char* objects;
        std::vector<std::pair<SDL_Point, uint32_t>> pixels;
        const char* alignment = ""; // the tile set's objectalignment
    };
    const std::vector<Case> cases = {
        {"<object gid=\"1\" x=\"0\" y=\"16\"/>", {{{4, 8}, kRed}, {{20, 8}, kBlue}}},
        {"<object gid=\"536870913\" x=\"0\" y=\"32\" width=\"32\" height=\"16\"/>", // diagonal
         {{{8, 4}, kRed}, {{8, 28}, kBlue}, {{20, 28}, kNone}}},
        {"<object gid=\"1610612737\" x=\"0\" y=\"32\" width=\"32\" height=\"16\"/>", // diagonal, vertical
         {{{8, 4}, kBlue}, {{8, 28}, kRed}}},
        {"<object gid=\"2684354561\" x=\"0\" y=\"48\" width=\"48\" height=\"16\"/>", // diagonal, horizontal
         {{{8, 2}, kRed}, {{8, 40}, kBlue}, {{17, 8}, kNone}}},
        // Centred on (16, 32), the unturned box spans 0..32 x 24..40: the
        // turned tile stands on its bottom-left corner.
        {"<object gid=\"536870913\" x=\"16\" y=\"32\" width=\"32\" height=\"16\"/>",
         {{{2, 12}, kRed}, {{2, 36}, kBlue}, {{20, 12}, kNone}, {{2, 6}, kNone}},
         "center"},
        // Edges round halves up: 0.5 .. 32.5 covers pixels 1 .. 32; two
        // objects meeting at y 21.1 leave no empty row between them.
        {"<object gid=\"1\" x=\"0.5\" y=\"21.1\" height=\"16.2\"/><object gid=\"1\" x=\"0.5\" y=\"37.3\" "
         "height=\"16.2\"/>",
         {{{0, 10}, kNone}, {{1, 10}, kRed}, {{32, 10}, kBlue}, {{33, 10}, kNone}, {{1, 4}, kNone}, {{1, 5}, kRed},
          {{1, 20}, kRed}, {{1, 21}, kRed}, {{1, 36}, kRed}, {{1, 37}, kNone}}},
        // 40.8 - 20.3 is just below 20.5 in double precision, but Tiled
        // reaches the top through the tile's middle (+ 10.15 - 10.15): 20.5,
        // which rounds up.
        {"<object gid=\"1\" x=\"0\" y=\"40.8\" width=\"32\" height=\"20.3\"/>", {{{4, 20}, kNone}, {{4, 21}, kRed}}},
    };
    for (const Case& c : cases) {
        const int id = loadFile("flip.tmx", std::string("<map width=\"4\" height=\"3\" tilewidth=\"16\" "
                                                        "tileheight=\"16\"><tileset firstgid=\"1\" tilewidth=\"32\" "
                                                        "tileheight=\"16\" objectalignment=\"") +
                                                c.alignment + "\"><image source=\"tiles.png\"/></tileset>"
                                                              "<objectgroup id=\"1\" draworder=\"index\">" +
                                                c.objects + "</objectgroup></map>");
        ASSERT_GT(id, 0) << scenes().getLastError();
        ASSERT_EQ(scenes().get(id)->setViewport(SDL_Rect{0, 0, 64, 48}), 0);
        screen.clear(0, 0, 0, 255);
        ASSERT_EQ(scenes().get(id)->render(0, 0), 0);
        std::vector<uint32_t> pixels(64 * 48);
        ASSERT_EQ(SDL_RenderReadPixels(screen.getRenderer(), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), 256), 0);
        for (const auto& [at, colour] : c.pixels)
            EXPECT_EQ(pixels[size_t(at.y) * 64 + size_t(at.x)], colour) << c.objects << " at " << at.x << "," << at.y;
    }
}

TEST_F(SceneTest, CommentsComeBackFromTheStoredText)
{
    const std::string text = "<?xml version=\"1.0\"?><!-- before --><map tilewidth=\"16\" tileheight=\"16\">"
                             "<!-- in the map --><layer id=\"1\" name=\"L\" width=\"1\" height=\"1\"><!-- in "
                             "the layer --><data encoding=\"csv\">0</data></layer></map><!-- after -->";
    const int id = reload(loadText(text));
    ASSERT_GT(id, 0) << scenes().getLastError();
    char* buffer = nullptr;
    size_t size = 0;
    ASSERT_EQ(scenes().get(id)->saveToBuffer(buffer, size, "s", "s.tmx", "", true), 0);
    const std::string again(buffer, size);
    CMem::free(buffer);
    size_t at = 0;
    for (const char* comment : {"<!-- Zelkoran GDK Scene format: s -->", "<!-- before -->", "<map", "<!-- in the map -->",
                                "<!-- in the layer -->", "</map>", "<!-- after -->"}) {
        at = again.find(comment, at);
        ASSERT_NE(at, std::string::npos) << comment << " in order in:\n" << again;
    }
    EXPECT_EQ(again.find("Scene format", again.find("Scene format") + 1), std::string::npos) << "one marker";
}

} // namespace
} // namespace scenetest
