// The editor driven as a user drives it: started with an archive, tabs
// switched by clicking their check boxes, the window closed.
#include "app/AppFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlXML.h"
#include "tabs/images/ctrlImages.h"
#include "tabs/scenes/SceneTabWidgets.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>
#include <SDL_image.h>

#include <fstream>

namespace {

namespace TS = editortest::TS;
using editortest::listItems;

class EndToEndTest : public AppTest {
protected:
    bool clickTab(int checkBoxId)
    {
        const bool found = TS::clickWidget(app.resources()->get(SR_MENU_PANEL), checkBoxId);
        app.runPass();
        return found;
    }
};

TEST_F(EndToEndTest, SwitchTabsByClickingThenCloseTheWindow)
{
    const std::string path = folder.path("game.qel");
    editortest::buildArchive(path, kMixedBlocks);
    ASSERT_EQ(start({path}), 0);
    ASSERT_FALSE(app.runPass());

    Zelkoran::Screen* screen = Zelkoran::Main::instance()->configMgr()->get(0);
    EXPECT_EQ(std::string(SDL_GetWindowTitle(screen->getWindow())), "Skarden v0.19.0 - " + path);
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), TAB_IMAGES);
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(2)");
    EXPECT_EQ(listItems(tabPanel("Images")->getList(BW_LIST)), (std::vector<std::string>{"hero", "map"}));

    ASSERT_TRUE(clickTab(TAB_TILES));
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), TAB_TILES);
    EXPECT_TRUE(tabPanel("Tiles")->isShown());
    EXPECT_FALSE(tabPanel("Images")->isShown());
    EXPECT_TRUE(tabBox(TAB_TILES)->isChecked());
    EXPECT_FALSE(tabBox(TAB_IMAGES)->isChecked());
    EXPECT_EQ(listItems(tabPanel("Tiles")->getList(BW_LIST)), (std::vector<std::string>{"tiles"}));

    // A click on the active tab's box keeps it ticked and active.
    ASSERT_TRUE(clickTab(TAB_TILES));
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), TAB_TILES);
    EXPECT_TRUE(tabBox(TAB_TILES)->isChecked());

    ASSERT_TRUE(clickTab(TAB_SCENES));
    EXPECT_EQ(listItems(tabPanel("Scenes")->getList(BW_LIST)), (std::vector<std::string>{"level.tmx"}));
    ASSERT_TRUE(clickTab(TAB_UNDELETE));
    EXPECT_TRUE(tabPanel("Undelete")->isShown());

    // Choosing a block puts its name into the name field.
    ASSERT_TRUE(clickTab(TAB_IMAGES));
    Zelkoran::Panel* images = tabPanel("Images");
    const SDL_Rect list = images->getList(BW_LIST)->getRect();
    TS::click(list.x + 20, list.y + images->getList(BW_LIST)->getRowHeight() / 2 + 2);
    app.runPass();
    EXPECT_STREQ(images->getList(BW_LIST)->getSelectedText(), "hero");
    EXPECT_STREQ(images->getTextEdit(BW_NAME)->getText().c_str(), "hero");

    TS::quit();
    EXPECT_EQ(app.run(), 0);
    app.shutdown();

    const std::string log = logText();
    EXPECT_EQ(log.rfind("Skarden v0.19.0", 0), 0u) << log;
    EXPECT_NE(log.find(" [Skarden] Resolution set to 1400x1000."), std::string::npos) << log;
    EXPECT_EQ(log.find("Critical"), std::string::npos) << log;
}

TEST_F(EndToEndTest, ALongTypedNameStaysWholeAndEveryTabRefusesItOnSave)
{
    const std::string path = folder.path("game.qel");
    editortest::buildArchive(path, kMixedBlocks);
    const std::string png = folder.path("pixels.png"), text = folder.path("notes.xml");
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, 0xFF336699);
        ASSERT_EQ(IMG_SavePNG(s, png.c_str()), 0);
        SDL_FreeSurface(s);
        std::ofstream(text) << "<notes/>";
    }
    ASSERT_EQ(start({path}), 0);
    // 68 bytes: cut to 63 it would lose its extension and could be another block's name.
    const std::string typed = std::string(60, 'n') + "long.tsx";
    // Each tab first holds something Save can write: an imported file, a
    // new resource or a chosen block.
    const struct {
        int box;
        const char* panel;
        const char* kind;
        int readyWidget; // clicked with file answered first
        const std::string* file;
    } tabs[] = {{TAB_IMAGES, "Images", "Image", CtrlImages::IW_IMPORT, &png},
                {TAB_CURSORS, "Cursors", "Cursor", CtrlImages::IW_IMPORT, &png},
                {TAB_TILES, "Tiles", "Tile", CtrlImages::IW_IMPORT, &png},
                {TAB_SPRITES, "Sprites", "Sprite", CtrlImages::IW_IMPORT, &png},
                {TAB_EFFECTS, "Effects", "Particle", BW_NEW, nullptr},
                {TAB_XML, "XML", "XML", CtrlXML::XW_IMPORT, &text},
                {TAB_FILES, "Files", "File", CtrlFiles::FL_IMPORT, &text},
                {TAB_GUI, "GUI", "Panel", BW_NEW, nullptr},
                {TAB_SCENES, "Scenes", "TileMap", BW_LIST, nullptr}};
    for (const auto& t : tabs) {
        SCOPED_TRACE(t.panel);
        ASSERT_TRUE(clickTab(t.box));
        Zelkoran::Panel* panel = tabPanel(t.panel);
        ASSERT_NE(panel, nullptr);
        if (t.file)
            TS::pushFileAnswer(true, t.file->c_str());
        if (t.readyWidget == BW_LIST) { // the first row
            const SDL_Rect rows = panel->getList(BW_LIST)->getRect();
            TS::click(rows.x + 20, rows.y + panel->getList(BW_LIST)->getRowHeight() / 2 + 2);
        } else {
            TS::clickWidget(panel->getID(), t.readyWidget);
        }
        app.runPass();
        TS::clearAnswers();
        typeKeys(panel->getID(), BW_NAME, typed);
        ASSERT_TRUE(panel->getButton(BW_SAVE)->status() != 0) << "Save usable";
        TS::clearModalLog();
        TS::pushAnswer(0); // the timed warning
        ASSERT_TRUE(TS::clickWidget(panel->getID(), BW_SAVE));
        app.runPass();
        ASSERT_FALSE(TS::modalLog().empty());
        EXPECT_EQ(std::string(TS::modalLog().back().title.c_str()), std::string(t.kind) + ": save to QEL");
        EXPECT_EQ(std::string(TS::modalLog().back().text.c_str()),
                  "The name is longer than 63 bytes.\nQEL block names hold at most 63 bytes: shorten it.");
        EXPECT_EQ(std::string(panel->getTextEdit(BW_NAME)->getText().c_str()), typed);
    }
    const Zelkoran::Archive* archive = Zelkoran::Main::instance()->archiveMgr()->get(app.globalStatus()->iArchiveID);
    ASSERT_NE(archive, nullptr);
    EXPECT_LT(archive->blockSearch(Zelkoran::Archive::Block(typed.substr(0, 63).c_str(), "")), 0);
}

TEST_F(EndToEndTest, TheClickThatCommitsTextThatIsNoSceneStillSavesOrSwitches)
{
    const std::string path = folder.path("game.qel");
    editortest::buildArchive(path, {{"level.tmx", "ZK7_XML"}, {"other.tmx", "ZK7_XML"}});
    ASSERT_EQ(start({path}), 0);
    ASSERT_TRUE(clickTab(TAB_SCENES));
    Zelkoran::Panel* scenes = tabPanel("Scenes");
    const auto clickRow = [&](int row) {
        const SDL_Rect rows = scenes->getList(BW_LIST)->getRect();
        TS::click(rows.x + 20, rows.y + scenes->getList(BW_LIST)->getRowHeight() * row - 6);
        app.runPass();
    };
    const auto stored = [this](const char* name) {
        Zelkoran::Archive* archive = Zelkoran::Main::instance()->archiveMgr()->get(app.globalStatus()->iArchiveID);
        Zelkoran::Archive::Block block(name, "ZK7_XML");
        if (!archive || archive->blockSearch(block) < 0 || archive->blockLoad(block) != 0)
            return std::string("<missing>");
        std::string bytes(static_cast<const char*>(block.data), block.size);
        archive->blockFree(block);
        return bytes;
    };
    // The block chosen first, typed into, then the click lands on Save or on
    // the other block's row; the warning runs for real (closed with Escape).
    const struct {
        const char* target;
        int chosen;
        int clicked; // a row, or 0 for Save
        const char* block;
        const char* bytesAfter;
    } cases[] = {{"Save", 1, 0, "level.tmx", "<oops"}, {"row", 2, 1, "other.tmx", "other.tmx"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        TS::pushAnswer(Zelkoran::MBB_OK); // "The Scene could not be built; its text is shown."
        clickRow(c.chosen);
        typeKeys(scenes->getID(), SW_TEXT, "<oops", Commit::None);
        TS::clearModalLog();
        TS::pushScript([](int) { TS::key(SDLK_ESCAPE); });
        TS::pushAnswer(c.clicked ? Zelkoran::MBB_OK : 0); // the row's block unbuilt, or "TileMap saved."
        if (c.clicked)
            clickRow(c.clicked);
        else
            ASSERT_TRUE(TS::clickWidget(scenes->getID(), BW_SAVE));
        app.runPass();
        app.runPass();
        EXPECT_EQ(TS::pendingAnswers(), 0u);
        ASSERT_FALSE(TS::modalLog().empty());
        EXPECT_EQ(std::string(TS::modalLog()[0].text.c_str()), "XML was modified but could not be reloaded as a Scene.");
        EXPECT_EQ(std::string(scenes->getTextEdit(BW_NAME)->getText().c_str()), "level.tmx");
        EXPECT_EQ(stored(c.block), c.bytesAfter);
        TS::clearAnswers();
    }
}

// Pushes a quit request every 100 ms until removed (SDL timer thread).
Uint32 pushQuit(Uint32 interval, void*)
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    return interval;
}

TEST_F(EndToEndTest, TheProgramEndsWithZeroWhenTheWindowIsClosed)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
    const SDL_TimerID timer = SDL_AddTimer(100, pushQuit, nullptr);
    char name[] = "Skarden";
    char* argv[] = {name, nullptr};
    const int code = skardenMain(1, argv);
    SDL_RemoveTimer(timer);
    SDL_QuitSubSystem(SDL_INIT_TIMER);

    EXPECT_EQ(code, 0);
    EXPECT_EQ(Zelkoran::CMem::getStats(kSkardyMemoryModule).liveBytes, 0u);
    EXPECT_NE(logText().find(" [Skarden] Resolution set to 1400x1000."), std::string::npos);
}

} // namespace
