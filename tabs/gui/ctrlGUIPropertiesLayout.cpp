// The rows of the GUI tab's property fields, as the editor panel shows them.
#include "tabs/gui/ctrlGUIProperties.h"

#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/gui/ctrlGUIIds.h"
#include "tabs/gui/ctrlGUIRows.h"
#include "tabs/gui/ctrlGUITables.h"
#include "tabs/gui/ctrlGUIWidgets.h"

#include <Zelkoran/Widget.h>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

const char* const kTTLTip = "Time to live in seconds for ephemeral panels";
const char* const kThemeTip = "Theme skin of the selected panel";
const char* const kAlignTip = "Cross-axis alignment for horizontal and vertical flow layouts";
const char* const kJustifyTip = "Main-axis distribution for horizontal and vertical flow layouts";

} // namespace

void GUIPropertiesPanel::createRows(int font, GUIWidgetList& list)
{
    createPanelSettings(font);
    createIdentityRows(font, list);
    createPlacementRows(font);
    createFeatureRows(font);
}

void GUIPropertiesPanel::addIcons(std::initializer_list<IconRow> icons)
{
    for (const IconRow& s : icons)
        if (WidgetImage* img = panel.createImage(s.name, s.id)) {
            img->setBackgroundSprite(rm.getClone(s.sprite), WS_ALL, 0);
            img->setPosition(ui::left(static_cast<float>(s.x)), ui::top(static_cast<float>(s.y)));
            img->setFeatures(WF_EVENTS, true);
            img->setTooltip(s.tooltip);
        }
}

void GUIPropertiesPanel::createPanelSettings(int font)
{
    const std::initializer_list<IconRow> icons = {
        {GW_TTL_ICON, "TTLIcon", SS_TIME_ICON, 127, 236, kTTLTip},
        {GW_THEME_ICON, "ThemeIcon", SS_THEME_ICON, 85, 263, kThemeTip},
        {GW_ALIGN_ICON, "AlignIcon", SS_ALIGN_ICON, 9, 317, kAlignTip},
        {GW_JUSTIFY_ICON, "JustifyIcon", SS_JUSTIFY_ICON, 106, 317, kJustifyTip},
    };
    addCaptions(panel, font,
                {{GW_TYPE_LABEL, "TypeLabel", "Type:", 5, 240},
                 {GW_SCREEN_LABEL, "ScreenLabel", "Screen:", 5, 267},
                 {GW_LAYOUT_LABEL, "LayoutLabel", "Layout:", 5, 294}});
    addCombos(panel, font,
              {{GW_TYPE, "PanelTypeCombo", {"Modeless", "Modal", "Ephemeral"}, 80, 40, 237, "Type of the selected panel"},
               {GW_THEME, "ThemeCombo", {"Default", "Dark", "Flat"}, 84, 110, 264, kThemeTip},
               {GW_LAYOUT, "LayoutCombo", {"Standard", "Horizontal flow", "Vertical flow"}, 117, 48, 291,
                "Layout mode of the selected panel"},
               {GW_ALIGN, "AlignCombo", {"Start", "Center", "End", "Stretch"}, 62, 34, 318, kAlignTip},
               {GW_JUSTIFY, "JustifyCombo", {"Start", "Center", "End", "Space"}, 60, 131, 318, kJustifyTip}});
    addNumbers(panel, font,
               {{GW_TTL, "TTLSeconds", 42, 152, 237, 1, 86400, 1, kTTLTip},
                {GW_SCREEN, "ScreenBox", 28, 50, 264, 0, 16, 0, "Target screen index for the selected panel"}});
    addIcons(icons);
}

void GUIPropertiesPanel::createIdentityRows(int font, GUIWidgetList& list)
{
    addCaptions(panel, font,
                {{GW_WIDGETS_LABEL, "WidgetsLabel", "Widgets:", 5, 344},
                 {GW_NAME_LABEL, "NameLabel", "Name:", 5, 470},
                 {GW_ID_LABEL, "IDLabel", "ID:", 124, 470},
                 {GW_STATUS_LABEL, "StatusLabel", "Status:", 5, 497},
                 {GW_ALPHA_LABEL, "AlphaModLabel", "AlphaMod:", 111, 497}});
    list.createList(font);
    const IconRow buttons[] = {
        {GW_ADD_WIDGET, "AddWidget", SS_NEW_ITEM, -1, 359, "Add a new widget to the panel"},
        {GW_DEL_WIDGET, "DelWidget", SS_DELETE_ITEM, -1, 394, "Delete the selected widget"},
    };
    for (const IconRow& s : buttons)
        if (WidgetButton* b = ui::addButton(panel, {.name = s.name, .id = s.id, .x = ui::right(static_cast<float>(s.x)),
                                                    .y = ui::top(static_cast<float>(s.y)), .text = "",
                                                    .tooltip = s.tooltip}))
            b->setBackgroundSprite(rm.getClone(s.sprite), WS_ALL, 0);
    const struct {
        int id;
        const char* name;
        const char* text;
        int w, x;
        const char* tooltip;
    } edits[] = {
        {GW_NAME, "WidgetName", "", 77, 44, "Name of the selected widget"},
        {GW_ID, "WidgetIDBox", "0", 49, 145, "ID of the selected widget"},
    };
    for (const auto& s : edits)
        if (WidgetTextEdit* e = ui::addTextEdit(panel, {.name = s.name, .id = s.id,
                                                        .x = ui::left(static_cast<float>(s.x)), .y = ui::top(467),
                                                        .w = s.w, .h = 19, .font = font, .tooltip = s.tooltip})) {
            e->setText(s.text);
            e->setReadOnly(true);
        }
    addCombos(panel, font,
              {{GW_STATUS, "WidgetStatus", {"Shown", "Hidden", "Disabled"}, 66, 46, 494, "Status of the selected widget"}});
    addNumbers(panel, font,
               {{GW_ALPHA, "WidgetAlphaMod", 26, 169, 494, 0, 255, 255, "Alpha modulation of the selected widget"}});
}

void GUIPropertiesPanel::createPlacementRows(int font)
{
    ui::addOutline(panel, {.name = "SizePosFrame", .id = GW_SIZE_FRAME, .x = ui::left(5), .y = ui::top(517),
                           .w = 190, .h = 75});
    const std::initializer_list<IconRow> icons = {
        {GW_WIDTH_ICON, "WidthIcon", SS_WIDTH_ICON, 13, 521, "Width of the selected widget"},
        {GW_HEIGHT_ICON, "HeightIcon", SS_HEIGHT_ICON, 93, 521, "Height of the selected widget"},
    };
    addIcons(icons);
    addNumbers(panel, font,
               {{GW_WIDTH, "WidgetWidth", 45, 38, 522, 1, 8192, 15, "Width of the selected widget"},
                {GW_HEIGHT, "WidgetHeight", 45, 118, 522, 1, 8192, 15, "Height of the selected widget"}});
    if (WidgetCheckBox* fit = ui::addCheckBox(panel, {.name = "FitScreen", .id = GW_FIT_SCREEN, .x = ui::left(165),
                                                      .y = ui::top(518), .text = "",
                                                      .tooltip = "Fit the panel to the attached screen size"}))
        fit->setBackgroundSprite(rm.getClone(SS_FIT_CHECK), WS_ALL, 0);
    addCaptions(panel, font,
                {{GW_POSX_LABEL, "PosXLabel", "X:", 20, 548}, {GW_POSY_LABEL, "PosYLabel", "Y:", 20, 571}});
    addCombos(panel, font,
              {{GW_POSX_MODE, "WidgetPosXMode", {"Abs", "Left", "Center", "Right"}, 72, 38, 545,
                "Horizontal position helper for the selected widget"},
               {GW_POSY_MODE, "WidgetPosYMode", {"Abs", "Top", "Center", "Bottom"}, 72, 38, 568,
                "Vertical position helper for the selected widget"}});
    addNumbers(panel, font,
               {{GW_POSX, "WidgetPosXOffset", 51, 115, 545, -8192, 8192, 0,
                 "Horizontal position or offset for the selected widget"},
                {GW_POSY, "WidgetPosYOffset", 51, 115, 568, -8192, 8192, 0,
                 "Vertical position or offset for the selected widget"}});
}

void GUIPropertiesPanel::createFeatureRows(int font)
{
    ui::addOutline(panel, {.name = "FeaturesFrame", .id = GW_FEATURES_FRAME, .x = ui::left(5), .y = ui::top(594),
                           .w = 190, .h = 100});
    addCaptions(panel, font, {{GW_FEATURES_LABEL, "FeaturesLabel", "Features:", 9, 601}});
    addChecks(panel,
              {{GW_FEATURE_EVENTS, "WidgetFeatureEvents", "Events", 56, 73, 599,
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
    addCaptions(panel, font, {{GW_TOOLTIP_LABEL, "TooltipLabel", "Tooltip:", 13, 673}});
    if (WidgetTextEdit* tip = ui::addTextEdit(panel, {.name = "WidgetTooltip", .id = GW_TOOLTIP, .x = ui::left(58),
                                                      .y = ui::top(670), .w = 105, .h = 19, .font = font,
                                                      .tooltip = "Tooltip text of the selected widget"}))
        tip->setFeatures(WF_FOCUS_LOST, true);
    if (WidgetButton* b = ui::addButton(panel, {.name = "TooltipSettings", .id = GW_TOOLTIP_SETTINGS,
                                                .x = ui::left(166), .y = ui::top(665), .text = "",
                                                .tooltip = "Tooltip settings of the selected widget"}))
        b->setBackgroundSprite(rm.getClone(SS_SETTINGS), WS_ALL, 0);
}

void GUIPropertiesPanel::createSpecialRows(int font)
{
    ui::addOutline(panel, {.name = "SpecialFrame", .id = GW_SPECIAL_FRAME, .x = ui::left(5), .y = ui::top(842),
                           .w = 190, .h = 118});
    addCaptions(panel, font,
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
               {{GW_VALUE, "WidgetValue", 36, 58, 867, -8192, 8192, 0, "Current value of the selected widget"},
                {GW_RANGE, "WidgetRange", 35, 142, 867, 1, 8192, 1, "Current range of the selected widget"},
                {GW_THUMB, "WidgetThumbSize", 35, 58, 890, 0, 8192, 0, "Fixed thumb size of the selected slider"},
                {GW_GROUP, "WidgetGroup", 38, 141, 890, 0, 1024, 0, "Group id of the selected checkbox"},
                {GW_MIN, "WidgetMin", 36, 38, 890, -8192, 8192, 0, "Minimum value of the selected number edit"},
                {GW_MAX, "WidgetMax", 36, 126, 890, -8192, 8192, 0, "Maximum value of the selected number edit"},
                {GW_MARGIN_TOP, "WidgetMarginTop", 32, 59, 913, 0, 1024, 0, "Top margin of the selected widget"},
                {GW_MARGIN_RIGHT, "WidgetMarginRight", 32, 91, 913, 0, 1024, 0, "Right margin of the selected widget"},
                {GW_MARGIN_BOTTOM, "WidgetMarginBottom", 32, 123, 913, 0, 1024, 0,
                 "Bottom margin of the selected widget"},
                {GW_MARGIN_LEFT, "WidgetMarginLeft", 32, 155, 913, 0, 1024, 0, "Left margin of the selected widget"},
                {GW_STEP, "WidgetStep", 35, 45, 936, 0, 8192, 0, "Step value of the selected number edit"}});
    if (WidgetNumberEdit* step = panel.getNumberEdit(GW_STEP))
        step->allowFloat(true);
    addChecks(panel,
              {{GW_FILLED, "WidgetFilled", "Filled", 60, 14, 867, "Whether the selected frame is filled"},
               {GW_AUTOSORT, "WidgetAutoSort", "AutoSort", 64, 14, 867, "Automatically keep items sorted"},
               {GW_MULTISELECT, "WidgetMultiSelect", "MultiSel", 60, 104, 867, "Enable interactive multi-selection"},
               {GW_CHECKED, "WidgetChecked", "Checked", 74, 14, 890, "Checked state of the selected checkbox"},
               {GW_MULTILINE, "WidgetMultiline", "Multiline", 60, 0, 890, "Enable multiline editing"},
               {GW_READONLY, "WidgetReadOnly", "ReadOnly", 71, 80, 890, "Enable read-only mode"},
               {GW_ALLOW_FLOAT, "WidgetAllowFloat", "Float", 60, 14, 867, "Allow floating point values"}});
    addCombos(panel, font, {{GW_HOTKEY, "WidgetHotkey", {}, 56, 45, 867, "Hotkey of the selected widget"}});
    if (WidgetComboBox* keys = panel.getComboBox(GW_HOTKEY)) {
        keys->clearItems();
        for (const HotkeyOption& k : kHotkeyOptions)
            keys->addItem(k.label);
        keys->setSelectedIndex(1);
    }
    addCombos(panel, font, {{GW_AXIS, "WidgetAxis", {"Horizont", "Vertical"}, 66, 125, 890, "Axis of the selected slider"}});
    if (WidgetTextEdit* text = ui::addTextEdit(panel, {.name = "WidgetTextValue", .id = GW_TEXT, .x = ui::left(47),
                                                       .y = ui::top(936), .w = 138, .h = 19, .font = font,
                                                       .tooltip = "Text value of the selected widget"}))
        text->setFeatures(WF_FOCUS_LOST, true);
}

