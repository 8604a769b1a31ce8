// Another program changes the open archive's file while the user edits: the
// user types, the file is replaced, deleted or write-protected, the user
// clicks Save and then Defrag. Nothing reaches the file, the window says
// why naming the file, and the editor keeps the archive it opened.
#include "app/AppFixture.h"
#include "app/KeyPanelScript.h"
#include "services/FixedPanelIds.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/data/ctrlFiles.h"

#include "support/FileFaults.h"

#include "core/FileIO.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>

#include <SDL_video.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace TS = editortest::TS;
using editortest::listItems;
using Zelkoran::Main;

class FileChangedEndToEndTest : public AppTest {
protected:
    void pass()
    {
        EXPECT_FALSE(app.runPass());
    }
    static std::string title() { return SDL_GetWindowTitle(Main::instance()->configMgr()->get(0)->getWindow()); }
    // Every box shown since the last call, as "title|text".
    static std::vector<std::string> takeBoxes()
    {
        std::vector<std::string> boxes;
        for (const TS::ModalRecord& r : TS::modalLog())
            if (r.panelId <= 0)
                boxes.push_back(std::string(r.title.c_str()) + "|" + r.text.c_str());
        TS::clearModalLog();
        return boxes;
    }
    // The file at path, "none" when there is none.
    static std::string fileAt(const std::string& path)
    {
        return std::filesystem::exists(path) ? editortest::readFile(path) : std::string("none");
    }

    KeyPanelScript script{app};
};

void moveTheirArchiveOver(const std::string& path)
{
    const std::string theirs = path + ".sync";
    editortest::buildArchive(theirs, {{"theirs.txt", "ZK7_FILE"}});
    std::filesystem::rename(theirs, path);
}

// Their archive written over the open file in place, as cp does.
void copyTheirArchiveOver(const std::string& path)
{
    const std::string theirs = path + ".sync";
    editortest::buildArchive(theirs, {{"theirs.txt", "ZK7_FILE"}});
    std::ofstream(path, std::ios::binary | std::ios::trunc) << editortest::readFile(theirs);
    std::filesystem::remove(theirs);
}

// Their archive moved over the open file once the save is written, before
// it returns.
void moveTheirArchiveOverWhileSaving(const std::string& path)
{
    const std::string theirs = path + ".sync";
    editortest::buildArchive(theirs, {{"theirs.txt", "ZK7_FILE"}});
    Zelkoran::setChangeWrittenHook([path, theirs](const char* written) {
        if (written == path && std::filesystem::exists(theirs))
            std::filesystem::rename(theirs, path);
    });
}

TEST_F(FileChangedEndToEndTest, SaveAndDefragOfAFileChangedByAnotherProgramWriteNothingAndSaySo)
{
    const std::string replaced = "\" was replaced or deleted by another program since it was opened.\n"
                                 "Nothing was written to it.";
    const std::string denied = "\" cannot be written: permission denied.\nIt is kept as it is.";
    const std::string changed = "\" was changed by another program since it was opened.\n"
                                "Nothing was written to it.";
    const struct {
        const char* label;
        std::function<void(const std::string& path)> change;
        const std::string& cause;
    } rows[] = {
        {"another archive moved over it", moveTheirArchiveOver, replaced},
        {"deleted", [](const std::string& p) { std::filesystem::remove(p); }, replaced},
        {"write-protected", FileFaults::writeProtect, denied},
        {"another archive copied over it in place", copyTheirArchiveOver, changed},
        {"truncated to 0 bytes", [](const std::string& p) { std::filesystem::resize_file(p, 0); }, changed},
        {"another archive moved over it while the save is written", moveTheirArchiveOverWhileSaving, replaced},
    };
    const std::string path = folder.path("game.qel");
    ASSERT_EQ(start(), 0);
    script.install();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        FileFaults::Scope faults;
        std::filesystem::remove(path);
        editortest::buildArchive(path, {{"notes.txt", "ZK7_FILE"}, {"old.txt", "ZK7_FILE", true}});
        TS::pushFileAnswer(true, path.c_str());
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), Menu::MB_LOAD));
        pass();
        ASSERT_EQ(app.globalStatus()->bArchiveLoaded, 1);
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), TAB_FILES));
        pass();
        Zelkoran::Panel* files = tabPanel("Files");
        const SDL_Rect list = files->getList(BW_LIST)->getRect();
        TS::click(list.x + 20, list.y + files->getList(BW_LIST)->getRowHeight() / 2 + 2);
        pass();
        ASSERT_STREQ(files->getList(BW_LIST)->getSelectedText(), "notes.txt");
        typeKeys(files->getID(), CtrlFiles::FL_TEXT, "my edits", Commit::None);
        TS::clearModalLog();

        row.change(path);
        // Moved over while saving: theirs is what the path must hold.
        const std::string before = fileAt(std::filesystem::exists(path + ".sync") ? path + ".sync" : path);
        TS::pushAnswer(0); // the timed save notice, with its cause
        ASSERT_TRUE(TS::clickWidget(files->getID(), BW_SAVE));
        pass();
        pass();
        Zelkoran::setChangeWrittenHook(nullptr);

        EXPECT_EQ(takeBoxes(), std::vector<std::string>{"File: save to QEL|File could not be saved.\nThe QEL file \"" +
                                                        path + row.cause});
        EXPECT_TRUE(fileAt(path) == before) << "the file at the path changed";
        // The editor still shows the archive it opened, with the edits.
        EXPECT_EQ(title(), "Skarden v0.19.0 - " + path);
        EXPECT_EQ(listItems(files->getList(BW_LIST)), std::vector<std::string>{"notes.txt"});
        EXPECT_STREQ(tabBox(TAB_FILES)->getText(), "Files(1)");
        EXPECT_EQ(std::string(files->getTextEdit(CtrlFiles::FL_TEXT)->getText().c_str()), "my edits");

        // Defrag: refused before the archive is closed.
        TS::pushAnswer(TW_DEFRAG);
        TS::pushAnswer(Zelkoran::MBB_YES);
        TS::pushAnswer(Zelkoran::MBB_OK);
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), Menu::MB_TOOLS));
        pass();
        const std::vector<std::string> defrag = takeBoxes();
        EXPECT_EQ(defrag.size(), 2u);
        EXPECT_EQ(defrag.empty() ? "" : defrag.back(),
                  "Defrag a QEL file|Could not defrag/resize the QEL file.\nThe QEL file \"" + path + row.cause);
        EXPECT_TRUE(fileAt(path) == before) << "the file at the path changed";
        EXPECT_EQ(app.globalStatus()->bArchiveLoaded, 1);
        EXPECT_EQ(listItems(files->getList(BW_LIST)), std::vector<std::string>{"notes.txt"});

        // Encrypt index: said while the key panel is up, and only there.
        script.answer("a new key", KeyPanelScript::INDEX);
        script.answer("", KeyPanelScript::CANCEL);
        TS::pushAnswer(Zelkoran::MBB_OK);
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), Menu::MB_LOCK));
        pass();
        pass();
        EXPECT_EQ(takeBoxes(), std::vector<std::string>{"QEL encryption|Could not update the QEL index encryption "
                                                        "state.\nThe QEL file \"" + path + row.cause});
        EXPECT_TRUE(fileAt(path) == before) << "the file at the path changed";

        TS::pushAnswer(Zelkoran::MBB_YES);
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), Menu::MB_CLOSE));
        pass();
        TS::clearModalLog();
        EXPECT_EQ(TS::pendingAnswers(), 0u);
        EXPECT_EQ(script.pending(), 0u);
    }
    TS::quit();
    EXPECT_EQ(app.run(), 0);
    app.shutdown();
    const std::string log = logText();
    EXPECT_NE(log.find(" [Archive] Error: " + path + " is no longer the file this archive opened"), std::string::npos)
        << log;
    EXPECT_NE(log.find(" [Archive] Error: " + path + " cannot be written: permission denied."), std::string::npos)
        << log;
    EXPECT_NE(log.find(" [Archive] Error: " + path + " was changed by another program"), std::string::npos) << log;
    EXPECT_NE(log.find(" [Menu] Error: defrag/resize not done: " + path), std::string::npos) << log;
}

} // namespace
