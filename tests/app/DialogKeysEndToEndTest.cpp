// Every dialog of the editor, opened through the window as a user opens it:
// Escape cancels it and Enter confirms it. A key that does nothing leaves
// the dialog open, and the click queued after it answers the other way, so
// the outcome shows which of the two closed it.
#include "app/AppFixture.h"
#include "app/KeyPanelScript.h"
#include "app/Menu.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/scenes/SceneChoiceIds.h"
#include "tabs/scenes/SceneTabWidgets.h"

#include "import/legacy/LegacyBlocks.h"
#include "tabs/base/ctrlBaseControls.h"
#include "services/Version.h"
#include "tabs/gui/ctrlGUI.h"
#include "tabs/scenes/import/SceneImportDialogIds.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Tool.h>

#include <SDL_keycode.h>

#include <cctype>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

constexpr int kSceneName = sceneImportDialog::ID_NAME;    // the New Scene dialog's name field

class DialogKeysEndToEndTest;
using Step = void (*)(DialogKeysEndToEndTest& t, int key);
using Outcome = bool (*)(DialogKeysEndToEndTest& t);

// A dialog's buttons: confirm and cancel, cancel alone (Escape only), or
// OK alone (either key confirms).
enum class Buttons { Both, CancelOnly, OkOnly };

struct DialogCase {
    const char* dialog;
    const char* title; // of its modal run; null for the key panel, which its script records
    Step open;         // brings the archive and tab it needs, then opens the dialog and presses key
    Outcome confirmed; // whether the dialog ended as its confirm button ends it
    Buttons buttons;
};

class DialogKeysEndToEndTest : public AppTest, public ::testing::WithParamInterface<std::tuple<DialogCase, int>> {
public:
    using AppTest::openArchive;
    using AppTest::tabPanel;

    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_EQ(start(), 0);
        script.install();
        TS::setModalWatchdog(2000);
        app.runPass();
    }

    GlobalStatus& gs() { return *app.globalStatus(); }

    void pass()
    {
        for (int i = 0; i < 3; ++i)
            quitAsked = app.runPass() || quitAsked;
    }

    void clickWidget(int panelId, int widgetId)
    {
        ASSERT_TRUE(TS::clickWidget(panelId, widgetId)) << widgetId;
        pass();
    }
    void clickMenu(int id) { clickWidget(app.resources()->get(SR_MENU_PANEL), id); }

    // The next dialog run gets key, then a click on the button that answers
    // the other way (which a closed dialog no longer receives).
    static void pressInDialog(int key, int confirmId = MBB_OK, int cancelId = MBB_CANCEL)
    {
        TS::pushScript([=](int dialogId) {
            TS::key(key);
            TS::clickWidget(dialogId, key == SDLK_ESCAPE ? confirmId : cancelId);
        });
    }

    // The archive with an encrypted index and the key "key".
    std::string lockedArchive()
    {
        const std::string path = folder.path("locked.qel");
        legacy::buildQELv2(path, {{"hero", "ZK7_IMAGE", qelv1::bytesOf("pixels")}}, 0, "key");
        ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->load(path.c_str(), "key", 3);
        EXPECT_EQ(archives->get(id)->encrypt(), 0);
        archives->close(id);
        return path;
    }

    // The GUI tab showing the stored panel "menu" with its button (id 1)
    // chosen in the widget list.
    void openPanelOnGUITab()
    {
        const std::string path = folder.path("gui.qel");
        ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int archiveId = archives->create(path.c_str(), 0);
        GUIMgr* gui = Main::instance()->guiMgr();
        const int id = gui->create("menu", 0x42000000);
        gui->getPanel(id)->baseWidget()->setSize(300, 200);
        gui->getPanel(id)->createWidgetByType("Go", WT_BUTTON, 1);
        ASSERT_EQ(gui->getPanel(id)->save(archiveId), 0);
        gui->close(id);
        archives->close(archiveId);
        editortest::openAsEditorArchive(gs(), path);
        app.menu()->update();
        clickMenu(TAB_GUI);
        clickRow(CtrlBase::BW_LIST, 1);
        clickRow(CtrlGUI::GW_LIST, 2);
        ASSERT_EQ(guiTab()->getSelectedWidgetId(), 1);
        guiTab()->setDirty(false);
    }
    CtrlGUI* guiTab() { return static_cast<CtrlGUI*>(app.menu()->getCtrls()[5]); }
    Panel* livePanel() { return Main::instance()->guiMgr()->getPanel(guiTab()->getPanelId()); }

    void clickRow(int listId, int row)
    {
        Panel* p = tabPanel("GUI");
        const SDL_Rect r = p->getList(listId)->getRect();
        const int h = p->getList(listId)->getRowHeight();
        TS::click(r.x + 10, r.y + 2 + h * (row - 1) + h / 2);
        pass();
    }

    bool boxTitled(const std::string& title) const
    {
        for (const TS::ModalRecord& r : TS::modalLog())
            if (title == r.title.c_str())
                return true;
        return false;
    }
    bool boxShown(const std::string& text) const
    {
        for (const TS::ModalRecord& r : TS::modalLog())
            if (text == r.text.c_str())
                return true;
        return false;
    }

    KeyPanelScript script{app};
    bool quitAsked = false;
    std::string noted; // a field's text before the dialog
};

const DialogCase kDialogs[] = {
    {"key prompt", nullptr,
     [](DialogKeysEndToEndTest& t, int key) {
         t.script.answerByKey("key", key);
         TS::pushFileAnswer(true, t.lockedArchive().c_str());
         t.clickMenu(Menu::MB_LOAD);
     },
     [](DialogKeysEndToEndTest& t) { return t.gs().bArchiveLoaded == 1; }, Buttons::Both},
    {"lock and unlock panel", nullptr,
     [](DialogKeysEndToEndTest& t, int key) {
         t.openArchive(kMixedBlocks);
         t.script.answerByKey("new key", key);
         // "Set key" shows the panel again.
         if (key == SDLK_RETURN)
             t.script.answerByKey("", SDLK_ESCAPE);
         t.clickMenu(Menu::MB_LOCK);
     },
     [](DialogKeysEndToEndTest& t) { return t.gs().bKeyRemembered == 1; }, Buttons::Both},
    {"Add widget", "Add widget",
     [](DialogKeysEndToEndTest& t, int key) {
         t.openPanelOnGUITab();
         DialogKeysEndToEndTest::pressInDialog(key);
         t.clickWidget(t.tabPanel("GUI")->getID(), CtrlGUI::GW_ADD_WIDGET);
     },
     [](DialogKeysEndToEndTest& t) { return t.livePanel()->getWidgetByID(2) != nullptr; }, Buttons::Both},
    {"Tooltip settings", "Tooltip settings",
     [](DialogKeysEndToEndTest& t, int key) {
         t.openPanelOnGUITab();
         DialogKeysEndToEndTest::pressInDialog(key);
         t.clickWidget(t.tabPanel("GUI")->getID(), CtrlGUI::GW_TOOLTIP_SETTINGS);
     },
     [](DialogKeysEndToEndTest& t) { return t.guiTab()->isDirty(); }, Buttons::Both},
    {"colour picker", "Color picker",
     [](DialogKeysEndToEndTest& t, int key) {
         t.openPanelOnGUITab();
         t.clickWidget(t.tabPanel("GUI")->getID(), CtrlGUI::GW_SKIN_COLORS);
         t.noted = t.tabPanel("GUI")->getTextEdit(CtrlGUI::GW_SKIN_BG)->getText().c_str();
         TS::pushScript([key](int dialogId) {
             TS::clickWidget(dialogId, CtrlBaseControls::CP_FIRST_SWATCH + 1);
             TS::key(key);
             TS::clickWidget(dialogId, key == SDLK_ESCAPE ? CtrlBaseControls::CP_OK : CtrlBaseControls::CP_CANCEL);
         });
         t.clickWidget(t.tabPanel("GUI")->getID(), CtrlGUI::GW_SKIN_BG_SWATCH);
     },
     [](DialogKeysEndToEndTest& t) {
         return t.noted != t.tabPanel("GUI")->getTextEdit(CtrlGUI::GW_SKIN_BG)->getText().c_str();
     },
     Buttons::Both},
    {"choice box", "Scene Import",
     [](DialogKeysEndToEndTest& t, int key) {
         t.openArchive(kMixedBlocks);
         t.clickMenu(TAB_SCENES);
         DialogKeysEndToEndTest::pressInDialog(key, SC_SCENE, CtrlBaseControls::CB_CANCEL);
         TS::pushAnswer(sceneImportDialog::ID_CANCEL); // the New Scene dialog, should the choice be made
         t.clickWidget(t.tabPanel("Scenes")->getID(), SW_IMPORT);
     },
     [](DialogKeysEndToEndTest&) { return TS::pendingAnswers() == 0; }, Buttons::CancelOnly},
    {"New Scene", "New Scene",
     [](DialogKeysEndToEndTest& t, int key) {
         t.openArchive(kMixedBlocks);
         t.clickMenu(TAB_SCENES);
         TS::pushAnswer(SC_SCENE);
         // In the emptied name field: confirmed, the dialog is told a name is missing.
         TS::pushScript([key](int dialogId) {
             TS::clickWidget(dialogId, kSceneName);
             TS::key(SDLK_a, KMOD_CTRL);
             TS::key(SDLK_DELETE);
             TS::key(key);
             TS::clickWidget(dialogId, key == SDLK_ESCAPE ? sceneImportDialog::ID_OK : sceneImportDialog::ID_CANCEL);
         });
         TS::pushAnswer(MBB_OK);                     // "Scene name is required."
         TS::pushAnswer(sceneImportDialog::ID_CANCEL); // the dialog shown again
         t.clickWidget(t.tabPanel("Scenes")->getID(), SW_IMPORT);
     },
     [](DialogKeysEndToEndTest& t) { return t.boxShown("Scene name is required."); }, Buttons::Both},
    {"Close question", "Close current QEL file",
     [](DialogKeysEndToEndTest& t, int key) {
         t.openArchive(kMixedBlocks);
         DialogKeysEndToEndTest::pressInDialog(key, MBB_YES, MBB_NO);
         t.clickMenu(Menu::MB_CLOSE);
     },
     [](DialogKeysEndToEndTest& t) { return t.gs().bArchiveLoaded == 0; }, Buttons::Both},
    // OK alone: either key ends them with OK, never with the watchdog's quit.
    {"QEL tools", "QEL Info and Options",
     [](DialogKeysEndToEndTest& t, int key) {
         t.openArchive(kMixedBlocks);
         TS::pushScript([key](int) { TS::key(key); });
         t.clickMenu(Menu::MB_TOOLS);
     },
     [](DialogKeysEndToEndTest& t) { return !t.quitAsked; }, Buttons::OkOnly},
    {"Information", kSkardenNameVersion,
     [](DialogKeysEndToEndTest& t, int key) {
         TS::pushScript([key](int) { TS::key(key); });
         t.clickMenu(Menu::MB_INFO);
     },
     [](DialogKeysEndToEndTest& t) { return !t.quitAsked; }, Buttons::OkOnly},
};

TEST_P(DialogKeysEndToEndTest, EscapeCancelsAndEnterConfirms)
{
    const auto& [dialog, key] = GetParam();
    dialog.open(*this, key);
    pass();
    if (dialog.title) {
        EXPECT_TRUE(boxTitled(dialog.title)) << "the dialog was not shown";
    }
    const bool expected = dialog.buttons == Buttons::OkOnly || key == SDLK_RETURN;
    EXPECT_EQ(dialog.confirmed(*this), expected);
    EXPECT_EQ(script.pending(), 0u);
    TS::clearAnswers();
}

std::vector<std::tuple<DialogCase, int>> dialogKeys()
{
    std::vector<std::tuple<DialogCase, int>> out;
    for (const DialogCase& d : kDialogs)
        for (int key : {SDLK_ESCAPE, SDLK_RETURN})
            if (d.buttons != Buttons::CancelOnly || key == SDLK_ESCAPE)
                out.emplace_back(d, key);
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryDialog, DialogKeysEndToEndTest, ::testing::ValuesIn(dialogKeys()),
                         [](const ::testing::TestParamInfo<std::tuple<DialogCase, int>>& param) {
                             std::string name = std::get<0>(param.param).dialog;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name + (std::get<1>(param.param) == SDLK_ESCAPE ? "_Escape" : "_Enter");
                         });

} // namespace
