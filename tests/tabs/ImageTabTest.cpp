// The image tab driven as the menu drives it: images imported from files,
// saved into and loaded from the archive, exported, zoomed and panned.
#include "tabs/ProtocolTab.h"
#include "tabs/base/BasePanel.h"

#include "tabs/images/ctrlImages.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Image.h>

#include <SDL_events.h>
#include <SDL_surface.h>

#include <cstdio>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

class ImageTabTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        TS::clearAnswers();
        TS::clearModalLog();
        TS::setModalWatchdog(3000);
        openArchive({});
        tab.reset(new (std::nothrow) CtrlImages(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        p = editortest::panel(Main::instance()->guiMgr()->getPanelIDs().back());
    }

    void TearDown() override
    {
        EXPECT_EQ(TS::pendingAnswers(), 0u);
        TS::clearAnswers();
        tab.reset();
        TabTest::TearDown();
    }

    // A w x h PNG file in the scratch folder; alpha false gives a surface
    // without alpha channel.
    std::string pngFile(const char* file, int w, int h)
    {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(surface, nullptr, SDL_MapRGBA(surface->format, 10, 200, 30, 255));
        const int id = Main::instance()->imageMgr()->loadFromSurface(surface, "source");
        SDL_FreeSurface(surface);
        const std::string path = folder.path(file);
        EXPECT_TRUE(Main::instance()->imageMgr()->get(id)->saveToPNG(path.c_str()));
        Main::instance()->imageMgr()->close(id);
        return path;
    }

    int import(const std::string& path)
    {
        TS::pushFileAnswer(true, path.c_str());
        return tab->processEvent(CtrlImages::IW_IMPORT, 0);
    }

    std::vector<std::string> boxes()
    {
        std::vector<std::string> texts;
        for (const auto& record : TS::modalLog())
            if (!record.text.empty()) // file dialogs have no text
                texts.emplace_back(std::string(record.title.c_str()) + " / " + record.text.c_str());
        TS::clearModalLog();
        return texts;
    }

    std::string label(int id) { return p->getLabel(id)->getText(); }
    bool enabled(int id) { return p->getWidgetByID(id)->isEnabled(); }

    std::unique_ptr<CtrlImages> tab;
    Panel* p = nullptr;
};

TEST_F(ImageTabTest, StartsWithoutImageAndEverythingDisabled)
{
    EXPECT_EQ(label(CtrlImages::IW_RESOLUTION), "No image");
    EXPECT_EQ(label(CtrlImages::IW_ZOOM_LABEL), "Zoom: 1.00");
    EXPECT_TRUE(p->getCheckBox(CtrlImages::IW_BG_BLOCKY)->isChecked());
    EXPECT_EQ(tab->processEvent(CtrlImages::IW_ZOOM_IN, 0), 4);
    EXPECT_EQ(tab->zoom(), 1.25f); // the buttons zoom; only the widgets say there is nothing
    for (int id : std::initializer_list<int>{BW_SAVE, CtrlImages::IW_EXPORT, CtrlImages::IW_ZOOM_IN, CtrlImages::IW_ZOOM_OUT,
                   CtrlImages::IW_BG_BLOCKY, CtrlImages::IW_BG_WHITE, CtrlImages::IW_BG_BLACK, CtrlImages::IW_ALPHA,
                   CtrlImages::IW_KEY_USE, CtrlImages::IW_KEY_EDIT, CtrlImages::IW_MOD_EDIT})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_EQ(tab->processEvent(BW_NEW, 0), 4);
    EXPECT_EQ(tab->zoom(), 1.0f);
}

TEST_F(ImageTabTest, ImportPlacesZoomsAndSavesTheImage)
{
    const std::string path = pngFile("wide.png", 100, 50);
    EXPECT_EQ(import(path), 0);
    EXPECT_TRUE(tab->isDirty());
    EXPECT_EQ(label(CtrlImages::IW_RESOLUTION), "100x50 32bits");
    for (int id : {CtrlImages::IW_EXPORT, CtrlImages::IW_ZOOM_IN, CtrlImages::IW_ZOOM_OUT, CtrlImages::IW_BG_BLOCKY,
                   CtrlImages::IW_ALPHA, CtrlImages::IW_MOD_EDIT})
        EXPECT_TRUE(enabled(id)) << id;
    // ARGB pixels have an alpha channel: no colour key.
    EXPECT_FALSE(enabled(CtrlImages::IW_KEY_USE));
    EXPECT_FALSE(p->getCheckBox(CtrlImages::IW_KEY_USE)->isChecked());

    EXPECT_EQ(tab->processEvent(CtrlImages::IW_ZOOM_IN, 0), 0);
    EXPECT_EQ(tab->processEvent(CtrlImages::IW_ZOOM_IN, 0), 0);
    EXPECT_EQ(tab->processEvent(CtrlImages::IW_ZOOM_IN, 0), 0);
    EXPECT_EQ(tab->processEvent(CtrlImages::IW_ZOOM_IN, 0), 0);
    const SDL_FRect r = tab->imageRect();
    EXPECT_EQ((std::vector<float>{r.x, r.y, r.w, r.h}), (std::vector<float>{700, 470, 200, 100}));
    for (int i = 0; i < 12; ++i)
        tab->processEvent(CtrlImages::IW_ZOOM_IN, 0);
    EXPECT_EQ(tab->zoom(), 4.0f);
    EXPECT_EQ(label(CtrlImages::IW_ZOOM_LABEL), "Zoom: 4.00");
    for (int i = 0; i < 20; ++i)
        tab->processEvent(CtrlImages::IW_ZOOM_OUT, 0);
    EXPECT_EQ(tab->zoom(), 0.25f);
    EXPECT_EQ(label(CtrlImages::IW_ZOOM_LABEL), "Zoom: 0.25");

    // The colour settings shown are applied to the image by every event.
    p->getTextEdit(CtrlImages::IW_MOD_EDIT)->setText("#804020");
    p->getNumberEdit(CtrlImages::IW_ALPHA)->setText("");
    tab->processEvent(CtrlImages::IW_MOD_EDIT, 0);
    Image* img = Main::instance()->imageMgr()->get(tab->imageID());
    uint8_t r8 = 0, g8 = 0, b8 = 0;
    img->getColorMod(r8, g8, b8);
    EXPECT_EQ((std::vector<int>{r8, g8, b8, img->getAlphaMod()}), (std::vector<int>{0x80, 0x40, 0x20, 255}));
    p->getTextEdit(CtrlImages::IW_MOD_EDIT)->setText("#zz");
    p->getNumberEdit(CtrlImages::IW_ALPHA)->setValue(90);
    tab->processEvent(CtrlImages::IW_ALPHA, 0);
    img->getColorMod(r8, g8, b8);
    EXPECT_EQ((std::vector<int>{r8, g8, b8, img->getAlphaMod()}), (std::vector<int>{0x80, 0x40, 0x20, 90}));

    p->getTextEdit(BW_NAME)->setText("logo");
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Image: save to QEL / Image saved."}));
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(editortest::listItems(p->getList(BW_LIST)), (std::vector<std::string>{"logo"}));
    EXPECT_EQ(p->getList(BW_LIST)->getSelectedIndex(), 1);

    // Back from another tab: the block with its settings.
    tab->onDeactivate();
    EXPECT_EQ(tab->imageID(), 0);
    tab->onActivate();
    ASSERT_GT(tab->imageID(), 0);
    EXPECT_EQ(tab->zoom(), 0.25f);
    EXPECT_EQ(p->getTextEdit(CtrlImages::IW_MOD_EDIT)->getText(), "#804020");
    EXPECT_EQ(p->getNumberEdit(CtrlImages::IW_ALPHA)->getValue(), 90);
}

TEST_F(ImageTabTest, AnImageWithoutAlphaOffersTheKeyAndAKeyNotShownIsKept)
{
    // A 24-bit bitmap has no alpha channel: the key is offered and saved.
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 6, 3, 24, SDL_PIXELFORMAT_RGB24);
    SDL_FillRect(rgb, nullptr, SDL_MapRGB(rgb->format, 10, 200, 30));
    const std::string bmp = folder.path("opaque.bmp");
    ASSERT_EQ(SDL_SaveBMP(rgb, bmp.c_str()), 0);
    SDL_FreeSurface(rgb);
    ASSERT_EQ(import(bmp), 0);
    EXPECT_TRUE(enabled(CtrlImages::IW_KEY_USE));
    p->getCheckBox(CtrlImages::IW_KEY_USE)->setChecked(true);
    p->getTextEdit(CtrlImages::IW_KEY_EDIT)->setText("#0AC81E");
    tab->processEvent(CtrlImages::IW_KEY_EDIT, 0);
    p->getTextEdit(BW_NAME)->setText("keyed");
    TS::pushAnswer(0);
    ASSERT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    boxes();
    int16_t k[3];
    const int keyed = Main::instance()->imageMgr()->load(status->iArchiveID, "keyed");
    Main::instance()->imageMgr()->get(keyed)->getColorKey(k[0], k[1], k[2]);
    EXPECT_EQ((std::vector<int>{k[0], k[1], k[2]}), (std::vector<int>{10, 200, 30}));
    Main::instance()->imageMgr()->close(keyed);

    // A block with alpha and a key (the tab cannot show it) keeps the key
    // through selection, events and a save.
    const int alpha = Main::instance()->imageMgr()->loadFromFile(pngFile("alpha.png", 4, 4).c_str(), "brought");
    Image* brought = Main::instance()->imageMgr()->get(alpha);
    brought->setColorKey(1, 2, 3);
    ASSERT_EQ(brought->save(status->iArchiveID, ""), 0);
    Main::instance()->imageMgr()->close(alpha);
    tab->parseQEL();
    ASSERT_EQ(tab->selectBlockListItemByName("brought"), 1);
    ASSERT_EQ(tab->processEvent(BW_LIST, 1), 0);
    EXPECT_FALSE(enabled(CtrlImages::IW_KEY_USE));
    tab->processEvent(CtrlImages::IW_MOD_EDIT, 0);
    TS::pushAnswer(0);
    ASSERT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    boxes();
    const int back = Main::instance()->imageMgr()->load(status->iArchiveID, "brought");
    Main::instance()->imageMgr()->get(back)->getColorKey(k[0], k[1], k[2]);
    EXPECT_EQ((std::vector<int>{k[0], k[1], k[2]}), (std::vector<int>{1, 2, 3}));
    Main::instance()->imageMgr()->close(back);
}

TEST_F(ImageTabTest, ExportWritesOnePngBesideTheArchive)
{
    ASSERT_EQ(import(pngFile("in.png", 8, 4)), 0);
    p->getTextEdit(BW_NAME)->setText("logo");
    TS::pushAnswer(MBB_OK);
    tab->processEvent(CtrlImages::IW_EXPORT, 0);
    p->getTextEdit(BW_NAME)->setText("logo.png");
    TS::pushAnswer(MBB_YES); // overwrite
    TS::pushAnswer(MBB_OK);
    tab->processEvent(CtrlImages::IW_EXPORT, 0);
    const std::string written = folder.path("logo.png");
    const std::vector<std::string> expected{"Image export / Image exported to \"" + written + "\": Ok",
                                            "Export file / The file \"logo.png\" already exists.\nDo you want to overwrite it?",
                                            "Image export / Image exported to \"" + written + "\": Ok"};
    EXPECT_EQ(boxes(), expected);
    const int id = Main::instance()->imageMgr()->loadFromFile(written.c_str(), "");
    ASSERT_GT(id, 0);
    EXPECT_EQ(Main::instance()->imageMgr()->get(id)->getWidth(), 8);
    Main::instance()->imageMgr()->close(id);

    p->getTextEdit(BW_NAME)->setText("");
    TS::pushAnswer(0);
    tab->processEvent(CtrlImages::IW_EXPORT, 0);
    EXPECT_EQ(boxes(), (std::vector<std::string>{
                           "Image export / Could not export the image.\nAn image name is required."}));
}

TEST_F(ImageTabTest, CancelledOrFailedImportKeepsThePreviousImage)
{
    ASSERT_EQ(import(pngFile("in.png", 8, 4)), 0);
    const int shown = tab->imageID();
    TS::pushFileAnswer(false, "");
    EXPECT_EQ(tab->processEvent(CtrlImages::IW_IMPORT, 0), -1);
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(import(folder.path("missing.png")), -1);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Image import / Image could not be imported."}));
    EXPECT_EQ(tab->imageID(), shown);
}

// A block that cannot be read must not leave the previous image behind
// under its name, or Save would write that image over it.
TEST_F(ImageTabTest, AnUnreadableBlockLeavesNothingToSaveOverIt)
{
    ASSERT_EQ(import(pngFile("in.png", 8, 4)), 0);
    p->getTextEdit(BW_NAME)->setText("good");
    TS::pushAnswer(0);
    ASSERT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    Archive::Block junk("junk", "ZK7_IMAGE");
    char bytes[] = "not an image";
    junk.data = bytes;
    junk.size = sizeof(bytes);
    ASSERT_EQ(archive()->blockAdd(junk), 0);
    tab->parseQEL();
    boxes();

    ASSERT_EQ(tab->selectBlockListItemByName("junk"), 1);
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tab->processEvent(BW_LIST, 2), -1);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Loading resource / Resource could not be loaded."}));
    EXPECT_EQ(tab->imageID(), 0);
    EXPECT_EQ(label(CtrlImages::IW_RESOLUTION), "No image");
    EXPECT_EQ(tab->processEvent(0, 0), 4);
    EXPECT_FALSE(enabled(BW_SAVE));

    ASSERT_EQ(tab->selectBlockListItemByName("good"), 1);
    EXPECT_EQ(tab->processEvent(BW_LIST, 1), 0);
    EXPECT_EQ(label(CtrlImages::IW_RESOLUTION), "8x4 32bits");
}

TEST_F(ImageTabTest, MouseDragsResetsAndWheelZoomsOnlyInThePreview)
{
    SDL_Event e{};
    auto press = [&](Uint32 type, int x, int y, int button) {
        e = SDL_Event{};
        e.type = type;
        e.button.x = x;
        e.button.y = y;
        e.button.button = static_cast<Uint8>(button);
        tab->handleMouseEvent(&e);
    };
    auto move = [&](int x, int y) {
        e = SDL_Event{};
        e.type = SDL_MOUSEMOTION;
        e.motion.x = x;
        e.motion.y = y;
        tab->handleMouseEvent(&e);
    };
    auto wheel = [&](int x, int y, int dy) {
        TS::mouseMove(x, y);
        TS::pump();
        e = SDL_Event{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.y = dy;
        tab->handleMouseEvent(&e);
    };

    press(SDL_MOUSEBUTTONDOWN, 500, 500, SDL_BUTTON_LEFT); // no image: no drag
    move(530, 490);
    EXPECT_EQ(tab->panX(), 0);

    ASSERT_EQ(import(pngFile("in.png", 100, 50)), 0);
    const SDL_FRect start = tab->imageRect();
    press(SDL_MOUSEBUTTONDOWN, 500, 500, SDL_BUTTON_LEFT);
    move(520, 495);
    move(530, 490);
    press(SDL_MOUSEBUTTONUP, 10, 10, SDL_BUTTON_LEFT);
    move(600, 600);
    EXPECT_EQ(tab->panX(), 30);
    EXPECT_EQ(tab->panY(), -10);
    EXPECT_EQ(tab->imageRect().x, start.x + 30);
    EXPECT_EQ(tab->imageRect().y, start.y - 10);

    wheel(100, 500, 1); // over the tab panel
    wheel(500, 20, 1);  // over the menu bar
    EXPECT_EQ(tab->zoom(), 1.0f);
    wheel(500, 500, 1);
    EXPECT_EQ(tab->zoom(), 1.25f);
    EXPECT_EQ(tab->panX(), 30); // zoom keeps the pan
    wheel(500, 500, -1);
    wheel(500, 500, -1);
    EXPECT_EQ(tab->zoom(), 0.75f);

    press(SDL_MOUSEBUTTONDOWN, 150, 500, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(tab->zoom(), 0.75f);
    press(SDL_MOUSEBUTTONDOWN, 500, 500, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(tab->zoom(), 1.0f);
    EXPECT_EQ(tab->panX(), 0);
    EXPECT_EQ(label(CtrlImages::IW_ZOOM_LABEL), "Zoom: 1.00");
}

TEST_F(ImageTabTest, BackgroundsAreOneRadioGroupAndDrawnInsideThePreview)
{
    ASSERT_EQ(import(pngFile("in.png", 100, 50)), 0);
    tab->processEvent(CtrlImages::IW_BG_BLACK, 0);
    EXPECT_EQ((std::vector<bool>{p->getCheckBox(CtrlImages::IW_BG_BLOCKY)->isChecked(),
                                 p->getCheckBox(CtrlImages::IW_BG_WHITE)->isChecked(),
                                 p->getCheckBox(CtrlImages::IW_BG_BLACK)->isChecked()}),
              (std::vector<bool>{false, false, true}));
    Screen* screen = Main::instance()->configMgr()->get(0);
    const SDL_Rect menuClip{0, 0, 50, 50};
    screen->setClipRect(&menuClip);
    tab->render(0);
    SDL_Rect clip{};
    ASSERT_TRUE(screen->getClipRect(clip)); // the caller's clip comes back
    EXPECT_EQ((std::vector<int>{clip.x, clip.y, clip.w, clip.h}), (std::vector<int>{0, 0, 50, 50}));
    screen->setClipRect(nullptr);
    screen->setRenderCallback([this](int value) { return tab->render(value); });
    SDL_Surface* frame = TS::captureFrame();
    ASSERT_NE(frame, nullptr);
    auto pixel = [&](int x, int y) {
        return static_cast<const Uint32*>(frame->pixels)[y * frame->pitch / 4 + x] & 0xFFFFFFu;
    };
    EXPECT_EQ(pixel(300, 800), 0x000000u);  // black background
    EXPECT_EQ(pixel(800, 520), 0x0AC81Eu);  // the image in the centre
    EXPECT_EQ(pixel(100, 30), 0x808080u);   // outside the preview
    SDL_FreeSurface(frame);
    screen->setRenderCallback(nullptr);
}

} // namespace
