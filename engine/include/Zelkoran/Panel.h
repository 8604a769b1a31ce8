// GUI panels: a base widget and the child widgets placed inside it. New
// panels start hidden; showing the base widget shows the panel on top of the
// others. Widget ids are unique within a panel. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>
#include <Zelkoran/Widget.h>

#include <memory>

struct SDL_Rect;

namespace Zelkoran {

class Panel {
public:
    struct WidgetInfo {
        int id;
        String name;
        eWidgetType type;
    };

    ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    int getID() const { return m_id; }
    const char* getName() const { return m_name.c_str(); }
    Widget* baseWidget() { return m_base.get(); }
    const Widget* baseWidget() const { return m_base.get(); }
    bool isShown() const { return m_base->isShown(); }

    // New child widgets; null when the id is taken (or not positive).
    // Names need not be unique.
    WidgetButton* createButton(const char* name, int id);
    WidgetLabel* createLabel(const char* name, int id);
    WidgetCheckBox* createCheckBox(const char* name, int id);
    WidgetList* createList(const char* name, int id);
    WidgetComboBox* createComboBox(const char* name, int id);
    // axis 0 horizontal, 1 vertical.
    WidgetSlider* createSlider(const char* name, int id, int axis = 0);
    WidgetTextEdit* createTextEdit(const char* name, int id);
    WidgetNumberEdit* createNumberEdit(const char* name, int id);
    WidgetImage* createImage(const char* name, int id);
    WidgetFrame* createFrame(const char* name, int id);
    WidgetProgress* createProgress(const char* name, int id);
    // Any kind by type; null for an unknown type or a taken id.
    Widget* createWidgetByType(const char* name, eWidgetType type, int id);

    // Typed lookups: null when absent or of another kind.
    WidgetButton* getButton(int id);
    WidgetLabel* getLabel(int id);
    WidgetCheckBox* getCheckBox(int id);
    WidgetList* getList(int id);
    WidgetComboBox* getComboBox(int id);
    WidgetSlider* getSlider(int id);
    // Number edits are text edits too.
    WidgetTextEdit* getTextEdit(int id);
    WidgetNumberEdit* getNumberEdit(int id);
    WidgetImage* getImage(int id);
    WidgetFrame* getFrame(int id);
    WidgetProgress* getProgress(int id);
    Widget* getWidgetByID(int id);
    // One record per child widget in creation order.
    void getWidgetInfoList(Vector<WidgetInfo>& out) const;
    // Child widgets in creation (drawing) order.
    const Vector<Widget*>& children() const { return m_order; }
    // Removes one child widget. 0 or RC_ERR_NOT_FOUND.
    int closeWidget(int id);

    // Title text drawn with the base widget's font, placed like a label's text.
    void setTitle(const char* text, Position x = Position(0, PH_CENTER), Position y = Position(10, PH_TOP));
    const char* getTitle() const { return m_title.c_str(); }
    Position getTitleX() const { return m_titleX; }
    Position getTitleY() const { return m_titleY; }

    // Stored properties (the modal behaviour of type 1 applies only to
    // Tool::messageBox panel runs).
    void setPanelType(int type, int ttlMs);
    int getPanelType() const { return m_type; }
    int getPanelTTL() const { return m_ttl; }
    void attachTo(int screen) { m_screen = screen; }
    int getScreen() const { return m_screen; }
    void setScreenDesired(int screen) { m_screenDesired = screen; }
    int getScreenDesired() const { return m_screenDesired; }
    // 1 = the base widget takes the size of its screen.
    void setSizeMode(int mode) { m_sizeMode = mode; }
    int getSizeMode() const { return m_sizeMode; }
    void setTheme(int themeId) { m_theme = themeId; }
    int getTheme() const { return m_theme; }
    void setLayout(int layout) { m_layout = layout; }
    int getLayout() const { return m_layout; }
    void setLayoutAlign(int align) { m_align = align; }
    int getLayoutAlign() const { return m_align; }
    void setLayoutJustify(int justify) { m_justify = justify; }
    int getLayoutJustify() const { return m_justify; }

    // The buttons Enter and Escape press when neither the focused widget
    // nor a button's own key takes them: a dialog's confirm and cancel.
    // 0 = none. Not stored with the panel.
    void setDialogButtons(int confirmId, int cancelId)
    {
        m_confirmId = confirmId;
        m_cancelId = cancelId;
    }
    int getConfirmButton() const { return m_confirmId; }
    int getCancelButton() const { return m_cancelId; }

    // Writes the panel with every widget into the "ZK7_GUIPANEL" block of
    // its own name (docs/panel-format.md), replacing a live block of that
    // name; stored as blockStorage decides (Archive.h). 0,
    // RC_ERR_NOT_FOUND (no such archive), RC_ERR_INVALID (no name, or one
    // over 63 characters), RC_ERR_NO_SLOT (-72), RC_ERR_KEY (-477), or
    // another code of Archive::blockAdd.
    int save(int archiveId);

    // Engine side: the rectangle a flow layout (layout 1 or 2) gives the
    // shown child w; false under the standard layout or for another widget.
    bool flowRect(const Widget* w, SDL_Rect& out) const;

private:
    friend class GUIMgr;
    Panel(int id, const char* name);
    template <class W, class... Extra>
    W* add(const char* name, int id, Extra... extra);
    template <class W>
    W* find(int id, eWidgetType type);
    void draw(Painter& painter);

    int m_id;
    String m_name;
    String m_title;
    Position m_titleX, m_titleY;
    std::unique_ptr<Widget> m_base;
    Vector<Widget*> m_order; // owned; creation order
    int m_type = PT_MODELESS, m_ttl = 0, m_screen = 0, m_screenDesired = 0, m_sizeMode = 0;
    int m_theme = 0, m_layout = PL_STANDARD, m_align = LA_START, m_justify = LJ_START;
    int m_confirmId = 0, m_cancelId = 0;
    struct FlowCache;
    mutable std::unique_ptr<FlowCache> m_flow;
};

} // namespace Zelkoran
