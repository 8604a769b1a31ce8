// Hidden pictures that only a map or a panel names, driven through the
// tabs with clicks: they go with the last block that names them and come
// back when the Undelete tab brings that block back.
#include "app/AppFixture.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/data/ctrlUndelete.h"

#include "tabs/gui/ctrlGUI.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_keycode.h>
#include <SDL_surface.h>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

class CompanionPicturesEndToEndTest : public AppTest {
protected:
    // Starts the editor (once) on a new archive "pictures.qel" in folder
    // "within" of the scratch folder, that build fills.
    void openWith(const std::function<void(int archiveId)>& build, const std::string& within = ".")
    {
        if (!started) {
            ASSERT_EQ(start(), 0);
        }
        started = true;
        std::filesystem::create_directories(folder.path(within));
        path = folder.path(within + "/pictures.qel");
        ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->create(path.c_str(), 0);
        ASSERT_GT(id, 0);
        build(id);
        archives->close(id);
        editortest::openAsEditorArchive(*app.globalStatus(), path);
        app.menu()->update();
    }

    static void storePicture(int archiveId, const char* name)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 16, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, 0xFF20A040);
        ImageMgr* images = Main::instance()->imageMgr();
        const int id = images->loadFromSurface(s, name);
        SDL_FreeSurface(s);
        ASSERT_GT(id, 0);
        ASSERT_EQ(images->get(id)->save(archiveId, name), 0);
        images->close(id);
    }

    static void storeText(int archiveId, const char* name, const std::string& text)
    {
        Archive::Block block(name, "ZK7_XML");
        block.data = const_cast<char*>(text.data());
        block.size = text.size();
        ASSERT_EQ(Main::instance()->archiveMgr()->get(archiveId)->blockAdd(block), 0);
    }

    // A map naming two pictures of its own and a tile set with its picture,
    // stored as an import stores them: what it names first, then the text
    // naming them by URI and by plain name.
    static void storeLevel(int id)
    {
        storePicture(id, "#M_level_0");
        storePicture(id, "#M_level_1");
        storePicture(id, "tiles.png");
        storeText(id, "tiles.tsx",
                  "<tileset name=\"s\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"2\" columns=\"2\">"
                  "<image source=\"tiles.png\" width=\"32\" height=\"16\"/></tileset>\n");
        storeText(id, "level.tmx",
                  "<map version=\"1.10\" orientation=\"orthogonal\" width=\"2\" height=\"1\" tilewidth=\"16\" "
                  "tileheight=\"16\">\n <tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" tileheight=\"16\" "
                  "tilecount=\"2\" columns=\"2\"><image source=\"qel://pictures.qel/#M_level_0\" width=\"32\" "
                  "height=\"16\"/></tileset>\n <tileset firstgid=\"3\" source=\"qel://pictures.qel/tiles.tsx\"/>\n"
                  " <imagelayer id=\"1\" name=\"I1\"><image source=\"#M_level_1\"/></imagelayer>\n"
                  " <layer id=\"2\" name=\"L\" width=\"2\" height=\"1\"><data encoding=\"csv\">3,4</data>"
                  "</layer>\n</map>\n");
    }

    // A panel of one button skinned per state with the pictures given
    // (normal, hovered, ...; "" for none).
    static void storePanel(int archiveId, const char* name, const std::vector<const char*>& pictures)
    {
        GUIMgr* gui = Main::instance()->guiMgr();
        const int id = gui->create(name, 0x42000000);
        Widget* ok = gui->getPanel(id)->createWidgetByType("ok", WT_BUTTON, 1);
        for (size_t s = 0; s < pictures.size(); ++s) {
            if (pictures[s][0]) {
                ASSERT_EQ(ok->setBackgroundImage(archiveId, pictures[s], static_cast<int>(s)), 0) << pictures[s];
            }
        }
        ASSERT_EQ(gui->getPanel(id)->save(archiveId), 0);
        gui->close(id);
    }

    void pass()
    {
        for (int i = 0; i < 3; ++i)
            ASSERT_FALSE(app.runPass());
    }
    void clickWidget(int panelId, int widgetId)
    {
        ASSERT_TRUE(TS::clickWidget(panelId, widgetId)) << widgetId;
        pass();
    }
    void showTab(int checkBoxId) { clickWidget(app.resources()->get(SR_MENU_PANEL), checkBoxId); }
    // Clicks row (1-based) of list listId of the tab named tab.
    void clickRow(const char* tab, int listId, int row)
    {
        WidgetList* list = tabPanel(tab)->getList(listId);
        const SDL_Rect r = list->getRect();
        TS::click(r.x + 10, r.y + 2 + list->getRowHeight() * (row - 1) + list->getRowHeight() / 2);
        pass();
        ASSERT_EQ(list->getSelectedIndex(), row);
    }
    // The Undelete tab's first row brought back; the box it showed.
    std::string undeleteFirstRow()
    {
        showTab(TAB_UNDELETE);
        clickRow("Undelete", CtrlBase::BW_LIST, 1);
        TS::clearModalLog();
        TS::pushAnswer(MBB_OK);
        clickWidget(tabPanel("Undelete")->getID(), CtrlUndelete::UW_UNDELETE);
        return TS::modalLog().empty() ? "" : TS::modalLog().back().text.c_str();
    }

    bool live(const char* name, const char* type = "ZK7_IMAGE")
    {
        const Archive* archive = Main::instance()->archiveMgr()->get(app.globalStatus()->iArchiveID);
        return archive->blockSearch(Archive::Block(name, type)) >= 0;
    }

    std::string path;
    bool started = false;
};

TEST_F(CompanionPicturesEndToEndTest, AMapDeletedInFullComesBackWithItsPicturesAndTileSetsAndBuildsAgain)
{
    const std::string recovered = "Block was recovered:\n Name: level.tmx\n Type: ZK7_XML";
    const struct {
        const char* name;
        bool tileSetStoredSince; // another tile set of its name stored after the delete
        std::string box;
    } cases[] = {
        {"deleted-with-it", false, recovered},
        {"name-taken-since", true,
         recovered + "\nIts tile set \"tiles.tsx\" as saved with it was not recovered: a block stored since holds "
                     "that name."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openWith(storeLevel, c.name);
        showTab(TAB_SCENES);
        clickRow("Scenes", CtrlBase::BW_LIST, 1);
        ASSERT_STREQ(tabPanel("Scenes")->getList(CtrlBase::BW_LIST)->getSelectedText(), "level.tmx");
        TS::pushAnswer(4); // Delete Full
        clickWidget(tabPanel("Scenes")->getID(), CtrlBase::BW_DELETE);
        for (const auto& [name, type] : {std::pair{"level.tmx", "ZK7_XML"}, {"tiles.tsx", "ZK7_XML"},
                                         {"#M_level_0", "ZK7_IMAGE"}, {"#M_level_1", "ZK7_IMAGE"},
                                         {"tiles.png", "ZK7_IMAGE"}})
            ASSERT_FALSE(live(name, type)) << name;
        if (c.tileSetStoredSince)
            storeText(app.globalStatus()->iArchiveID, "tiles.tsx", "<tileset name=\"new\"/>\n");

        EXPECT_EQ(undeleteFirstRow(), c.box);
        EXPECT_TRUE(live("#M_level_0"));
        EXPECT_TRUE(live("#M_level_1"));
        EXPECT_EQ(live("tiles.png"), !c.tileSetStoredSince) << "the tile set brings its picture";
        if (!c.tileSetStoredSince) {
            SceneMgr* scenes = Main::instance()->sceneMgr();
            const int scene = scenes->load(path.c_str(), "level.tmx");
            EXPECT_GT(scene, 0) << "the map builds again";
            if (scene > 0)
                scenes->close(scene);
        }
    }
}

TEST_F(CompanionPicturesEndToEndTest, APanelDeletedTakesThePicturesOnlyItNamesAndUndeleteBringsThemBack)
{
    openWith([](int id) {
        for (const char* picture : {"#hud/ok_normal", "#hud/ok_hovered", "#shared/ok", "Back"})
            storePicture(id, picture);
        storePanel(id, "hud", {"#hud/ok_normal", "#hud/ok_hovered", "#shared/ok", "Back"});
        storePanel(id, "menu", {"#shared/ok"});
    });
    showTab(TAB_GUI);
    clickRow("GUI", CtrlBase::BW_LIST, 1); // hud
    TS::pushAnswer(MBB_YES);
    clickWidget(tabPanel("GUI")->getID(), CtrlBase::BW_DELETE);
    ASSERT_FALSE(live("hud", "ZK7_GUIPANEL"));
    EXPECT_FALSE(live("#hud/ok_normal"));
    EXPECT_FALSE(live("#hud/ok_hovered"));
    EXPECT_TRUE(live("#shared/ok")) << "another panel names it";
    EXPECT_TRUE(live("Back")) << "the Images tab lists it";

    EXPECT_EQ(undeleteFirstRow(), "Block was recovered:\n Name: hud\n Type: ZK7_GUIPANEL");
    EXPECT_TRUE(live("#hud/ok_normal"));
    EXPECT_TRUE(live("#hud/ok_hovered"));
    const int loaded = Main::instance()->guiMgr()->load(app.globalStatus()->iArchiveID, "hud");
    ASSERT_GT(loaded, 0);
    EXPECT_GT(Main::instance()->guiMgr()->getPanel(loaded)->getWidgetByID(1)->getBackgroundImage(WS_NORMAL), 0);
    Main::instance()->guiMgr()->close(loaded);
}

TEST_F(CompanionPicturesEndToEndTest, ASkinPictureReplacedAndSavedGoesWhenNoPanelNamesIt)
{
    openWith([](int id) {
        for (const char* picture : {"#hud/ok_normal", "#shared/ok", "Back"})
            storePicture(id, picture);
        storePanel(id, "hud", {"#hud/ok_normal", "#shared/ok"});
        storePanel(id, "menu", {"#shared/ok"});
    });
    showTab(TAB_GUI);
    clickRow("GUI", CtrlBase::BW_LIST, 1); // hud
    Panel* tab = tabPanel("GUI");
    clickRow("GUI", CtrlGUI::GW_LIST, 2); // its button
    // Normal, then hovered, each given the listed picture "Back" (row 2).
    for (int state : {CtrlGUI::GW_SKIN_NORMAL, CtrlGUI::GW_SKIN_HOVERED}) {
        clickWidget(tab->getID(), state);
        clickWidget(tab->getID(), CtrlGUI::GW_SKIN_IMAGE);
        for (int row = tab->getComboBox(CtrlGUI::GW_SKIN_IMAGE)->getSelectedIndex(); row != 2; row += row < 2 ? 1 : -1)
            TS::key(row < 2 ? SDLK_DOWN : SDLK_UP);
        TS::key(SDLK_RETURN);
        pass();
        ASSERT_STREQ(tab->getComboBox(CtrlGUI::GW_SKIN_IMAGE)->getSelectedText(), "Back");
    }
    EXPECT_TRUE(live("#hud/ok_normal")) << "nothing goes before the panel is saved";
    TS::pushAnswer(0); // the timed "Panel saved." notice
    clickWidget(tab->getID(), CtrlBase::BW_SAVE);
    ASSERT_STREQ(TS::modalLog().back().text.c_str(), "Panel saved.");
    EXPECT_FALSE(live("#hud/ok_normal"));
    EXPECT_TRUE(live("#shared/ok")) << "another panel names it";
    EXPECT_TRUE(live("Back"));
}

} // namespace
