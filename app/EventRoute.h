// Where the main loop sends an event, and the loop result a pass builds.
#pragma once

#include <cstdint>

union SDL_Event;

// The int a GUI event carries in one of its data pointers.
inline int eventInt(const void* datum) { return static_cast<int>(reinterpret_cast<intptr_t>(datum)); }

enum class EventRoute {
    Ignore,
    Quit,          // the window was closed, or 'q' typed outside a text field
    Refresh,       // Menu::refreshWidgets, result ignored
    RefreshResult, // Menu::refreshWidgets, result taken
    Mouse,         // Menu::handleMouseEvent, result ignored
    Process,       // Menu::processEvent, result taken
};

// The route of one SDL event; textFocus tells whether a text field has the
// keyboard focus (then 'q' is typed text, not a quit).
EventRoute routeEvent(const SDL_Event& event, bool textFocus);

// The result of the handlers of one pass. A quit request (256, from the
// window, the key or any handler) stands against the results after it.
class LoopResult {
public:
    static constexpr int kQuitRequest = 256;

    void assign(int result)
    {
        if (value != kQuitRequest)
            value = result;
    }
    bool quitRequested() const { return value == kQuitRequest; }
    int get() const { return value; }

private:
    int value = 0;
};
