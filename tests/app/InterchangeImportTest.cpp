// The interchange import as the user runs it: from the command line at
// start-up and from the menu bar's Import XML button through real events,
// with the target archive's choice, its resize and the failures.
#include "app/AppFixture.h"
#include "app/EncryptedArchiveRecord.h"
#include "import/interchange/InterchangeFixture.h"
#include "support/FileFaults.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/ctrlBase.h"
#include "tabs/data/ctrlFiles.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace TS = editortest::TS;
using Zelkoran::Main;

constexpr const char* kTitle = "Import a Hollet Interchange XML";
constexpr const char* kTooManyBlocks = "The XML announces more blocks (totalblocks) than a QEL file can hold.";

class InterchangeImportTest : public AppTest {
protected:
    GlobalStatus& gs() { return *app.globalStatus(); }
    Zelkoran::Archive* archive() { return Main::instance()->archiveMgr()->get(gs().iArchiveID); }

    // Writes the assets and a document around body; its path.
    std::string writeDocument(const std::string& body, int totalBlocks = 0, const std::string& source = "game.xml")
    {
        interchange::writeAssets(folder);
        const std::string path = folder.path("game.xml");
        const std::string text = interchange::document(folder, body, totalBlocks, source);
        TestFolder::write(path, std::vector<uint8_t>(text.begin(), text.end()));
        return path;
    }

    // The menu's Import XML clicked; the file dialog picks path, the boxes
    // after it get answers.
    void clickImport(const std::string& path, const std::vector<int>& answers)
    {
        TS::pushFileAnswer(true, path.c_str());
        for (int answer : answers)
            TS::pushAnswer(answer);
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), Menu::MB_IMPORT_XML));
        EXPECT_FALSE(app.runPass());
        app.runPass();
    }

    // An archive with limit slots and used blocks, opened as the editor's.
    void openArchiveWithSlots(int limit, int used)
    {
        const std::string path = folder.path("open.qel");
        Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->create(path.c_str(), limit);
        for (int i = 0; i < used; ++i) {
            const std::string name = "b" + std::to_string(i);
            Zelkoran::Archive::Block block(name.c_str(), "ZK7_FILE");
            block.data = const_cast<char*>(name.data());
            block.size = name.size();
            ASSERT_EQ(archives->get(id)->blockAdd(block), 0);
        }
        archives->close(id);
        editortest::openAsEditorArchive(gs(), path);
        app.menu()->update();
    }

    std::vector<std::string> boxTexts()
    {
        std::vector<std::string> texts;
        for (const TS::ModalRecord& r : TS::modalLog())
            texts.push_back(r.text.c_str());
        return texts;
    }
};

// The document's folders are dropped from the new archive's name; the
// panel's state pictures are hidden blocks, not listed images.
TEST_F(InterchangeImportTest, CommandLineDocumentBecomesANewArchive)
{
    const std::string path = writeDocument(interchange::kEveryKind, 14, "../elsewhere/game.xml");
    TS::pushAnswer(1);
    ASSERT_EQ(start({path}), 0);
    app.runPass();

    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_EQ(std::string(gs().sArchivePath.c_str()), folder.path("game.qel"));
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_EQ(std::string(TS::modalLog()[0].title.c_str()), kTitle);
    EXPECT_EQ(boxTexts()[0].substr(0, 32), "VUQv1\nImported / Total - 13 / 14");
    const std::vector<std::pair<int, const char*>> labels = {
        {TAB_IMAGES, "Images(1)"}, {TAB_TILES, "Tiles(1)"}, {TAB_SPRITES, "Sprites(1)"}, {TAB_FONTS, "Fonts(1)"},
        {TAB_GUI, "GUI(1)"},       {TAB_AUDIO, "Audio(2)"}, {TAB_FILES, "Files(2)"},
    };
    for (const auto& [box, label] : labels)
        EXPECT_STREQ(tabBox(box)->getText(), label);
}

TEST_F(InterchangeImportTest, MenuImportMergesIntoTheOpenArchive)
{
    ASSERT_EQ(start(), 0);
    const std::string path = writeDocument(R"(<file name="readme" storemethod="raw" source="@/notes.txt"/>
        <image name="fresh" source="@/pic.png" alphablending="none"/>)", 2);
    openArchive(kMixedBlocks);
    const int before = gs().iArchiveID;
    // Typed into a block of the Files tab and not saved yet.
    ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), TAB_FILES));
    app.runPass();
    Zelkoran::Panel* files = tabPanel("Files");
    const SDL_Rect list = files->getList(BW_LIST)->getRect();
    TS::click(list.x + 20, list.y + files->getList(BW_LIST)->getRowHeight() / 2 + 2);
    app.runPass();
    ASSERT_STREQ(files->getList(BW_LIST)->getSelectedText(), "notes.txt");
    typeKeys(files->getID(), CtrlFiles::FL_TEXT, "my edits", Commit::None);
    TS::clearModalLog();
    clickImport(path, {Zelkoran::MBB_YES, Zelkoran::MBB_OK});

    EXPECT_EQ(std::string(files->getTextEdit(CtrlFiles::FL_TEXT)->getText().c_str()), "my edits");
    EXPECT_EQ(gs().iArchiveID, before);
    EXPECT_EQ(std::string(gs().sArchivePath.c_str()), folder.path("test.qel"));
    EXPECT_EQ(boxTexts()[1], "Do you want to merge the XML resources with the opened QEL?\n"
                             "Otherwise, a new QEL will be created.");
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(3)");
    EXPECT_STREQ(tabBox(TAB_FILES)->getText(), "Files(2)");
}

// A merged panel is content of the GUI tab alone: no other tab shows it.
TEST_F(InterchangeImportTest, AMergedPanelIsDrawnOnlyOnTheGUITab)
{
    ASSERT_EQ(start(), 0);
    const std::string path = writeDocument(interchange::kEveryKind, 14);
    openArchive(kMixedBlocks);
    const auto hudShown = [] {
        Zelkoran::GUIMgr* gui = Main::instance()->guiMgr();
        for (int id : gui->getPanelIDs())
            if (std::string(gui->getPanel(id)->getName()) == "hud" && gui->getPanel(id)->isShown())
                return true;
        return false;
    };
    const auto showTab = [this](int tab) {
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), tab));
        app.runPass();
    };
    clickImport(path, {Zelkoran::MBB_YES, Zelkoran::MBB_OK});
    for (int tab : {TAB_IMAGES, TAB_AUDIO, TAB_EFFECTS, TAB_VIDEOS}) {
        SCOPED_TRACE(tab);
        // The panel chosen on the GUI tab before another tab is shown.
        showTab(TAB_GUI);
        Zelkoran::WidgetList* list = tabPanel("GUI")->getList(CtrlBase::BW_LIST);
        const SDL_Rect r = list->getRect();
        TS::click(r.x + 10, r.y + 2 + list->getRowHeight() / 2);
        app.runPass();
        ASSERT_TRUE(hudShown());
        showTab(tab);
        ASSERT_FALSE(hudShown());
        clickImport(path, {Zelkoran::MBB_YES, Zelkoran::MBB_OK});
        ASSERT_STREQ(tabBox(TAB_GUI)->getText(), "GUI(1)");
        EXPECT_FALSE(hudShown());
        app.runPass();
        EXPECT_FALSE(hudShown()) << "a pass later";
    }
}

TEST_F(InterchangeImportTest, NotMergingClosesTheOpenArchiveForANewOne)
{
    ASSERT_EQ(start(), 0);
    const std::string path = writeDocument(R"(<file name="readme" storemethod="raw" source="@/notes.txt"/>)", 1);
    openArchive(kMixedBlocks);
    // Not merged; the open archive closed.
    clickImport(path, {Zelkoran::MBB_NO, Zelkoran::MBB_YES, Zelkoran::MBB_OK});

    EXPECT_EQ(std::string(gs().sArchivePath.c_str()), folder.path("game.qel"));
    EXPECT_EQ(archive()->getBlockCount(), 1);
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(0)");
}

TEST_F(InterchangeImportTest, TheArchiveIsResizedOnlyWhenTooSmall)
{
    ASSERT_EQ(start(), 0);
    const struct {
        int totalBlocks;
        int limit;
    } cases[] = {{8, 12}, {9, 9 + 2 + 1026}};
    for (const auto& c : cases) {
        openArchiveWithSlots(12, 2);
        const std::string path = writeDocument("", c.totalBlocks);
        TS::pushAnswer(Zelkoran::MBB_YES);
        TS::pushAnswer(1);
        EXPECT_EQ(app.menu()->importXML(path.c_str()), 0);
        EXPECT_EQ(archive()->getBlockLimit(), c.limit) << c.totalBlocks;
        EXPECT_EQ(archive()->getBlockCount(), 2);
        EXPECT_EQ(gs().bArchiveLoaded, 1);
        Main::instance()->archiveMgr()->closeAll();
        gs().clear();
    }
}

// Failures leave the open archive as it was, or none at all, and never an
// archive open that the editor does not know of.
TEST_F(InterchangeImportTest, FailuresKeepTheEditorConsistent)
{
    ASSERT_EQ(start(), 0);
    interchange::writeAssets(folder);
    std::string deep;
    for (int level = 0; level < 300; ++level)
        deep = "<d>" + deep + "</d>";
    const struct {
        std::string text;
        std::vector<int> answers;
        const char* error;
        bool stillOpen;
    } cases[] = {
        {"<VUQ version=\"v2\" totalblocks=\"99999\"/>", {}, "Only VUQv1 format is supported.", true},
        {"<VUQ version=\"v1\"><a><b/></a>", {}, "Could not load the XML file.", true},
        {"<VUQ version=\"v1\">" + deep + "</VUQ>", {}, "Could not load the XML file.", true},
        {"<QEV version=\"v1\"/>", {}, "Error parsing the XML, is it a VUQ file?", true},
        // Counts no archive can take are refused before anything is closed.
        {"<VUQ version=\"v1\" totalblocks=\"20000000\"/>", {}, kTooManyBlocks, true},
        {"<VUQ version=\"v1\" totalblocks=\"2147483647\"/>", {}, kTooManyBlocks, true},
        {"<VUQ version=\"v1\" totalblocks=\"-1\"/>", {}, kTooManyBlocks, true},
    };
    for (const auto& c : cases) {
        openArchiveWithSlots(12, 2);
        const int id = gs().iArchiveID;
        TS::clearModalLog();
        TestFolder::write(folder.path("bad.xml"), std::vector<uint8_t>(c.text.begin(), c.text.end()));
        for (int answer : c.answers)
            TS::pushAnswer(answer);
        TS::pushAnswer(1);
        EXPECT_EQ(app.menu()->importXML(folder.path("bad.xml").c_str()), -1) << c.error;
        EXPECT_EQ(boxTexts().back(), c.error);
        EXPECT_EQ(gs().bArchiveLoaded, c.stillOpen ? 1 : 0) << c.error;
        EXPECT_EQ(gs().iArchiveID, c.stillOpen ? id : 0);
        EXPECT_EQ(Main::instance()->archiveMgr()->find(folder.path("open.qel").c_str()) > 0, c.stillOpen);
        if (c.stillOpen) {
            EXPECT_EQ(archive()->getBlockLimit(), 12);
        }
        Main::instance()->archiveMgr()->closeAll();
        gs().clear();
    }
}

// Another program replaced, deleted or write-protected the open archive's
// file: a merge writes nothing and says why, and a resize the folder
// refuses says so too.
TEST_F(InterchangeImportTest, AMergeIntoAFileChangedOnDiskWritesNothingAndSaysWhy)
{
    ASSERT_EQ(start(), 0);
    const std::string replaced = "\" was replaced or deleted by another program since it was opened.\n"
                                 "Nothing was written to it.";
    const std::string denied = "\" cannot be written: permission denied.\nIt is kept as it is.";
    const std::string deniedInFolder =
        "\" cannot be rewritten: permission denied in its folder.\nIt is kept as it is.\nThe QEL file was closed.";
    const struct {
        const char* label;
        std::function<void(const std::string& path)> change;
        const char* failure;
        const std::string& cause;
        bool stillOpen;
    } rows[] = {
        {"another archive moved over it",
         [this](const std::string& p) {
             editortest::buildArchive(folder.path("theirs.qel"), {{"theirs", "ZK7_FILE"}});
             std::filesystem::rename(folder.path("theirs.qel"), p);
         },
         "Could not import into the QEL file.", replaced, true},
        {"deleted", [](const std::string& p) { std::filesystem::remove(p); }, "Could not import into the QEL file.",
         replaced, true},
        {"write-protected", FileFaults::writeProtect, "Could not import into the QEL file.", denied, true},
        {"folder write-protected",
         [](const std::string& p) { FileFaults::writeProtect(std::filesystem::path(p).parent_path()); },
         "Could not resize the QEL file.", deniedInFolder, false},
    };
    // Nine blocks do not fit the archive: the import resizes it first.
    const std::string document = writeDocument("", 9);
    const std::string path = folder.path("open.qel");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        FileFaults::Scope faults;
        openArchiveWithSlots(12, 2);
        row.change(path);
        const std::string before = std::filesystem::exists(path) ? editortest::readFile(path) : "none";
        TS::clearModalLog();
        TS::pushAnswer(Zelkoran::MBB_YES);
        TS::pushAnswer(1);
        EXPECT_EQ(app.menu()->importXML(document.c_str()), -1);
        EXPECT_EQ(boxTexts().back(), std::string(row.failure) + "\nThe QEL file \"" + path + row.cause);
        EXPECT_TRUE((std::filesystem::exists(path) ? editortest::readFile(path) : "none") == before)
            << "the file at the path changed";
        EXPECT_EQ(gs().bArchiveLoaded, row.stillOpen ? 1 : 0);
        EXPECT_EQ(TS::pendingAnswers(), 0u);
        Main::instance()->archiveMgr()->closeAll();
        gs().clear();
        FileFaults::reset();
        std::filesystem::remove(path);
    }
}

// Named after the source or, without one, the document; always with the
// extension the Open dialog lists.
TEST_F(InterchangeImportTest, ANewArchiveIsNamedAfterItsSourceOrTheDocumentAsAQelFile)
{
    ASSERT_EQ(start(), 0);
    interchange::writeAssets(folder);
    const struct {
        const char *document, *text, *archive;
    } cases[] = {{"level.xml", "<VUQ version=\"v1\"/>", "level.qel"},
                 {"stage.xml", "<VUQ version=\"v1\" source=\"\"/>", "stage.qel"},
                 {"intro.xml", "<VUQ version=\"v1\" source=\"art/.xml\"/>", "intro.qel"},
                 {"a.xml", "<VUQ version=\"v1\" source=\"game\"/>", "game.qel"},
                 {"b.xml", "<VUQ version=\"v1\" source=\"art/town.\"/>", "town.qel"},
                 {"notes", "<VUQ version=\"v1\"/>", "notes.qel"}};
    for (const auto& c : cases) {
        const std::string text = c.text;
        TestFolder::write(folder.path(c.document), std::vector<uint8_t>(text.begin(), text.end()));
        TS::pushAnswer(1);
        EXPECT_EQ(app.menu()->importXML(folder.path(c.document).c_str()), 0) << c.text;
        EXPECT_EQ(std::string(gs().sArchivePath.c_str()), folder.path(c.archive)) << c.text;
        Main::instance()->archiveMgr()->closeAll();
        gs().clear();
    }
}

TEST_F(InterchangeImportTest, AnExistingArchiveIsReplacedOnlyWhenTheUserAgrees)
{
    ASSERT_EQ(start(), 0);
    const std::string path = writeDocument(R"(<file name="readme" storemethod="raw" source="@/notes.txt"/>)", 1);
    editortest::buildArchive(folder.path("game.qel"), {{"keep", "ZK7_FILE"}});
    EncryptedArchiveRecord::note(folder.path("game.qel").c_str(), true);

    TS::pushAnswer(Zelkoran::MBB_NO);
    EXPECT_EQ(app.menu()->importXML(path.c_str()), -1);
    EXPECT_EQ(boxTexts().back(), "The file \"" + folder.path("game.qel") + "\" already exists.\nDo you want to replace it?");
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    EXPECT_LT(Main::instance()->archiveMgr()->find(folder.path("game.qel").c_str()), 0);

    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushAnswer(1);
    EXPECT_EQ(app.menu()->importXML(path.c_str()), 0);
    EXPECT_EQ(archive()->getBlockCount(), 1);
    EXPECT_LT(archive()->blockSearch(Zelkoran::Archive::Block("keep", "ZK7_FILE")), 0);
    // The file made here is plain: opening it again is not questioned.
    EXPECT_FALSE(EncryptedArchiveRecord::contains(folder.path("game.qel").c_str()));
}

} // namespace
