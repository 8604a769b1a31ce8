// The GUI manager: panels, input routing (mouse, keyboard focus, hot keys),
// tooltips, drawing of shown panels, and the modal stack of message boxes and
// panel runs. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Panel.h>

#include <memory>
#include <type_traits>

union SDL_Event;

namespace Zelkoran {

class GUIMgr {
public:
    GUIMgr();
    ~GUIMgr();

    // A new empty, hidden panel; the second argument is opaque (0x42000000
    // or 32.0f alike). The panel id (> 0).
    template <class Reserved>
        requires std::is_arithmetic_v<Reserved>
    int create(const char* name, Reserved)
    {
        return createPanel(name);
    }
    int createPanel(const char* name);
    Panel* getPanel(int id);
    // Destroys the panel with its widgets and their reactions. 0 or
    // RC_ERR_NOT_FOUND. Safe from inside a reaction of the panel.
    int close(int id);
    // 0, RC_ERR_NOT_FOUND, or RC_ERR_EXISTS when another panel has the name.
    int setName(int id, const char* name);
    // Raises the panel to the top. 0 or RC_ERR_NOT_FOUND.
    int setPanelFocus(int id);
    // Panel ids from the bottom to the top.
    Vector<int> getPanelIDs() const;

    // The widget with the keyboard focus, or null.
    Widget* getFocus() const;
    // Gives w the keyboard focus (null clears it); the old one commits.
    void setFocus(Widget* w);
    // True when an editable text or number edit has the keyboard focus.
    bool hasTextFocus() const;

    // --- engine side ---
    // Routes one SDL event to the widgets (reactions run inside).
    void handleEvent(const SDL_Event& event);
    // Draws the shown panels, open combo lists and the tooltip.
    void render();
    // Something changed that the next frame must show.
    void invalidate() { m_dirty = true; }
    bool takeDirty();
    bool isDirty() const { return m_dirty; }
    // Queues a GUI event (kGUIEventType).
    void pushEvent(int code, int widgetId, int value);
    // Modal runs: input goes only to the panel at the top of the stack
    // (and panels raised above it). ended() gives the id of the button
    // that ended the run, 0 while it runs.
    void pushModal(int panelId);
    void popModal();
    int modalEnded() const;
    void endModal(int widgetId);
    bool isModalTop(const Panel* panel) const;
    // Called by a button when it was pressed.
    void buttonPressed(WidgetButton& button);
    // A widget is going away: forget every reference to it.
    void forget(const Widget* w);
    // A widget was hidden or disabled: it (and, for a base widget, its
    // panel's widgets) loses hover, press and focus.
    void released(const Widget* w);
    // Reactions run inside a dispatch; panels and widgets closed meanwhile
    // are destroyed when the outermost dispatch ends.
    void beginDispatch();
    void endDispatch();
    // Engine side: closes a child widget of a panel (deferred inside a dispatch).
    void discardWidget(Widget* w);
    // The open list of a combo box, drawn over everything and served first.
    void openPopup(WidgetComboBox* combo);
    void closePopup(WidgetComboBox* combo);
    int getMouseX() const { return m_mouseX; }
    int getMouseY() const { return m_mouseY; }

private:
    friend struct GUIInput;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_dirty = true;
    int m_mouseX = -1, m_mouseY = -1;
};

} // namespace Zelkoran
