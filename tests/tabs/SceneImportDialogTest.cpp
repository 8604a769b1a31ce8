// The scene import door: the source probe, the checks before an import, and
// whole imports driven through the tab's buttons and the dialog's widgets.
#include "import/scene/UvttFixture.h"
#include "tabs/SceneTabFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/scenes/SceneChoiceIds.h"

#include "scene/SceneAccess.h"
#include "support/CaptionFit.h"
#include "support/GifWriter.h"
#include "tabs/scenes/import/SceneImportDialogIds.h"
#include "tabs/scenes/import/SceneImportKinds.h"
#include "tabs/scenes/import/SceneImportProbe.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Panel.h>

#include <SDL_image.h>

#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <span>

using namespace Zelkoran;
namespace TS = editortest::TS;

namespace {

// A request with what probing its file found.
struct Options : SceneLayerImportOptions, SceneSourceProbe {};
Options fresh(bool newScene) { return {SceneLayerImport::defaultImportOptions(newScene), {}}; }

using namespace sceneImportDialog;
constexpr int kLoad = ID_LOAD, kName = ID_NAME, kTarget = ID_TARGET, kTileX = ID_TILE_X, kTileY = ID_TILE_Y,
              kPad = ID_PAD;
constexpr int kSourceType = ID_SOURCE_TYPE, kImageFrame = ID_IMAGE_FRAME, kVideoFrame = ID_VIDEO_FRAME,
              kUVTTFrame = ID_UVTT_FRAME, kUVTTMeta = ID_UVTT_META;

// Only the signature and header of a 20000 x 20000 PNG: no picture decodes from it.
const std::string kHugePNGHeader("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\x4E\x20\0\0\x4E\x20\x08\x06\0\0\0", 29);
// 20 pixels wide, one more than an image block holds high.
const std::string kTallPNGHeader("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x14\0\0\x40\x01\x08\x06\0\0\0", 29);

std::vector<uint8_t> gif(int frames)
{
    std::vector<giftest::Frame> list;
    for (int i = 0; i < frames; ++i)
        list.push_back({std::vector<uint8_t>(16 * 16, uint8_t(1 + i % 2)), 10, -1});
    return giftest::encode(16, 16, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}}, list);
}

class SceneImportDialogTest : public SceneTabTest {
protected:
    void SetUp() override
    {
        SceneTabTest::SetUp();
        writePNG("Photo.PNG", 20, 10);
        writePNG("forest.png", 100, 70);
        giftest::write(folder.path("one.gif"), gif(1));
        giftest::write(folder.path("two.gif"), gif(2));
        giftest::write(folder.path("many.gif"), gif(300));
        for (const char* junk : {"clip.H264", "clip.264", "x.jpg", "broken.uvtt"})
            writeText(junk, "junk");
        writeText("level.tmx", scenetest::levelMap());
        writeText("map.dd2vtt",
                  uvtttest::map("\"software\": \"Arkenforge\", \"image\": \"" + uvtttest::pngBase64(200, 100) +
                                    "\", \"line_of_sight\": [" + uvtttest::points({{0, 0}, {1, 0}}) +
                                    "], \"lights\": [],",
                                2, 1, 100));
    }
    void writePNG(const char* file, int w, int h)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, 0xFF20A040);
        IMG_SavePNG(s, folder.path(file).c_str());
        SDL_FreeSurface(s);
    }
    void writeText(const char* file, const std::string& bytes)
    {
        std::FILE* f = std::fopen(folder.path(file).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::string path(const char* file) { return folder.path(file); }

    // The shown dialog: clicks Load, which takes the file answer queued for it.
    static void load(int dialog)
    {
        TS::clickWidget(dialog, kLoad);
        TS::pump();
    }
    static Panel* dialogPanel(int id) { return editortest::panel(id); }
    static std::string labelText(int dialog, int id) { return dialogPanel(dialog)->getLabel(id)->getText(); }
    static bool shown(int dialog, int id) { return dialogPanel(dialog)->getWidgetByID(id)->isShown(); }
    static bool usable(int dialog, int id) { return dialogPanel(dialog)->getWidgetByID(id)->isEnabled(); }
    // The Import Scene road: the choice, script inside the dialog (which
    // loads file), then the answers to the boxes that follow.
    int importScene(const std::function<void(int)>& script, const char* file, std::vector<int> then)
    {
        TS::pushAnswer(SC_SCENE);
        TS::pushScript(script);
        TS::pushFileAnswer(true, path(file).c_str());
        for (int answer : then)
            TS::pushAnswer(answer);
        return click(SW_IMPORT);
    }
    std::vector<std::string> boxTexts()
    {
        std::vector<std::string> out;
        for (const Box& b : takeBoxes())
            out.push_back(b.title + ": " + b.text);
        return out;
    }
    Scene* shownScene() { return Main::instance()->sceneMgr()->get(tab->sceneID()); }
};

TEST_F(SceneImportDialogTest, ProbeClassifiesByExtensionAndContent)
{
    makeTab();
    const struct {
        const char* file;
        bool newScene;
        int type, kind;
        const char* text;
        const char* name;
    } cases[] = {
        {"Photo.PNG", false, 1, 1, "image", "Photo"},   {"Photo.PNG", true, 1, 1, "image", "Photo.tmx"},
        {"clip.H264", false, 2, 2, "video", "clip"},    {"clip.264", true, 2, 2, "video", "clip.tmx"},
        {"level.tmx", true, 3, 0, "tmx", "level.tmx"},  {"level.tmx", false, 0, 0, "unsupported", ""},
        {"x.jpg", true, 0, 0, "unsupported", ""},       {"one.gif", false, 1, 3, "gif image", "one"},
        {"two.gif", false, 2, 3, "gif animation", "two"}, {"map.dd2vtt", true, 4, 0, "universal vtt", "map.tmx"},
        {"broken.uvtt", false, 4, 0, "invalid uvtt", "broken"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.newScene ? " new" : " layer"));
        Options o = fresh(c.newScene);
        const SceneSourceFacts facts = SceneImportProbe::probe(o, o, path(c.file).c_str(), c.newScene);
        EXPECT_EQ(o.sourceType, c.type);
        EXPECT_EQ(o.fileKind, c.kind);
        EXPECT_STREQ(facts.kindText, c.text);
        EXPECT_EQ(std::string(SceneImportProbe::proposedName(o, c.newScene)), c.name);
    }
    Options o = fresh(false);
    SceneImportProbe::probe(o, o, path("two.gif").c_str(), false);
    EXPECT_EQ(o.durationMs, 200);
    EXPECT_EQ(o.frameCount, 2);
    SceneImportProbe::probe(o, o, path("many.gif").c_str(), false);
    EXPECT_EQ(o.frameCount, 256);
}

TEST_F(SceneImportDialogTest, EveryKindIsReachableFromTheDialog)
{
    makeTab();
    // A file of each kind that takes files, by (source kind, file kind).
    const std::map<std::pair<int, int>, const char*> sample = {
        {{SST_IMAGE, SFK_GIF}, "one.gif"},   {{SST_IMAGE, SFK_PICTURE}, "forest.png"},
        {{SST_FRAMES, SFK_GIF}, "two.gif"},  {{SST_FRAMES, SFK_VIDEO}, "clip.H264"},
        {{SST_TILED_MAP, SFK_OTHER}, "level.tmx"}, {{SST_UVTT, SFK_OTHER}, "map.dd2vtt"}};
    const std::map<int, int> frameOf = {{SIS_IMAGE, kImageFrame}, {SIS_FRAMES, kVideoFrame}, {SIS_UVTT, kUVTTFrame}};
    const auto parts = [](const std::string& joined, char separator) {
        std::vector<std::string> out(1);
        for (char c : joined)
            if (c == separator)
                out.emplace_back();
            else
                out.back().push_back(c);
        return out;
    };
    const SceneImportDialog dialog(tab->tabServices());
    size_t count = 0;
    const SceneImportKind* kinds = sceneImportKinds(count);
    for (const SceneImportKind& kind : std::span(kinds, count))
        for (bool newScene : {true, false}) {
            if (!kind.serves(newScene))
                continue;
            SCOPED_TRACE(std::to_string(kind.sourceType) + "/" + std::to_string(kind.fileKind) +
                         (newScene ? " new" : " layer"));
            const std::vector<std::string> filter = parts(sceneImportFilter(newScene), '\0');
            for (const std::string& extension : parts(kind.extensions, ';')) {
                if (extension.empty())
                    continue;
                const auto listed = [&](size_t k) { return (";" + filter.at(k) + ";").find(";*." + extension + ";"); };
                EXPECT_NE(listed(1), std::string::npos) << extension;
                const auto own = std::find_if(filter.begin(), filter.end(), [&](const std::string& part) {
                    return part.rfind(std::string(kind.filter) + " (", 0) == 0;
                });
                ASSERT_NE(own, filter.end()) << kind.filter;
                EXPECT_NE(listed(size_t(own - filter.begin()) + 1), std::string::npos) << extension;
            }
            const char* file = *kind.extensions ? sample.at({kind.sourceType, kind.fileKind}) : nullptr;
            std::vector<int> frames;
            TS::pushScript([&](int d) {
                if (file)
                    load(d);
                for (int frame : std::initializer_list<int>{kImageFrame, kVideoFrame, kUVTTFrame})
                    if (shown(d, frame))
                        frames.push_back(frame);
                TS::clickWidget(d, ID_CANCEL);
            });
            if (file)
                TS::pushFileAnswer(true, path(file).c_str());
            Options o = fresh(newScene);
            EXPECT_FALSE(dialog.showSceneImportDialog(o, o, nullptr, newScene));
            EXPECT_EQ(sceneImportKind(o.sourceType, o.fileKind), &kind);
            EXPECT_EQ(frames, kind.section == SIS_NONE ? std::vector<int>{} : std::vector<int>{frameOf.at(kind.section)});
        }
}

TEST_F(SceneImportDialogTest, UVTTPresetsComeOncePerFileAndGoWithAnotherKind)
{
    makeTab();
    Options o = fresh(true);
    SceneImportProbe::probe(o, o, path("map.dd2vtt").c_str(), true);
    ASSERT_TRUE(o.uvttMetadataValid) << o.uvttProbeError;
    EXPECT_EQ(o.tileWidth, 100);
    EXPECT_TRUE(o.uvttImportWalls);
    EXPECT_FALSE(o.uvttImportObjects);
    EXPECT_FALSE(o.uvttImportLights);
    o.uvttImportWalls = false;
    o.tileWidth = 50;
    SceneImportProbe::probe(o, o, path("map.dd2vtt").c_str(), true);
    EXPECT_FALSE(o.uvttImportWalls) << "a second choice keeps the user's switches";
    EXPECT_EQ(o.tileWidth, 50);
    SceneImportProbe::probe(o, o, path("Photo.PNG").c_str(), true);
    EXPECT_FALSE(o.uvttMetadataValid);
    EXPECT_TRUE(o.uvttProbePath.empty());
}

TEST_F(SceneImportDialogTest, ChecksStopAtTheFirstBrokenRule)
{
    openLevel();
    makeTab();
    choose("level.tmx");
    Scene* scene = shownScene();
    ASSERT_NE(scene, nullptr);
    const auto base = [&](bool newScene, const char* file) {
        Options o = fresh(newScene);
        if (file)
            SceneImportProbe::probe(o, o, path(file).c_str(), newScene);
        o.layerName = newScene ? "fresh.tmx" : "Extra";
        o.targetLayer = scene->getLayerCount(0) + 1;
        return o;
    };
    const struct {
        bool newScene;
        const char* file;
        std::function<void(Options&)> change;
        const char* title;
        const char* message;
    } cases[] = {
        {false, nullptr, [](Options&) {}, "Add layer", "Source file cannot be empty."},
        {false, "x.jpg", [](Options&) {}, "Add layer", "Unsupported source. Use PNG/BMP/GIF, FFmpeg video, or UVTT files."},
        {false, "Photo.PNG", [](Options& o) { o.layerName.clear(); }, "Add layer", "Layer name is required."},
        {false, "Photo.PNG", [](Options& o) { o.layerName = "Ground"; }, "Add layer", "Layer name is already in use."},
        {false, "Photo.PNG", [](Options& o) { o.useColorKey = true; }, "Add layer", "Color key must use #RRGGBB format."},
        {false, "Photo.PNG", [](Options& o) { o.tileWidth = 0; }, "Add layer",
         "Tile width and height are required for tile/video import."},
        {false, "Photo.PNG", [](Options& o) { o.matchPercent = 0.5f; }, "Add image layer",
         "Match percentage must be between 1 and 100."},
        {false, "Photo.PNG", [](Options& o) { o.tileWidth = 8; }, "Add image layer",
         "Tile size 8x16 differs from the Scene's tile size 16x16. The layers of a Scene share its tile grid: use "
         "16x16."},
        {false, "Photo.PNG", [](Options&) {}, "Add image layer",
         "Image resolution 20x10 is not divisible by tile size 16x16. Enable padding to import edge tiles."},
        {false, "Photo.PNG", [](Options& o) { o.padToTile = true; }, "Add image layer", ""},
        {false, "Photo.PNG", [](Options& o) { o.imageLayer = true, o.tileWidth = 0; }, "Add image layer", ""},
        {true, nullptr, [](Options&) {}, "New Scene", ""},
        {true, nullptr, [](Options& o) { o.layerName.clear(); }, "New Scene", "Scene name is required."},
        {true, nullptr, [](Options& o) { o.tileHeight = 0; }, "New Scene",
         "Tile width and height are required for an empty Scene."},
        {true, "x.jpg", [](Options&) {}, "New Scene", "Unsupported source."},
        {true, "level.tmx", [](Options&) {}, "New Scene", ""},
    };
    name->setText("level.tmx");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file ? c.file : "no file") + " " + c.message);
        Options o = base(c.newScene, c.file);
        c.change(o);
        CtrlScenes::string title, message;
        EXPECT_EQ(
            tab->importChecks().validateImportOptions(c.newScene ? nullptr : scene, o, o, c.newScene, title, message),
            *c.message == 0);
        EXPECT_EQ(std::string(title), c.title);
        EXPECT_EQ(std::string(message), c.message);
        if (o.imageLayer) {
            EXPECT_EQ(o.tileWidth + o.tileHeight, 0) << "an image layer has no tile size";
        }
    }
}

TEST_F(SceneImportDialogTest, PictureBecomesAScene)
{
    openArchive({});
    makeTab();
    bool okWithoutSource = false, targetHidden = false;
    std::string proposed, kind;
    bool imageShown = false, videoShown = true;
    TS::pushAnswer(SC_SCENE);
    TS::pushScript([&](int d) {
        okWithoutSource = usable(d, ID_OK);
        targetHidden = !shown(d, kTarget);
        load(d);
        proposed = dialogPanel(d)->getTextEdit(kName)->getText().c_str();
        kind = labelText(d, kSourceType);
        imageShown = shown(d, kImageFrame);
        videoShown = shown(d, kVideoFrame);
        TS::clickWidget(d, ID_OK);
    });
    TS::pushFileAnswer(true, path("forest.png").c_str());
    TS::pushAnswer(MBB_OK); // not divisible: the dialog comes back with the entries kept
    TS::pushScript([&](int d) {
        dialogPanel(d)->getNumberEdit(kTileX)->setValue(32);
        dialogPanel(d)->getNumberEdit(kTileY)->setValue(32);
        TS::clickWidget(d, kPad);
        TS::pump();
        TS::clickWidget(d, ID_OK);
    });
    TS::pushAnswer(MBB_OK);
    click(SW_IMPORT);

    EXPECT_TRUE(okWithoutSource);
    EXPECT_TRUE(targetHidden);
    EXPECT_EQ(proposed, "forest.tmx");
    EXPECT_EQ(kind, "image");
    EXPECT_TRUE(imageShown);
    EXPECT_FALSE(videoShown);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                              "Scene Import: ", "New Scene: ", "Select Scene source: ",
                              "New Scene: Image resolution 100x70 is not divisible by tile size 16x16. Enable "
                              "padding to import edge tiles.",
                              "New Scene: ", "New Scene: Scene was created."}));
    EXPECT_EQ(std::string(list->getSelectedText()), "forest.tmx");
    EXPECT_FALSE(tab->isDirty());
    EXPECT_NE(stored("forest.tmx").find(SceneBlockKind::kSceneMarker.data()), std::string::npos);
    choose("forest.tmx");
    ASSERT_NE(shownScene(), nullptr);
    EXPECT_EQ(shownScene()->getWidth(), 128) << "padded to whole 32 px tiles";
    EXPECT_EQ(shownScene()->getHeight(), 96);
}

TEST_F(SceneImportDialogTest, AnimatedGIFBecomesALayerInTheChosenSlot)
{
    openLevel();
    makeTab();
    choose("level.tmx");
    Scene* scene = shownScene();
    ASSERT_NE(scene, nullptr);
    ASSERT_EQ(scene->createLayer("Four", SLT_TILE, 4, 4, 3), 4);
    ASSERT_EQ(scene->createLayer("Five", SLT_TILE, 5, 4, 3), 5);
    ASSERT_TRUE(scene->closeLayer(2));
    ASSERT_TRUE(scene->closeLayer(4));
    std::vector<std::string> targets;
    bool okWithoutSource = true, videoShown = false;
    TS::pushScript([&](int d) {
        okWithoutSource = usable(d, ID_OK);
        targets = editortest::listItems(reinterpret_cast<WidgetList*>(dialogPanel(d)->getComboBox(kTarget)));
        load(d);
        videoShown = shown(d, kVideoFrame);
        dialogPanel(d)->getComboBox(kTarget)->setSelectedIndex(3);
        TS::clickWidget(d, ID_OK);
    });
    TS::pushFileAnswer(true, path("two.gif").c_str());
    TS::pushAnswer(MBB_OK);
    click(SW_ADD_LAYER);

    EXPECT_FALSE(okWithoutSource);
    EXPECT_EQ(targets, (std::vector<std::string>{"New layer", "Empty layer 2", "Empty layer 4"}));
    EXPECT_TRUE(videoShown);
    const auto boxes = boxTexts();
    ASSERT_EQ(boxes.size(), 3u); // the dialog, its file dialog, the summary
    EXPECT_EQ(boxes[2].substr(0, 18), "Import GIF layer: ");
    EXPECT_FALSE(tab->isDirty());
    choose("level.tmx");
    ASSERT_NE(shownScene(), nullptr);
    CtrlScenes::string layer;
    EXPECT_TRUE(shownScene()->getLayerName(4, layer));
    EXPECT_EQ(std::string(layer), "two");
    EXPECT_NE(shownScene()->accessLayerTile(4), nullptr);
}

TEST_F(SceneImportDialogTest, AGIFWhoseFirstFrameIsSmallerThanItsScreenComesInWhole)
{
    openLevel();
    makeTab();
    choose("level.tmx");
    // A 38 x 32 screen: red 27 x 32 first, then blue at 21, 12.
    const std::vector<giftest::Frame> frames = {{std::vector<uint8_t>(27 * 32, 1), 10, -1, 0, 0, 27, 32, 1},
                                                {std::vector<uint8_t>(16 * 20, 2), 10, -1, 21, 12, 16, 20, 1}};
    giftest::write(path("wide.gif"), giftest::encode(38, 32, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}}, frames));
    std::string resolution;
    TS::pushScript([&](int d) {
        load(d);
        resolution = labelText(d, sceneImportDialog::ID_RESOLUTION);
        TS::clickWidget(d, kPad);
        TS::pump();
        TS::clickWidget(d, ID_OK);
    });
    TS::pushFileAnswer(true, path("wide.gif").c_str());
    TS::pushAnswer(MBB_OK);
    click(SW_ADD_LAYER);
    EXPECT_EQ(resolution, "38x32");
    const auto boxes = boxTexts();
    ASSERT_EQ(boxes.size(), 3u) << testing::PrintToString(boxes);
    EXPECT_EQ(boxes[2].substr(0, 18), "Import GIF layer: ");
    choose("level.tmx");
    ASSERT_NE(shownScene(), nullptr);
    const SceneLayerTile* layer = shownScene()->accessLayerTile(4);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(std::pair(layer->getColumns(), layer->getRows()), std::pair(3, 2)) << "38 x 32 in 16 px tiles";
}

TEST_F(SceneImportDialogTest, UVTTMapBecomesASceneAndNamesAreNotReplacedSilently)
{
    openArchive({});
    makeTab();
    std::string meta;
    bool uvttShown = false;
    const auto script = [&](int d) {
        load(d);
        meta = labelText(d, kUVTTMeta);
        uvttShown = shown(d, kUVTTFrame);
        TS::clickWidget(d, ID_OK);
    };
    importScene(script, "map.dd2vtt", {MBB_OK});
    EXPECT_EQ(meta, "Grid: 2 x 1 cells | Occluders: 1 walls / 0 objects");
    EXPECT_TRUE(uvttShown);
    const auto boxes = boxTexts();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().substr(0, 16), "New UVTT Scene: ");
    const std::string first = stored("map.tmx");
    EXPECT_NE(first.find("Occluders"), std::string::npos);
    EXPECT_NE(first.find("<objectgroup id=\"2\" name=\"Occluders\" draworder=\"topdown\" zk7gridcell=\"64\" "
                         "width=\"200\" height=\"100\""),
              std::string::npos)
        << "numbers written plainly: " << first;

    // The same name again: asked, and No keeps the stored map.
    importScene(script, "map.dd2vtt", {MBB_NO});
    EXPECT_EQ(boxTexts().back(), "File exists: The file \"map.tmx\" already exists in the QEL.\n\nThe import will "
                                 "overwrite it.\n\nDo you want to continue?");
    EXPECT_EQ(stored("map.tmx"), first);

    // Unsaved edits are not dropped without a question.
    tab->setDirty(true);
    TS::pushAnswer(SC_SCENE);
    TS::pushAnswer(MBB_NO);
    click(SW_IMPORT);
    EXPECT_EQ(boxTexts().back(),
              "New Scene: The open Scene has unsaved changes.\n\nThey will be lost.\n\nDo you want to continue?");
}

TEST_F(SceneImportDialogTest, VideoBecomesAScene)
{
    const char* root = std::getenv("SKARDEN_SAMPLES");
    const std::string video = root ? std::string(root) + "/video/infer-sample.avi" : "";
    if (video.empty() || !std::filesystem::exists(video))
        GTEST_SKIP() << "the sample videos (SKARDEN_SAMPLES unset)";
    openArchive({});
    makeTab();
    std::string kind;
    TS::pushAnswer(SC_SCENE);
    TS::pushScript([&](int d) {
        load(d);
        kind = labelText(d, kSourceType);
        dialogPanel(d)->getNumberEdit(sceneImportDialog::ID_FRAMES)->setValue(4); // frames
        TS::clickWidget(d, kPad);
        TS::pump();
        TS::clickWidget(d, ID_OK);
    });
    TS::pushFileAnswer(true, video.c_str());
    TS::pushAnswer(MBB_OK);
    click(SW_IMPORT);
    EXPECT_EQ(kind, "video");
    const auto boxes = boxTexts();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().substr(0, 11), "New Scene: ") << boxes.back();
    EXPECT_EQ(std::string(list->getSelectedText()), "infer-sample.tmx");
    choose("infer-sample.tmx");
    ASSERT_NE(shownScene(), nullptr);
    EXPECT_NE(shownScene()->accessLayerTile(1), nullptr);
}

} // namespace

namespace {

class SceneImportTwiceTest : public SceneImportDialogTest {
protected:
    // A scene imported from a 64 x 32 picture of colour in 32 px tiles.
    void pictureScene(uint32_t colour)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 64, 32, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, colour);
        IMG_SavePNG(s, path("first.png").c_str());
        SDL_FreeSurface(s);
        importScene(
            [](int d) {
                load(d);
                dialogPanel(d)->getNumberEdit(kTileX)->setValue(32);
                dialogPanel(d)->getNumberEdit(kTileY)->setValue(32);
                TS::clickWidget(d, ID_OK);
            },
            "first.png", {MBB_OK});
        ASSERT_EQ(boxTexts().back(), "New Scene: Scene was created.");
    }
    // Add layer from file; the dialog's preset tile width, then OK with
    // the tile size given (0: as preset), then the answers.
    int addLayer(const char* file, int tile, std::vector<int> then, int* preset = nullptr,
                 const std::function<void(int)>& again = nullptr)
    {
        TS::pushScript([=](int d) {
            load(d);
            if (preset)
                *preset = int(dialogPanel(d)->getNumberEdit(kTileX)->getValue());
            if (tile) {
                dialogPanel(d)->getNumberEdit(kTileX)->setValue(float(tile));
                dialogPanel(d)->getNumberEdit(kTileY)->setValue(float(tile));
            }
            TS::clickWidget(d, ID_OK);
        });
        TS::pushFileAnswer(true, path(file).c_str());
        for (int answer : then)
            TS::pushAnswer(answer);
        if (again) // the dialog once more, after a refusal
            TS::pushScript(again);
        return click(SW_ADD_LAYER);
    }
    // The archive closed and opened again, the scene chosen.
    void reopen(const char* sceneBlock)
    {
        EXPECT_EQ(tab->resetWidgets(), 0);
        ASSERT_EQ(Main::instance()->archiveMgr()->close(status->iArchiveID), 0);
        editortest::openAsEditorArchive(*status, folder.path("tab.qel"));
        tab->parseQEL();
        ASSERT_EQ(choose(sceneBlock), 0);
        ASSERT_NE(shownScene(), nullptr);
    }
    // The top left pixel of each tile set's picture of the shown scene.
    std::vector<uint32_t> tileSetColours()
    {
        std::vector<uint32_t> out;
        if (!shownScene())
            return out;
        for (const auto& set : SceneAccess::map(*shownScene()).tileSets)
            out.push_back(static_cast<const uint32_t*>(set->picture->surface->pixels)[0]);
        return out;
    }
};

TEST_F(SceneImportTwiceTest, ASecondImportKeepsThePictureOfTheFirst)
{
    openArchive({});
    makeTab();
    pictureScene(0xFFFF0000);
    // A 32 x 32 GIF of two frames: green, then blue.
    giftest::Frame green{std::vector<uint8_t>(32 * 32, 1), 10, -1}, blue{std::vector<uint8_t>(32 * 32, 2), 10, -1};
    giftest::write(path("second.gif"), giftest::encode(32, 32, {{0, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {green, blue}));
    addLayer("second.gif", 0, {MBB_OK});
    ASSERT_EQ(boxTexts().back().substr(0, 18), "Import GIF layer: ");
    reopen("first.tmx");
    EXPECT_EQ(tileSetColours(), (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00}));

    // Two Universal VTT maps, one a new scene and one added to it.
    writeText("other.dd2vtt",
              uvtttest::map("\"image\": \"" + uvtttest::pngBase64(200, 100, 0xFF0000FF) + "\", \"lights\": [],", 2, 1,
                            100));
    importScene(
        [](int d) {
            load(d);
            TS::clickWidget(d, ID_OK);
        },
        "map.dd2vtt", {MBB_OK});
    ASSERT_EQ(choose("map.tmx"), 0);
    addLayer("other.dd2vtt", 0, {MBB_OK});
    ASSERT_EQ(boxTexts().back().substr(0, 20), "Import UVTT layers: ");
    reopen("map.tmx");
    EXPECT_EQ(tileSetColours(), (std::vector<uint32_t>{0xFF336699, 0xFF0000FF}));
    reopen("first.tmx");
    EXPECT_EQ(tileSetColours(), (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00}));
}

TEST_F(SceneImportTwiceTest, AnAddedLayerThatReplacesTextTypedInTheBoxSaysSo)
{
    openArchive({});
    makeTab();
    pictureScene(0xFFFF0000);
    click(SW_TEXT);
    TS::key(SDLK_END, KMOD_CTRL);
    TS::typeText("<oops");
    deliver();
    TS::pushAnswer(0); // the timed warning: the text is no scene
    click(BW_NAME);
    writePNG("block.png", 32, 32);
    addLayer("block.png", 0, {MBB_OK});
    EXPECT_EQ(boxTexts().back(), "TileMap: The text typed in the box could not be read as a Scene.\nIt was replaced "
                                 "by the Scene's text, which now holds this layer change.");
    EXPECT_EQ(std::string(text->getText().c_str()).find("<oops"), std::string::npos);
    EXPECT_EQ(editortest::listItems(layers), (std::vector<std::string>{"first", "block"}));
}

TEST_F(SceneImportTwiceTest, ALayerAddedWhereOneWasRemovedTakesTheMapsNextLayerId)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    chooseLayer(1);
    TS::pushAnswer(MBB_YES);
    click(SW_REMOVE_LAYER);
    writePNG("ground.png", 64, 48);
    std::string target;
    TS::pushScript([&](int d) {
        load(d);
        TS::clickWidget(d, kTarget);
        TS::pump();
        TS::key(SDLK_DOWN);
        TS::key(SDLK_RETURN);
        TS::pump();
        target = dialogPanel(d)->getComboBox(kTarget)->getSelectedText();
        TS::clickWidget(d, ID_OK);
    });
    TS::pushFileAnswer(true, path("ground.png").c_str());
    click(SW_ADD_LAYER);
    EXPECT_EQ(target, "Empty layer 1");
    takeBoxes();
    // Layer ids by name, then the map's next id, as stored.
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(stored("level.tmx").c_str()));
    std::vector<std::string> ids;
    for (pugi::xml_node layer : doc.child("map").children())
        if (layer.attribute("id"))
            ids.push_back(std::string(layer.attribute("name").value()) + "=" + layer.attribute("id").value());
    ids.push_back(doc.child("map").attribute("nextlayerid").value());
    EXPECT_EQ(ids, (std::vector<std::string>{"ground=4", "=2", "Things=3", "5"})) << stored("level.tmx");
}

TEST_F(SceneImportTwiceTest, ALayerOfAnotherTileSizeIsRefusedBeforeAnythingIsWritten)
{
    openArchive({});
    makeTab();
    pictureScene(0xFFFF0000);
    const std::string before = stored("first.tmx");
    const int blocks = archive()->getIndexCount();
    int preset = 0;
    addLayer("two.gif", 16, {MBB_OK}, &preset, [](int d) { TS::clickWidget(d, ID_CANCEL); });
    EXPECT_EQ(preset, 32) << "the dialog offers the scene's tile size";
    const auto boxes = boxTexts(); // ..., the refusal, the dialog again
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[boxes.size() - 2], "Import video layer: Tile size 16x16 differs from the Scene's tile size 32x32. "
                                       "The layers of a Scene share its tile grid: use 32x32.");
    EXPECT_EQ(stored("first.tmx"), before);
    EXPECT_EQ(archive()->getIndexCount(), blocks);
    ASSERT_NE(shownScene(), nullptr);
    EXPECT_EQ(std::pair(shownScene()->getTileWidth(), shownScene()->getLayerCount(0)), std::pair(32, 1));
}

TEST_F(SceneImportTwiceTest, AnEmptySceneTakesTheDialogsTileSizeAndLoads)
{
    openArchive({});
    makeTab();
    bool sizeUsable = false;
    TS::pushAnswer(SC_SCENE);
    TS::pushScript([&](int d) {
        sizeUsable = usable(d, kTileX) && usable(d, kTileY);
        dialogPanel(d)->getTextEdit(kName)->setText("empty");
        dialogPanel(d)->getNumberEdit(kTileX)->setValue(24);
        dialogPanel(d)->getNumberEdit(kTileY)->setValue(12);
        TS::clickWidget(d, ID_OK);
    });
    TS::pushAnswer(MBB_OK);
    click(SW_IMPORT);
    EXPECT_TRUE(sizeUsable);
    EXPECT_EQ(boxTexts().back(), "New Scene: Empty Scene was created.");
    EXPECT_EQ(std::string(list->getSelectedText()), "empty.tmx");
    reopen("empty.tmx");
    ASSERT_NE(shownScene(), nullptr);
    EXPECT_EQ(std::pair(shownScene()->getTileWidth(), shownScene()->getTileHeight()), std::pair(24, 12));
}

TEST_F(SceneImportTwiceTest, AnImageLayerThatCannotBeStoredLeavesNothingBehind)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    // The dialog and the checks must judge it without decoding it.
    writeText("huge.png", kHugePNGHeader);
    writeText("tall.png", kTallPNGHeader);
    const std::string map = stored("level.tmx");
    const int blocks = archive()->getIndexCount();
    const std::vector<std::string> rows = editortest::listItems(layers);
    const auto addImageLayer = [&](const char* file, std::vector<int> answers, bool again) {
        std::string resolution;
        TS::pushScript([&](int d) {
            load(d);
            resolution = labelText(d, sceneImportDialog::ID_RESOLUTION);
            TS::clickWidget(d, ID_IMAGE_LAYER);
            TS::pump();
            TS::clickWidget(d, ID_OK);
        });
        TS::pushFileAnswer(true, path(file).c_str());
        for (int answer : answers)
            TS::pushAnswer(answer);
        if (again) // the dialog once more, after the refusal
            TS::pushScript([](int d) { TS::clickWidget(d, ID_CANCEL); });
        click(SW_ADD_LAYER);
        return resolution;
    };
    const struct {
        const char* file;
        int storage;
        bool again;
        std::string resolution, box;
    } cases[] = {
        {"huge.png", SW_COMPRESSED, true, "20000x20000",
         "Add image layer: Image is 20000x20000 pixels: an image layer is stored as one picture of at most 16384 "
         "pixels a side."},
        {"tall.png", SW_COMPRESSED, true, "20x16385",
         "Add image layer: Image is 20x16385 pixels: an image layer is stored as one picture of at most 16384 "
         "pixels a side."},
        {"Photo.PNG", SW_CRYPTED, false, "20x10", "Add image layer: Encrypted blocks require a QEL password."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        click(c.storage);
        EXPECT_EQ(addImageLayer(c.file, {MBB_OK}, c.again), c.resolution);
        const auto boxes = boxTexts();
        ASSERT_GE(boxes.size(), 3u);
        EXPECT_EQ(boxes[2].substr(0, c.box.size()), c.box);
        EXPECT_EQ(editortest::listItems(layers), rows);
        ASSERT_NE(shownScene(), nullptr);
        EXPECT_EQ(shownScene()->getLayerCount(0), 3);
        EXPECT_EQ(stored("level.tmx"), map);
        EXPECT_EQ(archive()->getIndexCount(), blocks) << "no picture stored";
    }
    // The name the failed import proposed is free: the same layer goes in.
    click(SW_COMPRESSED);
    addImageLayer("Photo.PNG", {}, false);
    EXPECT_EQ(boxTexts().size(), 2u) << "the dialog and its file dialog only";
    EXPECT_EQ(editortest::listItems(layers).back(), "Photo");
    EXPECT_NE(stored("level.tmx"), map);
}

TEST_F(SceneImportTwiceTest, ATooLongSceneNameBringsTheDialogBackWithItsSettings)
{
    openArchive({});
    makeTab();
    const std::string typed(64, 'n');
    std::string nameAgain;
    int tileAgain = 0;
    TS::pushAnswer(SC_SCENE);
    TS::pushScript([&](int d) {
        TS::clickWidget(d, kName);
        TS::typeText(typed.c_str());
        TS::pump();
        dialogPanel(d)->getNumberEdit(kTileX)->setValue(24);
        TS::clickWidget(d, ID_OK);
    });
    TS::pushAnswer(0); // the timed refusal
    TS::pushScript([&](int d) {
        nameAgain = dialogPanel(d)->getTextEdit(kName)->getText().c_str();
        tileAgain = int(dialogPanel(d)->getNumberEdit(kTileX)->getValue());
        TS::clickWidget(d, ID_CANCEL);
    });
    click(SW_IMPORT);
    const auto boxes = boxTexts();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[2], "New Scene: save to QEL: The name is longer than 63 bytes.\nQEL block names hold at most 63 "
                        "bytes: shorten it.");
    EXPECT_EQ(nameAgain, typed);
    EXPECT_EQ(tileAgain, 24);
    EXPECT_EQ(archive()->getBlockCount(), 0);
}

TEST_F(SceneImportDialogTest, AFailedNewSceneLeavesTheSceneHeldBeforeAsStored)
{
    openLevel();
    makeTab();
    ASSERT_EQ(choose("level.tmx"), 0);
    const std::string shown = text->getText().c_str();
    writeText("huge.png", kHugePNGHeader);
    writeText("bad.uvtt", uvtttest::map("\"image\": \"QUJD\", \"line_of_sight\": [" +
                                            uvtttest::points({{0, 0}, {1, 0}}) + "],",
                                        2, 1, 64));
    const struct {
        const char* file;
        const char* box;
    } cases[] = {
        {"huge.png", "New Scene: Image could not be imported as the first Scene layer."},
        {"bad.uvtt", "New UVTT Scene: UVTT embedded image is not PNG. WebP support is deferred."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        // The failure's box runs for real: the name field behind it still
        // names the block held before.
        std::string nameBehindBox;
        TS::pushAnswer(SC_SCENE);
        TS::pushScript([](int d) {
            load(d);
            TS::clickWidget(d, ID_OK);
        });
        TS::pushFileAnswer(true, path(c.file).c_str());
        TS::pushScript([&](int) {
            nameBehindBox = name->getText().c_str();
            TS::key(SDLK_RETURN);
        });
        click(SW_IMPORT);
        EXPECT_EQ(boxTexts().back(), c.box);
        EXPECT_EQ(nameBehindBox, "level.tmx");
        EXPECT_EQ(std::string(list->getSelectedText()), "level.tmx");
        EXPECT_EQ(std::string(name->getText()), "level.tmx");
        EXPECT_EQ(std::string(text->getText()), shown);
        EXPECT_TRUE(enabled(SW_TEXT));
        ASSERT_NE(shownScene(), nullptr);
        EXPECT_EQ(editortest::listItems(layers), (std::vector<std::string>{"Ground", "Layer 2", "Things"}));
        EXPECT_FALSE(tab->isDirty());
    }
    EXPECT_EQ(stored("huge.tmx"), "<missing>");
    EXPECT_EQ(stored("bad.tmx"), "<missing>");
}

TEST_F(SceneImportDialogTest, ANewSceneLeavesTheRenderBoxAsThePreviewIs)
{
    openLevel();
    makeTab();
    writeText("huge.png", kHugePNGHeader);
    writeText("town.tmx", scenetest::levelMap());
    writeText("tiles.tsx", scenetest::kTileSet);
    writePNG("tiles.png", 32, 16);
    // A failed picture, a picture, a Tiled map: each imported while a map is previewed.
    const struct {
        const char* file;
        std::vector<int> then;
        const char* lastBox;
    } cases[] = {{"huge.png", {MBB_OK}, "New Scene: Image could not be imported as the first Scene layer."},
                 {"one.gif", {MBB_OK}, "New Scene: Scene was created."},
                 {"town.tmx", {}, "Select Scene source: "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(choose("tiles.tsx"), 0); // a selection unticks Render
        ASSERT_EQ(choose("level.tmx"), 0);
        click(SW_RENDER);
        ASSERT_TRUE(tab->previewOn());
        importScene(
            [](int d) {
                load(d);
                TS::clickWidget(d, ID_OK);
            },
            c.file, c.then);
        EXPECT_EQ(TS::pendingAnswers(), 0u);
        EXPECT_EQ(boxTexts().back(), c.lastBox);
        EXPECT_EQ(checked(SW_RENDER), tab->previewOn());
    }
}

TEST_F(SceneImportDialogTest, CaptionsAndAUniversalVTTErrorShowWholeInsideTheDialog)
{
    openArchive({});
    makeTab();
    writeText("wrong.dd2vtt", "{\"format\": 0.3, \"resolution\": {\"map_origin\": {\"x\": 0, \"y\": 0}, "
                              "\"map_size\": {\"x\": \"two\", \"y\": 1}, \"pixels_per_grid\": 100}}");
    std::vector<std::string> faults{"not shown"};
    int padGap = 0;
    std::string error;
    importScene(
        [&](int d) {
            Panel& dialog = *dialogPanel(d);
            const Widget& pad = *dialog.getWidgetByID(kPad);
            padGap = dialog.getWidgetByID(kPad + 1)->getRect().x -
                     (pad.getRect().x + editortest::captionfit::kCheckBox +
                      editortest::captionfit::textWidth(pad, static_cast<const WidgetText&>(pad).getText()));
            load(d);
            faults = editortest::captionFaults(dialog);
            // Read as one text: the second line's indent is one blank.
            for (const char c : labelText(d, kUVTTMeta) + labelText(d, kUVTTMeta + 9))
                if (c != ' ' || error.empty() || error.back() != ' ')
                    error += c;
            TS::clickWidget(d, ID_CANCEL);
        },
        "wrong.dd2vtt", {});
    EXPECT_GE(padGap, 4) << "\"Pad\" clear of the padding colours";
    EXPECT_EQ(faults, std::vector<std::string>{});
    EXPECT_EQ(error, "UVTT resolution must contain a finite map_origin, positive whole map_size, and positive whole "
                     "pixels_per_grid.");
}

} // namespace
