#include "app/Skarden.h"

#include "services/EditorLog.h"
#include "app/EventRoute.h"
#include "app/Menu.h"
#include "services/ResourceManager.h"
#include "services/Version.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>

#include <SDL_events.h>
#include <SDL_timer.h>

#include <cstdint>
#include <cstdlib>

using namespace Zelkoran;

namespace {

constexpr int kStatsLevel = 4;
constexpr int kLogLevel = 5;
constexpr int kLogMode = 10;
constexpr int kLogicRate = 60;
constexpr int kRenderRate = 30;
constexpr int kSoftwareRenderer = 1;
constexpr int kAudioFrequency = 44100;
constexpr int kAudioFormatS16 = 0x8010;
constexpr int kAudioChannels = 2;

void registerMemoryReport()
{
    static const bool registered = std::atexit(&CMem::destroy) == 0;
    (void)registered;
}

} // namespace

Skarden::Skarden(const EditorArt& artTable) : art(artTable) {}

Skarden::~Skarden() { shutdown(); }

GlobalStatus* Skarden::globalStatus() { return status ? &*status : nullptr; }

int Skarden::start(int argc, char** argv)
{
    CMem::setStatsLevel(kStatsLevel);
    CMem::setModuleName(kSkardyMemoryModule, "Skardy");
    registerMemoryReport();

    Main* engine = Main::instance();
    const String logFile = engine->tool()->fileGetExePath() + "/Skarden.log";
    editorLog().init(kSkardenNameVersion, kLogLevel, kLogMode, logFile.c_str(), "", "", "");
    engine->timer()->init(0);
    engine->timer()->setRate(kLogicRate, kRenderRate);
    engine->configMgr()->setMTFriendly(1);

    status.emplace(argc, argv);

    Screen* screen = engine->configMgr()->get(0);
    screen->setDriver(kSoftwareRenderer);
    screen->setSize(status->iWidth, status->iHeight);
    if (screen->show() < 0) {
        Main::terminate();
        status.reset();
        return EXIT_NO_WINDOW;
    }

    engine->configMgr()->audioInit(kAudioFrequency, kAudioFormatS16, kAudioChannels);
    // Audio tracks keep their encoded bytes so that they can be saved again.
    engine->audioTrackMgr()->setKeepSourceData(true);

    editorLog().msg(LOG_INFO,
                    " [Skarden] Resolution set to %dx%d.\n             Can be changed using -resolution:WxH "
                    "parameter (minimum resolution %dx%d).\n",
                    status->iWidth, status->iHeight, GlobalStatus::kMinWidth, GlobalStatus::kMinHeight);

    resourceManager = makeSkardyObject<ResourceManager>(art);
    if (!resourceManager)
        Internal::fatalError("Could not allocate the Skardy ResourceManager.", nullptr, 0);
    if (resourceManager->load() != 0) {
        engine->configMgr()->audioClose();
        resourceManager.reset();
        Main::terminate();
        status.reset();
        return EXIT_NO_RESOURCES;
    }
    setWindowIcon();

    menuObject = makeSkardyObject<Menu>(&*status, resourceManager.get());
    if (!menuObject)
        Internal::fatalError("Could not allocate the Skardy Menu.", nullptr, 0);

    if (openCommandLineFile() != 0) {
        engine->tool()->messageBox("Skarden", "The given file could not be loaded.\nIs it a QEL or XML file?.", 1, 1,
                                   0, -1, -1);
        engine->configMgr()->audioClose();
        menuObject.reset();
        resourceManager.reset();
        Main::terminate();
        status.reset();
        return EXIT_UNKNOWN_FILE;
    }

    Menu* menu = menuObject.get();
    screen->setRenderCallback([menu](int value) { return Menu::render(value, menu); });
    running = true;
    return EXIT_OK;
}

void Skarden::setWindowIcon()
{
    Main* engine = Main::instance();
    const int id = resourceManager->get(SR_ICON);
    Image* icon = id > 0 ? engine->imageMgr()->get(id) : nullptr;
    if (icon)
        engine->configMgr()->get(0)->setIcon(icon->getSurface());
    else
        editorLog().msg(LOG_WARNING, " [Skarden] Warning: application icon resource is not available.\n");
}

// 0 when there is no file or it was handed to its action (whose result does
// not matter here), -1 for a file that is neither "qel" nor "xml".
int Skarden::openCommandLineFile()
{
    if (status->sArchivePath.empty())
        return 0;
    Tool* tool = Main::instance()->tool();
    String extension = tool->fileGetExtension(status->sArchivePath.c_str());
    tool->strToLowerCase(extension);
    const String path = status->sArchivePath;
    if (extension == "qel")
        menuObject->load(path);
    else if (extension == "xml")
        menuObject->importXML(path);
    else
        return -1;
    return 0;
}

bool Skarden::runPass()
{
    Main* engine = Main::instance();
    menuObject->update();
    LoopResult result;
    SDL_Event event;
    while (engine->update(&event))
        dispatch(event, result);
    // The time from start to the first picture (with the lists of an archive
    // opened from the command line) is what a user waits for at start-up.
    if (!firstFrameLogged && engine->configMgr()->get(0)->getFramesPresented() > 0) {
        firstFrameLogged = true;
        editorLog().msg(LOG_INFO, " [Skarden] First frame drawn after %u ms.\n", SDL_GetTicks());
    }
    return result.quitRequested();
}

void Skarden::dispatch(SDL_Event& event, LoopResult& result)
{
    const bool textFocus = event.type == SDL_KEYDOWN && Main::instance()->guiMgr()->hasTextFocus();
    switch (routeEvent(event, textFocus)) {
    case EventRoute::Quit: result.assign(LoopResult::kQuitRequest); break;
    case EventRoute::Refresh: menuObject->refreshWidgets(); break;
    case EventRoute::RefreshResult: result.assign(menuObject->refreshWidgets()); break;
    case EventRoute::Mouse: menuObject->handleMouseEvent(&event); break;
    case EventRoute::Process:
        result.assign(menuObject->processEvent(eventInt(event.user.data1), eventInt(event.user.data2),
                                               static_cast<int>(event.user.windowID)));
        break;
    case EventRoute::Ignore: break;
    }
}

int Skarden::run()
{
    while (!runPass()) {
    }
    return 0;
}

void Skarden::shutdown()
{
    if (!running)
        return;
    running = false;
    Main* engine = Main::instance();
    engine->configMgr()->get(0)->setRenderCallback(nullptr);
    menuObject.reset();
    resourceManager.reset();
    if (status->iArchiveID > 0)
        engine->archiveMgr()->close(status->iArchiveID);
    engine->configMgr()->audioClose();
    Main::terminate();
    status.reset();
}

int skardenMain(int argc, char** argv)
{
    Skarden editor;
    const int code = editor.start(argc, argv);
    if (code != Skarden::EXIT_OK)
        return code;
    editor.run();
    editor.shutdown();
    return Skarden::EXIT_OK;
}
