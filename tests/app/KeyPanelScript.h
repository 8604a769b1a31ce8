// Answers the editor's key panel as a user does: each time the panel comes
// up, clicks into the key field, types the next scripted key and clicks the
// scripted button. The key panel runs its own event loop, so the answers
// are served from the screen's render callback, which the engine calls
// while that loop waits for input. Every showing is recorded as it was
// seen.
#pragma once

#include "app/Menu.h"
#include "app/Skarden.h"
#include "services/FixedPanelIds.h"
#include "services/ResourceManager.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>

#include <SDL_keycode.h>
#include <SDL_timer.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

class KeyPanelScript {
public:
    enum eButton : int { OK = KP_CONFIRM, CANCEL = KP_CANCEL, INDEX = KP_INDEX };

    // The panel as it was when an answer was served.
    struct Seen {
        std::string title;
        std::string confirmText; // button 100
        std::string indexText;   // button 114
        bool indexShown = false;
        std::string keyText;     // the key field before typing
    };

    // Installs itself as the render callback (before start() for a file on
    // the command line; start() replaces it, so call install() again). The
    // callback refers to this object: the engine must be terminated first.
    explicit KeyPanelScript(Skarden& editor) : app(editor) { install(); }
    KeyPanelScript(const KeyPanelScript&) = delete;
    KeyPanelScript& operator=(const KeyPanelScript&) = delete;

    void install()
    {
        Zelkoran::Main::instance()->configMgr()->get(0)->setRenderCallback([this](int value) {
            const int result = app.menu() ? Menu::render(value, app.menu()) : 0;
            serve();
            return result;
        });
    }

    // Types key (nothing when empty) and clicks button. With quitFirst the
    // window is closed just before the click, in the same drain.
    void answer(const std::string& key, int button = OK, bool quitFirst = false)
    {
        steps.push_back(Step{key, button, quitFirst, 0});
    }
    // Types key, then presses keycode (Enter, Escape) instead of a click. A
    // panel the key leaves open fails the test and is cancelled.
    void answerByKey(const std::string& key, int keycode) { steps.push_back(Step{key, 0, false, keycode}); }

    const std::vector<Seen>& seen() const { return shown; }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> out;
        for (const Seen& s : shown)
            out.push_back(s.title);
        return out;
    }
    size_t pending() const { return steps.size(); }

private:
    struct Step {
        std::string key;
        int button;
        bool quitFirst;
        int keycode;
    };

    // Set after an answer; every showing of the panel sets its title anew.
    static constexpr const char* kAnswered = " (answered)";

    static bool answered(const std::string& title)
    {
        return title.size() >= std::string(kAnswered).size()
            && title.compare(title.size() - std::string(kAnswered).size(), std::string::npos, kAnswered) == 0;
    }

    void serve()
    {
        if (!app.resources())
            return;
        const int panelId = app.resources()->get(SR_SECURE_PANEL);
        Zelkoran::Panel* panel = Zelkoran::Main::instance()->guiMgr()->getPanel(panelId);
        if (panel && panel->isShown() && answered(panel->getTitle()) && keyPressedAt != 0
            && SDL_GetTicks() - keyPressedAt > 3000) {
            ADD_FAILURE() << "the key left the key panel open: " << panel->getTitle();
            keyPressedAt = 0;
            Zelkoran::TestSupport::clickWidget(panelId, CANCEL);
            return;
        }
        if (!panel || !panel->isShown() || answered(panel->getTitle())) {
            if (!panel || !panel->isShown())
                keyPressedAt = 0;
            waitingSince = 0;
            return;
        }
        if (steps.empty()) {
            // Nobody will answer: fail instead of waiting forever.
            if (waitingSince == 0)
                waitingSince = SDL_GetTicks();
            else if (SDL_GetTicks() - waitingSince > 3000) {
                ADD_FAILURE() << "unexpected key panel: " << panel->getTitle();
                markAnswered(panel);
                Zelkoran::TestSupport::clickWidget(panelId, CANCEL);
            }
            return;
        }
        const Step step = steps.front();
        steps.pop_front();
        Seen s;
        s.title = panel->getTitle();
        s.confirmText = panel->getButton(OK)->getText();
        s.indexText = panel->getButton(INDEX)->getText();
        s.indexShown = panel->getButton(INDEX)->isShown();
        s.keyText = panel->getTextEdit(KP_KEY)->getText().c_str();
        shown.push_back(s);
        markAnswered(panel);

        namespace TS = Zelkoran::TestSupport;
        TS::clickWidget(panelId, KP_KEY);
        if (!step.key.empty()) {
            TS::key(SDLK_END);
            TS::typeText(step.key.c_str());
        }
        if (step.quitFirst)
            TS::quit();
        if (step.keycode != 0) {
            TS::key(step.keycode);
            keyPressedAt = SDL_GetTicks();
        } else {
            TS::clickWidget(panelId, step.button);
        }
    }

    static void markAnswered(Zelkoran::Panel* panel)
    {
        panel->setTitle((std::string(panel->getTitle()) + kAnswered).c_str());
    }

    Skarden& app;
    std::deque<Step> steps;
    std::vector<Seen> shown;
    uint32_t waitingSince = 0;
    uint32_t keyPressedAt = 0;
};
