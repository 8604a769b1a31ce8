// The live preview: the loaded panel is taken out of its stored placement
// (own screen, position, visibility, fit-to-screen), centred in the free
// area of the window on the editor's screen, and put back only for a save.
#pragma once

#include "tabs/gui/ctrlGUIState.h"

#include <Zelkoran/Panel.h>

#include <SDL_rect.h>

class GlobalStatus;
class TabServices;

class GUIPreview {
public:
    // The left edge and top of the preview area.
    static constexpr int kPreviewLeft = 200;
    static constexpr int kPreviewTop = 40;

    GUIPreview(GUIEditState& shared, const TabServices& services);

    // Where the preview puts a panel of w x h in a window of winW x winH.
    static SDL_Point previewOrigin(int w, int h, int winW, int winH);
    void applyPanelThemeAndLayout(Zelkoran::Panel* livePanel) const;
    void storeLogicalPanelPosition();
    void restoreLogicalPanelPosition();
    void applyPreviewPanelPosition();
    void refreshPreviewPanelGeometry();
    void restorePreviewIsolation();
    void isolateLoadedPanelForPreview();
    // Centres the panel, refreshes its widgets' geometry, shows it and
    // gives it the focus.
    void showLoadedPanelForPreview();
    // Hides the live panel at once (without its fade).
    void hideLivePanel() const;

    // The panel's stored placement, which the placement fields edit.
    bool hasLogicalPosition() const { return logicalPositionStored; }
    Zelkoran::Position logicalX() const { return logicalPosX; }
    Zelkoran::Position logicalY() const { return logicalPosY; }
    void setLogicalPosition(Zelkoran::Position x, Zelkoran::Position y);
    void forgetLogicalPosition();

private:
    GUIEditState& state;
    const GlobalStatus& status;
    Zelkoran::Vector<Zelkoran::Panel::WidgetInfo> widgetInfos;
    int logicalScreen = 0;
    Zelkoran::Position logicalPosX, logicalPosY;
    int logicalStatus = 5; // 9 shown, 0 disabled, else hidden
    bool logicalPositionStored = false;
};
