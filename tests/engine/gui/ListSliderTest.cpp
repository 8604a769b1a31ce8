// Lists, combo boxes and sliders under the mouse and the keyboard: 1-based
// rows, sorting, scrolling, selection events, dragging.
#include "engine/gui/GuiTestSupport.h"

#include <algorithm>
#include <cctype>

namespace guitest {
namespace {

class ListSlider : public GuiTest {
protected:
    WidgetList* makeList(int rows)
    {
        WidgetList* l = panel->createList("List", 105);
        l->setSize(164, 150);
        l->setPosition(Position(10, PH_LEFT), Position(20, PH_TOP));
        for (int i = 1; i <= rows; ++i)
            l->addItem(("row " + std::to_string(i)).c_str());
        return l;
    }
    // Screen point of row (1-based, among the visible ones).
    void rowPoint(WidgetList* l, int visibleRow, int& x, int& y)
    {
        const SDL_Rect r = l->getRect();
        x = r.x + 20;
        y = r.y + 1 + (visibleRow - 1) * l->getRowHeight() + l->getRowHeight() / 2;
    }
};

TEST_F(ListSlider, ClickingARowSelectsItWithItsOneBasedIndex)
{
    WidgetList* l = makeList(5);
    EXPECT_EQ(l->getSelectedIndex(), 0);
    EXPECT_STREQ(l->getSelectedText(), "");
    int changes = 0;
    l->setOnSelectionChanged([&](Widget&) { ++changes; });
    int x = 0, y = 0;
    rowPoint(l, 3, x, y);
    TS::click(x, y);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 105, 3}}));
    EXPECT_EQ(l->getSelectedIndex(), 3);
    EXPECT_STREQ(l->getSelectedText(), "row 3");
    TS::key(SDLK_DOWN);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 105, 4}}));
    TS::key(SDLK_HOME);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 105, 1}}));
    EXPECT_EQ(changes, 3);
    // Below the last row nothing is chosen.
    rowPoint(l, 7, x, y);
    TS::click(x, y);
    EXPECT_TRUE(run().empty());
    EXPECT_EQ(l->removeItem(1), 0);
    EXPECT_EQ(l->getSelectedIndex(), 0);
    EXPECT_LT(l->removeItem(9), 0);
}

TEST_F(ListSlider, AutoSortKeepsTheSelectedRow)
{
    WidgetList* l = panel->createList("List", 1);
    l->setAutoSort(true);
    for (const char* s : {"pear", "Apple", "fig"})
        l->addItem(s);
    EXPECT_STREQ(l->getItemText(1), "Apple");
    EXPECT_STREQ(l->getItemText(3), "pear");
    l->setSelectedIndex(2);
    l->addItem("banana");
    EXPECT_STREQ(l->getSelectedText(), "fig");
    EXPECT_EQ(l->getSelectedIndex(), 3);
}

// Rows removed until their texts are dropped from the list's memory, and a
// row added from another row's own text, read back as they were added.
TEST_F(ListSlider, RowsKeepTheirTextsThroughRemovalsAndCopies)
{
    WidgetList* l = panel->createList("List", 1);
    l->setAutoSort(true);
    std::vector<std::string> kept;
    for (int i = 0; i < 40; ++i)
        l->addItem(("row" + std::to_string(i)).c_str());
    for (int i = 0; i < 40; ++i)
        kept.push_back("row" + std::to_string(i));
    std::sort(kept.begin(), kept.end());
    l->setSelectedIndex(40);
    while (l->getItemCount() > 5) {
        ASSERT_EQ(l->removeItem(2), 0);
        kept.erase(kept.begin() + 1);
    }
    EXPECT_STREQ(l->getSelectedText(), kept.back().c_str());
    l->addItem(l->getItemText(1));
    kept.insert(kept.begin(), kept.front());
    ASSERT_EQ(l->getItemCount(), static_cast<int>(kept.size()));
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_STREQ(l->getItemText(static_cast<int>(i) + 1), kept[i].c_str()) << i;
}

// Names that share their first eight letters, differ in case only, or end
// inside the first eight still sort case-insensitively, ties by the bytes.
TEST_F(ListSlider, AutoSortOrdersLongSharedPrefixesAndCase)
{
    WidgetList* l = panel->createList("List", 1);
    l->setAutoSort(true);
    for (const char* s : {"image1000", "IMAGE100", "Image10000", "imageB", "imagea", "image", "ab", "Ab", "a"})
        l->addItem(s);
    const std::vector<std::string> expected{"a", "Ab", "ab", "image", "IMAGE100", "image1000", "Image10000",
                                            "imagea", "imageB"};
    ASSERT_EQ(l->getItemCount(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_STREQ(l->getItemText(static_cast<int>(i) + 1), expected[i].c_str()) << i;
}

// Many rows (sorted a byte at a time), a prefix all share, names that tie
// past sixteen letters or differ in case only: the order a plain
// case-insensitive compare gives.
TEST_F(ListSlider, AutoSortOfManyRowsMatchesACaseInsensitiveCompare)
{
    auto before = [](const std::string& a, const std::string& b) {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            const int ca = std::tolower(static_cast<unsigned char>(a[i]));
            const int cb = std::tolower(static_cast<unsigned char>(b[i]));
            if (ca != cb)
                return ca < cb;
        }
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    };
    const struct {
        const char* prefix;
        int rows;
        uint32_t numbers;
    } cases[] = {{"", 40, 997}, {"tile_", 700, 997}, {"Level/Forest/Background_", 900, 997}, {"Sprites/", 400, 10}, {"slot_", 300, 0}};
    int id = 1;
    for (const auto& c : cases) {
        WidgetList* l = panel->createList("List", id++);
        ASSERT_NE(l, nullptr);
        l->setAutoSort(true);
        std::vector<std::string> names;
        uint32_t seed = 12345;
        for (int i = 0; i < c.rows; ++i) {
            seed = seed * 1103515245 + 12345;
            std::string name = c.prefix + std::to_string(seed % std::max(c.numbers, 1u)) + ((seed >> 16) % 3 ? "_layer_" : "_LAYER_")
                               + std::to_string((seed >> 8) % 5);
            const uint32_t shape = (seed >> 20) % 5;
            if (c.numbers == 0) // one letter in either case: one byte tells rows apart
                names.push_back(c.prefix + std::string(1, static_cast<char>((shape % 2 ? 'a' : 'A') + seed % 26)));
            else
                names.push_back(shape == 0 ? name.substr(0, name.size() / 2)
                                : shape == 1 ? c.prefix + std::to_string(seed % 89)
                                             : name);
            l->addItem(names.back().c_str());
        }
        // The same names added in three ascending runs, as numbered names
        // come, end in the same order.
        WidgetList* runs = panel->createList("List", id++);
        runs->setAutoSort(true);
        std::vector<std::string> inRuns = names;
        for (int part = 0; part < 3; ++part)
            std::stable_sort(inRuns.begin() + part * c.rows / 3, inRuns.begin() + (part + 1) * c.rows / 3, before);
        for (const std::string& name : inRuns)
            runs->addItem(name.c_str());
        std::stable_sort(names.begin(), names.end(), before);
        ASSERT_EQ(l->getItemCount(), c.rows);
        for (int i = 1; i <= c.rows; ++i) {
            ASSERT_EQ(l->getItemText(i), names[static_cast<size_t>(i) - 1]) << c.prefix << " row " << i;
            ASSERT_EQ(runs->getItemText(i), names[static_cast<size_t>(i) - 1]) << c.prefix << " runs, row " << i;
        }
    }
}

TEST_F(ListSlider, SetScrollMovesByDeltaAndClamps)
{
    const int rows = 20;
    WidgetList* l = makeList(rows);
    const int visible = l->getVisibleItems();
    ASSERT_GT(visible, 1);
    ASSERT_LT(visible, rows - 3);
    EXPECT_EQ(l->setScroll(3, nullptr), 3);
    int applied = -1;
    EXPECT_EQ(l->setScroll(100, &applied), rows - visible);
    EXPECT_EQ(applied, rows - visible);
    EXPECT_EQ(l->setScroll(-9999, nullptr), 0);
    // The wheel scrolls and reports the new position.
    int x = 0, y = 0;
    rowPoint(l, 1, x, y);
    TS::mouseWheel(x, y, -1);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_SCROLLED, 105, 3}}));
    // Selecting a row out of view scrolls it in.
    l->setSelectedIndex(1);
    EXPECT_EQ(l->getScroll(), 0);
    TS::clickWidget(panelId, 105);
    run();
    TS::key(SDLK_END);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_SCROLLED, 105, rows - visible}, {GE_ACTION, 105, rows}}));
}

TEST_F(ListSlider, HoverEventsNeedTheHoverFeature)
{
    WidgetList* l = makeList(4);
    int x = 0, y = 0;
    rowPoint(l, 2, x, y);
    TS::mouseMove(x, y);
    EXPECT_TRUE(run().empty());
    TS::mouseMove(400, 390);
    run();
    l->setFeatures(WF_HOVER, true);
    TS::mouseMove(x, y);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_HOVER, 105, 2}}));
}

TEST_F(ListSlider, DraggingTheSliderThumbChangesTheValueThenCommits)
{
    WidgetSlider* s = panel->createSlider("Slider", 40, 0);
    s->setSize(200, 16);
    s->setRange(0, 100);
    s->setPosition(Position(50), Position(50));
    std::vector<int> seen;
    s->setOnValueChanged([&](Widget& w) { seen.push_back(static_cast<WidgetSlider&>(w).getValue()); });
    const SDL_Rect r = s->getRect();
    const int thumbX = r.x + 7;
    TS::mouseMove(thumbX, r.y + 8);
    TS::mouseDown(thumbX, r.y + 8);
    for (int dx = 20; dx <= 260; dx += 20)
        TS::mouseMove(thumbX + dx, r.y + 30); // leaving the slider keeps the drag
    TS::mouseUp(thumbX + 260, r.y + 30);
    const std::vector<GuiEvent> events = run();
    ASSERT_GE(events.size(), 3u);
    for (size_t i = 0; i + 1 < events.size(); ++i)
        EXPECT_EQ(events[i].code, GE_VALUE_CHANGED);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GT(seen[i], seen[i - 1]);
    EXPECT_EQ(events.back(), (GuiEvent{GE_VALUE_COMMITTED, 40, 100}));
    EXPECT_EQ(s->getValue(), 100);
    // A click on the track jumps there; keys step.
    TS::click(r.x + r.w / 2, r.y + 8);
    run();
    EXPECT_NEAR(s->getValue(), 50, 2);
    TS::key(SDLK_RIGHT);
    run();
    TS::key(SDLK_END);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_CHANGED, 40, 100}}));
}

TEST_F(ListSlider, VerticalSliderArrowsStepAndFollowTheRange)
{
    WidgetSlider* s = panel->createSlider("SliderV", 106, 1);
    s->setSize(15, 150);
    s->setMargin(15, 0, 15, 0);
    s->setRange(0, 4);
    s->setPosition(Position(-10, PH_RIGHT), Position(20, PH_TOP));
    const SDL_Rect r = s->getRect();
    EXPECT_EQ(r.x, 600 - 10 - 15);
    TS::click(r.x + 7, r.y + r.h - 5); // down arrow
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_CHANGED, 106, 1}, {GE_VALUE_COMMITTED, 106, 1}}));
    TS::click(r.x + 7, r.y + 5); // up arrow
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_VALUE_CHANGED, 106, 0}, {GE_VALUE_COMMITTED, 106, 0}}));
    TS::click(r.x + 7, r.y + 5); // already at the minimum
    EXPECT_TRUE(run().empty());
    s->setValue(9);
    EXPECT_EQ(s->getValue(), 4);
    s->setRange(0, 0);
    EXPECT_EQ(s->getValue(), 0);
}

TEST_F(ListSlider, ComboBoxOpensAndChoosesARow)
{
    WidgetComboBox* c = panel->createComboBox("Combo", 60);
    c->setSize(165, 19);
    c->setPosition(Position(20), Position(20));
    for (const char* s : {"Default", "Dark", "Flat"})
        c->addItem(s);
    EXPECT_EQ(c->getSelectedIndex(), 0);
    TS::clickWidget(panelId, 60);
    run();
    EXPECT_TRUE(c->isOpen());
    const SDL_Rect r = c->getRect();
    const int rowH = main->fontMgr()->get(c->getFont(0))->getHeight() + 4;
    TS::click(r.x + 20, r.y + r.h + 1 + rowH * 2 + rowH / 2); // third row
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 60, 3}}));
    EXPECT_FALSE(c->isOpen());
    EXPECT_STREQ(c->getSelectedText(), "Flat");
    // Keys step through the rows while closed; a click elsewhere closes it.
    TS::key(SDLK_UP);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 60, 2}}));
    TS::clickWidget(panelId, 60);
    run();
    TS::click(500, 350);
    EXPECT_TRUE(run().empty());
    EXPECT_FALSE(c->isOpen());
    // Removing the shown row clears the selection and redraws the box.
    main->guiMgr()->takeDirty();
    EXPECT_EQ(c->removeItem(2), 0);
    EXPECT_TRUE(main->guiMgr()->isDirty());
    EXPECT_STREQ(c->getSelectedText(), "");
    EXPECT_LT(c->removeItem(5), 0);
}

TEST_F(ListSlider, ProgressClampsIntoItsRange)
{
    WidgetProgress* p = panel->createProgress("Bar", 1170);
    p->setRange(0, 10);
    p->setValue(12);
    EXPECT_EQ(p->getValue(), 10);
    p->setRange(20, 5);
    int lo = 0, hi = 0;
    p->getRange(lo, hi);
    EXPECT_EQ(lo, 5);
    EXPECT_EQ(hi, 20);
    EXPECT_EQ(p->getValue(), 10);
}

// Ranges as wide as an int (a stored panel may hold any): the thumb sits
// where the value is, and steps clamp at the ends instead of wrapping.
TEST_F(ListSlider, RangesOfTheWholeIntSpanPlaceAndStepTheThumb)
{
    WidgetSlider* s = panel->createSlider("Wide", 30, 0);
    s->setSize(216, 16);
    s->setPosition(Position(10), Position(300));
    s->setRange(INT32_MIN, INT32_MAX);
    s->setValue(0);
    run();
    ASSERT_TRUE(TS::clickWidget(panelId, 30)); // focus; the click lands on the thumb
    run();
    EXPECT_EQ(s->getValue(), 0);
    s->setValue(INT32_MAX);
    TS::key(SDLK_RIGHT);
    run();
    EXPECT_EQ(s->getValue(), INT32_MAX);
    s->setValue(INT32_MIN);
    TS::key(SDLK_PAGEUP);
    run();
    EXPECT_EQ(s->getValue(), INT32_MIN);
    s->setValue(0);
    TS::mouseMove(0, 0);
    run();
    SDL_Surface* frame = TS::captureFrame();
    // The thumb (state 3, blue) is drawn at the middle of the track.
    EXPECT_TRUE(same(pixel(frame, 10 + 108, 308), 0, 120, 215));
    EXPECT_FALSE(same(pixel(frame, 14, 308), 0, 120, 215));
    SDL_FreeSurface(frame);
}

} // namespace
} // namespace guitest
