// The editor fields at work: each event is applied to the live panel or its
// selected widget, and the panel or widget is copied back into the fields.
// The tab keeps no copy of a property: after almost every event it writes
// the common fields again, so the preview always shows what they say.
#include "tabs/gui/ctrlGUI.h"

#include "services/GlobalStatus.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <initializer_list>
#include <string>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

GUIMgr* gui() { return Main::instance()->guiMgr(); }

// Ids whose events are edits of the panel (they make the tab dirty). The
// skin editor, the add-widget and the tooltip dialogs count only when they
// changed the widget or panel.
constexpr int kDirtyIds[] = {901, 908, 912, 914, 916, 918, 920, 922, 924, 926, 929, 931, 932, 934,
                             935, 937, 938, 940, 941, 942, 943, 945, 946, 947, 948, 949, 950, 952, 953,
                             955, 991, 993, 995, 997, 999, 1000, 1002, 1003, 1005, 1006,
                             1007, 1008, 1010, 1012, 1014, 1015, 1016};

// The type-specific rows, hidden until a widget type shows its own.
constexpr int kSpecialIds[] = {990, 991, 992, 993, 994, 995, 996, 997, 939, 940, 941, 942, 943, 998, 999,
                               1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012,
                               1013, 1014, 1015, 1016};

struct Place {
    int id, x, y;
};

struct TypeRows {
    eWidgetType type;
    std::initializer_list<Place> rows;
    int frameHeight;
};

const TypeRows kTypeRows[] = {
    {WT_LABEL, {{998, 13, 870}, {999, 44, 867}}, 51},
    {WT_FRAME, {{1000, 72, 846}}, 28},
    {WT_BUTTON, {{998, 13, 870}, {999, 44, 867}, {1001, 14, 893}, {1002, 44, 890}}, 74},
    {WT_CHECKBOX,
     {{998, 13, 870}, {999, 44, 867}, {1001, 14, 893}, {1002, 44, 890}, {1003, 14, 913}, {1004, 104, 916},
      {1005, 141, 913}},
     97},
    {WT_PROGRESS,
     {{990, 14, 870}, {991, 59, 867}, {992, 110, 870}, {993, 149, 867}, {939, 14, 893}, {940, 59, 890},
      {941, 91, 890}, {942, 123, 890}, {943, 155, 890}},
     74},
    {WT_SLIDER,
     {{990, 14, 870}, {991, 59, 867}, {992, 110, 870}, {993, 149, 867}, {939, 14, 893}, {940, 59, 890},
      {941, 91, 890}, {942, 123, 890}, {943, 155, 890}, {994, 14, 916}, {995, 58, 913}, {996, 100, 916},
      {997, 133, 913}},
     97},
    {WT_TEXTEDIT,
     {{1007, 56, 846}, {1008, 119, 846}, {998, 13, 870}, {999, 44, 867}, {939, 14, 893}, {940, 59, 890},
      {941, 91, 890}, {942, 123, 890}, {943, 155, 890}},
     74},
    {WT_NUMBEREDIT,
     {{1015, 72, 846}, {990, 14, 870}, {991, 59, 867}, {1013, 118, 870}, {1014, 149, 867}, {939, 14, 893},
      {940, 59, 890}, {941, 91, 890}, {942, 123, 890}, {943, 155, 890}, {1009, 14, 916}, {1010, 59, 913},
      {1011, 118, 916}, {1012, 149, 913}},
     97},
    {WT_COMBOBOX, {{1006, 72, 846}, {939, 14, 870}, {940, 59, 867}, {941, 91, 867}, {942, 123, 867}, {943, 155, 867}},
     51},
    {WT_LIST,
     {{1006, 56, 846}, {1016, 126, 846}, {939, 14, 870}, {940, 59, 867}, {941, 91, 867}, {942, 123, 867},
      {943, 155, 867}},
     51},
};

bool takesMargins(eWidgetType t)
{
    return t == WT_PROGRESS || t == WT_SLIDER || t == WT_TEXTEDIT || t == WT_NUMBEREDIT || t == WT_LIST ||
           t == WT_COMBOBOX;
}

bool isFlow(int layout) { return layout == PL_HORIZONTAL || layout == PL_VERTICAL; }

} // namespace

int CtrlGUI::processEvent(int widgetId, int data)
{
    if (CtrlBase::processEvent(widgetId, data) < 0)
        return -1;
    bool apply = true;
    bool changed = false;
    const auto row = [this](int id) {
        const WidgetComboBox* c = panel->getComboBox(id);
        return c ? c->getSelectedIndex() : 0;
    };
    switch (widgetId) {
    case GW_ADD_WIDGET:
        setUsable(GW_ADD_WIDGET, false);
        changed = showAddWidgetDialog();
        setUsable(GW_ADD_WIDGET, true);
        apply = false;
        break;
    case GW_DEL_WIDGET: onDeleteWidget(); break;
    case GW_LIST_SLIDER:
        if (WidgetList* list = panel->getList(GW_LIST))
            if (const WidgetSlider* slider = panel->getSlider(GW_LIST_SLIDER))
                list->setScroll(slider->getValue() - list->getScroll(), nullptr);
        break;
    case GW_LIST: {
        const int r = panel->getList(GW_LIST) ? panel->getList(GW_LIST)->getSelectedIndex() : 0;
        if (r >= 1 && r <= static_cast<int>(widgetListIds.size())) {
            selectedWidgetId = widgetListIds[r - 1];
            resetSkinModes();
            updateData();
            listSelectionPending = true;
        }
        apply = false;
        break;
    }
    case GW_TYPE: panelType = valueForRow(row(GW_TYPE), 3); break;
    case GW_THEME:
    case GW_LAYOUT:
        (widgetId == GW_THEME ? panelTheme : panelLayout) = valueForRow(row(widgetId), 3);
        applyPanelThemeAndLayout(livePanel());
        break;
    case GW_ALIGN:
    case GW_JUSTIFY:
        (widgetId == GW_ALIGN ? layoutAlign : layoutJustify) = valueForRow(row(widgetId), 4);
        if (livePanel() && isFlow(panelLayout))
            applyPanelThemeAndLayout(livePanel());
        break;
    case GW_TOOLTIP_SETTINGS:
        changed = showTooltipSettingsDialog();
        apply = false;
        break;
    default:
        if (widgetId >= GW_SKIN_LABEL && widgetId <= GW_SKIN_BORDER_SWATCH && widgetId != GW_FEATURES_FRAME) {
            // The colour texts act through their own reactions (createSkinRows).
            const bool colourText = widgetId == GW_SKIN_BG || widgetId == GW_SKIN_BORDER || widgetId == GW_SKIN_SELECT;
            changed = !colourText && onSkinEvent(widgetId, data != 0);
            apply = false;
            // An image or sprite sizes the widget at once, not at the next edit.
            if (Widget* w = getSelectedWidget(); changed && w && !(selectedWidgetId == 0 && fitScreen))
                applyWidgetSizeFromEditorOrAsset(*w, selectedWidgetId, false);
        } else if (widgetId >= GW_VALUE && widgetId <= GW_MULTISELECT && livePanel() && selectedWidgetId != 0) {
            applySpecialValue(widgetId);
        }
        break;
    }
    updateWidgetStates(panelId <= 0 ? 4 : 0);
    syncWidgetListSlider();
    screenDesired = widgetInt(GW_SCREEN, 0, 16, 0);
    panelTTLSeconds = widgetInt(GW_TTL, 1, 86400, 1);
    if (listSelectionPending && widgetId == 0) {
        listSelectionPending = false;
        return 0;
    }
    if (apply && livePanel())
        applyCommonFields();
    if (livePanel() &&
        (changed || std::find(std::begin(kDirtyIds), std::end(kDirtyIds), widgetId) != std::end(kDirtyIds)))
        setDirty(true);
    return 0;
}

void CtrlGUI::growToCaption(Widget& widget, const char* text)
{
    auto* captioned = dynamic_cast<WidgetText*>(&widget);
    if (!captioned)
        return;
    const Position mid(0, PH_CENTER);
    captioned->setText(text, mid, mid);
    const int w = std::max(widget.getWidth(), widget.getContentWidth());
    const int h = std::max(widget.getHeight(), widget.getContentHeight());
    if (w == widget.getWidth() && h == widget.getHeight())
        return;
    // The size fields decide the size the common fields apply next.
    if (WidgetNumberEdit* n = panel->getNumberEdit(GW_WIDTH))
        n->setValue(static_cast<float>(w));
    if (WidgetNumberEdit* n = panel->getNumberEdit(GW_HEIGHT))
        n->setValue(static_cast<float>(h));
    widget.setSize(w, h);
}

void CtrlGUI::applySpecialValue(int id)
{
    Panel* live = livePanel();
    const Widget* w = live->getWidgetByID(selectedWidgetId);
    if (!w)
        return;
    const int sid = selectedWidgetId;
    const WidgetTextEdit* textField = panel->getTextEdit(GW_TEXT);
    const String text = textField ? textField->getText() : String();
    const WidgetCheckBox* box = panel->getCheckBox(id);
    const bool on = box && box->isChecked();
    const WidgetComboBox* keys = panel->getComboBox(GW_HOTKEY);
    const int key = keyForRow(keys ? keys->getSelectedIndex() : 0);
    const auto number = [this](int nid) {
        const WidgetNumberEdit* n = panel->getNumberEdit(nid);
        return n ? n->getValue() : 0.0f;
    };
    const Position mid(0, PH_CENTER);
    // A caption never shows cut: the widget grows to hold its new text.
    if (id == GW_TEXT && (w->getType() == WT_LABEL || w->getType() == WT_BUTTON || w->getType() == WT_CHECKBOX))
        growToCaption(*live->getWidgetByID(sid), text.c_str());
    switch (w->getType()) {
    case WT_LABEL:
        if (id == GW_TEXT)
            live->getLabel(sid)->setText(text.c_str(), mid, mid);
        break;
    case WT_FRAME:
        if (id == GW_FILLED)
            live->getFrame(sid)->setFilled(on);
        break;
    case WT_BUTTON:
        if (id == GW_TEXT)
            live->getButton(sid)->setText(text.c_str(), mid, mid);
        else if (id == GW_HOTKEY)
            live->getButton(sid)->setKey(key);
        break;
    case WT_CHECKBOX: {
        WidgetCheckBox* c = live->getCheckBox(sid);
        if (id == GW_TEXT)
            c->setText(text.c_str(), mid, mid);
        else if (id == GW_HOTKEY)
            c->setKey(key);
        else if (id == GW_CHECKED)
            c->setChecked(on);
        else if (id == GW_GROUP)
            c->setGroup(widgetInt(GW_GROUP, 0, 1024, 0));
        break;
    }
    case WT_PROGRESS:
        if (id == GW_VALUE)
            live->getProgress(sid)->setValue(widgetInt(GW_VALUE, 0, 8192, -8192));
        else if (id == GW_RANGE)
            live->getProgress(sid)->setRange(0, widgetInt(GW_RANGE, 1, 8192, 1));
        break;
    case WT_SLIDER: {
        WidgetSlider* s = live->getSlider(sid);
        if (id == GW_VALUE)
            s->setValue(widgetInt(GW_VALUE, 0, 8192, -8192));
        else if (id == GW_RANGE)
            s->setRange(0, std::max(widgetInt(GW_RANGE, 1, 8192, 1), 1) - 1);
        else if (id == GW_THUMB)
            s->setThumbSize(widgetInt(GW_THUMB, 0, 8192, 0));
        else if (id == GW_AXIS)
            s->setAxis(panel->getComboBox(GW_AXIS) && panel->getComboBox(GW_AXIS)->getSelectedIndex() == 2 ? 1 : 0);
        break;
    }
    case WT_TEXTEDIT: {
        WidgetTextEdit* t = live->getTextEdit(sid);
        if (id == GW_TEXT)
            t->setText(text.c_str());
        else if (id == GW_MULTILINE)
            t->setMultiline(on);
        else if (id == GW_READONLY)
            t->setReadOnly(on);
        break;
    }
    case WT_NUMBEREDIT: {
        WidgetNumberEdit* n = live->getNumberEdit(sid);
        if (id == GW_VALUE) {
            n->setValue(number(GW_VALUE));
        } else if (id == GW_MIN || id == GW_MAX) {
            n->setRange(number(GW_MIN), number(GW_MAX));
        } else if (id == GW_STEP) {
            n->setStep(number(GW_STEP));
        } else if (id == GW_ALLOW_FLOAT) {
            const float kept = n->getValue();
            n->allowFloat(on);
            n->setValue(kept);
            if (WidgetNumberEdit* field = panel->getNumberEdit(GW_VALUE)) {
                const float shown = field->getValue();
                field->allowFloat(on);
                field->setValue(shown);
            }
        }
        break;
    }
    case WT_LIST:
        if (id == GW_AUTOSORT)
            live->getList(sid)->setAutoSort(on);
        else if (id == GW_MULTISELECT)
            live->getList(sid)->setMultiSelect(on);
        break;
    case WT_COMBOBOX:
        if (id == GW_AUTOSORT)
            live->getComboBox(sid)->setAutoSort(on);
        break;
    default: break;
    }
}

void CtrlGUI::applyCommonFields()
{
    Panel* live = livePanel();
    live->setScreenDesired(screenDesired);
    live->setPanelType(panelType, panelType == PT_EPHEMERAL ? panelTTLSeconds * 1000 : 0);
    const auto checked = [this](int id) {
        const WidgetCheckBox* c = panel->getCheckBox(id);
        return c && c->isChecked();
    };
    const auto row = [this](int id) {
        const WidgetComboBox* c = panel->getComboBox(id);
        return c ? c->getSelectedIndex() : 0;
    };
    const WidgetTextEdit* tipField = panel->getTextEdit(GW_TOOLTIP);
    const String tip = tipField ? tipField->getText() : String();
    const auto features = [&](Widget& w) {
        for (const FeatureBox& f : kFeatureBoxes)
            w.setFeatures(f.bit, checked(f.id));
        w.setFeatures(WF_UNNAMED, false);
    };
    const Position x(static_cast<float>(widgetInt(GW_POSX, 0, 8192, -8192)), helperForRow(row(GW_POSX_MODE), true));
    const Position y(static_cast<float>(widgetInt(GW_POSY, 0, 8192, -8192)), helperForRow(row(GW_POSY_MODE), false));
    if (selectedWidgetId <= 0) {
        Widget* base = live->baseWidget();
        const bool hadFit = base->getFeatures() & WF_BG_FIT;
        fitScreen = checked(GW_FIT_SCREEN);
        live->setSizeMode(0); // the preview never fits the screen
        base->setAlphaMod(widgetInt(GW_ALPHA, 255, 255, 0));
        features(*base);
        if (!fitScreen)
            applyWidgetSizeFromEditorOrAsset(*base, 0, hadFit);
        applyPreviewPanelPosition(); // a new size is centred again
        base->setTooltip(tip.c_str());
        // Only the stored placement changes; the preview stays centred and
        // the stored screen stays what the panel had (the live panel sits on
        // the editor's screen 0 while previewed).
        logicalPosX = x;
        logicalPosY = y;
        logicalPositionStored = true;
        return;
    }
    Widget* w = live->getWidgetByID(selectedWidgetId);
    if (!w)
        return;
    const bool hadFit = w->getFeatures() & WF_BG_FIT;
    switch (row(GW_STATUS)) {
    case 1:
        w->show();
        w->enable();
        break;
    case 3:
        w->show();
        w->disable();
        break;
    default: w->hide(); break;
    }
    w->setAlphaMod(widgetInt(GW_ALPHA, 255, 255, 0));
    features(*w);
    applyWidgetSizeFromEditorOrAsset(*w, selectedWidgetId, hadFit);
    w->setTooltip(tip.c_str());
    if (takesMargins(w->getType()))
        w->setMargin(widgetInt(GW_MARGIN_TOP, 0, 1024, 0), widgetInt(GW_MARGIN_RIGHT, 0, 1024, 0),
                     widgetInt(GW_MARGIN_BOTTOM, 0, 1024, 0), widgetInt(GW_MARGIN_LEFT, 0, 1024, 0));
    if (!isFlow(panelLayout))
        w->setPosition(x, y);
}

void CtrlGUI::onDeleteWidget()
{
    Panel* live = livePanel();
    if (!live || selectedWidgetId <= 0)
        return;
    if (showBox("Delete Widget", "Are you sure you want to delete this widget?", 12, 3, 0) != 4)
        return;
    live->closeWidget(selectedWidgetId);
    editorWidgetSizes.erase(selectedWidgetId);
    populateWidgetList();
    selectedWidgetId = 0;
    if (WidgetList* list = panel->getList(GW_LIST))
        list->setSelectedIndex(1);
    resetSkinModes();
    updateData();
}

// --- panel and widget to fields ---

namespace {

void setNumber(Panel* p, int id, float v)
{
    if (WidgetNumberEdit* n = p->getNumberEdit(id))
        n->setValue(v);
}

void setRow(Panel* p, int id, int row)
{
    if (WidgetComboBox* c = p->getComboBox(id))
        c->setSelectedIndex(row);
}

void setCheck(Panel* p, int id, bool on)
{
    if (WidgetCheckBox* c = p->getCheckBox(id))
        c->setChecked(on);
}

void setText(Panel* p, int id, const char* text)
{
    if (WidgetTextEdit* t = p->getTextEdit(id))
        t->setText(text);
}

} // namespace

void CtrlGUI::fillPanelFields(Panel& live)
{
    GUIMgr* g = gui();
    setCheck(panel, GW_FIT_SCREEN, fitScreen);
    panelType = std::clamp(live.getPanelType(), 0, 2);
    setRow(panel, GW_TYPE, panelType + 1);
    panelTTLSeconds = ttlSeconds(live.getPanelTTL());
    setNumber(panel, GW_TTL, static_cast<float>(panelTTLSeconds));
    screenDesired = live.getScreenDesired();
    setNumber(panel, GW_SCREEN, static_cast<float>(screenDesired));
    panelTheme = live.getTheme() == g->getThemeDark() ? 1 : live.getTheme() == g->getThemeFlat() ? 2 : 0;
    setRow(panel, GW_THEME, panelTheme + 1);
    panelLayout = isFlow(live.getLayout()) ? live.getLayout() : 0;
    setRow(panel, GW_LAYOUT, panelLayout + 1);
    layoutAlign = live.getLayoutAlign() >= 0 && live.getLayoutAlign() < 4 ? live.getLayoutAlign() : 0;
    layoutJustify = live.getLayoutJustify() >= 0 && live.getLayoutJustify() < 4 ? live.getLayoutJustify() : 0;
    setRow(panel, GW_ALIGN, layoutAlign + 1);
    setRow(panel, GW_JUSTIFY, layoutJustify + 1);
}

int CtrlGUI::updateData()
{
    Panel* live = livePanel();
    if (!live)
        return 0;
    fillPanelFields(*live);
    Widget* w = selectedWidgetId == 0 ? live->baseWidget() : live->getWidgetByID(selectedWidgetId);
    if (w)
        fillWidgetFields(*w);
    updateSkinEditor();
    return 0;
}

void CtrlGUI::fillWidgetFields(Widget& w)
{
    const bool isPanel = selectedWidgetId == 0;
    setText(panel, GW_NAME, w.getName());
    setText(panel, GW_ID, std::to_string(isPanel ? (w.getID() & 0xFFFFFF) : selectedWidgetId).c_str());
    setRow(panel, GW_STATUS, isPanel ? 2 : rowForStatus(w.status()));
    setNumber(panel, GW_ALPHA, static_cast<float>(w.getAlphaMod()));
    setNumber(panel, GW_WIDTH, static_cast<float>(w.getWidth()));
    setNumber(panel, GW_HEIGHT, static_cast<float>(w.getHeight()));
    const int s = selectedSkinState;
    const bool assetSized =
        !(w.getFeatures() & WF_BG_FIT) && (w.getBackgroundImage(s) > 0 || w.getBackgroundSprite(s, nullptr) > 0);
    if (!editorWidgetSizes.count(selectedWidgetId) && !assetSized)
        editorWidgetSizes[selectedWidgetId] = SDL_Point{w.getWidth(), w.getHeight()};
    const Position x = isPanel && logicalPositionStored ? logicalPosX : w.getPositionX();
    const Position y = isPanel && logicalPositionStored ? logicalPosY : w.getPositionY();
    setNumber(panel, GW_POSX, x.offset);
    setNumber(panel, GW_POSY, y.offset);
    int m[4];
    w.getMargin(m[0], m[1], m[2], m[3]);
    for (int i = 0; i < 4; ++i)
        setNumber(panel, GW_MARGIN_TOP + i, static_cast<float>(m[i]));
    resetSpecialFields();
    if (!isPanel) {
        Panel* live = livePanel();
        const int id = selectedWidgetId;
        switch (w.getType()) {
        case WT_LABEL: setText(panel, GW_TEXT, live->getLabel(id)->getText()); break;
        case WT_FRAME: setCheck(panel, GW_FILLED, live->getFrame(id)->isFilled()); break;
        case WT_BUTTON:
            setRow(panel, GW_HOTKEY, rowForKey(live->getButton(id)->getKey()));
            setText(panel, GW_TEXT, live->getButton(id)->getText());
            break;
        case WT_CHECKBOX: {
            const WidgetCheckBox* c = live->getCheckBox(id);
            setCheck(panel, GW_CHECKED, c->isChecked());
            setNumber(panel, GW_GROUP, static_cast<float>(c->getGroup()));
            setRow(panel, GW_HOTKEY, rowForKey(c->getKey()));
            setText(panel, GW_TEXT, c->getText());
            break;
        }
        case WT_PROGRESS: {
            const WidgetProgress* p = live->getProgress(id);
            setNumber(panel, GW_VALUE, static_cast<float>(p->getValue()));
            setNumber(panel, GW_RANGE, static_cast<float>(progressRangeShown(p->getMin(), p->getMax())));
            break;
        }
        case WT_SLIDER: {
            const WidgetSlider* sl = live->getSlider(id);
            setNumber(panel, GW_VALUE, static_cast<float>(sl->getValue()));
            setNumber(panel, GW_RANGE, static_cast<float>(sliderRangeShown(sl->getMin(), sl->getMax())));
            setNumber(panel, GW_THUMB, static_cast<float>(sl->getThumbSize()));
            setRow(panel, GW_AXIS, sl->getAxis() == 1 ? 2 : 1);
            break;
        }
        case WT_TEXTEDIT: {
            const WidgetTextEdit* t = live->getTextEdit(id);
            setCheck(panel, GW_MULTILINE, t->getMultiline());
            setCheck(panel, GW_READONLY, t->getReadOnly());
            setText(panel, GW_TEXT, t->getText().c_str());
            break;
        }
        case WT_NUMBEREDIT: {
            const WidgetNumberEdit* n = live->getNumberEdit(id);
            if (WidgetNumberEdit* field = panel->getNumberEdit(GW_VALUE)) {
                field->allowFloat(n->isFloatAllowed());
                field->setValue(n->getValue());
            }
            setNumber(panel, GW_MIN, n->getMin());
            setNumber(panel, GW_MAX, n->getMax());
            setNumber(panel, GW_STEP, n->getStep());
            setCheck(panel, GW_ALLOW_FLOAT, n->isFloatAllowed());
            break;
        }
        case WT_LIST:
            setCheck(panel, GW_AUTOSORT, live->getList(id)->getAutoSort());
            setCheck(panel, GW_MULTISELECT, live->getList(id)->getMultiSelect());
            break;
        case WT_COMBOBOX: setCheck(panel, GW_AUTOSORT, live->getComboBox(id)->getAutoSort()); break;
        default: break;
        }
    }
    populateWidgetFeatureWidgets(&w, isPanel ? &x : nullptr, isPanel ? &y : nullptr);
    setText(panel, GW_TOOLTIP, w.getTooltip());
}

// --- which fields are usable ---

void CtrlGUI::showSpecialRows(eWidgetType type) const
{
    const TypeRows* rows = nullptr;
    for (const TypeRows& t : kTypeRows)
        if (t.type == type)
            rows = &t;
    // Rows that stay are not hidden on the way: hiding would take the
    // keyboard focus from the field being typed into.
    for (int id : kSpecialIds) {
        Widget* w = panel->getWidgetByID(id);
        if (!w)
            continue;
        const Place* place = nullptr;
        if (rows)
            for (const Place& p : rows->rows)
                if (p.id == id)
                    place = &p;
        if (!place) {
            w->hide();
            w->disable();
            continue;
        }
        w->setPosition(Position(static_cast<float>(place->x), PH_LEFT), Position(static_cast<float>(place->y), PH_TOP));
        w->show();
        w->enable();
    }
    if (Widget* f = panel->getWidgetByID(GW_SPECIAL_FRAME)) {
        f->show();
        f->enable();
        f->setPosition(Position(5, PH_LEFT), Position(842, PH_TOP));
        f->setSize(190, rows ? rows->frameHeight : 28);
    }
    if (Widget* l = panel->getWidgetByID(GW_SPECIAL_LABEL)) {
        l->show();
        l->enable();
        l->setPosition(Position(9, PH_LEFT), Position(849, PH_TOP));
    }
}

void CtrlGUI::updateWidgetStates(int mode)
{
    const auto use = [this](std::initializer_list<int> ids, bool on) {
        for (int id : ids)
            if (Widget* w = panel->getWidgetByID(id)) {
                if (on)
                    w->enable();
                else
                    w->disable();
            }
    };
    const auto checked = [this](int id) {
        const WidgetCheckBox* c = panel->getCheckBox(id);
        return c && c->isChecked();
    };
    const bool none = mode == 4;
    const Widget* selected = none ? nullptr : getSelectedWidget();
    const bool isWidget = selected && selectedWidgetId != 0;
    const eWidgetType type = isWidget ? selected->getType() : WT_PANEL;
    use({GW_TYPE, GW_SCREEN, GW_THEME_ICON, GW_THEME, GW_LAYOUT}, !none);
    use({GW_FIT_SCREEN}, !none && selectedWidgetId == 0);
    use({GW_TTL_ICON, GW_TTL}, !none && panelType == PT_EPHEMERAL);
    use({GW_ALIGN_ICON, GW_ALIGN, GW_JUSTIFY_ICON, GW_JUSTIFY}, !none && isFlow(panelLayout));
    use({GW_ADD_WIDGET, GW_LIST, GW_LIST_SLIDER, GW_NAME, GW_ID, GW_ALPHA}, !none);
    use({GW_TOOLTIP}, !none && checked(GW_FEATURE_EVENTS));
    use({GW_TOOLTIP_SETTINGS}, selected != nullptr);
    showSpecialRows(isWidget && type != WT_IMAGE ? type : WT_PANEL);
    use({GW_MARGIN_TOP, GW_MARGIN_RIGHT, GW_MARGIN_BOTTOM, GW_MARGIN_LEFT}, isWidget && takesMargins(type));
    for (const FeatureBox& f : kFeatureBoxes)
        use({f.id}, !none);
    use({GW_WIDTH_ICON, GW_WIDTH, GW_HEIGHT_ICON, GW_HEIGHT}, !none && (isWidget || !checked(GW_FIT_SCREEN)));
    use({GW_POSX_MODE, GW_POSX, GW_POSY_MODE, GW_POSY}, !none && (!isWidget || !isFlow(panelLayout)));
    use({GW_STATUS, GW_DEL_WIDGET}, isWidget);
    use({GW_SKIN_NORMAL, GW_SKIN_HOVERED, GW_SKIN_PRESSED, GW_SKIN_ACTION, GW_SKIN_DEACT, GW_SKIN_THEME,
         GW_SKIN_COLORS, GW_SKIN_ASSET},
        selected != nullptr);
    const bool t = checked(GW_SKIN_THEME), c = checked(GW_SKIN_COLORS), a = checked(GW_SKIN_ASSET);
    use({GW_SKIN_FONT}, selected && !t && widgetSupportsFont(type));
    const WidgetComboBox* sprite = panel->getComboBox(GW_SKIN_SPRITE);
    use({GW_SKIN_ANIM}, a && sprite && sprite->getSelectedIndex() > 1);
    setSkinAssetMode(a);
    setSkinColorsMode(t || c, c);
    const bool selection = isWidget && (type == WT_TEXTEDIT || type == WT_NUMBEREDIT || type == WT_LIST ||
                                        type == WT_COMBOBOX);
    for (int id : {GW_SKIN_SELECT_ICON, GW_SKIN_SELECT, GW_SKIN_SELECT_SWATCH})
        if (Widget* w = panel->getWidgetByID(id)) {
            if (selection)
                w->show();
            else
                w->hide();
            if (selection && c)
                w->enable();
            else
                w->disable();
        }
}
