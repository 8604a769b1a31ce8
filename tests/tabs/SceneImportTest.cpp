// The scene tab's frame-sequence imports: option defaults, the shared
// checks, padding, the converter's layer, animations and codes, GIF and
// video sampling, and whole imports whose layers, drawn back from the atlas
// and the cells, show exactly the sampled frames.
#include "tabs/SceneTabFixture.h"

#include "scene/SceneAccess.h"
#include "support/GifWriter.h"
#include "import/scene/FrameSampling.h"
#include "import/scene/SceneImportChecks.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Video.h>

#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

using namespace Zelkoran;
using Options = CtrlScenes::SceneLayerImportOptions;

namespace {

uint32_t& pixel(SDL_Surface* s, int x, int y) { return static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x]; }

SDL_Surface* filled(int w, int h, const std::function<uint32_t(int, int)>& colour)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixel(s, x, y) = colour(x, y);
    return s;
}

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

std::string samples(const char* folder)
{
    const char* root = std::getenv("SKARDEN_SAMPLES");
    return root ? std::string(root) + "/" + folder : std::string();
}

// Two 20 x 20 frames of 100 ms: red, then blue with a green corner.
std::vector<uint8_t> twoFrameGif(int w = 20, int h = 20)
{
    giftest::Frame red{std::vector<uint8_t>(size_t(w * h), 1), 10, -1};
    giftest::Frame blue{std::vector<uint8_t>(size_t(w * h), 2), 10, -1};
    blue.indexes[0] = 3;
    return giftest::encode(w, h, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}}, {red, blue});
}

class SceneImportTest : public SceneTabTest {
protected:
    void SetUp() override
    {
        SceneTabTest::SetUp();
        makeTab();
        sceneId = Main::instance()->sceneMgr()->create("imports", 0);
        ASSERT_GT(sceneId, 0);
    }
    void TearDown() override
    {
        Main::instance()->sceneMgr()->close(sceneId);
        SceneTabTest::TearDown();
    }
    Scene* target() const { return Main::instance()->sceneMgr()->get(sceneId); }

    Options gifOptions(const std::string& path) const
    {
        Options o = tab->defaultImportOptions(false);
        o.sourceType = 2, o.fileKind = 3;
        o.sourcePath = path.c_str();
        o.matchMode = 0;
        return o;
    }
    // A scene name and an open archive, so the save context holds.
    void readyToSave()
    {
        openArchive({});
        name->setText("level.tmx");
    }

    int sceneId = 0;
};

TEST_F(SceneImportTest, DefaultsDifferOnlyInTheSourceKind)
{
    for (bool newScene : {true, false}) {
        const Options o = tab->defaultImportOptions(newScene);
        EXPECT_EQ(o.sourceType, newScene ? 0 : 1);
        EXPECT_EQ(o.fileKind, newScene ? 0 : 1);
        EXPECT_EQ(std::tuple(o.targetLayer, o.tileWidth, o.tileHeight, o.matchPercent, o.matchMode, o.padTransparent,
                             o.colorKey, o.durationMs, o.frameCount),
                  std::tuple(1, 16, 16, 100.0f, 1, true, -1, 1000, 16));
    }
}

TEST_F(SceneImportTest, TargetSlotAndSaveContext)
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
        CtrlBase::string message = "kept";
        EXPECT_EQ(validateSceneImportTargetLayer(s, slot, message), !*refusal) << slot;
        EXPECT_EQ(message, *refusal ? refusal : "kept") << slot;
    }

    CtrlBase::string message;
    EXPECT_TRUE(tab->importChecks().validateSceneImportSaveContext(nullptr, message));
    EXPECT_FALSE(tab->importChecks().validateSceneImportSaveContext(s, message));
    EXPECT_EQ(message, "Scene name is required to save imported resources to the QEL.");
    name->setText("level.tmx");
    EXPECT_FALSE(tab->importChecks().validateSceneImportSaveContext(s, message));
    EXPECT_EQ(message, "QEL filename is not available.");
    status->sArchivePath = "/nowhere/gone.qel";
    EXPECT_FALSE(tab->importChecks().validateSceneImportSaveContext(s, message));
    EXPECT_EQ(message, "QEL archive is not available.");
    openArchive({});
    message = "kept";
    EXPECT_TRUE(tab->importChecks().validateSceneImportSaveContext(s, message));
    EXPECT_EQ(message, "kept");
}

TEST_F(SceneImportTest, PaddingGrowsToWholeTilesUnblended)
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

TEST_F(SceneImportTest, SamplingPlans)
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

TEST_F(SceneImportTest, ConverterBuildsTheAnimatedLayer)
{
    // Cell 0 steady green, cell 1 red then blue then empty.
    const auto frame = [](int f) {
        return filled(32, 16, [f](int x, int) {
            return x < 16 ? 0xFF00FF00u : f == 0 ? 0xFFFF0000u : f == 1 ? 0xFF0000FFu : 0u;
        });
    };
    std::vector<SDL_Surface*> frames = {frame(0), frame(1), frame(2)};
    Options o = tab->defaultImportOptions(false);
    o.durationMs = 100;
    CtrlBase::string summary;
    const std::vector<int> wrongCount = {5, 5};
    ASSERT_EQ(CtrlScenes::importFrameSequenceLayer(target(), o, frames, 30, 16, true, "", &wrongCount, nullptr,
                                                   &summary),
              0);
    EXPECT_TRUE(frames.empty());
    Scene* s = target();
    CtrlBase::string layerName;
    ASSERT_TRUE(s->getLayerName(1, layerName));
    EXPECT_EQ(layerName, "VideoLayer");
    EXPECT_NE(s->getLayerFeatures(1) & SLF_SHOWN, 0u);
    const scene::Map& map = SceneAccess::map(*s);
    const scene::TileSet& ts = *map.tileSets.back();
    EXPECT_EQ(map.slots[0]->cells, (std::vector<uint32_t>{ts.firstGid, ts.firstGid + 3}));
    const scene::TileArt& art = ts.tiles.at(3);
    ASSERT_EQ(art.frames.size(), 3u);
    EXPECT_EQ(std::vector<uint32_t>({art.frames[0].tileId, art.frames[1].tileId, art.frames[2].tileId}),
              std::vector<uint32_t>({1, 2, 3})) << "the empty frame shows the owner's still image";
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
    ASSERT_EQ(CtrlScenes::importFrameSequenceLayer(s, o, more, 32, 16, false, "", nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(s->getLayerName(2, layerName));
    EXPECT_EQ(layerName, o.layerName);
}

TEST_F(SceneImportTest, ConverterCodes)
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
        Options o = tab->defaultImportOptions(false);
        o.tileWidth = o.tileHeight = c.tile;
        EXPECT_EQ(CtrlScenes::importFrameSequenceLayer(c.noScene ? nullptr : target(), o, frames, 16, 16, false,
                                                       "GIF", nullptr, nullptr, nullptr),
                  c.code)
            << c.what;
        EXPECT_EQ(frames.size(), c.keepsFrames ? given : 0u) << c.what;
        for (SDL_Surface* f : frames)
            SDL_FreeSurface(f);
        EXPECT_EQ(target()->getLayerCount(0), 0) << c.what;
    }
}

TEST_F(SceneImportTest, QuitDuringAConversionCancelsAndStaysQueued)
{
    VideoImportProgressUI ui = openVideoImportProgressUI(Main::instance(), &*resources, "Import GIF layer", 2);
    ASSERT_GT(ui.panelId, 0);
    ASSERT_NE(ui.progressBar, nullptr);
    EXPECT_EQ(ui.progressBar->getMax(), 5);
    Panel* progressPanel = Main::instance()->guiMgr()->getPanel(ui.panelId);
    EXPECT_STREQ(progressPanel->getLabel(1168)->getText(), "Import GIF layer");
    EXPECT_STREQ(progressPanel->getLabel(1169)->getText(), "Creating animated tile layer...");

    std::vector<SDL_Surface*> frames = {filled(16, 16, [](int, int) { return 0xFFFF0000u; }),
                                        filled(16, 16, [](int, int) { return 0xFF00FF00u; })};
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_EQ(CtrlScenes::importFrameSequenceLayer(target(), tab->defaultImportOptions(false), frames, 16, 16, false,
                                                   "GIF", nullptr, ui.progressBar, nullptr),
              CtrlScenes::IR_CANCELLED);
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(target()->getLayerCount(0), 0);
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), 1) << "the quit stays queued";
    closeVideoImportProgressUI(Main::instance(), ui);
    closeVideoImportProgressUI(Main::instance(), ui);
    EXPECT_EQ(ui.panelId, 0);
    SDL_FlushEvent(SDL_QUIT);
}

TEST_F(SceneImportTest, ALongAnalysisShowsItsStageAndStopsOnCancelOrQuit)
{
    Screen* screen = Main::instance()->configMgr()->get(0);
    for (const bool byQuit : {false, true}) {
        SCOPED_TRACE(byQuit ? "quit" : "Cancel");
        VideoImportProgressUI ui = openVideoImportProgressUI(Main::instance(), &*resources, "Import video layer", 12);
        ASSERT_NE(ui.progressBar, nullptr);
        const WidgetLabel* stage = Main::instance()->guiMgr()->getPanel(ui.panelId)->getLabel(1169);
        // Noise seldom matches at 95 %: without a cancel this takes seconds.
        std::vector<SDL_Surface*> frames;
        for (int f = 0; f < 12; ++f)
            frames.push_back(filled(640, 352, [f](int x, int y) {
                uint32_t z = uint32_t(f * 1000003 + y * 641 + x) * 2654435761u;
                return 0xFF000000u | ((z ^ (z >> 13)) * 2246822519u >> 8);
            }));
        std::string seen;
        // The user acts once the panel has been drawn with the analysis under way.
        screen->setRenderCallback([&](int) {
            const std::string shown = stage->getText();
            if (seen.empty() && shown.rfind("Analysing tiles: ", 0) == 0) {
                seen = shown;
                if (byQuit)
                    editortest::TS::quit();
                else
                    EXPECT_TRUE(editortest::TS::clickWidget(ui.panelId, 1171));
            }
            return 0;
        });
        Options o = tab->defaultImportOptions(false);
        o.tileWidth = o.tileHeight = 16;
        o.matchPercent = 95.0f;
        o.matchMode = 1;
        const int rc = CtrlScenes::importFrameSequenceLayer(target(), o, frames, 640, 352, false, "Video", nullptr,
                                                            ui.progressBar, nullptr);
        screen->setRenderCallback(nullptr);
        EXPECT_EQ(rc, CtrlScenes::IR_CANCELLED);
        EXPECT_NE(seen, "") << "the panel was drawn during the analysis";
        EXPECT_NE(seen.substr(0, 21), "Analysing tiles: 100%") << seen;
        EXPECT_TRUE(frames.empty());
        EXPECT_EQ(target()->getLayerCount(0), 0);
        EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), byQuit ? 1 : 0);
        SDL_FlushEvent(SDL_QUIT);
        closeVideoImportProgressUI(Main::instance(), ui);
        destroyFrames(frames);
    }
}

TEST_F(SceneImportTest, GIFChecks)
{
    readyToSave();
    const std::string good = folder.path("two.gif"), odd = folder.path("odd.gif"), cut = folder.path("cut.gif"),
                      huge = folder.path("huge.gif"), still = folder.path("still.gif");
    giftest::write(good, twoFrameGif(32, 16));
    giftest::write(odd, twoFrameGif(100, 100));
    std::vector<uint8_t> bytes = twoFrameGif();
    giftest::write(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40));
    // 65535 x 65535: the screen and the first frame.
    for (size_t at : {6u, 7u, 8u, 9u, 794u, 795u, 796u, 797u})
        bytes[at] = 0xFF;
    giftest::write(huge, bytes);
    giftest::write(still, giftest::encode(16, 16, {{1, 2, 3}}, {giftest::Frame{std::vector<uint8_t>(256, 0)}}));
    struct Case {
        std::string path;
        std::function<void(Options&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {good, [](Options&) {}, ""},
        {"", [](Options&) {}, "Source GIF file cannot be empty."},
        {folder.path("none.gif"), [](Options&) {}, "Source GIF file does not exist."},
        {cut, [](Options&) {}, "GIF file could not be opened."},
        {huge, [](Options&) {}, "GIF file could not be opened."},
        {still, [](Options&) {}, "GIF animation requires more than one frame."},
        {good, [](Options& o) { o.targetLayer = 0; }, "Target layer is invalid."},
        {good, [](Options& o) { o.matchMode = -1; }, "GIF match mode is invalid."},
        {good, [](Options& o) { o.startMs = 200; }, "Start time is beyond the GIF duration."},
        {good, [](Options& o) { o.frameCount = 0; }, "Number of frames must be greater than zero."},
        {odd, [](Options&) {},
         "GIF resolution 100x100 is not divisible by tile size 16x16. Enable padding to import edge tiles."},
        {odd, [](Options& o) { o.padToTile = true; }, ""},
        {good, [](Options& o) { o.tileWidth = o.tileHeight = 1, o.frameCount = 1000, o.padToTile = true; }, ""},
        {good, [](Options& o) { o.sourceType = 7; }, "GIF source type is invalid."},
    };
    for (const Case& c : cases) {
        Options o = gifOptions(c.path);
        c.change(o);
        CtrlBase::string message;
        EXPECT_EQ(tab->importChecks().validateGIFLayerImport(target(), o, message), !*c.message)
            << c.path << " " << message;
        EXPECT_EQ(message, c.message) << c.path;
    }
    for (const std::string& broken : {cut, huge})
        EXPECT_EQ(CtrlScenes::importGIFAnimatedLayer(target(), gifOptions(broken), nullptr, nullptr),
                  CtrlScenes::IR_GIF_UNREADABLE);

    // The still import takes the first frame: red, 2 x 1 tiles of 16.
    Options o = gifOptions(good);
    o.sourceType = 1;
    EXPECT_EQ(CtrlScenes::importGIFImageLayer(target(), o, "still"), 0);
    ASSERT_EQ(target()->getLayerType(1), SLT_TILE);
    const scene::TileSet& ts = *SceneAccess::map(*target()).tileSets.back();
    EXPECT_EQ(ts.tileCount, 1u);
    EXPECT_EQ(pixel(ts.picture->surface, 0, 0), 0xFFFF0000u);
    o.targetLayer = 2, o.tileWidth = o.tileHeight = 0;
    EXPECT_EQ(CtrlScenes::importGIFImageLayer(target(), o, "picture"), 0);
    EXPECT_EQ(target()->getLayerType(2), SLT_IMAGE);
    EXPECT_EQ(CtrlScenes::importGIFImageLayer(nullptr, o, "none"), CtrlScenes::IR_NO_SCENE);
}

// Imports path sampled as plan says (tile 16, padding on, exact pixels)
// and compares every frame drawn back with the sampled GIF frame.
void expectExactGIFLayer(Scene* scene, const Options& o, int slot)
{
    IMG_Animation* animation = IMG_LoadAnimation(o.sourcePath.c_str());
    ASSERT_NE(animation, nullptr) << o.sourcePath;
    std::vector<int> delays;
    for (int i = 0; i < animation->count; ++i)
        delays.push_back(animation->delays && animation->delays[i] > 0 ? animation->delays[i] : 100);
    CtrlBase::string summary;
    ASSERT_EQ(CtrlScenes::importGIFAnimatedLayer(scene, o, nullptr, &summary), 0) << o.sourcePath;
    const GIFSamplePlan plan(delays, o.startMs, o.durationMs, o.frameCount);
    for (size_t i = 0; i < plan.frames.size(); ++i) {
        SDL_Surface* expected = padSurfaceToTile(
            SDL_ConvertSurfaceFormat(animation->frames[plan.frames[i]], SDL_PIXELFORMAT_ARGB8888, 0), 16, 16, true, 0);
        SDL_Surface* drawn = drawBack(scene, slot, int(i));
        EXPECT_EQ(differences(drawn, expected), 0) << o.sourcePath << " sample " << i;
        SDL_FreeSurface(drawn);
        SDL_FreeSurface(expected);
    }
    IMG_FreeAnimation(animation);
}

TEST_F(SceneImportTest, GIFsBecomeExactAnimatedLayers)
{
    const std::string made = folder.path("two.gif");
    giftest::write(made, twoFrameGif());
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

TEST_F(SceneImportTest, VideoChecksAndAnExactLayer)
{
    const std::string dir = samples("video");
    if (dir.empty() || !std::filesystem::is_directory(dir))
        GTEST_SKIP() << "the sample videos (SKARDEN_SAMPLES unset)";
    readyToSave();
    const std::string clip = dir + "/openh264-Cisco_Men_whisper_640x320_CABAC_Bframe_9.264";
    const std::string cut = folder.path("cut.mp4");
    {
        std::ifstream in(dir + "/mp4ff-prog_8s.mp4", std::ios::binary);
        std::vector<char> head(4000);
        in.read(head.data(), long(head.size()));
        std::ofstream(cut, std::ios::binary).write(head.data(), long(head.size()));
    }
    Options o = tab->defaultImportOptions(false);
    o.sourceType = 2, o.fileKind = 2;
    o.matchMode = 0;
    o.frameCount = 4;
    o.durationMs = 400;
    struct Case {
        std::string path;
        std::function<void(Options&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {clip, [](Options&) {}, ""},
        {cut, [](Options&) {}, "Video file could not be opened."},
        {clip, [](Options& x) { x.tileWidth = 48; }, "Video resolution 640x320 is not divisible by tile size "
                                                     "48x16. Enable padding to import edge tiles."},
        {clip, [](Options& x) { x.startMs = 3600000; }, "Start time is beyond the video duration."},
        {dir + "/openh264-Zhling_1280x720.264", [](Options& x) { x.tileWidth = x.tileHeight = 1, x.frameCount = 256; },
         "256 frames of 921600 tiles are more than the import can hold (67108864 tiles). Use larger tiles or fewer "
         "frames."},
    };
    for (const Case& c : cases) {
        Options x = o;
        x.sourcePath = c.path.c_str();
        c.change(x);
        CtrlBase::string message;
        EXPECT_EQ(tab->importChecks().validateVideoLayerImport(target(), x, message), !*c.message) << c.path;
        EXPECT_EQ(message, c.message) << c.path;
    }
    o.sourcePath = cut.c_str();
    EXPECT_LT(CtrlScenes::importVideoLayer(target(), o, nullptr, nullptr), 0);

    o.sourcePath = clip.c_str();
    ASSERT_EQ(CtrlScenes::importVideoLayer(target(), o, nullptr, nullptr), 0);
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
    EXPECT_EQ(CtrlScenes::dumpVideoFrames(o, folder.path("dump.png").c_str(), nullptr), 0);
    for (const char* file : {"dump_000.png", "dump_001.png"}) {
        SDL_Surface* dumped = IMG_Load(folder.path(file).c_str());
        ASSERT_NE(dumped, nullptr) << file;
        EXPECT_EQ(std::pair(dumped->w, dumped->h), std::pair(640, 320));
        SDL_FreeSurface(dumped);
    }
}

TEST_F(SceneImportTest, VideoImportTips)
{
    editortest::TS::pushAnswer(1);
    showVideoImportHelp();
    const std::vector<Box> boxes = takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Video Import Tips");
    EXPECT_EQ(std::tuple(boxes[0].text.size(), boxes[0].buttons, boxes[0].type, boxes[0].timeoutMs),
              std::tuple(size_t(672), 1, 3, 0));
    EXPECT_TRUE(boxes[0].text.ends_with("codec artifacts make identical tiles differ slightly.")) << boxes[0].text;
}

} // namespace
