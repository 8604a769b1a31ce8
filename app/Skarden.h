// The editor program: start-up, the main loop and shutdown.
#pragma once

#include "services/CMemSkarden.h"
#include "services/EditorArt.h"
#include "app/EventRoute.h"
#include "services/GlobalStatus.h"

#include <optional>

class Menu;
class ResourceManager;

class Skarden {
public:
    // Exit codes of start().
    enum eExitCode : int {
        EXIT_OK = 0,
        EXIT_NO_WINDOW = -1,
        EXIT_NO_RESOURCES = -2,
        EXIT_UNKNOWN_FILE = -4,
    };

    // art: the images the editor's resources are made from.
    explicit Skarden(const EditorArt& art = builtInArt());
    ~Skarden();
    Skarden(const Skarden&) = delete;
    Skarden& operator=(const Skarden&) = delete;

    // Brings up the engine, the log, the window, audio, the editor's
    // resources and the menu, and opens or imports the file named on the
    // command line. 0, or an eExitCode after a failure (what was brought up
    // is torn down again).
    int start(int argc, char** argv);
    // One pass of the main loop: the menu's update, then every pending
    // event. True when a quit was requested.
    bool runPass();
    // Passes until a quit request. 0.
    int run();
    // Tears down, in order: menu and tabs, editor resources, the open
    // archive, audio, the engine, GlobalStatus. Nothing after a failed or
    // no start.
    void shutdown();

    GlobalStatus* globalStatus();
    ResourceManager* resources() { return resourceManager.get(); }
    Menu* menu() { return menuObject.get(); }

private:
    void dispatch(SDL_Event& event, LoopResult& result);
    int openCommandLineFile();
    void setWindowIcon();

    const EditorArt& art;
    std::optional<GlobalStatus> status;
    SkardyPtr<ResourceManager> resourceManager;
    SkardyPtr<Menu> menuObject;
    bool running = false;
    bool firstFrameLogged = false;
};

// The whole run: start, main loop, shutdown. The program's exit code.
int skardenMain(int argc, char** argv);
