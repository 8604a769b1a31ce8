// The scene tab's frame-sequence imports: option defaults, the tab's
// checks of GIF and video sources, the progress panel of a conversion and
// cancelling it.
#include "tabs/SceneTabFixture.h"

#include "import/scene/FrameImportResult.h"
#include "import/scene/FrameSequenceLayer.h"
#include "support/GifWriter.h"
#include "support/SceneImportTarget.h"
#include "support/TestSurfaces.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>

#include <filesystem>

using namespace Zelkoran;
using Options = SceneLayerImportOptions;
using importtest::samples;
using surfacetest::filled;

namespace {

class SceneImportTest : public SceneTabTest {
protected:
    void SetUp() override
    {
        SceneTabTest::SetUp();
        makeTab();
        imports.open();
    }
    void TearDown() override
    {
        imports.close();
        SceneTabTest::TearDown();
    }
    Zelkoran::Scene* target() const { return imports.get(); }
    Options gifOptions(const std::string& path) const
    {
        return importtest::gifOptions(SceneLayerImport::defaultImportOptions(false), path);
    }
    // A scene name and an open archive, so the save context holds.
    void readyToSave()
    {
        openArchive({});
        name->setText("level.tmx");
    }

    importtest::TargetScene imports;
};

TEST_F(SceneImportTest, DefaultsDifferOnlyInTheSourceKind)
{
    for (bool newScene : {true, false}) {
        const Options o = SceneLayerImport::defaultImportOptions(newScene);
        EXPECT_EQ(o.sourceType, newScene ? 0 : 1);
        EXPECT_EQ(o.fileKind, newScene ? 0 : 1);
        EXPECT_EQ(std::tuple(o.targetLayer, o.tileWidth, o.tileHeight, o.matchPercent, o.matchMode, o.padTransparent,
                             o.colorKey, o.durationMs, o.frameCount),
                  std::tuple(1, 16, 16, 100.0f, 1, true, -1, 1000, 16));
    }
}

TEST_F(SceneImportTest, SaveContext)
{
    Scene* s = target();
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

TEST_F(SceneImportTest, QuitDuringAConversionCancelsAndStaysQueued)
{
    VideoImportProgressUI ui = openVideoImportProgressUI(Main::instance(), &*resources, "Import GIF layer", 2);
    ASSERT_GT(ui.panelId, 0);
    ASSERT_NE(ui.progressBar, nullptr);
    EXPECT_EQ(ui.progressBar->getMax(), 5);
    Panel* progressPanel = Main::instance()->guiMgr()->getPanel(ui.panelId);
    EXPECT_STREQ(progressPanel->getLabel(PW_TITLE)->getText(), "Import GIF layer");
    EXPECT_STREQ(progressPanel->getLabel(PW_LABEL)->getText(), "Creating animated tile layer...");

    std::vector<SDL_Surface*> frames = {filled(16, 16, [](int, int) { return 0xFFFF0000u; }),
                                        filled(16, 16, [](int, int) { return 0xFF00FF00u; })};
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    ImportProgress bar = widgetImportProgress(ui.progressBar);
    EXPECT_EQ(importFramesAsTileLayer(target(), SceneLayerImport::defaultImportOptions(false), frames, 16, 16, false, "GIF",
                                      nullptr, &bar, nullptr),
              IR_CANCELLED);
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
        const WidgetLabel* stage = Main::instance()->guiMgr()->getPanel(ui.panelId)->getLabel(PW_LABEL);
        // Noise seldom matches at 95 %: without a cancel this takes seconds.
        std::vector<SDL_Surface*> frames;
        for (int f = 0; f < 12; ++f)
            frames.push_back(filled(640, 352, [f](int x, int y) {
                uint32_t z = uint32_t(f * 1000003 + y * 641 + x) * 2654435761u;
                return 0xFF000000u | ((z ^ (z >> 13)) * 2246822519u >> 8);
            }));
        std::string seen;
        int barPercent = -1;
        // The user acts once the panel has been drawn with the analysis under
        // way, past its start.
        screen->setRenderCallback([&](int) {
            const std::string shown = stage->getText();
            if (seen.empty() && shown.rfind("Analysing tiles: ", 0) == 0 && shown.rfind("Analysing tiles: 0%", 0)) {
                seen = shown;
                const WidgetProgress& bar = *ui.progressBar;
                barPercent = (bar.getValue() - bar.getMin()) * 100 / (bar.getMax() - bar.getMin());
                if (byQuit)
                    editortest::TS::quit();
                else
                    EXPECT_TRUE(editortest::TS::clickWidget(ui.panelId, PW_CANCEL));
            }
            return 0;
        });
        Options o = SceneLayerImport::defaultImportOptions(false);
        o.tileWidth = o.tileHeight = 16;
        o.matchPercent = 95.0f;
        o.matchMode = 1;
        ImportProgress bar = widgetImportProgress(ui.progressBar);
        const int rc = importFramesAsTileLayer(target(), o, frames, 640, 352, false, "Video", nullptr, &bar, nullptr);
        screen->setRenderCallback(nullptr);
        EXPECT_EQ(rc, IR_CANCELLED);
        EXPECT_NE(seen, "") << "the panel was drawn during the analysis";
        EXPECT_NE(seen.substr(0, 21), "Analysing tiles: 100%") << seen;
        EXPECT_EQ(std::to_string(barPercent) + "%", seen.substr(17, seen.find('%') - 16)) << "the bar shows the label's percent";
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
                      huge = folder.path("huge.gif"), still = folder.path("still.gif"),
                      hiding = folder.path("hiding.gif"), tall = folder.path("tall.gif");
    giftest::write(good, giftest::twoFrames(32, 16));
    giftest::write(odd, giftest::twoFrames(100, 100));
    giftest::writeBroken(cut, huge);
    giftest::write(hiding, giftest::twoFramesHidingOne(16385, 1));
    // A screen 16384 wide and 0 high, two frames 1 x 16384: each passes,
    // but the screen the frames are drawn on is 16384 x 16384.
    const giftest::Frame column{std::vector<uint8_t>(16384, 1), 10, -1, 0, 0, 1, 16384};
    giftest::write(tall, giftest::encode(16384, 0, {{0, 0, 0}, {255, 0, 0}}, {column, column}));
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
        {hiding, [](Options& o) { o.padToTile = true; }, "GIF file could not be opened."},
        {tall, [](Options& o) { o.padToTile = true; }, "GIF file could not be opened."},
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
        EXPECT_EQ(tab->importChecks().validateGIFLayerImport(target(), o, {}, message), !*c.message)
            << c.path << " " << message;
        EXPECT_EQ(message, c.message) << c.path;
    }
}

TEST_F(SceneImportTest, VideoChecks)
{
    const std::string dir = samples("video");
    if (dir.empty() || !std::filesystem::is_directory(dir))
        GTEST_SKIP() << "the sample videos (SKARDEN_SAMPLES unset)";
    readyToSave();
    const std::string clip = dir + "/openh264-Cisco_Men_whisper_640x320_CABAC_Bframe_9.264";
    const std::string cut = folder.path("cut.mp4");
    importtest::writeCutVideo(dir, cut);
    Options o = SceneLayerImport::defaultImportOptions(false);
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
