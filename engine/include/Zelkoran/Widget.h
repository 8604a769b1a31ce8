// GUI widgets: the common base and the eleven kinds. Widgets belong to a
// panel (Panel.h) and are made and found through it. Main thread only.
//
// Reactions are called on the main thread from inside Main::update or a
// modal run, with the widget; a GUI event (Types.h, kGUIEventType) is queued
// after each one. Setting a reaction replaces the previous one of that kind.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

#include <functional>
#include <memory>

struct SDL_Rect;

namespace Zelkoran {

class Panel;
class Painter;
class Widget;
class GUIMgr;
struct ItemStore;
struct TextBuffer;
class TextRowCache;

using WidgetReaction = std::function<void(Widget&)>;

// One state's look. A value applies only where its override bit is set;
// elsewhere the theme's value is used.
struct WidgetSkin {
    enum eOverride : uint32_t {
        SO_FONT = 1, SO_BACKGROUND = 2, SO_BORDER = 4, SO_BORDER_WIDTH = 8, SO_CORNER = 16,
        SO_SELECTION = 32, SO_NO_BACKGROUND = 64, // cleared: nothing drawn behind the widget
    };
    int font = 0;
    uint8_t background[4] = {0, 0, 0, 255};
    uint8_t border[4] = {0, 0, 0, 255};
    uint8_t selection[4] = {0, 0, 0, 255};
    int borderWidth = 0;
    int borderCorner = 0;
    int image = 0;  // image id drawn as background, 0 = none
    int sprite = 0; // sprite id drawn as background, 0 = none
    int spriteAnimation = 0;
    uint32_t overrides = 0;
};

class Widget {
public:
    virtual ~Widget();
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    int getID() const { return m_id; }
    const char* getName() const { return m_name.c_str(); }
    eWidgetType getType() const { return m_type; }
    Panel* getPanel() const { return m_panel; }

    // --- placement ---
    virtual void setSize(int width, int height);
    // True once setSize gave the widget a size of its own (else it takes
    // its content's or its kind's size).
    bool hasOwnSize() const { return m_sizeSet; }
    // The size setSize gave: a fit-to-screen panel keeps it as its design
    // size while getWidth and getHeight report the screen's.
    int getOwnWidth() const { return m_w; }
    int getOwnHeight() const { return m_h; }
    // The size the widget takes without one of its own: its content's.
    int getContentWidth() const { return defaultWidth(); }
    int getContentHeight() const { return defaultHeight(); }
    int getWidth() const;
    int getHeight() const;
    void setPosition(Position x, Position y);
    Position getPositionX() const { return m_posX; }
    Position getPositionY() const { return m_posY; }
    // Rectangle on the screen after anchoring in the parent.
    SDL_Rect getRect() const;
    virtual void setMargin(int top, int right, int bottom, int left);
    void getMargin(int& top, int& right, int& bottom, int& left) const;

    // --- visibility and state ---
    void show();
    void hide();
    void enable();
    void disable();
    // 9 shown and enabled, 5 hidden (and enabled), 0 disabled.
    int status() const;
    bool isShown() const { return m_shown; }
    bool isEnabled() const { return m_enabled; }
    // Shown, enabled and every parent shown.
    bool isVisible() const;
    // The state the widget is drawn in now (eWidgetState 0..4).
    int getState() const;
    bool hasFocus() const { return m_focused; }
    void setFeatures(uint32_t bits, bool on);
    uint32_t getFeatures() const { return m_features; }
    void setAlphaMod(int alpha);
    int getAlphaMod() const { return m_alpha; }

    // --- skin, per state (-1 = every state) ---
    void setFont(int fontId, int state);
    // The font id in effect for the state (own, else the panel's, else the
    // engine's default).
    int getFont(int state) const;
    void setBackgroundColor(int r, int g, int b, int state);
    void getBackgroundColor(uint8_t* r, uint8_t* g, uint8_t* b, int state) const;
    void setBorderColor(int r, int g, int b, int a, int state);
    void getBorderColor(uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a, int state) const;
    void setBorderWidth(int width, int state);
    int getBorderWidth(int state) const;
    void setBorderCorner(int radius, int state = WS_ALL);
    int getBorderCorner(int state) const;
    void setSelectionColor(int r, int g, int b, int a, int state);
    void getSelectionColor(uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a, int state) const;
    // The widget takes the image and closes it when it goes. RC_ERR_NOT_FOUND
    // for an unknown image; 0 otherwise.
    int setBackgroundImage(int imageId, int state);
    // The widget takes the sprite. animation is used for one state; with
    // state -1 a sprite of five or more animations shows animation = state.
    int setBackgroundSprite(int spriteId, int state, int animation);
    // Loads the "ZK7_IMAGE" block name of the archive and sets it as above.
    // 0 or a code of ImageMgr::load.
    int setBackgroundImage(int archiveId, const char* name, int state);
    // Loads the "ZK7_SPRITE" block name of the archive and sets it as above.
    // 0 or a code of SpriteMgr::load.
    int setBackgroundSprite(int archiveId, const char* name, int state, int animation);
    int getBackgroundImage(int state) const;
    int getBackgroundSprite(int state, int* animation = nullptr) const;
    // Removes image, sprite and colour: nothing is drawn behind the state.
    void clearBackground(int state);
    // Back to the theme's values (images and sprites stay the widget's).
    void resetSkin(int state);
    uint32_t getSkinOverrideMask(int state) const;
    const WidgetSkin& getSkin(int state) const;

    // --- tooltip ---
    void setTooltip(const char* text);
    const char* getTooltip() const { return m_tooltip.c_str(); }
    void setTooltipFont(int fontId);
    int getTooltipFont() const { return m_tipFont; }
    void setTooltipBackgroundColor(int r, int g, int b, int a);
    // True and the colour when the widget has its own.
    bool getTooltipBackgroundColor(uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) const;
    void setTooltipBorderColor(int r, int g, int b, int a);
    bool getTooltipBorderColor(uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) const;
    void resetTooltipStyle();

    // --- reactions ---
    void setOnPressed(WidgetReaction reaction) { m_onPressed = std::move(reaction); }
    void setOnValueChanged(WidgetReaction reaction) { m_onValueChanged = std::move(reaction); }
    void setOnValueCommitted(WidgetReaction reaction) { m_onValueCommitted = std::move(reaction); }
    void setOnFocusLost(WidgetReaction reaction) { m_onFocusLost = std::move(reaction); }
    // Runs as the widget takes the keyboard focus, before any key reaches
    // it; no GUI event follows.
    void setOnFocusGained(WidgetReaction reaction) { m_onFocusGained = std::move(reaction); }
    void setOnToggled(WidgetReaction reaction) { m_onToggled = std::move(reaction); }
    void setOnSelectionChanged(WidgetReaction reaction) { m_onSelectionChanged = std::move(reaction); }
    bool hasOnPressed() const { return static_cast<bool>(m_onPressed); }

    // A mouse event as widgets receive it.
    struct Mouse {
        int x = 0, y = 0;   // screen pixels
        int button = 1;     // SDL button number
        int clicks = 1;     // 2 for a double click
        uint16_t mod = 0;   // SDL key modifiers
    };

protected:
    friend class GUIMgr;
    friend class Panel;
    friend struct GUIInput;

    Widget(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type);

    // Draws the widget into r (its screen rectangle); the base draws the
    // background and the border of the current state.
    virtual void paint(Painter& painter, const SDL_Rect& r);
    void paintBackground(Painter& painter, const SDL_Rect& r, int state);
    void paintBorder(Painter& painter, const SDL_Rect& r, int state);
    // True, with its colour in out, when paintBackground and paintBorder
    // leave all of inside (a part of r) one opaque colour.
    bool plainBackground(const SDL_Rect& r, const SDL_Rect& inside, int state, uint8_t out[4]) const;
    // Takes mouse clicks (hit-testing skips widgets that do not).
    virtual bool takesClicks() const;
    virtual bool takesFocus() const { return false; }
    virtual bool isTextEntry() const { return false; }
    // Drawn in WS_ACTION (checked box, edit with the caret).
    virtual bool inActionState() const { return false; }
    virtual void mouseDown(const Mouse&) {}
    virtual void mouseDrag(const Mouse&) {}
    virtual void mouseUp(const Mouse&, bool inside);
    virtual bool wheel(int, const Mouse&) { return false; }
    // True when the key was used and must not trigger hot keys.
    virtual bool keyDown(int, uint16_t) { return false; }
    virtual void textInput(const char*) {}
    virtual void focusChanged(bool gained);
    // The widget's hot key, 0 for none; activate() runs it.
    virtual int hotKey() const { return 0; }
    virtual void activate() {}
    virtual int hoverValue(const Mouse&) const { return 1; }
    virtual int defaultWidth() const { return 80; }
    virtual int defaultHeight() const { return 22; }

    // Effective skin values.
    const WidgetSkin& skin(int state) const { return m_skin[state < 0 || state >= WS_COUNT ? 0 : state]; }
    void effectiveBackground(int state, uint8_t out[4]) const;
    void effectiveBorder(int state, uint8_t out[4]) const;
    void effectiveSelection(int state, uint8_t out[4]) const;
    int effectiveBorderWidth(int state) const;
    int effectiveCorner(int state) const;
    class Font* font(int state) const;
    void textColor(int state, uint8_t out[4]) const;
    SDL_Rect innerRect(const SDL_Rect& r) const; // minus border and margins

    // Calls the reaction, then queues the GUI event (code, value).
    void fire(const WidgetReaction& reaction, int code, int value);
    void raise(int code, int value);
    void invalidate() const;
    GUIMgr* gui() const;

    WidgetReaction m_onPressed, m_onValueChanged, m_onValueCommitted, m_onFocusLost, m_onFocusGained, m_onToggled,
        m_onSelectionChanged;
    bool m_hovered = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_sizeSet = false;
    int m_margin[4] = {}; // top, right, bottom, left

private:
    void forEachState(int state, const std::function<void(WidgetSkin&)>& fn);
    void adopt(int imageId, int spriteId);

    Panel* m_panel;
    Widget* m_parent;
    int m_id;
    String m_name;
    eWidgetType m_type;
    Position m_posX, m_posY;
    int m_w = 0, m_h = 0;
    bool m_shown = true;
    bool m_enabled = true;
    uint32_t m_features = 0;
    int m_alpha = 255;
    WidgetSkin m_skin[WS_COUNT];
    String m_tooltip;
    int m_tipFont = 0;
    bool m_tipBgSet = false, m_tipBorderSet = false;
    uint8_t m_tipBg[4] = {}, m_tipBorder[4] = {};
    Vector<int> m_ownedImages, m_ownedSprites;
};

// The panel's own widget: its rectangle, look and visibility are the panel's.
class WidgetPanelBase : public Widget {
public:
    WidgetPanelBase(Panel* panel, int id, const char* name);

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesClicks() const override { return true; }
    int defaultWidth() const override { return 300; }
    int defaultHeight() const override { return 200; }
};

// A widget with a caption placed by two positions inside it.
class WidgetText : public Widget {
public:
    void setText(const char* text, Position x = Position(0, PH_CENTER), Position y = Position(0, PH_CENTER));
    const char* getText() const { return m_text.c_str(); }
    Position getTextX() const { return m_textX; }
    Position getTextY() const { return m_textY; }

protected:
    using Widget::Widget;
    // Draws the caption's lines inside area (area = placement box).
    void paintText(Painter& painter, const SDL_Rect& area, int state);
    int textWidth() const;
    int textHeight() const;
    int defaultWidth() const override;
    int defaultHeight() const override;
    String m_text;
    Position m_textX{0, PH_CENTER}, m_textY{0, PH_CENTER};
};

class WidgetLabel : public WidgetText {
public:
    WidgetLabel(Panel* panel, Widget* parent, int id, const char* name);

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesClicks() const override;
};

// A captioned widget a click, its hot key or a key while focused acts on.
class WidgetPressable : public WidgetText {
public:
    // SDL key code that acts on the widget ('c', 13 Enter, 27 Escape...); 0 = none.
    void setKey(int keycode) { m_key = keycode; }
    int getKey() const { return m_key; }

protected:
    using WidgetText::WidgetText;
    bool takesFocus() const override { return true; }
    // A left button released inside acts as the hot key does.
    void mouseUp(const Mouse& m, bool inside) override;
    int hotKey() const override { return m_key; }

private:
    int m_key = 0;
};

class WidgetButton : public WidgetPressable {
public:
    WidgetButton(Panel* panel, Widget* parent, int id, const char* name);
    // Presses the button as a click does.
    void press();

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool keyDown(int key, uint16_t mod) override;
    void activate() override { press(); }
    int defaultWidth() const override;
    int defaultHeight() const override;
};

class WidgetCheckBox : public WidgetPressable {
public:
    WidgetCheckBox(Panel* panel, Widget* parent, int id, const char* name);
    // Sets the state without reactions or events.
    void setChecked(bool checked);
    bool isChecked() const { return m_checked; }
    // Boxes of one group (> 0) on a panel are exclusive: checking one
    // unchecks the others. 0 = no group.
    void setGroup(int group) { m_group = group; }
    int getGroup() const { return m_group; }
    // Toggles as a click does (reaction and event).
    void toggle();

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool keyDown(int key, uint16_t mod) override;
    void activate() override { toggle(); }
    bool inActionState() const override { return m_checked; }
    int defaultWidth() const override;
    int defaultHeight() const override;

private:
    bool m_checked = false;
    int m_group = 0;
};

// A widget holding rows of text: lists and combo boxes.
class WidgetItems : public Widget {
public:
    ~WidgetItems() override;
    void clearItems();
    // Adds a row (sorted in when auto-sort is on). RC_OK; RC_ERR_TOO_LARGE
    // when the rows' texts would pass 4 GiB.
    int addItem(const char* text);
    // Room for count rows in all, so a long fill never moves the rows.
    void reserveItems(int count);
    // Removes row index (1-based). 0 or RC_ERR_NOT_FOUND.
    int removeItem(int index);
    int getItemCount() const;
    const char* getItemText(int index) const;
    // 1-based selected row, 0 = none (with multi-select: the last chosen).
    int getSelectedIndex() const;
    // Text of the selected row, "" when none.
    const char* getSelectedText() const;
    void setAutoSort(bool on);
    bool getAutoSort() const;

protected:
    WidgetItems(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type);
    // Called after rows were removed, so a scroll position can be clamped.
    virtual void rowsRemoved() {}
    // Height of one row in the normal font.
    int rowHeight() const;
    std::unique_ptr<ItemStore> m_items;
};

class WidgetList : public WidgetItems {
public:
    WidgetList(Panel* panel, Widget* parent, int id, const char* name);
    // Whole rows that fit.
    int getVisibleItems() const;
    // Selects row index (0 = none) and scrolls it into view; no event.
    void setSelectedIndex(int index);
    bool isSelected(int index) const;
    // Adds row index to (or takes it from) a multi-selection; no event.
    void setItemSelected(int index, bool on);
    // Index of the first visible row (0-based).
    int getScroll() const { return m_scroll; }
    // Moves the first visible row by delta, clamped to 0..count-visible;
    // the new scroll position, also stored in applied when not null.
    int setScroll(int delta, int* applied);
    void setMultiSelect(bool on);
    bool getMultiSelect() const;
    int getRowHeight() const { return rowHeight(); }

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesFocus() const override { return true; }
    void mouseDown(const Mouse& m) override;
    bool wheel(int dy, const Mouse& m) override;
    bool keyDown(int key, uint16_t mod) override;
    int hoverValue(const Mouse& m) const override;
    int defaultWidth() const override { return 160; }
    int defaultHeight() const override { return 120; }
    void rowsRemoved() override { setScroll(0, nullptr); }

private:
    int rowAt(int y) const;
    void choose(int index, uint16_t mod);
    void ensureVisible(int index);
    int m_scroll = 0;
};

class WidgetComboBox : public WidgetItems {
public:
    WidgetComboBox(Panel* panel, Widget* parent, int id, const char* name);
    void setSelectedIndex(int index);
    bool isOpen() const { return m_open; }
    // Rows shown at most when the list is open.
    static constexpr int kDropRows = 10;

protected:
    friend class GUIMgr;
    friend struct GUIInput;
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesFocus() const override { return true; }
    void mouseDown(const Mouse& m) override;
    bool wheel(int dy, const Mouse& m) override;
    bool keyDown(int key, uint16_t mod) override;
    void focusChanged(bool gained) override;
    int defaultWidth() const override { return 140; }
    int defaultHeight() const override { return 22; }
    void rowsRemoved() override;

private:
    // The open list, drawn over every panel.
    SDL_Rect dropRect() const;
    void paintDrop(Painter& painter);
    bool dropMouse(int x, int y, bool click);
    void choose(int index);
    void close();
    bool m_open = false;
    int m_dropScroll = 0;
    int m_dropHover = 0;
};

// A widget showing an int inside a range: sliders and progress bars.
class WidgetRanged : public Widget {
public:
    // max < min is swapped; the value is clamped into the range.
    void setRange(int min, int max);
    void getRange(int& min, int& max) const;
    int getMin() const { return m_min; }
    int getMax() const { return m_max; }
    // Clamped into the range; no event.
    void setValue(int value);
    int getValue() const { return m_value; }

protected:
    WidgetRanged(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type);
    int m_min = 0, m_max = 100, m_value = 0;
};

class WidgetSlider : public WidgetRanged {
public:
    WidgetSlider(Panel* panel, Widget* parent, int id, const char* name, int axis);
    // 0 horizontal, 1 vertical (minimum at the top).
    void setAxis(int axis);
    int getAxis() const { return m_axis; }
    // Length of the thumb in pixels (at least 8 is drawn).
    void setThumbSize(int pixels);
    int getThumbSize() const { return m_thumb; }

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesFocus() const override { return true; }
    void mouseDown(const Mouse& m) override;
    void mouseDrag(const Mouse& m) override;
    void mouseUp(const Mouse& m, bool inside) override;
    bool wheel(int dy, const Mouse& m) override;
    bool keyDown(int key, uint16_t mod) override;
    int defaultWidth() const override { return m_axis ? 16 : 120; }
    int defaultHeight() const override { return m_axis ? 120 : 16; }

private:
    SDL_Rect trackRect() const;
    SDL_Rect thumbRect() const;
    int valueAt(int x, int y) const;
    // Wide, so that a step beyond the int range clamps instead of wrapping.
    void change(int64_t value);
    int m_axis = 0;
    int m_thumb = 14;
    int m_grab = -1; // pixel offset of the mouse inside the thumb while dragging
    bool m_moved = false;
};

class WidgetProgress : public WidgetRanged {
public:
    WidgetProgress(Panel* panel, Widget* parent, int id, const char* name);

protected:
    // Track in the state-1 background colour, filled part in the state-2 one.
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesClicks() const override { return false; }
    int defaultWidth() const override { return 200; }
    int defaultHeight() const override { return 14; }
};

class WidgetTextEdit : public Widget {
public:
    WidgetTextEdit(Panel* panel, Widget* parent, int id, const char* name);
    ~WidgetTextEdit() override;
    // Replaces the text; a multi-line edit splits it at LF. No event.
    virtual void setText(const char* text);
    // The text; lines of a multi-line edit joined with LF.
    String getText() const;
    void appendText(const char* text);
    // Adds a line after the last one (a single-line edit appends the text).
    void appendLine(const char* text);
    // Replaces line index (1-based); count + 1 adds a line. Bytes are kept
    // as given (CR or LF inside a line stay in it). 0 or RC_ERR_NOT_FOUND.
    int setLine(int index, const char* text);
    // Line index (1-based), "" when out of range.
    String getLine(int index) const;
    // Lines held (an empty edit holds one empty line).
    int getLineCount() const;
    void setMultiline(bool on);
    bool getMultiline() const;
    void setReadOnly(bool on);
    bool getReadOnly() const;
    // Caret as 1-based line and 0-based byte column.
    void getCaret(int& line, int& column) const;
    void setCaret(int line, int column);
    // Selected text ("" when none).
    String getSelectedText() const;
    void selectAll();
    // First line shown (0-based).
    int getScroll() const;
    int setScroll(int delta, int* applied);

protected:
    WidgetTextEdit(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type);
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesFocus() const override { return true; }
    bool isTextEntry() const override;
    bool inActionState() const override { return m_focused; }
    void mouseDown(const Mouse& m) override;
    void mouseDrag(const Mouse& m) override;
    bool wheel(int dy, const Mouse& m) override;
    bool keyDown(int key, uint16_t mod) override;
    void textInput(const char* text) override;
    void focusChanged(bool gained) override;
    int defaultWidth() const override { return 160; }
    int defaultHeight() const override;
    // Number edits filter what may be typed and how the text commits.
    virtual bool acceptText(const char*) const { return true; }
    virtual void committing() {}
    virtual SDL_Rect textArea(const SDL_Rect& r) const;
    void edited();
    void commit();

    std::unique_ptr<TextBuffer> m_buf;

private:
    void caretFromPoint(int x, int y, bool extend);
    void keepCaretVisible();
    bool m_modified = false; // edited since the last commit
    std::unique_ptr<TextRowCache> m_rows;
};

class WidgetNumberEdit : public WidgetTextEdit {
public:
    WidgetNumberEdit(Panel* panel, Widget* parent, int id, const char* name);
    // Text that holds no number shows the current value again. No event.
    void setText(const char* text) override;
    void setRange(float min, float max);
    float getMin() const { return m_min; }
    float getMax() const { return m_max; }
    // Clamped into the range and, without allowFloat, rounded. No event.
    void setValue(float value);
    // The value last set, stepped or committed: text being typed counts
    // once it is committed (Enter or leaving the field), and a committed
    // text that holds no number keeps the value. Typing raises no event.
    float getValue() const { return m_value; }
    void setStep(float step);
    float getStep() const { return m_step; }
    void allowFloat(bool on);
    bool isFloatAllowed() const { return m_float; }

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    void mouseDown(const Mouse& m) override;
    bool wheel(int dy, const Mouse& m) override;
    bool keyDown(int key, uint16_t mod) override;
    bool acceptText(const char* text) const override;
    void committing() override;
    SDL_Rect textArea(const SDL_Rect& r) const override;
    int defaultWidth() const override { return 70; }

private:
    float clampValue(float v) const;
    // The number the text holds, clamped; the value when it holds none.
    float typedValue() const;
    void stepBy(int steps);
    String format(float v) const;
    float m_min = -2147483648.0f, m_max = 2147483647.0f, m_step = 1.0f, m_value = 0;
    bool m_float = false;
};

class WidgetFrame : public Widget {
public:
    WidgetFrame(Panel* panel, Widget* parent, int id, const char* name);
    // Unfilled frames draw their border only.
    void setFilled(bool on) { m_filled = on; }
    bool isFilled() const { return m_filled; }

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesClicks() const override;
    int defaultWidth() const override { return 100; }
    int defaultHeight() const override { return 100; }

private:
    bool m_filled = true;
};

class WidgetImage : public Widget {
public:
    WidgetImage(Panel* panel, Widget* parent, int id, const char* name);

protected:
    void paint(Painter& painter, const SDL_Rect& r) override;
    bool takesClicks() const override;
    int defaultWidth() const override;
    int defaultHeight() const override;
};

} // namespace Zelkoran
