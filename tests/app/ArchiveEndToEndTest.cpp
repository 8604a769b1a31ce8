// The editor driven as a user drives it through its archive actions: an
// encrypted QELv1 archive named on the command line is upgraded, migrated
// and opened; an index is encrypted, the archive closed and reopened with
// its key, and refused after two wrong keys.
#include "app/AppFixture.h"
#include "app/KeyPanelScript.h"
#include "app/Menu.h"
#include "services/FixedPanelIds.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/data/ctrlFiles.h"

#include "import/legacy/LegacyBlocks.h"
#include "import/legacy/LegacyQELUpgrade.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/Screen.h>

#include <SDL_video.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace TS = editortest::TS;
using legacy::Bytes;
using qelv1::bytesOf;
using qelv1::prose;
using Zelkoran::Main;

struct Stored {
    std::string type;
    uint32_t storage;
    Bytes data;
    bool operator==(const Stored&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Stored& s)
{
    return out << "{" << s.type << " storage " << s.storage << ", " << s.data.size() << " bytes}";
}

struct Probe {
    bool isQELv2 = false, encryptedIndex = false, encryptedBlocks = false;
};

Probe probe(const std::string& path)
{
    Probe p;
    EXPECT_EQ(getQELv2EncryptionState(Zelkoran::String(path.c_str()), p.isQELv2, p.encryptedIndex, p.encryptedBlocks),
              0);
    return p;
}

class ArchiveEndToEndTest : public AppTest {
protected:
    GlobalStatus& gs() { return *app.globalStatus(); }
    static std::string title() { return SDL_GetWindowTitle(Main::instance()->configMgr()->get(0)->getWindow()); }
    bool usable(int buttonId) { return menuPanel()->getButton(buttonId)->status() != 0; }

    void clickTab(int checkBoxId)
    {
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), checkBoxId));
        EXPECT_FALSE(app.runPass());
    }

    // Clicks a menu bar button and runs the pass that handles the click.
    void clickMenu(int buttonId)
    {
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), buttonId));
        EXPECT_FALSE(app.runPass());
    }

    // Every live block of the editor's archive by name.
    std::map<std::string, Stored> liveBlocks()
    {
        std::map<std::string, Stored> blocks;
        Zelkoran::Archive* archive = Main::instance()->archiveMgr()->get(gs().iArchiveID);
        for (int i = 0; i < archive->getIndexCount(); ++i) {
            Zelkoran::Archive::Block entry;
            if (archive->blockAt(i, entry) != 0 || entry.deleted)
                continue;
            Zelkoran::Archive::Block block(entry.name, entry.type);
            EXPECT_EQ(archive->blockLoad(block), 0) << entry.name;
            const auto* bytes = static_cast<const uint8_t*>(block.data);
            blocks[entry.name] = Stored{entry.type, entry.storage, Bytes(bytes, bytes + block.size)};
            archive->blockFree(block);
        }
        return blocks;
    }

    // The source bytes and tag of the audio track block name.
    std::pair<Bytes, int> track(const std::string& name)
    {
        Zelkoran::AudioTrackMgr* tracks = Main::instance()->audioTrackMgr();
        const int id = tracks->load(gs().iArchiveID, name.c_str(), false);
        if (id <= 0) {
            ADD_FAILURE() << name << ": " << id;
            return {};
        }
        const std::string file = folder.path("export-" + name);
        EXPECT_EQ(tracks->get(id)->saveToFile(file.c_str()), 0);
        const int tag = tracks->get(id)->getTag();
        tracks->close(id);
        return {TestFolder::read(file + ".wav"), tag};
    }

    std::vector<std::string> tabLabels()
    {
        std::vector<std::string> labels;
        for (int id : {TAB_IMAGES, TAB_CURSORS, TAB_TILES, TAB_SPRITES, TAB_FONTS, TAB_GUI, TAB_EFFECTS, TAB_AUDIO,
                       TAB_VIDEOS, TAB_SCENES, TAB_XML, TAB_FILES})
            labels.push_back(tabBox(id)->getText());
        return labels;
    }

    KeyPanelScript script{app};
};

TEST_F(ArchiveEndToEndTest, AnEncryptedQELv1OnTheCommandLineIsUpgradedMigratedAndOpened)
{
    const std::string oldKey = "old secret";
    const Bytes readme = bytesOf("read me first");
    const Bytes hero = prose(6000);
    const Bytes walk = qelv1::sprite({0x4005, 0x8000, 0x3000});
    const Bytes theme = legacy::wav(300);
    const Bytes click = legacy::wav(80, 2);
    const Bytes panel = legacy::image(64, legacy::kGuiOwner);
    const Bytes secret = bytesOf("kept under the built-in block key");
    qelv1::Writer writer;
    writer.indexKey = oldKey;
    writer.add(qelv1::raw("ZK7_FILE", "readme", readme))
        .add(qelv1::compressed("ZK7_IMAGE", "hero", hero))
        .add(qelv1::encrypted("ZK7_XML", "level.tmx", bytesOf(std::string("<map/>") + '\0')))
        .add(qelv1::raw("ZK7_SPRITE", "walk", walk))
        .add(qelv1::deleted("ZK7_IMAGE", "old", 1, bytesOf("gone")))
        .add(qelv1::empty())
        .add(qelv1::compressed("ZK7_MUSIC", "theme", legacy::audioBlock("wav", theme)))
        .add(qelv1::raw("ZK7_SOUND", "click", legacy::audioBlock("wav", click, 9)))
        .add(qelv1::raw("ZK7_IMAGE", "panel", panel))
        .add(qelv1::encrypted("ZK7_FONT", "serif", legacy::font(10, 0x01020304, 9, "Serif")))
        .add(qelv1::encrypted("ZK7_FILE", "secret", secret));
    const std::string path = folder.path("game.qel");
    writer.write(path);
    const Bytes original = TestFolder::read(path);
    script.answer(oldKey);
    TS::pushAnswer(4); // keep the legacy encrypted blocks encrypted

    ASSERT_EQ(start({path}), 0);
    ASSERT_FALSE(app.runPass());

    // What the user was asked.
    EXPECT_EQ(script.titles(), std::vector<std::string>{"QELv1 encrypted index detected. Enter the old QELv1 key:"});
    ASSERT_EQ(TS::modalLog().size(), 1u);
    const TS::ModalRecord& question = TS::modalLog()[0];
    EXPECT_STREQ(question.title.c_str(), "QELv1 encrypted blocks");
    EXPECT_NE(std::string(question.text.c_str()).find("the QEL index key you already entered will also be used"),
              std::string::npos);
    EXPECT_EQ(question.buttons, 12);
    EXPECT_EQ(question.type, 4);

    // The files: the QELv2 archive, the QELv1 backup, the backup made
    // before the migration.
    EXPECT_EQ(folder.list(), (std::set<std::string>{"game.qel", "game.backup.qel", "game.backup.bak.qel"}));
    const Bytes upgraded = TestFolder::read(path);
    EXPECT_EQ(std::string(upgraded.begin(), upgraded.begin() + 8), "ZK7QELv2");
    const Probe state = probe(path);
    EXPECT_TRUE(state.isQELv2 && state.encryptedIndex && state.encryptedBlocks);
    EXPECT_EQ(TestFolder::read(folder.path("game.backup.qel")), original);
    {
        Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int before = archives->load(folder.path("game.backup.bak.qel").c_str(), oldKey.data(),
                                          static_cast<int>(oldKey.size()));
        ASSERT_GT(before, 0);
        EXPECT_GE(archives->get(before)->blockSearch(Zelkoran::Archive::Block("theme", "ZK7_MUSIC")), 0);
        archives->close(before);
    }

    // Every block, encrypted as the archive's index is.
    Bytes expectedWalk = walk;
    expectedWalk[129] = 1;
    expectedWalk[128 + 256 + 1] = 0;
    Bytes expectedPanel = panel;
    qelv1::putU32(expectedPanel.data() + 4, legacy::kImageSignature);
    std::map<std::string, Stored> blocks = liveBlocks();
    const auto themeBlock = blocks.extract("theme");
    const auto clickBlock = blocks.extract("click");
    EXPECT_EQ(blocks, (std::map<std::string, Stored>{
                          {"readme", {"ZK7_FILE", 3, readme}},
                          {"hero", {"ZK7_IMAGE", 3, hero}},
                          {"level.tmx", {"ZK7_XML", 3, bytesOf("<map/>")}},
                          {"walk", {"ZK7_SPRITE", 3, expectedWalk}},
                          {"secret", {"ZK7_FILE", 3, secret}},
                          {"panel", {"ZK7_IMAGE", 3, expectedPanel}},
                          {"serif", {"ZK7_FONT", 3, legacy::compactFont(0x01020304, 9, "Serif")}},
                      }));
    ASSERT_FALSE(themeBlock.empty());
    ASSERT_FALSE(clickBlock.empty());
    EXPECT_EQ(themeBlock.mapped().type, "ZK7_AUDIOTRACK");
    EXPECT_EQ(clickBlock.mapped().type, "ZK7_AUDIOTRACK");
    EXPECT_EQ(track("theme"), std::make_pair(theme, static_cast<int>(Zelkoran::ATT_MUSIC)));
    EXPECT_EQ(track("click"), std::make_pair(click, static_cast<int>(Zelkoran::ATT_SFX)));

    // The editor's state.
    EXPECT_EQ(title(), "Skarden v0.19.0 - " + path);
    EXPECT_FALSE(usable(Menu::MB_LOCK));
    EXPECT_TRUE(usable(Menu::MB_UNLOCK));
    EXPECT_EQ(gs().bSecured, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(gs().szKey)), oldKey);
    EXPECT_EQ(tabLabels(), (std::vector<std::string>{"Images(2)", "Cursors(0)", "Tiles(0)", "Sprites(1)", "Fonts(1)",
                                                     "GUI(0)", "Effects(0)", "Audio(2)", "Videos(0)", "Scenes(1)",
                                                     "XML(0)", "Files(2)"}));

    TS::quit();
    EXPECT_EQ(app.run(), 0);
    app.shutdown();
    const std::string log = logText();
    for (const std::string& line : {
             std::string("\n  QELv1 archive detected. Upgrading to QELv2...\n"),
             std::string("  Migrated QELv1 sprite states for walk.\n"),
             "  QELv1 upgraded to QELv2. Copied 9 block(s). Backup: " + folder.path("game.backup.qel") + "\n",
             std::string("  Legacy encrypted blocks kept encrypted in QELv2: 3.\n"),
             std::string("  Found 4 legacy block(s):\n    - ZK7_MUSIC: 1\n    - ZK7_SOUND: 1\n"
                         "    - ZK7_IMAGE (GUI owner): 1\n    - ZK7_FONT (legacy format): 1\n"),
             "  Creating backup: " + folder.path("game.backup.bak.qel") + "\n",
             std::string("\n  Migration complete: 4 successful, 0 failed.\n"),
         })
        EXPECT_NE(log.find(line), std::string::npos) << line << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}

TEST_F(ArchiveEndToEndTest, AWrongOldKeyOfAQELv1IsSaidAndAskedAgain)
{
    qelv1::Writer writer;
    writer.indexKey = "old secret";
    writer.add(qelv1::raw("ZK7_FILE", "readme", bytesOf("read me first")));
    const std::string path = folder.path("old.qel");
    writer.write(path);
    const Bytes original = TestFolder::read(path);
    script.answer("old secreT");
    script.answer("old secret");
    TS::pushAnswer(1); // the box saying the key is wrong

    ASSERT_EQ(start({path}), 0);
    ASSERT_FALSE(app.runPass());

    const std::string oldKeyPrompt = "QELv1 encrypted index detected. Enter the old QELv1 key:";
    EXPECT_EQ(script.titles(), (std::vector<std::string>{oldKeyPrompt, oldKeyPrompt}));
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_STREQ(TS::modalLog()[0].title.c_str(), "Load a Zelkoran Data Container file");
    EXPECT_STREQ(TS::modalLog()[0].text.c_str(), "The key is wrong.");
    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_STREQ(tabBox(TAB_FILES)->getText(), "Files(1)");
    EXPECT_EQ(TestFolder::read(folder.path("old.backup.qel")), original);
}

TEST_F(ArchiveEndToEndTest, EncryptTheIndexCloseReopenWithTheKeyAndFailWithTwoWrongOnes)
{
    qelv1::Writer writer;
    writer.add(qelv1::raw("ZK7_IMAGE", "hero", bytesOf("pixels")))
        .add(qelv1::compressed("ZK7_FILE", "notes.txt", prose(3000)));
    const std::string path = folder.path("plain.qel");
    writer.write(path);

    ASSERT_EQ(start({path}), 0);
    script.install();
    ASSERT_FALSE(app.runPass());
    EXPECT_TRUE(TS::modalLog().empty());
    EXPECT_TRUE(script.seen().empty());
    EXPECT_TRUE(usable(Menu::MB_LOCK));
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(1)");

    // Lock: a key, then the index encrypted.
    script.answer("new key", KeyPanelScript::INDEX);
    TS::pushAnswer(0);
    clickMenu(Menu::MB_LOCK);
    EXPECT_TRUE(probe(path).encryptedIndex);
    EXPECT_FALSE(usable(Menu::MB_LOCK));
    EXPECT_TRUE(usable(Menu::MB_UNLOCK));

    // Both blocks still lie in clear: the Files tab's boxes show how the
    // file is stored, the tools panel how many stay readable.
    clickTab(TAB_FILES);
    Zelkoran::Panel* files = tabPanel("Files");
    const SDL_Rect row = files->getList(BW_LIST)->getRect();
    TS::click(row.x + 10, row.y + 2 + files->getList(BW_LIST)->getRowHeight() / 2);
    EXPECT_FALSE(app.runPass());
    ASSERT_EQ(files->getList(BW_LIST)->getSelectedIndex(), 1);
    const auto storage = [files] {
        return std::vector<bool>{files->getCheckBox(CtrlFiles::FL_RAW)->isChecked(),
                                 files->getCheckBox(CtrlFiles::FL_COMPRESSED)->isChecked(),
                                 files->getCheckBox(CtrlFiles::FL_CRYPTED)->isChecked()};
    };
    EXPECT_EQ(storage(), (std::vector<bool>{false, true, false}));
    const auto readable = [this] {
        TS::pushAnswer(1);
        clickMenu(Menu::MB_TOOLS);
        const auto* label = editortest::panel(app.resources()->get(SR_TOOLS_PANEL))->getLabel(TW_READABLE);
        return std::string(label ? label->getText() : "<none>");
    };
    EXPECT_EQ(readable(), "Readable without the key: 2 blocks");
    TS::pushAnswer(0); // "File saved."
    ASSERT_TRUE(TS::clickWidget(files->getID(), BW_SAVE));
    EXPECT_FALSE(app.runPass());
    EXPECT_EQ(storage(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(readable(), "Readable without the key: 1 block");

    // Close.
    TS::pushAnswer(4);
    clickMenu(Menu::MB_CLOSE);
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    EXPECT_EQ(title(), "Skarden v0.19.0");
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(0)");

    // Reopen: the key is asked before the engine opens the file.
    TS::pushFileAnswer(true, path.c_str());
    script.answer("new key");
    clickMenu(Menu::MB_LOAD);
    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_EQ(gs().bSecured, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(gs().szKey)), "new key");
    EXPECT_EQ(title(), "Skarden v0.19.0 - " + path);
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(1)");
    EXPECT_STREQ(tabBox(TAB_FILES)->getText(), "Files(1)");
    EXPECT_TRUE(usable(Menu::MB_UNLOCK));

    // Closed again, then two wrong keys.
    TS::pushAnswer(4);
    clickMenu(Menu::MB_CLOSE);
    TS::pushFileAnswer(true, path.c_str());
    script.answer("wrong");
    script.answer("wrong again");
    for (int box = 0; box < 3; ++box)
        TS::pushAnswer(1);
    clickMenu(Menu::MB_LOAD);
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    // The save sealed a block: the file now holds encrypted blocks too.
    const std::string prompt = "QELv2 encrypted index and blocks detected. Enter the QEL key:";
    EXPECT_EQ(script.titles(),
              (std::vector<std::string>{"QEL encryption and password", prompt, prompt, "QEL is secured, enter the key:"}));
    std::vector<std::string> boxes;
    for (const TS::ModalRecord& r : TS::modalLog())
        boxes.push_back(std::string(r.title.c_str()) + "|" + r.text.c_str());
    const std::string file = "Load a Zelkoran Data Container file|";
    EXPECT_EQ(boxes, (std::vector<std::string>{"QEL encryption|QEL index encrypted.\n2 blocks stay readable without "
                                               "the key until they are saved again.",
                                               "QEL Info and Options|", "File: save to QEL|File saved.",
                                               "QEL Info and Options|",
                                               "Close current QEL file|File \"" + path +
                                                   "\" is opened\nDo you want to close it?",
                                               file, "Close current QEL file|File \"" + path +
                                                         "\" is opened\nDo you want to close it?",
                                               file, file + "The key is wrong.", file + "The key is wrong.",
                                               file + "Could not load the QEL file."}));
    EXPECT_EQ(TS::pendingAnswers(), 0u);
    EXPECT_EQ(script.pending(), 0u);
}

} // namespace
