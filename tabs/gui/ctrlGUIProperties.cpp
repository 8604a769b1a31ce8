#include "tabs/gui/ctrlGUIProperties.h"

#include "services/WidgetBuilders.h"
#include "tabs/base/TabServices.h"
#include "tabs/gui/ctrlGUIIds.h"
#include "tabs/gui/ctrlGUIPreview.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <initializer_list>
#include <string>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

// The type-specific rows, hidden until a widget type shows its own.
constexpr int kSpecialIds[] = {GW_VALUE_LABEL, GW_VALUE, GW_RANGE_LABEL, GW_RANGE, GW_THUMB_LABEL, GW_THUMB,
                               GW_AXIS_LABEL, GW_AXIS, GW_MARGINS_LABEL, GW_MARGIN_TOP, GW_MARGIN_RIGHT,
                               GW_MARGIN_BOTTOM, GW_MARGIN_LEFT, GW_TEXT_LABEL, GW_TEXT, GW_FILLED, GW_HOTKEY_LABEL,
                               GW_HOTKEY, GW_CHECKED, GW_GROUP_LABEL, GW_GROUP, GW_AUTOSORT, GW_MULTILINE, GW_READONLY,
                               GW_MIN_LABEL, GW_MIN, GW_MAX_LABEL, GW_MAX, GW_STEP_LABEL, GW_STEP, GW_ALLOW_FLOAT,
                               GW_MULTISELECT};

struct Place {
    int id, x, y;
};

struct TypeRows {
    eWidgetType type;
    std::initializer_list<Place> rows;
    int frameHeight;
};

const TypeRows kTypeRows[] = {
    {WT_LABEL, {{GW_TEXT_LABEL, 13, 870}, {GW_TEXT, 46, 867}}, 51},
    {WT_FRAME, {{GW_FILLED, 72, 846}}, 28},
    {WT_BUTTON, {{GW_TEXT_LABEL, 13, 870}, {GW_TEXT, 46, 867}, {GW_HOTKEY_LABEL, 14, 893}, {GW_HOTKEY, 44, 890}}, 74},
    {WT_CHECKBOX,
     {{GW_TEXT_LABEL, 13, 870}, {GW_TEXT, 46, 867}, {GW_HOTKEY_LABEL, 14, 893}, {GW_HOTKEY, 44, 890},
      {GW_CHECKED, 14, 913}, {GW_GROUP_LABEL, 104, 916}, {GW_GROUP, 145, 913}},
     97},
    {WT_PROGRESS,
     {{GW_VALUE_LABEL, 14, 870}, {GW_VALUE, 59, 867}, {GW_RANGE_LABEL, 110, 870}, {GW_RANGE, 151, 867},
      {GW_MARGINS_LABEL, 14, 893}, {GW_MARGIN_TOP, 62, 890}, {GW_MARGIN_RIGHT, 95, 890}, {GW_MARGIN_BOTTOM, 128, 890},
      {GW_MARGIN_LEFT, 161, 890}},
     74},
    {WT_SLIDER,
     {{GW_VALUE_LABEL, 14, 870}, {GW_VALUE, 59, 867}, {GW_RANGE_LABEL, 110, 870}, {GW_RANGE, 151, 867},
      {GW_MARGINS_LABEL, 14, 893}, {GW_MARGIN_TOP, 62, 890}, {GW_MARGIN_RIGHT, 95, 890}, {GW_MARGIN_BOTTOM, 128, 890},
      {GW_MARGIN_LEFT, 161, 890}, {GW_THUMB_LABEL, 14, 916}, {GW_THUMB, 58, 913}, {GW_AXIS_LABEL, 96, 916},
      {GW_AXIS, 126, 913}},
     97},
    {WT_TEXTEDIT,
     {{GW_MULTILINE, 56, 846}, {GW_READONLY, 119, 846}, {GW_TEXT_LABEL, 13, 870}, {GW_TEXT, 46, 867},
      {GW_MARGINS_LABEL, 14, 893}, {GW_MARGIN_TOP, 62, 890}, {GW_MARGIN_RIGHT, 95, 890}, {GW_MARGIN_BOTTOM, 128, 890},
      {GW_MARGIN_LEFT, 161, 890}},
     74},
    {WT_NUMBEREDIT,
     {{GW_ALLOW_FLOAT, 72, 846}, {GW_VALUE_LABEL, 14, 870}, {GW_VALUE, 59, 867}, {GW_STEP_LABEL, 118, 870},
      {GW_STEP, 149, 867}, {GW_MARGINS_LABEL, 14, 893}, {GW_MARGIN_TOP, 62, 890}, {GW_MARGIN_RIGHT, 95, 890},
      {GW_MARGIN_BOTTOM, 128, 890}, {GW_MARGIN_LEFT, 161, 890}, {GW_MIN_LABEL, 14, 916}, {GW_MIN, 59, 913},
      {GW_MAX_LABEL, 118, 916}, {GW_MAX, 151, 913}},
     97},
    {WT_COMBOBOX,
     {{GW_AUTOSORT, 72, 846}, {GW_MARGINS_LABEL, 14, 870}, {GW_MARGIN_TOP, 62, 867}, {GW_MARGIN_RIGHT, 95, 867},
      {GW_MARGIN_BOTTOM, 128, 867}, {GW_MARGIN_LEFT, 161, 867}},
     51},
    {WT_LIST,
     {{GW_AUTOSORT, 56, 846}, {GW_MULTISELECT, 126, 846}, {GW_MARGINS_LABEL, 14, 870}, {GW_MARGIN_TOP, 62, 867},
      {GW_MARGIN_RIGHT, 95, 867}, {GW_MARGIN_BOTTOM, 128, 867}, {GW_MARGIN_LEFT, 161, 867}},
     51},
};

bool takesMargins(eWidgetType t)
{
    return t == WT_PROGRESS || t == WT_SLIDER || t == WT_TEXTEDIT || t == WT_NUMBEREDIT || t == WT_LIST ||
           t == WT_COMBOBOX;
}

} // namespace

GUIPropertiesPanel::GUIPropertiesPanel(GUIEditState& shared, GUIPreview& placement, const TabServices& services)
    : panel(services.panel()), fields(services.panel()), state(shared), preview(placement), rm(services.resources())
{
}

void GUIPropertiesPanel::resetFields() const
{
    for (int id : {GW_TYPE, GW_THEME, GW_LAYOUT, GW_ALIGN, GW_JUSTIFY, GW_POSX_MODE, GW_POSY_MODE})
        fields.setRow(id, 1);
    fields.setRow(GW_STATUS, 2);
    fields.setNumber(GW_TTL, 1);
    fields.setNumber(GW_SCREEN, 0);
    fields.setNumber(GW_ALPHA, 255);
    fields.setNumber(GW_WIDTH, 15);
    fields.setNumber(GW_HEIGHT, 15);
    for (int id : {GW_POSX, GW_POSY, GW_MARGIN_TOP, GW_MARGIN_RIGHT, GW_MARGIN_BOTTOM, GW_MARGIN_LEFT})
        fields.setNumber(id, 0);
    fields.setCheck(GW_FIT_SCREEN, false);
    resetSpecialFields();
    for (const FeatureBox& f : kFeatureBoxes)
        fields.setCheck(f.id, false);
    fields.setText(GW_TOOLTIP, "");
    fields.setText(GW_NAME, "");
    fields.setText(GW_ID, "0");
}

void GUIPropertiesPanel::resetSpecialFields() const
{
    if (WidgetNumberEdit* value = panel.getNumberEdit(GW_VALUE)) {
        value->allowFloat(false);
        value->setValue(0);
    }
    for (int id : {GW_THUMB, GW_GROUP, GW_MIN, GW_MAX, GW_STEP})
        if (WidgetNumberEdit* n = panel.getNumberEdit(id))
            n->setValue(0);
    if (WidgetNumberEdit* range = panel.getNumberEdit(GW_RANGE))
        range->setValue(1);
    for (int id : {GW_AXIS, GW_HOTKEY})
        if (WidgetComboBox* c = panel.getComboBox(id))
            c->setSelectedIndex(1);
    if (WidgetTextEdit* text = panel.getTextEdit(GW_TEXT))
        text->setText("");
    for (int id : {GW_FILLED, GW_CHECKED, GW_AUTOSORT, GW_MULTILINE, GW_READONLY, GW_ALLOW_FLOAT, GW_MULTISELECT})
        if (WidgetCheckBox* c = panel.getCheckBox(id))
            c->setChecked(false);
}

void GUIPropertiesPanel::growToCaption(Widget& widget, const char* text)
{
    auto* captioned = dynamic_cast<WidgetText*>(&widget);
    if (!captioned)
        return;
    const Position mid = ui::centred();
    captioned->setText(text, mid, mid);
    const int w = std::max(widget.getWidth(), widget.getContentWidth());
    const int h = std::max(widget.getHeight(), widget.getContentHeight());
    if (w == widget.getWidth() && h == widget.getHeight())
        return;
    // The size fields decide the size the common fields apply next.
    if (WidgetNumberEdit* n = panel.getNumberEdit(GW_WIDTH))
        n->setValue(static_cast<float>(w));
    if (WidgetNumberEdit* n = panel.getNumberEdit(GW_HEIGHT))
        n->setValue(static_cast<float>(h));
    widget.setSize(w, h);
}

void GUIPropertiesPanel::applySpecialValue(int id)
{
    Panel* live = state.livePanel();
    const Widget* w = live->getWidgetByID(state.selectedWidgetId);
    if (!w)
        return;
    const int sid = state.selectedWidgetId;
    const WidgetTextEdit* textField = panel.getTextEdit(GW_TEXT);
    const String text = textField ? textField->getText() : String();
    const WidgetCheckBox* box = panel.getCheckBox(id);
    const bool on = box && box->isChecked();
    const WidgetComboBox* keys = panel.getComboBox(GW_HOTKEY);
    const int key = keyForRow(keys ? keys->getSelectedIndex() : 0);
    const auto number = [this](int nid) {
        const WidgetNumberEdit* n = panel.getNumberEdit(nid);
        return n ? n->getValue() : 0.0f;
    };
    const Position mid = ui::centred();
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
            c->setGroup(fields.integer(GW_GROUP, 0, 1024, 0));
        break;
    }
    case WT_PROGRESS:
        if (id == GW_VALUE)
            live->getProgress(sid)->setValue(fields.integer(GW_VALUE, 0, 8192, -8192));
        else if (id == GW_RANGE)
            live->getProgress(sid)->setRange(0, fields.integer(GW_RANGE, 1, 8192, 1));
        break;
    case WT_SLIDER: {
        WidgetSlider* s = live->getSlider(sid);
        if (id == GW_VALUE)
            s->setValue(fields.integer(GW_VALUE, 0, 8192, -8192));
        else if (id == GW_RANGE)
            s->setRange(0, std::max(fields.integer(GW_RANGE, 1, 8192, 1), 1) - 1);
        else if (id == GW_THUMB)
            s->setThumbSize(fields.integer(GW_THUMB, 0, 8192, 0));
        else if (id == GW_AXIS)
            s->setAxis(panel.getComboBox(GW_AXIS) && panel.getComboBox(GW_AXIS)->getSelectedIndex() == 2 ? 1 : 0);
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
            if (WidgetNumberEdit* field = panel.getNumberEdit(GW_VALUE)) {
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
    // The widget keeps its value inside its range and puts a range typed
    // upside down the right way round: the fields show what it took.
    showSpecialNumbers(*live, sid);
}

void GUIPropertiesPanel::showSpecialNumbers(Panel& live, int id) const
{
    if (const WidgetProgress* p = live.getProgress(id)) {
        fields.setNumber(GW_VALUE, static_cast<float>(p->getValue()));
        fields.setNumber(GW_RANGE, static_cast<float>(progressRangeShown(p->getMin(), p->getMax())));
    } else if (const WidgetSlider* sl = live.getSlider(id)) {
        fields.setNumber(GW_VALUE, static_cast<float>(sl->getValue()));
        fields.setNumber(GW_RANGE, static_cast<float>(sliderRangeShown(sl->getMin(), sl->getMax())));
        fields.setNumber(GW_THUMB, static_cast<float>(sl->getThumbSize()));
    } else if (const WidgetNumberEdit* n = live.getNumberEdit(id)) {
        fields.setNumber(GW_VALUE, n->getValue());
        fields.setNumber(GW_MIN, n->getMin());
        fields.setNumber(GW_MAX, n->getMax());
        fields.setNumber(GW_STEP, n->getStep());
    }
}

void GUIPropertiesPanel::applyCommonFields()
{
    Panel* live = state.livePanel();
    live->setScreenDesired(state.screenDesired);
    live->setPanelType(state.panelType, state.panelType == PT_EPHEMERAL ? state.panelTTLSeconds * 1000 : 0);
    const String tip = fields.text(GW_TOOLTIP);
    const auto features = [&](Widget& w) {
        for (const FeatureBox& f : kFeatureBoxes)
            w.setFeatures(f.bit, fields.checked(f.id));
        w.setFeatures(WF_UNNAMED, false);
    };
    const Position x(static_cast<float>(fields.integer(GW_POSX, 0, 8192, -8192)),
                     helperForRow(fields.row(GW_POSX_MODE), true));
    const Position y(static_cast<float>(fields.integer(GW_POSY, 0, 8192, -8192)),
                     helperForRow(fields.row(GW_POSY_MODE), false));
    if (state.selectedWidgetId <= 0) {
        Widget* base = live->baseWidget();
        const bool hadFit = base->getFeatures() & WF_BG_FIT;
        state.fitScreen = fields.checked(GW_FIT_SCREEN);
        live->setSizeMode(0); // the preview never fits the screen
        base->setAlphaMod(fields.integer(GW_ALPHA, 255, 255, 0));
        features(*base);
        if (!state.fitScreen)
            applyWidgetSizeFromEditorOrAsset(*base, 0, hadFit);
        // Only the stored placement changes; the preview stays centred (a
        // new size is centred again) and the stored screen stays what the
        // panel had (the live panel sits on the editor's screen 0 while
        // previewed).
        preview.applyPreviewPanelPosition();
        preview.setLogicalPosition(x, y);
        base->setTooltip(tip.c_str());
        return;
    }
    Widget* w = live->getWidgetByID(state.selectedWidgetId);
    if (!w)
        return;
    const bool hadFit = w->getFeatures() & WF_BG_FIT;
    switch (fields.row(GW_STATUS)) {
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
    w->setAlphaMod(fields.integer(GW_ALPHA, 255, 255, 0));
    features(*w);
    applyWidgetSizeFromEditorOrAsset(*w, state.selectedWidgetId, hadFit);
    w->setTooltip(tip.c_str());
    if (takesMargins(w->getType()))
        w->setMargin(fields.integer(GW_MARGIN_TOP, 0, 1024, 0), fields.integer(GW_MARGIN_RIGHT, 0, 1024, 0),
                     fields.integer(GW_MARGIN_BOTTOM, 0, 1024, 0), fields.integer(GW_MARGIN_LEFT, 0, 1024, 0));
    if (!isFlowLayout(state.panelLayout))
        w->setPosition(x, y);
}

void GUIPropertiesPanel::fillPanelFields(Panel& live)
{
    GUIMgr* g = Main::instance()->guiMgr();
    fields.setCheck(GW_FIT_SCREEN, state.fitScreen);
    state.panelType = std::clamp(live.getPanelType(), 0, 2);
    fields.setRow(GW_TYPE, state.panelType + 1);
    state.panelTTLSeconds = ttlSeconds(live.getPanelTTL());
    fields.setNumber(GW_TTL, static_cast<float>(state.panelTTLSeconds));
    state.screenDesired = live.getScreenDesired();
    fields.setNumber(GW_SCREEN, static_cast<float>(state.screenDesired));
    state.panelTheme = live.getTheme() == g->getThemeDark() ? 1 : live.getTheme() == g->getThemeFlat() ? 2 : 0;
    fields.setRow(GW_THEME, state.panelTheme + 1);
    state.panelLayout = isFlowLayout(live.getLayout()) ? live.getLayout() : 0;
    fields.setRow(GW_LAYOUT, state.panelLayout + 1);
    state.layoutAlign = live.getLayoutAlign() >= 0 && live.getLayoutAlign() < 4 ? live.getLayoutAlign() : 0;
    state.layoutJustify = live.getLayoutJustify() >= 0 && live.getLayoutJustify() < 4 ? live.getLayoutJustify() : 0;
    fields.setRow(GW_ALIGN, state.layoutAlign + 1);
    fields.setRow(GW_JUSTIFY, state.layoutJustify + 1);
}

void GUIPropertiesPanel::fillWidgetFields(Widget& w, const Position* storedX, const Position* storedY)
{
    const bool isPanel = state.selectedWidgetId == 0;
    fields.setText(GW_NAME, w.getName());
    fields.setText(GW_ID, std::to_string(isPanel ? (w.getID() & 0xFFFFFF) : state.selectedWidgetId).c_str());
    fields.setRow(GW_STATUS, isPanel ? 2 : rowForStatus(w.status()));
    fields.setNumber(GW_ALPHA, static_cast<float>(w.getAlphaMod()));
    fields.setNumber(GW_WIDTH, static_cast<float>(w.getWidth()));
    fields.setNumber(GW_HEIGHT, static_cast<float>(w.getHeight()));
    const int s = state.selectedSkinState;
    const bool assetSized =
        !(w.getFeatures() & WF_BG_FIT) && (w.getBackgroundImage(s) > 0 || w.getBackgroundSprite(s, nullptr) > 0);
    if (!state.editorWidgetSizes.count(state.selectedWidgetId) && !assetSized)
        state.editorWidgetSizes[state.selectedWidgetId] = SDL_Point{w.getWidth(), w.getHeight()};
    const Position x = storedX ? *storedX : w.getPositionX();
    const Position y = storedY ? *storedY : w.getPositionY();
    fields.setNumber(GW_POSX, x.offset);
    fields.setNumber(GW_POSY, y.offset);
    int m[4];
    w.getMargin(m[0], m[1], m[2], m[3]);
    for (int i = 0; i < 4; ++i)
        fields.setNumber(GW_MARGIN_TOP + i, static_cast<float>(m[i]));
    resetSpecialFields();
    if (!isPanel) {
        Panel* live = state.livePanel();
        const int id = state.selectedWidgetId;
        switch (w.getType()) {
        case WT_LABEL: fields.setText(GW_TEXT, live->getLabel(id)->getText()); break;
        case WT_FRAME: fields.setCheck(GW_FILLED, live->getFrame(id)->isFilled()); break;
        case WT_BUTTON:
            fields.setRow(GW_HOTKEY, rowForKey(live->getButton(id)->getKey()));
            fields.setText(GW_TEXT, live->getButton(id)->getText());
            break;
        case WT_CHECKBOX: {
            const WidgetCheckBox* c = live->getCheckBox(id);
            fields.setCheck(GW_CHECKED, c->isChecked());
            fields.setNumber(GW_GROUP, static_cast<float>(c->getGroup()));
            fields.setRow(GW_HOTKEY, rowForKey(c->getKey()));
            fields.setText(GW_TEXT, c->getText());
            break;
        }
        case WT_PROGRESS: showSpecialNumbers(*live, id); break;
        case WT_SLIDER:
            showSpecialNumbers(*live, id);
            fields.setRow(GW_AXIS, live->getSlider(id)->getAxis() == 1 ? 2 : 1);
            break;
        case WT_TEXTEDIT: {
            const WidgetTextEdit* t = live->getTextEdit(id);
            fields.setCheck(GW_MULTILINE, t->getMultiline());
            fields.setCheck(GW_READONLY, t->getReadOnly());
            fields.setText(GW_TEXT, t->getText().c_str());
            break;
        }
        case WT_NUMBEREDIT: {
            const WidgetNumberEdit* n = live->getNumberEdit(id);
            if (WidgetNumberEdit* field = panel.getNumberEdit(GW_VALUE))
                field->allowFloat(n->isFloatAllowed());
            showSpecialNumbers(*live, id);
            fields.setCheck(GW_ALLOW_FLOAT, n->isFloatAllowed());
            break;
        }
        case WT_LIST:
            fields.setCheck(GW_AUTOSORT, live->getList(id)->getAutoSort());
            fields.setCheck(GW_MULTISELECT, live->getList(id)->getMultiSelect());
            break;
        case WT_COMBOBOX: fields.setCheck(GW_AUTOSORT, live->getComboBox(id)->getAutoSort()); break;
        default: break;
        }
    }
    populateWidgetFeatureWidgets(&w, &x, &y);
    fields.setText(GW_TOOLTIP, w.getTooltip());
}

void GUIPropertiesPanel::populateWidgetFeatureWidgets(const Widget* widget, const Position* posX,
                                                      const Position* posY) const
{
    if (!widget)
        return;
    const Position x = posX ? *posX : widget->getPositionX();
    const Position y = posY ? *posY : widget->getPositionY();
    if (WidgetComboBox* c = panel.getComboBox(GW_POSX_MODE))
        c->setSelectedIndex(rowForHelper(x.helper, true));
    if (WidgetComboBox* c = panel.getComboBox(GW_POSY_MODE))
        c->setSelectedIndex(rowForHelper(y.helper, false));
    for (const FeatureBox& f : kFeatureBoxes)
        if (WidgetCheckBox* box = panel.getCheckBox(f.id))
            box->setChecked((widget->getFeatures() & f.bit) != 0);
}

void GUIPropertiesPanel::applyWidgetSizeFromEditorOrAsset(Widget& widget, int id, bool remember)
{
    const int ew = fields.integer(GW_WIDTH, 15, 8192, 1), eh = fields.integer(GW_HEIGHT, 15, 8192, 1);
    const auto show = [this](int w, int h) {
        if (WidgetNumberEdit* n = panel.getNumberEdit(GW_WIDTH))
            n->setValue(static_cast<float>(w));
        if (WidgetNumberEdit* n = panel.getNumberEdit(GW_HEIGHT))
            n->setValue(static_cast<float>(h));
    };
    const WidgetCheckBox* fitBox = panel.getCheckBox(GW_FEATURE_BGFIT);
    if (fitBox && fitBox->isChecked()) {
        // The background is scaled to the widget: the editor decides the size.
        const auto kept = state.editorWidgetSizes.find(id);
        SDL_Point size{ew, eh};
        if (kept != state.editorWidgetSizes.end() && !remember)
            size = kept->second;
        else
            state.editorWidgetSizes[id] = size;
        widget.setSize(size.x, size.y);
        show(size.x, size.y);
        return;
    }
    if (remember)
        state.editorWidgetSizes[id] = SDL_Point{widget.getWidth(), widget.getHeight()};
    const int skinState = state.selectedSkinState;
    if (const Image* img = Main::instance()->imageMgr()->get(widget.getBackgroundImage(skinState));
        img && widget.getBackgroundImage(skinState) > 0) {
        widget.setSize(img->getWidth(), img->getHeight());
        show(img->getWidth(), img->getHeight());
        return;
    }
    if (const Sprite* sprite = Main::instance()->spriteMgr()->get(widget.getBackgroundSprite(skinState, nullptr));
        sprite && widget.getBackgroundSprite(skinState, nullptr) > 0) {
        int w = 0, h = 0;
        sprite->getOffset(&w, &h);
        widget.setSize(w, h);
        show(w, h);
        return;
    }
    state.editorWidgetSizes[id] = SDL_Point{ew, eh};
    widget.setSize(ew, eh);
}
void GUIPropertiesPanel::showSpecialRows(eWidgetType type) const
{
    const TypeRows* rows = nullptr;
    for (const TypeRows& t : kTypeRows)
        if (t.type == type)
            rows = &t;
    // Rows that stay are not hidden on the way: hiding would take the
    // keyboard focus from the field being typed into.
    for (int id : kSpecialIds) {
        Widget* w = panel.getWidgetByID(id);
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
        w->setPosition(ui::left(static_cast<float>(place->x)), ui::top(static_cast<float>(place->y)));
        w->show();
        w->enable();
    }
    if (Widget* f = panel.getWidgetByID(GW_SPECIAL_FRAME)) {
        f->show();
        f->enable();
        f->setPosition(ui::left(5), ui::top(842));
        f->setSize(190, rows ? rows->frameHeight : 28);
    }
    if (Widget* l = panel.getWidgetByID(GW_SPECIAL_LABEL)) {
        l->show();
        l->enable();
        l->setPosition(ui::left(9), ui::top(849));
    }
}

void GUIPropertiesPanel::updateStates(bool none, const Widget* selected, bool isWidget) const
{
    const eWidgetType type = isWidget ? selected->getType() : WT_PANEL;
    fields.enable({GW_TYPE, GW_SCREEN, GW_THEME_ICON, GW_THEME, GW_LAYOUT}, !none);
    fields.enable({GW_FIT_SCREEN}, !none && state.selectedWidgetId == 0);
    fields.enable({GW_TTL_ICON, GW_TTL}, !none && state.panelType == PT_EPHEMERAL);
    fields.enable({GW_ALIGN_ICON, GW_ALIGN, GW_JUSTIFY_ICON, GW_JUSTIFY}, !none && isFlowLayout(state.panelLayout));
    fields.enable({GW_ADD_WIDGET, GW_LIST, GW_LIST_SLIDER, GW_NAME, GW_ID, GW_ALPHA}, !none);
    fields.enable({GW_TOOLTIP}, !none && fields.checked(GW_FEATURE_EVENTS));
    fields.enable({GW_TOOLTIP_SETTINGS}, selected != nullptr);
    showSpecialRows(isWidget && type != WT_IMAGE ? type : WT_PANEL);
    fields.enable({GW_MARGIN_TOP, GW_MARGIN_RIGHT, GW_MARGIN_BOTTOM, GW_MARGIN_LEFT}, isWidget && takesMargins(type));
    for (const FeatureBox& f : kFeatureBoxes)
        fields.enable({f.id}, !none);
    fields.enable({GW_WIDTH_ICON, GW_WIDTH, GW_HEIGHT_ICON, GW_HEIGHT},
                  !none && (isWidget || !fields.checked(GW_FIT_SCREEN)));
    fields.enable({GW_POSX_MODE, GW_POSX, GW_POSY_MODE, GW_POSY},
                  !none && (!isWidget || !isFlowLayout(state.panelLayout)));
    fields.enable({GW_STATUS, GW_DEL_WIDGET}, isWidget);
}
