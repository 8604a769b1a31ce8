// The GUI tab driven through real clicks and typing: a stored panel is
// chosen, one of its widgets picked and edited, the tab left and entered
// again, a previewed widget clicked, the panel saved and read back.
#include "app/AppFixture.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/TabControls.h"

#include "tabs/gui/ctrlGUI.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_keycode.h>

#include <cstdio>

namespace {

using namespace Zelkoran;
using namespace CtrlGUIInternal;
namespace TS = editortest::TS;

class GUITabEndToEndTest : public AppTest {
protected:
    // An archive holding the panel "menu": a label, a button whose id is
    // the editor's New button's, and a slider.
    void openMenuArchive()
    {
        ASSERT_EQ(start(), 0);
        const std::string path = folder.path("gui.qel");
        ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int archiveId = archives->create(path.c_str(), 0);
        GUIMgr* gui = Main::instance()->guiMgr();
        const int id = gui->create("menu", 0x42000000);
        Panel* p = gui->getPanel(id);
        p->baseWidget()->setSize(300, 200);
        static_cast<WidgetLabel*>(p->createWidgetByType("Title", WT_LABEL, 1))->setText("Old title");
        auto* start = static_cast<WidgetButton*>(p->createWidgetByType("Start", WT_BUTTON, 107));
        start->setText("Start");
        start->setPosition(Position(20), Position(100));
        p->createWidgetByType("Volume", WT_SLIDER, 5);
        ASSERT_EQ(p->save(archiveId), 0);
        gui->close(id);
        archives->close(archiveId);
        editortest::openAsEditorArchive(*app.globalStatus(), path);
        app.menu()->update();
    }

    Panel* guiTab()
    {
        GUIMgr* gui = Main::instance()->guiMgr();
        for (int id : gui->getPanelIDs())
            if (gui->getPanel(id)->getList(CtrlGUI::GW_LIST))
                return gui->getPanel(id);
        return nullptr;
    }

    void pass()
    {
        for (int i = 0; i < 3; ++i)
            ASSERT_FALSE(app.runPass());
    }

    // Clicks row (1-based) of list listId on the tab's panel.
    void clickRow(int listId, int row)
    {
        const SDL_Rect r = guiTab()->getList(listId)->getRect();
        const int h = guiTab()->getList(listId)->getRowHeight();
        TS::click(r.x + 10, r.y + 2 + h * (row - 1) + h / 2);
        pass();
    }

    void clickWidget(int panelId, int widgetId)
    {
        ASSERT_TRUE(TS::clickWidget(panelId, widgetId)) << widgetId;
        pass();
    }

    // Picks row of a combo box of the tab with the keyboard, as from its
    // open list.
    void chooseRow(int comboId, int row)
    {
        clickWidget(guiTab()->getID(), comboId);
        for (int r = guiTab()->getComboBox(comboId)->getSelectedIndex(); r < row; ++r)
            TS::key(SDLK_DOWN);
        TS::key(SDLK_RETURN);
        pass();
    }

    CtrlGUI* tab() { return static_cast<CtrlGUI*>(app.menu()->getCtrls()[5]); }
};

TEST_F(GUITabEndToEndTest, APanelIsEditedThroughTheTabAndSavedAsSeen)
{
    openMenuArchive();
    const int menuPanel = app.resources()->get(SR_MENU_PANEL);
    clickWidget(menuPanel, TAB_GUI);
    ASSERT_NE(guiTab(), nullptr);
    clickRow(CtrlBase::BW_LIST, 1);
    ASSERT_GT(tab()->getPanelId(), 0) << "choosing the block loads the live panel";
    Panel* live = Main::instance()->guiMgr()->getPanel(tab()->getPanelId());
    EXPECT_TRUE(live->isShown());
    const SDL_Rect base = live->baseWidget()->getRect();
    EXPECT_EQ(base.x, 200 + (1400 - 200 - 300) / 2);
    EXPECT_EQ(base.y, 40 + (1000 - 40 - 200) / 2);
    EXPECT_EQ(editortest::listItems(guiTab()->getList(CtrlGUI::GW_LIST)),
              (std::vector<std::string>{"menu (Panel, " + std::to_string(tab()->getPanelId()) + ")",
                                        "Title (Label, 1)", "Start (Button, 107)", "Volume (Slider, 5)"}));

    clickRow(CtrlGUI::GW_LIST, 2);
    EXPECT_EQ(tab()->getSelectedWidgetId(), 1);
    EXPECT_STREQ(guiTab()->getTextEdit(CtrlGUI::GW_TEXT)->getText().c_str(), "Old title");
    clickWidget(guiTab()->getID(), CtrlGUI::GW_TEXT);
    TS::key(SDLK_a, KMOD_CTRL);
    // One key a pass, as a user types: each edit reaches the tab in between
    // and must not take the focus from the field.
    for (const char ch : std::string("Welcome")) {
        TS::typeText(std::string(1, ch).c_str());
        pass();
    }
    TS::key(SDLK_RETURN);
    pass();
    EXPECT_STREQ(live->getLabel(1)->getText(), "Welcome") << "the preview follows the field";
    EXPECT_TRUE(tab()->isDirty());

    // Leaving the tab with unsaved edits keeps them.
    clickWidget(menuPanel, TAB_IMAGES);
    EXPECT_FALSE(live->isShown());
    clickWidget(menuPanel, TAB_GUI);
    ASSERT_EQ(Main::instance()->guiMgr()->getPanel(tab()->getPanelId()), live);
    EXPECT_TRUE(live->isShown());
    EXPECT_TRUE(tab()->isDirty());
    EXPECT_STREQ(live->getLabel(1)->getText(), "Welcome");

    // The previewed button has the id of the editor's New button: its click
    // is content, not a command.
    clickWidget(live->getID(), 107);
    EXPECT_EQ(tab()->getPanelId(), live->getID());
    EXPECT_STREQ(guiTab()->getTextEdit(CtrlBase::BW_NAME)->getText().c_str(), "menu");

    TS::pushAnswer(0); // the timed "Panel saved." notice
    clickWidget(guiTab()->getID(), CtrlBase::BW_SAVE);
    EXPECT_FALSE(tab()->isDirty());
    ASSERT_FALSE(TS::modalLog().empty());
    EXPECT_STREQ(TS::modalLog().back().text.c_str(), "Panel saved.");

    const int reloaded = Main::instance()->guiMgr()->load(app.globalStatus()->iArchiveID, "menu");
    ASSERT_GT(reloaded, 0);
    Panel* stored = Main::instance()->guiMgr()->getPanel(reloaded);
    EXPECT_STREQ(stored->getLabel(1)->getText(), "Welcome");
    EXPECT_FALSE(stored->isShown()) << "stored hidden, as it was before the preview showed it";
    EXPECT_EQ(stored->getScreen(), 0);
    TS::clearModalLog();
}

TEST_F(GUITabEndToEndTest, AnAddedButtonIsSkinnedPerStateAndKeepsItAfterSaving)
{
    openMenuArchive();
    {
        // A sprite of one animation for the hovered state.
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 12, 12, 32, SDL_PIXELFORMAT_ARGB8888);
        SpriteMgr* sprites = Main::instance()->spriteMgr();
        Sprite* glow = sprites->get(sprites->create("Glow", 10));
        ASSERT_EQ(glow->assignImage(Main::instance()->imageMgr()->loadFromSurface(s, "glow"), 1), 0);
        SDL_FreeSurface(s);
        ASSERT_EQ(glow->save(app.globalStatus()->iArchiveID, ""), 0);
        sprites->close(glow->getID());
    }
    const int menuPanel = app.resources()->get(SR_MENU_PANEL);
    clickWidget(menuPanel, TAB_GUI);
    clickRow(CtrlBase::BW_LIST, 1);
    Panel* live = Main::instance()->guiMgr()->getPanel(tab()->getPanelId());
    ASSERT_NE(live, nullptr);
    const int tabPanel = guiTab()->getID();

    // The id typed is the label's: the field offers the first free one and
    // says why at once, and the user is told again once it is added.
    std::vector<std::string> notes;
    TS::pushScript([&](int dialogId) {
        const auto note = [&] {
            const WidgetLabel* label = editortest::panel(dialogId)->getLabel(AW_ID_NOTE);
            notes.push_back(label ? label->getText() : "<none>");
        };
        note();
        typeKeys(dialogId, AW_ID, "1", Commit::Tab);
        note();
        typeKeys(dialogId, AW_ID, "7", Commit::Tab);
        note();
        typeKeys(dialogId, AW_ID, "1", Commit::None);
        TS::clickWidget(dialogId, AW_OK);
    });
    TS::pushAnswer(MBB_OK);
    clickWidget(tabPanel, CtrlGUI::GW_ADD_WIDGET);
    Widget* added = live->getWidgetByID(2);
    ASSERT_NE(added, nullptr);
    EXPECT_STREQ(added->getName(), "Button_2");
    EXPECT_EQ(tab()->getSelectedWidgetId(), 2);
    EXPECT_STREQ(TS::modalLog().back().text.c_str(), "Widget ID 1 is already in use: the widget was added with ID 2.");
    EXPECT_EQ(notes, (std::vector<std::string>{"", "ID 1 is in use: 2 is offered.", ""}));

    clickWidget(tabPanel, CtrlGUI::GW_SKIN_PRESSED);
    clickWidget(tabPanel, CtrlGUI::GW_SKIN_COLORS);
    typeKeys(tabPanel, CtrlGUI::GW_SKIN_BORDER, "#00FF00FF");
    clickWidget(tabPanel, CtrlGUI::GW_SKIN_HOVERED);
    clickWidget(tabPanel, CtrlGUI::GW_SKIN_COLORS);
    typeKeys(tabPanel, CtrlGUI::GW_SKIN_BG, "#3050F0");
    clickWidget(tabPanel, CtrlGUI::GW_SKIN_ASSET);
    chooseRow(CtrlGUI::GW_SKIN_SPRITE, 2);
    EXPECT_TRUE(tab()->isDirty());

    // The tooltip's background through its dialog.
    TS::pushScript([this](int dialogId) {
        typeKeys(dialogId, TD_BG, "#102030C0");
        TS::clickWidget(dialogId, TD_OK);
    });
    clickWidget(tabPanel, CtrlGUI::GW_TOOLTIP_SETTINGS);

    const auto describe = [](Widget& w) {
        std::string d;
        for (int s = 0; s < WS_COUNT; ++s) {
            uint8_t v[4];
            const Sprite* sprite = Main::instance()->spriteMgr()->get(w.getBackgroundSprite(s));
            d += std::to_string(s) + ":" + std::to_string(w.getSkinOverrideMask(s)) + " " +
                 (sprite ? sprite->getName() : "-");
            w.getBackgroundColor(&v[0], &v[1], &v[2], s);
            d += " " + hexColorRGB(v[0], v[1], v[2]);
            w.getBorderColor(&v[0], &v[1], &v[2], &v[3], s);
            d += " " + hexColorRGBA(v[0], v[1], v[2], v[3]) + "; ";
        }
        uint8_t t[4] = {};
        d += w.getTooltipBackgroundColor(t[0], t[1], t[2], t[3]) ? hexColorRGBA(t[0], t[1], t[2], t[3]) : "-";
        return d;
    };
    const std::string edited = describe(*added);
    EXPECT_NE(edited.find("Glow #3050F0"), std::string::npos) << edited;
    EXPECT_NE(edited.find("#00FF00FF"), std::string::npos) << edited;
    EXPECT_NE(edited.find("#102030C0"), std::string::npos) << edited;

    TS::pushAnswer(0); // the timed "Panel saved." notice
    clickWidget(tabPanel, CtrlBase::BW_SAVE);
    EXPECT_FALSE(tab()->isDirty());
    const int reloaded = Main::instance()->guiMgr()->load(app.globalStatus()->iArchiveID, "menu");
    ASSERT_GT(reloaded, 0);
    Widget* stored = Main::instance()->guiMgr()->getPanel(reloaded)->getWidgetByID(2);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(describe(*stored), edited);
    TS::clearModalLog();
}

// A slider and a number edit keep their value inside their range: a value
// or limit they take otherwise than typed shows as taken, and is what is
// stored.
TEST_F(GUITabEndToEndTest, SpecialNumbersShowWhatTheWidgetTook)
{
    openMenuArchive();
    clickWidget(app.resources()->get(SR_MENU_PANEL), TAB_GUI);
    clickRow(CtrlBase::BW_LIST, 1);
    const int tabPanel = guiTab()->getID();
    TS::pushScript([](int dialogId) {
        TS::clickWidget(dialogId, AW_FIRST_TYPE + 8); // NumberEdit
        TS::clickWidget(dialogId, AW_OK);
    });
    clickWidget(tabPanel, CtrlGUI::GW_ADD_WIDGET);
    const int numberRow = 5;
    const struct {
        int row, field;
        const char* typed;
        const char *value, *range, *min, *max; // as shown after the commit
    } cases[] = {
        {4, CtrlGUI::GW_VALUE, "500", "100", "101", nullptr, nullptr},
        {4, CtrlGUI::GW_RANGE, "10", "9", "10", nullptr, nullptr},
        {numberRow, CtrlGUI::GW_MIN, "50", "50", nullptr, "50", "8192"},
        {numberRow, CtrlGUI::GW_MAX, "10", "50", nullptr, "10", "50"},
        {numberRow, CtrlGUI::GW_VALUE, "2", "10", nullptr, "10", "50"},
    };
    const auto shown = [this](int id) { return std::string(guiTab()->getNumberEdit(id)->getText().c_str()); };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.field) + " \"" + c.typed + "\"");
        clickRow(CtrlGUI::GW_LIST, c.row);
        typeKeys(tabPanel, c.field, c.typed);
        EXPECT_EQ(shown(CtrlGUI::GW_VALUE), c.value);
        if (c.range) {
            EXPECT_EQ(shown(CtrlGUI::GW_RANGE), c.range);
        }
        if (c.min) {
            EXPECT_EQ(shown(CtrlGUI::GW_MIN), c.min);
            EXPECT_EQ(shown(CtrlGUI::GW_MAX), c.max);
        }
    }
    TS::pushAnswer(0); // the timed "Panel saved." notice
    clickWidget(tabPanel, CtrlBase::BW_SAVE);
    const int reloaded = Main::instance()->guiMgr()->load(app.globalStatus()->iArchiveID, "menu");
    ASSERT_GT(reloaded, 0);
    Panel* stored = Main::instance()->guiMgr()->getPanel(reloaded);
    EXPECT_EQ(stored->getSlider(5)->getValue(), 9);
    EXPECT_EQ(stored->getNumberEdit(2)->getValue(), 10);
    EXPECT_EQ(stored->getNumberEdit(2)->getMax(), 50);
    TS::clearModalLog();
}

TEST_F(GUITabEndToEndTest, TheSkinListsFollowTheOpenedArchive)
{
    ASSERT_EQ(start(), 0);
    openArchive(kMixedBlocks);
    clickWidget(app.resources()->get(SR_MENU_PANEL), TAB_GUI);
    EXPECT_EQ(editortest::listItems(guiTab()->getList(CtrlBase::BW_LIST)), (std::vector<std::string>{"hud"}));
    const auto rows = [this](int comboId) {
        std::vector<std::string> items;
        for (int i = 1; i <= guiTab()->getComboBox(comboId)->getItemCount(); ++i)
            items.emplace_back(guiTab()->getComboBox(comboId)->getItemText(i));
        return items;
    };
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_IMAGE), (std::vector<std::string>{"None", "hero", "map"}));
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_SPRITE), (std::vector<std::string>{"None", "walk"}));
    EXPECT_EQ(rows(CtrlGUI::GW_SKIN_FONT).back(), "serif");
}

TEST_F(GUITabEndToEndTest, ADamagedPanelIsReportedAndTheOpenOneKeepsItsEdits)
{
    openMenuArchive();
    Archive* archive = Main::instance()->archiveMgr()->get(app.globalStatus()->iArchiveID);
    // "garbled" decodes to nothing; "rotten" fails the archive's own check.
    const std::string rottenBytes = "ZKG-rotten-panel-bytes";
    for (const std::string& name : {std::string("garbled"), std::string("rotten")}) {
        Archive::Block block(name.c_str(), "ZK7_GUIPANEL");
        const std::string& data = name == "rotten" ? rottenBytes : name;
        block.data = const_cast<char*>(data.data());
        block.size = data.size();
        ASSERT_EQ(archive->blockAdd(block), 0);
    }
    {
        std::string file = editortest::readFile(app.globalStatus()->sArchivePath.c_str());
        const size_t at = file.find(rottenBytes);
        ASSERT_NE(at, std::string::npos);
        std::FILE* f = std::fopen(app.globalStatus()->sArchivePath.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fseek(f, static_cast<long>(at + 4), SEEK_SET);
        std::fputc('#', f);
        std::fclose(f);
    }
    app.globalStatus()->bReparseAll = 1;
    app.menu()->update();
    const int menuPanel = app.resources()->get(SR_MENU_PANEL);
    clickWidget(menuPanel, TAB_GUI);
    EXPECT_EQ(editortest::listItems(guiTab()->getList(CtrlBase::BW_LIST)),
              (std::vector<std::string>{"garbled", "menu", "rotten"}));
    clickRow(CtrlBase::BW_LIST, 2);
    Panel* live = Main::instance()->guiMgr()->getPanel(tab()->getPanelId());
    ASSERT_NE(live, nullptr);
    clickRow(CtrlGUI::GW_LIST, 2);
    typeKeys(guiTab()->getID(), CtrlGUI::GW_TEXT, "Unsaved");
    ASSERT_TRUE(tab()->isDirty());
    for (int row : std::initializer_list<int>{1, 3}) {
        TS::pushAnswer(1); // the error box
        clickRow(CtrlBase::BW_LIST, row);
        ASSERT_FALSE(TS::modalLog().empty());
        EXPECT_EQ(TS::modalLog().back().text.find("Panel '" + std::string(row == 1 ? "garbled" : "rotten") +
                                                  "' could not be loaded."),
                  0u)
            << TS::modalLog().back().text;
        EXPECT_EQ(Main::instance()->guiMgr()->getPanel(tab()->getPanelId()), live) << row;
        EXPECT_TRUE(live->isShown());
        EXPECT_STREQ(live->getLabel(1)->getText(), "Unsaved");
        EXPECT_TRUE(tab()->isDirty());
        EXPECT_STREQ(guiTab()->getList(CtrlBase::BW_LIST)->getSelectedText(), "menu");
        EXPECT_STREQ(guiTab()->getTextEdit(CtrlBase::BW_NAME)->getText().c_str(), "menu");
    }
    const std::string log = logText();
    EXPECT_NE(log.find("the panel block \"garbled\" is damaged"), std::string::npos);
    EXPECT_NE(log.find("block \"rotten\" of type ZK7_GUIPANEL fails its check"), std::string::npos);
    TS::clearModalLog();
}

TEST_F(GUITabEndToEndTest, APanelWhosePictureIsGoneSaysSoWhenItIsOpened)
{
    openMenuArchive();
    const int archiveId = app.globalStatus()->iArchiveID;
    ImageMgr* images = Main::instance()->imageMgr();
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
    const int picture = images->loadFromSurface(s, "#skinned/ok_0");
    SDL_FreeSurface(s);
    ASSERT_EQ(images->get(picture)->save(archiveId, "#skinned/ok_0"), 0);
    images->close(picture);
    GUIMgr* gui = Main::instance()->guiMgr();
    const int id = gui->create("skinned", 0x42000000);
    Widget* ok = gui->getPanel(id)->createWidgetByType("ok", WT_BUTTON, 1);
    ok->setBackgroundImage(archiveId, "#skinned/ok_0", WS_NORMAL);
    ASSERT_EQ(gui->getPanel(id)->save(archiveId), 0);
    gui->close(id);
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    ASSERT_EQ(archive->blockDelete(Archive::Block("#skinned/ok_0", "ZK7_IMAGE")), 0);
    app.globalStatus()->bReparseAll = 1;
    app.menu()->update();
    clickWidget(app.resources()->get(SR_MENU_PANEL), TAB_GUI);
    TS::clearModalLog();
    TS::pushAnswer(1);
    clickRow(CtrlBase::BW_LIST, 2);
    ASSERT_NE(gui->getPanel(tab()->getPanelId()), nullptr) << "opened all the same";
    ASSERT_FALSE(TS::modalLog().empty());
    EXPECT_EQ(TS::modalLog().back().text, "Panel 'skinned' is shown without what it names that could not be loaded:\n"
                                          "image \"#skinned/ok_0\"");
    TS::clearModalLog();
}

} // namespace
