#include "app/AppFixture.h"
#include "tabs/base/BasePanel.h"

#include <Zelkoran/Types.h>

#include <SDL.h>

namespace {

namespace TS = editortest::TS;

void pushGuiEvent(int code, int widgetId, int value)
{
    SDL_Event e{};
    e.type = Zelkoran::kGUIEventType;
    e.user.code = code;
    e.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(widgetId));
    e.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(value));
    SDL_PushEvent(&e);
}

class MainLoopTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_EQ(start(), 0);
        openArchive(kMixedBlocks);
        ASSERT_FALSE(app.runPass());
    }
};


TEST_F(MainLoopTest, ClosingTheWindowStandsAgainstLaterEventsOfThePass)
{
    TS::quit();
    pushGuiEvent(Zelkoran::GE_ACTION, BW_LIST, 1);
    pushGuiEvent(Zelkoran::GE_SCROLLED, BW_LIST, 0);
    EXPECT_TRUE(app.runPass());
}

TEST_F(MainLoopTest, QuitsOnQOnlyWhileNoTextFieldHasTheFocus)
{
    Zelkoran::Panel* images = tabPanel("Images");
    ASSERT_NE(images, nullptr);
    ASSERT_TRUE(TS::clickWidget(images->getID(), BW_NAME));
    EXPECT_FALSE(app.runPass());
    ASSERT_TRUE(Zelkoran::Main::instance()->guiMgr()->hasTextFocus());

    TS::key(SDLK_q);
    TS::typeText("q");
    EXPECT_FALSE(app.runPass());
    EXPECT_STREQ(images->getTextEdit(BW_NAME)->getText().c_str(), "q");

    ASSERT_TRUE(TS::clickWidget(images->getID(), BW_LIST));
    EXPECT_FALSE(app.runPass());
    ASSERT_FALSE(Zelkoran::Main::instance()->guiMgr()->hasTextFocus());
    TS::key(SDLK_q);
    EXPECT_TRUE(app.runPass());
}

} // namespace
