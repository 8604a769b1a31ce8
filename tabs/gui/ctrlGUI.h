// The GUI panel tab: the archive's GUI panels, each loaded as a live engine
// panel and edited in place (panel settings, every widget's placement,
// status, features, tooltip and type-specific values) on a preview centred
// in the free area of the window. Saving asks the panel to write itself
// back. Main thread only.
//
// Units: ctrlGUI.cpp (panel, life cycle, save, delete), ctrlGUIProperties.cpp
// (event handling, fields <-> panel), ctrlGUIPreview.cpp (preview
// placement, theme and layout), ctrlGUIWidgets.cpp (widget list, features,
// sizing), ctrlGUISkin.cpp (the skin editor), ctrlGUIAddWidget.cpp
// (the add-widget dialog), ctrlGUITooltip.cpp (the tooltip
// settings dialog); ctrlGUITables.h holds the constant tables.
#pragma once

#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Types.h>

#include <SDL_rect.h>

#include <functional>

#include <unordered_map>

class CtrlGUI : public CtrlBase {
public:
    enum eGUIWidget : int {
        GW_ADD_WIDGET = 900,
        GW_DEL_WIDGET = 901,
        GW_LIST_SLIDER = 902,
        GW_TYPE_LABEL = 903,
        GW_WIDGETS_LABEL = 904,
        GW_NAME_LABEL = 905,
        GW_ID_LABEL = 906,
        GW_SCREEN_LABEL = 907,
        GW_SCREEN = 908,
        GW_NAME = 909,
        GW_ID = 910,
        GW_LIST = 911,
        GW_TYPE = 912,
        GW_TTL_ICON = 913,
        GW_TTL = 914,
        GW_THEME_ICON = 915,
        GW_THEME = 916,
        GW_LAYOUT_LABEL = 917,
        GW_LAYOUT = 918,
        GW_ALIGN_ICON = 919,
        GW_ALIGN = 920,
        GW_JUSTIFY_ICON = 921,
        GW_JUSTIFY = 922,
        GW_STATUS_LABEL = 923,
        GW_STATUS = 924,
        GW_ALPHA_LABEL = 925,
        GW_ALPHA = 926,
        GW_SIZE_FRAME = 927,
        GW_WIDTH_ICON = 928,
        GW_WIDTH = 929,
        GW_HEIGHT_ICON = 930,
        GW_HEIGHT = 931,
        GW_FIT_SCREEN = 932,
        GW_POSX_LABEL = 933,
        GW_POSX_MODE = 934,
        GW_POSX = 935,
        GW_POSY_LABEL = 936,
        GW_POSY_MODE = 937,
        GW_POSY = 938,
        GW_MARGINS_LABEL = 939,
        GW_MARGIN_TOP = 940,
        GW_MARGIN_RIGHT = 941,
        GW_MARGIN_BOTTOM = 942,
        GW_MARGIN_LEFT = 943,
        GW_FEATURES_LABEL = 944,
        GW_FEATURE_EVENTS = 945,
        GW_FEATURE_OVER = 946,
        GW_FEATURE_LOST = 947,
        GW_FEATURE_DRAG = 948,
        GW_FEATURE_FADE = 949,
        GW_FEATURE_ENCLOSE = 950,
        GW_FEATURE_BGFIT = 952,
        GW_FEATURE_NOBG = 953,
        GW_TOOLTIP_LABEL = 954,
        GW_TOOLTIP = 955,
        GW_SKIN_LABEL = 956,
        GW_SKIN_NORMAL = 957,
        GW_SKIN_HOVERED = 958,
        GW_SKIN_PRESSED = 959,
        GW_SKIN_ACTION = 960,
        GW_SKIN_DEACT = 961,
        GW_SKIN_FRAME = 962,
        GW_SKIN_THEME = 963,
        GW_SKIN_FONT_LABEL = 964,
        GW_SKIN_FONT = 965,
        GW_SKIN_IMAGE_LABEL = 966,
        GW_SKIN_IMAGE = 967,
        GW_SKIN_SPRITE_LABEL = 968,
        GW_SKIN_SPRITE = 969,
        GW_SKIN_ANIM_LABEL = 970,
        GW_SKIN_ANIM = 971,
        GW_SKIN_BG_ICON = 972,
        GW_SKIN_BG = 973,
        GW_SKIN_BORDER_ICON = 974,
        GW_SKIN_BORDER = 975,
        GW_SKIN_WIDTH_LABEL = 976,
        GW_SKIN_WIDTH = 977,
        GW_SKIN_CORNER_LABEL = 978,
        GW_SKIN_CORNER = 979,
        GW_FEATURES_FRAME = 980,
        GW_SKIN_COLORS = 981,
        GW_SKIN_ASSET = 982,
        GW_SKIN_SELECT_ICON = 983,
        GW_SKIN_SELECT = 984,
        GW_SKIN_SELECT_SWATCH = 985,
        GW_SKIN_BG_SWATCH = 986,
        GW_SKIN_BORDER_SWATCH = 987,
        GW_SPECIAL_FRAME = 988,
        GW_SPECIAL_LABEL = 989,
        GW_VALUE_LABEL = 990,
        GW_VALUE = 991,
        GW_RANGE_LABEL = 992,
        GW_RANGE = 993,
        GW_THUMB_LABEL = 994,
        GW_THUMB = 995,
        GW_AXIS_LABEL = 996,
        GW_AXIS = 997,
        GW_TEXT_LABEL = 998,
        GW_TEXT = 999,
        GW_FILLED = 1000,
        GW_HOTKEY_LABEL = 1001,
        GW_HOTKEY = 1002,
        GW_CHECKED = 1003,
        GW_GROUP_LABEL = 1004,
        GW_GROUP = 1005,
        GW_AUTOSORT = 1006,
        GW_MULTILINE = 1007,
        GW_READONLY = 1008,
        GW_MIN_LABEL = 1009,
        GW_MIN = 1010,
        GW_MAX_LABEL = 1011,
        GW_MAX = 1012,
        GW_STEP_LABEL = 1013,
        GW_STEP = 1014,
        GW_ALLOW_FLOAT = 1015,
        GW_MULTISELECT = 1016,
        GW_TOOLTIP_SETTINGS = 1017,
    };

    // The left edge and top of the preview area.
    static constexpr int kPreviewLeft = 200;
    static constexpr int kPreviewTop = 40;
    // -9999: the widget list starts at its top.
    static constexpr int kListTop = -9999;

    CtrlGUI(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlGUI() override;

    // Applies the editor event to the live panel or its selected widget.
    // -1 when the base panel's handling failed, else 0. Events of the
    // previewed panel's own widgets never reach here (takesEventsFrom).
    int processEvent(int widgetId, int data) override;
    // The preview background; the engine draws the live panel. 0.
    int render(int value) override;
    int resetWidgets() override;
    // The block list, and the skin lists that offer the archive's fonts,
    // images and sprites: both follow every change of the archive.
    int parseQEL() override;
    // Loads the current panel again when it was closed, and previews it. 0.
    int onActivate() override;
    // Hides the preview; a clean panel is closed, one with unsaved edits
    // stays loaded (hidden) for the return to the tab. 0.
    int onDeactivate() override;
    int onListBox() override;
    int onNew() override;
    int onSave() override;
    int onDelete() override;
    // Copies the live panel or the selected widget into the fields. 0.
    int updateData() override;
    // Hides and closes the live panel and resets the panel-level fields. 0.
    int closeResources() override;
    bool takesEventsFrom(int panelId) const override;

    // --- Widget states (ctrlGUIProperties.cpp) ---
    // mode 4: no panel loaded, panel-level fields off; 0 otherwise.
    void updateWidgetStates(int mode);

    // --- preview (ctrlGUIPreview.cpp) ---
    void applyPanelThemeAndLayout(Zelkoran::Panel* livePanel) const;
    void storeLogicalPanelPosition();
    void restoreLogicalPanelPosition();
    void applyPreviewPanelPosition();
    void refreshPreviewPanelGeometry();
    void restorePreviewIsolation();
    void isolateLoadedPanelForPreview();
    void showLoadedPanelForPreview();
    // Where the preview puts a panel of w x h in a window of winW x winH.
    static SDL_Point previewOrigin(int w, int h, int winW, int winH);

    // --- widget list, type names, sizing (ctrlGUIWidgets.cpp) ---
    static const char* getWidgetTypeName(Zelkoran::eWidgetType type);
    Zelkoran::Widget* getSelectedWidget() const;
    void populateWidgetList();
    void syncWidgetListSlider() const;
    void populateWidgetFeatureWidgets(const Zelkoran::Widget* widget, const Zelkoran::Position* posX,
                                      const Zelkoran::Position* posY) const;
    void applyWidgetSizeFromEditorOrAsset(Zelkoran::Widget& widget, int id, bool remember);

    // --- add-widget dialog (ctrlGUIAddWidget.cpp) ---
    // Runs the modal dialog that adds one widget to the live panel. True
    // when a widget was added.
    bool showAddWidgetDialog();

    // --- tooltip settings dialog (ctrlGUITooltip.cpp) ---
    // Runs the modal dialog on the selected widget's tooltip font and
    // colours. True when it changed the widget.
    bool showTooltipSettingsDialog();

    // --- skin editor (ctrlGUISkin.cpp) ---
    int getSelectedSkinState() const { return selectedSkinState; }
    static bool widgetSupportsFont(Zelkoran::eWidgetType type);
    // 0..4 for a widget state; any other value is logged and gives 0.
    static int skinStateToIndex(int state);
    // 2 asset (an image or sprite), 1 colours (any override), else 0 theme:
    // anything but 0 is a custom skin.
    static int getSkinEditorMode(const Zelkoran::Widget* widget, int state);
    // Font id of a name of the font lists: "@zk7/font/..." built-ins, any
    // other name from the open archive; -1 for "" or without an archive,
    // else the engine's answer (0 or less: no such font).
    int resolveFontNameToID(const string& name) const;
    // Calls take for each listed block of the archive (not deleted, name
    // not starting with "#"), in index order.
    static void listArchiveBlocks(int archiveId,
                                  const std::function<void(const char* name, const char* type)>& take);
    void populateSkinResourceLists();
    void populateSkinAnimationList(const string& sprite, int selected);
    void updateSwatch(int frameId, int r, int g, int b) const;
    void setSkinAssetMode(bool on) const;
    void setSkinColorsMode(bool show, bool enable) const;
    // Normalises colour edit 973, 975 or 984, or puts the widget's colour
    // back when it does not parse.
    void validateSkinColorEdit(int id);
    // Fields -> selected widget, for the selected state (nothing in theme mode).
    void applySkinEditor();
    // Selected widget -> fields, for the selected state.
    void updateSkinEditor();

    // Read access for tests and the preview.
    int getPanelId() const { return panelId; }
    int getSelectedWidgetId() const { return selectedWidgetId; }
    const Zelkoran::Vector<int>& getWidgetListIds() const { return widgetListIds; }

private:
    void createWidgets();
    void createPanelSettings(int font);
    void createIdentityRows(int font);
    void createPlacementRows(int font);
    void createFeatureRows(int font);
    void createSkinRows(int font);
    void createSpecialRows(int font);
    Zelkoran::Panel* livePanel() const;
    void resetFields();
    // Sets the type-specific fields to their neutral values.
    void resetSpecialFields() const;
    // Sets a label's, button's or check box's caption and grows the widget
    // (and the size fields) to hold it.
    void growToCaption(Zelkoran::Widget& widget, const char* text);
    // The type-specific value id applied to the selected widget.
    void applySpecialValue(int widgetId);
    void applyCommonFields();
    void fillWidgetFields(Zelkoran::Widget& widget);
    void fillPanelFields(Zelkoran::Panel& live);
    void showSpecialRows(Zelkoran::eWidgetType type) const;
    void onDeleteWidget();
    // A live panel block of that name is in the open archive.
    bool panelBlockExists(const string& name) const;
    // Hides the live panel at once (without its fade).
    void hideLivePanel() const;
    void resetSkinModes();
    // The reaction to a skin editor widget; set: the event's box was ticked.
    // True when the widget changed.
    bool onSkinEvent(int widgetId, bool set = false);
    bool onSkinSprite(Zelkoran::Widget* w, int state);
    void applySkinFont(Zelkoran::Widget& w, int state);
    void applySkinAsset(Zelkoran::Widget& w, int state);
    void applySkinColors(Zelkoran::Widget& w, int state);

    Zelkoran::Vector<int> widgetListIds;
    Zelkoran::Vector<string> skinFontNames;
    Zelkoran::Vector<string> skinImageNames;
    Zelkoran::Vector<string> skinSpriteNames;
    Zelkoran::Vector<int> skinAnimationIds;
    Zelkoran::Vector<Zelkoran::Panel::WidgetInfo> widgetInfos;
    std::unordered_map<int, SDL_Point> editorWidgetSizes;
    string skinAnimationSprite;
    bool listSelectionPending = false;
    int selectedWidgetId = 0;
    int selectedSkinState = 0;
    int widgetListScroll = kListTop;
    int panelId = 0;
    int screenDesired = 0;
    int panelType = 0;
    int panelTTLSeconds = 1;
    int panelTheme = 0;
    int panelLayout = 0;
    int layoutAlign = 0;
    int layoutJustify = 0;
    bool fitScreen = false;
    int logicalScreen = 0;
    Zelkoran::Position logicalPosX, logicalPosY;
    int logicalStatus = 5;
    bool logicalPositionStored = false;
    int skinEditorMode[Zelkoran::WS_COUNT] = {-1, -1, -1, -1, -1};
};
