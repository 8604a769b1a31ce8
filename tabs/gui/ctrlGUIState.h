// What the parts of the GUI tab share: the live panel being edited, the
// widget picked in it, the skin state shown, and the panel-level settings
// the fields hold. The tab owns one; its parts hold a reference.
#pragma once

#include <Zelkoran/Panel.h>
#include <Zelkoran/Types.h>

#include <SDL_rect.h>

#include <unordered_map>

struct GUIEditState {
    int panelId = 0;          // the live panel; 0 = none
    int selectedWidgetId = 0; // 0 = the panel itself, edited through its base widget
    int selectedSkinState = 0;
    // Per state: -1 not yet decided, 0 theme, 1 custom colours, 2 asset.
    int skinEditorMode[Zelkoran::WS_COUNT] = {-1, -1, -1, -1, -1};
    int screenDesired = 0;
    int panelType = 0;
    int panelTTLSeconds = 1;
    int panelTheme = 0;
    int panelLayout = 0;
    int layoutAlign = 0;
    int layoutJustify = 0;
    bool fitScreen = false;
    // The size typed in the editor for a widget whose size an asset decides.
    std::unordered_map<int, SDL_Point> editorWidgetSizes;

    Zelkoran::Panel* livePanel() const;
    // The widget being edited (the base widget for the panel), or null.
    Zelkoran::Widget* getSelectedWidget() const;
    void resetSkinModes();
    // No panel: the panel-level settings go back to their defaults.
    void resetPanelSettings();
};

inline bool isFlowLayout(int layout) { return layout == Zelkoran::PL_HORIZONTAL || layout == Zelkoran::PL_VERTICAL; }
