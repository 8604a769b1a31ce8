#include "app/AppFixture.h"
#include "app/Menu.h"
#include "support/ProbeTab.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>

#include <new>

namespace {

namespace TS = editortest::TS;
using editortest::listItems;
using Zelkoran::Main;
using Zelkoran::Widget;

struct TabRow {
    const char* name;
    int checkBoxId;
    int items; // in kMixedBlocks
};

constexpr TabRow kTabs[] = {
    {"Images", TAB_IMAGES, 2}, {"Cursors", TAB_CURSORS, 1}, {"Tiles", TAB_TILES, 1},
    {"Sprites", TAB_SPRITES, 1}, {"Fonts", TAB_FONTS, 1}, {"GUI", TAB_GUI, 1},
    {"Effects", TAB_EFFECTS, 1}, {"Audio", TAB_AUDIO, 1}, {"Videos", TAB_VIDEOS, 1},
    {"Scenes", TAB_SCENES, 1}, {"XML", TAB_XML, 0}, // level.tmx is a scene
    {"Files", TAB_FILES, 1}, {"Undelete", TAB_UNDELETE, 1}, // "old" is deleted
};

std::string label(const TabRow& tab, int count) { return std::string(tab.name) + "(" + std::to_string(count) + ")"; }

// A menu that takes test tabs. It needs resources of its own: its tabs'
// check box ids are taken on the editor's menu bar.
class MenuProbe : public Menu {
public:
    using Menu::adoptTab;
    using Menu::Menu;
};

class MenuTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_EQ(start(), 0);
        app.runPass();
    }
    bool usable(int buttonId) { return menuPanel()->getButton(buttonId)->status() != 0; }
    GlobalStatus& gs() { return *app.globalStatus(); }
};

TEST_F(MenuTest, TabsAreCreatedInMenuOrder)
{
    const auto& tabs = app.menu()->getCtrls();
    ASSERT_EQ(tabs.size(), std::size(kTabs));
    for (size_t i = 0; i < tabs.size(); ++i) {
        EXPECT_STREQ(tabs[i]->getName().c_str(), kTabs[i].name);
        EXPECT_EQ(tabs[i]->getCheckBoxID(), kTabs[i].checkBoxId);
        // The check boxes stand on the menu bar in the same order.
        EXPECT_EQ(tabBox(kTabs[i].checkBoxId)->getRect().x, 286 + 80 * static_cast<int>(i));
    }
}

TEST_F(MenuTest, WithoutArchiveOnlyNewLoadImportAndInformationAreUsable)
{
    for (int id : {Menu::MB_NEW, Menu::MB_LOAD, Menu::MB_IMPORT_XML, Menu::MB_INFO})
        EXPECT_TRUE(usable(id)) << id;
    for (int id : {Menu::MB_LOCK, Menu::MB_UNLOCK, Menu::MB_TOOLS, Menu::MB_CLOSE})
        EXPECT_FALSE(usable(id)) << id;
    EXPECT_TRUE(menuPanel()->getButton(Menu::MB_LOCK)->isShown());
    for (const TabRow& tab : kTabs) {
        EXPECT_FALSE(tabBox(tab.checkBoxId)->isEnabled()) << tab.name;
        EXPECT_FALSE(tabBox(tab.checkBoxId)->isChecked()) << tab.name;
        EXPECT_EQ(tabBox(tab.checkBoxId)->getText(), label(tab, 0));
        EXPECT_FALSE(tabPanel(tab.name)->isShown()) << tab.name;
    }
}

TEST_F(MenuTest, OpeningAnArchiveActivatesImagesAndCountsEveryTab)
{
    openArchive(kMixedBlocks);

    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), TAB_IMAGES);
    EXPECT_EQ(gs().bReparseAll, 0);
    for (const TabRow& tab : kTabs) {
        EXPECT_TRUE(tabBox(tab.checkBoxId)->isEnabled()) << tab.name;
        EXPECT_EQ(tabBox(tab.checkBoxId)->isChecked(), tab.checkBoxId == TAB_IMAGES) << tab.name;
        EXPECT_EQ(tabPanel(tab.name)->isShown(), tab.checkBoxId == TAB_IMAGES) << tab.name;
        EXPECT_EQ(tabBox(tab.checkBoxId)->getText(), label(tab, tab.items));
    }
    for (int id : {Menu::MB_NEW, Menu::MB_LOAD, Menu::MB_IMPORT_XML, Menu::MB_LOCK, Menu::MB_TOOLS, Menu::MB_CLOSE,
                   Menu::MB_INFO})
        EXPECT_TRUE(usable(id)) << id;
    EXPECT_FALSE(usable(Menu::MB_UNLOCK));
}

TEST_F(MenuTest, TheSecuredFlagChoosesBetweenLockAndUnlock)
{
    openArchive(kMixedBlocks);
    gs().bSecured = 1;
    app.menu()->update();
    EXPECT_FALSE(usable(Menu::MB_LOCK));
    EXPECT_TRUE(usable(Menu::MB_UNLOCK));
    EXPECT_TRUE(menuPanel()->getButton(Menu::MB_LOCK)->isShown());
    EXPECT_TRUE(menuPanel()->getButton(Menu::MB_UNLOCK)->isShown());

    gs().bSecured = 0;
    app.menu()->update();
    EXPECT_TRUE(usable(Menu::MB_LOCK));
    EXPECT_FALSE(usable(Menu::MB_UNLOCK));
}

TEST_F(MenuTest, ASaveInATabRelabelsEveryBoxAtTheNextUpdate)
{
    openArchive(kMixedBlocks);
    Zelkoran::Archive* archive = Main::instance()->archiveMgr()->get(gs().iArchiveID);
    Zelkoran::Archive::Block block("sky", "ZK7_IMAGE");
    block.data = const_cast<char*>("sky");
    block.size = 3;
    ASSERT_EQ(archive->blockAdd(block), 0);

    app.menu()->update();
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(2)");
    gs().bReparseAll = 1;
    app.menu()->update();
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(3)");
    EXPECT_STREQ(tabBox(TAB_CURSORS)->getText(), "Cursors(1)");
    EXPECT_EQ(gs().bReparseAll, 0);
    EXPECT_EQ(listItems(tabPanel("Images")->getList(BW_LIST)), (std::vector<std::string>{"hero", "map", "sky"}));
}

TEST_F(MenuTest, ClosingTheArchiveResetsEveryTab)
{
    openArchive(kMixedBlocks);
    ASSERT_EQ(app.menu()->processEvent(TAB_TILES, 1), 0);
    Zelkoran::Panel* tiles = tabPanel("Tiles");
    tiles->getList(BW_LIST)->setSelectedIndex(1);
    app.menu()->processEvent(BW_LIST, 1);
    ASSERT_STREQ(tiles->getTextEdit(BW_NAME)->getText().c_str(), "tiles");

    Main::instance()->archiveMgr()->close(gs().iArchiveID);
    gs().clear();
    app.menu()->update();

    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), 0);
    for (const TabRow& tab : kTabs) {
        EXPECT_FALSE(tabPanel(tab.name)->isShown()) << tab.name;
        EXPECT_EQ(tabPanel(tab.name)->getList(BW_LIST)->getItemCount(), 0) << tab.name;
        EXPECT_STREQ(tabPanel(tab.name)->getTextEdit(BW_NAME)->getText().c_str(), "") << tab.name;
        EXPECT_EQ(tabBox(tab.checkBoxId)->getText(), label(tab, 0));
        EXPECT_FALSE(tabBox(tab.checkBoxId)->isEnabled()) << tab.name;
    }
    for (int id : {Menu::MB_LOCK, Menu::MB_UNLOCK, Menu::MB_TOOLS, Menu::MB_CLOSE})
        EXPECT_FALSE(usable(id)) << id;
    const Zelkoran::Screen* screen = Main::instance()->configMgr()->get(0);
    EXPECT_STREQ(SDL_GetWindowTitle(screen->getWindow()), "Skarden v0.19.0");
}

TEST_F(MenuTest, ClickingTheActiveTabKeepsItTickedAndPassesTheEventOn)
{
    openArchive(kMixedBlocks);
    tabBox(TAB_IMAGES)->setChecked(false); // what the click itself did
    EXPECT_EQ(app.menu()->processEvent(TAB_IMAGES, 0), 0);
    EXPECT_TRUE(tabBox(TAB_IMAGES)->isChecked());
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), TAB_IMAGES);
    EXPECT_TRUE(tabPanel("Images")->isShown());
}

TEST_F(MenuTest, SwitchingDeactivatesTheOldTabBeforeActivatingTheNew)
{
    std::vector<std::string> journal;
    ResourceManager resources;
    ASSERT_EQ(resources.load(), 0);
    MenuProbe menu(app.globalStatus(), &resources);
    menu.adoptTab(new (std::nothrow) ProbeTab("A", 240, &resources, app.globalStatus(), &journal), "A");
    menu.adoptTab(new (std::nothrow) ProbeTab("B", 241, &resources, app.globalStatus(), &journal), "B");

    EXPECT_EQ(menu.processEvent(240, 1), 0);
    EXPECT_EQ(menu.processEvent(241, 1), 0);
    EXPECT_EQ(menu.processEvent(BW_LIST, 0), 0);
    // Menu buttons run their action and never reach the tab.
    TS::pushFileAnswer(false, nullptr);
    EXPECT_EQ(menu.processEvent(Menu::MB_NEW, 0), 0);

    const std::vector<std::string> expected = {"A:onActivate",   "A:processEvent 240", "A:onDeactivate",
                                               "B:onActivate",   "B:processEvent 241", "B:processEvent 105"};
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(menu.getActiveCheckBoxID(), 241);
    EXPECT_TRUE(menu.getCtrls().back()->getCheckBoxID() == 241);
}

TEST_F(MenuTest, NewLoadAndImportNeverPassTheirResultOn)
{
    // New, Load and Import fail: their file dialogs are cancelled.
    for (int id : {Menu::MB_NEW, Menu::MB_LOAD, Menu::MB_IMPORT_XML}) {
        TS::pushFileAnswer(false, nullptr);
        EXPECT_EQ(app.menu()->processEvent(id, 0), 0) << id;
    }
    EXPECT_EQ(TS::modalLog().size(), 3u);
}

TEST_F(MenuTest, WithoutActiveTabTheBackgroundIsCentredOnWhite)
{
    Zelkoran::Screen* screen = Main::instance()->configMgr()->get(0);
    ASSERT_EQ(screen->renderFrame(false), 0);
    SDL_Surface* frame = editortest::TS::captureFrame();
    ASSERT_NE(frame, nullptr);
    const Zelkoran::Image* bg = Main::instance()->imageMgr()->get(app.resources()->get(SR_BG_DEFAULT));
    ASSERT_NE(bg, nullptr);
    const int left = (1400 - bg->getWidth()) / 2;
    const int top = (1000 - bg->getHeight()) / 2;
    auto pixel = [](SDL_Surface* s, int x, int y) {
        return static_cast<const Uint32*>(s->pixels)[y * s->pitch / 4 + x] & 0xFFFFFF;
    };
    EXPECT_EQ(pixel(frame, left - 1, 500), 0xFFFFFFu);
    EXPECT_EQ(pixel(frame, left + bg->getWidth(), 500), 0xFFFFFFu);
    const int cx = bg->getWidth() / 2, cy = bg->getHeight() / 2;
    EXPECT_EQ(pixel(frame, left + cx, top + cy), pixel(bg->getSurface(), cx, cy));
    EXPECT_EQ(pixel(frame, left + 3, top + bg->getHeight() - 3), pixel(bg->getSurface(), 3, bg->getHeight() - 3));
    SDL_FreeSurface(frame);
    EXPECT_EQ(Menu::render(0, app.menu()), -1);

    openArchive(kMixedBlocks);
    EXPECT_EQ(Menu::render(0, app.menu()), 0);
}

TEST_F(MenuTest, WithoutTheMenuPanelEventsAreRefused)
{
    openArchive(kMixedBlocks);
    Main::instance()->guiMgr()->close(app.resources()->get(SR_MENU_PANEL));
    EXPECT_EQ(app.menu()->processEvent(TAB_IMAGES, 1), -1);
    EXPECT_EQ(app.menu()->updateCtrlPanels(1), -1);
    EXPECT_EQ(app.menu()->update(), 0);
}

TEST_F(MenuTest, CheckBoxLabels)
{
    EXPECT_STREQ(app.menu()->buildCheckBoxLabel("Images", 12).c_str(), "Images(12)");
    EXPECT_STREQ(app.menu()->buildCheckBoxLabel("Audio", -3).c_str(), "Audio(-3)");
    EXPECT_STREQ(app.menu()->buildCheckBoxLabel("", 0).c_str(), "(0)");
}

class MenuDeathTest : public AppTest {};

TEST_F(MenuDeathTest, ATabThatCannotBeAllocatedEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ASSERT_EQ(start(), 0);
            ResourceManager resources;
            ASSERT_EQ(resources.load(), 0);
            MenuProbe menu(app.globalStatus(), &resources);
            menu.adoptTab(nullptr, "Sprites");
        },
        ::testing::ExitedWithCode(1), "Could not allocate the Skardy tab: Sprites.");
}

TEST_F(MenuDeathTest, AMenuWithoutItsPanelEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            char name[] = "Skarden";
            char* argv[] = {name};
            GlobalStatus gs(1, argv);
            ResourceManager notLoaded;
            Menu menu(&gs, &notLoaded);
        },
        ::testing::ExitedWithCode(1), "Menu panel resource is not available.");
}

} // namespace
