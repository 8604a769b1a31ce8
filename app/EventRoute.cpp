#include "app/EventRoute.h"

#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Types.h>

#include <SDL_events.h>

EventRoute routeEvent(const SDL_Event& event, bool textFocus)
{
    switch (event.type) {
    case SDL_QUIT: return EventRoute::Quit;
    case SDL_KEYDOWN:
        // Modifier keys are not looked at.
        return event.key.keysym.sym == SDLK_q && !textFocus ? EventRoute::Quit : EventRoute::Ignore;
    case SDL_TEXTINPUT: return EventRoute::Refresh;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: return EventRoute::Mouse;
    default: break;
    }
    if (event.type != Zelkoran::kGUIEventType)
        return EventRoute::Ignore;
    switch (event.user.code) {
    case Zelkoran::GE_NOTICE: return EventRoute::Refresh;
    case Zelkoran::GE_ACTION:
    case Zelkoran::GE_VALUE_CHANGED:
    case Zelkoran::GE_VALUE_COMMITTED:
    case Zelkoran::GE_FOCUS_LOST: return EventRoute::Process;
    case Zelkoran::GE_HOVER:
        // The tabs treat every event of their block list as a selection,
        // which rewrites the name field: the mouse merely passing over the
        // list would throw away a name the user is typing.
        return eventInt(event.user.data1) == CtrlBase::BW_LIST ? EventRoute::Ignore : EventRoute::Process;
    case Zelkoran::GE_SCROLLED:
    case Zelkoran::GE_LAYOUT: return EventRoute::RefreshResult;
    default: return EventRoute::Ignore;
    }
}
