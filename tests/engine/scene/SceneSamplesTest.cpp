// Real Tiled files nobody here wrote: every map and tile set loads, comes
// back the same from the engine's stored text and from a TMX export, and
// every map draws like Tiled's own renderer (tmxrasterizer). Skipped where
// the samples or the renderer are absent.
#include "engine/scene/SceneTestSupport.h"
#include "engine/scene/TiledReference.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

namespace scenetest {
namespace {

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

// The maps of others' projects in tiled-more that need more than a plain
// comparison with Tiled 1.8's renderer (tmxrasterizer); every other map there
// must load and draw the same.
struct CorpusMap {
    const char* path;        // under tiled-more
    int refusal = 0;         // the engine's code for a map both renderers refuse or lack files of
    SDL_Point framing{0, 0}; // where Tiled's picture lies in the engine's (otherwise of one size)
    std::vector<int> timesMs{0};
    // An infinite map is framed by its chunks; a save writes only the 16 x
    // 16 chunks that hold tiles, so its frame shrinks to them (to Tiled's).
    bool keepsFrame = true;
};

const std::vector<CorpusMap>& corpus()
{
    static const std::vector<CorpusMap> maps = {
        // An orientation newer than Tiled 1.8: both refuse it.
        {"mapeditor-rs-tiled/assets/tiled_oblique.tmx", RC_ERR_CORRUPT},
        // Tile sets and images their repositories do not hold.
        {"fallahn-tmxlite/OpenGLExample/assets/platform.tmx", RC_ERR_NOT_FOUND},
        {"fallahn-tmxlite/ParseTest/maps/platform.tmx", RC_ERR_NOT_FOUND},
        {"fallahn-tmxlite/ParseTest/maps/tilesettest.tmx", RC_ERR_NOT_FOUND},
        // Infinite: Tiled frames the cells set, the engine the chunks (a
        // 512-pixel strip of empty chunks on the left).
        {"mapeditor-rs-tiled/assets/tiled_base64_zlib_infinite.tmx", 0, {512, 0}, {0}, false},
        // 250-ms frames: at a boundary both show the frame that ends there.
        {"fallahn-tmxlite/SFML3Example/SFMLExample/assets/demo.tmx", 0, {0, 0}, {0, 250, 500, 1000, 1001}},
    };
    return maps;
}

// A made map whose chunks lie off the 16 x 16 grid or hold nothing: a save
// writes them on it, as Tiled does.
constexpr const char* kOffGridMadeMap = "infinite-hexagonal-odd-side-blocks.tmx";

const CorpusMap* corpusEntry(const fs::path& path)
{
    for (const CorpusMap& m : corpus())
        if (path.generic_string().size() >= std::strlen(m.path) &&
            path.generic_string().compare(path.generic_string().size() - std::strlen(m.path), std::string::npos,
                                          m.path) == 0)
            return &m;
    return nullptr;
}

// "" when every layer read with an id still has it and the map its next
// layer id, else the first that does not.
std::string idsKept(const scene::Map& a, const scene::Map& b)
{
    std::string out;
    const std::function<void(const scene::Layer&, const scene::Layer&)> walk = [&](const scene::Layer& x,
                                                                                   const scene::Layer& y) {
        if (out.empty() && x.id > 0 && x.id != y.id)
            out = "layer '" + std::string(x.name.c_str()) + "' " + std::to_string(x.id) + " became " +
                  std::to_string(y.id);
        for (size_t i = 0; i < std::min(x.children.size(), y.children.size()); ++i)
            walk(*x.children[i], *y.children[i]);
    };
    for (size_t i = 0; i < std::min(a.slots.size(), b.slots.size()); ++i)
        if (a.slots[i] && b.slots[i])
            walk(*a.slots[i], *b.slots[i]);
    // The next id stays, raised above every id where a map had it lower.
    int next = a.element.document_element().attribute("nextlayerid").as_int();
    const std::function<void(const scene::Layer&)> above = [&](const scene::Layer& x) {
        next = std::max(next, x.id + 1);
        for (const auto& c : x.children)
            above(*c);
    };
    for (const auto& l : a.slots)
        if (l)
            above(*l);
    const int after = b.element.document_element().attribute("nextlayerid").as_int();
    if (out.empty() && a.element.document_element().attribute("nextlayerid") && next != after)
        out = "nextlayerid " + std::to_string(next) + " became " + std::to_string(after);
    return out;
}

TEST_F(SceneTest, SampleMapsComeBackFromStoredTextAndExport)
{
    auto maps = samples(".tmx");
    for (const fs::path& more : samples(".tmx", "tiled-more"))
        maps.push_back(more);
    // And the maps made here.
    for (const auto& e : fs::directory_iterator(SKARDEN_MADE_MAPS))
        if (e.path().extension() == ".tmx")
            maps.push_back(e.path());
    int n = 0;
    for (const fs::path& path : maps) {
        SCOPED_TRACE(path.string());
        const int id = track(scenes().loadFromFile(path.c_str()));
        const CorpusMap* known = corpusEntry(path);
        if (known && known->refusal) {
            EXPECT_EQ(id, known->refusal) << scenes().getLastError();
            continue;
        }
        ASSERT_GT(id, 0) << scenes().getLastError();
        std::string before = describe(scenes().get(id));
        const scene::Map& original = SceneAccess::map(*scenes().get(id));

        // Stored as a block of an archive in the map's folder: plain names
        // that are no blocks are the files beside the archive.
        const std::string archive = (path.parent_path() / "stored.qel").string();
        char* buffer = nullptr;
        size_t size = 0;
        ASSERT_EQ(scenes().get(id)->saveToBuffer(buffer, size, "s", "s.tmx", archive.c_str(), true), 0);
        const int stored = track(scenes().loadFromBuffer(buffer, size, "s.tmx", archive.c_str()));
        CMem::free(buffer);
        ASSERT_GT(stored, 0) << scenes().getLastError();
        if ((known && !known->keepsFrame) || path.filename() == kOffGridMadeMap)
            before = describe(scenes().get(stored));
        EXPECT_EQ(difference(describe(scenes().get(stored)), before), "");
        EXPECT_EQ(idsKept(original, SceneAccess::map(*scenes().get(stored))), "");

        const fs::path out = dir.path() / std::to_string(n++);
        fs::create_directories(out);
        ASSERT_EQ(scenes().get(id)->save((out / path.filename()).c_str(), "", "", true), 0);
        const int exported = track(scenes().loadFromFile((out / path.filename()).c_str()));
        ASSERT_GT(exported, 0) << scenes().getLastError();
        EXPECT_EQ(difference(describe(scenes().get(exported)), before), "");
        EXPECT_EQ(idsKept(original, SceneAccess::map(*scenes().get(exported))), "");
    }
}

TEST_F(SceneTest, SampleTileSetsComeBackFromExport)
{
    auto sets = samples(".tsx");
    for (const fs::path& more : samples(".tsx", "tiled-more"))
        sets.push_back(more);
    if (sets.empty())
        GTEST_SKIP() << "no samples";
    for (const fs::path& path : sets) {
        SCOPED_TRACE(path.string());
        const std::string map = "<map tilewidth=\"16\" tileheight=\"16\"><tileset firstgid=\"1\" source=\"" +
                                path.string() + "\"/></map>";
        const int id = loadFile("wrap.tmx", map);
        ASSERT_GT(id, 0) << scenes().getLastError();
        const fs::path out = dir.path() / ("set-" + path.stem().string());
        fs::create_directories(out);
        ASSERT_EQ(scenes().get(id)->save((out / "wrap.tmx").c_str(), "", "", true), 0);
        const int exported = track(scenes().loadFromFile((out / "wrap.tmx").c_str()));
        ASSERT_GT(exported, 0) << scenes().getLastError();
        EXPECT_EQ(difference(describe(scenes().get(exported)), describe(scenes().get(id))), "");
    }
}

// --- the comparison with Tiled's renderer ---

// Objects at fractional places may round to the neighbouring pixel: a map
// of ours passes with at most kMaxDifferentShare of its pixels without an
// equal one within kShift.
constexpr int kShift = 1;
constexpr double kMaxDifferentShare = 0.001;

// Object groups Tiled 1.8's renderer draws differently on purpose: shapes
// and text (outlined, the engine keeps them as data) and template instances
// (drawn as placeholders). Both renders leave them out.
std::vector<std::string> layersToHide(const scene::Map& map)
{
    std::vector<std::string> names;
    for (const auto& l : map.slots)
        if (l && l->type == SLT_OBJECT)
            for (pugi::xml_node o : l->element.document_element().children("object"))
                if (!o.attribute("gid") || o.attribute("template")) {
                    names.push_back(l->name.c_str());
                    break;
                }
    return names;
}

// Tiled before 1.9 draws a sub-rectangle tile as its whole image.
bool usesSubRectangles(const scene::Map& map)
{
    for (const auto& ts : map.tileSets)
        for (const auto& [id, art] : ts->tiles)
            if (art.picture && (art.rect.w != art.picture->surface->w || art.rect.h != art.picture->surface->h))
                return true;
    return false;
}

TEST_F(SceneTest, SampleMapsDrawLikeTiledsRenderer)
{
    const auto maps = samples(".tmx");
    if (maps.empty())
        GTEST_SKIP() << "no samples";
    SKIP_WITHOUT_RENDERERS();
    int n = 0;
    for (const fs::path& path : maps) {
        SCOPED_TRACE(path.string());
        const int id = track(scenes().loadFromFile(path.c_str()));
        ASSERT_GT(id, 0) << scenes().getLastError();
        const scene::Map& map = SceneAccess::map(*scenes().get(id));
        if (usesSubRectangles(map) && run("QT_QPA_PLATFORM=offscreen tiled --version").find("Tiled 1.8") !=
                                          std::string::npos)
            continue;
        std::string hide;
        for (const std::string& name : layersToHide(map))
            hide += " --hide-layer '" + name + "'";
        const std::string ref = dir.file(std::to_string(n) + "-tiled.png");
        const std::string ours = dir.file(std::to_string(n++) + "-engine.png");
        ASSERT_EQ(drawBoth(path.string(), path.string(), 0, hide, ref, ours), "");
        SDL_Surface* a = loadArgb(ref);
        SDL_Surface* b = loadArgb(ours);
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->w, b->w);
        ASSERT_EQ(a->h, b->h);
        const size_t different = differentPixels(a, b, map, kShift, {0, 0});
        EXPECT_LE(double(different) / (double(a->w) * a->h), kMaxDifferentShare)
            << different << " pixels differ; compare " << ref << " with " << ours;
        SDL_FreeSurface(a);
        SDL_FreeSurface(b);
    }
}

// Every map of others' projects in tiled-more draws as Tiled 1.8's renderer
// draws it, to the pixel, within the differences it has by design (see
// corpus() and comparableCopy()); no picture of them is kept here.
TEST_F(SceneTest, OthersMapsDrawLikeTiledsRenderer)
{
    const auto maps = samples(".tmx", "tiled-more");
    if (maps.empty())
        GTEST_SKIP() << "no samples";
    SKIP_WITHOUT_RENDERERS();
    for (const CorpusMap& known : corpus())
        EXPECT_TRUE(std::any_of(maps.begin(), maps.end(), [&](const fs::path& p) { return corpusEntry(p) == &known; }))
            << known.path << " is no longer in tiled-more";
    int n = 0;
    for (const fs::path& path : maps) {
        SCOPED_TRACE(path.string());
        const CorpusMap* known = corpusEntry(path);
        if (known && known->refusal) {
            EXPECT_EQ(track(scenes().loadFromFile(path.c_str())), known->refusal) << scenes().getLastError();
            continue;
        }
        // The engine reads the templates itself.
        const std::string copy = comparableCopy(path, dir.file(std::to_string(n) + ".tmx"), true);
        const std::string ourCopy = comparableCopy(path, dir.file(std::to_string(n) + "-engine.tmx"), false);
        ASSERT_NE(copy, "");
        ASSERT_NE(ourCopy, "");
        const int id = track(scenes().loadFromFile(ourCopy.c_str()));
        ASSERT_GT(id, 0) << scenes().getLastError();
        for (int ms : known ? known->timesMs : std::vector<int>{0}) {
            SCOPED_TRACE(std::to_string(ms) + " ms");
            const std::string ref = dir.file(std::to_string(n) + "-" + std::to_string(ms) + "-tiled.png");
            const std::string ours = dir.file(std::to_string(n) + "-" + std::to_string(ms) + "-engine.png");
            ASSERT_EQ(drawBoth(copy, ourCopy, ms, "", ref, ours), "");
            SDL_Surface* a = loadArgb(ref);
            SDL_Surface* b = loadArgb(ours);
            ASSERT_TRUE(a && b);
            const SDL_Point framing = known ? known->framing : SDL_Point{0, 0};
            if (!known) {
                EXPECT_EQ(std::pair(b->w, b->h), std::pair(a->w, a->h));
            }
            EXPECT_GE(b->w, a->w + framing.x);
            EXPECT_GE(b->h, a->h + framing.y);
            EXPECT_EQ(differentPixels(a, b, SceneAccess::map(*scenes().get(id)), 0, framing), 0u)
                << "compare " << ref << " with " << ours;
            SDL_FreeSurface(a);
            SDL_FreeSurface(b);
        }
        ++n;
    }
}

} // namespace
} // namespace scenetest
