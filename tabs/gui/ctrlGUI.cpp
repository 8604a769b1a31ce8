#include "tabs/gui/ctrlGUI.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <initializer_list>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

GUIMgr* gui() { return Main::instance()->guiMgr(); }

const char* const kRenameWarning = "Could not rename the panel. Check duplicate names and child widget name lengths.";

Position left(int x) { return Position(static_cast<float>(x), PH_LEFT); }
Position top(int y) { return Position(static_cast<float>(y), PH_TOP); }
Position centred() { return Position(0, PH_CENTER); }

struct LabelSpec {
    int id;
    const char* name;
    const char* text;
    int x, y;
};

struct ComboSpec {
    int id;
    const char* name;
    std::initializer_list<const char*> rows;
    int w, x, y;
    const char* tooltip;
};

struct NumberSpec {
    int id;
    const char* name;
    int w, x, y;
    int min, max, value;
    const char* tooltip;
};

struct IconSpec {
    int id;
    const char* name;
    int sprite;
    int x, y;
    const char* tooltip;
};

struct CheckSpec {
    int id;
    const char* name;
    const char* text;
    int w, x, y;
    const char* tooltip;
};

const char* const kTTLTip = "Time to live in seconds for ephemeral panels";
const char* const kThemeTip = "Theme skin of the selected panel";
const char* const kAlignTip = "Cross-axis alignment for horizontal and vertical flow layouts";
const char* const kJustifyTip = "Main-axis distribution for horizontal and vertical flow layouts";

} // namespace

CtrlGUI::CtrlGUI(ResourceManager* rm, GlobalStatus* gs) : CtrlBase("GUI", 230, rm, gs)
{
    Main::instance()->tool()->szCopy(blockType, "ZK7_GUIPANEL", sizeof(blockType));
    setLabel(BW_TITLE, tabName + " (Panels)", 5);
    panel->baseWidget()->setSize(200, 1290);
    createWidgets();
    CtrlGUI::onNew();
}

CtrlGUI::~CtrlGUI() { CtrlGUI::closeResources(); }

// --- the editor panel ---

void CtrlGUI::createWidgets()
{
    const int font = resourceManager->get(SR_FONT);
    createPanelSettings(font);
    createIdentityRows(font);
    createPlacementRows(font);
    createFeatureRows(font);
    createSkinRows(font);
    createSpecialRows(font);
}

namespace {

void addLabels(Panel* panel, int font, std::initializer_list<LabelSpec> specs)
{
    for (const LabelSpec& s : specs)
        if (WidgetLabel* l = panel->createLabel(s.name, s.id)) {
            l->setFont(font, WS_ALL);
            l->setBackgroundColor(225, 225, 225, WS_ALL);
            l->setText(s.text, centred(), centred());
            l->setPosition(left(s.x), top(s.y));
        }
}

void addCombos(Panel* panel, int font, std::initializer_list<ComboSpec> specs)
{
    for (const ComboSpec& s : specs)
        if (WidgetComboBox* c = panel->createComboBox(s.name, s.id)) {
            c->setFont(font, WS_ALL);
            c->setSize(s.w, 19);
            c->setPosition(left(s.x), top(s.y));
            for (const char* row : s.rows)
                c->addItem(row);
            c->setSelectedIndex(1);
            if (s.tooltip)
                c->setTooltip(s.tooltip);
        }
}

void addNumbers(Panel* panel, int font, std::initializer_list<NumberSpec> specs)
{
    for (const NumberSpec& s : specs)
        if (WidgetNumberEdit* n = panel->createNumberEdit(s.name, s.id)) {
            n->setFont(font, WS_ALL);
            n->setSize(s.w, 19);
            n->setPosition(left(s.x), top(s.y));
            n->setRange(static_cast<float>(s.min), static_cast<float>(s.max));
            n->setValue(static_cast<float>(s.value));
            n->setFeatures(WF_FOCUS_LOST, true);
            n->setTooltip(s.tooltip);
        }
}

void addChecks(Panel* panel, int font, std::initializer_list<CheckSpec> specs)
{
    for (const CheckSpec& s : specs)
        if (WidgetCheckBox* c = panel->createCheckBox(s.name, s.id)) {
            if (font > 0)
                c->setFont(font, WS_ALL);
            c->setText(s.text, centred(), centred());
            c->setSize(s.w, 19);
            c->setPosition(left(s.x), top(s.y));
            c->setTooltip(s.tooltip);
        }
}

void addFrame(Panel* panel, int id, const char* name, int w, int h, int x, int y)
{
    if (WidgetFrame* f = panel->createFrame(name, id)) {
        f->setFilled(false);
        f->setBorderColor(110, 110, 110, 255, WS_ALL);
        f->setBorderWidth(1, WS_ALL);
        f->setSize(w, h);
        f->setPosition(left(x), top(y));
    }
}

} // namespace

void CtrlGUI::createPanelSettings(int font)
{
    const IconSpec icons[] = {
        {GW_TTL_ICON, "TTLIcon", SS_TIME_ICON, 127, 236, kTTLTip},
        {GW_THEME_ICON, "ThemeIcon", SS_THEME_ICON, 85, 263, kThemeTip},
        {GW_ALIGN_ICON, "AlignIcon", SS_ALIGN_ICON, 9, 317, kAlignTip},
        {GW_JUSTIFY_ICON, "JustifyIcon", SS_JUSTIFY_ICON, 106, 317, kJustifyTip},
    };
    addLabels(panel, font,
              {{GW_TYPE_LABEL, "TypeLabel", "Type:", 5, 240},
               {GW_SCREEN_LABEL, "ScreenLabel", "Screen:", 5, 267},
               {GW_LAYOUT_LABEL, "LayoutLabel", "Layout:", 5, 294}});
    addCombos(panel, font,
              {{GW_TYPE, "PanelTypeCombo", {"Modeless", "Modal", "Ephemeral"}, 80, 37, 237, "Type of the selected panel"},
               {GW_THEME, "ThemeCombo", {"Default", "Dark", "Flat"}, 84, 110, 264, kThemeTip},
               {GW_LAYOUT, "LayoutCombo", {"Standard", "Horizontal flow", "Vertical flow"}, 117, 46, 291,
                "Layout mode of the selected panel"},
               {GW_ALIGN, "AlignCombo", {"Start", "Center", "End", "Stretch"}, 62, 34, 318, kAlignTip},
               {GW_JUSTIFY, "JustifyCombo", {"Start", "Center", "End", "Space"}, 60, 131, 318, kJustifyTip}});
    addNumbers(panel, font,
               {{GW_TTL, "TTLSeconds", 42, 152, 237, 1, 86400, 1, kTTLTip},
                {GW_SCREEN, "ScreenBox", 28, 50, 264, 0, 16, 0, "Target screen index for the selected panel"}});
    for (const IconSpec& s : icons)
        if (WidgetImage* img = panel->createImage(s.name, s.id)) {
            img->setBackgroundSprite(resourceManager->getClone(s.sprite), WS_ALL, 0);
            img->setPosition(left(s.x), top(s.y));
            img->setFeatures(WF_EVENTS, true);
            img->setTooltip(s.tooltip);
        }
}

void CtrlGUI::createIdentityRows(int font)
{
    addLabels(panel, font,
              {{GW_WIDGETS_LABEL, "WidgetsLabel", "Widgets:", 5, 344},
               {GW_NAME_LABEL, "NameLabel", "Name:", 5, 470},
               {GW_ID_LABEL, "IDLabel", "ID:", 126, 470},
               {GW_STATUS_LABEL, "StatusLabel", "Status:", 5, 497},
               {GW_ALPHA_LABEL, "AlphaModLabel", "AlphaMod:", 112, 497}});
    if (WidgetList* list = panel->createList("WidgetsList", GW_LIST)) {
        list->setFont(font, WS_ALL);
        list->setSize(150, 100);
        list->setPosition(left(5), top(359));
        list->setTooltip("Widgets of the selected GUI panel");
    }
    if (WidgetSlider* slider = panel->createSlider("WidgetListSlider", GW_LIST_SLIDER, 1)) {
        slider->setSize(15, 100);
        slider->setPosition(left(155), top(359));
        slider->setMargin(15, 0, 15, 0);
        slider->setRange(0, 0);
        slider->setTooltip("Scroll the widget list");
    }
    const IconSpec buttons[] = {
        {GW_ADD_WIDGET, "AddWidget", SS_NEW_ITEM, -1, 359, "Add a new widget to the panel"},
        {GW_DEL_WIDGET, "DelWidget", SS_DELETE_ITEM, -1, 394, "Delete the selected widget"},
    };
    for (const IconSpec& s : buttons)
        if (WidgetButton* b = panel->createButton(s.name, s.id)) {
            b->setText("", centred(), centred());
            b->setBackgroundSprite(resourceManager->getClone(s.sprite), WS_ALL, 0);
            b->setPosition(Position(static_cast<float>(s.x), PH_RIGHT), top(s.y));
            b->setTooltip(s.tooltip);
        }
    const struct {
        int id;
        const char* name;
        const char* text;
        int w, x;
        const char* tooltip;
    } edits[] = {
        {GW_NAME, "WidgetName", "", 80, 41, "Name of the selected widget"},
        {GW_ID, "WidgetIDBox", "0", 49, 145, "ID of the selected widget"},
    };
    for (const auto& s : edits)
        if (WidgetTextEdit* e = panel->createTextEdit(s.name, s.id)) {
            e->setFont(font, WS_ALL);
            e->setSize(s.w, 19);
            e->setPosition(left(s.x), top(467));
            e->setText(s.text);
            e->setReadOnly(true);
            e->setTooltip(s.tooltip);
        }
    addCombos(panel, font,
              {{GW_STATUS, "WidgetStatus", {"Shown", "Hidden", "Disabled"}, 68, 43, 494, "Status of the selected widget"}});
    addNumbers(panel, font,
               {{GW_ALPHA, "WidgetAlphaMod", 25, 169, 494, 0, 255, 255, "Alpha modulation of the selected widget"}});
}

void CtrlGUI::createPlacementRows(int font)
{
    addFrame(panel, GW_SIZE_FRAME, "SizePosFrame", 190, 75, 5, 517);
    const IconSpec icons[] = {
        {GW_WIDTH_ICON, "WidthIcon", SS_WIDTH_ICON, 13, 521, "Width of the selected widget"},
        {GW_HEIGHT_ICON, "HeightIcon", SS_HEIGHT_ICON, 93, 521, "Height of the selected widget"},
    };
    for (const IconSpec& s : icons)
        if (WidgetImage* img = panel->createImage(s.name, s.id)) {
            img->setBackgroundSprite(resourceManager->getClone(s.sprite), WS_ALL, 0);
            img->setPosition(left(s.x), top(s.y));
            img->setFeatures(WF_EVENTS, true);
            img->setTooltip(s.tooltip);
        }
    addNumbers(panel, font,
               {{GW_WIDTH, "WidgetWidth", 45, 38, 522, 1, 8192, 15, "Width of the selected widget"},
                {GW_HEIGHT, "WidgetHeight", 45, 118, 522, 1, 8192, 15, "Height of the selected widget"}});
    if (WidgetCheckBox* fit = panel->createCheckBox("FitScreen", GW_FIT_SCREEN)) {
        fit->setText("", centred(), centred());
        fit->setBackgroundSprite(resourceManager->getClone(SS_FIT_CHECK), WS_ALL, 0);
        fit->setPosition(left(165), top(518));
        fit->setTooltip("Fit the panel to the attached screen size");
    }
    addLabels(panel, font, {{GW_POSX_LABEL, "PosXLabel", "X:", 20, 548}, {GW_POSY_LABEL, "PosYLabel", "Y:", 20, 571}});
    addCombos(panel, font,
              {{GW_POSX_MODE, "WidgetPosXMode", {"Abs", "Left", "Center", "Right"}, 72, 38, 545,
                "Horizontal position helper for the selected widget"},
               {GW_POSY_MODE, "WidgetPosYMode", {"Abs", "Top", "Center", "Bottom"}, 72, 38, 568,
                "Vertical position helper for the selected widget"}});
    addNumbers(panel, font,
               {{GW_POSX, "WidgetPosXOffset", 48, 115, 545, -8192, 8192, 0,
                 "Horizontal position or offset for the selected widget"},
                {GW_POSY, "WidgetPosYOffset", 48, 115, 568, -8192, 8192, 0,
                 "Vertical position or offset for the selected widget"}});
}

void CtrlGUI::createFeatureRows(int font)
{
    addFrame(panel, GW_FEATURES_FRAME, "FeaturesFrame", 190, 100, 5, 594);
    addLabels(panel, font, {{GW_FEATURES_LABEL, "FeaturesLabel", "Features:", 9, 601}});
    addChecks(panel, 0,
              {{GW_FEATURE_EVENTS, "WidgetFeatureEvents", "Events", 54, 73, 599,
                "Allow the widget to process events and emit action events"},
               {GW_FEATURE_OVER, "WidgetFeatureOver", "Hover", 54, 132, 599, "Emit mouse-over events while hovered"},
               {GW_FEATURE_LOST, "WidgetFeatureLost", "Lost", 62, 8, 622,
                "Emit lost-focus events when focus leaves the widget"},
               {GW_FEATURE_FADE, "WidgetFeatureFade", "Fade", 54, 73, 622, "Animated fade at show and hide time"},
               {GW_FEATURE_DRAG, "WidgetFeatureDrag", "Drag", 54, 132, 622, "Allow moving the widget by drag and drop"},
               {GW_FEATURE_ENCLOSE, "WidgetFeatureEnclose", "Enclose", 62, 8, 646,
                "Keep the widget enclosed inside its parent bounds"},
               {GW_FEATURE_BGFIT, "WidgetFeatureBgFit", "BgFit", 54, 73, 646,
                "Scale background image or sprite to the widget size"},
               {GW_FEATURE_NOBG, "WidgetFeatureNoBg", "NoBg", 54, 132, 646, "Disable background rendering"}});
    addLabels(panel, font, {{GW_TOOLTIP_LABEL, "TooltipLabel", "Tooltip:", 13, 673}});
    if (WidgetTextEdit* tip = panel->createTextEdit("WidgetTooltip", GW_TOOLTIP)) {
        tip->setFont(font, WS_ALL);
        tip->setSize(105, 19);
        tip->setPosition(left(58), top(670));
        tip->setFeatures(WF_FOCUS_LOST, true);
        tip->setTooltip("Tooltip text of the selected widget");
    }
    if (WidgetButton* b = panel->createButton("TooltipSettings", GW_TOOLTIP_SETTINGS)) {
        b->setText("", centred(), centred());
        b->setBackgroundSprite(resourceManager->getClone(SS_SETTINGS), WS_ALL, 0);
        b->setPosition(left(166), top(665));
        b->setTooltip("Tooltip settings of the selected widget");
    }
}

void CtrlGUI::createSkinRows(int font)
{
    addFrame(panel, GW_SKIN_FRAME, "SkinFrame", 190, 144, 5, 696);
    addLabels(panel, font, {{GW_SKIN_LABEL, "SkinLabel", "Skin:", 5, 702}});
    const CheckSpec radios[] = {
        {GW_SKIN_NORMAL, "SkinNormal", "N", 19, 4, 721, "Normal skin state"},
        {GW_SKIN_HOVERED, "SkinHovered", "H", 19, 4, 744, "Hovered skin state"},
        {GW_SKIN_PRESSED, "SkinPressed", "P", 19, 4, 767, "Pressed skin state"},
        {GW_SKIN_ACTION, "SkinAction", "A", 19, 4, 790, "Action skin state"},
        {GW_SKIN_DEACT, "SkinDeact", "D", 19, 4, 813, "Deactivated skin state"},
    };
    for (const CheckSpec& s : radios) {
        addChecks(panel, 0, {s});
        if (WidgetCheckBox* c = panel->getCheckBox(s.id)) {
            c->setGroup(9001);
            // The letter ends before the column of fields at x 36.
            c->setSize(c->getContentWidth(), 19);
        }
    }
    addChecks(panel, 0,
              {{GW_SKIN_THEME, "SkinTheme", "Theme", 52, 42, 701, "Use the panel theme for this skin state"},
               {GW_SKIN_COLORS, "SkinColors", "Color", 46, 96, 701,
                "Use custom colors and border values for the selected skin state"},
               {GW_SKIN_ASSET, "SkinAsset", "Asset", 46, 146, 701,
                "Use image or sprite resources for the selected skin state"}});
    // The mode boxes follow the caption, each as wide as its box and text,
    // with what room the frame leaves shared out between them.
    if (const Widget* caption = panel->getWidgetByID(GW_SKIN_LABEL)) {
        const int modes[] = {GW_SKIN_THEME, GW_SKIN_COLORS, GW_SKIN_ASSET};
        int x = caption->getRect().x - panel->baseWidget()->getRect().x + caption->getContentWidth() - 4;
        int widths = 0;
        for (int id : modes)
            if (const Widget* box = panel->getWidgetByID(id))
                widths += box->getContentWidth();
        const int frameRight = 5 + 190 - 4; // 3 pixels inside the outline
        const int gap = std::max(-2, (frameRight - x - widths) / 2);
        for (int id : modes)
            if (Widget* box = panel->getWidgetByID(id)) {
                box->setSize(box->getContentWidth(), 19);
                box->setPosition(left(x), top(701));
                x += box->getContentWidth() + gap;
            }
    }
    addLabels(panel, font, {{GW_SKIN_FONT_LABEL, "SkinFontLabel", "Font:", 36, 727}});
    addCombos(panel, font, {{GW_SKIN_FONT, "SkinFont", {"Theme"}, 121, 66, 724, "Font used by the selected skin state"}});
    // A colour reaches the widget when its text is committed or left, and
    // after the picker's OK; not per keystroke, when the text is half typed.
    const auto picked = [this](Widget& edit) {
        if (onSkinEvent(edit.getID()) && livePanel())
            setDirty(true);
    };
    createColorField(panel, resourceManager, "SkinSelectColor", GW_SKIN_SELECT_ICON, GW_SKIN_SELECT,
                     GW_SKIN_SELECT_SWATCH, 36, 747, "Selection color in #RRGGBBAA hex", "#000000A0", 80, picked);
    addLabels(panel, font,
              {{GW_SKIN_IMAGE_LABEL, "SkinImageLabel", "Image:", 36, 773},
               {GW_SKIN_SPRITE_LABEL, "SkinSpriteLabel", "Sprite:", 36, 796},
               {GW_SKIN_ANIM_LABEL, "SkinAnimLabel", "Anim:", 75, 819}});
    addCombos(panel, font,
              {{GW_SKIN_IMAGE, "SkinImage", {"None"}, 112, 75, 770, "Background image for the selected skin state"},
               {GW_SKIN_SPRITE, "SkinSprite", {"None"}, 112, 75, 793, "Background sprite for the selected skin state"},
               {GW_SKIN_ANIM, "SkinAnim", {"0"}, 44, 111, 816, "Sprite animation used by the selected skin state"}});
    createColorField(panel, resourceManager, "SkinBgColor", GW_SKIN_BG_ICON, GW_SKIN_BG, GW_SKIN_BG_SWATCH, 36, 770,
                     "Background color in #RRGGBB hex", "#000000", 80, picked);
    createColorField(panel, resourceManager, "SkinBorderColor", GW_SKIN_BORDER_ICON, GW_SKIN_BORDER,
                     GW_SKIN_BORDER_SWATCH, 36, 793, "Border color in #RRGGBBAA hex", "#000000FF", 80, picked);
    // These replace the field's own handlers: a text that does not parse
    // takes the widget's colour back, not the field's last text.
    for (int id : {GW_SKIN_SELECT, GW_SKIN_BG, GW_SKIN_BORDER})
        if (Widget* edit = panel->getWidgetByID(id)) {
            edit->setOnValueCommitted(picked);
            edit->setOnFocusLost(picked);
        }
    addLabels(panel, font,
              {{GW_SKIN_WIDTH_LABEL, "SkinBorderWidthLabel", "Width:", 36, 819},
               {GW_SKIN_CORNER_LABEL, "SkinBorderCornerLabel", "Corner:", 117, 819}});
    addNumbers(panel, font,
               {{GW_SKIN_WIDTH, "SkinBorderWidth", 28, 76, 816, 0, 32, 1, "Border width of the selected skin state"},
                {GW_SKIN_CORNER, "SkinBorderCorner", 28, 159, 816, 0, 64, 0,
                 "Border corner radius of the selected skin state"}});
}

void CtrlGUI::createSpecialRows(int font)
{
    addFrame(panel, GW_SPECIAL_FRAME, "SpecialFrame", 190, 118, 5, 842);
    addLabels(panel, font,
              {{GW_SPECIAL_LABEL, "SpecialLabel", "Special:", 9, 849},
               {GW_VALUE_LABEL, "ValueLabel", "Value:", 14, 870},
               {GW_RANGE_LABEL, "RangeLabel", "Range:", 103, 870},
               {GW_HOTKEY_LABEL, "HotkeyLabel", "Key:", 14, 870},
               {GW_THUMB_LABEL, "ThumbSizeLabel", "Thumb:", 14, 893},
               {GW_AXIS_LABEL, "AxisLabel", "Axis:", 100, 893},
               {GW_GROUP_LABEL, "GroupLabel", "Group:", 100, 893},
               {GW_MIN_LABEL, "MinLabel", "Min:", 14, 893},
               {GW_MAX_LABEL, "MaxLabel", "Max:", 100, 893},
               {GW_MARGINS_LABEL, "MarginsLabel", "Margins:", 14, 916},
               {GW_TEXT_LABEL, "TextValueLabel", "Text:", 14, 939},
               {GW_STEP_LABEL, "StepLabel", "Step:", 101, 939}});
    addNumbers(panel, font,
               {{GW_VALUE, "WidgetValue", 35, 58, 867, -8192, 8192, 0, "Current value of the selected widget"},
                {GW_RANGE, "WidgetRange", 35, 142, 867, 1, 8192, 1, "Current range of the selected widget"},
                {GW_THUMB, "WidgetThumbSize", 35, 58, 890, 0, 8192, 0, "Fixed thumb size of the selected slider"},
                {GW_GROUP, "WidgetGroup", 38, 141, 890, 0, 1024, 0, "Group id of the selected checkbox"},
                {GW_MIN, "WidgetMin", 35, 38, 890, -8192, 8192, 0, "Minimum value of the selected number edit"},
                {GW_MAX, "WidgetMax", 35, 126, 890, -8192, 8192, 0, "Maximum value of the selected number edit"},
                {GW_MARGIN_TOP, "WidgetMarginTop", 29, 59, 913, 0, 1024, 0, "Top margin of the selected widget"},
                {GW_MARGIN_RIGHT, "WidgetMarginRight", 29, 91, 913, 0, 1024, 0, "Right margin of the selected widget"},
                {GW_MARGIN_BOTTOM, "WidgetMarginBottom", 29, 123, 913, 0, 1024, 0,
                 "Bottom margin of the selected widget"},
                {GW_MARGIN_LEFT, "WidgetMarginLeft", 29, 155, 913, 0, 1024, 0, "Left margin of the selected widget"},
                {GW_STEP, "WidgetStep", 35, 45, 936, 0, 8192, 0, "Step value of the selected number edit"}});
    if (WidgetNumberEdit* step = panel->getNumberEdit(GW_STEP))
        step->allowFloat(true);
    addChecks(panel, 0,
              {{GW_FILLED, "WidgetFilled", "Filled", 60, 14, 867, "Whether the selected frame is filled"},
               {GW_AUTOSORT, "WidgetAutoSort", "AutoSort", 60, 14, 867, "Automatically keep items sorted"},
               {GW_MULTISELECT, "WidgetMultiSelect", "MultiSel", 60, 104, 867, "Enable interactive multi-selection"},
               {GW_CHECKED, "WidgetChecked", "Checked", 74, 14, 890, "Checked state of the selected checkbox"},
               {GW_MULTILINE, "WidgetMultiline", "Multiline", 60, 0, 890, "Enable multiline editing"},
               {GW_READONLY, "WidgetReadOnly", "ReadOnly", 60, 80, 890, "Enable read-only mode"},
               {GW_ALLOW_FLOAT, "WidgetAllowFloat", "Float", 60, 14, 867, "Allow floating point values"}});
    ComboSpec hotkey{GW_HOTKEY, "WidgetHotkey", {}, 56, 45, 867, "Hotkey of the selected widget"};
    addCombos(panel, font, {hotkey});
    if (WidgetComboBox* keys = panel->getComboBox(GW_HOTKEY)) {
        keys->clearItems();
        for (const HotkeyOption& k : kHotkeyOptions)
            keys->addItem(k.label);
        keys->setSelectedIndex(1);
    }
    addCombos(panel, font, {{GW_AXIS, "WidgetAxis", {"Horizont", "Vertical"}, 52, 133, 890, "Axis of the selected slider"}});
    if (WidgetTextEdit* text = panel->createTextEdit("WidgetTextValue", GW_TEXT)) {
        text->setFont(font, WS_ALL);
        text->setSize(141, 19);
        text->setPosition(left(44), top(936));
        text->setFeatures(WF_FOCUS_LOST, true);
        text->setTooltip("Text value of the selected widget");
    }
}

// --- life cycle ---

Panel* CtrlGUI::livePanel() const { return panelId > 0 ? gui()->getPanel(panelId) : nullptr; }

bool CtrlGUI::takesEventsFrom(int eventPanelId) const { return eventPanelId <= 0 || eventPanelId != panelId; }

int CtrlGUI::render(int)
{
    if (screen)
        screen->clear(180, 180, 180, 255);
    syncWidgetListSlider();
    return 0;
}

int CtrlGUI::resetWidgets()
{
    CtrlBase::resetWidgets();
    return CtrlGUI::onNew();
}

int CtrlGUI::parseQEL()
{
    const int rc = CtrlBase::parseQEL();
    populateSkinResourceLists();
    updateSkinEditor();
    return rc;
}

int CtrlGUI::onActivate()
{
    const int archiveId = globalStatus->iArchiveID;
    if (panelId <= 0 && !currentItemName.empty() && archiveId >= 1) {
        const int id = gui()->load(archiveId, currentItemName.c_str());
        if (id < 1) {
            panelId = 0;
            return 0;
        }
        panelId = id;
        isolateLoadedPanelForPreview();
        populateWidgetList();
        populateSkinResourceLists();
    }
    if (Panel* live = livePanel()) {
        live->attachTo(0);
        gui()->setPanelFocus(panelId);
        updateData();
        showLoadedPanelForPreview();
    }
    return 0;
}

int CtrlGUI::onDeactivate()
{
    if (WidgetList* list = panel->getList(GW_LIST))
        widgetListScroll = list->getScroll();
    // Unsaved edits live only in the engine panel: keep it, hidden, for the
    // return to the tab instead of dropping them unasked.
    if (isDirty() && livePanel()) {
        hideLivePanel();
        return 0;
    }
    closeResources();
    setDirty(false);
    return 0;
}

int CtrlGUI::onListBox()
{
    const bool wasDirty = isDirty();
    if (CtrlBase::onListBox() != 0)
        return -1;
    WidgetList* list = panel->getList(BW_LIST);
    const string text = list ? list->getSelectedText() : "";
    if (text == currentItemName)
        return 0;
    // The panel shown now goes only once the chosen one has loaded: a
    // damaged block must not cost the user the edits of the open one.
    const int id = gui()->load(globalStatus->iArchiveID, text.c_str());
    if (id < 1) {
        editorLog().msg(LOG_ERROR, "\n[CtrlGUI] Error: could not load panel '%s' (error %d).\n", text.c_str(), id);
        selectBlockListItemByName(currentItemName);
        if (WidgetTextEdit* field = panel->getTextEdit(BW_NAME))
            field->setText(currentItemName.c_str());
        setDirty(wasDirty);
        showBox("Loading resource",
                "Panel '" + text + "' could not be loaded.\n\nError code: " + std::to_string(id).c_str(), MBB_OK, MBT_ERROR,
                0);
        return -1;
    }
    closeResources();
    currentItemName = text;
    widgetListScroll = kListTop;
    panelId = id;
    isolateLoadedPanelForPreview();
    selectedWidgetId = 0;
    resetSkinModes();
    populateWidgetList();
    populateSkinResourceLists();
    if (!widgetListIds.empty())
        if (WidgetList* widgets = panel->getList(GW_LIST))
            widgets->setSelectedIndex(1);
    updateData();
    showLoadedPanelForPreview();
    return 0;
}

void CtrlGUI::resetSkinModes()
{
    for (int& mode : skinEditorMode)
        mode = -1;
}

int CtrlGUI::onNew()
{
    closeResources();
    if (const int rc = CtrlBase::onNew(); rc != 0)
        return rc;
    widgetListScroll = kListTop;
    resetFields();
    selectedWidgetId = 0;
    // The radio shows Normal again: edits must go to the state shown.
    selectedSkinState = WS_NORMAL;
    widgetListIds.clear();
    resetSkinModes();
    populateWidgetList();
    populateSkinResourceLists();
    return 0;
}

void CtrlGUI::resetFields()
{
    const auto select = [this](int id, int row) {
        if (WidgetComboBox* c = panel->getComboBox(id))
            c->setSelectedIndex(row);
    };
    const auto number = [this](int id, float v) {
        if (WidgetNumberEdit* n = panel->getNumberEdit(id))
            n->setValue(v);
    };
    const auto check = [this](int id, bool on) {
        if (WidgetCheckBox* c = panel->getCheckBox(id))
            c->setChecked(on);
    };
    const auto text = [this](int id, const char* t) {
        if (WidgetTextEdit* e = panel->getTextEdit(id))
            e->setText(t);
    };
    for (int id : {GW_TYPE, GW_THEME, GW_LAYOUT, GW_ALIGN, GW_JUSTIFY, GW_POSX_MODE, GW_POSY_MODE})
        select(id, 1);
    select(GW_STATUS, 2);
    number(GW_TTL, 1);
    number(GW_SCREEN, 0);
    number(GW_ALPHA, 255);
    number(GW_WIDTH, 15);
    number(GW_HEIGHT, 15);
    for (int id : {GW_POSX, GW_POSY, GW_MARGIN_TOP, GW_MARGIN_RIGHT, GW_MARGIN_BOTTOM, GW_MARGIN_LEFT})
        number(id, 0);
    check(GW_FIT_SCREEN, false);
    resetSpecialFields();
    for (const FeatureBox& f : kFeatureBoxes)
        check(f.id, false);
    text(GW_TOOLTIP, "");
    check(GW_SKIN_NORMAL, true);
    check(GW_SKIN_THEME, true);
    check(GW_SKIN_COLORS, false);
    check(GW_SKIN_ASSET, false);
    text(GW_SKIN_SELECT, "#000000A0");
    text(GW_SKIN_BG, "#000000");
    text(GW_SKIN_BORDER, "#000000FF");
    number(GW_SKIN_WIDTH, 1);
    number(GW_SKIN_CORNER, 0);
    text(GW_NAME, "");
    text(GW_ID, "0");
    if (WidgetList* list = panel->getList(GW_LIST))
        list->setScroll(kListTop, nullptr);
    if (WidgetSlider* slider = panel->getSlider(GW_LIST_SLIDER)) {
        slider->setRange(0, 0);
        slider->setValue(0);
    }
}

void CtrlGUI::resetSpecialFields() const
{
    if (WidgetNumberEdit* value = panel->getNumberEdit(GW_VALUE)) {
        value->allowFloat(false);
        value->setValue(0);
    }
    for (int id : {GW_THUMB, GW_GROUP, GW_MIN, GW_MAX, GW_STEP})
        if (WidgetNumberEdit* n = panel->getNumberEdit(id))
            n->setValue(0);
    if (WidgetNumberEdit* range = panel->getNumberEdit(GW_RANGE))
        range->setValue(1);
    for (int id : {GW_AXIS, GW_HOTKEY})
        if (WidgetComboBox* c = panel->getComboBox(id))
            c->setSelectedIndex(1);
    if (WidgetTextEdit* text = panel->getTextEdit(GW_TEXT))
        text->setText("");
    for (int id : {GW_FILLED, GW_CHECKED, GW_AUTOSORT, GW_MULTILINE, GW_READONLY, GW_ALLOW_FLOAT, GW_MULTISELECT})
        if (WidgetCheckBox* c = panel->getCheckBox(id))
            c->setChecked(false);
}

void CtrlGUI::hideLivePanel() const
{
    Panel* live = livePanel();
    if (!live)
        return;
    Widget* base = live->baseWidget();
    const bool fade = base->getFeatures() & WF_FADE;
    if (fade)
        base->setFeatures(WF_FADE, false);
    base->hide();
    if (fade)
        base->setFeatures(WF_FADE, true);
}

int CtrlGUI::closeResources()
{
    if (livePanel()) {
        hideLivePanel();
        gui()->close(panelId);
    }
    panelId = 0;
    screenDesired = 0;
    panelType = 0;
    panelTTLSeconds = 1;
    panelTheme = panelLayout = layoutAlign = layoutJustify = 0;
    fitScreen = false;
    logicalScreen = 0;
    logicalStatus = 5;
    logicalPositionStored = false;
    skinAnimationSprite.clear();
    editorWidgetSizes.clear();
    return 0;
}

// --- save and delete ---

bool CtrlGUI::panelBlockExists(const string& name) const
{
    const Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    return archive && archive->blockSearch(Archive::Block(name.c_str(), blockType)) >= 0;
}

int CtrlGUI::onSave()
{
    string name;
    if (!readRequiredBlockName(name, "Panel", "Panel name cannot be empty."))
        return -1;
    // Saving under the name of another stored panel would replace it.
    if (name != currentItemName && panelBlockExists(name)) {
        notifySaveWarning("Panel", kRenameWarning, 2500);
        return -1;
    }
    if (panelId <= 0) {
        const int id = gui()->create(name.c_str(), 0x42000000);
        if (id < 1) {
            notifySaveError("Panel", "Could not create the panel.", 2000);
            panelId = 0;
            return -1;
        }
        panelId = id;
        isolateLoadedPanelForPreview();
        // The new panel takes what the fields say, so that the preview
        // after the save shows what was stored.
        applyCommonFields();
    }
    Panel* live = livePanel();
    if (!live) {
        notifySaveError("Panel", "Could not get the panel.", 2000);
        return -1;
    }
    restoreLogicalPanelPosition();
    if (gui()->setName(panelId, name.c_str()) != 0) {
        notifySaveWarning("Panel", kRenameWarning, 2500);
        // Back to the preview: screen 0, own size, centred, shown.
        restorePreviewIsolation();
        showLoadedPanelForPreview();
        return -1;
    }
    if (selectedWidgetId == 0) {
        screenDesired = widgetInt(GW_SCREEN, 0, 16, 0);
        live->setScreenDesired(screenDesired);
        live->setPanelType(panelType, panelType == PT_EPHEMERAL ? panelTTLSeconds * 1000 : 0);
        applyPanelThemeAndLayout(live);
    }
    live->setSizeMode(fitScreen ? 1 : 0);
    if (live->save(globalStatus->iArchiveID) != 0) {
        notifySaveError("Panel", "Could not save the panel.", 2000);
        live->setSizeMode(0);
        restorePreviewIsolation();
        showLoadedPanelForPreview();
        return -1;
    }
    storeLogicalPanelPosition();
    restorePreviewIsolation();
    showLoadedPanelForPreview();
    notifySaveSuccess("Panel");
    globalStatus->bReparseAll = 1;
    currentItemName = name;
    refreshBlockListAndSelect(name);
    return 0;
}

int CtrlGUI::onDelete()
{
    WidgetList* list = panel->getList(BW_LIST);
    const string name = list ? list->getSelectedText() : "";
    if (showBox("Delete Panel", "Are you sure you want to delete \"" + name + "\" Panel?", 12, 3, 0) != 4)
        return -1;
    if (gui()->remove(globalStatus->iArchiveID, name.c_str()) != 0) {
        showBox("Delete Panel", "The panel could not be deleted.", 1, 1, 0);
        return recoverResourceDeleteFailure(name);
    }
    return finishResourceDelete();
}
