// Values set by the program never look like the user's edits: no reaction,
// no GUI event, and a focused edit's pending typing is dropped, not
// committed later. Editors fill their widgets from a model relying on this.
#include "engine/gui/GuiTestSupport.h"

#include <functional>

namespace guitest {
namespace {

class ProgrammaticValue : public GuiTest {};

TEST_F(ProgrammaticValue, SettersRaiseNoReactionOrEvent)
{
    const struct {
        const char* kind;
        std::function<Widget*(Panel&)> make;
        std::function<void(Widget&)> set;
    } cases[] = {
        {"number edit", [](Panel& p) { return p.createNumberEdit("N", 10); },
         [](Widget& w) { static_cast<WidgetNumberEdit&>(w).setValue(42); }},
        {"text edit", [](Panel& p) { return p.createTextEdit("T", 11); },
         [](Widget& w) { static_cast<WidgetTextEdit&>(w).setText("42"); }},
        {"combo box",
         [](Panel& p) {
             WidgetComboBox* c = p.createComboBox("C", 12);
             c->addItem("a");
             c->addItem("b");
             return c;
         },
         [](Widget& w) { static_cast<WidgetComboBox&>(w).setSelectedIndex(2); }},
        {"check box", [](Panel& p) { return p.createCheckBox("K", 13); },
         [](Widget& w) { static_cast<WidgetCheckBox&>(w).setChecked(true); }},
        {"slider", [](Panel& p) { return p.createSlider("S", 14); },
         [](Widget& w) { static_cast<WidgetSlider&>(w).setValue(42); }},
    };
    int y = 10;
    for (const auto& c : cases) {
        Widget* w = c.make(*panel);
        ASSERT_NE(w, nullptr) << c.kind;
        w->setPosition(Position(10), Position(static_cast<float>(y)));
        y += 30;
        int reactions = 0;
        for (auto setReaction : {&Widget::setOnValueChanged, &Widget::setOnValueCommitted, &Widget::setOnToggled,
                                 &Widget::setOnSelectionChanged, &Widget::setOnPressed})
            (w->*setReaction)([&reactions](Widget&) { ++reactions; });
        c.set(*w);
        EXPECT_TRUE(run().empty()) << c.kind;
        EXPECT_EQ(reactions, 0) << c.kind;
    }
}

TEST_F(ProgrammaticValue, AFocusedEditsTypingIsReplacedNotCommitted)
{
    WidgetNumberEdit* n = panel->createNumberEdit("Scale", 20);
    n->setPosition(Position(10), Position(10));
    n->setSize(80, 22);
    WidgetButton* other = panel->createButton("Other", 21);
    other->setPosition(Position(10), Position(60));
    TS::clickWidget(panelId, 20);
    TS::typeText("7");
    run();
    n->setValue(3);
    TS::clickWidget(panelId, 21);
    for (const GuiEvent& e : run())
        EXPECT_NE(e.code, GE_VALUE_COMMITTED) << e;
    EXPECT_EQ(n->getValue(), 3.0f);
}

} // namespace
} // namespace guitest
