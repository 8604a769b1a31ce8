// The GUI tab's tables and conversions, its preview placement, and the
// stored form a panel keeps while it is edited.
#include "tabs/TabFixture.h"

#include "app/EventRoute.h"
#include "tabs/base/ctrlBaseControls.h"
#include "tabs/gui/ctrlGUI.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>

#include "support/GlyphSheetMaker.h"

#include <SDL_surface.h>

namespace {

using namespace Zelkoran;
using namespace CtrlGUIInternal;
namespace TS = editortest::TS;

TEST(GUITabTables, CombosMapToTheEngineValues)
{
    const struct {
        int got, expected;
    } cases[] = {
        {kHotkeyCount, 57},
        {keyForRow(1), 0},
        {keyForRow(2), SDLK_a},
        {keyForRow(37), SDLK_9},
        {keyForRow(39), SDLK_RETURN},
        {keyForRow(57), SDLK_F12},
        {keyForRow(58), 0},
        {keyForRow(0), 0},
        {rowForKey(SDLK_F12), 57},
        {rowForKey(SDLK_SPACE), 38},
        {rowForKey(12345), 1},
        {static_cast<int>(helperForRow(1, true)), PH_ABSOLUTE},
        {static_cast<int>(helperForRow(2, true)), PH_LEFT},
        {static_cast<int>(helperForRow(2, false)), PH_TOP},
        {static_cast<int>(helperForRow(3, false)), PH_CENTER},
        {static_cast<int>(helperForRow(4, true)), PH_RIGHT},
        {static_cast<int>(helperForRow(4, false)), PH_BOTTOM},
        {rowForHelper(PH_RIGHT, true), 4},
        {rowForHelper(PH_RIGHT, false), 1},
        {rowForHelper(PH_CENTER, false), 3},
        {rowForHelper(PH_SIZE, true), 1},
        {rowForStatus(9), 1},
        {rowForStatus(5), 2},
        {rowForStatus(0), 3},
        {rowForStatus(7), 1},
        {valueForRow(3, 3), 2},
        {valueForRow(4, 3), 0},
        {valueForRow(4, 4), 3},
        {valueForRow(0, 3), 0},
        {ttlSeconds(999), 1},
        {ttlSeconds(4500), 4},
        {sliderRangeShown(0, 9), 10},
        {progressRangeShown(0, 10), 10},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].got, cases[i].expected) << "case " << i;
    const struct {
        const char *name, *shown;
    } fonts[] = {{"@zk7/font/Arial10Black", "Arial10Black"}, {"@zk7/font/", ""}, {"@zk7/font", "@zk7/font"},
                 {"Big", "Big"}, {"zk7/font/Arial12White", "zk7/font/Arial12White"}};
    for (const auto& f : fonts)
        EXPECT_STREQ(fontDisplayName(f.name), f.shown) << f.name;
}

TEST(GUITabTables, TypeNamesAndPreviewOrigins)
{
    const struct {
        eWidgetType type;
        const char* name;
    } names[] = {{WT_LABEL, "Label"},   {WT_FRAME, "Frame"},       {WT_SLIDER, "Slider"},
                 {WT_LIST, "List"},     {WT_COMBOBOX, "ComboBox"}, {WT_NUMBEREDIT, "NumberEdit"},
                 {WT_PANEL, "Widget"}, {static_cast<eWidgetType>(3), "Widget"}};
    for (const auto& n : names)
        EXPECT_STREQ(GUIWidgetList::getWidgetTypeName(n.type), n.name);
    const struct {
        int w, h, x, y;
    } origins[] = {{300, 200, 650, 420}, {1200, 960, 200, 40}, {1500, 1200, 50, -80}};
    for (const auto& o : origins) {
        const SDL_Point at = GUIPreview::previewOrigin(o.w, o.h, 1400, 1000);
        EXPECT_EQ(at.x, o.x) << o.w;
        EXPECT_EQ(at.y, o.y) << o.h;
    }
}

class GUITabTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        TS::clearAnswers();
        TS::setModalWatchdog(3000);
        openArchive({});
        gui = Main::instance()->guiMgr();
        tab.reset(new (std::nothrow) CtrlGUI(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        p = editortest::panel(gui->getPanelIDs().back());
        tab->show(); // the active tab, as the menu shows it
    }

    void TearDown() override
    {
        EXPECT_EQ(TS::pendingAnswers(), 0u);
        TS::clearAnswers();
        TS::clearModalLog();
        tab.reset();
        TabTest::TearDown();
    }

    // Stores a panel named name built by build, then chooses it in the tab.
    Panel* choose(const char* name, const std::function<void(Panel&)>& build)
    {
        const int id = gui->create(name, 0);
        build(*gui->getPanel(id));
        EXPECT_EQ(gui->getPanel(id)->save(status->iArchiveID), 0);
        gui->close(id);
        tab->parseQEL();
        EXPECT_EQ(tab->selectBlockListItemByName(name), 1);
        tab->processEvent(CtrlBase::BW_LIST, 0);
        return gui->getPanel(tab->getPanelId());
    }
    void pickWidget(int row)
    {
        p->getList(CtrlGUI::GW_LIST)->setSelectedIndex(row);
        tab->processEvent(CtrlGUI::GW_LIST, row);
        tab->processEvent(0, 0);
    }
    void setNumber(int id, float v)
    {
        p->getNumberEdit(id)->setValue(v);
        tab->processEvent(id, 0);
    }
    void setRow(int id, int row)
    {
        p->getComboBox(id)->setSelectedIndex(row);
        tab->processEvent(id, row);
    }
    void setCheck(int id, bool on)
    {
        p->getCheckBox(id)->setChecked(on);
        tab->processEvent(id, on);
    }
    Panel* save()
    {
        TS::pushAnswer(0);
        EXPECT_EQ(tab->processEvent(CtrlBase::BW_SAVE, 0), 0);
        const int id = gui->load(status->iArchiveID, p->getTextEdit(CtrlBase::BW_NAME)->getText().c_str());
        return id > 0 ? gui->getPanel(id) : nullptr;
    }

    // Stores a sprite of anims one-frame animations, an image or a font.
    void storeSprite(const char* name, int anims)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 8, 8 * anims, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, 0, 120, 0, 255));
        SpriteMgr* sprites = Main::instance()->spriteMgr();
        Sprite* sprite = sprites->get(sprites->create(name, 10));
        ASSERT_EQ(sprite->assignImage(Main::instance()->imageMgr()->loadFromSurface(s, name), 1), 0);
        SDL_FreeSurface(s);
        ASSERT_EQ(sprite->setOffset(8, 8), 0);
        ASSERT_EQ(sprite->save(status->iArchiveID, ""), 0);
        sprites->close(sprite->getID());
    }
    void storeImage(const char* name)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_ARGB8888);
        const int img = Main::instance()->imageMgr()->loadFromSurface(s, name);
        SDL_FreeSurface(s);
        ASSERT_EQ(Main::instance()->imageMgr()->get(img)->save(status->iArchiveID, ""), 0);
        Main::instance()->imageMgr()->close(img);
    }
    void storeFont(const char* name)
    {
        SDL_Surface* sheet = editortest::makeGlyphSheet(189);
        ASSERT_NE(sheet, nullptr);
        FontMgr* fonts = Main::instance()->fontMgr();
        Font* f = fonts->get(fonts->create(name, 10));
        ASSERT_EQ(f->assignImage(Main::instance()->imageMgr()->loadFromSurface(sheet, "sheet"), 1), 0);
        SDL_FreeSurface(sheet);
        ASSERT_EQ(f->save(status->iArchiveID, ""), 0);
        fonts->close(f->getID());
    }
    // Types text into a field of the tab and commits it, as a user does.
    void typeInto(int id, const char* text)
    {
        tab->show();
        ASSERT_TRUE(TS::clickWidget(p->getID(), id));
        TS::key(SDLK_a, KMOD_CTRL);
        TS::typeText(text);
        TS::key(SDLK_RETURN);
        deliver();
    }
    // The events raised meanwhile reach the tab as the editor routes them.
    void deliver()
    {
        for (const SDL_Event& e : TS::pump())
            if (e.type == kGUIEventType && routeEvent(e, false) == EventRoute::Process
                && tab->takesEventsFrom(static_cast<int>(e.user.windowID)))
                tab->processEvent(eventInt(e.user.data1), eventInt(e.user.data2));
    }
    std::vector<std::string> rows(int comboId)
    {
        std::vector<std::string> items;
        for (int i = 1; i <= p->getComboBox(comboId)->getItemCount(); ++i)
            items.emplace_back(p->getComboBox(comboId)->getItemText(i));
        return items;
    }

    GUIMgr* gui = nullptr;
    std::unique_ptr<CtrlGUI> tab;
    Panel* p = nullptr;
};

TEST_F(GUITabTest, NewShowsTheDefaultsAndNoWidgets)
{
    ASSERT_NE(choose("Tinted", [](Panel& s) {
                  s.baseWidget()->setBackgroundColor(200, 10, 10, WS_ALL);
                  s.baseWidget()->setBorderColor(10, 200, 10, 255, WS_ALL);
              }),
              nullptr);
    setCheck(CtrlGUI::GW_SKIN_PRESSED, true);
    ASSERT_EQ(tab->getSelectedSkinState(), WS_PRESSED);
    tab->processEvent(CtrlBase::BW_NEW, 0);
    EXPECT_STREQ(p->getComboBox(CtrlGUI::GW_STATUS)->getSelectedText(), "Hidden");
    EXPECT_EQ(p->getList(CtrlGUI::GW_LIST)->getItemCount(), 0);
    EXPECT_EQ(p->getSlider(CtrlGUI::GW_LIST_SLIDER)->getMax(), 0);
    EXPECT_STREQ(p->getTextEdit(CtrlGUI::GW_ID)->getText().c_str(), "0");
    EXPECT_EQ(p->getNumberEdit(CtrlGUI::GW_ALPHA)->getValue(), 255);
    EXPECT_FALSE(p->getWidgetByID(CtrlGUI::GW_TTL)->isEnabled());
    EXPECT_FALSE(p->getWidgetByID(CtrlGUI::GW_ADD_WIDGET)->isEnabled());
    EXPECT_EQ(tab->getSelectedSkinState(), WS_NORMAL);
    for (int swatch : {CtrlGUI::GW_SKIN_BG_SWATCH, CtrlGUI::GW_SKIN_BORDER_SWATCH}) {
        uint8_t c[3] = {1, 1, 1};
        p->getWidgetByID(swatch)->getBackgroundColor(&c[0], &c[1], &c[2], WS_NORMAL);
        EXPECT_EQ(c[0] + c[1] + c[2], 0) << "the black of the reset text, swatch " << swatch;
    }
}

TEST_F(GUITabTest, AStoredPlacementSurvivesEditingAndSaving)
{
    Panel* live = choose("Hud", [](Panel& s) {
        s.attachTo(3);
        s.setScreenDesired(3);
        s.setSizeMode(1);
        s.baseWidget()->setPosition(Position(-10, PH_RIGHT), Position(0, PH_TOP));
        s.baseWidget()->setFeatures(WF_FADE, true);
        s.createWidgetByType("Bar", WT_PROGRESS, 4);
    });
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->getScreen(), 0) << "previewed on the editor's screen";
    EXPECT_EQ(live->getSizeMode(), 0) << "previewed at its own size";
    EXPECT_TRUE(live->isShown());
    EXPECT_STREQ(p->getComboBox(CtrlGUI::GW_POSX_MODE)->getSelectedText(), "Right");
    EXPECT_EQ(p->getNumberEdit(CtrlGUI::GW_POSX)->getValue(), -10);
    // Panel-level edits, then one with a widget selected.
    setRow(CtrlGUI::GW_TYPE, 3);
    EXPECT_TRUE(p->getWidgetByID(CtrlGUI::GW_TTL)->isEnabled());
    setNumber(CtrlGUI::GW_TTL, 7);
    setRow(CtrlGUI::GW_THEME, 2);
    EXPECT_EQ(live->getTheme(), gui->getThemeDark());
    pickWidget(2);
    setNumber(CtrlGUI::GW_RANGE, 40);
    EXPECT_EQ(live->getProgress(4)->getMax(), 40);
    Panel* stored = save();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->getScreen(), 3);
    EXPECT_EQ(stored->getSizeMode(), 1);
    EXPECT_FALSE(stored->isShown());
    EXPECT_EQ(stored->baseWidget()->getPositionX().helper, PH_RIGHT);
    EXPECT_EQ(stored->baseWidget()->getPositionX().offset, -10);
    EXPECT_TRUE(stored->baseWidget()->getFeatures() & WF_FADE);
    EXPECT_EQ(stored->getPanelType(), PT_EPHEMERAL);
    EXPECT_EQ(stored->getPanelTTL(), 7000);
    EXPECT_EQ(stored->getTheme(), gui->getThemeDark());
    EXPECT_EQ(stored->getProgress(4)->getMax(), 40);
    // The live panel is previewed again.
    EXPECT_EQ(live->getScreen(), 0);
    EXPECT_TRUE(live->isShown());
}

TEST_F(GUITabTest, ANewPanelIsStoredAsItsFieldsDescribeIt)
{
    p->getNumberEdit(CtrlGUI::GW_WIDTH)->setValue(320);
    p->getNumberEdit(CtrlGUI::GW_HEIGHT)->setValue(180);
    setRow(CtrlGUI::GW_LAYOUT, 3);
    p->getTextEdit(CtrlBase::BW_NAME)->setText("Fresh");
    Panel* stored = save();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->baseWidget()->getWidth(), 320);
    EXPECT_EQ(stored->baseWidget()->getHeight(), 180);
    EXPECT_EQ(stored->getLayout(), PL_VERTICAL);
    Panel* live = gui->getPanel(tab->getPanelId());
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->baseWidget()->getWidth(), 320) << "the preview shows what was stored";
    EXPECT_FALSE(tab->isDirty());
}

TEST_F(GUITabTest, AFitToScreenPanelKeepsItsDesignSizeThroughSaves)
{
    choose("Fit", [](Panel& f) {
        f.setSizeMode(1);
        f.baseWidget()->setSize(300, 200);
    });
    for (int round = 1; round <= 2; ++round) {
        Panel* stored = save();
        ASSERT_NE(stored, nullptr) << round;
        EXPECT_EQ(stored->getSizeMode(), 1) << round;
        stored->setSizeMode(0);
        EXPECT_EQ(stored->baseWidget()->getWidth(), 300) << round;
        EXPECT_EQ(stored->baseWidget()->getHeight(), 200) << round;
        gui->close(stored->getID());
    }
}

TEST_F(GUITabTest, CaptionsAndSkinAssetsSizeTheWidgetAtOnce)
{
    storeImage("Back");
    storeSprite("Strip", 1);
    Panel* live = choose("Sizes", [](Panel&) {});
    ASSERT_NE(live, nullptr);
    // A new captioned widget grows to hold the caption typed for it.
    const struct {
        int typeBox, id;
    } added[] = {{AW_FIRST_TYPE + 2, 1}, {AW_FIRST_TYPE + 1, 2}, {AW_FIRST_TYPE, 3}}; // Label, CheckBox, Button
    for (const auto& a : added) {
        TS::pushScript([&a](int dialogId) {
            TS::clickWidget(dialogId, a.typeBox);
            TS::pump();
            TS::clickWidget(dialogId, AW_OK);
        });
        tab->processEvent(CtrlGUI::GW_ADD_WIDGET, 0);
        ASSERT_EQ(tab->getSelectedWidgetId(), a.id);
        typeInto(CtrlGUI::GW_TEXT, "Hello, wide world");
        Widget* w = live->getWidgetByID(a.id);
        EXPECT_GE(w->getWidth(), w->getContentWidth()) << a.id;
        EXPECT_GE(w->getHeight(), w->getContentHeight()) << a.id;
        EXPECT_EQ(p->getNumberEdit(CtrlGUI::GW_WIDTH)->getValue(), w->getWidth()) << a.id;
    }
    // An image or a sprite chosen as the skin sizes the widget before any
    // other edit.
    Widget* button = live->getWidgetByID(3);
    setCheck(CtrlGUI::GW_SKIN_ASSET, true);
    setRow(CtrlGUI::GW_SKIN_IMAGE, 2);
    EXPECT_EQ(button->getWidth(), 16);
    EXPECT_EQ(p->getNumberEdit(CtrlGUI::GW_HEIGHT)->getValue(), 16);
    setRow(CtrlGUI::GW_SKIN_SPRITE, 2);
    EXPECT_EQ(button->getWidth(), 8);
    EXPECT_EQ(button->getHeight(), 8);
}

TEST_F(GUITabTest, TheSkinCaptionsStayClearOfEveryOtherWidget)
{
    choose("Kinds", [](Panel& f) {
        int id = 0;
        for (const AddWidgetType& t : kAddWidgetTypes)
            f.createWidgetByType(t.name, t.type, ++id);
    });
    // Where a caption is drawn (a label centres its text between 4-pixel
    // paddings, a check box draws its box and text 2 pixels inside), and a
    // pixel beside it: touching captions read as one.
    const auto ink = [](const Widget& w) {
        const SDL_Rect r = w.getRect();
        return w.getType() == WT_LABEL ? SDL_Rect{r.x + 3, r.y, r.w - 6, r.h}
                                       : SDL_Rect{r.x + 1, r.y, w.getContentWidth() - 2, r.h};
    };
    const SDL_Rect frame = p->getWidgetByID(CtrlGUI::GW_SKIN_FRAME)->getRect();
    const int captions[] = {CtrlGUI::GW_SKIN_LABEL, CtrlGUI::GW_SKIN_NORMAL, CtrlGUI::GW_SKIN_HOVERED,
                            CtrlGUI::GW_SKIN_PRESSED, CtrlGUI::GW_SKIN_ACTION, CtrlGUI::GW_SKIN_DEACT,
                            CtrlGUI::GW_SKIN_THEME, CtrlGUI::GW_SKIN_COLORS, CtrlGUI::GW_SKIN_ASSET};
    for (int row = 1; row <= static_cast<int>(std::size(kAddWidgetTypes)) + 1; ++row) {
        pickWidget(row);
        for (int box : {CtrlGUI::GW_SKIN_COLORS, CtrlGUI::GW_SKIN_ASSET}) {
            setCheck(box, true);
            for (int id : captions) {
                const Widget* w = p->getWidgetByID(id);
                const SDL_Rect text = ink(*w);
                EXPECT_LT(text.x + text.w, frame.x + frame.w) << w->getName();
                for (int other = CtrlGUI::GW_ADD_WIDGET; other <= CtrlGUI::GW_TOOLTIP_SETTINGS; ++other) {
                    const Widget* o = p->getWidgetByID(other);
                    if (!o || other == id || !o->isShown() || o->getType() == WT_FRAME)
                        continue;
                    const bool captioned = o->getType() == WT_LABEL || o->getType() == WT_CHECKBOX;
                    const SDL_Rect r = captioned ? ink(*o) : o->getRect();
                    EXPECT_FALSE(SDL_HasIntersection(&text, &r))
                        << "row " << row << ": " << w->getName() << " runs into " << o->getName();
                }
            }
        }
    }
}

TEST_F(GUITabTest, AHiddenPictureTheWidgetHoldsSurvivesOtherSkinEdits)
{
    storeImage("#hud/ok_normal"); // as an interchange import names it
    Panel* live = choose("Held", [this](Panel& f) {
        f.createWidgetByType("ok", WT_BUTTON, 1)->setBackgroundImage(status->iArchiveID, "#hud/ok_normal", WS_NORMAL);
    });
    ASSERT_NE(live, nullptr);
    pickWidget(2);
    EXPECT_STREQ(p->getComboBox(CtrlGUI::GW_SKIN_IMAGE)->getSelectedText(), "#hud/ok_normal");
    setRow(CtrlGUI::GW_SKIN_FONT, 3);
    const Image* held = Main::instance()->imageMgr()->get(live->getWidgetByID(1)->getBackgroundImage(WS_NORMAL));
    ASSERT_NE(held, nullptr) << "a font change must not clear the picture";
    EXPECT_STREQ(held->getName(), "#hud/ok_normal");
}

TEST_F(GUITabTest, SavingUnderAnotherPanelsNameWarnsAndKeepsThatPanel)
{
    choose("Other", [](Panel& f) { f.createWidgetByType("Kept", WT_FRAME, 1); });
    choose("Mine", [](Panel&) {});
    const auto saveAs = [this](const char* name) {
        p->getTextEdit(CtrlBase::BW_NAME)->setText(name);
        TS::pushAnswer(0);
        EXPECT_EQ(tab->processEvent(CtrlBase::BW_SAVE, 0), -1) << name;
        EXPECT_EQ(TS::modalLog().back().timeoutMs, 2500);
        EXPECT_EQ(TS::modalLog().back().text.find("Could not rename the panel."), 0u);
    };
    saveAs("Other");
    tab->processEvent(CtrlBase::BW_NEW, 0);
    saveAs("Other"); // a new panel too
    const int id = gui->load(status->iArchiveID, "Other");
    ASSERT_GT(id, 0);
    EXPECT_NE(gui->getPanel(id)->getWidgetByID(1), nullptr) << "the stored panel is untouched";
}

TEST_F(GUITabTest, AFailedRenameLeavesThePanelPreviewed)
{
    Panel* live = choose("Long", [](Panel& f) {
        f.setSizeMode(1);
        f.createWidgetByType(std::string(100, 'w').c_str(), WT_LABEL, 1);
    });
    ASSERT_NE(live, nullptr);
    p->getTextEdit(CtrlBase::BW_NAME)->setText(std::string(40, 'n').c_str());
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(CtrlBase::BW_SAVE, 0), -1);
    EXPECT_EQ(TS::modalLog().back().timeoutMs, 2500);
    EXPECT_TRUE(live->isShown());
    EXPECT_EQ(live->getScreen(), 0);
    EXPECT_EQ(live->getSizeMode(), 0);
    const SDL_Rect r = live->baseWidget()->getRect();
    const SDL_Point at = GUIPreview::previewOrigin(r.w, r.h, status->iWidth, status->iHeight);
    EXPECT_EQ(r.x, at.x);
    EXPECT_EQ(r.y, at.y);
}

TEST_F(GUITabTest, FlowLayoutsKeepWidgetPositionsAndAssetsSizeWidgets)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 64, 32, 32, SDL_PIXELFORMAT_ARGB8888);
    const int img = Main::instance()->imageMgr()->loadFromSurface(s, "Back");
    SDL_FreeSurface(s);
    ASSERT_EQ(Main::instance()->imageMgr()->get(img)->save(status->iArchiveID, ""), 0);
    Main::instance()->imageMgr()->close(img);
    Panel* live = choose("Flow", [this](Panel& f) {
        Widget* w = f.createWidgetByType("Pic", WT_IMAGE, 9);
        w->setSize(20, 10);
        w->setPosition(Position(30), Position(40));
        w->setFeatures(WF_BG_FIT, true);
        w->setBackgroundImage(status->iArchiveID, "Back", WS_ALL);
    });
    ASSERT_NE(live, nullptr);
    pickWidget(2);
    EXPECT_EQ(p->getNumberEdit(CtrlGUI::GW_WIDTH)->getValue(), 20);
    setCheck(CtrlGUI::GW_FEATURE_BGFIT, false);
    EXPECT_EQ(live->getWidgetByID(9)->getWidth(), 64) << "the image decides the size";
    EXPECT_EQ(p->getNumberEdit(CtrlGUI::GW_HEIGHT)->getValue(), 32);
    setCheck(CtrlGUI::GW_FEATURE_BGFIT, true);
    EXPECT_EQ(live->getWidgetByID(9)->getWidth(), 20) << "the size typed before comes back";

    setRow(CtrlGUI::GW_LAYOUT, 2);
    EXPECT_FALSE(p->getWidgetByID(CtrlGUI::GW_POSX)->isEnabled());
    p->getNumberEdit(CtrlGUI::GW_POSX)->setValue(99);
    tab->processEvent(CtrlGUI::GW_ALPHA, 0);
    EXPECT_EQ(live->getWidgetByID(9)->getPositionX().offset, 30) << "the layout places the widget";
    EXPECT_EQ(live->getLayout(), PL_HORIZONTAL);
}

TEST_F(GUITabTest, PendingEditsOutliveATabSwitchAndFailedDeletesAreReported)
{
    Panel* live = choose("Menu", [](Panel&) {});
    ASSERT_NE(live, nullptr);
    tab->render(0);
    gui->takeDirty();
    tab->render(0);
    EXPECT_FALSE(gui->isDirty()) << "an unchanged tab asks for no new frame";
    setNumber(CtrlGUI::GW_ALPHA, 100);
    ASSERT_TRUE(tab->isDirty());
    tab->onDeactivate();
    EXPECT_FALSE(live->isShown());
    tab->onActivate();
    EXPECT_EQ(gui->getPanel(tab->getPanelId()), live);
    EXPECT_EQ(live->baseWidget()->getAlphaMod(), 100);
    EXPECT_TRUE(tab->isDirty());
    // The block goes away behind the tab's back: the delete reports it.
    ASSERT_EQ(gui->remove(status->iArchiveID, "Menu"), 0);
    TS::pushAnswer(4); // Yes, delete
    TS::pushAnswer(1); // the error box
    EXPECT_EQ(tab->onDelete(), -1);
    ASSERT_GE(TS::modalLog().size(), 2u);
    EXPECT_STREQ(TS::modalLog().back().text.c_str(), "The panel could not be deleted.");
}

TEST_F(GUITabTest, TheAddWidgetDialogOffersTheFirstFreeIdAndAddsTheChosenType)
{
    Panel* live = choose("Ids", [](Panel& f) {
        for (int id : std::initializer_list<int>{1, 2, 4})
            f.createWidgetByType("W", WT_FRAME, id);
    });
    ASSERT_NE(live, nullptr);
    std::string firstName, afterSlider;
    float firstId = 0;
    TS::pushScript([&](int dialogId) {
        Panel* dialog = gui->getPanel(dialogId);
        firstName = dialog->getTextEdit(AW_NAME)->getText().c_str();
        firstId = dialog->getNumberEdit(AW_ID)->getValue();
        TS::clickWidget(dialogId, AW_FIRST_TYPE + 6); // Slider
        TS::pump();
        afterSlider = dialog->getTextEdit(AW_NAME)->getText().c_str();
        TS::clickWidget(dialogId, AW_OK);
    });
    tab->processEvent(CtrlGUI::GW_ADD_WIDGET, 0);
    EXPECT_EQ(firstName, "Button_3");
    EXPECT_EQ(firstId, 3);
    EXPECT_EQ(afterSlider, "Slider_3");
    ASSERT_NE(live->getSlider(3), nullptr);
    EXPECT_STREQ(live->getSlider(3)->getName(), "Slider_3");
    EXPECT_EQ(tab->getSelectedWidgetId(), 3);
    EXPECT_TRUE(tab->isDirty());
    EXPECT_TRUE(p->getWidgetByID(CtrlGUI::GW_ADD_WIDGET)->isEnabled());
}

// A hidden tab leaves its skin lists for later when the archive changes
// (they may hold a million images): shown again, it offers the new blocks.
TEST_F(GUITabTest, SkinListsOfAHiddenTabCatchUpWhenItIsShownAgain)
{
    tab->show();
    tab->parseQEL();
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_IMAGE), (std::vector<std::string>{"None"}));
    tab->hide();
    storeImage("Late");
    storeSprite("Walk", 2);
    tab->parseQEL();
    tab->show();
    tab->onActivate();
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_IMAGE), (std::vector<std::string>{"None", "Late"}));
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_SPRITE), (std::vector<std::string>{"None", "Walk"}));
}

TEST_F(GUITabTest, SkinListsModesAndFontNamesComeFromBuiltinsAndListedBlocks)
{
    storeFont("Big");
    storeImage("Back");
    storeSprite("Strip", 4);
    storeImage("#Hidden");
    storeSprite("Gone", 1);
    ASSERT_EQ(Main::instance()->spriteMgr()->remove(status->iArchiveID, "Gone"), 0);
    choose("Skins", [this](Panel& f) {
        f.createWidgetByType("Sprited", WT_BUTTON, 1)->setBackgroundSprite(status->iArchiveID, "Strip", WS_NORMAL, 2);
        f.createWidgetByType("Bordered", WT_BUTTON, 2)->setBorderColor(1, 2, 3, 255, WS_NORMAL);
        f.createWidgetByType("Plain", WT_BUTTON, 3);
    });
    std::vector<std::string> fonts{"Theme"};
    for (const char* name : kBuiltinSkinFonts)
        fonts.emplace_back(name + 10);
    fonts.emplace_back("Big");
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_FONT), fonts);
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_IMAGE), (std::vector<std::string>{"None", "Back"}));
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_SPRITE), (std::vector<std::string>{"None", "Strip"}));

    FontMgr* fm = Main::instance()->fontMgr();
    EXPECT_EQ(tab->resolveFontNameToID(""), -1);
    EXPECT_EQ(tab->resolveFontNameToID("@zk7/font/CourierNew12Black"), fm->getBuiltin("CourierNew12Black"));
    EXPECT_STREQ(fm->get(tab->resolveFontNameToID("Big"))->getName(), "Big");
    EXPECT_LE(tab->resolveFontNameToID("Missing"), 0);
    EXPECT_EQ(GUISkinEditor::skinStateToIndex(7), WS_NORMAL);

    // Each widget opens in the mode its Normal state has: asset, colours, theme.
    const struct {
        int row, box;
        const char *sprite, *anim;
    } modes[] = {{2, CtrlGUI::GW_SKIN_ASSET, "Strip", "2"},
                 {3, CtrlGUI::GW_SKIN_COLORS, "None", "0"},
                 {4, CtrlGUI::GW_SKIN_THEME, "None", "0"}};
    for (const auto& m : modes) {
        pickWidget(m.row);
        for (int box : {CtrlGUI::GW_SKIN_THEME, CtrlGUI::GW_SKIN_COLORS, CtrlGUI::GW_SKIN_ASSET})
            EXPECT_EQ(p->getCheckBox(box)->isChecked(), box == m.box) << m.row << " " << box;
        EXPECT_STREQ(p->getComboBox(CtrlGUI::GW_SKIN_SPRITE)->getSelectedText(), m.sprite);
        EXPECT_STREQ(p->getComboBox(CtrlGUI::GW_SKIN_ANIM)->getSelectedText(), m.anim);
    }
    EXPECT_FALSE(tab->isDirty()) << "looking changes nothing";
}

TEST_F(GUITabTest, SkinEditsGoToTheChosenStateAndAskBeforeResetsAndSpriteStrips)
{
    storeSprite("Five", 5);
    storeSprite("Four", 4);
    Panel* live = choose("Skins", [](Panel& f) { f.createWidgetByType("Edit", WT_TEXTEDIT, 1); });
    ASSERT_NE(live, nullptr);
    pickWidget(2);
    Widget* w = live->getWidgetByID(1);
    uint8_t c[4];
    setCheck(CtrlGUI::GW_SKIN_HOVERED, true);
    setCheck(CtrlGUI::GW_SKIN_COLORS, true);
    EXPECT_FALSE(tab->isDirty()) << "a mode alone writes nothing";
    typeInto(CtrlGUI::GW_SKIN_BG, "#ff0000");
    w->getBackgroundColor(&c[0], &c[1], &c[2], WS_HOVERED);
    EXPECT_EQ(c[0] * 65536 + c[1] * 256 + c[2], 0xFF0000);
    EXPECT_STREQ(p->getTextEdit(CtrlGUI::GW_SKIN_BG)->getText().c_str(), "#FF0000");
    EXPECT_EQ(w->getSkinOverrideMask(WS_NORMAL), 0u);
    EXPECT_TRUE(tab->isDirty());
    typeInto(CtrlGUI::GW_SKIN_BG, "#12345");
    EXPECT_STREQ(p->getTextEdit(CtrlGUI::GW_SKIN_BG)->getText().c_str(), "#FF0000") << "the widget's colour back";
    // A colour taken from the picker is an edit too.
    tab->setDirty(false);
    TS::pushScript([](int dialogId) {
        TS::clickWidget(dialogId, CtrlBaseControls::CP_FIRST_SWATCH + 8); // blue
        TS::clickWidget(dialogId, CtrlBaseControls::CP_OK);
    });
    ASSERT_TRUE(TS::clickWidget(p->getID(), CtrlGUI::GW_SKIN_BORDER_ICON));
    deliver();
    w->getBorderColor(&c[0], &c[1], &c[2], &c[3], WS_HOVERED);
    EXPECT_EQ(c[0] * 65536 + c[1] * 256 + c[2], 0x0000FF);
    EXPECT_TRUE(tab->isDirty());
    typeInto(CtrlGUI::GW_SKIN_SELECT, "#0000ff80");
    w->getSelectionColor(&c[0], &c[1], &c[2], &c[3], WS_HOVERED);
    EXPECT_EQ(c[2] + c[3], 255 + 0x80);
    setRow(CtrlGUI::GW_SKIN_FONT, 3);
    EXPECT_STREQ(Main::instance()->fontMgr()->get(w->getFont(WS_HOVERED))->getName(), "@zk7/font/Arial10White");
    setRow(CtrlGUI::GW_SKIN_FONT, 1);
    EXPECT_EQ(w->getSkinOverrideMask(WS_HOVERED) & WidgetSkin::SO_FONT, 0u) << "\"Theme\" takes the own font away";

    // Theme on a custom state asks first: No keeps the colours.
    for (const int answer : std::initializer_list<int>{2, 4}) {
        TS::pushAnswer(answer);
        setCheck(CtrlGUI::GW_SKIN_THEME, true);
        EXPECT_STREQ(TS::modalLog().back().title.c_str(), "Reset custom skin");
        EXPECT_EQ(p->getCheckBox(CtrlGUI::GW_SKIN_COLORS)->isChecked(), answer != 4);
        EXPECT_EQ(w->getSkinOverrideMask(WS_HOVERED) != 0, answer != 4);
    }

    // A sprite of five animations may go to every state; four never asks.
    setCheck(CtrlGUI::GW_SKIN_ASSET, true);
    const size_t asked = TS::modalLog().size();
    TS::pushAnswer(4);
    setRow(CtrlGUI::GW_SKIN_SPRITE, 2); // Five
    EXPECT_EQ(TS::modalLog().size(), asked + 1);
    EXPECT_STREQ(TS::modalLog().back().title.c_str(), "Apply sprite");
    for (int s = 0; s < WS_COUNT; ++s)
        EXPECT_GT(w->getBackgroundSprite(s), 0) << s;
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_ANIM).size(), 5u);
    setCheck(CtrlGUI::GW_SKIN_PRESSED, true);
    setCheck(CtrlGUI::GW_SKIN_ASSET, true);
    setRow(CtrlGUI::GW_SKIN_SPRITE, 3); // Four
    EXPECT_EQ(TS::modalLog().size(), asked + 1);
    EXPECT_STREQ(Main::instance()->spriteMgr()->get(w->getBackgroundSprite(WS_PRESSED))->getName(), "Four");
    EXPECT_STREQ(Main::instance()->spriteMgr()->get(w->getBackgroundSprite(WS_NORMAL))->getName(), "Five");
    setRow(CtrlGUI::GW_SKIN_ANIM, 4);
    int anim = 0;
    w->getBackgroundSprite(WS_PRESSED, &anim);
    EXPECT_EQ(anim, 3);
}

TEST_F(GUITabTest, TheTooltipDialogChangesTheStyleOnlyThroughOkOrUseTheme)
{
    Panel* live = choose("Tips", [](Panel& f) {
        f.createWidgetByType("Go", WT_BUTTON, 1)->setTooltipFont(
            Main::instance()->fontMgr()->getBuiltin("CourierNew10White"));
    });
    ASSERT_NE(live, nullptr);
    pickWidget(2);
    Widget* w = live->getWidgetByID(1);
    const struct {
        int button;
        bool dirty;
        int font; // 0: none of its own
        uint32_t background;
    } runs[] = {{TD_CANCEL, false, 6, 0}, {TD_OK, true, 6, 0xFF000080}, {TD_USE_THEME, true, 0, 0}};
    for (const auto& run : runs) {
        int selectedRow = -1;
        std::string typed;
        TS::pushScript([&](int dialogId) {
            Panel* dialog = gui->getPanel(dialogId);
            selectedRow = dialog->getComboBox(TD_FONT)->getSelectedIndex();
            ASSERT_TRUE(TS::clickWidget(dialogId, TD_BG));
            TS::key(SDLK_a, KMOD_CTRL);
            TS::typeText("ff000080");
            TS::key(SDLK_TAB); // Enter would confirm the dialog
            TS::pump();
            typed = dialog->getTextEdit(TD_BG)->getText().c_str();
            TS::clickWidget(dialogId, run.button);
        });
        tab->setDirty(false);
        tab->processEvent(CtrlGUI::GW_TOOLTIP_SETTINGS, 0);
        EXPECT_EQ(selectedRow, 6) << "CourierNew10White";
        EXPECT_EQ(typed, "#FF000080");
        EXPECT_EQ(tab->isDirty(), run.dirty) << run.button;
        const Font* f = Main::instance()->fontMgr()->get(w->getTooltipFont());
        EXPECT_EQ(f ? std::string(f->getName()) : "", run.font ? "@zk7/font/CourierNew10White" : "");
        uint8_t c[4] = {};
        const bool own = w->getTooltipBackgroundColor(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(own ? (uint32_t(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3]) : 0u, run.background);
    }
}

TEST_F(GUITabTest, TheAddWidgetDialogKeepsNamesAndIdsUsable)
{
    Panel* live = choose("Names", [](Panel& f) {
        f.createWidgetByType("Taken", WT_FRAME, 1);
        f.createWidgetByType("Button_2", WT_FRAME, 3);
    });
    ASSERT_NE(live, nullptr);
    const auto typeInto = [](int dialogId, int id, const char* text) {
        TS::clickWidget(dialogId, id);
        TS::key(SDLK_a, KMOD_CTRL);
        TS::typeText(text);
        TS::key(SDLK_TAB); // Enter would confirm the dialog
        TS::pump();
    };
    std::vector<std::string> seen;
    TS::pushScript([&](int dialogId) {
        Panel* dialog = gui->getPanel(dialogId);
        const auto name = [&] { seen.emplace_back(dialog->getTextEdit(AW_NAME)->getText().c_str()); };
        name(); // Button_2
        typeInto(dialogId, AW_NAME, "Mine");
        TS::clickWidget(dialogId, AW_FIRST_TYPE + 2); // Label: a name of one's own stays
        TS::pump();
        name();
        // The panel stores "Names." and the widget name in 127 bytes.
        typeInto(dialogId, AW_NAME, std::string(121, 'n').c_str());
        name();
        typeInto(dialogId, AW_NAME, std::string(122, 'n').c_str());
        name(); // the automatic name again
        typeInto(dialogId, AW_NAME, "Taken");
        name(); // the automatic name again
        typeInto(dialogId, AW_ID, "3");
        name(); // 3 is in use: the lowest free id
        TS::clickWidget(dialogId, AW_CANCEL);
    });
    tab->processEvent(CtrlGUI::GW_ADD_WIDGET, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"Button_2", "Mine", std::string(121, 'n'), "Label_2", "Label_2",
                                              "Label_2"}));
    EXPECT_EQ(live->getWidgetByID(2), nullptr) << "Cancel adds nothing";
    EXPECT_FALSE(tab->isDirty());

    // The automatic name is an existing widget's: OK refuses it.
    TS::pushScript([](int dialogId) { TS::clickWidget(dialogId, AW_OK); });
    TS::pushAnswer(MBB_OK);
    tab->processEvent(CtrlGUI::GW_ADD_WIDGET, 0);
    EXPECT_STREQ(TS::modalLog().back().text.c_str(), "Invalid widget name or ID.");
    EXPECT_EQ(live->getWidgetByID(2), nullptr);
    EXPECT_FALSE(tab->isDirty());

    for (int id = 1; id <= 2047; ++id)
        if (!live->getWidgetByID(id))
            live->createWidgetByType(("F" + std::to_string(id)).c_str(), WT_FRAME, id);
    TS::pushAnswer(1);
    tab->processEvent(CtrlGUI::GW_ADD_WIDGET, 0);
    EXPECT_STREQ(TS::modalLog().back().text.c_str(), "No free widget ID is available.");
}

} // namespace
