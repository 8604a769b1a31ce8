// Shared set-up of the toolkit tests: an engine with an offscreen window, a
// panel to put widgets on, and readers for the events Main::update delivers.
#pragma once

#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace guitest {

using namespace Zelkoran;
namespace TS = Zelkoran::TestSupport;

struct GuiEvent {
    int code;
    int id;
    int value;
    bool operator==(const GuiEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const GuiEvent& e)
{
    return os << "{code " << e.code << ", id " << e.id << ", value " << e.value << "}";
}

inline std::vector<GuiEvent> guiEvents(const Vector<SDL_Event>& events)
{
    std::vector<GuiEvent> out;
    for (const SDL_Event& e : events)
        if (e.type == kGUIEventType)
            out.push_back(GuiEvent{e.user.code, static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                   static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2))});
    return out;
}

inline bool hasType(const Vector<SDL_Event>& events, uint32_t type)
{
    for (const SDL_Event& e : events)
        if (e.type == type)
            return true;
    return false;
}

// The clipboard's text (SDL hands out a copy to free).
inline std::string clipboard()
{
    char* text = SDL_GetClipboardText();
    std::string out = text ? text : "";
    SDL_free(text);
    return out;
}

// Colour of one pixel of an ARGB8888 surface.
inline SDL_Color pixel(SDL_Surface* s, int x, int y)
{
    const Uint32 v = static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x];
    SDL_Color c;
    SDL_GetRGBA(v, s->format, &c.r, &c.g, &c.b, &c.a);
    return c;
}

inline bool same(SDL_Color c, int r, int g, int b) { return c.r == r && c.g == g && c.b == b; }

class GuiTest : public ::testing::Test {
protected:
    static constexpr int kScreenW = 800;
    static constexpr int kScreenH = 600;

    void SetUp() override
    {
        main = Main::instance();
        main->timer()->init(0);
        main->timer()->setRate(60, 30);
        screen = main->configMgr()->get(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(kScreenW, kScreenH);
        ASSERT_EQ(screen->show(), 0) << SDL_GetError();
        gui = main->guiMgr();
        panelId = gui->create("TestPanel", 0x42000000);
        panel = gui->getPanel(panelId);
        ASSERT_NE(panel, nullptr);
        panel->baseWidget()->setSize(600, 400);
        panel->baseWidget()->setPosition(Position(0), Position(0));
        panel->baseWidget()->show();
        TS::clearAnswers();
        TS::clearModalLog();
        TS::setModalWatchdog(5000);
    }

    void TearDown() override
    {
        TS::clearAnswers();
        TS::setModalWatchdog(0);
        Main::terminate();
    }

    // Pumps until the queue is empty and returns the GUI events seen.
    std::vector<GuiEvent> run() { return guiEvents(TS::pump()); }

    Main* main = nullptr;
    Screen* screen = nullptr;
    GUIMgr* gui = nullptr;
    int panelId = 0;
    Panel* panel = nullptr;
};

// PNG bytes of a five-frame vertical state strip of w x h cells, frame i
// filled with colours[i].
std::vector<char> stripPng(int w, int h, const SDL_Color colours[5]);

} // namespace guitest
