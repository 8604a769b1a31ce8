#include "app/AppFixture.h"
#include "app/Menu.h"
#include "support/LogCapture.h"
#include "services/FixedPanelIds.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>

#include <SDL.h>

#include <set>

namespace {

using Zelkoran::Main;

constexpr int kAllSpriteIds[] = {0xAC104, 0xAC105, 0xAC106, 0xAC107, 0xAC108, 0xAC109, 0xAC111, 0xAC112,
                                 0xAC113, 0xAC115, 0xAC116, 0xAC117, 0xAC118, 0xAC119, 0xAC120, 0xAC121,
                                 0xAC122, 0xAC123, 0xAC124, 0xAC125, 0xAC126, 0xAC127, 0xAC128, 0xAC129,
                                 0xAC130, 0xAC131, 0xAC132, 0xAC133, 0xAC134, 0xAC135};
constexpr int kAllResourceIds[] = {0xAA001, 0xAA002, 0xAA003, 0xAA004, 0xAA005, 0xAA101, 0xAA102, 0xAC110, 0xAC114};

const unsigned char kNotPng[] = "definitely not a PNG";

Zelkoran::Sprite* sprite(int id) { return Main::instance()->spriteMgr()->get(id); }

// Resource managers on an engine of their own, with the log captured.
class ResourceManagerTest : public ::testing::Test {
protected:
    void TearDown() override { Main::terminate(); }

    // Every image and panel id the engine holds.
    static std::set<int> livingImages()
    {
        std::set<int> ids;
        for (int id = 1; id < 2000; ++id)
            if (Main::instance()->imageMgr()->get(id))
                ids.insert(id);
        return ids;
    }
    static size_t panelCount() { return Main::instance()->guiMgr()->getPanelIDs().size(); }

    TestFolder folder;
};

TEST_F(ResourceManagerTest, IdsBeforeAndAfterLoad)
{
    ResourceManager rm;
    for (int id : kAllResourceIds)
        EXPECT_EQ(rm.get(id), 0) << std::hex << id;
    EXPECT_EQ(rm.get(0xAC104), -1);
    EXPECT_EQ(rm.get(0), -1);
    EXPECT_EQ(rm.getClone(0xAC110), -1);
    EXPECT_EQ(rm.getClone(0xAC114), -1);
    EXPECT_EQ(rm.getClone(0xAA001), -1);

    ASSERT_EQ(rm.load(), 0);
    for (int id : kAllResourceIds)
        EXPECT_GT(rm.get(id), 0) << std::hex << id;
    EXPECT_EQ(rm.get(SR_FONT), Main::instance()->fontMgr()->getBuiltin("Arial12Black"));
    for (int id : kAllSpriteIds) {
        const int clone = rm.getClone(id);
        ASSERT_GT(clone, 0) << std::hex << id;
        int w = 0, h = 0;
        sprite(clone)->getOffset(&w, &h);
        const int frame = id >= 0xAC126 && id <= 0xAC133 && id != 0xAC132 ? 20 : 28;
        EXPECT_EQ(w, frame) << std::hex << id;
        EXPECT_EQ(h, frame) << std::hex << id;
        EXPECT_EQ(sprite(clone)->getAnimCount(), 5) << std::hex << id;
    }
}

TEST_F(ResourceManagerTest, ClonesAreNewChildrenOfOneParent)
{
    ResourceManager rm;
    ASSERT_EQ(rm.load(), 0);
    const int a = rm.getClone(0xAC123);
    const int b = rm.getClone(0xAC123);
    ASSERT_GT(a, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(sprite(a)->getImage(), sprite(b)->getImage());
    EXPECT_NE(sprite(a)->getImage(), sprite(rm.getClone(0xAC124))->getImage());
    // The Information button wears a child of the same sheet.
    Zelkoran::Panel* menu = editortest::panel(rm.get(SR_MENU_PANEL));
    const int infoSprite = menu->getButton(Menu::MB_INFO)->getBackgroundSprite(0);
    EXPECT_EQ(sprite(rm.getClone(0xAC135))->getImage(), sprite(infoSprite)->getImage());
    EXPECT_STREQ(sprite(a)->getName(), "@skardy/sprite/WgtNewItem");
}

TEST_F(ResourceManagerTest, CheckerboardInWindowSize)
{
    ResourceManager rm;
    ASSERT_EQ(rm.load(), 0);
    const Zelkoran::Image* board = Main::instance()->imageMgr()->get(rm.get(SR_BG_BLOCKY));
    ASSERT_NE(board, nullptr);
    EXPECT_STREQ(board->getName(), "@skardy/image/BgBlocky");
    ASSERT_EQ(board->getWidth(), 1400);
    ASSERT_EQ(board->getHeight(), 1000);
    SDL_Surface* s = board->getSurface();
    auto at = [s](int x, int y) { return static_cast<const Uint32*>(s->pixels)[y * s->pitch / 4 + x]; };
    const Uint32 grey = 0xFFC0C0C0, white = 0xFFFFFFFF;
    EXPECT_EQ(at(0, 0), grey);
    EXPECT_EQ(at(15, 15), grey);
    EXPECT_EQ(at(16, 0), white);
    EXPECT_EQ(at(0, 16), white);
    EXPECT_EQ(at(16, 16), grey);
    // 88 x 63 cells; the last column and row are 8 pixels.
    EXPECT_EQ(at(1391, 0), grey);  // column 86
    EXPECT_EQ(at(1392, 0), white); // column 87
    EXPECT_EQ(at(1391, 999), grey);  // column 86, row 62
    EXPECT_EQ(at(1399, 999), white); // column 87, row 62
}

TEST_F(ResourceManagerTest, ALoadCalledAgainAddsNothing)
{
    ResourceManager rm;
    ASSERT_EQ(rm.load(), 0);
    const size_t panels = panelCount();
    const std::set<int> images = livingImages();
    const int menu = rm.get(SR_MENU_PANEL);
    EXPECT_EQ(rm.loadMenuPanel(), 0);
    EXPECT_EQ(rm.load(), 0);
    EXPECT_EQ(rm.get(SR_MENU_PANEL), menu);
    EXPECT_EQ(panelCount(), panels);
    EXPECT_EQ(livingImages(), images);
    // The placement cursor did not move: the next check box follows the eight buttons.
    ASSERT_EQ(rm.createTabCheckbox("Extra", 300), 0);
    EXPECT_EQ(editortest::panel(menu)->getCheckBox(300)->getRect().x, 286);
}

// Each failure is logged once and leaves no panel and no image behind.
TEST_F(ResourceManagerTest, EachFailureNamesWhatCouldNotBeMade)
{
    struct Case {
        eArtImage image;
        const char* line;
    };
    const Case cases[] = {
        {ART_APP_ICON, " [ResourceManager] Critical: could not create the Skardy Icon.\n"},
        {ART_BTN_NEW, " [ResourceManager] Critical: could not create the Menu Panel (1).\n"},
        {ART_BTN_LOCK, " [ResourceManager] Critical: could not create the Menu Panel (3).\n"},
        {ART_BTN_INFO, " [ResourceManager] Critical: could not create the Menu Panel (7).\n"},
        {ART_LOGO, " [ResourceManager] Critical: could not create the Menu Panel (8).\n"},
        {ART_CHK_TAB, " [ResourceManager] Critical: could not create the Skardy WgtCheckbox.\n"},
        {ART_CHK_GRID, " [ResourceManager] Critical: could not create the Skardy WgtGrid.\n"},
        {ART_ICON_COLORS, " [ResourceManager] Critical: could not create the Skardy WgtColorIcon.\n"},
        {ART_BG_DEFAULT, " [ResourceManager] Critical: could not create the Skardy BG default.\n"},
    };
    for (const Case& c : cases) {
        LogCapture log(folder.path("log.txt"));
        EditorArt damaged = builtInArt();
        damaged[c.image] = ArtImage{kNotPng, sizeof(kNotPng)};
        ResourceManager rm(damaged);
        const std::set<int> before = livingImages();
        EXPECT_EQ(rm.load(), -1) << c.line;
        EXPECT_EQ(panelCount(), 0u) << c.line;
        EXPECT_EQ(livingImages(), before) << c.line;
        for (int id : kAllResourceIds)
            EXPECT_EQ(rm.get(id), 0) << std::hex << id;
        const std::string text = log.text();
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
        EXPECT_EQ(text.find("Critical"), text.rfind("Critical")) << "one line only: " << text;
    }
}

class EditorPanelsTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_EQ(start(), 0);
    }
    Zelkoran::Panel* fixedPanel(int id) { return editortest::panel(app.resources()->get(id)); }
};

TEST_F(EditorPanelsTest, MenuBarButtonsAndTabBoxesStandInARow)
{
    Zelkoran::Panel* menu = menuPanel();
    const SDL_Rect bar = menu->baseWidget()->getRect();
    EXPECT_EQ(bar.x, 0);
    EXPECT_EQ(bar.y, 0);
    EXPECT_EQ(bar.w, 3880);
    EXPECT_EQ(bar.h, 40);
    const int expectedX[] = {6, 46, 86, 126, 126, 166, 206, 246};
    for (int i = 0; i < 8; ++i) {
        const SDL_Rect r = menu->getButton(MB_NEW + i)->getRect();
        EXPECT_EQ(r.x, expectedX[i]) << MB_NEW + i;
        EXPECT_EQ(r.y, 6) << MB_NEW + i;
        EXPECT_EQ(r.w, 28);
        EXPECT_EQ(r.h, 28);
    }

    const SDL_Rect last = menu->getCheckBox(TAB_UNDELETE)->getRect();
    EXPECT_EQ(last.x, 1246);
    EXPECT_EQ(last.x + last.w, 1324);
    EXPECT_EQ(last.h, 28);
    EXPECT_STREQ(menu->getCheckBox(TAB_SCENES)->getTooltip(), "Manage scenes, TMX and TSX resources");

    // A name outside the thirteen still gets a box, without tooltip.
    ASSERT_EQ(app.resources()->createTabCheckbox("Extra", 300), 0);
    EXPECT_EQ(menu->getCheckBox(300)->getRect().x, 1326);
    EXPECT_STREQ(menu->getCheckBox(300)->getTooltip(), "");
    const auto livingSprites = [] {
        size_t count = 0;
        for (int id = 1; id < 4096; ++id)
            count += Main::instance()->spriteMgr()->get(id) != nullptr;
        return count;
    };
    const size_t sprites = livingSprites();
    EXPECT_EQ(app.resources()->createTabCheckbox("Again", 300), -1);
    EXPECT_EQ(livingSprites(), sprites) << "a refused box keeps no sprite";

    EXPECT_NE(menu->getImage(MI_LOGO), nullptr);
}

TEST_F(EditorPanelsTest, TabBasePanelHoldsTheSharedWidgets)
{
    Zelkoran::Panel* images = tabPanel("Images");
    ASSERT_NE(images, nullptr);
    Zelkoran::Vector<Zelkoran::Panel::WidgetInfo> widgets;
    images->getWidgetInfoList(widgets);
    std::vector<int> ids;
    for (const auto& w : widgets)
        ids.push_back(w.id);
    // The tab's own widgets follow the shared ones.
    ASSERT_GE(ids.size(), 9u);
    EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + 9),
              (std::vector<int>{BW_TITLE, BW_LIST, BW_SLIDER, BW_NEW, BW_SAVE, BW_DIRTY_FRAME, BW_DELETE, BW_NAME_LABEL,
                                BW_NAME}));

    const SDL_Rect base = images->baseWidget()->getRect();
    EXPECT_EQ(base.x, 0);
    EXPECT_EQ(base.y, 40);
    EXPECT_EQ(base.w, 200);
    EXPECT_EQ(base.h, 500);
    const SDL_Rect list = images->getList(BW_LIST)->getRect();
    EXPECT_EQ(list.x, 10);
    EXPECT_EQ(list.y, 60);
    EXPECT_EQ(list.w, 164);
    EXPECT_EQ(list.h, 150);
    const SDL_Rect slider = images->getSlider(BW_SLIDER)->getRect();
    EXPECT_EQ(slider.x + slider.w, 190);
    const SDL_Rect name = images->getTextEdit(BW_NAME)->getRect();
    EXPECT_EQ(name.x, 50);
    EXPECT_EQ(name.y, 250);
    EXPECT_EQ(name.w, 140);
    EXPECT_EQ(name.h, 19);
    EXPECT_STREQ(images->getLabel(BW_TITLE)->getText(), "Images");
    EXPECT_FALSE(images->getFrame(BW_DIRTY_FRAME)->isShown());
}

TEST_F(EditorPanelsTest, DialogPanelsAreBuiltHidden)
{
    struct Dialog {
        int resource;
        const char* name;
        int w, h;
    };
    for (const Dialog& d : {Dialog{SR_SECURE_PANEL, "Lock-Unlock", 430, 170}, Dialog{SR_TOOLS_PANEL, "Tools", 330, 270},
                            Dialog{SR_INFO_PANEL, "Info", 300, 180}, Dialog{SR_BLOCKS_PANEL, "QEL Blocks", 450, 300}}) {
        Zelkoran::Panel* p = fixedPanel(d.resource);
        ASSERT_NE(p, nullptr) << d.name;
        EXPECT_STREQ(p->getName(), d.name);
        EXPECT_FALSE(p->isShown()) << d.name;
        EXPECT_EQ(p->getPanelType(), 1) << d.name;
        EXPECT_EQ(p->baseWidget()->getWidth(), d.w) << d.name;
        EXPECT_EQ(p->baseWidget()->getHeight(), d.h) << d.name;
        EXPECT_EQ((p->baseWidget()->getFeatures() & Zelkoran::WF_DRAG) != 0, d.resource != SR_SECURE_PANEL) << d.name;
    }
    Zelkoran::WidgetTextEdit* blocks = fixedPanel(SR_BLOCKS_PANEL)->getTextEdit(BT_TABLE);
    EXPECT_TRUE(blocks->getMultiline());
    EXPECT_TRUE(blocks->getReadOnly());
    EXPECT_EQ(blocks->getFont(0), Main::instance()->fontMgr()->getBuiltin("CourierNew12Black"));
}

} // namespace
