#include "tabs/ProtocolTab.h"
#include "tabs/base/ExportFile.h"

#include "support/FileFaults.h"

#include <set>
#include <string>
#include <vector>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

const char* const kQuestionEnd = "\" already exists.\nDo you want to overwrite it?";

class ExportProtocolTest : public ProtocolTest {
protected:
    void SetUp() override
    {
        ProtocolTest::SetUp();
        openArchive({});
    }

    std::string exportPath(const char* fileName, const char* extension) const
    {
        return tab->tabServices().exportFilePath(fileName, extension).c_str();
    }

    static std::vector<uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }
};

TEST_F(ExportProtocolTest, ExportsGoIntoTheArchiveFolder)
{
    EXPECT_EQ(exportPath("sky", "png"), folder.path("sky.png"));
    EXPECT_EQ(exportPath("notes", ""), folder.path("notes"));
    // Block names may hold folder separators; the file stays in the folder
    // and is not hidden.
    EXPECT_EQ(exportPath("../../etc/passwd", "txt"), folder.path("etc_passwd.txt"));
    EXPECT_EQ(exportPath(".profile", ""), folder.path("_profile"));
    EXPECT_EQ(exportPath("a\\b", "wav"), folder.path("a_b.wav"));
    EXPECT_EQ(exportPath("", "png"), "");

    status->clear();
    EXPECT_EQ(exportPath("sky", "png"), "");
}

TEST_F(ExportProtocolTest, OnlyAnExistingFileIsQuestioned)
{
    EXPECT_EQ(tab->tabServices().checkOverwrite(folder.path("sky.png").c_str()), 0);
    EXPECT_TRUE(TS::modalLog().empty());

    TestFolder::write(folder.path("sky.png"), bytes("old"));
    TestFolder::write(folder.path("README"), bytes("old"));
    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(tab->tabServices().checkOverwrite(folder.path("sky.png").c_str()), 0);
    for (int answer : {int(MBB_NO), int(MBB_CANCEL), 0}) {
        TS::pushAnswer(answer);
        EXPECT_EQ(tab->tabServices().checkOverwrite(folder.path("README").c_str()), -1) << answer;
    }
    const Box sky{"Export file", std::string("The file \"sky.png") + kQuestionEnd, MBB_YESNO, MBT_QUESTION};
    const Box readme{"Export file", std::string("The file \"README") + kQuestionEnd, MBB_YESNO, MBT_QUESTION};
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{sky, readme, readme, readme}));
}

TEST_F(ExportProtocolTest, AWrittenExportReplacesTheOldFileWhole)
{
    const std::string path = folder.path("notes.txt");
    TestFolder::write(path, bytes("an older and longer text"));
    EXPECT_EQ(writeExportFile(path.c_str(), "new", 3), 0);
    EXPECT_EQ(TestFolder::read(path), bytes("new"));

    EXPECT_EQ(writeExportFile(folder.path("empty.txt").c_str(), nullptr, 0), 0);
    EXPECT_TRUE(TestFolder::read(folder.path("empty.txt")).empty());
    EXPECT_EQ(writeExportFile(folder.path("bad.txt").c_str(), nullptr, 4), RC_ERR_INVALID);
    EXPECT_EQ(folder.list(), (std::set<std::string>{"empty.txt", "notes.txt", "tab.qel"}));
}

TEST_F(ExportProtocolTest, AFailedWriteKeepsTheOldFileAndLeavesNoPart)
{
    FileFaults::Scope faults;
    const std::string path = folder.path("notes.txt");
    TestFolder::write(path, bytes("old"));
    FileFaults::failWrite(path + ".part", 1);
    EXPECT_EQ(writeExportFile(path.c_str(), "new text", 8), RC_ERR_IO);
    EXPECT_EQ(TestFolder::read(path), bytes("old"));
    EXPECT_EQ(folder.list(), (std::set<std::string>{"notes.txt", "tab.qel"}));

    FileFaults::reset();
    FileFaults::failRenameFrom(path + ".part");
    EXPECT_EQ(writeExportFile(path.c_str(), "new text", 8), RC_ERR_IO);
    EXPECT_EQ(TestFolder::read(path), bytes("old"));
    EXPECT_EQ(folder.list(), (std::set<std::string>{"notes.txt", "tab.qel"}));

    // A new file that cannot be written is not left behind half made.
    FileFaults::reset();
    const std::string fresh = folder.path("fresh.txt");
    FileFaults::failWrite(fresh + ".part", 1);
    EXPECT_EQ(writeExportFile(fresh.c_str(), "text", 4), RC_ERR_IO);
    EXPECT_EQ(folder.list(), (std::set<std::string>{"notes.txt", "tab.qel"}));
}

TEST_F(ExportProtocolTest, AFileNamedLikeThePartIsNotTouched)
{
    const std::string path = folder.path("notes.txt");
    TestFolder::write(path + ".part", bytes("mine"));
    EXPECT_EQ(writeExportFile(path.c_str(), "new", 3), 0);
    EXPECT_EQ(TestFolder::read(path), bytes("new"));
    EXPECT_EQ(TestFolder::read(path + ".part"), bytes("mine"));
    EXPECT_EQ(folder.list(), (std::set<std::string>{"notes.txt", "notes.txt.part", "tab.qel"}));
}

} // namespace
