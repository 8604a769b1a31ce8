#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <deque>

namespace Zelkoran::TestSupport {

namespace {

std::deque<Answer> g_answers;
Vector<ModalRecord> g_log;
bool g_keepLog = false;
int g_watchdog = 0;

void push(SDL_Event& e)
{
    e.common.timestamp = SDL_GetTicks();
    SDL_PushEvent(&e);
}

const char* kindName(eWidgetType t)
{
    switch (t) {
    case WT_LABEL: return "Label";
    case WT_IMAGE: return "Image";
    case WT_FRAME: return "Frame";
    case WT_BUTTON: return "Button";
    case WT_CHECKBOX: return "CheckBox";
    case WT_PROGRESS: return "Progress";
    case WT_SLIDER: return "Slider";
    case WT_PANEL: return "Panel";
    case WT_TEXTEDIT: return "TextEdit";
    case WT_NUMBEREDIT: return "NumberEdit";
    case WT_LIST: return "List";
    case WT_COMBOBOX: return "ComboBox";
    }
    return "?";
}

// Type-specific values of one widget for the dump.
String values(Widget* w)
{
    char buf[160];
    switch (w->getType()) {
    case WT_LABEL:
    case WT_BUTTON: return String(" text=\"") + static_cast<WidgetText*>(w)->getText() + "\"";
    case WT_CHECKBOX: {
        auto* c = static_cast<WidgetCheckBox*>(w);
        std::snprintf(buf, sizeof buf, " checked=%d group=%d", c->isChecked() ? 1 : 0, c->getGroup());
        return String(" text=\"") + c->getText() + "\"" + buf;
    }
    case WT_LIST: {
        auto* l = static_cast<WidgetList*>(w);
        std::snprintf(buf, sizeof buf, " items=%d selected=%d scroll=%d", l->getItemCount(), l->getSelectedIndex(),
                      l->getScroll());
        return buf;
    }
    case WT_COMBOBOX: {
        auto* c = static_cast<WidgetComboBox*>(w);
        std::snprintf(buf, sizeof buf, " items=%d selected=%d", c->getItemCount(), c->getSelectedIndex());
        return buf;
    }
    case WT_SLIDER: {
        auto* s = static_cast<WidgetSlider*>(w);
        std::snprintf(buf, sizeof buf, " value=%d range=%d..%d axis=%d", s->getValue(), s->getMin(), s->getMax(),
                      s->getAxis());
        return buf;
    }
    case WT_PROGRESS: {
        auto* p = static_cast<WidgetProgress*>(w);
        int lo = 0, hi = 0;
        p->getRange(lo, hi);
        std::snprintf(buf, sizeof buf, " value=%d range=%d..%d", p->getValue(), lo, hi);
        return buf;
    }
    case WT_TEXTEDIT:
    case WT_NUMBEREDIT: {
        auto* t = static_cast<WidgetTextEdit*>(w);
        String text = t->getText();
        if (text.size() > 60)
            text = text.substr(0, 60) + "...";
        std::snprintf(buf, sizeof buf, " lines=%d multiline=%d readonly=%d", t->getLineCount(),
                      t->getMultiline() ? 1 : 0, t->getReadOnly() ? 1 : 0);
        return String(" text=\"") + text + "\"" + buf;
    }
    case WT_FRAME: return static_cast<WidgetFrame*>(w)->isFilled() ? " filled=1" : " filled=0";
    default: return "";
    }
}

} // namespace

void pushAnswer(int result)
{
    Answer a;
    a.result = result;
    g_answers.push_back(std::move(a));
}

void pushFileAnswer(bool chosen, const char* path)
{
    Answer a;
    a.result = chosen ? 1 : 0;
    a.path = path ? path : "";
    g_answers.push_back(std::move(a));
}

void pushScript(std::function<void(int)> script)
{
    Answer a;
    a.script = std::move(script);
    g_answers.push_back(std::move(a));
}

void clearAnswers() { g_answers.clear(); }
size_t pendingAnswers() { return g_answers.size(); }

bool takeAnswer(Answer& out)
{
    if (g_answers.empty())
        return false;
    out = std::move(g_answers.front());
    g_answers.pop_front();
    return true;
}

const Vector<ModalRecord>& modalLog() { return g_log; }
void clearModalLog() { g_log.clear(); }

void keepModalLog(bool on)
{
    g_keepLog = on;
    if (!on)
        Vector<ModalRecord>().swap(g_log);
}

void recordModal(const char* title, const char* text, int buttons, int type, int panelId, int timeoutMs)
{
    if (!g_keepLog)
        return;
    g_log.push_back(
        ModalRecord{String(title ? title : ""), String(text ? text : ""), buttons, type, panelId, timeoutMs});
}

void setModalWatchdog(int ms) { g_watchdog = ms; }
int modalWatchdog() { return g_watchdog; }

void mouseMove(int x, int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    push(e);
}

static void button(uint32_t type, int x, int y, int b, int clicks)
{
    SDL_Event e{};
    e.type = type;
    e.button.button = static_cast<Uint8>(b);
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = static_cast<Uint8>(clicks);
    e.button.x = x;
    e.button.y = y;
    push(e);
}

void mouseDown(int x, int y, int b, int clicks) { button(SDL_MOUSEBUTTONDOWN, x, y, b, clicks); }
void mouseUp(int x, int y, int b, int clicks) { button(SDL_MOUSEBUTTONUP, x, y, b, clicks); }

void mouseWheel(int x, int y, int dy)
{
    mouseMove(x, y);
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = dy;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    push(e);
}

void click(int x, int y, int b, int clicks)
{
    mouseMove(x, y);
    mouseDown(x, y, b, clicks);
    mouseUp(x, y, b, clicks);
}

bool widgetCenter(int panelId, int widgetId, int& x, int& y)
{
    Panel* p = Main::instance()->guiMgr()->getPanel(panelId);
    if (!p)
        return false;
    Widget* w = widgetId == 0 ? p->baseWidget() : p->getWidgetByID(widgetId);
    if (!w)
        return false;
    const SDL_Rect r = w->getRect();
    x = r.x + r.w / 2;
    y = r.y + r.h / 2;
    return true;
}

bool clickWidget(int panelId, int widgetId, int clicks)
{
    int x = 0, y = 0;
    if (!widgetCenter(panelId, widgetId, x, y))
        return false;
    click(x, y, SDL_BUTTON_LEFT, clicks);
    return true;
}

void keyDown(int keycode, int mod)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = keycode;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(keycode);
    e.key.keysym.mod = static_cast<Uint16>(mod);
    push(e);
}

void key(int keycode, int mod)
{
    keyDown(keycode, mod);
    SDL_Event e{};
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = keycode;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(keycode);
    e.key.keysym.mod = static_cast<Uint16>(mod);
    push(e);
}

void typeText(const char* utf8)
{
    // One text event per character, as typing delivers them.
    const String all(utf8 ? utf8 : "");
    for (size_t i = 0; i < all.size();) {
        size_t n = 1;
        const auto c = static_cast<unsigned char>(all[i]);
        if (c >= 0xF0)
            n = 4;
        else if (c >= 0xE0)
            n = 3;
        else if (c >= 0xC0)
            n = 2;
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        const String ch = all.substr(i, n);
        std::snprintf(e.text.text, sizeof e.text.text, "%s", ch.c_str());
        push(e);
        i += n;
    }
}

void quit()
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    push(e);
}

Vector<SDL_Event> pump()
{
    Vector<SDL_Event> out;
    SDL_Event e;
    while (Main::instance()->update(&e))
        out.push_back(e);
    return out;
}

String dumpWidgets()
{
    GUIMgr* gui = Main::instance()->guiMgr();
    String out;
    char buf[256];
    for (int id : gui->getPanelIDs()) {
        Panel* p = gui->getPanel(id);
        const Widget* base = p->baseWidget();
        const SDL_Rect r = base->getRect();
        std::snprintf(buf, sizeof buf, "panel %d \"%s\" rect=%d,%d,%dx%d status=%d\n", id, p->getName(), r.x, r.y, r.w,
                      r.h, base->status());
        out += buf;
        for (Widget* w : p->children()) {
            const SDL_Rect wr = w->getRect();
            std::snprintf(buf, sizeof buf, "  %s %d \"%s\" rect=%d,%d,%dx%d status=%d state=%d%s", kindName(w->getType()),
                          w->getID(), w->getName(), wr.x, wr.y, wr.w, wr.h, w->status(), w->getState(),
                          w->hasFocus() ? " focus" : "");
            out += buf;
            out += values(w);
            out += "\n";
        }
    }
    return out;
}

SDL_Surface* captureFrame()
{
    Screen* s = Main::instance()->configMgr()->get(0);
    if (!s || !s->getRenderer())
        return nullptr;
    s->renderFrame(false);
    SDL_Surface* out =
        SDL_CreateRGBSurfaceWithFormat(0, s->getWidth(), s->getHeight(), 32, SDL_PIXELFORMAT_ARGB8888);
    if (!out)
        return nullptr;
    if (SDL_RenderReadPixels(s->getRenderer(), nullptr, SDL_PIXELFORMAT_ARGB8888, out->pixels, out->pitch) != 0) {
        SDL_FreeSurface(out);
        return nullptr;
    }
    return out;
}

bool captureFramePNG(const char* path)
{
    SDL_Surface* s = captureFrame();
    if (!s)
        return false;
    const bool ok = IMG_SavePNG(s, path) == 0;
    SDL_FreeSurface(s);
    return ok;
}

} // namespace Zelkoran::TestSupport
