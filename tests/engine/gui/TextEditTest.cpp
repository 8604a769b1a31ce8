// Text and number edits typed into through injected keys and text input:
// caret, selection, clipboard, multi-line entry, the line API and the
// events of typing, committing and leaving.
#include "engine/gui/GuiTestSupport.h"

namespace guitest {
namespace {

class TextEdit : public GuiTest {
protected:
    WidgetTextEdit* makeEdit(int id, int y, bool multiline = false)
    {
        WidgetTextEdit* e = panel->createTextEdit("Edit", id);
        e->setSize(300, multiline ? 200 : 22);
        e->setMultiline(multiline);
        e->setPosition(Position(10), Position(static_cast<float>(y)));
        return e;
    }
    void focus(int id)
    {
        TS::clickWidget(panelId, id);
        run();
    }
};

TEST_F(TextEdit, TypingRaisesChangesAndEnterCommits)
{
    WidgetTextEdit* e = makeEdit(12, 10);
    e->setFeatures(WF_FOCUS_LOST, true);
    int changed = 0, committed = 0, lost = 0, gained = 0;
    e->setOnValueChanged([&](Widget&) { ++changed; });
    e->setOnValueCommitted([&](Widget&) { ++committed; });
    e->setOnFocusLost([&](Widget&) { ++lost; });
    // Before any key: the text is still the one the edit was given.
    e->setText("Old");
    e->setOnFocusGained([&](Widget& w) { gained += static_cast<WidgetTextEdit&>(w).getText() == "Old"; });
    focus(12);
    EXPECT_EQ(gained, 1);
    TS::key(SDLK_a, KMOD_CTRL);
    TS::key(SDLK_DELETE);
    run();
    changed = 0;
    TS::typeText("Grass");
    const std::vector<GuiEvent> typed = run();
    EXPECT_EQ(typed.size(), 5u);
    for (const GuiEvent& ev : typed)
        EXPECT_EQ(ev, (GuiEvent{GE_VALUE_CHANGED, 12, 0}));
    EXPECT_EQ(e->getText(), "Grass");
    EXPECT_EQ(changed, 5);
    TS::key(SDLK_RETURN);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_COMMITTED, 12, 0}}));
    TS::typeText("!");
    run();
    // Clicking elsewhere commits the edit, then reports the focus loss.
    TS::click(500, 350);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_COMMITTED, 12, 0}, {GE_FOCUS_LOST, 12, 0}}));
    EXPECT_EQ(committed, 2);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(gained, 1);
    EXPECT_FALSE(gui->hasTextFocus());
}

TEST_F(TextEdit, CaretKeysSelectionAndDeletion)
{
    WidgetTextEdit* e = makeEdit(1, 10);
    focus(1);
    TS::typeText("hello world");
    TS::key(SDLK_HOME);
    TS::key(SDLK_RIGHT, KMOD_LCTRL);          // after "hello "
    TS::key(SDLK_END, KMOD_LSHIFT);           // select "world"
    run();
    EXPECT_EQ(e->getSelectedText(), "world");
    TS::typeText("there");
    run();
    EXPECT_EQ(e->getText(), "hello there");
    TS::key(SDLK_BACKSPACE, KMOD_LCTRL); // word before the caret
    run();
    EXPECT_EQ(e->getText(), "hello ");
    TS::key(SDLK_HOME);
    TS::key(SDLK_DELETE);
    run();
    EXPECT_EQ(e->getText(), "ello ");
    // Multi-byte characters are removed whole.
    TS::key(SDLK_END);
    TS::typeText("\xC3\xA9\xE2\x82\xAC");
    TS::key(SDLK_BACKSPACE);
    run();
    EXPECT_EQ(e->getText(), "ello \xC3\xA9");
}

TEST_F(TextEdit, CopyCutAndPasteGoThroughTheClipboard)
{
    WidgetTextEdit* from = makeEdit(1, 10);
    WidgetTextEdit* to = makeEdit(2, 50);
    from->setText("copy me");
    focus(1);
    TS::key(SDLK_a, KMOD_LCTRL);
    TS::key(SDLK_c, KMOD_LCTRL);
    run();
    EXPECT_EQ(clipboard(), "copy me");
    focus(2);
    TS::key(SDLK_v, KMOD_LCTRL);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_CHANGED, 2, 0}}));
    EXPECT_EQ(to->getText(), "copy me");
    TS::key(SDLK_a, KMOD_LCTRL);
    TS::key(SDLK_x, KMOD_LCTRL);
    run();
    EXPECT_EQ(to->getText(), "");
    // Pasting several lines into one line drops the breaks.
    SDL_SetClipboardText("a\r\nb");
    TS::key(SDLK_v, KMOD_LCTRL);
    run();
    EXPECT_EQ(to->getText(), "ab");
}

TEST_F(TextEdit, MultiLineTypingNavigationAndLines)
{
    WidgetTextEdit* e = makeEdit(1118, 10, true);
    focus(1118);
    TS::typeText("first");
    TS::key(SDLK_RETURN);
    TS::typeText("second");
    TS::key(SDLK_RETURN);
    TS::typeText("third");
    const std::vector<GuiEvent> events = run();
    // Enter makes a line in a multi-line edit: no commit.
    for (const GuiEvent& ev : events)
        EXPECT_EQ(ev.code, GE_VALUE_CHANGED);
    EXPECT_EQ(e->getLineCount(), 3);
    EXPECT_EQ(e->getText(), "first\nsecond\nthird");
    TS::key(SDLK_UP);
    TS::key(SDLK_UP);
    TS::key(SDLK_END);
    TS::typeText("!");
    run();
    EXPECT_EQ(e->getLine(1), "first!");
    int line = 0, col = 0;
    e->getCaret(line, col);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(col, 6);
    // Selection over a line break and replacing it.
    TS::key(SDLK_DOWN, KMOD_LSHIFT);
    TS::key(SDLK_END, KMOD_LSHIFT);
    run();
    EXPECT_EQ(e->getSelectedText(), "\nsecond");
    TS::key(SDLK_BACKSPACE);
    run();
    EXPECT_EQ(e->getText(), "first!\nthird");
}

// A selection shows up to the box's right edge however far past it its
// line goes, and not at all where it starts past that edge; a caret past
// the edge does not show.
TEST_F(TextEdit, SelectionsOnLinesWiderThanTheBoxStopAtItsEdge)
{
    WidgetTextEdit* e = makeEdit(1119, 10, true);
    const std::string wide(600, ' '); // no ink over the selection
    e->setText((wide + "\n" + wide + "\n" + wide).c_str());
    focus(1119);
    const SDL_Rect box = e->getRect();
    const int lineH = main->fontMgr()->get(e->getFont(WS_NORMAL))->getHeight();
    const struct {
        const char* what;
        void (*select)(WidgetTextEdit*);
        bool shown[3]; // at the right edge of each row
    } cases[] = {
        {"all", [](WidgetTextEdit*) { TS::key(SDLK_a, KMOD_LCTRL); }, {true, true, true}},
        {"far into the first line to the start of the third",
         [](WidgetTextEdit* edit) {
             edit->setCaret(1, 500);
             TS::key(SDLK_DOWN, KMOD_LSHIFT);
             TS::key(SDLK_DOWN, KMOD_LSHIFT);
             TS::key(SDLK_HOME, KMOD_LSHIFT);
         },
         {false, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.select(e);
        run();
        ASSERT_EQ(e->getScroll(), 0);
        SDL_Surface* s = TS::captureFrame();
        ASSERT_NE(s, nullptr);
        for (int row = 0; row < 3; ++row) {
            const int y = box.y + 4 + row * lineH + lineH / 2;
            const SDL_Color p = pixel(s, box.x + box.w - 16, y);
            EXPECT_EQ(!(p.r == 255 && p.g == 255 && p.b == 255), c.shown[row]) << "row " << row;
            for (int x = box.x + 20; x < box.x + box.w - 16; ++x)
                ASSERT_GT(pixel(s, x, y).r, 100) << "caret at x " << x << " of row " << row;
        }
        SDL_FreeSurface(s);
    }
}

TEST_F(TextEdit, LineApiKeepsCrAndLfInsideALine)
{
    WidgetTextEdit* e = makeEdit(5, 10, true);
    e->setText("");
    EXPECT_EQ(e->getLineCount(), 1);
    EXPECT_EQ(e->setLine(1, "a"), 0);
    e->appendLine("b\nc");
    e->appendLine("d\r");
    EXPECT_EQ(e->getLineCount(), 3);
    EXPECT_EQ(e->getLine(2), "b\nc");
    EXPECT_EQ(e->getLine(3), "d\r");
    EXPECT_EQ(e->getLine(4), "");
    EXPECT_EQ(e->setLine(4, "e"), 0);
    EXPECT_LT(e->setLine(6, "x"), 0);
    EXPECT_EQ(e->getLineCount(), 4);
    e->setText("x\ny");
    EXPECT_EQ(e->getLineCount(), 2);
    EXPECT_EQ(e->getText(), "x\ny");
    // Programmatic changes raise no events.
    EXPECT_TRUE(run().empty());
}

TEST_F(TextEdit, ReadOnlyEditsSelectAndCopyButRefuseTyping)
{
    WidgetTextEdit* e = makeEdit(112, 10, true);
    e->setText("fixed text");
    e->setReadOnly(true);
    focus(112);
    EXPECT_FALSE(gui->hasTextFocus());
    TS::typeText("zz");
    TS::key(SDLK_BACKSPACE);
    TS::key(SDLK_a, KMOD_LCTRL);
    TS::key(SDLK_c, KMOD_LCTRL);
    EXPECT_TRUE(run().empty());
    EXPECT_EQ(e->getText(), "fixed text");
    EXPECT_EQ(clipboard(), "fixed text");
}

TEST_F(TextEdit, NumberEditsClampRoundStepAndFilter)
{
    WidgetNumberEdit* n = panel->createNumberEdit("Max", 113);
    n->setSize(80, 22);
    n->setPosition(Position(10), Position(10));
    n->setRange(0, 8192);
    n->setValue(9000.7f);
    EXPECT_EQ(n->getValue(), 8192.0f);
    EXPECT_EQ(n->getText(), "8192");
    n->setValue(12.6f);
    EXPECT_EQ(n->getText(), "13");
    focus(113);
    TS::key(SDLK_END);
    TS::typeText("x4");
    run();
    EXPECT_EQ(n->getText(), "134") << "letters are refused";
    TS::key(SDLK_UP);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_CHANGED, 113, 135}, {GE_VALUE_COMMITTED, 113, 0}}));
    EXPECT_EQ(n->getValue(), 135.0f);
    // Committing normalises a value typed out of range.
    TS::typeText("99999");
    TS::key(SDLK_RETURN);
    run();
    EXPECT_EQ(n->getText(), "8192");

    WidgetNumberEdit* f = panel->createNumberEdit("Scale", 114);
    f->setPosition(Position(10), Position(50));
    f->allowFloat(true);
    f->setStep(0.25f);
    f->setRange(-1, 1);
    f->setValue(0.5f);
    EXPECT_EQ(f->getText(), "0.5");
    focus(114);
    TS::key(SDLK_DOWN);
    run();
    EXPECT_FLOAT_EQ(f->getValue(), 0.25f);
}

// A number takes effect when committed, as typed: no event while typing,
// and a committed text that holds no number keeps the value.
TEST_F(TextEdit, NumberEditsTakeTheTypedValueOnlyWhenCommitted)
{
    WidgetNumberEdit* n = panel->createNumberEdit("Time", 115);
    n->setSize(80, 22);
    n->setPosition(Position(10), Position(10));
    n->allowFloat(true);
    n->setRange(-1, 100000);
    makeEdit(116, 50); // where Tab goes
    const struct {
        const char* typed;
        SDL_Keycode commit;
        float value;
        const char* shown;
    } cases[] = {
        // Each starts from the value the one before left.
        {"0.25", SDLK_RETURN, 0.25f, "0.25"}, {"500", SDLK_TAB, 500, "500"}, {"", SDLK_RETURN, 500, "500"},
        {"-", SDLK_RETURN, 500, "500"},       {"-5", SDLK_TAB, -1, "-1"},    {"1e", SDLK_RETURN, 1, "1"},
        {"86399.7", SDLK_RETURN, 86399.7f, "86399.7"},
    };
    n->setValue(380);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const float before = n->getValue();
        focus(115);
        TS::key(SDLK_a, KMOD_CTRL);
        if (!*c.typed)
            TS::key(SDLK_DELETE);
        for (const char* ch = c.typed; *ch; ++ch)
            TS::typeText(std::string(1, *ch).c_str());
        EXPECT_EQ(run(), std::vector<GuiEvent>{}) << "typing is no change yet";
        EXPECT_EQ(n->getText(), c.typed);
        EXPECT_EQ(n->getValue(), before);
        TS::key(c.commit);
        run();
        EXPECT_EQ(n->getValue(), c.value);
        EXPECT_EQ(n->getText(), c.shown);
    }
}

TEST_F(TextEdit, NarrowNumberEditsGiveTheirRoomToTheDigits)
{
    WidgetNumberEdit* wide = panel->createNumberEdit("Wide", 20);
    wide->setSize(80, 22);
    wide->setPosition(Position(10), Position(10));
    wide->setRange(0, 255);
    wide->setValue(100);
    WidgetNumberEdit* narrow = panel->createNumberEdit("Narrow", 21);
    narrow->setSize(38, 19);
    narrow->setPosition(Position(10), Position(50));
    narrow->setRange(0, 255);
    narrow->setValue(100);

    // The upper arrow of a wide field steps it...
    SDL_Rect r = wide->getRect();
    TS::click(r.x + r.w - 4, r.y + 3);
    run();
    EXPECT_EQ(wide->getValue(), 101.0f);
    // ...a narrow one has no arrows: the same spot is text.
    r = narrow->getRect();
    TS::click(r.x + r.w - 4, r.y + 3);
    run();
    EXPECT_EQ(narrow->getValue(), 100.0f);
    EXPECT_TRUE(gui->hasTextFocus());
    TS::key(SDLK_UP);
    run();
    EXPECT_EQ(narrow->getValue(), 101.0f);
}

} // namespace
} // namespace guitest
