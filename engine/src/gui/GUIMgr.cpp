#include <Zelkoran/Archive.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>

#include "gfx/Painter.h"
#include "gui/Theme.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace Zelkoran {

struct GUIMgr::Impl {
    std::vector<std::unique_ptr<Panel>> panels; // bottom to top
    int nextId = 1;
    Widget* hover = nullptr;
    uint64_t hoverSince = 0;
    Widget* pressed = nullptr;
    Widget* focus = nullptr;
    WidgetComboBox* popup = nullptr;
    Panel* dragPanel = nullptr;
    int dragMouseX = 0, dragMouseY = 0;
    Position dragStartX, dragStartY;
    struct Modal {
        int panelId;
        int ended;
        Widget* focusBefore; // given back when the run ends, unless it went meanwhile
    };
    std::vector<Modal> modal;
    int depth = 0;
    std::vector<std::unique_ptr<Panel>> deadPanels;
    std::vector<Widget*> deadWidgets;

    int indexOf(int panelId) const
    {
        for (size_t i = 0; i < panels.size(); ++i)
            if (panels[i]->getID() == panelId)
                return static_cast<int>(i);
        return -1;
    }
    // Lowest z-index that takes input (the top modal run's panel).
    int inputFloor() const
    {
        if (modal.empty())
            return 0;
        return std::max(0, indexOf(modal.back().panelId));
    }
    bool attached(const Widget* w) const
    {
        if (!w)
            return false;
        Panel* p = w->getPanel();
        if (indexOf(p->getID()) < 0)
            return false;
        if (w == p->baseWidget())
            return true;
        const auto& c = p->children();
        return std::find(c.begin(), c.end(), w) != c.end();
    }
};

namespace {

Widget::Mouse mouseOf(int x, int y, int button, int clicks)
{
    Widget::Mouse m;
    m.x = x;
    m.y = y;
    m.button = button;
    m.clicks = clicks;
    m.mod = static_cast<uint16_t>(SDL_GetModState());
    return m;
}

} // namespace

// Input routing: one SDL event at a time.
struct GUIInput {
    GUIMgr& g;
    GUIMgr::Impl& d;

    // The panel and widget under (x, y) among panels that take input; the
    // base widget when no child takes the point.
    std::pair<Panel*, Widget*> hit(int x, int y) const
    {
        const int floor = d.inputFloor();
        for (int i = static_cast<int>(d.panels.size()) - 1; i >= floor; --i) {
            Panel* p = d.panels[i].get();
            Widget* base = p->baseWidget();
            if (!base->isShown())
                continue;
            // Children first: they may lie beside their panel's own area.
            const auto& c = p->children();
            for (auto it = c.rbegin(); it != c.rend(); ++it) {
                Widget* w = *it;
                if (w->isShown() && w->isEnabled() && w->takesClicks() && contains(w->getRect(), x, y))
                    return {p, w};
            }
            if (contains(base->getRect(), x, y))
                return {p, base};
        }
        return {nullptr, nullptr};
    }

    void setHover(Widget* w, const Widget::Mouse& m)
    {
        // Hover events come once per entry (a list reports the row entered).
        const int value = w ? w->hoverValue(m) : 0;
        if (w == d.hover) {
            if (w && w->getType() == WT_LIST)
                g.invalidate();
            return;
        }
        if (d.hover)
            d.hover->m_hovered = false;
        d.hover = w;
        d.hoverSince = SDL_GetTicks64();
        if (w) {
            w->m_hovered = true;
            if (w->getFeatures() & WF_HOVER)
                w->raise(GE_HOVER, value);
        }
        g.invalidate();
    }

    void motion(int x, int y)
    {
        const Widget::Mouse m = mouseOf(x, y, 0, 0);
        if (d.dragPanel) {
            Widget* base = d.dragPanel->baseWidget();
            base->setPosition(Position(d.dragStartX.offset + static_cast<float>(x - d.dragMouseX), d.dragStartX.helper),
                              Position(d.dragStartY.offset + static_cast<float>(y - d.dragMouseY), d.dragStartY.helper));
            return;
        }
        if (d.popup)
            d.popup->dropMouse(x, y, false);
        if (Widget* p = d.pressed) {
            p->m_hovered = contains(p->getRect(), x, y);
            p->mouseDrag(m);
            g.invalidate();
            return;
        }
        auto [panel, w] = hit(x, y);
        if (d.popup && contains(d.popup->dropRect(), x, y))
            w = nullptr;
        setHover(panel && w != panel->baseWidget() ? w : nullptr, m);
    }

    void buttonDown(int x, int y, int button, int clicks)
    {
        const Widget::Mouse m = mouseOf(x, y, button, clicks);
        if (d.popup) {
            // A click on a row chooses it; any other click closes the list.
            if (!d.popup->dropMouse(x, y, true) && d.popup)
                d.popup->close();
            return;
        }
        auto [panel, w] = hit(x, y);
        if (!panel) {
            g.setFocus(nullptr);
            return;
        }
        if (w == panel->baseWidget()) {
            g.setFocus(nullptr);
            if (button == SDL_BUTTON_LEFT && (w->getFeatures() & WF_DRAG) && d.attached(w)) {
                d.dragPanel = panel;
                d.dragMouseX = x;
                d.dragMouseY = y;
                d.dragStartX = w->getPositionX();
                d.dragStartY = w->getPositionY();
            }
            return;
        }
        g.setFocus(w->takesFocus() ? w : nullptr);
        if (!d.attached(w) || !w->isEnabled() || !w->isVisible())
            return;
        setHover(w, m);
        d.pressed = w;
        w->m_pressed = true;
        w->mouseDown(m);
        g.invalidate();
    }

    void buttonUp(int x, int y, int button, int clicks)
    {
        if (d.dragPanel) {
            d.dragPanel = nullptr;
            return;
        }
        Widget* w = d.pressed;
        if (!w)
            return;
        d.pressed = nullptr;
        w->m_pressed = false;
        const bool inside = contains(w->getRect(), x, y);
        w->m_hovered = inside;
        w->mouseUp(mouseOf(x, y, button, clicks), inside);
        g.invalidate();
    }

    void wheel(int dy)
    {
        const int x = g.m_mouseX, y = g.m_mouseY;
        const Widget::Mouse m = mouseOf(x, y, 0, 0);
        if (d.popup) {
            d.popup->wheel(dy, m);
            return;
        }
        auto [panel, w] = hit(x, y);
        if (panel && w != panel->baseWidget() && dy != 0)
            w->wheel(dy, m);
        g.invalidate();
    }

    void moveFocus(bool backwards)
    {
        Panel* panel = d.focus ? d.focus->getPanel() : nullptr;
        if (!panel) {
            for (int i = static_cast<int>(d.panels.size()) - 1; i >= d.inputFloor() && !panel; --i)
                if (d.panels[i]->baseWidget()->isShown())
                    panel = d.panels[i].get();
        }
        if (!panel || d.indexOf(panel->getID()) < d.inputFloor())
            return;
        std::vector<Widget*> ring;
        for (Widget* w : panel->children())
            if (w->isShown() && w->isEnabled() && w->takesFocus())
                ring.push_back(w);
        if (ring.empty())
            return;
        auto it = std::find(ring.begin(), ring.end(), d.focus);
        int i = it == ring.end() ? (backwards ? 0 : -1) : static_cast<int>(it - ring.begin());
        const int n = static_cast<int>(ring.size());
        i = ((backwards ? i - 1 : i + 1) % n + n) % n;
        Widget* next = ring[i];
        g.setFocus(next);
        if (next->getType() == WT_TEXTEDIT || next->getType() == WT_NUMBEREDIT)
            static_cast<WidgetTextEdit*>(next)->selectAll();
    }

    void keyDown(int key, uint16_t mod)
    {
        if (key == SDLK_KP_ENTER)
            key = SDLK_RETURN;
        if (d.popup && d.popup->keyDown(key, mod))
            return;
        Widget* f = d.focus;
        if (f && f->isVisible() && f->isEnabled() && f->keyDown(key, mod)) {
            g.invalidate();
            return;
        }
        if (key == SDLK_TAB && !(mod & (KMOD_CTRL | KMOD_ALT))) {
            moveFocus(mod & KMOD_SHIFT);
            return;
        }
        if (mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI))
            return;
        // Letter keys do not press buttons while text is typed.
        const bool printable = key >= SDLK_SPACE && key < SDLK_DELETE;
        if (printable && g.hasTextFocus())
            return;
        const int floor = d.inputFloor();
        for (int i = static_cast<int>(d.panels.size()) - 1; i >= floor; --i) {
            Panel* p = d.panels[i].get();
            if (!p->baseWidget()->isShown())
                continue;
            for (Widget* w : p->children())
                if (w->hotKey() == key && w->isShown() && w->isEnabled()) {
                    w->activate();
                    return;
                }
        }
        if (key == SDLK_RETURN || key == SDLK_ESCAPE)
            pressDialogButton(key == SDLK_RETURN);
    }

    // The confirm (or cancel) button of the topmost shown dialog that has one.
    void pressDialogButton(bool confirm)
    {
        for (int i = static_cast<int>(d.panels.size()) - 1; i >= d.inputFloor(); --i) {
            Panel* p = d.panels[i].get();
            const int id = confirm ? p->getConfirmButton() : p->getCancelButton();
            if (!p->baseWidget()->isShown() || id <= 0)
                continue;
            WidgetButton* button = p->getButton(id);
            if (button && button->isShown() && button->isEnabled())
                button->press();
            return;
        }
    }

    void text(const char* t)
    {
        Widget* f = d.focus;
        if (f && f->isVisible() && f->isTextEntry())
            f->textInput(t);
    }
};

GUIMgr::GUIMgr() : m_impl(std::make_unique<Impl>()) {}

GUIMgr::~GUIMgr()
{
    m_impl->popup = nullptr;
    m_impl->focus = m_impl->hover = m_impl->pressed = nullptr;
    m_impl->panels.clear();
    m_impl->deadPanels.clear();
    for (Widget* w : m_impl->deadWidgets)
        delete w;
    m_impl->deadWidgets.clear();
}

int GUIMgr::createPanel(const char* name)
{
    const int id = m_impl->nextId++;
    m_impl->panels.push_back(std::unique_ptr<Panel>(new Panel(id, name)));
    return id;
}

Panel* GUIMgr::getPanel(int id)
{
    const int i = m_impl->indexOf(id);
    return i < 0 ? nullptr : m_impl->panels[i].get();
}

int GUIMgr::close(int id)
{
    const int i = m_impl->indexOf(id);
    if (i < 0)
        return RC_ERR_NOT_FOUND;
    std::unique_ptr<Panel> p = std::move(m_impl->panels[i]);
    m_impl->panels.erase(m_impl->panels.begin() + i);
    for (Widget* w : p->children())
        forget(w);
    forget(p->baseWidget());
    for (Impl::Modal& m : m_impl->modal)
        if (m.panelId == id && m.ended == 0)
            m.ended = 2;
    if (m_impl->depth > 0)
        m_impl->deadPanels.push_back(std::move(p));
    invalidate();
    return RC_OK;
}

int GUIMgr::setName(int id, const char* name)
{
    Panel* p = getPanel(id);
    if (!p || !name)
        return RC_ERR_NOT_FOUND;
    // The name is a block name; with it every widget's full name
    // ("panel.widget") must stay within kMaxWidgetPath.
    const size_t length = std::strlen(name);
    if (length == 0 || length > kMaxBlockName)
        return RC_ERR_INVALID;
    for (const Widget* w : p->children())
        if (length + 1 + std::strlen(w->getName()) > kMaxWidgetPath)
            return RC_ERR_INVALID;
    for (const auto& other : m_impl->panels)
        if (other.get() != p && other->m_name == name)
            return RC_ERR_EXISTS;
    p->m_name = name;
    return RC_OK;
}

int GUIMgr::setPanelFocus(int id)
{
    const int i = m_impl->indexOf(id);
    if (i < 0)
        return RC_ERR_NOT_FOUND;
    std::rotate(m_impl->panels.begin() + i, m_impl->panels.begin() + i + 1, m_impl->panels.end());
    invalidate();
    return RC_OK;
}

Vector<int> GUIMgr::getPanelIDs() const
{
    Vector<int> ids;
    for (const auto& p : m_impl->panels)
        ids.push_back(p->getID());
    return ids;
}

Widget* GUIMgr::getFocus() const { return m_impl->focus; }

void GUIMgr::setFocus(Widget* w)
{
    Impl& d = *m_impl;
    if (w == d.focus)
        return;
    Widget* old = d.focus;
    d.focus = w;
    beginDispatch();
    if (old) {
        old->m_focused = false;
        old->focusChanged(false);
    }
    if (w && d.focus == w) {
        w->m_focused = true;
        w->focusChanged(true);
    }
    endDispatch();
    invalidate();
}

bool GUIMgr::hasTextFocus() const
{
    const Widget* f = m_impl->focus;
    return f && f->isTextEntry() && f->isVisible();
}

void GUIMgr::handleEvent(const SDL_Event& e)
{
    GUIInput in{*this, *m_impl};
    beginDispatch();
    switch (e.type) {
    case SDL_MOUSEMOTION:
        m_mouseX = e.motion.x;
        m_mouseY = e.motion.y;
        in.motion(e.motion.x, e.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
        m_mouseX = e.button.x;
        m_mouseY = e.button.y;
        in.buttonDown(e.button.x, e.button.y, e.button.button, e.button.clicks);
        break;
    case SDL_MOUSEBUTTONUP:
        m_mouseX = e.button.x;
        m_mouseY = e.button.y;
        in.buttonUp(e.button.x, e.button.y, e.button.button, e.button.clicks);
        break;
    case SDL_MOUSEWHEEL: in.wheel(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y); break;
    case SDL_KEYDOWN: in.keyDown(e.key.keysym.sym, e.key.keysym.mod); break;
    case SDL_TEXTINPUT: in.text(e.text.text); break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_LEAVE)
            in.setHover(nullptr, Widget::Mouse{});
        invalidate();
        break;
    default: break;
    }
    endDispatch();
}

void GUIMgr::render()
{
    Screen* screen = Main::instance()->configMgr()->get(0);
    if (!screen || !screen->getRenderer())
        return;
    Painter painter(screen->getRenderer());
    for (const auto& p : m_impl->panels)
        p->draw(painter);
    if (m_impl->popup)
        m_impl->popup->paintDrop(painter);
    // Tooltip of the widget under the mouse, after a rest.
    const Widget* w = m_impl->hover;
    if (w && !m_impl->pressed && w->getTooltip()[0] &&
        SDL_GetTicks64() - m_impl->hoverSince >= static_cast<uint64_t>(theme::kTooltipDelayMs)) {
        FontMgr* fonts = Main::instance()->fontMgr();
        const Font* f = fonts->get(w->getTooltipFont() > 0 ? w->getTooltipFont() : fonts->getBuiltin(theme::kTooltipFont));
        if (f) {
            const char* tip = w->getTooltip();
            const int tw = f->getWidth(tip) + 10;
            const int th = f->getHeight() + 6;
            int x = m_mouseX + 12, y = m_mouseY + 20;
            x = std::clamp(x, 0, std::max(0, screen->getWidth() - tw));
            if (y + th > screen->getHeight())
                y = m_mouseY - th - 4;
            Color bg = theme::kTooltipBackground, border = theme::kTooltipBorder;
            w->getTooltipBackgroundColor(bg.r, bg.g, bg.b, bg.a);
            w->getTooltipBorderColor(border.r, border.g, border.b, border.a);
            const SDL_Rect box{x, y, tw, th};
            painter.fill(box, bg);
            painter.frame(box, border, 1);
            uint8_t r = 0, g = 0, b = 0;
            f->getColor(r, g, b);
            painter.text(f, tip, -1, x + 5, y + 3, Color{r, g, b, 255});
        }
    }
}

bool GUIMgr::takeDirty()
{
    const bool was = m_dirty;
    m_dirty = false;
    return was;
}

int GUIMgr::setGlobalTheme(int themeId)
{
    if (!GUITheme::builtin(themeId))
        return RC_ERR_NOT_FOUND;
    m_globalTheme = themeId;
    invalidate();
    return RC_OK;
}

void GUIMgr::pushEvent(int code, int widgetId, int value, int panelId)
{
    SDL_Event e{};
    e.type = kGUIEventType;
    e.user.windowID = static_cast<uint32_t>(panelId);
    e.user.code = code;
    e.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(widgetId));
    e.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(value));
    SDL_PushEvent(&e);
}

void GUIMgr::pushModal(int panelId)
{
    // The run takes the keyboard: a widget below it that kept the focus
    // would take Return and Escape from the run's own buttons.
    Widget* focusBefore = m_impl->focus;
    if (focusBefore && focusBefore->getPanel()->getID() != panelId)
        setFocus(nullptr);
    m_impl->modal.push_back(Impl::Modal{panelId, 0, focusBefore});
    setPanelFocus(panelId);
    if (m_impl->popup)
        m_impl->popup->close();
    // Input that began outside the run ends here.
    if (m_impl->pressed) {
        m_impl->pressed->m_pressed = false;
        m_impl->pressed = nullptr;
    }
    m_impl->dragPanel = nullptr;
}

void GUIMgr::popModal()
{
    if (!m_impl->modal.empty()) {
        Widget* focusBefore = m_impl->modal.back().focusBefore;
        m_impl->modal.pop_back();
        if (focusBefore && m_impl->attached(focusBefore))
            setFocus(focusBefore);
    }
    invalidate();
}

int GUIMgr::modalEnded() const { return m_impl->modal.empty() ? 0 : m_impl->modal.back().ended; }

void GUIMgr::endModal(int widgetId)
{
    if (!m_impl->modal.empty() && m_impl->modal.back().ended == 0)
        m_impl->modal.back().ended = widgetId;
}

bool GUIMgr::isModalTop(const Panel* panel) const
{
    return panel && !m_impl->modal.empty() && m_impl->modal.back().panelId == panel->getID();
}

void GUIMgr::buttonPressed(WidgetButton& button)
{
    if (isModalTop(button.getPanel()) && !button.hasOnPressed())
        endModal(button.getID());
}

void GUIMgr::forget(const Widget* w)
{
    Impl& d = *m_impl;
    if (d.hover == w)
        d.hover = nullptr;
    if (d.pressed == w)
        d.pressed = nullptr;
    if (d.focus == w)
        d.focus = nullptr;
    for (Impl::Modal& m : d.modal)
        if (m.focusBefore == w)
            m.focusBefore = nullptr;
    if (d.popup == w)
        d.popup = nullptr;
    if (d.dragPanel && d.dragPanel->baseWidget() == w)
        d.dragPanel = nullptr;
}

void GUIMgr::released(const Widget* w)
{
    Impl& d = *m_impl;
    const bool base = w->getType() == WT_PANEL;
    auto inside = [&](const Widget* x) { return x && (x == w || (base && x->getPanel() == w->getPanel())); };
    if (inside(d.hover)) {
        d.hover->m_hovered = false;
        d.hover = nullptr;
    }
    if (inside(d.pressed)) {
        d.pressed->m_pressed = false;
        d.pressed = nullptr;
    }
    if (inside(d.popup))
        d.popup->close();
    if (inside(d.focus))
        setFocus(nullptr);
    for (Impl::Modal& m : d.modal)
        if (inside(m.focusBefore))
            m.focusBefore = nullptr;
    if (base && d.dragPanel == w->getPanel())
        d.dragPanel = nullptr;
}

void GUIMgr::beginDispatch() { ++m_impl->depth; }

void GUIMgr::endDispatch()
{
    if (--m_impl->depth > 0)
        return;
    m_impl->depth = 0;
    m_impl->deadPanels.clear();
    for (Widget* w : m_impl->deadWidgets)
        delete w;
    m_impl->deadWidgets.clear();
}

void GUIMgr::discardWidget(Widget* w)
{
    forget(w);
    if (m_impl->depth > 0)
        m_impl->deadWidgets.push_back(w);
    else
        delete w;
    invalidate();
}

void GUIMgr::openPopup(WidgetComboBox* combo)
{
    if (m_impl->popup && m_impl->popup != combo)
        m_impl->popup->close();
    m_impl->popup = combo;
    invalidate();
}

void GUIMgr::closePopup(WidgetComboBox* combo)
{
    if (m_impl->popup == combo)
        m_impl->popup = nullptr;
    invalidate();
}

} // namespace Zelkoran
