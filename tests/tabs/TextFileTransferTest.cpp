#include "tabs/TextFileFixture.h"
#include "tabs/base/BasePanel.h"

#include "support/FileFaults.h"

#include <filesystem>
#include <initializer_list>
#include <set>

namespace {

using editortest::listItems;
using namespace Zelkoran;
namespace TS = editortest::TS;

const char* const kEmptyImport = "Empty resources cannot be imported because QEL archives require non-empty blocks.";

class TextFileTransferTest : public TextFileTest {
protected:
    // Imports path through the Import button, the dialog answered with it
    // and the boxes that follow with answers.
    int importFile(const std::string& path, std::initializer_list<int> answers = {})
    {
        TS::pushFileAnswer(true, path.c_str());
        for (int answer : answers)
            TS::pushAnswer(answer);
        return click(id(kImport));
    }
    // A file outside the archive's folder.
    std::string source(const char* fileName, const std::string& content)
    {
        const std::string path = sources.path(fileName);
        TestFolder::write(path, bytes(content));
        return path;
    }
    std::string exported(const char* fileName) const
    {
        const std::vector<uint8_t> data = TestFolder::read(folder.path(fileName));
        return {data.begin(), data.end()};
    }

    TestFolder sources;
};

TEST_F(TextFileTransferTest, AnImportedFileBecomesTheContentAndNamesTheBlock)
{
    openArchive({});
    makeFiles();
    EXPECT_EQ(importFile(source("notes.txt", "alpha\r\nbeta\r\n")), 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Import a file", "", 0, 0, 0}}));
    EXPECT_EQ(label(kType), "ASCII file");
    EXPECT_EQ(label(kSize), "Size: 13 B");
    EXPECT_STREQ(name->getText().c_str(), "notes.txt");
    EXPECT_EQ(text()->getLine(2), "beta");
    EXPECT_TRUE(tab->isDirty());
    EXPECT_TRUE(panel->getButton(BW_SAVE)->isEnabled());
    TS::pushAnswer(0);
    EXPECT_EQ(click(BW_SAVE), 0);
    EXPECT_EQ(stored("notes.txt"), "alpha\r\nbeta\r\n");
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"notes.txt"}));
    EXPECT_STREQ(list->getSelectedText(), "notes.txt");

    // A typed name stays; a file without extension gives its bare name.
    EXPECT_EQ(importFile(source("other.txt", "x")), 0);
    EXPECT_STREQ(name->getText().c_str(), "notes.txt");
    EXPECT_EQ(text()->getText(), "x");
    // The import made the content nobody's: choosing the item reloads it.
    EXPECT_EQ(tab->processEvent(BW_LIST, 1), 0);
    EXPECT_EQ(text()->getLine(1), "alpha");
    tab->processEvent(BW_NEW, 0);
    EXPECT_EQ(importFile(source("README", std::string("bin\0ary", 7))), 0);
    EXPECT_STREQ(name->getText().c_str(), "README");
    EXPECT_EQ(label(kType), "Binary file");
    EXPECT_FALSE(text()->isEnabled());
    TS::pushAnswer(0);
    EXPECT_EQ(click(BW_SAVE), 0);
    EXPECT_EQ(stored("README"), std::string("bin\0ary", 7));
    TS::clearModalLog();
}

TEST_F(TextFileTransferTest, AFailedImportKeepsTheContent)
{
    openArchive({});
    makeXML();
    addBlock("keep.xml", "<keep/>");
    EXPECT_EQ(choose("keep.xml"), 0);

    TS::pushFileAnswer(false, "");
    EXPECT_EQ(click(id(kImport)), 0);
    EXPECT_EQ(importFile(source("empty.xml", ""), {MBB_OK}), 0);
    EXPECT_EQ(importFile(sources.path("missing.xml"), {MBB_OK}), 0);
    {
        FileFaults::Scope faults;
        const std::string unreadable = source("unreadable.xml", "<x/>");
        FileFaults::failRead(unreadable, 1);
        EXPECT_EQ(importFile(unreadable, {MBB_OK}), 0);
    }
    // Larger than a block can be loaded back (a sparse file: no disk used).
    const std::string huge = source("huge.xml", "");
    std::filesystem::resize_file(huge, CtrlTextFile::kMaxLoadSize + 1);
    EXPECT_EQ(importFile(huge, {MBB_OK}), 0);
    const Box failed{"XML import", "XML could not be imported.", MBB_OK, MBT_ERROR, 0};
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Import an XML", "", 0, 0, 0},
                                             {"Import an XML", "", 0, 0, 0},
                                             {"XML import", kEmptyImport, MBB_OK, MBT_WARNING, 0},
                                             {"Import an XML", "", 0, 0, 0},
                                             failed,
                                             {"Import an XML", "", 0, 0, 0},
                                             failed,
                                             {"Import an XML", "", 0, 0, 0},
                                             {"XML import",
                                              "XML could not be imported:\nfiles over 1 GiB cannot be loaded back.",
                                              MBB_OK, MBT_ERROR, 0}}));
    EXPECT_EQ(text()->getText(), "<keep/>");
    EXPECT_EQ(label(kSize), "Size: 7 B");
    EXPECT_FALSE(tab->isDirty());
}

TEST_F(TextFileTransferTest, TheOpenDialogOffersTheTabsFilter)
{
    openArchive({});
    makeXML();
    const auto offered = [this] {
        std::vector<std::string> types;
        TS::pushScript([&types](int dialogId) {
            for (Widget* w : editortest::panel(dialogId)->children())
                if (w->getType() == WT_COMBOBOX) {
                    auto* combo = static_cast<WidgetComboBox*>(w);
                    for (int i = 1; i <= combo->getItemCount(); ++i)
                        types.emplace_back(combo->getItemText(i));
                }
            TS::clickWidget(dialogId, MBB_CANCEL);
        });
        click(id(kImport));
        return types;
    };
    EXPECT_EQ(offered(), (std::vector<std::string>{"XML Files (*.xml)", "All Files (*.*)"}));
    tab.reset();
    makeFiles();
    EXPECT_EQ(offered(), (std::vector<std::string>{"All Files (*.*)"}));
    EXPECT_EQ(label(kType), "No file");
}

TEST_F(TextFileTransferTest, ExportWritesTheHeldBytesBesideTheArchive)
{
    openArchive({});
    makeXML();
    addBlock("page.xml", "<page>\r\n</page>\r\n");

    // Neither a name nor a selection: nothing to name the file after.
    name->setText("");
    TS::pushAnswer(0);
    EXPECT_EQ(tab->onExport(status->sArchivePath), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"XML export", "Could not export the XML.\nA XML name is required.",
                                              MBB_NONE, MBT_WARNING, 2000}}));

    EXPECT_EQ(choose("page.xml"), 0);
    edit({"<unsaved/>"});
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(click(id(kExport)), 0);
    const std::string path = folder.path("page.xml");
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"XML export", "XML exported to \"" + path + "\": Ok", MBB_OK,
                                              MBT_INFORMATION, 0}}));
    EXPECT_EQ(exported("page.xml"), "<page>\r\n</page>\r\n");

    // An existing file is replaced only after a Yes.
    TestFolder::write(path, bytes("mine"));
    TS::pushAnswer(MBB_NO);
    EXPECT_EQ(click(id(kExport)), 0);
    EXPECT_EQ(exported("page.xml"), "mine");
    TS::pushAnswer(MBB_YES);
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(click(id(kExport)), 0);
    EXPECT_EQ(exported("page.xml"), "<page>\r\n</page>\r\n");
    const Box question{"Export file", "The file \"page.xml\" already exists.\nDo you want to overwrite it?",
                       MBB_YESNO, MBT_QUESTION, 0};
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{question, question,
                                             {"XML export", "XML exported to \"" + path + "\": Ok", MBB_OK,
                                              MBT_INFORMATION, 0}}));

    // A saved edit is what the next export writes.
    TS::pushAnswer(0);
    EXPECT_EQ(click(BW_SAVE), 0);
    name->setText("../escaped.xml");
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tab->onExport(status->sArchivePath), 0);
    EXPECT_EQ(exported("escaped.xml"), "<unsaved/>\r\n");
    TS::clearModalLog();
}

TEST_F(TextFileTransferTest, AFailedExportSaysSoAndKeepsTheOldFile)
{
    openArchive({});
    makeFiles();
    addBlock("a.bin", std::string("\0\1\2", 3));
    EXPECT_EQ(choose("a.bin"), 0);
    const std::string path = folder.path("a.bin");
    TestFolder::write(path, bytes("old"));
    FileFaults::Scope faults;
    FileFaults::failWrite(path + ".part", 1);
    TS::pushAnswer(MBB_YES);
    TS::pushAnswer(0);
    EXPECT_EQ(tab->onExport(status->sArchivePath), -1);
    EXPECT_EQ(takeBoxes().back(),
              (Box{"File export", "File could not be exported:\nfile write error.", MBB_NONE, MBT_WARNING, 2000}));
    EXPECT_EQ(exported("a.bin"), "old");
    // The file cannot be made at all.
    FileFaults::reset();
    FileFaults::failOpen(path + ".part", 1);
    TS::pushAnswer(MBB_YES);
    TS::pushAnswer(0);
    EXPECT_EQ(tab->onExport(status->sArchivePath), -1);
    EXPECT_EQ(takeBoxes().back(),
              (Box{"File export", "File could not be exported:\nfile creation error.", MBB_NONE, MBT_WARNING, 2000}));
    EXPECT_EQ(exported("a.bin"), "old");

    // The archive's folder has gone: the file cannot be made.
    const std::string gone = sources.path("gone/tab.qel");
    TS::pushAnswer(0);
    status->sArchivePath = gone.c_str();
    EXPECT_EQ(tab->onExport(status->sArchivePath), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File export", "File could not be exported:\nfile creation error.",
                                              MBB_NONE, MBT_WARNING, 2000}}));
}

TEST_F(TextFileTransferTest, DeleteAsksFirstAndEmptiesTheTab)
{
    openArchive({});
    makeXML();
    addBlock("keep.xml", "<keep/>");
    addBlock("drop.xml", "<drop/>");
    EXPECT_EQ(choose("drop.xml"), 0);
    status->bReparseAll = 0;
    const Box question{"Delete File", "Are you sure you want to delete \"drop.xml\" XML?", MBB_YESNO,
                       MBT_INFORMATION, 0};

    TS::pushAnswer(MBB_NO);
    EXPECT_EQ(click(BW_DELETE), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{question}));
    EXPECT_EQ(stored("drop.xml"), "<drop/>");
    EXPECT_EQ(label(kType), "ASCII file");
    EXPECT_EQ(status->bReparseAll, 0);

    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(click(BW_DELETE), 4);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{question}));
    EXPECT_EQ(stored("drop.xml"), "<missing>");
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"keep.xml"}));
    EXPECT_EQ(status->bReparseAll, 1);
    EXPECT_EQ(label(kType), "No file");
    EXPECT_EQ(text()->getText(), "");
    EXPECT_FALSE(widget(kExport)->isEnabled());

    // A block the archive no longer has: said, and the listed one reloaded.
    EXPECT_EQ(choose("keep.xml"), 0);
    ASSERT_EQ(archive()->blockDelete(Archive::Block("keep.xml", "ZK7_XML")), 0);
    TS::pushAnswer(MBB_YES);
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(click(BW_DELETE), -1);
    EXPECT_EQ(takeBoxes().back(), (Box{"Delete File", "XML could not be deleted.", MBB_OK, MBT_ERROR, 0}));
    EXPECT_EQ(listItems(list), std::vector<std::string>{});
    EXPECT_EQ(label(kType), "No file");
}

TEST_F(TextFileTransferTest, TheFilesTabAsksWithItsOwnNoun)
{
    openArchive({});
    makeFiles();
    addBlock("song.mid", std::string("MThd\0\0", 6));
    EXPECT_EQ(choose("song.mid"), 0);
    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(click(BW_DELETE), 4);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Delete File", "Are you sure you want to delete \"song.mid\" File?",
                                              MBB_YESNO, MBT_INFORMATION, 0}}));
    EXPECT_EQ(stored("song.mid"), "<missing>");
}

} // namespace
