// Real Tiled files nobody here wrote: every map and tile set loads, comes
// back the same from the engine's stored text and from a TMX export, and
// every map draws like Tiled's own renderer (tmxrasterizer). Skipped where
// the samples or the renderer are absent.
#include "engine/scene/SceneTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace scenetest {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> samples(const char* extension)
{
    std::vector<fs::path> out;
    const char* root = std::getenv("SKARDEN_SAMPLES");
    std::error_code ec;
    if (!root || !fs::is_directory(fs::path(root) / "tiled", ec))
        return out;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(root) / "tiled", ec))
        if (e.path().extension() == extension)
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(SceneTest, SampleMapsComeBackFromStoredTextAndExport)
{
    const auto maps = samples(".tmx");
    if (maps.empty())
        GTEST_SKIP() << "no samples";
    int n = 0;
    for (const fs::path& path : maps) {
        SCOPED_TRACE(path.string());
        const int id = track(scenes().loadFromFile(path.c_str()));
        ASSERT_GT(id, 0) << scenes().getLastError();
        const std::string before = describe(scenes().get(id));

        // Stored as a block of an archive in the map's folder: plain names
        // that are no blocks are the files beside the archive.
        const std::string archive = (path.parent_path() / "stored.qel").string();
        char* buffer = nullptr;
        size_t size = 0;
        ASSERT_EQ(scenes().get(id)->saveToBuffer(buffer, size, "s", "s.tmx", archive.c_str(), true), 0);
        const int stored = track(scenes().loadFromBuffer(buffer, size, "s.tmx", archive.c_str()));
        CMem::free(buffer);
        ASSERT_GT(stored, 0) << scenes().getLastError();
        EXPECT_EQ(difference(describe(scenes().get(stored)), before), "");

        const fs::path out = dir.path() / std::to_string(n++);
        fs::create_directories(out);
        ASSERT_EQ(scenes().get(id)->save((out / path.filename()).c_str(), "", "", true), 0);
        const int exported = track(scenes().loadFromFile((out / path.filename()).c_str()));
        ASSERT_GT(exported, 0) << scenes().getLastError();
        EXPECT_EQ(difference(describe(scenes().get(exported)), before), "");
    }
}

TEST_F(SceneTest, SampleTileSetsComeBackFromExport)
{
    const auto sets = samples(".tsx");
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

// A pixel of Tiled's picture counts as different when no pixel of the
// engine's within kShift pixels has every channel (alpha included, colours
// weighted by alpha) within kChannelTolerance: objects at fractional places
// may round to the neighbouring pixel. A map passes with at most
// kMaxDifferentShare of its pixels different.
constexpr int kShift = 1;
constexpr int kChannelTolerance = 20;
constexpr double kMaxDifferentShare = 0.001;

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof(line), p))
            out += line;
        if (pclose(p) != 0)
            out = "failed: " + out;
    }
    return out;
}

bool onPath(const char* program) { return run(std::string("command -v ") + program).rfind("failed", 0) != 0; }

SDL_Surface* loadArgb(const std::string& path)
{
    SDL_Surface* raw = IMG_Load(path.c_str());
    SDL_Surface* argb = raw ? SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
    SDL_FreeSurface(raw);
    return argb;
}

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
    const fs::path tool = SKARDEN_SCENE_RENDER;
    if (maps.empty() || !onPath("tmxrasterizer") || !fs::exists(tool))
        GTEST_SKIP() << "needs the samples, tmxrasterizer and tools/scene_render";
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
        ASSERT_EQ(run("QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing" + hide + " '" + path.string() + "' '" +
                      ref + "'")
                      .rfind("failed", 0),
                  std::string::npos);
        ASSERT_EQ(run(tool.string() + hide + " '" + path.string() + "' '" + ours + "'"), "");
        SDL_Surface* a = loadArgb(ref);
        SDL_Surface* b = loadArgb(ours);
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->w, b->w);
        ASSERT_EQ(a->h, b->h);
        // Tiled 1.8's renderer leaves the map's background colour out: lay
        // its picture over that colour, as the engine draws it.
        const uint8_t* bg = map.background;
        const auto flat = [&](SDL_Surface* img, int x, int y, bool reference, int out[4]) {
            const uint32_t p = static_cast<uint32_t*>(img->pixels)[y * img->pitch / 4 + x];
            const int alpha = int(p >> 24);
            for (int c = 0; c < 3; ++c) {
                out[c] = int(p >> (16 - 8 * c) & 255) * alpha / 255;
                if (reference && map.hasBackground)
                    out[c] += bg[c] * bg[3] / 255 * (255 - alpha) / 255;
            }
            out[3] = reference && map.hasBackground ? alpha + bg[3] * (255 - alpha) / 255 : alpha;
        };
        size_t different = 0;
        for (int y = 0; y < a->h; ++y)
            for (int x = 0; x < a->w; ++x) {
                int want[4], got[4];
                flat(a, x, y, true, want);
                bool near = false;
                for (int dy = -kShift; dy <= kShift && !near; ++dy)
                    for (int dx = -kShift; dx <= kShift && !near; ++dx) {
                        if (x + dx < 0 || y + dy < 0 || x + dx >= b->w || y + dy >= b->h)
                            continue;
                        flat(b, x + dx, y + dy, false, got);
                        near = std::abs(want[0] - got[0]) <= kChannelTolerance &&
                               std::abs(want[1] - got[1]) <= kChannelTolerance &&
                               std::abs(want[2] - got[2]) <= kChannelTolerance &&
                               std::abs(want[3] - got[3]) <= kChannelTolerance;
                    }
                different += !near;
            }
        EXPECT_LE(double(different) / (double(a->w) * a->h), kMaxDifferentShare)
            << different << " pixels differ; compare " << ref << " with " << ours;
        SDL_FreeSurface(a);
        SDL_FreeSurface(b);
    }
}

} // namespace
} // namespace scenetest
