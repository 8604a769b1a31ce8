#include "app/EventRoute.h"
#include "services/FixedPanelIds.h"
#include "tabs/base/BasePanel.h"

#include <Zelkoran/Types.h>

#include <SDL_events.h>
#include <gtest/gtest.h>

namespace {

SDL_Event ofType(uint32_t type)
{
    SDL_Event e{};
    e.type = type;
    return e;
}

SDL_Event keyDown(SDL_Keycode key, uint16_t mod = KMOD_NONE)
{
    SDL_Event e = ofType(SDL_KEYDOWN);
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event guiEvent(int code, intptr_t widgetId = 0)
{
    SDL_Event e = ofType(Zelkoran::kGUIEventType);
    e.user.code = code;
    e.user.data1 = reinterpret_cast<void*>(widgetId);
    return e;
}

TEST(EventRouteTest, WindowAndKeyboard)
{
    EXPECT_EQ(routeEvent(ofType(SDL_QUIT), false), EventRoute::Quit);
    EXPECT_EQ(routeEvent(ofType(SDL_QUIT), true), EventRoute::Quit);
    EXPECT_EQ(routeEvent(keyDown(SDLK_q), false), EventRoute::Quit);
    EXPECT_EQ(routeEvent(keyDown(SDLK_q, KMOD_LCTRL | KMOD_LSHIFT), false), EventRoute::Quit);
    // Typing a name with a q in it must not end the program.
    EXPECT_EQ(routeEvent(keyDown(SDLK_q), true), EventRoute::Ignore);
    EXPECT_EQ(routeEvent(keyDown(SDLK_w), false), EventRoute::Ignore);
    EXPECT_EQ(routeEvent(keyDown(SDLK_ESCAPE), false), EventRoute::Ignore);
    EXPECT_EQ(routeEvent(ofType(SDL_KEYUP), false), EventRoute::Ignore);
    EXPECT_EQ(routeEvent(ofType(SDL_TEXTINPUT), false), EventRoute::Refresh);
}

TEST(EventRouteTest, MouseEventsGoToTheActiveTab)
{
    for (uint32_t type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_MOUSEWHEEL})
        EXPECT_EQ(routeEvent(ofType(type), false), EventRoute::Mouse) << type;
    EXPECT_EQ(routeEvent(ofType(SDL_FINGERDOWN), false), EventRoute::Ignore);
}

TEST(EventRouteTest, GuiEventsByCode)
{
    EXPECT_EQ(routeEvent(guiEvent(0), false), EventRoute::Refresh);
    for (int code : {1, 2, 10, -1})
        EXPECT_EQ(routeEvent(guiEvent(code), false), EventRoute::Ignore) << code;
    for (int code : {3, 6, 7, 8, 9})
        EXPECT_EQ(routeEvent(guiEvent(code), false), EventRoute::Process) << code;
    for (int code : {4, 5})
        EXPECT_EQ(routeEvent(guiEvent(code), false), EventRoute::RefreshResult) << code;
    EXPECT_EQ(routeEvent(ofType(SDL_USEREVENT), false), EventRoute::Ignore);
}

TEST(EventRouteTest, HoveringTheBlockListIsNoSelection)
{
    EXPECT_EQ(routeEvent(guiEvent(9, BW_LIST), false), EventRoute::Ignore);
    EXPECT_EQ(routeEvent(guiEvent(3, BW_LIST), false), EventRoute::Process);
    EXPECT_EQ(routeEvent(guiEvent(9, MB_LOCK), false), EventRoute::Process);
}

TEST(EventRouteTest, AQuitRequestStandsAgainstLaterResults)
{
    LoopResult result;
    result.assign(-1);
    EXPECT_FALSE(result.quitRequested());
    result.assign(LoopResult::kQuitRequest);
    result.assign(0);
    result.assign(-1);
    EXPECT_TRUE(result.quitRequested());
    EXPECT_EQ(result.get(), 256);
}

} // namespace
