// Message boxes and modal panel runs: results, keys, time-outs, nesting,
// quit requests and the rule that a run's GUI events stay inside it.
#include "engine/gui/GuiTestSupport.h"

namespace guitest {
namespace {

class Modal : public GuiTest {
protected:
    Tool* tool() { return main->tool(); }

    // A small dialog panel with OK (1, Enter), Cancel (2, Escape) and a
    // button 4 that has a reaction of its own.
    int makeDialog()
    {
        const int id = gui->create("Dialog", 0x42000000);
        Panel* p = gui->getPanel(id);
        p->baseWidget()->setSize(300, 150);
        p->baseWidget()->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
        p->setPanelType(PT_MODAL, 0);
        WidgetButton* ok = p->createButton("OK", 1);
        ok->setKey(SDLK_RETURN);
        ok->setPosition(Position(-60, PH_CENTER), Position(-10, PH_BOTTOM));
        WidgetButton* cancel = p->createButton("Cancel", 2);
        cancel->setKey(SDLK_ESCAPE);
        cancel->setPosition(Position(60, PH_CENTER), Position(-10, PH_BOTTOM));
        WidgetButton* load = p->createButton("Load", 4);
        load->setPosition(Position(0, PH_CENTER), Position(20, PH_TOP));
        return id;
    }
};

TEST_F(Modal, PlainBoxesAnswerWithTheirButtons)
{
    TS::pushScript([](int box) { TS::clickWidget(box, MBB_OK); });
    EXPECT_EQ(tool()->messageBox("Title", "Saved.", MBB_OK, MBT_INFORMATION, 0, -1, -1), MBB_OK);
    TS::pushScript([](int box) { TS::clickWidget(box, MBB_NO); });
    EXPECT_EQ(tool()->messageBox("Delete", "Really?", MBB_YESNO, MBT_QUESTION, 0, -1, -1), MBB_NO);
    TS::pushScript([](int) { TS::key(SDLK_RETURN); });
    EXPECT_EQ(tool()->messageBox("Delete", "Really?", MBB_YESNO, MBT_QUESTION, 0, -1, -1), MBB_YES);
    TS::pushScript([](int) { TS::key(SDLK_ESCAPE); });
    EXPECT_EQ(tool()->messageBox("Delete", "Really?", MBB_YESNO, MBT_QUESTION, 0, -1, -1), MBB_NO);
    ASSERT_EQ(TS::modalLog().size(), 4u);
    EXPECT_EQ(TS::modalLog()[1].text, "Really?");
    EXPECT_EQ(TS::modalLog()[1].buttons, MBB_YESNO);
    // The box is gone afterwards and its events did not leak.
    EXPECT_EQ(gui->getPanelIDs().size(), 1u);
    EXPECT_TRUE(run().empty());
}

// The editor keeps no dialog texts: only while a test keeps the log is a
// box recorded, and turning the log off drops what it held.
TEST_F(Modal, BoxesAreLoggedOnlyWhileATestKeepsTheLog)
{
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tool()->messageBox("Kept", "Logged.", MBB_OK, MBT_INFORMATION, 0, -1, -1), MBB_OK);
    ASSERT_EQ(TS::modalLog().size(), 1u);
    TS::keepModalLog(false);
    EXPECT_TRUE(TS::modalLog().empty());
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tool()->messageBox("Secret", "Not logged.", MBB_OK, MBT_INFORMATION, 0, -1, -1), MBB_OK);
    TS::keepModalLog(true);
    EXPECT_TRUE(TS::modalLog().empty());
}

TEST_F(Modal, KeysAnswerTheBoxEvenWhenAButtonBelowHadTheFocus)
{
    WidgetButton* below = panel->createButton("Below", 7);
    below->setPosition(Position(5), Position(5));
    int presses = 0;
    below->setOnPressed([&](Widget&) { ++presses; });
    for (const auto& [key, answer] : {std::pair{SDLK_RETURN, MBB_YES}, std::pair{SDLK_ESCAPE, MBB_NO}}) {
        TS::clickWidget(panel->getID(), 7);
        run();
        ASSERT_EQ(gui->getFocus(), below);
        TS::pushScript([pressed = key](int) { TS::key(pressed); });
        EXPECT_EQ(tool()->messageBox("Delete", "Really?", MBB_YESNO, MBT_QUESTION, 0, -1, -1), answer) << key;
        EXPECT_EQ(gui->getFocus(), below) << "the focus comes back after the run";
    }
    EXPECT_EQ(presses, 2) << "only the clicks pressed the button below";
}

TEST_F(Modal, TimedBoxesCloseThemselves)
{
    const uint64_t start = main->timer()->getTicks();
    EXPECT_EQ(tool()->messageBox("Saved", "Image saved.", MBB_NONE, MBT_INFORMATION, 300, -1, -1), 0);
    const uint64_t took = main->timer()->getTicks() - start;
    EXPECT_GE(took, 300u);
    EXPECT_EQ(gui->getPanelIDs().size(), 1u);
}

TEST_F(Modal, ScriptedAnswersReturnWithoutRunning)
{
    TS::pushAnswer(MBB_YES);
    TS::pushAnswer(8);
    EXPECT_EQ(tool()->messageBox("Q", "?", MBB_YESNO, MBT_QUESTION, 0, -1, -1), MBB_YES);
    EXPECT_EQ(tool()->messageBox("Tools", "", 0, 0, 0, makeDialog(), 0), 8);
    EXPECT_EQ(TS::pendingAnswers(), 0u);
    EXPECT_EQ(TS::modalLog().back().panelId, gui->getPanelIDs().back());
}

TEST_F(Modal, PanelRunEndsWithTheButtonIdButNotForButtonsWithReactions)
{
    const int dlg = makeDialog();
    int loads = 0;
    gui->getPanel(dlg)->getButton(4)->setOnPressed([&](Widget&) { ++loads; });
    WidgetButton* outside = panel->createButton("Outside", 1);
    outside->setPosition(Position(5), Position(5));
    TS::pushScript([](int id) {
        TS::clickWidget(id, 4);
        TS::click(10, 10); // a panel under the run takes no input
        TS::clickWidget(id, 1);
    });
    EXPECT_EQ(tool()->messageBox("Key", "", 0, 0, 0, dlg, 0), 1);
    EXPECT_EQ(loads, 1);
    EXPECT_FALSE(gui->getPanel(dlg)->isShown()) << "a hidden panel is hidden again after its run";
    EXPECT_STREQ(gui->getPanel(dlg)->getTitle(), "Key");
    // Nothing of the run reaches the main loop: ids 1 and 4 would reach the active tab.
    EXPECT_TRUE(run().empty());
    TS::pushScript([](int) { TS::key(SDLK_ESCAPE); });
    EXPECT_EQ(tool()->messageBox("", "", 0, 0, 0, dlg, 0), 2);
}

TEST_F(Modal, NestedRunsReturnToTheirCallers)
{
    const int outer = makeDialog();
    const int inner = makeDialog();
    int innerResult = -1;
    gui->getPanel(outer)->getButton(4)->setOnPressed([&](Widget&) {
        TS::pushScript([](int id) { TS::clickWidget(id, 2); });
        innerResult = main->tool()->messageBox("Picker", "", 0, 0, 0, inner, 0);
        // Back in the outer run, whose buttons work again.
        TS::clickWidget(outer, 1);
    });
    TS::pushScript([](int id) { TS::clickWidget(id, 4); });
    EXPECT_EQ(tool()->messageBox("Outer", "", 0, 0, 0, outer, 0), 1);
    EXPECT_EQ(innerResult, 2);
    EXPECT_TRUE(run().empty());
}

TEST_F(Modal, QuitDuringARunReturnsTwoAndReachesTheMainLoop)
{
    const int outer = makeDialog();
    gui->getPanel(outer)->getButton(4)->setOnPressed([&](Widget&) {
        TS::pushScript([](int) { TS::quit(); });
        EXPECT_EQ(main->tool()->messageBox("Q", "?", MBB_YESNO, MBT_QUESTION, 0, -1, -1), 2);
    });
    TS::pushScript([](int id) { TS::clickWidget(id, 4); });
    EXPECT_EQ(tool()->messageBox("Outer", "", 0, 0, 0, outer, 0), 2);
    const Vector<SDL_Event> after = TS::pump();
    int quits = 0;
    for (const SDL_Event& e : after)
        quits += e.type == SDL_QUIT;
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(guiEvents(after).empty());
}

TEST_F(Modal, ClosingThePanelOfARunEndsIt)
{
    const int dlg = makeDialog();
    gui->getPanel(dlg)->getButton(4)->setOnPressed([&](Widget&) { gui->close(dlg); });
    TS::pushScript([](int id) { TS::clickWidget(id, 4); });
    EXPECT_EQ(tool()->messageBox("", "", 0, 0, 0, dlg, 0), 2);
    EXPECT_EQ(gui->getPanel(dlg), nullptr);
}

} // namespace
} // namespace guitest
