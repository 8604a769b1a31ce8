// Creating, opening and closing the editor's archive through the menu's
// actions, with the file dialogs and questions answered by script.
#include "app/AppFixture.h"
#include "app/EncryptedArchiveRecord.h"
#include "app/KeyPanelScript.h"
#include "app/Menu.h"
#include "tabs/base/TabCheckBoxIds.h"

#include "support/FileFaults.h"
#include "import/legacy/LegacyBlocks.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Screen.h>

#include <SDL_video.h>

#include <filesystem>
#include <sys/stat.h>
#include <string>
#include <vector>

namespace {

namespace TS = editortest::TS;
using Zelkoran::Main;

constexpr const char* kLoadTitle = "Load a Zelkoran Data Container file";

class MenuOpenCloseTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_EQ(start(), 0);
        script.install();
        app.runPass();
    }

    GlobalStatus& gs() { return *app.globalStatus(); }
    static std::string title()
    {
        return SDL_GetWindowTitle(Main::instance()->configMgr()->get(0)->getWindow());
    }
    // The one message box shown, as "title|text".
    static std::vector<std::string> boxes()
    {
        std::vector<std::string> out;
        for (const TS::ModalRecord& r : TS::modalLog())
            out.push_back(std::string(r.title.c_str()) + "|" + r.text.c_str());
        return out;
    }
    // An archive with an encrypted index (and an encrypted block).
    std::string lockedArchive(const std::string& name, const std::string& key)
    {
        const std::string path = folder.path(name);
        legacy::buildQELv2(path, {{"hero", "ZK7_IMAGE", qelv1::bytesOf("pixels")},
                                  {"vault", "ZK7_FILE", qelv1::bytesOf("gold"), 3}},
                           0, key);
        Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->load(path.c_str(), key.data(), static_cast<int>(key.size()));
        EXPECT_EQ(archives->get(id)->encrypt(), 0);
        archives->close(id);
        return path;
    }
    std::string plainArchive(const std::string& name)
    {
        const std::string path = folder.path(name);
        editortest::buildArchive(path, kMixedBlocks);
        return path;
    }

    KeyPanelScript script{app};
};

// ---------------------------------------------------------------------------
// Open.

TEST_F(MenuOpenCloseTest, AMissingFileIsReportedWithItsQelPath)
{
    TestFolder::write(folder.path("notes"), qelv1::bytesOf("not an archive"));
    TS::pushAnswer(1);
    TS::pushAnswer(1);

    EXPECT_EQ(app.menu()->load(folder.path("notes").c_str()), -1);
    EXPECT_EQ(app.menu()->load(folder.path("gone.QEL").c_str()), -1);

    EXPECT_EQ(boxes(), (std::vector<std::string>{
                           std::string(kLoadTitle) + "|The QEL file does not exist:\n" + folder.path("notes.qel"),
                           std::string(kLoadTitle) + "|The QEL file does not exist:\n" + folder.path("gone.QEL")}));
    EXPECT_EQ(TS::modalLog()[0].type, 1);
    EXPECT_EQ(gs().bArchiveLoaded, 0);
}

TEST_F(MenuOpenCloseTest, APlainArchiveOpensWithoutQuestions)
{
    const std::string path = plainArchive("plain.qel");
    TS::pushFileAnswer(true, folder.path("plain").c_str());

    EXPECT_EQ(app.menu()->processEvent(Menu::MB_LOAD, 0), 0);

    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_EQ(gs().bSecured, 0);
    EXPECT_EQ(gs().bKeyRemembered, 0);
    EXPECT_STREQ(gs().sArchivePath.c_str(), path.c_str());
    EXPECT_NE(Main::instance()->archiveMgr()->get(gs().iArchiveID), nullptr);
    EXPECT_EQ(title(), "Skarden v0.19.0 - " + path);
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(2)");
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), TAB_IMAGES);
    ASSERT_EQ(boxes().size(), 1u); // the file dialog
    EXPECT_STREQ(TS::modalLog()[0].title.c_str(), kLoadTitle);
    EXPECT_TRUE(script.seen().empty());
    EXPECT_NE(logText().find("  No legacy blocks found, QEL file is updated.\n"), std::string::npos);
}

TEST_F(MenuOpenCloseTest, ACancelledFileDialogDoesNothing)
{
    TS::pushFileAnswer(false, nullptr);
    EXPECT_EQ(app.menu()->onLoad(), -1);
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(gs().bArchiveLoaded, 0);
}

TEST_F(MenuOpenCloseTest, EncryptedBlocksAreAnnouncedAndACancelledKeyEndsSilently)
{
    const std::string path = folder.path("blocks.qel");
    legacy::buildQELv2(path, {{"vault", "ZK7_FILE", qelv1::bytesOf("gold"), 3}}, 0, "block key");
    script.answer("", KeyPanelScript::CANCEL);

    EXPECT_EQ(app.menu()->load(path.c_str()), -1);

    EXPECT_EQ(script.titles(), std::vector<std::string>{"QELv2 encrypted blocks detected. Enter the QEL key:"});
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    EXPECT_NE(logText().find("\n  QELv2 encrypted archive detected: index=no, blocks=yes. A QEL key is required.\n"),
              std::string::npos);
}

TEST_F(MenuOpenCloseTest, AWrongKeyGetsOneMoreTryAndIsRememberedWhenRight)
{
    const std::string path = lockedArchive("locked.qel", "right key");
    script.answer("wrong key");
    script.answer("right key");
    TS::pushAnswer(1);

    EXPECT_EQ(app.menu()->load(path.c_str()), 0);

    EXPECT_EQ(boxes(), std::vector<std::string>{std::string(kLoadTitle) + "|The key is wrong."});

    EXPECT_EQ(script.titles(),
              (std::vector<std::string>{"QELv2 encrypted index and blocks detected. Enter the QEL key:",
                                        "QEL is secured, enter the key:"}));
    EXPECT_EQ(gs().bSecured, 1);
    EXPECT_EQ(gs().bKeyRemembered, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(gs().szKey)), "right key");
    EXPECT_STREQ(tabBox(TAB_FILES)->getText(), "Files(1)");
    EXPECT_TRUE(menuPanel()->getButton(Menu::MB_UNLOCK)->isEnabled());
}

// A file cannot show that its encrypted index was swapped for a plain one;
// the editor remembers it saw one and asks before opening it plain.
TEST_F(MenuOpenCloseTest, AnArchiveSeenEncryptedThatOpensPlainIsQuestioned)
{
    const std::string path = lockedArchive("locked.qel", "key");
    script.answer("key");
    ASSERT_EQ(app.menu()->load(path.c_str()), 0);
    TS::pushAnswer(4);
    ASSERT_EQ(app.menu()->processEvent(Menu::MB_CLOSE, 0), 0);
    std::filesystem::remove(path);
    editortest::buildArchive(path, kMixedBlocks);

    TS::clearModalLog();
    TS::pushAnswer(8);
    EXPECT_EQ(app.menu()->load(path.c_str()), -1);
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_STREQ(TS::modalLog()[0].title.c_str(), kLoadTitle);
    EXPECT_EQ(std::string(TS::modalLog()[0].text.c_str()),
              "The index of \"" + path + "\" was encrypted when it was last opened here and is not now: the file may "
              "have been replaced.\nDo you want to open it anyway?");
    EXPECT_EQ(TS::modalLog()[0].type, 2);

    TS::pushAnswer(4);
    EXPECT_EQ(app.menu()->load(path.c_str()), 0);
    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_FALSE(EncryptedArchiveRecord::contains(path)); // accepted: asked once
}

// The file seen encrypted is known under any name it is opened by; here it
// is replaced in place by a plain archive, which every name then shows. A
// new archive that only took the inode of a deleted one is not that file.
TEST_F(MenuOpenCloseTest, AnArchiveSeenEncryptedIsKnownUnderEveryNameOfTheFile)
{
    namespace fs = std::filesystem;
    using Bytes = std::vector<uint8_t>;
    // Puts the plain archive where alias names it.
    using Reach = void (*)(const fs::path& file, const fs::path& alias, const Bytes& plain);
    const struct {
        const char* how;
        Reach reach;
        const char* alias;
        bool asked;
    } cases[] = {
        {"symbolic link",
         [](const fs::path& f, const fs::path& a, const Bytes& plain) {
             fs::create_symlink(f, a);
             TestFolder::write(f, plain);
         },
         "sym.qel", true},
        {"hard link",
         [](const fs::path& f, const fs::path& a, const Bytes& plain) {
             fs::create_hard_link(f, a);
             TestFolder::write(f, plain);
         },
         "hard.qel", true},
        {"folder reached through a symbolic link",
         [](const fs::path& f, const fs::path& a, const Bytes& plain) {
             fs::create_directory_symlink(f.parent_path(), a.parent_path());
             TestFolder::write(f, plain);
         },
         "linked/locked2.qel", true},
        {"new archive on the inode of a deleted one",
         [](const fs::path& f, const fs::path& a, const Bytes& plain) {
             struct stat gone{};
             ASSERT_EQ(::stat(f.c_str(), &gone), 0);
             fs::remove(f);
             // The file system hands a freed inode out again; new files
             // are made (and kept, so they do not free theirs) until one
             // gets it.
             for (int i = 0; i < 64; ++i) {
                 const fs::path made = a.string() + "." + std::to_string(i);
                 TestFolder::write(made, plain);
                 struct stat now{};
                 ASSERT_EQ(::stat(made.c_str(), &now), 0);
                 if (now.st_ino == gone.st_ino) {
                     fs::rename(made, a);
                     return;
                 }
             }
             FAIL() << "no new file got the deleted file's inode";
         },
         "fresh.qel", false},
    };
    const Bytes plain = TestFolder::read(plainArchive("plain.qel"));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].how);
        const std::string path = lockedArchive("locked" + std::to_string(i) + ".qel", "key");
        script.answer("key");
        ASSERT_EQ(app.menu()->load(path.c_str()), 0);
        TS::pushAnswer(4);
        ASSERT_EQ(app.menu()->processEvent(Menu::MB_CLOSE, 0), 0);
        const std::string alias = folder.path(cases[i].alias);
        cases[i].reach(path, alias, plain);
        ASSERT_TRUE(fs::exists(alias));

        TS::clearModalLog();
        if (cases[i].asked)
            TS::pushAnswer(8);
        EXPECT_EQ(app.menu()->load(alias.c_str()), cases[i].asked ? -1 : 0);
        EXPECT_EQ(gs().bArchiveLoaded, cases[i].asked ? 0 : 1);
        if (cases[i].asked) {
            ASSERT_EQ(TS::modalLog().size(), 1u);
            EXPECT_NE(std::string(TS::modalLog()[0].text.c_str()).find("was encrypted when it was last opened here"),
                      std::string::npos);
        } else {
            EXPECT_EQ(boxes(), std::vector<std::string>{});
            TS::pushAnswer(4);
            EXPECT_EQ(app.menu()->processEvent(Menu::MB_CLOSE, 0), 0);
        }
    }
}

TEST_F(MenuOpenCloseTest, ASecondArchiveReplacesTheFirstOnlyWhenTheUserAgrees)
{
    const std::string first = plainArchive("first.qel");
    const std::string second = plainArchive("second.qel");
    ASSERT_EQ(app.menu()->load(first.c_str()), 0);
    const int firstId = gs().iArchiveID;

    TS::pushAnswer(8); // keep the first
    EXPECT_EQ(app.menu()->load(second.c_str()), -1);
    EXPECT_EQ(gs().iArchiveID, firstId);
    EXPECT_STREQ(gs().sArchivePath.c_str(), first.c_str());
    EXPECT_EQ(title(), "Skarden v0.19.0 - " + first);
    // The second one was closed again.
    const int probe = Main::instance()->archiveMgr()->load(second.c_str(), nullptr, 0);
    EXPECT_GT(probe, 0);
    Main::instance()->archiveMgr()->close(probe);

    TS::pushAnswer(4);
    EXPECT_EQ(app.menu()->load(second.c_str()), 0);
    EXPECT_EQ(Main::instance()->archiveMgr()->get(firstId), nullptr);
    EXPECT_STREQ(gs().sArchivePath.c_str(), second.c_str());
    EXPECT_EQ(std::string(TS::modalLog().back().text.c_str()),
              "File \"" + first + "\" is opened\nDo you want to close it?");
}

TEST_F(MenuOpenCloseTest, AFileThatCannotBeUpgradedIsReported)
{
    qelv1::Writer broken;
    broken.add(qelv1::raw("ZK7_FILE", "readme", qelv1::bytesOf("text")));
    broken.headerChecksum = 12345;
    const std::string path = folder.path("old.qel");
    broken.write(path);
    TS::pushAnswer(1);

    EXPECT_EQ(app.menu()->load(path.c_str()), -1);

    EXPECT_EQ(boxes(), std::vector<std::string>{std::string(kLoadTitle) + "|Could not upgrade the QEL file."});
}

TEST_F(MenuOpenCloseTest, AMigrationThatFailsClosesTheArchive)
{
    const std::string path = folder.path("legacy.qel");
    legacy::buildQELv2(path, {{"serif", "ZK7_FONT", legacy::font(10, 1, 2, "Serif")}});
    FileFaults::Scope faults;
    FileFaults::failOpen(folder.path("legacy.backup.qel"), 1);
    TS::pushAnswer(1);

    EXPECT_EQ(app.menu()->load(path.c_str()), -1);

    EXPECT_EQ(boxes(), std::vector<std::string>{std::string(kLoadTitle) + "|Could not migrate legacy QEL blocks."});
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    // Not left open: it opens again.
    const int probe = Main::instance()->archiveMgr()->load(path.c_str(), nullptr, 0);
    EXPECT_GT(probe, 0);
    Main::instance()->archiveMgr()->close(probe);
}

// ---------------------------------------------------------------------------
// Close and new.

TEST_F(MenuOpenCloseTest, CloseAsksAndForgetsTheArchiveOnYes)
{
    const std::string path = lockedArchive("locked.qel", "key");
    script.answer("key");
    ASSERT_EQ(app.menu()->load(path.c_str()), 0);
    const int id = gs().iArchiveID;

    TS::pushAnswer(8);
    EXPECT_EQ(app.menu()->processEvent(Menu::MB_CLOSE, 0), -1);
    EXPECT_EQ(gs().bArchiveLoaded, 1);

    TS::pushAnswer(4);
    EXPECT_EQ(app.menu()->processEvent(Menu::MB_CLOSE, 0), 0);

    const TS::ModalRecord& question = TS::modalLog().back();
    EXPECT_STREQ(question.title.c_str(), "Close current QEL file");
    EXPECT_EQ(std::string(question.text.c_str()), "File \"" + path + "\" is opened\nDo you want to close it?");
    EXPECT_EQ(question.buttons, 12);
    EXPECT_EQ(question.type, 3);
    EXPECT_EQ(Main::instance()->archiveMgr()->get(id), nullptr);
    EXPECT_EQ(gs().bArchiveLoaded, 0);
    EXPECT_EQ(gs().bKeyRemembered, 0);
    EXPECT_EQ(gs().iKeyLength, 0u);
    EXPECT_EQ(gs().szKey[0], 0);
    EXPECT_EQ(title(), "Skarden v0.19.0");
    EXPECT_STREQ(tabBox(TAB_IMAGES)->getText(), "Images(0)");
}

TEST_F(MenuOpenCloseTest, NewCreatesAnEmptyArchiveAndOpensIt)
{
    const std::string path = folder.path("fresh.qel");
    TS::pushFileAnswer(true, path.c_str());

    EXPECT_EQ(app.menu()->processEvent(Menu::MB_NEW, 0), 0);

    EXPECT_EQ(gs().bArchiveLoaded, 1);
    EXPECT_STREQ(gs().sArchivePath.c_str(), path.c_str());
    const Zelkoran::Archive* archive = Main::instance()->archiveMgr()->get(gs().iArchiveID);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->getIndexCount(), 0);
    EXPECT_EQ(archive->getBlockLimit(), Zelkoran::ArchiveMgr::kDefaultBlockLimit);
    EXPECT_STREQ(TS::modalLog()[0].title.c_str(), "Create a Zelkoran Data Container file");
    EXPECT_EQ(title(), "Skarden v0.19.0 - " + path);

    // With one open: keeping it keeps everything.
    TS::pushFileAnswer(true, folder.path("other.qel").c_str());
    TS::pushAnswer(8);
    EXPECT_EQ(app.menu()->onNew(), -1);
    EXPECT_STREQ(gs().sArchivePath.c_str(), path.c_str());
    EXPECT_FALSE(std::filesystem::exists(folder.path("other.qel")));

    TS::pushFileAnswer(false, nullptr);
    EXPECT_EQ(app.menu()->onNew(), -1);
}

TEST_F(MenuOpenCloseTest, NewReplacesAnExistingFileOnlyAfterAsking)
{
    const std::string open = plainArchive("open.qel");
    const std::string kept = plainArchive("kept.qel");
    ASSERT_EQ(app.menu()->load(open.c_str()), 0);
    const int openId = gs().iArchiveID;
    const auto blocksIn = [](const std::string& path) {
        Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
        const int id = archives->load(path.c_str(), nullptr, 0);
        const int count = id > 0 ? archives->get(id)->getIndexCount() : -1;
        archives->close(id);
        return count;
    };
    const int before = blocksIn(kept);
    ASSERT_GT(before, 0);

    TS::pushFileAnswer(true, kept.c_str());
    TS::pushAnswer(8); // keep the file
    EXPECT_EQ(app.menu()->onNew(), -1);
    EXPECT_EQ(boxes().back(),
              "Create a Zelkoran Data Container file|The file \"" + kept +
                  "\" already exists.\nDo you want to replace it?");
    EXPECT_EQ(TS::modalLog().back().buttons, 12);
    EXPECT_EQ(blocksIn(kept), before);
    EXPECT_EQ(gs().iArchiveID, openId);

    TS::pushFileAnswer(true, kept.c_str());
    TS::pushAnswer(4); // replace
    TS::pushAnswer(4); // close the open one
    EXPECT_EQ(app.menu()->onNew(), 0);
    EXPECT_STREQ(gs().sArchivePath.c_str(), kept.c_str());
    EXPECT_EQ(Main::instance()->archiveMgr()->get(gs().iArchiveID)->getIndexCount(), 0);
}

// A New the engine cannot carry out says why instead of leaving the user
// with no archive and no word.
TEST_F(MenuOpenCloseTest, NewThatCannotCreateTheFileSaysSo)
{
    const std::string held = plainArchive("held.qel");
    const int holder = Main::instance()->archiveMgr()->load(held.c_str(), nullptr, 0);
    ASSERT_GT(holder, 0);
    const struct {
        std::string path;
        std::vector<int> answers;
        const char* text;
    } cases[] = {
        {folder.path("missing/fresh.qel"), {}, "Could not create a new QEL file."},
        {held, {4}, "Could not create a new QEL file.\nAnother program has the file open."},
        {folder.path("locked/fresh.qel"), {}, "Could not create a new QEL file.\nPermission denied in its folder."},
    };
    std::filesystem::create_directory(folder.path("locked"));
    FileFaults::Scope faults;
    FileFaults::writeProtect(folder.path("locked"));
    for (const auto& c : cases) {
        TS::clearModalLog();
        TS::pushFileAnswer(true, c.path.c_str());
        for (int answer : c.answers)
            TS::pushAnswer(answer);
        EXPECT_EQ(app.menu()->onNew(), -1) << c.path;
        EXPECT_EQ(boxes().back(), std::string("Create a Zelkoran Data Container file|") + c.text);
        EXPECT_EQ(TS::modalLog().back().type, 1);
        EXPECT_EQ(gs().bArchiveLoaded, 0);
    }
    Main::instance()->archiveMgr()->close(holder);
}

TEST_F(MenuOpenCloseTest, NewNamesTheArchiveQelSoItOpensAgain)
{
    TS::pushFileAnswer(true, folder.path("bare").c_str());
    ASSERT_EQ(app.menu()->onNew(), 0);
    EXPECT_STREQ(gs().sArchivePath.c_str(), folder.path("bare.qel").c_str());

    TS::pushAnswer(4); // close it
    EXPECT_EQ(app.menu()->onClose(), 0);
    EXPECT_EQ(app.menu()->load(folder.path("bare").c_str()), 0);
    EXPECT_STREQ(gs().sArchivePath.c_str(), folder.path("bare.qel").c_str());
}

TEST_F(MenuOpenCloseTest, LoadingTheOpenArchiveReopensIt)
{
    const std::string path = plainArchive("same.qel");
    ASSERT_EQ(app.menu()->load(path.c_str()), 0);
    const int firstId = gs().iArchiveID;

    TS::pushAnswer(8); // keep it as it is
    EXPECT_EQ(app.menu()->load(path.c_str()), -1);
    EXPECT_EQ(gs().iArchiveID, firstId);

    TS::pushAnswer(4);
    EXPECT_EQ(app.menu()->load(folder.path("same").c_str()), 0);
    EXPECT_EQ(Main::instance()->archiveMgr()->get(firstId), nullptr);
    EXPECT_NE(Main::instance()->archiveMgr()->get(gs().iArchiveID), nullptr);
    EXPECT_EQ(boxes().back(), "Close current QEL file|File \"" + path + "\" is opened\nDo you want to close it?");
}

} // namespace
