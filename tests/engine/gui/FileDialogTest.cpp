// The engine's file browser driven like a user: typed folders, Up, list
// rows, Enter and Escape, filters in both forms, the remembered folder.
#include "engine/gui/GuiTestSupport.h"

#include <filesystem>
#include <fstream>

namespace guitest {
namespace {

namespace fs = std::filesystem;

class FileDialog : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        root = fs::temp_directory_path() / ("zk_filedialog_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "sub");
        for (const char* f : {"a.qel", "B.QEL", "notes.txt", ".hidden.qel", "sub/c.qel", "x.png", "y.BMP"})
            std::ofstream(root / f) << "x";
    }
    void TearDown() override
    {
        fs::remove_all(root);
        GuiTest::TearDown();
    }

    static Widget* byName(int panel, const char* name)
    {
        for (Widget* w : Main::instance()->guiMgr()->getPanel(panel)->children())
            if (std::string(w->getName()) == name)
                return w;
        return nullptr;
    }
    static void clickNamed(int panel, const char* name)
    {
        Widget* w = byName(panel, name);
        ASSERT_NE(w, nullptr) << name;
        TS::clickWidget(panel, w->getID());
    }
    static std::vector<std::string> rows(int panel)
    {
        auto* list = static_cast<WidgetList*>(byName(panel, "FileDialogList"));
        std::vector<std::string> out;
        for (int i = 1; i <= list->getItemCount(); ++i)
            out.push_back(list->getItemText(i));
        return out;
    }

    fs::path root;
};

TEST_F(FileDialog, ListsFoldersAndMatchingFilesAndNavigatesByTypedPath)
{
    std::vector<std::string> shown;
    std::string prefilled;
    const std::string sub = (root / "sub").string();
    TS::pushScript([&](int id) {
        shown = rows(id);
        prefilled = static_cast<WidgetTextEdit*>(byName(id, "FileDialogName"))->getText().c_str();
        clickNamed(id, "FileDialogFolder");
        TS::key(SDLK_a, KMOD_LCTRL);
        TS::typeText(sub.c_str());
        TS::key(SDLK_RETURN); // a folder: the browser enters it
        clickNamed(id, "FileDialogList");
        TS::key(SDLK_HOME);
        TS::key(SDLK_RETURN); // the chosen row: c.qel
    });
    String path = (root / "a.qel").string().c_str();
    EXPECT_TRUE(main->tool()->fileOpenDialog("Open QEL", "QEL containers\0*.qel\0\0", path));
    EXPECT_EQ(shown, (std::vector<std::string>{"sub/", "a.qel", "B.QEL"}));
    EXPECT_EQ(prefilled, "a.qel");
    EXPECT_EQ(std::string(path.c_str()), (root / "sub" / "c.qel").string());
    EXPECT_TRUE(run().empty());
}

TEST_F(FileDialog, UpGoesToTheParentAndNamesAreTakenInTheFolderShown)
{
    TS::pushScript([](int id) {
        clickNamed(id, "FileDialogUp");
        clickNamed(id, "FileDialogName");
        TS::typeText("a.qel");
        TS::key(SDLK_RETURN);
    });
    String path = (root / "sub").string().c_str();
    EXPECT_TRUE(main->tool()->fileOpenDialog("Open", "QEL\0qel\0\0", path));
    EXPECT_EQ(std::string(path.c_str()), (root / "a.qel").string());

    // The next dialog starts where the last file was chosen.
    std::string startFolder;
    TS::pushScript([&](int id) {
        startFolder = static_cast<WidgetTextEdit*>(byName(id, "FileDialogFolder"))->getText().c_str();
        TS::key(SDLK_ESCAPE);
    });
    String none;
    EXPECT_FALSE(main->tool()->fileOpenDialog("Open", nullptr, none));
    EXPECT_EQ(startFolder, root.string());
    EXPECT_TRUE(none.empty());
}

TEST_F(FileDialog, DoubleClickOnAFolderEntersIt)
{
    TS::pushScript([](int id) {
        Widget* list = byName(id, "FileDialogList");
        const SDL_Rect r = list->getRect();
        const int y = r.y + 1 + static_cast<WidgetList*>(list)->getRowHeight() / 2; // first row: sub/
        TS::click(r.x + 30, y);
        TS::click(r.x + 30, y, SDL_BUTTON_LEFT, 2);
        clickNamed(id, "FileDialogName");
        TS::typeText("c.qel");
        TS::key(SDLK_RETURN);
    });
    String path = root.string().c_str();
    EXPECT_TRUE(main->tool()->fileOpenDialog("Open", "QEL\0*.qel\0\0", path));
    EXPECT_EQ(std::string(path.c_str()), (root / "sub" / "c.qel").string());
}

TEST_F(FileDialog, OpenRefusesMissingFilesAndSaveTakesNewNames)
{
    TS::pushScript([](int id) {
        clickNamed(id, "FileDialogName");
        TS::typeText("missing.qel");
        TS::key(SDLK_RETURN);
        TS::pushAnswer(MBB_OK); // the warning box
        TS::key(SDLK_ESCAPE);
    });
    String path = root.string().c_str();
    EXPECT_FALSE(main->tool()->fileOpenDialog("Open", "QEL\0*.qel\0\0", path));
    ASSERT_EQ(TS::modalLog().size(), 2u);
    EXPECT_EQ(TS::modalLog()[1].text, "The file does not exist.");

    TS::pushScript([](int id) {
        clickNamed(id, "FileDialogName");
        TS::typeText("new.qel");
        TS::key(SDLK_RETURN);
    });
    EXPECT_TRUE(main->tool()->fileSaveDialog("Save", "QEL\0*.qel\0\0", path));
    EXPECT_EQ(std::string(path.c_str()), (root / "new.qel").string());
}

TEST_F(FileDialog, BareExtensionsFilterAndScriptedAnswersSkipTheDialog)
{
    std::vector<std::string> images;
    TS::pushScript([&](int id) {
        images = rows(id);
        TS::key(SDLK_ESCAPE);
    });
    String path = root.string().c_str();
    EXPECT_FALSE(main->tool()->fileOpenDialog("Import", "Images\0png;bmp\0Everything\0*\0\0", path));
    EXPECT_EQ(images, (std::vector<std::string>{"sub/", "x.png", "y.BMP"}));
    // A scripted file answer comes back without a dialog.
    TS::pushFileAnswer(true, "/data/world.qel");
    EXPECT_TRUE(main->tool()->fileSaveDialog("Save", "QEL\0*.qel\0\0", path));
    EXPECT_EQ(std::string(path.c_str()), "/data/world.qel");
}

} // namespace
} // namespace guitest
