// The tools panel with the open archive's facts, the block table, the
// defragment/resize of the archive and the information panel, driven with
// scripted answers and real clicks.
#include "app/AppFixture.h"
#include "app/BlockTable.h"
#include "app/DocumentViewer.h"
#include "app/KeyPanelScript.h"
#include "services/FixedPanelIds.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include "support/FileFaults.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Tool.h>

#include <SDL_keycode.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

namespace TS = editortest::TS;
using Zelkoran::Archive;
using Zelkoran::Main;

using Bytes = std::vector<uint8_t>;

constexpr const char* kDefragQuestion =
    "Blocks (Images, sprites, music, etc) deletion is a soft-action,\n"
    "they can be restored on the Undelete tab.\n"
    "However, this action will physically remove all these soft-deleted blocks.\n"
    "Do you want to continue ? ";

struct Entry {
    std::string name;
    std::string type;
    Bytes data;
    uint32_t storage = Archive::ST_RAW;
    bool deleted = false;
};

Bytes randomBytes(size_t size, uint32_t seed)
{
    std::mt19937 gen(seed);
    Bytes bytes(size);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(gen());
    return bytes;
}

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Ten live blocks (raw, compressed, hidden) and three deleted ones.
std::vector<Entry> tenLiveThreeDeleted()
{
    std::vector<Entry> entries;
    for (int i = 0; i < 10; ++i) {
        Entry e{"block" + std::to_string(i), i % 2 ? "ZK7_IMAGE" : "ZK7_FILE", randomBytes(1000 + 700 * i, i)};
        if (i == 3)
            e.name = "#T_hidden";
        if (i == 4) {
            e.storage = Archive::ST_COMPRESSED;
            e.data = Bytes(20000, 'z');
        }
        entries.push_back(e);
    }
    for (int i = 0; i < 3; ++i)
        entries.push_back({"gone" + std::to_string(i), "ZK7_SPRITE", randomBytes(5000, 100 + i), Archive::ST_RAW, true});
    return entries;
}

class MenuToolsTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_EQ(start(), 0);
        script.install();
        app.runPass();
        setDocumentViewer([this](const char* path) { viewed.emplace_back(path); });
    }
    void TearDown() override
    {
        setDocumentViewer(nullptr);
        AppTest::TearDown();
        TS::clearModalLog();
    }

    GlobalStatus& gs() { return *app.globalStatus(); }
    Zelkoran::ArchiveMgr* archives() { return Main::instance()->archiveMgr(); }
    Archive* opened() { return archives()->get(gs().iArchiveID); }
    int toolsId() { return app.resources()->get(SR_TOOLS_PANEL); }
    int blocksId() { return app.resources()->get(SR_BLOCKS_PANEL); }
    int infoId() { return app.resources()->get(SR_INFO_PANEL); }
    Zelkoran::Panel* tools() { return editortest::panel(toolsId()); }
    std::string label(int id) { return tools()->getLabel(id)->getText(); }
    Zelkoran::WidgetNumberEdit* maxBlocks() { return tools()->getNumberEdit(TW_MAX_BLOCKS); }

    // Writes the entries into a new archive (blocks of storage 3 and an
    // encrypted index with key) and closes it.
    std::string build(const std::string& file, const std::vector<Entry>& entries, int limit,
                      const std::string& key = "", bool encryptIndex = false)
    {
        const std::string path = folder.path(file);
        const int id = archives()->create(path.c_str(), limit);
        EXPECT_GT(id, 0);
        Archive* archive = archives()->get(id);
        archive->setDurable(false);
        if (!key.empty()) {
            EXPECT_EQ(archive->setKey(key.data(), static_cast<int>(key.size())), 0);
        }
        for (const Entry& e : entries) {
            Archive::Block block(e.name.c_str(), e.type.c_str());
            block.storage = e.storage;
            block.data = const_cast<uint8_t*>(e.data.data());
            block.size = e.data.size();
            EXPECT_EQ(archive->blockAdd(block), 0) << e.name;
            if (e.deleted) {
                EXPECT_EQ(archive->blockDelete(block), 0) << e.name;
            }
        }
        if (encryptIndex) {
            EXPECT_EQ(archive->encrypt(), 0);
        }
        archives()->close(id);
        return path;
    }

    // Opens the archive as the editor's, as opening it through the menu does.
    void open(const std::string& path, const std::string& key = "")
    {
        const int id = archives()->load(path.c_str(), key.empty() ? nullptr : key.data(), static_cast<int>(key.size()));
        ASSERT_GT(id, 0);
        gs().bArchiveLoaded = 1;
        gs().iArchiveID = id;
        gs().sArchivePath = path.c_str();
        gs().bSecured = archives()->get(id)->isEncrypted() || archives()->get(id)->isEncryptedBlocks();
        gs().bReparseAll = 1;
        app.menu()->update();
    }

    // name -> data of every live block of the open archive.
    std::map<std::string, Bytes> liveData()
    {
        std::map<std::string, Bytes> out;
        Archive* archive = opened();
        for (int i = 0; i < archive->getIndexCount(); ++i) {
            Archive::Block entry;
            EXPECT_EQ(archive->blockAt(i, entry), 0);
            if (entry.deleted)
                continue;
            Archive::Block block(entry.name, entry.type);
            EXPECT_EQ(archive->blockLoad(block), 0) << entry.name;
            const auto* bytes = static_cast<const uint8_t*>(block.data);
            out[entry.name] = Bytes(bytes, bytes + block.size);
            archive->blockFree(block);
        }
        return out;
    }
    static std::map<std::string, Bytes> live(const std::vector<Entry>& entries)
    {
        std::map<std::string, Bytes> out;
        for (const Entry& e : entries)
            if (!e.deleted)
                out[e.name] = e.data;
        return out;
    }

    // Every modal request as "title|panel id" (plain boxes: "title|text").
    std::vector<std::string> modals()
    {
        std::vector<std::string> out;
        for (const TS::ModalRecord& r : TS::modalLog())
            out.push_back(std::string(r.title.c_str()) + "|"
                          + (r.panelId > 0 ? std::to_string(r.panelId) : std::string(r.text.c_str())));
        return out;
    }
    std::string toolsRun() { return "QEL Info and Options|" + std::to_string(toolsId()); }
    static std::string confirmRun() { return std::string("Defrag/resize the QEL file|") + kDefragQuestion; }

    // Types text into the maximum-blocks field of the shown tools panel,
    // then clicks the button.
    static void typeLimitAndClick(int panelId, const char* text, int button)
    {
        TS::clickWidget(panelId, TW_MAX_BLOCKS);
        TS::key(SDLK_a, KMOD_CTRL);
        TS::typeText(text);
        TS::clickWidget(panelId, button);
    }

    KeyPanelScript script{app};
    std::vector<std::string> viewed;
};

// ---------------------------------------------------------------------------
// The archive's facts.

TEST_F(MenuToolsTest, ThePanelShowsTheOpenArchivesFacts)
{
    const std::string path = build("facts.qel", tenLiveThreeDeleted(), 4096);
    open(path);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    const Archive* archive = opened();
    EXPECT_EQ(label(TW_VERSION), "Version: QELv2");
    EXPECT_EQ(label(TW_CREATED), std::string("Creation date: ") + archive->getCreationDate().c_str());
    EXPECT_EQ(label(TW_MODIFIED), std::string("Last modification: ") + archive->getModificationDate().c_str());
    EXPECT_EQ(label(TW_ENCRYPTION), "Encrypted index: No - Encrypted blocks: No");
    EXPECT_EQ(label(TW_FILE_SIZE), "File size: " + std::to_string(std::filesystem::file_size(path) >> 10) + "KB");
    char fragmentation[32];
    std::snprintf(fragmentation, sizeof fragmentation, "%3.2f", static_cast<double>(archive->getFragmentation()));
    EXPECT_GT(archive->getFragmentation(), 0.0f);
    EXPECT_EQ(label(TW_FRAGMENTATION), std::string("Fragmentation: ") + fragmentation + "%");
    EXPECT_EQ(label(TW_USED_DELETED), "Used/Deleted: 10/3 - Max blocks:");
    EXPECT_EQ(maxBlocks()->getMin(), 10.0f);
    EXPECT_EQ(maxBlocks()->getMax(), 8192.0f);
    EXPECT_EQ(maxBlocks()->getValue(), 4096.0f);
    ASSERT_EQ(TS::modalLog().size(), 1u);
    const TS::ModalRecord& run = TS::modalLog()[0];
    EXPECT_EQ(run.title, "QEL Info and Options");
    EXPECT_EQ(run.text, "");
    EXPECT_EQ(run.buttons, 0);
    EXPECT_EQ(run.type, 0);
    EXPECT_EQ(run.panelId, toolsId());
}

TEST_F(MenuToolsTest, ALimitAbove8192IsTheFieldsMaximumAndEncryptionIsShown)
{
    open(build("big.qel", {{"vault", "ZK7_FILE", textBytes("gold"), Archive::ST_ENCRYPTED}}, 10000, "k", true), "k");
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_EQ(maxBlocks()->getMax(), 10000.0f);
    EXPECT_EQ(maxBlocks()->getValue(), 10000.0f);
    EXPECT_EQ(label(TW_ENCRYPTION), "Encrypted index: Yes - Encrypted blocks: Yes");
}

TEST_F(MenuToolsTest, TheFileSizeIsInWholeKibAndZeroWhenTheFileCannotBeRead)
{
    open(build("size.qel", {}, 0));
    const std::string archivePath = gs().sArchivePath.c_str();
    const std::pair<size_t, const char*> sizes[] = {{1023, "File size: 0KB"}, {2048, "File size: 2KB"}};
    for (const auto& [bytes, text] : sizes) {
        const std::string other = folder.path("bytes" + std::to_string(bytes));
        TestFolder::write(other, Bytes(bytes, 1));
        gs().sArchivePath = other.c_str();
        TS::pushAnswer(Zelkoran::MBB_OK);
        EXPECT_EQ(app.menu()->onTools(), 0);
        EXPECT_EQ(label(TW_FILE_SIZE), text);
    }
    gs().sArchivePath = folder.path("missing.qel").c_str();
    TS::pushAnswer(Zelkoran::MBB_OK);
    EXPECT_EQ(app.menu()->onTools(), 0);
    EXPECT_EQ(label(TW_FILE_SIZE), "File size: 0KB");
    gs().sArchivePath = archivePath.c_str();
}

// ---------------------------------------------------------------------------
// Results, quit and missing things.

TEST_F(MenuToolsTest, OkGivesZeroQuitGives256AndOtherResultsPassUnchanged)
{
    open(build("results.qel", tenLiveThreeDeleted(), 0));
    TS::pushAnswer(Zelkoran::MBB_CANCEL);
    EXPECT_EQ(app.menu()->onTools(), 256);
    TS::pushAnswer(7);
    EXPECT_EQ(app.menu()->onTools(), 7);
    // The menu bar's button passes the result on to the main loop.
    TS::pushAnswer(Zelkoran::MBB_CANCEL);
    EXPECT_EQ(app.menu()->processEvent(Menu::MB_TOOLS, 0), 256);
}

TEST_F(MenuToolsTest, ClosingTheWindowOverThePanelEndsTheProgram)
{
    open(build("quit.qel", tenLiveThreeDeleted(), 0));
    TS::pushScript([](int) { TS::quit(); });

    EXPECT_EQ(app.menu()->onTools(), 256);

    EXPECT_FALSE(tools()->isShown());
    const auto events = TS::pump();
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const SDL_Event& e) { return e.type == SDL_QUIT; }));
}

TEST_F(MenuToolsTest, WithoutAnArchiveOrThePanelTheUserIsToldAndNothingRuns)
{
    TS::pushAnswer(Zelkoran::MBB_OK);
    EXPECT_EQ(app.menu()->onTools(), 0);
    EXPECT_EQ(modals(), std::vector<std::string>{"QEL tools|The QEL file is not loaded."});
    EXPECT_EQ(TS::modalLog()[0].buttons, 1);
    EXPECT_EQ(TS::modalLog()[0].type, 1);
    EXPECT_EQ(app.menu()->onShowBlocks(), 0);
    EXPECT_EQ(TS::modalLog().size(), 1u);

    open(build("panel.qel", tenLiveThreeDeleted(), 0));
    Main::instance()->guiMgr()->close(blocksId());
    EXPECT_EQ(app.menu()->onShowBlocks(), 0);
    EXPECT_EQ(TS::modalLog().size(), 1u);
    Main::instance()->guiMgr()->close(toolsId());
    TS::pushAnswer(Zelkoran::MBB_OK);
    EXPECT_EQ(app.menu()->onTools(), 0);
    EXPECT_EQ(modals().back(), "QEL tools|The QEL tools panel is not available.");
}

// ---------------------------------------------------------------------------
// The block table.

TEST_F(MenuToolsTest, TheTableListsEveryEntryHiddenAndDeletedIncluded)
{
    const std::string name40 = "a_block_name_of_forty_characters_4567890";
    ASSERT_EQ(name40.size(), 40u);
    const std::vector<Entry> entries = {
        {"hero", "ZK7_IMAGE", textBytes("pixels")},
        {"#T_tiles", "ZK7_IMAGE", textBytes("hidden")},
        {"old", "ZK7_SOUND", textBytes("deleted"), Archive::ST_RAW, true},
        {name40, "ZK7_FILE", textBytes("long")},
        {"fx", "ZK7_PARTICLE_FX1", textBytes("sixteen")}, // a type that fills all 16 bytes
    };
    open(build("table.qel", entries, 0));
    // Show all blocks, then OK in the table and in the panel shown again.
    TS::pushAnswer(TW_SHOW_BLOCKS);
    TS::pushAnswer(Zelkoran::MBB_OK);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_EQ(modals(), (std::vector<std::string>{toolsRun(), "QEL Blocks Information|" + std::to_string(blocksId()),
                                                 toolsRun()}));
    Zelkoran::WidgetTextEdit* table = editortest::panel(blocksId())->getTextEdit(BT_TABLE);
    const std::vector<std::string> expected = {
        "Index | Name                            | Type",
        "------|---------------------------------|-------------------",
        "0     | hero                            | ZK7_IMAGE",
        "1     | #T_tiles                        | ZK7_IMAGE",
        "2     | old                             | ZK7_SOUND",
        "3     | a_block_name_of_forty_characters| ZK7_FILE",
        "4     | fx                              | ZK7_PARTICLE_FX1",
    };
    ASSERT_EQ(table->getLineCount(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(std::string(table->getLine(static_cast<int>(i) + 1).c_str()), expected[i]);
    EXPECT_EQ(std::string(table->getLine(1).c_str()).find('|', 7), 40u);

    // Shown again, the table holds the entries once.
    TS::pushAnswer(Zelkoran::MBB_CANCEL);
    EXPECT_EQ(app.menu()->onShowBlocks(), 256);
    EXPECT_EQ(table->getLineCount(), static_cast<int>(expected.size()));
}

// Columns count characters: an index of seven digits is followed directly
// by the bar, and a name of two- or four-byte characters is cut and padded
// like any other, never in the middle of a character.
TEST_F(MenuToolsTest, BlockTableRowsKeepTheirColumns)
{
    const std::string e = "\xc3\xa9"; // an accented e: two bytes
    const std::string smile = "\xf0\x9f\x99\x82"; // four bytes
    std::string thirty; // 60 bytes
    for (int i = 0; i < 30; ++i)
        thirty += e;
    const struct {
        uint32_t index;
        std::string name, row;
    } rows[] = {
        {1234567, "name", "1234567| name                            | ZK7_FILE"},
        {123456, "name", "123456| name                            | ZK7_FILE"},
        {2, "tone 2 " + e, "2     | tone 2 " + e + "                        | ZK7_FILE"},
        {3, "abc" + thirty, "3     | abc" + thirty.substr(0, 58) + "| ZK7_FILE"},
        {4, smile + " " + smile, "4     | " + smile + " " + smile + std::string(29, ' ') + "| ZK7_FILE"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(blockTableRow(r.index, Archive::Block(r.name.c_str(), "ZK7_FILE")), r.row) << r.name;
}

// ---------------------------------------------------------------------------
// Defragment and resize.

TEST_F(MenuToolsTest, DefragDropsDeletedBlocksAndKeepsEveryLiveByte)
{
    const std::vector<Entry> entries = tenLiveThreeDeleted();
    const std::string path = build("defrag.qel", entries, 4096);
    open(path);
    const int oldId = gs().iArchiveID;
    const uintmax_t oldSize = std::filesystem::file_size(path);
    // A block the tabs have not listed yet: the rebuilt lists show it.
    Archive::Block late("late", "ZK7_IMAGE");
    late.data = const_cast<char*>("late pixels");
    late.size = 11;
    ASSERT_EQ(opened()->blockAdd(late), 0);
    std::map<std::string, Bytes> expected = live(entries);
    expected["late"] = textBytes("late pixels");
    std::string shownAgain;
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushScript([&](int) {
        shownAgain = label(TW_USED_DELETED) + " " + label(TW_FRAGMENTATION);
        TS::clickWidget(toolsId(), TW_OK);
    });

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_EQ(modals(), (std::vector<std::string>{toolsRun(), confirmRun(), toolsRun()}));
    EXPECT_EQ(TS::modalLog()[1].buttons, 12);
    EXPECT_EQ(TS::modalLog()[1].type, 3);
    EXPECT_EQ(shownAgain, "Used/Deleted: 11/0 - Max blocks: Fragmentation: 0.00%");
    EXPECT_NE(gs().iArchiveID, oldId);
    EXPECT_EQ(archives()->get(oldId), nullptr);
    ASSERT_NE(opened(), nullptr);
    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_EQ(opened()->getIndexCount(), 11);
    EXPECT_EQ(opened()->getBlockLimit(), 4096);
    EXPECT_EQ(liveData(), expected);
    EXPECT_LT(std::filesystem::file_size(path), oldSize);
    EXPECT_EQ(gs().bReparseAll, 0);
    EXPECT_EQ(std::string(tabBox(TAB_IMAGES)->getText()), "Images(5)");
}

// A second name of the file (a hard link) is not rewritten: the question
// says so before the user agrees, and that name keeps the old archive.
TEST_F(MenuToolsTest, AFileOfTwoNamesIsRewrittenUnderItsOwnAndTheQuestionSaysSo)
{
    const std::string path = build("defrag.qel", tenLiveThreeDeleted(), 4096);
    const std::string other = folder.path("backup.qel");
    std::filesystem::create_hard_link(path, other);
    const Bytes old = TestFolder::read(other);
    open(path);
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    const std::string note = "Defrag/resize the QEL file|The QEL file \"" + path
                             + "\" has 1 other name (hard links): the defrag rewrites it under this name only, the "
                               "other names keep the old content.\n";
    EXPECT_EQ(modals(), (std::vector<std::string>{toolsRun(), note + kDefragQuestion, toolsRun()}));
    EXPECT_EQ(opened()->getIndexCount(), 10);
    EXPECT_TRUE(TestFolder::read(other) == old);
}

TEST_F(MenuToolsTest, ResizingTakesTheTypedLimit)
{
    const std::vector<Entry> entries = {{"a", "ZK7_FILE", randomBytes(3000, 1)}, {"b", "ZK7_IMAGE", randomBytes(10, 2)}};
    const std::string path = build("resize.qel", entries, 4096);
    open(path);
    ASSERT_EQ(opened()->getFragmentation(), 0.0f);
    TS::pushScript([](int panelId) { typeLimitAndClick(panelId, "5000", TW_DEFRAG); });
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->processEvent(Menu::MB_TOOLS, 0), 0);

    EXPECT_EQ(opened()->getBlockLimit(), 5000);
    EXPECT_EQ(maxBlocks()->getValue(), 5000.0f);
    EXPECT_EQ(liveData(), live(entries));
}

TEST_F(MenuToolsTest, ALimitBelowTheLiveCountIsRaisedToIt)
{
    const std::vector<Entry> entries = tenLiveThreeDeleted();
    open(build("below.qel", entries, 4096));
    TS::pushScript([](int panelId) { typeLimitAndClick(panelId, "3", TW_DEFRAG); });
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_EQ(opened()->getBlockLimit(), 10);
    EXPECT_EQ(opened()->getBlockCount(), 10);
    EXPECT_EQ(liveData(), live(entries));
}

TEST_F(MenuToolsTest, NothingIsRewrittenWithoutFragmentationOrANewLimitOrWithoutYes)
{
    const std::string path = build("clean.qel", {{"a", "ZK7_FILE", randomBytes(100, 3)}}, 4096);
    open(path);
    const int id = gs().iArchiveID;
    const Bytes before = TestFolder::read(path);
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushScript([](int panelId) { typeLimitAndClick(panelId, "6000", TW_DEFRAG); });
    TS::pushAnswer(Zelkoran::MBB_NO);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_EQ(modals(), (std::vector<std::string>{toolsRun(), confirmRun(), toolsRun(), confirmRun(), toolsRun()}));
    EXPECT_EQ(gs().iArchiveID, id);
    EXPECT_EQ(opened()->getBlockLimit(), 4096);
    EXPECT_EQ(TestFolder::read(path), before);
}

// ---------------------------------------------------------------------------
// Keys.

TEST_F(MenuToolsTest, ASecuredArchiveIsRewrittenWithTheRememberedKey)
{
    const std::vector<Entry> entries = {{"vault", "ZK7_FILE", randomBytes(4000, 9), Archive::ST_ENCRYPTED},
                                        {"old", "ZK7_FILE", randomBytes(4000, 8), Archive::ST_ENCRYPTED, true},
                                        {"plain", "ZK7_IMAGE", randomBytes(900, 7)}};
    open(build("locked.qel", entries, 0, "secret", true), "secret");
    app.menu()->rememberQELKey("secret", 6);
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_TRUE(script.seen().empty());
    ASSERT_NE(opened(), nullptr);
    EXPECT_TRUE(opened()->isEncrypted());
    EXPECT_EQ(opened()->getIndexCount(), 2);
    EXPECT_EQ(liveData(), live(entries));
    EXPECT_EQ(gs().bKeyRemembered, 1);
}

TEST_F(MenuToolsTest, WithoutARememberedKeyTheKeyIsAskedForAndRemembered)
{
    const std::vector<Entry> entries = {{"vault", "ZK7_FILE", randomBytes(4000, 5), Archive::ST_ENCRYPTED},
                                        {"old", "ZK7_FILE", randomBytes(10, 6), Archive::ST_RAW, true}};
    open(build("asked.qel", entries, 0, "secret", true), "secret");
    script.answer("secret");
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_EQ(script.titles(), std::vector<std::string>{"QEL is secured, enter the key:"});
    EXPECT_EQ(opened()->getIndexCount(), 1);
    EXPECT_EQ(liveData(), live(entries));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(gs().szKey), gs().iKeyLength), "secret");
}

TEST_F(MenuToolsTest, CancellingTheKeyPromptKeepsTheArchiveOpenAndUntouched)
{
    const std::string path =
        build("cancel.qel", {{"vault", "ZK7_FILE", textBytes("gold"), Archive::ST_ENCRYPTED},
                             {"old", "ZK7_FILE", textBytes("x"), Archive::ST_RAW, true}},
              0, "secret", true);
    open(path, "secret");
    const int id = gs().iArchiveID;
    const Bytes before = TestFolder::read(path);
    script.answer("typed", KeyPanelScript::CANCEL);
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);

    EXPECT_EQ(app.menu()->onTools(), -1);

    EXPECT_EQ(gs().iArchiveID, id);
    EXPECT_NE(opened(), nullptr);
    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_EQ(gs().bKeyRemembered, 0);
    EXPECT_EQ(TestFolder::read(path), before);
    EXPECT_EQ(modals(), (std::vector<std::string>{toolsRun(), confirmRun()}));
}

TEST_F(MenuToolsTest, AWrongKeyFailsTheRewriteClosesTheArchiveAndLeavesTheFileIntact)
{
    const std::vector<Entry> entries = {{"vault", "ZK7_FILE", textBytes("gold"), Archive::ST_ENCRYPTED},
                                        {"old", "ZK7_FILE", textBytes("x"), Archive::ST_RAW, true}};
    const std::string path = build("wrong.qel", entries, 0, "secret", true);
    open(path, "secret");
    const Bytes before = TestFolder::read(path);
    script.answer("wrong");
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), -1);

    EXPECT_EQ(modals().back(), "Defrag a QEL file|Could not defrag/resize the QEL file.\nThe QEL file was closed.");
    EXPECT_EQ(TS::modalLog().back().type, 1);
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    EXPECT_EQ(gs().iArchiveID, 0);
    EXPECT_EQ(gs().bKeyRemembered, 0);
    EXPECT_EQ(menuPanel()->getButton(Menu::MB_TOOLS)->status(), 0);
    EXPECT_EQ(TestFolder::read(path), before);
}

TEST_F(MenuToolsTest, AFileThatCannotBeRewrittenIsLeftAsItIsAndTheCauseSaid)
{
    const std::string replaced = "\" was replaced or deleted by another program since it was opened.\n"
                                 "Nothing was written to it.";
    const std::string denied = "\" cannot be written: permission denied.\nIt is kept as it is.";
    const std::string deniedInFolder =
        "\" cannot be rewritten: permission denied in its folder.\nIt is kept as it is.";
    const struct {
        const char* label;
        std::function<void(const std::string& path)> change; // by another program, while open
        const std::string& cause;
        bool keptOpen;
        bool sizeKnown; // the panel shows the size of the file at the path
    } rows[] = {
        {"another archive moved over it",
         [this](const std::string& p) {
             const std::string theirs = build("theirs.qel", {{"theirs", "ZK7_FILE", textBytes("theirs")}}, 0);
             std::filesystem::rename(theirs, p);
         },
         replaced, true, false},
        {"deleted", [](const std::string& p) { std::filesystem::remove(p); }, replaced, true, false},
        {"write-protected", FileFaults::writeProtect, denied, true, true},
        // The rewrite needs the folder: it fails only once the archive is closed.
        {"folder write-protected",
         [](const std::string& p) { FileFaults::writeProtect(std::filesystem::path(p).parent_path()); },
         deniedInFolder, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        FileFaults::Scope faults;
        TS::clearModalLog();
        const std::string path = build("mine.qel", tenLiveThreeDeleted(), 0);
        open(path);
        row.change(path);
        const bool present = std::filesystem::exists(path);
        const Bytes before = present ? TestFolder::read(path) : Bytes();
        TS::pushAnswer(TW_DEFRAG);
        TS::pushAnswer(Zelkoran::MBB_YES);
        TS::pushAnswer(Zelkoran::MBB_OK);

        EXPECT_EQ(app.menu()->onTools(), -1);

        const std::string said = "Defrag a QEL file|Could not defrag/resize the QEL file.\nThe QEL file \"" + path
                                 + row.cause + (row.keptOpen ? "" : "\nThe QEL file was closed.");
        EXPECT_EQ(modals().at(2), said);
        EXPECT_EQ(label(TW_FILE_SIZE), row.sizeKnown ? "File size: " + std::to_string(before.size() >> 10) + "KB"
                                            : "File size: the file was replaced or deleted");
        EXPECT_EQ(gs().bArchiveLoaded, row.keptOpen ? 1 : 0);
        EXPECT_EQ(std::filesystem::exists(path), present);
        if (present) {
            EXPECT_EQ(TestFolder::read(path), before);
        }
        EXPECT_EQ(folder.list(), present ? std::set<std::string>{"mine.qel"} : std::set<std::string>{});
        if (gs().bArchiveLoaded) {
            EXPECT_EQ(opened()->getIndexCount(), 13);
            archives()->close(gs().iArchiveID);
            gs().clear();
        }
        FileFaults::reset();
        std::filesystem::remove(path);
    }
    EXPECT_EQ(TS::pendingAnswers(), 0u);
}

TEST_F(MenuToolsTest, AFailedReopenClosesTheArchiveButTheRewriteIsKept)
{
    const std::vector<Entry> entries = tenLiveThreeDeleted();
    const std::string path = build("reopen.qel", entries, 0);
    open(path);
    FileFaults::Scope faults;
    FileFaults::failOpenAfterRenameTo(path);
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), -1);

    EXPECT_EQ(modals().back(), "Defrag a QEL file|Could not reload the QEL file after defrag/resize.");
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    EXPECT_EQ(gs().iArchiveID, 0);
    FileFaults::reset();
    open(path);
    EXPECT_EQ(opened()->getIndexCount(), 10);
    EXPECT_EQ(liveData(), live(entries));
}

TEST_F(MenuToolsTest, AKeyGivenToAPlainArchiveStaysWithItAfterTheRewrite)
{
    open(build("keyed.qel", tenLiveThreeDeleted(), 0));
    ASSERT_EQ(opened()->setKey("later", 5), 0);
    app.menu()->rememberQELKey("later", 5);
    ASSERT_EQ(gs().bSecured, 0);
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    // Encrypted blocks can still be saved without asking for the key again.
    Archive::Block block("vault", "ZK7_FILE");
    block.storage = Archive::ST_ENCRYPTED;
    block.data = const_cast<char*>("gold");
    block.size = 4;
    EXPECT_EQ(opened()->blockAdd(block), 0);
    EXPECT_TRUE(script.seen().empty());
}

TEST_F(MenuToolsTest, TheSecuredStateFollowsTheRewrittenArchive)
{
    // The only encrypted entry is a deleted one: gone after the rewrite.
    open(build("unsecured.qel",
               {{"plain", "ZK7_FILE", textBytes("text")}, {"old", "ZK7_FILE", textBytes("x"), Archive::ST_ENCRYPTED, true}},
               0, "secret"),
         "secret");
    app.menu()->rememberQELKey("secret", 6);
    ASSERT_EQ(gs().bSecured, 1);
    TS::pushAnswer(TW_DEFRAG);
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);

    EXPECT_EQ(app.menu()->onTools(), 0);

    EXPECT_EQ(gs().bSecured, 0);
    EXPECT_NE(menuPanel()->getButton(Menu::MB_LOCK)->status(), 0);
    EXPECT_EQ(menuPanel()->getButton(Menu::MB_UNLOCK)->status(), 0);
}

// ---------------------------------------------------------------------------
// The information panel.

TEST_F(MenuToolsTest, TheChangeLogButtonOpensTheChangeLogBesideTheProgram)
{
    TS::pushScript([](int panelId) { TS::clickWidget(panelId, IP_CHANGELOG); });

    EXPECT_EQ(app.menu()->processEvent(Menu::MB_INFO, 0), 0);

    const std::string exeDir = Main::instance()->tool()->fileGetExePath().c_str();
    EXPECT_EQ(viewed, std::vector<std::string>{exeDir + "/CHANGELOG.md"});
    EXPECT_EQ(modals(), std::vector<std::string>{"Skarden v0.19.0|" + std::to_string(infoId())});
    EXPECT_FALSE(editortest::panel(infoId())->isShown());
}

TEST_F(MenuToolsTest, InformationOkGivesZeroAndQuitGives256)
{
    TS::pushAnswer(Zelkoran::MBB_OK);
    EXPECT_EQ(app.menu()->onInfo(), 0);
    TS::pushAnswer(Zelkoran::MBB_CANCEL);
    EXPECT_EQ(app.menu()->onInfo(), 256);
    EXPECT_TRUE(viewed.empty());

    // Without its panel the action does nothing, rather than read the
    // engine's answer for a missing panel as a quit request.
    Main::instance()->guiMgr()->close(infoId());
    EXPECT_EQ(app.menu()->onInfo(), 0);
    EXPECT_EQ(TS::modalLog().size(), 2u);
}

} // namespace
