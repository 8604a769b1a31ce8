// Frame-sequence imports without a tab: the target slot, padding,
// sampling, the converter's layer, animations and codes, GIF and video
// sampling, and whole imports whose layers, drawn back from the atlas and
// the cells, show exactly the sampled frames.
#include "import/scene/FrameImportResult.h"
#include "import/scene/FrameSampling.h"
#include "import/scene/FrameSequenceLayer.h"
#include "import/scene/GIFFrames.h"
#include "import/scene/GIFLayers.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/VideoFrameDump.h"
#include "import/scene/VideoLayer.h"
#include "scene/SceneAccess.h"
#include "support/GifWriter.h"
#include "support/SceneImportTarget.h"
#include "support/TestFolder.h"
#include "support/TestSurfaces.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Video.h>

#include <SDL_image.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

using namespace Zelkoran;
using Options = SceneLayerImportOptions;
using importtest::samples;
using surfacetest::filled;
using surfacetest::pixel;

namespace {

// Frame `frame` of the tile layer in slot as the scene would show it, with
// every pixel of alpha 0 as 0.
SDL_Surface* drawBack(Scene* scene, int slot, int frame)
{
    const scene::Map& map = SceneAccess::map(*scene);
    const scene::Layer& layer = *map.slots.at(size_t(slot) - 1);
    const scene::TileSet& ts = *map.tileSets.back();
    SDL_Surface* out = filled(layer.columns * ts.tileWidth, layer.rows * ts.tileHeight, [](int, int) { return 0u; });
    for (int cell = 0; cell < layer.columns * layer.rows; ++cell) {
        const uint32_t gid = layer.cells[size_t(cell)];
        if (!gid)
            continue;
        uint32_t local = gid - ts.firstGid;
        if (auto it = ts.tiles.find(local); it != ts.tiles.end() && !it->second.frames.empty())
            local = it->second.frames.at(size_t(frame)).tileId;
        for (int y = 0; y < ts.tileHeight; ++y)
            for (int x = 0; x < ts.tileWidth; ++x) {
                const uint32_t p = pixel(ts.picture->surface, int(local) % ts.columns * ts.tileWidth + x,
                                         int(local) / ts.columns * ts.tileHeight + y);
                pixel(out, cell % layer.columns * ts.tileWidth + x, cell / layer.columns * ts.tileHeight + y) =
                    p >> 24 ? p : 0;
            }
    }
    return out;
}

// The number of pixels that differ (alpha 0 counted as 0); -1 for other sizes.
long differences(SDL_Surface* drawn, SDL_Surface* expected)
{
    if (drawn->w != expected->w || drawn->h != expected->h)
        return -1;
    long n = 0;
    for (int y = 0; y < drawn->h; ++y)
        for (int x = 0; x < drawn->w; ++x) {
            const uint32_t e = pixel(expected, x, y);
            n += pixel(drawn, x, y) != (e >> 24 ? e : 0);
        }
    return n;
}

// The options an added layer starts from.
Options layerOptions()
{
    Options o;
    o.sourceType = 1, o.fileKind = 1;
    return o;
}

class FrameImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        imports.open();
    }
    void TearDown() override
    {
        imports.close();
        Main::terminate();
    }
    Scene* target() const { return imports.get(); }
    static Options gifOptions(const std::string& path) { return importtest::gifOptions(layerOptions(), path); }

    TestFolder folder;
    importtest::TargetScene imports;
};

TEST_F(FrameImport, TargetSlot)
{
    Scene* s = target();
    ASSERT_EQ(s->createLayer("a", SLT_TILE, 1, 2, 2), 1);
    ASSERT_EQ(s->createLayer("b", SLT_TILE, 2, 2, 2), 2);
    ASSERT_EQ(s->createLayer("c", SLT_TILE, 3, 2, 2), 3);
    ASSERT_TRUE(s->closeLayer(2));
    const std::pair<int, const char*> slots[] = {
        {4, ""}, {2, ""}, {1, "Target layer is already occupied. Select an empty slot or create a new layer."},
        {0, "Target layer is invalid."}};
    for (const auto& [slot, refusal] : slots) {
        String message = "kept";
        EXPECT_EQ(validateSceneImportTargetLayer(s, slot, message), !*refusal) << slot;
        EXPECT_EQ(message, *refusal ? refusal : "kept") << slot;
    }
}

TEST_F(FrameImport, PaddingGrowsToWholeTilesUnblended)
{
    SDL_Surface* keep = filled(10, 10, [](int, int) { return 0xFFFFFFFFu; });
    EXPECT_EQ(padSurfaceToTile(keep, 0, 16, true, 0), nullptr);
    EXPECT_EQ(keep->w, 10) << "refused: still the caller's";
    EXPECT_EQ(padSurfaceToTile(keep, 5, 5, true, 0), keep) << "already whole tiles";
    SDL_FreeSurface(keep);

    struct Case {
        bool transparent;
        uint32_t rgb, fill;
    };
    for (const Case& c : {Case{true, 0xFFFFFF, 0u}, Case{false, 0xFFFFFF, 0xFFFFFFFFu}, Case{false, 0, 0xFF000000u}}) {
        SDL_Surface* source = filled(100, 100, [](int, int) { return 0x80402010u; });
        SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_BLEND);
        SDL_Surface* padded = padSurfaceToTile(source, 16, 16, c.transparent, c.rgb);
        ASSERT_NE(padded, nullptr);
        EXPECT_EQ(std::pair(padded->w, padded->h), std::pair(112, 112));
        EXPECT_EQ(pixel(padded, 99, 99), 0x80402010u) << "semi-transparent pixels keep their values";
        EXPECT_EQ(pixel(padded, 111, 0), c.fill);
        EXPECT_EQ(pixel(padded, 0, 111), c.fill);
        SDL_FreeSurface(padded);
    }
}

TEST_F(FrameImport, SamplingPlans)
{
    // Two GIF frames of 100 ms over 200 ms in 16 samples.
    const GIFSamplePlan spread({100, 100}, 0, 200, 16);
    ASSERT_EQ(spread.frames.size(), 16u);
    int sum = 0;
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(spread.frames[i], i < 8 ? 0 : 1) << i;
        EXPECT_TRUE(spread.durationsMs[i] == 12 || spread.durationsMs[i] == 13) << i;
        sum += spread.durationsMs[i];
    }
    EXPECT_EQ(sum, 200);
    const GIFSamplePlan whole({70, 30, 50}, 0, 150, 3);
    EXPECT_TRUE(whole.whole);
    EXPECT_EQ(whole.durationsMs, (std::vector<int>{70, 30, 50}));
    const GIFSamplePlan late({100, 100}, 500, 1000, 1000);
    EXPECT_EQ(std::pair(late.durationMs, late.frames.size()), std::pair(int64_t(1), size_t(256)))
        << "a start past the end is clamped to the last millisecond; at most 256 samples";
    EXPECT_EQ(GIFSamplePlan({100, 100}, -5, 50, 0).frames, std::vector<int>{0});

    struct Window {
        int start, duration, count, total;
        std::vector<int> times;
    };
    const Window windows[] = {
        {0, 1000, 4, 5000, {0, 250, 500, 750}},
        {9000, 5000, 2, 10000, {9000, 9500}}, // the duration shrinks to 1000
        {9000, 5000, 2, 0, {9000, 11500}},    // length unknown: not clamped
        {300, 1000, 1, 5000, {300}},
    };
    for (const Window& w : windows) {
        Options o;
        o.startMs = w.start, o.durationMs = w.duration, o.frameCount = w.count;
        const VideoSampleWindow window(o, w.total);
        std::vector<int> times;
        for (int i = 0; i < window.count; ++i)
            times.push_back(window.timeOf(i));
        EXPECT_EQ(times, w.times) << w.start << " " << w.total;
    }
}

TEST_F(FrameImport, ConverterBuildsTheAnimatedLayer)
{
    // Cell 0 steady green, cell 1 red then blue then empty.
    const auto frame = [](int f) {
        return filled(32, 16, [f](int x, int) {
            return x < 16 ? 0xFF00FF00u : f == 0 ? 0xFFFF0000u : f == 1 ? 0xFF0000FFu : 0u;
        });
    };
    std::vector<SDL_Surface*> frames = {frame(0), frame(1), frame(2)};
    Options o = layerOptions();
    o.durationMs = 100;
    String summary;
    const std::vector<int> wrongCount = {5, 5};
    ASSERT_EQ(importFramesAsTileLayer(target(), o, frames, 30, 16, true, "", &wrongCount, nullptr, &summary), 0);
    EXPECT_TRUE(frames.empty());
    Scene* s = target();
    String layerName;
    ASSERT_TRUE(s->getLayerName(1, layerName));
    EXPECT_EQ(layerName, "VideoLayer");
    EXPECT_NE(s->getLayerFeatures(1) & SLF_SHOWN, 0u);
    const scene::Map& map = SceneAccess::map(*s);
    const scene::TileSet& ts = *map.tileSets.back();
    EXPECT_EQ(map.slots[0]->cells, (std::vector<uint32_t>{ts.firstGid, ts.firstGid + 3}));
    const scene::TileArt& art = ts.tiles.at(3);
    ASSERT_EQ(art.frames.size(), 3u);
    EXPECT_EQ(std::vector<uint32_t>({art.frames[0].tileId, art.frames[1].tileId, art.frames[2].tileId}),
              std::vector<uint32_t>({1, 2, 4})) << "the empty frame shows a clear tile";
    EXPECT_EQ(pixel(ts.picture->surface, 4 % ts.columns * 16 + 8, 4 / ts.columns * 16 + 8), 0u);
    EXPECT_EQ(art.frames[0].durationMs, 33u) << "durations given for another count are ignored";
    EXPECT_EQ(summary.rfind("Video was converted to an animated tile layer.\n\nSource resolution: 30x16\n", 0), 0u);
    EXPECT_NE(summary.find("Padding: right 2 px, bottom 0 px, transparent\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Map cells: 2x1 (2)\nFrames: 3\nRaw tiles without deduplication: 6\n"),
              std::string::npos)
        << summary;

    // A long file name as the layer name: longer than a tile set's name may be.
    std::vector<SDL_Surface*> more = {frame(0), frame(1)};
    o.targetLayer = 2;
    o.layerName = (std::string(58, 'v') + "\xC3\xA9-clip.264").c_str();
    ASSERT_EQ(importFramesAsTileLayer(s, o, more, 32, 16, false, "", nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(s->getLayerName(2, layerName));
    EXPECT_EQ(layerName, o.layerName);
}

TEST_F(FrameImport, ConverterCodes)
{
    const auto solid = [](int w, uint32_t colour) { return filled(w, 16, [colour](int, int) { return colour; }); };
    struct Case {
        const char* what;
        std::function<std::vector<SDL_Surface*>()> frames;
        int tile;
        bool noScene;
        int code;
        bool keepsFrames;
    };
    const std::vector<Case> cases = {
        {"no scene", [&] { return std::vector{solid(16, 0xFFFFFFFF)}; }, 16, true, -511, true},
        {"no frames", [] { return std::vector<SDL_Surface*>{}; }, 16, false, -510, true},
        {"no tile size", [&] { return std::vector{solid(16, 0xFFFFFFFF)}; }, 0, false, -509, true},
        {"sizes differ", [&] { return std::vector{solid(16, 0xFFFFFFFF), solid(32, 0xFFFFFFFF)}; }, 16, false, -508,
         false},
        {"not whole tiles", [&] { return std::vector{solid(24, 0xFFFFFFFF)}; }, 16, false, -507, false},
        {"all transparent", [&] { return std::vector{solid(16, 0), solid(16, 0)}; }, 16, false, -254, false},
    };
    for (const Case& c : cases) {
        std::vector<SDL_Surface*> frames = c.frames();
        const size_t given = frames.size();
        Options o = layerOptions();
        o.tileWidth = o.tileHeight = c.tile;
        EXPECT_EQ(importFramesAsTileLayer(c.noScene ? nullptr : target(), o, frames, 16, 16, false, "GIF", nullptr,
                                          nullptr, nullptr),
                  c.code)
            << c.what;
        EXPECT_EQ(frames.size(), c.keepsFrames ? given : 0u) << c.what;
        for (SDL_Surface* f : frames)
            SDL_FreeSurface(f);
        EXPECT_EQ(target()->getLayerCount(0), 0) << c.what;
    }
}

TEST_F(FrameImport, BrokenGIFsAndTheStillLayer)
{
    const std::string good = folder.path("two.gif"), cut = folder.path("cut.gif"), huge = folder.path("huge.gif"),
                      hiding = folder.path("hiding.gif"), pastTable = folder.path("past-table.gif");
    giftest::write(good, giftest::twoFrames(32, 16));
    giftest::writeBroken(cut, huge);
    giftest::write(hiding, giftest::twoFramesHidingOne(16385, 1));
    // A 4 x 1 frame whose codes (size 2) run clear, 0, then 7 where the
    // table's next entry is 6; then a sound 1 x 1 frame.
    giftest::write(pastTable, {'G', 'I', 'F', '8', '9', 'a', 4, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 0, 0,
                               0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0, 2, 2, 0xC4, 0x0B, 0,
                               0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B});
    // Codes clear, 0, clear, then 6: the first code after a clear names no
    // colour.
    const std::string afterClear = folder.path("after-clear.gif");
    giftest::write(afterClear, {'G', 'I', 'F', '8', '9', 'a', 4, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 0, 0,
                                0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0, 2, 3, 0x04, 0x8D, 0x02, 0, 0x3B});
    // A 0 x 0 screen and a 1 x 1 frame whose far corner is 16384, 16384.
    const std::string farFrame = folder.path("far-frame.gif");
    giftest::write(farFrame, {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 255, 0, 0,
                              0x2C, 0xFF, 0x3F, 0xFF, 0x3F, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B});
    for (const std::string& broken : {cut, huge, hiding, pastTable, afterClear, farFrame})
        EXPECT_EQ(importGIFAnimatedLayer(target(), gifOptions(broken), nullptr, nullptr), IR_GIF_UNREADABLE);

    // The still import takes the first frame: red, 2 x 1 tiles of 16.
    Options o = gifOptions(good);
    o.sourceType = 1;
    EXPECT_EQ(importGIFImageLayer(target(), o, "still"), 0);
    ASSERT_EQ(target()->getLayerType(1), SLT_TILE);
    const scene::TileSet& ts = *SceneAccess::map(*target()).tileSets.back();
    EXPECT_EQ(ts.tileCount, 1u);
    EXPECT_EQ(pixel(ts.picture->surface, 0, 0), 0xFFFF0000u);
    o.targetLayer = 2, o.tileWidth = o.tileHeight = 0;
    EXPECT_EQ(importGIFImageLayer(target(), o, "picture"), 0);
    EXPECT_EQ(target()->getLayerType(2), SLT_IMAGE);
    EXPECT_EQ(importGIFImageLayer(nullptr, o, "none"), IR_NO_SCENE);
}

// The frames of the GIF at path as its screen shows them.
std::vector<SDL_Surface*> screenFrames(const std::string& path)
{
    std::vector<uint8_t> bytes;
    GIFLayout layout;
    std::vector<SDL_Surface*> frames;
    std::vector<int> delays;
    EXPECT_TRUE(checkGIFFile(path.c_str(), bytes, layout)) << path;
    EXPECT_EQ(composeGIFFrames(bytes, layout, frames, delays), 0) << path;
    return frames;
}

// Imports path sampled as plan says (tile 16, padding on, exact pixels)
// and compares every frame drawn back with the sampled GIF frame.
void expectExactGIFLayer(Scene* scene, const Options& o, int slot)
{
    std::vector<SDL_Surface*> frames = screenFrames(o.sourcePath.c_str());
    std::vector<uint8_t> bytes;
    GIFLayout layout;
    ASSERT_TRUE(checkGIFFile(o.sourcePath.c_str(), bytes, layout));
    std::vector<int> delays;
    checkGIFLayout(bytes.data(), bytes.size(), layout,
                   [&](const GIFFrameSpan& f) { delays.push_back(f.delayMs > 0 ? f.delayMs : 100); });
    String summary;
    ASSERT_EQ(importGIFAnimatedLayer(scene, o, nullptr, &summary), 0) << o.sourcePath;
    const GIFSamplePlan plan(delays, o.startMs, o.durationMs, o.frameCount);
    for (size_t i = 0; i < plan.frames.size(); ++i) {
        SDL_Surface* expected = padSurfaceToTile(
            SDL_ConvertSurfaceFormat(frames[plan.frames[i]], SDL_PIXELFORMAT_ARGB8888, 0), 16, 16, true, 0);
        SDL_Surface* drawn = drawBack(scene, slot, int(i));
        EXPECT_EQ(differences(drawn, expected), 0) << o.sourcePath << " sample " << i;
        SDL_FreeSurface(drawn);
        SDL_FreeSurface(expected);
    }
    destroyFrames(frames);
}

// Every sample's frames are its screen, drawn as the decoder draws the
// animation wherever the decoder's own canvas (the first frame's size)
// reaches. The decoder gives a GIF without a transparent colour no alpha,
// so a place a disposal cleared shows black there.
TEST_F(FrameImport, GIFFramesAreTheScreenComposedAsTheDecoderComposesThem)
{
    const std::string dir = samples("gif");
    if (dir.empty() || !std::filesystem::is_directory(dir))
        GTEST_SKIP() << "the sample GIFs are absent (SKARDEN_SAMPLES unset)";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string path = entry.path().string();
        std::vector<uint8_t> bytes;
        GIFLayout layout;
        ASSERT_TRUE(checkGIFFile(path.c_str(), bytes, layout)) << path;
        std::vector<SDL_Surface*> frames = screenFrames(path);
        IMG_Animation* decoded = IMG_LoadAnimation(path.c_str());
        ASSERT_NE(decoded, nullptr) << path;
        ASSERT_EQ(int(frames.size()), decoded->count) << path;
        for (int i = 0; i < decoded->count; ++i) {
            EXPECT_EQ(std::pair(frames[size_t(i)]->w, frames[size_t(i)]->h), std::pair(layout.width, layout.height));
            SDL_Surface* reference = SDL_ConvertSurfaceFormat(decoded->frames[i], SDL_PIXELFORMAT_ARGB8888, 0);
            SDL_Rect shared{0, 0, reference->w, reference->h};
            SDL_Surface* mine = filled(reference->w, reference->h, [](int, int) { return 0u; });
            SDL_SetSurfaceBlendMode(frames[size_t(i)], SDL_BLENDMODE_NONE);
            SDL_BlitSurface(frames[size_t(i)], &shared, mine, nullptr);
            if (!SDL_ISPIXELFORMAT_ALPHA(decoded->frames[i]->format->format))
                for (int y = 0; y < mine->h; ++y)
                    for (int x = 0; x < mine->w; ++x)
                        pixel(mine, x, y) |= 0xFF000000u;
            EXPECT_EQ(differences(mine, reference), 0) << path << " frame " << i;
            SDL_FreeSurface(mine);
            SDL_FreeSurface(reference);
        }
        IMG_FreeAnimation(decoded);
        destroyFrames(frames);
    }
}

// A first frame smaller than the screen: every frame is the whole screen,
// each drawn at its place, through transparent pixels, after the disposal
// of the one before.
TEST_F(FrameImport, GIFFramesBeyondASmallerFirstFrameAreWhole)
{
    const auto solid = [](int w, int h, uint8_t index) { return std::vector<uint8_t>(size_t(w * h), index); };
    std::vector<uint8_t> clear = solid(14, 17, 2);
    for (int y = 0; y < 17; ++y)
        clear[size_t(y * 14)] = 0; // its first column transparent
    const std::vector<giftest::Frame> made = {
        {solid(27, 32, 1), 10, -1, 0, 0, 27, 32, 1},   // red, kept
        {clear, 20, 0, 22, 15, 14, 17, 2},             // blue, cleared after
        {solid(16, 20, 3), 10, -1, 21, 12, 16, 20, 3}, // green, what was under it comes back
        {solid(1, 1, 4), 10, -1, 37, 31, 1, 1, 1},     // white, the screen's last pixel
    };
    const std::string path = folder.path("small-first.gif");
    giftest::write(path, giftest::encode(38, 32, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 255, 255}},
                                         made));
    constexpr uint32_t R = 0xFFFF0000, B = 0xFF0000FF, G = 0xFF00FF00, W = 0xFFFFFFFF, none = 0;
    const struct {
        int frame, x, y;
        uint32_t colour;
    } pixels[] = {
        {0, 0, 0, R},   {0, 26, 31, R},  {0, 27, 0, none},  {0, 37, 31, none}, {1, 22, 15, R},  {1, 23, 15, B},
        {1, 35, 31, B}, {1, 36, 15, none}, {2, 22, 15, G},  {2, 36, 31, G},    {2, 20, 12, R},  {2, 21, 11, R},
        {3, 22, 15, none}, {3, 26, 20, none}, {3, 21, 12, R}, {3, 30, 14, none}, {3, 37, 31, W},
    };
    std::vector<SDL_Surface*> frames = screenFrames(path);
    ASSERT_EQ(frames.size(), 4u);
    for (SDL_Surface* f : frames)
        EXPECT_EQ(std::pair(f->w, f->h), std::pair(38, 32));
    for (const auto& p : pixels)
        EXPECT_EQ(pixel(frames[size_t(p.frame)], p.x, p.y), p.colour) << p.frame << " at " << p.x << "," << p.y;
    destroyFrames(frames);
    int w = 0, h = 0, count = 0, ms = 0;
    EXPECT_TRUE(getGIFMetadata(path.c_str(), w, h, count, ms));
    EXPECT_EQ((std::vector<int>{w, h, count, ms}), (std::vector<int>{38, 32, 4, 500}));
    Options still = gifOptions(path);
    still.sourceType = 1, still.tileWidth = still.tileHeight = 0;
    ASSERT_EQ(importGIFImageLayer(target(), still, "still"), 0);
    const scene::Layer& layer = *SceneAccess::map(*target()).slots.at(0);
    EXPECT_EQ(std::pair(layer.picture->surface->w, layer.picture->surface->h), std::pair(38, 32));
}

TEST_F(FrameImport, GIFsBecomeExactAnimatedLayers)
{
    const std::string made = folder.path("two.gif");
    giftest::write(made, giftest::twoFrames());
    std::vector<std::string> paths = {made};
    if (const std::string dir = samples("gif"); !dir.empty() && std::filesystem::is_directory(dir))
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            paths.push_back(entry.path().string());
    else
        std::cout << "the sample GIFs are absent (SKARDEN_SAMPLES unset): the made GIF alone\n";
    int slot = 0;
    for (const std::string& path : paths) {
        Options o = gifOptions(path);
        o.padToTile = true;
        o.matchPercent = 100.0f;
        o.frameCount = 24;
        o.durationMs = 3000;
        o.targetLayer = ++slot;
        expectExactGIFLayer(target(), o, slot);
    }
}

TEST_F(FrameImport, VideoBecomesAnExactLayer)
{
    const std::string dir = samples("video");
    if (dir.empty() || !std::filesystem::is_directory(dir))
        GTEST_SKIP() << "the sample videos (SKARDEN_SAMPLES unset)";
    const std::string clip = dir + "/openh264-Cisco_Men_whisper_640x320_CABAC_Bframe_9.264";
    const std::string cut = folder.path("cut.mp4");
    importtest::writeCutVideo(dir, cut);
    Options o = layerOptions();
    o.sourceType = 2, o.fileKind = 2;
    o.matchMode = 0;
    o.frameCount = 4;
    o.durationMs = 400;
    o.sourcePath = cut.c_str();
    EXPECT_LT(importVideoLayer(target(), o, nullptr, nullptr), 0);

    o.sourcePath = clip.c_str();
    ASSERT_EQ(importVideoLayer(target(), o, nullptr, nullptr), 0);
    const int id = Main::instance()->videoMgr()->loadFromFile(clip.c_str(), "expected", ATT_MUSIC);
    ASSERT_GT(id, 0);
    Video* video = Main::instance()->videoMgr()->get(id);
    const VideoSampleWindow window(o, video->getDuration());
    for (int i = 0; i < 4; ++i) {
        SDL_Surface* expected = nullptr;
        ASSERT_EQ(video->decodeFrameAt(window.timeOf(i), &expected), 0);
        ASSERT_NE(expected, nullptr);
        SDL_Surface* drawn = drawBack(target(), 1, i);
        EXPECT_EQ(differences(drawn, expected), 0) << "sample " << i;
        SDL_FreeSurface(drawn);
        SDL_FreeSurface(expected);
    }
    Main::instance()->videoMgr()->close(id);

    int w = 0, h = 0, ms = -1;
    EXPECT_TRUE(getVideoMetadata(Main::instance(), clip.c_str(), w, h, ms));
    EXPECT_EQ(std::pair(w, h), std::pair(640, 320));
    EXPECT_FALSE(getVideoMetadata(Main::instance(), cut.c_str(), w, h, ms));
    EXPECT_EQ(std::tuple(w, h, ms), std::tuple(0, 0, 0));

    o.frameCount = 2;
    EXPECT_EQ(dumpVideoFrames(o, folder.path("dump.png").c_str(), nullptr), 0);
    for (const char* file : {"dump_000.png", "dump_001.png"}) {
        SDL_Surface* dumped = IMG_Load(folder.path(file).c_str());
        ASSERT_NE(dumped, nullptr) << file;
        EXPECT_EQ(std::pair(dumped->w, dumped->h), std::pair(640, 320));
        SDL_FreeSurface(dumped);
    }
}

} // namespace
