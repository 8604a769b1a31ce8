// The live preview: the loaded panel is taken out of its stored placement
// (own screen, position, visibility, fit-to-screen), centred in the free
// area of the window on the editor's screen, and put back only for a save.
#include "tabs/gui/ctrlGUI.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>

using namespace Zelkoran;

namespace {

GUIMgr* gui() { return Main::instance()->guiMgr(); }

} // namespace

void CtrlGUI::applyPanelThemeAndLayout(Panel* live) const
{
    if (!live)
        return;
    GUIMgr* g = gui();
    live->setTheme(panelTheme == 1 ? g->getThemeDark() : panelTheme == 2 ? g->getThemeFlat() : g->getThemeDefault());
    const int layout = panelLayout == PL_HORIZONTAL || panelLayout == PL_VERTICAL ? panelLayout : PL_STANDARD;
    live->setLayout(layout);
    // A standard layout keeps the stored alignment and justification.
    if (layout == PL_STANDARD)
        return;
    live->setLayoutAlign(layoutAlign >= 1 && layoutAlign <= 3 ? layoutAlign : 0);
    live->setLayoutJustify(layoutJustify >= 1 && layoutJustify <= 3 ? layoutJustify : 0);
}

void CtrlGUI::storeLogicalPanelPosition()
{
    Panel* live = livePanel();
    if (!live)
        return;
    logicalScreen = live->getScreen();
    logicalPosX = live->baseWidget()->getPositionX();
    logicalPosY = live->baseWidget()->getPositionY();
    logicalStatus = live->baseWidget()->status();
    logicalPositionStored = true;
}

void CtrlGUI::restoreLogicalPanelPosition()
{
    Panel* live = livePanel();
    if (!live || !logicalPositionStored)
        return;
    live->attachTo(logicalScreen);
    Widget* base = live->baseWidget();
    base->setPosition(logicalPosX, logicalPosY);
    if (logicalStatus == 9) {
        base->enable();
        base->show();
    } else if (logicalStatus == 0) {
        base->disable();
    } else {
        base->enable();
        base->hide();
    }
}

SDL_Point CtrlGUI::previewOrigin(int w, int h, int winW, int winH)
{
    return SDL_Point{kPreviewLeft + (winW - kPreviewLeft - w) / 2, kPreviewTop + (winH - kPreviewTop - h) / 2};
}

void CtrlGUI::applyPreviewPanelPosition()
{
    Panel* live = livePanel();
    if (!live)
        return;
    live->attachTo(0);
    Widget* base = live->baseWidget();
    const SDL_Point at =
        previewOrigin(base->getWidth(), base->getHeight(), globalStatus->iWidth, globalStatus->iHeight);
    base->setPosition(Position(static_cast<float>(at.x)), Position(static_cast<float>(at.y)));
}

void CtrlGUI::refreshPreviewPanelGeometry()
{
    Panel* live = livePanel();
    if (!live)
        return;
    live->getWidgetInfoList(widgetInfos);
    for (const Panel::WidgetInfo& info : widgetInfos)
        if (Widget* w = live->getWidgetByID(info.id))
            w->setPosition(w->getPositionX(), w->getPositionY());
}

void CtrlGUI::restorePreviewIsolation()
{
    Panel* live = livePanel();
    if (!live)
        return;
    live->attachTo(0);
    if (fitScreen)
        live->setSizeMode(0);
    applyPreviewPanelPosition();
}

void CtrlGUI::isolateLoadedPanelForPreview()
{
    Panel* live = livePanel();
    if (!live)
        return;
    fitScreen = live->getSizeMode() == 1;
    storeLogicalPanelPosition();
    live->attachTo(0);
    if (fitScreen)
        live->setSizeMode(0);
    applyPreviewPanelPosition();
    live->baseWidget()->hide();
}

void CtrlGUI::showLoadedPanelForPreview()
{
    processEvent(0, 0);
    Panel* live = livePanel();
    if (!live)
        return;
    applyPreviewPanelPosition();
    refreshPreviewPanelGeometry();
    Widget* base = live->baseWidget();
    // Shown at once, keeping the panel's own fade setting.
    const bool fade = base->getFeatures() & WF_FADE;
    if (fade)
        base->setFeatures(WF_FADE, false);
    base->enable();
    base->show();
    if (fade)
        base->setFeatures(WF_FADE, true);
    gui()->setPanelFocus(panelId);
}
