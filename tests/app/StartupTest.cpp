#include "app/AppFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include <Zelkoran/Screen.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Zelkoran::CMem;
using Zelkoran::Main;
namespace TS = editortest::TS;

constexpr const char* kResolutionLine =
    " [Skarden] Resolution set to %dx%d.\n             Can be changed using -resolution:WxH parameter "
    "(minimum resolution 1400x1000).\n";

std::string resolutionLine(int w, int h)
{
    char line[256];
    std::snprintf(line, sizeof(line), kResolutionLine, w, h);
    return line;
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old, m_had = true;
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name, m_old;
    bool m_had = false;
};

TEST_F(AppTest, WithoutArgumentsTheWindowOpensAtTheMinimumSizeWithoutArchive)
{
    ASSERT_EQ(start(), 0);
    app.runPass();
    Zelkoran::Screen* screen = Main::instance()->configMgr()->get(0);
    EXPECT_TRUE(screen->isShown());
    EXPECT_EQ(screen->getWidth(), 1400);
    EXPECT_EQ(screen->getHeight(), 1000);
    EXPECT_STREQ(SDL_GetWindowTitle(screen->getWindow()), "Skarden v0.19.0");
    EXPECT_EQ(app.menu()->getActiveCheckBoxID(), 0);
    EXPECT_EQ(app.menu()->getCtrls().size(), 13u);

    const std::string log = logText();
    EXPECT_EQ(log.rfind("Skarden v0.19.0", 0), 0u) << log;
    EXPECT_NE(log.find(resolutionLine(1400, 1000)), std::string::npos) << log;
    EXPECT_EQ(log.find("Critical"), std::string::npos) << log;
    EXPECT_EQ(log.find("Warning"), std::string::npos) << log;
}

TEST_F(AppTest, ResolutionFromTheCommandLineSizesTheWindow)
{
    ASSERT_EQ(start({"-resolution:1920x1080"}), 0);
    const Zelkoran::Screen* screen = Main::instance()->configMgr()->get(0);
    EXPECT_EQ(screen->getWidth(), 1920);
    EXPECT_EQ(screen->getHeight(), 1080);
    int w = 0, h = 0;
    SDL_GetWindowSize(screen->getWindow(), &w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_NE(logText().find(resolutionLine(1920, 1080)), std::string::npos);
}

TEST_F(AppTest, AWindowThatCannotOpenEndsWithMinusOne)
{
    const ScopedEnv driver("SDL_VIDEODRIVER", "no-such-driver");
    EXPECT_EQ(start(), Skarden::EXIT_NO_WINDOW);
    EXPECT_EQ(app.globalStatus(), nullptr);
    EXPECT_EQ(app.menu(), nullptr);
    EXPECT_EQ(logText().find("Resolution set to"), std::string::npos);
}

TEST_F(AppTest, EditorResourcesThatCannotBeMadeEndWithMinusTwo)
{
    EditorArt damaged = builtInArt();
    static const unsigned char kNotPng[] = "not a png";
    damaged[ART_CHK_GRID] = ArtImage{kNotPng, sizeof(kNotPng)};
    Skarden editor(damaged);

    EXPECT_EQ(startWith(editor, {}), Skarden::EXIT_NO_RESOURCES);

    EXPECT_EQ(editor.resources(), nullptr);
    EXPECT_EQ(editor.menu(), nullptr);
    EXPECT_EQ(CMem::getStats(kSkardyMemoryModule).liveBytes, 0u);
    const std::string log = logText();
    EXPECT_NE(log.find(" [ResourceManager] Critical: could not create the Skardy WgtGrid.\n"), std::string::npos)
        << log;
}

TEST_F(AppTest, AFileOfAnotherKindShowsTheBoxAndEndsWithMinusFour)
{
    TS::pushAnswer(1);
    EXPECT_EQ(start({"notes.txt"}), Skarden::EXIT_UNKNOWN_FILE);

    ASSERT_EQ(TS::modalLog().size(), 1u);
    const TS::ModalRecord& box = TS::modalLog()[0];
    EXPECT_STREQ(box.title.c_str(), "Skarden");
    EXPECT_STREQ(box.text.c_str(), "The given file could not be loaded.\nIs it a QEL or XML file?.");
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(box.type, 1);
    EXPECT_EQ(app.menu(), nullptr);
    EXPECT_EQ(app.resources(), nullptr);
    EXPECT_EQ(CMem::getStats(kSkardyMemoryModule).liveBytes, 0u);
}

TEST_F(AppTest, QelAndXmlFilesAreTakenWhateverTheLetterCase)
{
    for (const char* file : {"GAME.QEL", "game.qel", "Interchange.Xml"}) {
        Skarden editor;
        TS::pushAnswer(1); // the open action's message box
        EXPECT_EQ(startWith(editor, {folder.path(file)}), 0) << file;
        EXPECT_TRUE(editor.globalStatus()->sArchivePath.ends_with(file));
        editor.shutdown();
    }
    // Both archives were handed to the open action and the document to the
    // import, which found them missing.
    ASSERT_EQ(TS::modalLog().size(), 3u);
    EXPECT_EQ(std::string(TS::modalLog()[0].text.c_str()),
              "The QEL file does not exist:\n" + folder.path("GAME.QEL"));
    EXPECT_EQ(std::string(TS::modalLog()[1].text.c_str()),
              "The QEL file does not exist:\n" + folder.path("game.qel"));
    EXPECT_EQ(std::string(TS::modalLog()[2].text.c_str()), "Could not load the XML file.");
    EXPECT_EQ(TS::pendingAnswers(), 0u);
}

TEST_F(AppTest, AnArchiveOnTheCommandLineIsOpened)
{
    const std::string path = folder.path("game.qel");
    editortest::buildArchive(path, kMixedBlocks);
    ASSERT_EQ(start({"-resolution:1920x1080", path}), 0);
    EXPECT_EQ(app.globalStatus()->bArchiveLoaded, 1);
    EXPECT_STREQ(app.globalStatus()->sArchivePath.c_str(), path.c_str());
    EXPECT_EQ(Main::instance()->configMgr()->get(0)->getWidth(), 1920);
    EXPECT_TRUE(TS::modalLog().empty());
}

TEST_F(AppTest, ShutdownReleasesEveryEditorObjectAndTheArchive)
{
    ASSERT_EQ(start(), 0);
    const std::string path = openArchive(kMixedBlocks);
    app.runPass();
    EXPECT_GT(CMem::getStats(kSkardyMemoryModule).liveBytes, 0u);

    app.shutdown();

    EXPECT_EQ(CMem::getStats(kSkardyMemoryModule).liveBytes, 0u);
    EXPECT_EQ(app.globalStatus(), nullptr);
    const std::string log = logText();
    EXPECT_EQ(log.find("Critical"), std::string::npos) << log;
}

// Whole sessions as the program runs them, each in a process of its own:
// the memory report written at exit (to stderr, the engine being gone by
// then) names no module that still holds blocks.
TEST(ExitReportTest, NoBlockIsHeldAtExitWhateverTheSessionShowed)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process: no state of other tests
    TestFolder folder;
    // The child runs this body again: it keeps the parent's report file.
    setenv("SKARDEN_TEST_EXIT_REPORT", folder.path("report.txt").c_str(), 0);
    const std::string report = std::getenv("SKARDEN_TEST_EXIT_REPORT");
    const auto start = [](Skarden& editor, std::vector<std::string> args) {
        args.insert(args.begin(), "Skarden");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        return editor.start(static_cast<int>(argv.size()), argv.data());
    };
    const auto click = [](Skarden& editor, int panelId, int widgetId) {
        TS::clickWidget(panelId, widgetId);
        editor.runPass();
    };
    const struct {
        const char* session;
        std::function<void(Skarden&)> run;
    } sessions[] = {
        {"a failed start-up XML load", [&](Skarden& editor) { start(editor, {folder.path("missing.xml")}); }},
        {"an effect saved twice",
         [&](Skarden& editor) {
             const std::string archive = folder.path("fx.qel");
             editortest::buildArchive(archive, {});
             start(editor, {archive});
             click(editor, editor.resources()->get(SR_MENU_PANEL), TAB_EFFECTS);
             int effects = 0;
             for (int id : Main::instance()->guiMgr()->getPanelIDs())
                 if (std::string(editortest::panel(id)->getName()) == "Effects")
                     effects = id;
             click(editor, effects, BW_NAME);
             TS::typeText("smoke");
             TS::key(SDLK_RETURN);
             editor.runPass();
             for (int save = 0; save < 2; ++save)
                 click(editor, effects, BW_SAVE);
         }},
    };
    for (const auto& s : sessions) {
        SCOPED_TRACE(s.session);
        std::remove(report.c_str());
        EXPECT_EXIT(
            {
                if (!std::freopen(report.c_str(), "w", stderr))
                    std::_Exit(3);
                TS::keepModalLog(false); // as the program runs
                TS::setModalWatchdog(300); // every box ends by itself
                Skarden editor;
                s.run(editor);
                editor.shutdown();
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "");
        const std::string text = editortest::readFile(report);
        EXPECT_NE(text.find(" [CMem] "), std::string::npos) << "the report was written";
        EXPECT_EQ(text.find("still holds"), std::string::npos) << text;
    }
}

} // namespace
