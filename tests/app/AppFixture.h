// The editor started headless for a test, with its log beside the test
// program, a scratch folder and readers for the editor's panels.
#pragma once

#include "services/GlobalStatus.h"
#include "app/Menu.h"
#include "services/ResourceManager.h"
#include "app/Skarden.h"
#include "support/EditorTestSupport.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/TestSupport.h>

#include <gtest/gtest.h>

#include <SDL_keycode.h>

#include <filesystem>
#include <string>
#include <vector>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        editortest::TS::clearAnswers();
        editortest::TS::clearModalLog();
        editortest::TS::setModalWatchdog(5000);
        // The record of archives seen encrypted stays in a folder of the test.
        setenv("XDG_STATE_HOME", stateFolder.path("state").c_str(), 1);
    }

    void TearDown() override
    {
        app.shutdown();
        editortest::TS::clearAnswers();
        editortest::TS::setModalWatchdog(0);
        Zelkoran::Main::terminate();
    }

    // Starts editor with the program name followed by args.
    static int startWith(Skarden& editor, std::vector<std::string> args)
    {
        args.insert(args.begin(), "Skarden");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        return editor.start(static_cast<int>(argv.size()), argv.data());
    }
    int start(std::vector<std::string> args = {}) { return startWith(app, std::move(args)); }

    static std::string logPath()
    {
        return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Skarden.log").string();
    }
    static std::string logText() { return editortest::readFile(logPath()); }

    Zelkoran::Panel* menuPanel() { return editortest::panel(app.resources()->get(SR_MENU_PANEL)); }
    Zelkoran::WidgetCheckBox* tabBox(int id) { return menuPanel()->getCheckBox(id); }

    // The base panel of the tab named name.
    static Zelkoran::Panel* tabPanel(const char* name)
    {
        Zelkoran::GUIMgr* gui = Zelkoran::Main::instance()->guiMgr();
        for (int id : gui->getPanelIDs())
            if (std::string(gui->getPanel(id)->getName()) == name)
                return gui->getPanel(id);
        return nullptr;
    }

    // Builds an archive in the scratch folder and opens it as the editor's.
    std::string openArchive(const std::vector<editortest::BlockSpec>& blocks)
    {
        const std::string path = folder.path("test.qel");
        editortest::buildArchive(path, blocks);
        editortest::openAsEditorArchive(*app.globalStatus(), path);
        app.menu()->update();
        return path;
    }

    // How a typed field is committed: Enter, Tab out of the field, or not
    // yet (the caller clicks elsewhere).
    enum class Commit { Enter, Tab, None };

    // Types text into an edit of a panel as a person does: a click into the
    // field, Ctrl+A, one key a pass (the half-typed text reaches the tab in
    // between), then the commit. Text "" with Ctrl+A and a commit clears it.
    void typeKeys(int panelId, int editId, const std::string& text, Commit commit = Commit::Enter)
    {
        ASSERT_TRUE(editortest::TS::clickWidget(panelId, editId)) << editId;
        app.runPass();
        editortest::TS::key(SDLK_a, KMOD_CTRL);
        app.runPass();
        if (text.empty())
            editortest::TS::key(SDLK_DELETE);
        for (const char ch : text) {
            editortest::TS::typeText(std::string(1, ch).c_str());
            app.runPass();
        }
        switch (commit) {
        case Commit::Enter: editortest::TS::key(SDLK_RETURN); break;
        case Commit::Tab: editortest::TS::key(SDLK_TAB); break;
        case Commit::None: break;
        }
        app.runPass();
    }

    TestFolder folder;
    TestFolder stateFolder;
    Skarden app;
};

// Blocks of every tab's type; two images are shown, a hidden one and a
// deleted one are not.
inline const std::vector<editortest::BlockSpec> kMixedBlocks = {
    {"hero", "ZK7_IMAGE"},       {"map", "ZK7_IMAGE"},       {"#T_tiles", "ZK7_IMAGE"},
    {"old", "ZK7_IMAGE", true},  {"tiles", "ZK7_TILE"},      {"arrow", "ZK7_CURSOR"},
    {"walk", "ZK7_SPRITE"},      {"serif", "ZK7_FONT"},      {"hud", "ZK7_GUIPANEL"},
    {"smoke", "ZK7_PARTICLE"},   {"theme", "ZK7_AUDIOTRACK"}, {"intro", "ZK7_VIDEO"},
    {"level.tmx", "ZK7_XML"},    {"notes.txt", "ZK7_FILE"},
};
