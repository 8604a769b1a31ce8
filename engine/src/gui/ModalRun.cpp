#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Timer.h>

#include "gui/ModalRun.h"

#include <SDL.h>

namespace Zelkoran::modal {

namespace {

bool isInput(uint32_t type)
{
    return type == SDL_KEYDOWN || type == SDL_TEXTINPUT || type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEMOTION ||
           type == SDL_MOUSEWHEEL;
}

} // namespace

int run(int panelId, const Options& options)
{
    Main* main = Main::instance();
    GUIMgr* gui = main->guiMgr();
    Panel* panel = gui->getPanel(panelId);
    if (!panel)
        return kQuit;
    const bool wasShown = panel->isShown();
    gui->pushModal(panelId);
    panel->baseWidget()->show();
    if (options.script)
        options.script(panelId);
    const uint64_t start = main->timer()->getTicks();
    uint64_t lastInput = start;
    int result = 0;
    bool quit = false;
    bool done = false;
    while (!done) {
        SDL_Event ev;
        while (main->update(&ev)) {
            if (ev.type == SDL_QUIT) {
                quit = done = true;
                break;
            }
            if (isInput(ev.type))
                lastInput = main->timer()->getTicks();
            if ((result = gui->modalEnded()) != 0) {
                done = true;
                break;
            }
            if (ev.type == SDL_KEYDOWN && ev.key.keysym.sym == SDLK_ESCAPE && options.escapeResult != 0) {
                result = options.escapeResult;
                done = true;
                break;
            }
        }
        if (done || (result = gui->modalEnded()) != 0)
            break;
        if (options.tick)
            options.tick();
        const uint64_t now = main->timer()->getTicks();
        if (options.timeoutMs > 0 && now - start >= static_cast<uint64_t>(options.timeoutMs)) {
            result = 0;
            break;
        }
        const int watchdog = TestSupport::modalWatchdog();
        if (watchdog > 0 && now - lastInput >= static_cast<uint64_t>(watchdog)) {
            result = kQuit;
            break;
        }
    }
    gui->popModal();
    // The run's own GUI events stay inside it.
    SDL_FlushEvent(kGUIEventType);
    if (!wasShown)
        if (Panel* p = gui->getPanel(panelId))
            p->baseWidget()->hide();
    if (quit) {
        SDL_Event q{};
        q.type = SDL_QUIT;
        SDL_PushEvent(&q);
        return kQuit;
    }
    return result;
}

} // namespace Zelkoran::modal
