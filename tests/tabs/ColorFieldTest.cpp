// The colour field: icon, hexadecimal text edit and swatch on a tab panel,
// typed into and committed as a user does, and its way into the picker.
#include "tabs/ColorFixture.h"

#include <string>

namespace {

using namespace Zelkoran;
using namespace CtrlBaseControls;
namespace TS = Zelkoran::TestSupport;

constexpr int kIcon = 900, kEdit = 901, kSwatch = 902, kElsewhere = 903;

class ColorFieldTest : public ColorTest {
protected:
    WidgetTextEdit* field(const char* initHex)
    {
        WidgetTextEdit* edit = createColorField(tab->tabServices(), p,
                                                {.name = "KeyColor", .iconId = kIcon, .editId = kEdit,
                                                 .swatchId = kSwatch, .x = 20, .y = 400, .tooltip = "Colour key",
                                                 .initHex = initHex, .textWidth = 60},
                                                [this](Widget& w) {
                                                    changes.push_back(static_cast<WidgetTextEdit&>(w).getText().c_str());
                                                });
        // Somewhere to click so the edit loses the focus.
        p->createTextEdit("Elsewhere", kElsewhere)->setPosition(Position(20), Position(440));
        return edit;
    }
    Rgb swatch() { return background(p->getFrame(kSwatch)); }

    std::vector<std::string> changes;
};

TEST_F(ColorFieldTest, PlacesIconEditAndSwatchWithTheNormalisedText)
{
    WidgetTextEdit* edit = field("ff8000");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit, p->getTextEdit(kEdit));
    EXPECT_STREQ(edit->getName(), "KeyColor");
    EXPECT_EQ(text(p, kEdit), "#FF8000");
    EXPECT_EQ(swatch(), (Rgb{255, 128, 0}));
    const SDL_Rect base = p->baseWidget()->getRect();
    struct Expect {
        int id;
        const char* name;
        SDL_Rect rect;
    };
    for (const Expect& e : {Expect{kIcon, "KeyColorIcon", {20, 399, 20, 20}}, Expect{kEdit, "KeyColor", {42, 400, 60, 19}},
                            Expect{kSwatch, "KeyColorSwatch", {107, 401, 17, 17}}}) {
        Widget* w = p->getWidgetByID(e.id);
        ASSERT_NE(w, nullptr) << e.name;
        const SDL_Rect r = w->getRect();
        EXPECT_STREQ(w->getName(), e.name);
        EXPECT_EQ(r.x - base.x, e.rect.x) << e.name;
        EXPECT_EQ(r.y - base.y, e.rect.y) << e.name;
        EXPECT_EQ(r.w, e.rect.w) << e.name;
        EXPECT_EQ(r.h, e.rect.h) << e.name;
        EXPECT_STREQ(w->getTooltip(), "Colour key") << e.name;
    }
    EXPECT_GT(p->getImage(kIcon)->getBackgroundSprite(WS_NORMAL), 0);

    const ColorFieldPlace unplaced{.name = "A", .iconId = 910, .editId = 911, .swatchId = 912, .initHex = "#000000",
                                   .textWidth = 60};
    EXPECT_EQ(createColorField(tab->tabServices(), nullptr, unplaced, {}), nullptr);
    EXPECT_EQ(p->getWidgetByID(910), nullptr);
}

TEST_F(ColorFieldTest, TypingRecolorsOnValidTextAndCommitRestoresTheLastValid)
{
    field("#FF0000");
    typeInto(p->getID(), kEdit, "#00ff0");
    EXPECT_EQ(swatch(), (Rgb{255, 0, 0})) << "an incomplete text keeps the last colour";
    TS::typeText("0");
    TS::pump();
    EXPECT_EQ(swatch(), (Rgb{0, 255, 0}));
    EXPECT_EQ(text(p, kEdit), "#00ff00") << "the text being typed is not rewritten";
    press(p->getID(), kElsewhere);
    EXPECT_EQ(text(p, kEdit), "#00FF00") << "leaving the edit normalises it";

    typeInto(p->getID(), kEdit, "#00FF0Z");
    enter();
    EXPECT_EQ(text(p, kEdit), "#00FF00");
    EXPECT_EQ(swatch(), (Rgb{0, 255, 0}));
    EXPECT_TRUE(changes.empty()) << "typing is not a change of the picker";

    // The colour a tab shows (another block chosen in its list) is the one
    // to fall back to.
    press(p->getID(), kElsewhere);
    p->getTextEdit(kEdit)->setText("#0000FF");
    typeInto(p->getID(), kEdit, "#abc");
    enter();
    EXPECT_EQ(text(p, kEdit), "#0000FF");
    EXPECT_EQ(swatch(), (Rgb{0, 0, 255}));
}

TEST_F(ColorFieldTest, AnRgbaFieldTakesOnlyRgbaText)
{
    field("#ff000080");
    EXPECT_EQ(text(p, kEdit), "#FF000080");
    EXPECT_EQ(swatch(), (Rgb{255, 0, 0})) << "alpha is never drawn";
    typeInto(p->getID(), kEdit, "#00FF00");
    EXPECT_EQ(swatch(), (Rgb{255, 0, 0}));
    enter();
    EXPECT_EQ(text(p, kEdit), "#FF000080");
}

TEST_F(ColorFieldTest, AnUnreadableInitialTextStaysTheLastValidText)
{
    field("abc");
    EXPECT_EQ(text(p, kEdit), "abc");
    EXPECT_EQ(swatch(), (Rgb{0, 0, 0}));
    typeInto(p->getID(), kEdit, "#12");
    enter();
    EXPECT_EQ(text(p, kEdit), "abc");
    EXPECT_EQ(swatch(), (Rgb{0, 0, 0}));
}

TEST_F(ColorFieldTest, ThePickerChangesTheFieldOnlyAfterOK)
{
    field("#FF0000");
    TS::pushScript([](int id) {
        TS::clickWidget(id, CP_FIRST_SWATCH + 8); // blue
        TS::clickWidget(id, CP_CANCEL);
    });
    press(p->getID(), kIcon);
    EXPECT_EQ(TS::modalLog().size(), 1u);
    EXPECT_EQ(text(p, kEdit), "#FF0000");
    EXPECT_EQ(swatch(), (Rgb{255, 0, 0}));
    EXPECT_TRUE(changes.empty());

    TS::pushScript([](int id) {
        TS::clickWidget(id, CP_FIRST_SWATCH + 4); // orange
        TS::clickWidget(id, CP_OK);
    });
    press(p->getID(), kSwatch);
    EXPECT_EQ(text(p, kEdit), "#FF8000");
    EXPECT_EQ(swatch(), (Rgb{255, 128, 0}));
    EXPECT_EQ(changes, (std::vector<std::string>{"#FF8000"}));
    // The picker's colour is now the one Enter falls back to.
    typeInto(p->getID(), kEdit, "nonsense");
    enter();
    EXPECT_EQ(text(p, kEdit), "#FF8000");
}

TEST_F(ColorFieldTest, AFieldInsideAModalDialogRunsThePickerNested)
{
    GUIMgr* gui = Main::instance()->guiMgr();
    const int dialogId = gui->create("Import", 0x42000000);
    Panel* dialog = gui->getPanel(dialogId);
    dialog->baseWidget()->setSize(300, 120);
    dialog->baseWidget()->setPosition(Position(-500, PH_CENTER), Position(0, PH_CENTER));
    dialog->setPanelType(PT_MODAL, 0);
    dialog->createButton("OK", 1)->setPosition(Position(0, PH_CENTER), Position(-10, PH_BOTTOM));
    int changed = 0;
    ASSERT_NE(createColorField(tab->tabServices(), dialog,
                               {.name = "Key", .iconId = 20, .editId = 21, .swatchId = 22, .x = 10, .y = 20,
                                .tooltip = "Colour key", .initHex = "#000000", .textWidth = 60},
                               [&](Widget&) { ++changed; }),
              nullptr);
    std::string inner;
    TS::pushScript([&](int id) {
        TS::clickWidget(id, 22);
        TS::pump(); // the picker runs inside this click
        inner = text(dialog, 21);
        TS::clickWidget(id, CP_OK);
    });
    TS::pushScript([](int id) {
        TS::clickWidget(id, CP_FIRST_SWATCH + 3); // red
        TS::clickWidget(id, CP_OK);
    });
    EXPECT_EQ(Main::instance()->tool()->messageBox("Import", "", 0, 0, 0, dialogId, 0), 1);
    EXPECT_EQ(inner, "#FF0000");
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(background(dialog->getFrame(22)), (Rgb{255, 0, 0}));
    ASSERT_EQ(TS::modalLog().size(), 2u);
    EXPECT_EQ(TS::modalLog()[1].title, "Color picker");
    gui->close(dialogId);
}

} // namespace
