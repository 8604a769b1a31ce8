// Buttons, check boxes, frames and images driven by injected mouse and key
// events: which widget takes a click, the reactions and GUI events that
// follow, hot keys and keyboard focus.
#include "engine/gui/GuiTestSupport.h"

namespace guitest {
namespace {

class WidgetInput : public GuiTest {};

TEST_F(WidgetInput, ButtonClickRunsReactionThenQueuesActionEvent)
{
    WidgetButton* b = panel->createButton("Go", 7);
    b->setText("Go");
    b->setPosition(Position(20), Position(20));
    int reactions = 0;
    b->setOnPressed([&](Widget& w) {
        EXPECT_EQ(w.getID(), 7);
        ++reactions;
    });
    ASSERT_TRUE(TS::clickWidget(panelId, 7));
    const Vector<SDL_Event> events = TS::pump();
    EXPECT_EQ(reactions, 1);
    EXPECT_EQ(guiEvents(events), (std::vector<GuiEvent>{{GE_ACTION, 7, 0}}));
    // Mouse events reach the caller even over the panel.
    EXPECT_TRUE(hasType(events, SDL_MOUSEBUTTONDOWN));
    EXPECT_TRUE(hasType(events, SDL_MOUSEBUTTONUP));
    EXPECT_TRUE(hasType(events, SDL_MOUSEMOTION));
}

TEST_F(WidgetInput, ReleaseOutsideTheButtonDoesNotPressIt)
{
    WidgetButton* b = panel->createButton("Go", 7);
    b->setPosition(Position(20), Position(20));
    int x = 0, y = 0;
    ASSERT_TRUE(TS::widgetCenter(panelId, 7, x, y));
    TS::mouseMove(x, y);
    TS::mouseDown(x, y);
    TS::mouseMove(x + 300, y + 200);
    TS::mouseUp(x + 300, y + 200);
    EXPECT_TRUE(run().empty());
}

TEST_F(WidgetInput, DisabledAndHiddenWidgetsTakeNoClicks)
{
    WidgetButton* b = panel->createButton("Go", 7);
    b->setPosition(Position(20), Position(20));
    b->disable();
    EXPECT_EQ(b->status(), 0);
    TS::clickWidget(panelId, 7);
    EXPECT_TRUE(run().empty());
    b->enable();
    b->hide();
    EXPECT_EQ(b->status(), 5);
    TS::clickWidget(panelId, 7);
    EXPECT_TRUE(run().empty());
    b->show();
    EXPECT_EQ(b->status(), 9);
    panel->baseWidget()->hide();
    TS::clickWidget(panelId, 7);
    EXPECT_TRUE(run().empty());
}

TEST_F(WidgetInput, OfTwoButtonsOnOnePlaceTheEnabledOneIsSeenAndClicked)
{
    WidgetButton* lock = panel->createButton("Lock", 203);
    WidgetButton* unlock = panel->createButton("Unlock", 204);
    for (WidgetButton* b : {lock, unlock}) {
        b->setSize(28, 28);
        b->setPosition(Position(126), Position(6));
    }
    lock->setBackgroundColor(255, 0, 0, WS_ALL);
    unlock->setBackgroundColor(0, 0, 255, WS_ALL);
    for (int enabled : {203, 204}) {
        (enabled == 203 ? lock : unlock)->enable();
        (enabled == 203 ? unlock : lock)->disable();
        TS::clickWidget(panelId, enabled);
        EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, enabled, 0}}));
        TS::mouseMove(500, 380); // away, so no hover colour
        run();
        SDL_Surface* frame = TS::captureFrame();
        ASSERT_NE(frame, nullptr);
        const SDL_Color c = pixel(frame, 126 + 14, 6 + 14);
        SDL_FreeSurface(frame);
        if (enabled == 203)
            EXPECT_TRUE(same(c, 255, 0, 0)) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        else
            EXPECT_TRUE(same(c, 0, 0, 255)) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    }
}

TEST_F(WidgetInput, FramesAndImagesTakeClicksOnlyWithTheEventsFeature)
{
    WidgetButton* save = panel->createButton("Save", 108);
    save->setSize(28, 28);
    save->setPosition(Position(100), Position(100));
    WidgetFrame* dirty = panel->createFrame("Dirty", 115);
    dirty->setSize(34, 34);
    dirty->setFilled(false);
    dirty->setPosition(Position(97), Position(97));
    TS::clickWidget(panelId, 108);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 108, 0}}));

    dirty->setFeatures(WF_EVENTS, true);
    int pressed = 0;
    dirty->setOnPressed([&](Widget&) { ++pressed; });
    TS::clickWidget(panelId, 108);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 115, 0}}));
    EXPECT_EQ(pressed, 1);

    WidgetImage* icon = panel->createImage("Icon", 120);
    icon->setSize(20, 20);
    icon->setPosition(Position(300), Position(300));
    TS::clickWidget(panelId, 120);
    EXPECT_TRUE(run().empty());
    icon->setFeatures(WF_EVENTS, true);
    TS::clickWidget(panelId, 120);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 120, 0}}));
}

TEST_F(WidgetInput, CheckBoxesToggleAndGroupsAreExclusive)
{
    WidgetCheckBox* box = panel->createCheckBox("Grid", 30);
    box->setText("Grid");
    box->setPosition(Position(10), Position(10));
    int toggles = 0;
    box->setOnToggled([&](Widget&) { ++toggles; });
    TS::clickWidget(panelId, 30);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 30, 1}}));
    EXPECT_TRUE(box->isChecked());
    TS::clickWidget(panelId, 30);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 30, 0}}));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(toggles, 2);

    WidgetCheckBox* a = panel->createCheckBox("A", 31);
    WidgetCheckBox* b = panel->createCheckBox("B", 32);
    a->setPosition(Position(10), Position(40));
    b->setPosition(Position(10), Position(70));
    a->setGroup(5);
    b->setGroup(5);
    a->setChecked(true);
    TS::clickWidget(panelId, 32);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 32, 1}}));
    EXPECT_TRUE(b->isChecked());
    EXPECT_FALSE(a->isChecked());
    // A chosen box of a group stays chosen when clicked again.
    TS::clickWidget(panelId, 32);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 32, 1}}));
    EXPECT_TRUE(b->isChecked());
}

TEST_F(WidgetInput, HotKeysPressButtonsButLettersNotWhileTyping)
{
    WidgetButton* ok = panel->createButton("OK", 1);
    ok->setKey(SDLK_RETURN);
    ok->setPosition(Position(10), Position(10));
    WidgetButton* cancel = panel->createButton("Cancel", 2);
    cancel->setKey(SDLK_ESCAPE);
    cancel->setPosition(Position(100), Position(10));
    WidgetButton* clear = panel->createButton("Clear", 3);
    clear->setKey('c');
    clear->setPosition(Position(200), Position(10));
    WidgetTextEdit* edit = panel->createTextEdit("Name", 4);
    edit->setPosition(Position(10), Position(60));

    TS::key('c');
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 3, 0}}));
    TS::key(SDLK_ESCAPE);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 2, 0}}));

    TS::clickWidget(panelId, 4);
    run();
    EXPECT_TRUE(gui->hasTextFocus());
    TS::keyDown('c');
    TS::typeText("c");
    const Vector<SDL_Event> typed = TS::pump();
    EXPECT_TRUE(hasType(typed, SDL_KEYDOWN)) << "key-down must still reach the caller";
    EXPECT_EQ(guiEvents(typed), (std::vector<GuiEvent>{{GE_VALUE_CHANGED, 4, 0}}));
    EXPECT_EQ(edit->getText(), "c");
    // Enter commits the one-line edit and still presses the Enter button.
    TS::key(SDLK_RETURN);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_COMMITTED, 4, 0}, {GE_ACTION, 1, 0}}));

    // Buttons of hidden panels do not answer their keys.
    panel->baseWidget()->hide();
    EXPECT_FALSE(gui->hasTextFocus());
    TS::key(SDLK_ESCAPE);
    EXPECT_TRUE(run().empty());
}

TEST_F(WidgetInput, TabMovesFocusThroughThePanelAndSpacePresses)
{
    WidgetTextEdit* first = panel->createTextEdit("First", 1);
    first->setPosition(Position(10), Position(10));
    WidgetLabel* label = panel->createLabel("Label", 2);
    label->setText("not focusable");
    label->setPosition(Position(10), Position(40));
    WidgetButton* button = panel->createButton("Button", 3);
    button->setPosition(Position(10), Position(70));
    WidgetTextEdit* last = panel->createTextEdit("Last", 4);
    last->setPosition(Position(10), Position(100));
    last->setFeatures(WF_FOCUS_LOST, true);

    TS::key(SDLK_TAB);
    run();
    EXPECT_EQ(gui->getFocus(), first);
    TS::key(SDLK_TAB);
    run();
    EXPECT_EQ(gui->getFocus(), button);
    TS::key(SDLK_SPACE);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 3, 0}}));
    TS::key(SDLK_TAB);
    run();
    EXPECT_EQ(gui->getFocus(), last);
    // Leaving an edit with the focus-lost feature raises code 8; Shift+Tab goes back.
    TS::key(SDLK_TAB, KMOD_LSHIFT);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_FOCUS_LOST, 4, 0}}));
    EXPECT_EQ(gui->getFocus(), button);
}

TEST_F(WidgetInput, AReactionMayCloseItsOwnPanel)
{
    const int other = gui->create("Transient", 0);
    Panel* p = gui->getPanel(other);
    p->baseWidget()->setSize(200, 100);
    p->baseWidget()->setPosition(Position(300), Position(300));
    p->baseWidget()->show();
    WidgetButton* b = p->createButton("Close", 9);
    b->setPosition(Position(10), Position(10));
    b->setOnPressed([&](Widget&) { EXPECT_EQ(gui->close(other), 0); });
    TS::clickWidget(other, 9);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 9, 0}}));
    EXPECT_EQ(gui->getPanel(other), nullptr);
}

TEST_F(WidgetInput, NewPanelsStartHiddenAndShowingRaisesThem)
{
    const int a = gui->create("A", 32.0f);
    EXPECT_FALSE(gui->getPanel(a)->isShown());
    EXPECT_EQ(gui->getPanel(a)->baseWidget()->status(), 5);
    gui->getPanel(a)->baseWidget()->show();
    EXPECT_EQ(gui->getPanelIDs().back(), a);
    gui->getPanel(panelId)->baseWidget()->hide();
    gui->getPanel(panelId)->baseWidget()->show();
    EXPECT_EQ(gui->getPanelIDs().back(), panelId);
}

} // namespace
} // namespace guitest
