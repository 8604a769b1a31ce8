#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Tool.h>

#include "gui/ModalRun.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace Zelkoran {

namespace {

constexpr int kPad = 16;
constexpr int kTitleH = 26;
constexpr int kIcon = 32;
constexpr int kButtonW = 84;
constexpr int kButtonH = 24;
constexpr int kMaxTextW = 460;

// Widget ids inside a plain box (buttons use their result values 1, 4, 8).
enum { kTitleId = 100, kIconId, kSymbolId, kTextId };

// Lines of text, broken at LF and wrapped at blanks to maxWidth pixels.
Vector<String> wrap(const Font& font, const char* text, int maxWidth)
{
    Vector<String> out;
    const String all(text ? text : "");
    size_t start = 0;
    for (;;) {
        const size_t nl = all.find('\n', start);
        const String para = all.substr(start, nl == String::npos ? String::npos : nl - start);
        String line;
        size_t i = 0;
        while (i <= para.size()) {
            size_t j = para.find(' ', i);
            if (j == String::npos)
                j = para.size();
            const String word = para.substr(i, j - i);
            const String joined = line.empty() ? word : line + " " + word;
            if (!line.empty() && font.getWidth(joined.c_str()) > maxWidth) {
                out.push_back(line);
                line = word;
            } else {
                line = joined;
            }
            i = j + 1;
        }
        out.push_back(line);
        if (nl == String::npos)
            break;
        start = nl + 1;
    }
    return out;
}

// A round badge of the box type's colour, anti-aliased.
int makeBadge(int type)
{
    SDL_Color c{0, 120, 215, 255};
    if (type == MBT_ERROR)
        c = SDL_Color{200, 40, 40, 255};
    else if (type == MBT_WARNING)
        c = SDL_Color{226, 150, 0, 255};
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kIcon, kIcon, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s)
        return 0;
    const float radius = kIcon / 2.0f - 0.5f;
    for (int y = 0; y < kIcon; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < kIcon; ++x) {
            const float dx = x + 0.5f - kIcon / 2.0f, dy = y + 0.5f - kIcon / 2.0f;
            const float cover = std::clamp(radius - std::sqrt(dx * dx + dy * dy) + 0.5f, 0.0f, 1.0f);
            row[x] = SDL_MapRGBA(s->format, c.r, c.g, c.b, static_cast<Uint8>(cover * 255));
        }
    }
    const int id = Main::instance()->imageMgr()->loadFromSurface(s, "@zk7/image/MessageBadge");
    SDL_FreeSurface(s);
    return id;
}

const char* symbolOf(int type)
{
    switch (type) {
    case MBT_ERROR: return "X";
    case MBT_WARNING: return "!";
    case MBT_QUESTION: return "?";
    default: return "i";
    }
}

// Builds the plain box panel; its id.
int buildBox(const char* title, const char* text, int buttons, int type)
{
    Main* main = Main::instance();
    FontMgr* fonts = main->fontMgr();
    GUIMgr* gui = main->guiMgr();
    static int counter = 0;
    const String name = "@zk7/panel/MessageBox" + String(std::to_string(counter++).c_str());
    const int id = gui->create(name.c_str(), 0);
    Panel* p = gui->getPanel(id);
    const Font* font = fonts->get(fonts->getBuiltin("Arial12Black"));
    const int white = fonts->getBuiltin("Arial12White");
    const bool badge = type >= MBT_ERROR && type <= MBT_QUESTION;
    const Vector<String> lines = font ? wrap(*font, text, kMaxTextW) : Vector<String>{};
    String body;
    int textW = 0;
    for (const String& l : lines) {
        if (!body.empty())
            body += "\n";
        body += l;
        textW = std::max(textW, font->getWidth(l.c_str()));
    }
    const int lineH = font ? font->getHeight() : 16;
    const int textH = static_cast<int>(lines.size()) * lineH;
    const int contentH = std::max(textH, badge ? kIcon : 0);
    const int buttonCount = buttons == MBB_YESNO ? 2 : buttons == MBB_OK ? 1 : 0;
    const int titleW = font ? font->getWidth(title ? title : "") : 0;
    int w = kPad + (badge ? kIcon + 12 : 0) + textW + kPad;
    w = std::max({w, 300, titleW + 2 * kPad, buttonCount * (kButtonW + 10) + 2 * kPad});
    const int h = kTitleH + kPad + contentH + kPad + (buttonCount ? kButtonH + kPad : 0);

    Widget* base = p->baseWidget();
    base->setSize(w, h);
    base->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
    base->setBackgroundColor(240, 240, 240, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setBorderCorner(4, WS_ALL);
    base->setFeatures(WF_DRAG, true);

    WidgetLabel* head = p->createLabel("MessageBoxTitle", kTitleId);
    head->setFont(white, WS_ALL);
    head->setFeatures(WF_NO_BG, false);
    head->setBackgroundColor(104, 118, 138, WS_ALL);
    head->setSize(w, kTitleH);
    head->setText(title ? title : "", Position(kPad, PH_LEFT), Position(0, PH_CENTER));

    const int top = kTitleH + kPad;
    if (badge) {
        WidgetImage* icon = p->createImage("MessageBoxIcon", kIconId);
        if (const int img = makeBadge(type); img > 0)
            icon->setBackgroundImage(img, WS_ALL);
        icon->setSize(kIcon, kIcon);
        icon->setPosition(Position(kPad), Position(static_cast<float>(top + (contentH - kIcon) / 2)));
        WidgetLabel* sym = p->createLabel("MessageBoxSymbol", kSymbolId);
        sym->setFont(white, WS_ALL);
        sym->setSize(kIcon, kIcon);
        sym->setText(symbolOf(type));
        sym->setPosition(icon->getPositionX(), icon->getPositionY());
    }
    WidgetLabel* label = p->createLabel("MessageBoxText", kTextId);
    label->setSize(textW + 2, textH);
    label->setText(body.c_str(), Position(0, PH_LEFT), Position(0, PH_TOP));
    label->setPosition(Position(static_cast<float>(kPad + (badge ? kIcon + 12 : 0))),
                       Position(static_cast<float>(top + (contentH - textH) / 2)));

    auto addButton = [&](int bid, const char* caption, int key, float x) {
        WidgetButton* b = p->createButton(caption, bid);
        b->setSize(kButtonW, kButtonH);
        b->setText(caption);
        b->setKey(key);
        b->setPosition(Position(x, PH_CENTER), Position(-kPad, PH_BOTTOM));
    };
    if (buttons == MBB_YESNO) {
        addButton(MBB_YES, "Yes", SDLK_RETURN, -(kButtonW / 2.0f + 5));
        addButton(MBB_NO, "No", SDLK_ESCAPE, kButtonW / 2.0f + 5);
    } else if (buttons == MBB_OK) {
        addButton(MBB_OK, "OK", SDLK_RETURN, 0);
    }
    return id;
}

} // namespace

int Tool::messageBox(const char* title, const char* text, int buttons, int type, int timeoutMs, int panelId, int)
{
    const bool panelRun = panelId > 0;
    TestSupport::recordModal(title, text, buttons, type, panelRun ? panelId : -1, timeoutMs);
    TestSupport::Answer answer;
    const bool scripted = TestSupport::takeAnswer(answer);
    if (scripted && !answer.script)
        return answer.result;
    modal::Options options;
    options.timeoutMs = timeoutMs > 0 ? timeoutMs : 0;
    options.script = answer.script;
    GUIMgr* gui = Main::instance()->guiMgr();
    if (panelRun) {
        Panel* p = gui->getPanel(panelId);
        if (!p)
            return modal::kQuit;
        if (title && *title)
            p->setTitle(title);
        return modal::run(panelId, options);
    }
    // Without buttons only the time-out (or Escape) closes the box.
    options.escapeResult = buttons == MBB_YESNO ? MBB_NO : buttons == MBB_OK ? MBB_OK : MBB_CANCEL;
    const int id = buildBox(title, text, buttons, type);
    const int result = modal::run(id, options);
    gui->close(id);
    return result;
}

} // namespace Zelkoran
