// The GUI manager: panels, input routing (mouse, keyboard focus, hot keys),
// tooltips, drawing of shown panels, and the modal stack of message boxes and
// panel runs. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/GUITheme.h>
#include <Zelkoran/Panel.h>

#include <cstddef>
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
    // The same without the opaque argument; it cannot fail.
    int createPanel(const char* name);
    Panel* getPanel(int id);
    // Destroys the panel with its widgets and their reactions. 0 or
    // RC_ERR_NOT_FOUND. Safe from inside a reaction of the panel.
    int close(int id);
    // Longest full widget name: panel name, '.', widget name.
    static constexpr size_t kMaxWidgetPath = 127;
    // 0, RC_ERR_NOT_FOUND, RC_ERR_EXISTS when another panel has the name,
    // RC_ERR_INVALID for an empty name, one over 63 characters, or one that
    // makes a widget's full name longer than kMaxWidgetPath.
    int setName(int id, const char* name);
    // Raises the panel to the top. 0 or RC_ERR_NOT_FOUND.
    int setPanelFocus(int id);
    // Panel ids from the bottom to the top.
    Vector<int> getPanelIDs() const;

    // --- stored panels (docs/panel-format.md) ---
    // Builds a new panel from the "ZK7_GUIPANEL" block name: every widget
    // with all its properties, the panel's settings, placement and status
    // (a panel stored shown is shown). Skin images are loaded from the same
    // archive by name; an image, sprite or font that cannot be had is left
    // out and logged, and, when leftOut is given, named there once each as
    // KIND "NAME" (KIND: image, sprite or font). The panel id (> 0),
    // RC_ERR_NOT_FOUND (no such archive or block), RC_ERR_KEY (-477),
    // RC_ERR_CORRUPT (a damaged block: no panel is left behind), RC_ERR_IO.
    int load(int archiveId, const char* name, Vector<String>* leftOut = nullptr);
    // The names of the images the skins of the stored panel name, each
    // once, in record order; nothing is loaded. 0 or a code of load.
    int skinImages(int archiveId, const char* name, Vector<String>& names);
    // Removes the hidden images ('#' names: no tab lists them) among names
    // that no live stored panel of the archive names. The count removed.
    int removeUnusedSkinImages(int archiveId, const Vector<String>& names);
    // Soft-deletes the "ZK7_GUIPANEL" block name. 0, RC_ERR_NOT_FOUND (no
    // such archive or block), or a code of Archive::blockDelete.
    int remove(int archiveId, const char* name);

    // --- themes (GUITheme.h) ---
    int getThemeDefault() const { return GUITheme::kDefault; }
    int getThemeDark() const { return GUITheme::kDark; }
    int getThemeFlat() const { return GUITheme::kFlat; }
    // The theme of panels whose own theme is 0; starts as the default.
    int getGlobalTheme() const { return m_globalTheme; }
    // 0, or RC_ERR_NOT_FOUND for an id that is no theme.
    int setGlobalTheme(int themeId);
    // The theme with that id, null when there is none.
    const GUITheme* getTheme(int themeId) const { return GUITheme::builtin(themeId); }

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
    void invalidate()
    {
        m_dirty = true;
        ++m_generation;
    }
    // Counts invalidations: layouts computed at one value stay valid.
    uint64_t generation() const { return m_generation; }
    bool takeDirty();
    bool isDirty() const { return m_dirty; }
    // Queues a GUI event (kGUIEventType) of a widget of panel panelId (0 = none).
    void pushEvent(int code, int widgetId, int value, int panelId = 0);
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
    // load; with imageNames the panel is built without its images, fonts
    // and sprites, whose image names go into imageNames.
    int loadStored(int archiveId, const char* name, Vector<String>* leftOut, Vector<String>* imageNames);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_dirty = true;
    uint64_t m_generation = 0;
    int m_globalTheme = GUITheme::kDefault;
    int m_mouseX = -1, m_mouseY = -1;
};

} // namespace Zelkoran
