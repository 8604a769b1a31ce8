// The undelete tab inside the editor's menu, driven by clicks on its
// widgets, against archives built through the engine.
#include "tabs/TabFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include "app/EventRoute.h"
#include "app/Menu.h"
#include "tabs/data/ctrlUndelete.h"

#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_rect.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using editortest::listItems;
using namespace Zelkoran;
namespace TS = editortest::TS;

const char* const kTitle = "Undelete a block";
const char* const kFailed = "Block could not be recovered.\n";

// One index entry to build: added with its data and storage, then deleted
// when asked; an entry added twice leaves the first as a deleted version.
struct Entry {
    std::string name;
    std::string type;
    bool deleted = false;
    std::string data = "";
    uint32_t storage = Archive::ST_RAW;
};

class UndeleteTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        TS::clearAnswers();
        TS::clearModalLog();
        TS::setModalWatchdog(5000);
        menu.reset(new Menu(&*status, &*resources));
        tab = dynamic_cast<CtrlUndelete*>(menu->getCtrls().back());
        ASSERT_NE(tab, nullptr);
        p = panel(tab->getName().c_str());
        ASSERT_NE(p, nullptr);
        list = p->getList(BW_LIST);
    }

    void TearDown() override
    {
        menu.reset();
        TS::clearAnswers();
        TS::setModalWatchdog(0);
        TabTest::TearDown();
    }

    static Panel* panel(const char* name)
    {
        GUIMgr* gui = Main::instance()->guiMgr();
        for (int id : gui->getPanelIDs())
            if (std::string(gui->getPanel(id)->getName()) == name)
                return gui->getPanel(id);
        return nullptr;
    }

    // Writes the entries into a new archive of blockLimit live blocks,
    // with key for encrypted storage (and, with encryptIndex, the index),
    // opens it as the editor's and shows the undelete tab.
    void open(const std::vector<Entry>& entries, int blockLimit = 64, const std::string& key = "",
              bool encryptIndex = false)
    {
        const std::string path = folder.path("undelete.qel");
        ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->create(path.c_str(), blockLimit);
        ASSERT_GT(id, 0);
        Archive* built = archives->get(id);
        built->setDurable(false);
        if (!key.empty()) {
            ASSERT_EQ(built->setKey(key.data(), static_cast<int>(key.size())), 0);
        }
        for (const Entry& e : entries) {
            Archive::Block block(e.name.c_str(), e.type.c_str());
            const std::string& data = e.data.empty() ? e.name : e.data;
            block.data = const_cast<char*>(data.data());
            block.size = data.size();
            block.storage = e.storage;
            ASSERT_EQ(built->blockAdd(block), 0) << e.name;
            if (e.deleted) {
                ASSERT_EQ(built->blockDelete(block), 0) << e.name;
            }
        }
        if (encryptIndex) {
            ASSERT_EQ(built->encrypt(), 0);
        }
        archives->close(id);
        const int opened = archives->load(path.c_str(), key.empty() ? nullptr : key.data(),
                                          static_cast<int>(key.size()));
        ASSERT_GT(opened, 0);
        status->bArchiveLoaded = 1;
        status->iArchiveID = opened;
        status->sArchivePath = path.c_str();
        status->bReparseAll = 1;
        menu->update();
        ASSERT_TRUE(TS::clickWidget(menuPanelId(), TAB_UNDELETE));
        deliver();
    }

    int menuPanelId() const { return resources->get(SR_MENU_PANEL); }

    // Runs the queued input through the engine and hands each widget event
    // to the menu as the main loop does.
    void deliver()
    {
        for (SDL_Event& e : TS::pump())
            if (routeEvent(e, false) == EventRoute::Process)
                menu->processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                   static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
    }

    // What the tab answers the menu for events of these widgets (the menu
    // itself does not pass the answer on).
    std::vector<int> answers(std::initializer_list<int> ids)
    {
        std::vector<int> results;
        for (int id : ids)
            results.push_back(tab->processEvent(id, 0));
        return results;
    }

    // Clicks row (1-based, counted among the visible rows) of the block list.
    void clickRow(int row)
    {
        const SDL_Rect r = list->getRect();
        TS::click(r.x + 30, r.y + 3 + list->getRowHeight() * (row - 1) + list->getRowHeight() / 2);
        deliver();
        ASSERT_EQ(list->getSelectedIndex(), row);
    }

    void clickWidget(int id)
    {
        EXPECT_TRUE(TS::clickWidget(p->getID(), id));
        deliver();
    }

    // Clicks Undelete with the message box answered by OK; the box's text.
    std::string undelete(int expectedType)
    {
        TS::clearModalLog();
        TS::pushAnswer(1);
        clickWidget(CtrlUndelete::UW_UNDELETE);
        const auto& log = TS::modalLog();
        if (log.size() != 1)
            return "<" + std::to_string(log.size()) + " boxes>";
        EXPECT_EQ(std::string(log[0].title.c_str()), kTitle);
        EXPECT_EQ(log[0].type, expectedType);
        EXPECT_EQ(log[0].buttons, 1);
        EXPECT_EQ(log[0].timeoutMs, 0);
        return log[0].text.c_str();
    }

    std::string text(int labelId) { return p->getLabel(labelId)->getText(); }
    bool checked(int id) { return p->getCheckBox(id)->isChecked(); }
    bool usable(int id) { return p->getWidgetByID(id)->status() != 0; }

    // The live block's data, or "" when there is none.
    std::string live(const char* name, const char* type)
    {
        Archive::Block block(name, type);
        if (archive()->blockLoad(block) != 0)
            return "";
        std::string bytes(static_cast<const char*>(block.data), block.size);
        archive()->blockFree(block);
        return bytes;
    }

    // The listed rows of the tab named name after the menu's next update.
    std::vector<std::string> tabRows(const char* name)
    {
        menu->update();
        return listItems(panel(name)->getList(BW_LIST));
    }

    std::unique_ptr<Menu> menu;
    CtrlUndelete* tab = nullptr;
    Panel* p = nullptr;
    WidgetList* list = nullptr;
};

TEST_F(UndeleteTest, ListsDeletedBlocksOfEveryTypeButNotHiddenOrLiveOnes)
{
    open({{"walls", "ZK7_IMAGE", true},
          {"hero", "ZK7_SPRITE", true},
          {"#S_hero", "ZK7_IMAGE", true},
          {"theme", "ZK7_AUDIOTRACK", true},
          {"alive", "ZK7_IMAGE"},
          {"walls", "ZK7_XML", true}});
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"hero", "theme", "walls", "walls"}));
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "No block");
    EXPECT_EQ(text(CtrlUndelete::UW_SIZE), "Size: 0 B");
    EXPECT_EQ(text(CtrlUndelete::UW_BLOCKSIZE), "QEL Blocksize: 0 B");
    for (int id :
        {CtrlUndelete::UW_RAW, CtrlUndelete::UW_COMPRESSED, CtrlUndelete::UW_CRYPTED, CtrlUndelete::UW_UNDELETE})
        EXPECT_FALSE(usable(id)) << id;
    for (int id : {BW_NEW, BW_SAVE, BW_DELETE})
        EXPECT_FALSE(usable(id)) << id;
}

TEST_F(UndeleteTest, OnlyHiddenDeletedBlocksOrNoArchiveGiveAnEmptyList)
{
    open({{"#C_arrow", "ZK7_IMAGE", true}, {"#F_serif", "ZK7_IMAGE", true}, {"live", "ZK7_XML"}});
    EXPECT_EQ(tab->getNumItems(), 0);

    list->addItem("stale");
    Main::instance()->archiveMgr()->close(status->iArchiveID);
    EXPECT_EQ(tab->parseQEL(), 0);
    EXPECT_EQ(tab->getNumItems(), 0);
    TS::pushAnswer(1);
    EXPECT_EQ(tab->onUndelete(), -1);
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_EQ(std::string(TS::modalLog()[0].text.c_str()), std::string(kFailed) + "QEL archive is not available.");
}

TEST_F(UndeleteTest, SelectingShowsTheStoredFactsAndEventsTellWhetherSomethingIsShown)
{
    const std::string big(3000, 'x');
    open({{"plain", "ZK7_XML", true, "12345"},
          {"packed", "ZK7_FILE", true, big, Archive::ST_COMPRESSED},
          {"secret", "ZK7_FILE", true, "hidden", Archive::ST_ENCRYPTED},
          {"sealed", "ZK7_FILE", true, big, Archive::ST_COMPRESSED_ENCRYPTED}},
         64, "key-of-the-test");
    // Nothing selected: any event, the tab's own check box included, answers 4.
    EXPECT_EQ(answers({TAB_UNDELETE, BW_LIST, BW_SLIDER, BW_NEW, BW_NAME, CtrlUndelete::UW_RAW}),
              std::vector<int>(6, 4));
    EXPECT_FALSE(checked(CtrlUndelete::UW_RAW));

    // Rows sort: packed, plain, sealed, secret.
    clickRow(2);
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "ZK7_XML");
    EXPECT_EQ(text(CtrlUndelete::UW_SIZE), "Size: 5 B");
    EXPECT_STREQ(p->getTextEdit(BW_NAME)->getText().c_str(), "plain");
    EXPECT_TRUE(checked(CtrlUndelete::UW_RAW));
    EXPECT_FALSE(checked(CtrlUndelete::UW_COMPRESSED));
    EXPECT_FALSE(checked(CtrlUndelete::UW_CRYPTED));
    for (int id :
        {CtrlUndelete::UW_RAW, CtrlUndelete::UW_COMPRESSED, CtrlUndelete::UW_CRYPTED, CtrlUndelete::UW_UNDELETE})
        EXPECT_TRUE(usable(id)) << id;
    EXPECT_EQ(answers({TAB_UNDELETE, BW_LIST, BW_NEW, BW_SAVE, BW_DELETE, BW_NAME, CtrlUndelete::UW_RAW}),
              std::vector<int>(7, 0));
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "ZK7_XML");

    clickRow(1);
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "ZK7_FILE");
    EXPECT_EQ(text(CtrlUndelete::UW_SIZE), "Size: 2.9 KiB");
    Archive::Block stored;
    ASSERT_EQ(archive()->blockAt(1, stored), 0);
    ASSERT_LT(stored.storedSize, big.size());
    EXPECT_EQ(text(CtrlUndelete::UW_BLOCKSIZE), "QEL Blocksize: " + std::to_string(stored.storedSize) + " B");
    EXPECT_TRUE(checked(CtrlUndelete::UW_COMPRESSED));
    EXPECT_FALSE(checked(CtrlUndelete::UW_RAW));

    clickRow(3);
    EXPECT_FALSE(checked(CtrlUndelete::UW_RAW));
    EXPECT_TRUE(checked(CtrlUndelete::UW_COMPRESSED)) << "compressed, then encrypted";
    EXPECT_TRUE(checked(CtrlUndelete::UW_CRYPTED));
    clickRow(4);
    EXPECT_FALSE(checked(CtrlUndelete::UW_COMPRESSED));
    EXPECT_TRUE(checked(CtrlUndelete::UW_CRYPTED));
    // The boxes show the stored mode: clicking one changes nothing.
    clickWidget(CtrlUndelete::UW_RAW);
    EXPECT_FALSE(checked(CtrlUndelete::UW_RAW));
    EXPECT_TRUE(checked(CtrlUndelete::UW_CRYPTED));
    // Save and Delete stay unusable even after the base's refresh.
    EXPECT_EQ(tab->refreshWidgets(), 0);
    EXPECT_FALSE(usable(BW_SAVE));
    EXPECT_FALSE(usable(BW_DELETE));
}

TEST_F(UndeleteTest, AnEntryThatIsNoLongerDeletedIsRefusedAndChangesNothingShown)
{
    open({{"a", "ZK7_XML", true, "one"}, {"b", "ZK7_XML", true, "three"}});
    clickRow(1);
    ASSERT_EQ(text(CtrlUndelete::UW_SIZE), "Size: 3 B");
    // Restored behind the tab's back.
    ASSERT_EQ(archive()->blockUndelete(1, nullptr), 0);
    list->setSelectedIndex(2);
    EXPECT_EQ(tab->onListBox(), -1);
    EXPECT_EQ(text(CtrlUndelete::UW_SIZE), "Size: 3 B");
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "ZK7_XML");
}

TEST_F(UndeleteTest, RowsThatShareANameEachShowAndRestoreTheirOwnEntry)
{
    open({{"notes", "ZK7_XML", false, "first"},
          {"notes", "ZK7_XML", true, "second!"},
          {"notes", "ZK7_FILE", true, "a file"}});
    ASSERT_EQ(listItems(list), (std::vector<std::string>{"notes", "notes", "notes"}));
    // Rows of one name keep the index order.
    const struct {
        int row;
        const char* type;
        const char* size;
    } rows[] = {{3, "ZK7_FILE", "Size: 6 B"}, {2, "ZK7_XML", "Size: 7 B"}, {1, "ZK7_XML", "Size: 5 B"}};
    for (const auto& expected : rows) {
        SCOPED_TRACE(expected.row);
        clickRow(expected.row);
        EXPECT_EQ(text(CtrlUndelete::UW_TYPE), expected.type);
        EXPECT_EQ(text(CtrlUndelete::UW_SIZE), expected.size);
    }

    clickRow(3);
    EXPECT_EQ(undelete(3), "Block was recovered:\n Name: notes\n Type: ZK7_FILE");
    EXPECT_EQ(live("notes", "ZK7_FILE"), "a file");
    EXPECT_EQ(live("notes", "ZK7_XML"), "");
    clickRow(2);
    EXPECT_EQ(undelete(3), "Block was recovered:\n Name: notes\n Type: ZK7_XML");
    EXPECT_EQ(live("notes", "ZK7_XML"), "second!");
    EXPECT_EQ(status->bReparseAll, 1);
    EXPECT_EQ(tabRows("XML"), (std::vector<std::string>{"notes"}));

    // The older version now clashes with the restored one: it gets a number.
    ASSERT_EQ(listItems(list), (std::vector<std::string>{"notes"}));
    clickRow(1);
    const std::string box = undelete(3);
    const std::string prefix = "Block was recovered:\n Name: notes";
    ASSERT_EQ(box.rfind(prefix, 0), 0u) << box;
    const std::string number = box.substr(prefix.size(), box.find('\n', prefix.size()) - prefix.size());
    ASSERT_FALSE(number.empty());
    ASSERT_LE(number.size(), 4u);
    EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_TRUE(number == "0" || number[0] != '0') << number;
    EXPECT_EQ(live(("notes" + number).c_str(), "ZK7_XML"), "first");
    EXPECT_EQ(live("notes", "ZK7_XML"), "second!");
    EXPECT_EQ(tab->getNumItems(), 0);
}

TEST_F(UndeleteTest, AnImageWhoseNameIsTakenComesBackUnderAFreeNumberedName)
{
    open({{"walls", "ZK7_IMAGE", true, "old"}, {"walls", "ZK7_IMAGE", false, "new"}, {"walls7", "ZK7_IMAGE"}});
    // The first number drawn is 7, whose name is taken: the next one is used.
    Tool* tool = Main::instance()->tool();
    uint32_t seed = 1;
    for (;; ++seed) {
        tool->randSeedMWC(seed);
        if (tool->randMWC() % 9999 == 7)
            break;
    }
    tool->randSeedMWC(seed);
    clickRow(1);
    EXPECT_EQ(undelete(3), "Block was recovered:\n Name: walls8\n Type: ZK7_IMAGE");
    EXPECT_EQ(live("walls8", "ZK7_IMAGE"), "old");
    EXPECT_EQ(live("walls", "ZK7_IMAGE"), "new");
    EXPECT_EQ(live("walls7", "ZK7_IMAGE"), "walls7");
    EXPECT_EQ(tabRows("Images"), (std::vector<std::string>{"walls", "walls7", "walls8"}));
}

TEST_F(UndeleteTest, ALongTakenNameGivesWayToTheNumberSoTheMessageNamesTheStoredBlock)
{
    const std::string name(63, 'n');
    open({{name, "ZK7_FILE", true, "old"}, {name, "ZK7_FILE", false, "new"}});
    clickRow(1);
    const std::string box = undelete(3);
    const std::string head = "Block was recovered:\n Name: ";
    ASSERT_EQ(box.rfind(head, 0), 0u);
    const std::string restored = box.substr(head.size(), box.find('\n', head.size()) - head.size());
    EXPECT_EQ(restored.size(), 63u);
    EXPECT_NE(restored, name);
    EXPECT_EQ(live(restored.c_str(), "ZK7_FILE"), "old");
    EXPECT_EQ(live(name.c_str(), "ZK7_FILE"), "new");
}

TEST_F(UndeleteTest, ASpriteComesBackWithItsImage)
{
    open({{"hero", "ZK7_SPRITE", true, "frames"}, {"#S_hero", "ZK7_IMAGE", true, "pixels"}});
    clickRow(1);
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "ZK7_SPRITE");
    EXPECT_EQ(undelete(3), "Block was recovered:\n Name: hero\n Type: ZK7_SPRITE");
    EXPECT_EQ(live("hero", "ZK7_SPRITE"), "frames");
    EXPECT_EQ(live("#S_hero", "ZK7_IMAGE"), "pixels");
    EXPECT_EQ(tabRows("Sprites"), (std::vector<std::string>{"hero"}));
    EXPECT_EQ(tab->getNumItems(), 0);
    EXPECT_TRUE(tabRows("Images").empty());
}

// Each save writes the image, then its owner: a version of the owner comes
// back with the image saved just before it, not with the oldest one.
TEST_F(UndeleteTest, EachSavedVersionOfAnOwnerComesBackWithItsOwnImage)
{
    const std::vector<Entry> savedTwice = {{"#C_arrow", "ZK7_IMAGE", true, "pixels 1"},
                                           {"arrow", "ZK7_CURSOR", true, "hot spot 1"},
                                           {"#C_arrow", "ZK7_IMAGE", true, "pixels 2"},
                                           {"arrow", "ZK7_CURSOR", true, "hot spot 2"}};
    const struct {
        int row;
        const char* cursor;
        const char* image;
    } versions[] = {{2, "hot spot 2", "pixels 2"}, {1, "hot spot 1", "pixels 1"}};
    for (const auto& v : versions) {
        SCOPED_TRACE(v.row);
        Main::instance()->archiveMgr()->close(status->iArchiveID);
        open(savedTwice);
        clickRow(v.row);
        EXPECT_EQ(undelete(3), "Block was recovered:\n Name: arrow\n Type: ZK7_CURSOR");
        EXPECT_EQ(live("arrow", "ZK7_CURSOR"), v.cursor);
        EXPECT_EQ(live("#C_arrow", "ZK7_IMAGE"), v.image);
    }
}

TEST_F(UndeleteTest, OwnersOfAnImageAreRestoredOnlyWithItAndOnlyUnderTheirOwnName)
{
    open({{"runner", "ZK7_SPRITE", true},
          {"#S_other", "ZK7_IMAGE", true},
          {"serif", "ZK7_FONT", true},
          {"#F_serif", "ZK7_IMAGE", true},
          {"serif", "ZK7_FONT"},
          {"#F_serif", "ZK7_IMAGE"}});
    ASSERT_EQ(listItems(list), (std::vector<std::string>{"runner", "serif"}));

    clickRow(1);
    EXPECT_EQ(undelete(1), std::string(kFailed) + "Deleted associated image was not found.");
    EXPECT_EQ(live("runner", "ZK7_SPRITE"), "");
    EXPECT_EQ(live("#S_other", "ZK7_IMAGE"), "");
    EXPECT_EQ(list->getSelectedIndex(), 1);
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "ZK7_SPRITE");

    clickRow(2);
    EXPECT_EQ(undelete(1),
              std::string(kFailed) + "It has an associated image and already exist.\nCan not be renamed.");
    EXPECT_EQ(archive()->getBlockCount(), 2);
    EXPECT_EQ(status->bReparseAll, 0);
    EXPECT_EQ(tab->getNumItems(), 2);
}

TEST_F(UndeleteTest, AFullArchiveRefusesTheRestoreAndKeepsAPairRestorableLater)
{
    // Three live blocks fill the limit; one slot is freed for the pair below.
    open({{"tile", "ZK7_TILE", true, "cells"},
          {"#T_tile", "ZK7_IMAGE", true, "pixels"},
          {"a", "ZK7_XML"},
          {"b", "ZK7_XML"},
          {"c", "ZK7_XML"}},
         3);
    clickRow(1);
    EXPECT_EQ(undelete(1), std::string(kFailed) + "Deleted associated image could not be recovered.");
    EXPECT_EQ(archive()->getBlockCount(), 3);

    ASSERT_EQ(archive()->blockDelete(Archive::Block("c", "ZK7_XML")), 0);
    // One slot: the image fits, its owner not; the image must not stay
    // restored alone, or the tile could never be found with it again.
    EXPECT_EQ(undelete(1), kFailed);
    EXPECT_EQ(live("#T_tile", "ZK7_IMAGE"), "");
    EXPECT_EQ(live("tile", "ZK7_TILE"), "");
    EXPECT_EQ(archive()->getBlockCount(), 2);

    ASSERT_EQ(archive()->blockDelete(Archive::Block("b", "ZK7_XML")), 0);
    EXPECT_EQ(undelete(3), "Block was recovered:\n Name: tile\n Type: ZK7_TILE");
    EXPECT_EQ(live("tile", "ZK7_TILE"), "cells");
    EXPECT_EQ(live("#T_tile", "ZK7_IMAGE"), "pixels");
}

TEST_F(UndeleteTest, AMapComesBackWithItsTileSetAndItsPictureOrNotAtAll)
{
    // Three live blocks and a limit of four: one slot, then two, then three.
    open({{"tiles.png", "ZK7_IMAGE", true, "pixels"},
          {"tiles.tsx", "ZK7_XML", true, "<tileset><image source=\"tiles.png\"/></tileset>"},
          {"level.tmx", "ZK7_XML", true, "<map><tileset firstgid=\"1\" source=\"tiles.tsx\"/></map>"},
          {"a", "ZK7_XML"},
          {"b", "ZK7_XML"},
          {"c", "ZK7_XML"}},
         4);
    for (const char* freed : {"a", "b"}) {
        SCOPED_TRACE(freed);
        clickRow(1);
        ASSERT_STREQ(p->getTextEdit(CtrlBase::BW_NAME)->getText().c_str(), "level.tmx");
        const int live = archive()->getBlockCount();
        EXPECT_EQ(undelete(1), std::string(kFailed) + "Deleted tile set could not be recovered.");
        EXPECT_EQ(archive()->getBlockCount(), live) << "nothing stays restored";
        ASSERT_EQ(archive()->blockDelete(Archive::Block(freed, "ZK7_XML")), 0);
    }
    clickRow(1);
    EXPECT_EQ(undelete(3), "Block was recovered:\n Name: level.tmx\n Type: ZK7_XML");
    EXPECT_EQ(live("tiles.tsx", "ZK7_XML"), "<tileset><image source=\"tiles.png\"/></tileset>");
    EXPECT_EQ(live("tiles.png", "ZK7_IMAGE"), "pixels");
}

// Room for a map and one of its two hidden pictures: the map stays deleted
// and so does the picture that came back before the other was refused.
TEST_F(UndeleteTest, AMapWhosePicturesDoNotAllFitStaysDeletedWithAllOfThem)
{
    open({{"level.tmx", "ZK7_XML", true,
           "<map><imagelayer><image source=\"#M_a\"/></imagelayer>"
           "<imagelayer><image source=\"#M_b\"/></imagelayer></map>"},
          {"#M_a", "ZK7_IMAGE", true},
          {"#M_b", "ZK7_IMAGE", true},
          {"notes", "ZK7_FILE"}},
         3);
    clickRow(1);
    EXPECT_EQ(undelete(1), std::string(kFailed) + "Deleted associated image could not be recovered.");
    EXPECT_EQ(live("level.tmx", "ZK7_XML"), "");
    EXPECT_EQ(live("#M_a", "ZK7_IMAGE"), "");
    EXPECT_EQ(archive()->getBlockCount(), 1);
}

TEST_F(UndeleteTest, AnArchiveWithEncryptedIndexListsAndRestores)
{
    open({{"vault", "ZK7_FILE", true, "gold", Archive::ST_ENCRYPTED}, {"door", "ZK7_XML", true}}, 64,
         "0123456789abcdef", true);
    ASSERT_TRUE(archive()->isEncrypted());
    ASSERT_EQ(listItems(list), (std::vector<std::string>{"door", "vault"}));
    clickRow(2);
    EXPECT_TRUE(checked(CtrlUndelete::UW_CRYPTED));
    EXPECT_EQ(undelete(3), "Block was recovered:\n Name: vault\n Type: ZK7_FILE");
    EXPECT_EQ(live("vault", "ZK7_FILE"), "gold");
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"door"}));
}

TEST_F(UndeleteTest, AReparseOrClosingDropsTheSelection)
{
    open({{"a", "ZK7_XML", true}, {"b", "ZK7_XML", true}});
    clickRow(2);
    ASSERT_EQ(text(CtrlUndelete::UW_TYPE), "ZK7_XML");
    status->bReparseAll = 1;
    menu->update();
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "No block");
    EXPECT_EQ(tab->getNumItems(), 2);
    for (int id :
        {CtrlUndelete::UW_RAW, CtrlUndelete::UW_COMPRESSED, CtrlUndelete::UW_CRYPTED, CtrlUndelete::UW_UNDELETE})
        EXPECT_FALSE(usable(id)) << id;
    // Nothing to restore: the press (which the disabled button cannot send) fails.
    TS::pushAnswer(1);
    EXPECT_EQ(answers({CtrlUndelete::UW_UNDELETE}), std::vector<int>{4});
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_STREQ(TS::modalLog()[0].text.c_str(), kFailed);
    EXPECT_EQ(archive()->getBlockCount(), 0);

    clickRow(1);
    EXPECT_EQ(tab->resetWidgets(), 0);
    EXPECT_EQ(text(CtrlUndelete::UW_TYPE), "No block");
    EXPECT_EQ(tab->getNumItems(), 0);
    EXPECT_FALSE(usable(CtrlUndelete::UW_UNDELETE));
}

} // namespace
