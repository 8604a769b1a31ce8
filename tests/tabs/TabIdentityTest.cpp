#include "tabs/TabFixture.h"

#include "tabs/data/ctrlAudioTracks.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlUndelete.h"
#include "tabs/data/ctrlVideos.h"
#include "tabs/data/ctrlXML.h"
#include "tabs/effects/ctrlEffects.h"
#include "tabs/gui/ctrlGUI.h"
#include "tabs/images/ctrlCursors.h"
#include "tabs/images/ctrlFonts.h"
#include "tabs/images/ctrlImages.h"
#include "tabs/images/ctrlSprites.h"
#include "tabs/images/ctrlTiles.h"
#include "tabs/scenes/ctrlScenes.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using editortest::listItems;

struct TabCase {
    const char* name;
    int checkBoxId;
    std::function<CtrlBase*(ResourceManager*, GlobalStatus*)> make;
    std::vector<std::string> items;
};

template <class Tab>
CtrlBase* make(ResourceManager* rm, GlobalStatus* gs)
{
    return new (std::nothrow) Tab(rm, gs);
}

class TabIdentityTest : public TabTest {};

// Each tab lists exactly the live, visible blocks of its own type; Undelete
// lists the deleted ones of every type.
TEST_F(TabIdentityTest, EveryTabListsTheBlocksOfItsType)
{
    openArchive({{"hero", "ZK7_IMAGE"},       {"#C_arrow", "ZK7_IMAGE"}, {"arrow", "ZK7_CURSOR"},
                 {"tiles", "ZK7_TILE"},       {"walk", "ZK7_SPRITE"},    {"serif", "ZK7_FONT"},
                 {"hud", "ZK7_GUIPANEL"},     {"smoke", "ZK7_PARTICLE"}, {"theme", "ZK7_AUDIOTRACK"},
                 {"intro", "ZK7_VIDEO"},      {"level.tmx", "ZK7_XML"},  {"notes.txt", "ZK7_FILE"}, {"config.xml", "ZK7_XML"},
                 {"lost", "ZK7_IMAGE", true}, {"jingle", "ZK7_SOUND"}});
    const TabCase cases[] = {
        {"Images", 220, make<CtrlImages>, {"hero"}},
        {"Cursors", 221, make<CtrlCursors>, {"arrow"}},
        {"Tiles", 222, make<CtrlTiles>, {"tiles"}},
        {"Sprites", 223, make<CtrlSprites>, {"walk"}},
        {"Fonts", 224, make<CtrlFonts>, {"serif"}},
        {"GUI", 230, make<CtrlGUI>, {"hud"}},
        {"Effects", 225, make<CtrlEffects>, {"smoke"}},
        {"Audio", 226, make<CtrlAudioTracks>, {"theme"}},
        {"Videos", 231, make<CtrlVideos>, {"intro"}},
        {"Scenes", 232, make<CtrlScenes>, {"config.xml", "level.tmx"}},
        {"XML", 227, make<CtrlXML>, {"config.xml"}},
        {"Files", 228, make<CtrlFiles>, {"notes.txt"}},
        {"Undelete", 229, make<CtrlUndelete>, {"lost"}},
    };
    for (const TabCase& c : cases) {
        std::unique_ptr<CtrlBase> tab(c.make(&*resources, &*status));
        ASSERT_NE(tab, nullptr) << c.name;
        EXPECT_STREQ(tab->getName().c_str(), c.name);
        EXPECT_EQ(tab->getCheckBoxID(), c.checkBoxId);
        EXPECT_EQ(tab->parseQEL(), 0) << c.name;
        Zelkoran::Panel* panel = editortest::panel(Zelkoran::Main::instance()->guiMgr()->getPanelIDs().back());
        ASSERT_STREQ(panel->getName(), c.name);
        EXPECT_EQ(listItems(panel->getList(105)), c.items) << c.name;
        EXPECT_FALSE(panel->isShown()) << c.name;
        tab->show();
        EXPECT_TRUE(panel->isShown()) << c.name;
    }
}

// Tabs whose editors do not exist yet list their blocks and refuse the rest.
TEST_F(TabIdentityTest, AListOnlyTabSavesAndDeletesNothing)
{
    openArchive({{"hero", "ZK7_GUIPANEL"}});
    std::unique_ptr<CtrlBase> tab(make<CtrlGUI>(&*resources, &*status));
    tab->parseQEL();
    Zelkoran::Panel* panel = editortest::panel(Zelkoran::Main::instance()->guiMgr()->getPanelIDs().back());
    panel->getList(105)->setSelectedIndex(1);
    EXPECT_EQ(tab->processEvent(105, 1), 0);
    EXPECT_STREQ(panel->getTextEdit(112)->getText().c_str(), "hero");
    EXPECT_EQ(tab->processEvent(108, 0), -1);
    EXPECT_EQ(tab->processEvent(109, 0), -1);
    EXPECT_EQ(archive()->getBlockCount(), 1);
    EXPECT_EQ(tab->closeResources(), 0);
}

} // namespace
