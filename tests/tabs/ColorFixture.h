// A probe tab on screen for the colour controls, with helpers that act as a
// user does: click, select everything in an edit, type, commit.
#pragma once

#include "tabs/TabFixture.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/ctrlBaseControls.h"

#include <SDL.h>

#include <array>

class ColorTest : public TabTest {
public:
    using Rgb = std::array<int, 3>;

protected:
    void SetUp() override
    {
        TabTest::SetUp();
        tab = &makeProbe();
        tab->show();
        p = tab->basePanel();
        Zelkoran::TestSupport::setModalWatchdog(5000);
        Zelkoran::TestSupport::clearModalLog();
    }
    void TearDown() override
    {
        Zelkoran::TestSupport::clearAnswers();
        Zelkoran::TestSupport::setModalWatchdog(0);
        TabTest::TearDown();
    }

    // Replaces the text of edit id on panel panelId by typing (no commit).
    static void typeInto(int panelId, int id, const char* text)
    {
        namespace TS = Zelkoran::TestSupport;
        TS::clickWidget(panelId, id);
        TS::key(SDLK_a, KMOD_CTRL);
        TS::key(SDLK_DELETE);
        TS::typeText(text);
        TS::pump();
    }
    static void press(int panelId, int id)
    {
        Zelkoran::TestSupport::clickWidget(panelId, id);
        Zelkoran::TestSupport::pump();
    }
    static void enter()
    {
        Zelkoran::TestSupport::key(SDLK_RETURN);
        Zelkoran::TestSupport::pump();
    }

    static Rgb background(const Zelkoran::Widget* w)
    {
        uint8_t r = 0, g = 0, b = 0;
        w->getBackgroundColor(&r, &g, &b, Zelkoran::WS_NORMAL);
        return {r, g, b};
    }
    static std::string text(Zelkoran::Panel* panel, int id) { return panel->getTextEdit(id)->getText().c_str(); }

    ProbeTab* tab = nullptr;
    Zelkoran::Panel* p = nullptr;
};
