// The editor driven as a user drives it: started with an archive, tabs
// switched by clicking their check boxes, the window closed.
#include "app/AppFixture.h"

#include <Zelkoran/Screen.h>

#include <SDL.h>

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
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), 220);
    EXPECT_STREQ(tabBox(220)->getText(), "Images(2)");
    EXPECT_EQ(listItems(tabPanel("Images")->getList(105)), (std::vector<std::string>{"hero", "map"}));

    ASSERT_TRUE(clickTab(222));
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), 222);
    EXPECT_TRUE(tabPanel("Tiles")->isShown());
    EXPECT_FALSE(tabPanel("Images")->isShown());
    EXPECT_TRUE(tabBox(222)->isChecked());
    EXPECT_FALSE(tabBox(220)->isChecked());
    EXPECT_EQ(listItems(tabPanel("Tiles")->getList(105)), (std::vector<std::string>{"tiles"}));

    // A click on the active tab's box keeps it ticked and active.
    ASSERT_TRUE(clickTab(222));
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), 222);
    EXPECT_TRUE(tabBox(222)->isChecked());

    ASSERT_TRUE(clickTab(232));
    EXPECT_EQ(listItems(tabPanel("Scenes")->getList(105)), (std::vector<std::string>{"level.tmx"}));
    ASSERT_TRUE(clickTab(229));
    EXPECT_TRUE(tabPanel("Undelete")->isShown());

    // Choosing a block puts its name into the name field.
    ASSERT_TRUE(clickTab(220));
    Zelkoran::Panel* images = tabPanel("Images");
    const SDL_Rect list = images->getList(105)->getRect();
    TS::click(list.x + 20, list.y + images->getList(105)->getRowHeight() / 2 + 2);
    app.runPass();
    EXPECT_STREQ(images->getList(105)->getSelectedText(), "hero");
    EXPECT_STREQ(images->getTextEdit(112)->getText().c_str(), "hero");

    TS::quit();
    EXPECT_EQ(app.run(), 0);
    app.shutdown();

    const std::string log = logText();
    EXPECT_EQ(log.rfind("Skarden v0.19.0", 0), 0u) << log;
    EXPECT_NE(log.find(" [Skarden] Resolution set to 1400x1000."), std::string::npos) << log;
    EXPECT_EQ(log.find("Critical"), std::string::npos) << log;
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
