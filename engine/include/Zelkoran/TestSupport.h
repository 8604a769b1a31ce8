// Test support: scripted answers for modal dialogs, SDL event injection, a
// dump of the widget tree and frame capture. Only tests call these; nothing
// here changes the engine's behaviour until it is used. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <SDL_events.h>

#include <functional>

struct SDL_Surface;

namespace Zelkoran::TestSupport {

// One answer for the next modal request. A message box or panel run returns
// result; a file dialog returns result != 0 and, then, path. With script set
// the dialog runs for real: script is called with the dialog's panel id once
// the panel is shown, to inject events.
struct Answer {
    int result = 0;
    String path;
    std::function<void(int panelId)> script;
};

void pushAnswer(int result);
void pushFileAnswer(bool chosen, const char* path);
void pushScript(std::function<void(int panelId)> script);
void clearAnswers();
size_t pendingAnswers();
// Engine side: the next answer, false when none is queued.
bool takeAnswer(Answer& out);

// Every modal request seen while the log is kept, answered or run: title,
// text, buttons, type, panel id (-1 for plain boxes and file dialogs).
struct ModalRecord {
    String title;
    String text;
    int buttons;
    int type;
    int panelId;
    int timeoutMs; // as asked: 0 = stays until answered
};
const Vector<ModalRecord>& modalLog();
void clearModalLog();
// Off until a test turns it on, so the editor keeps no dialog texts; turned
// off, the log is dropped.
void keepModalLog(bool on);
void recordModal(const char* title, const char* text, int buttons, int type, int panelId, int timeoutMs);

// A modal run that sees no input for ms milliseconds ends with 2 (0 = never,
// the default). Keeps a broken test from hanging.
void setModalWatchdog(int ms);
int modalWatchdog();

// --- injection: real SDL events pushed to the queue ---
void mouseMove(int x, int y);
void mouseDown(int x, int y, int button = 1, int clicks = 1);
void mouseUp(int x, int y, int button = 1, int clicks = 1);
// Positive dy scrolls up (away from the user), as SDL reports it.
void mouseWheel(int x, int y, int dy);
void click(int x, int y, int button = 1, int clicks = 1);
// Moves to, presses and releases on the centre of a widget of a panel
// (widgetId 0 = the panel's base widget). False when it does not exist.
bool clickWidget(int panelId, int widgetId, int clicks = 1);
// Centre of a widget on the screen; false when it does not exist.
bool widgetCenter(int panelId, int widgetId, int& x, int& y);
// Key down and up; mod is an SDL_Keymod mask.
void key(int keycode, int mod = 0);
void keyDown(int keycode, int mod = 0);
void typeText(const char* utf8);
void quit();
// Runs Main::update until it returns false; the events it delivered, in order.
Vector<SDL_Event> pump();

// --- inspection ---
// One line per panel and widget: ids, kinds, names, texts, rectangles,
// status, state and values.
String dumpWidgets();
// Draws a frame now (without presenting) and copies it: an ARGB8888
// surface the caller frees, or null before the window is shown.
SDL_Surface* captureFrame();
bool captureFramePNG(const char* path);

} // namespace Zelkoran::TestSupport
