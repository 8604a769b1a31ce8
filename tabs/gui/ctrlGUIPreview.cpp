#include "tabs/gui/ctrlGUIPreview.h"

#include "services/GlobalStatus.h"
#include "tabs/base/TabServices.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>

using namespace Zelkoran;

namespace {

GUIMgr* gui() { return Main::instance()->guiMgr(); }

} // namespace

GUIPreview::GUIPreview(GUIEditState& shared, const TabServices& services) : state(shared), status(services.status()) {}

void GUIPreview::applyPanelThemeAndLayout(Panel* live) const
{
    if (!live)
        return;
    GUIMgr* g = gui();
    const int theme = state.panelTheme;
    live->setTheme(theme == 1 ? g->getThemeDark() : theme == 2 ? g->getThemeFlat() : g->getThemeDefault());
    const int layout = isFlowLayout(state.panelLayout) ? state.panelLayout : PL_STANDARD;
    live->setLayout(layout);
    // A standard layout keeps the stored alignment and justification.
    if (layout == PL_STANDARD)
        return;
    live->setLayoutAlign(state.layoutAlign >= 1 && state.layoutAlign <= 3 ? state.layoutAlign : 0);
    live->setLayoutJustify(state.layoutJustify >= 1 && state.layoutJustify <= 3 ? state.layoutJustify : 0);
}

void GUIPreview::storeLogicalPanelPosition()
{
    Panel* live = state.livePanel();
    if (!live)
        return;
    logicalScreen = live->getScreen();
    logicalPosX = live->baseWidget()->getPositionX();
    logicalPosY = live->baseWidget()->getPositionY();
    logicalStatus = live->baseWidget()->status();
    logicalPositionStored = true;
}

void GUIPreview::restoreLogicalPanelPosition()
{
    Panel* live = state.livePanel();
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

SDL_Point GUIPreview::previewOrigin(int w, int h, int winW, int winH)
{
    return SDL_Point{kPreviewLeft + (winW - kPreviewLeft - w) / 2, kPreviewTop + (winH - kPreviewTop - h) / 2};
}

void GUIPreview::applyPreviewPanelPosition()
{
    Panel* live = state.livePanel();
    if (!live)
        return;
    live->attachTo(0);
    Widget* base = live->baseWidget();
    const SDL_Point at =
        previewOrigin(base->getWidth(), base->getHeight(), status.iWidth, status.iHeight);
    base->setPosition(Position(static_cast<float>(at.x)), Position(static_cast<float>(at.y)));
}

void GUIPreview::refreshPreviewPanelGeometry()
{
    Panel* live = state.livePanel();
    if (!live)
        return;
    live->getWidgetInfoList(widgetInfos);
    for (const Panel::WidgetInfo& info : widgetInfos)
        if (Widget* w = live->getWidgetByID(info.id))
            w->setPosition(w->getPositionX(), w->getPositionY());
}

void GUIPreview::restorePreviewIsolation()
{
    Panel* live = state.livePanel();
    if (!live)
        return;
    live->attachTo(0);
    if (state.fitScreen)
        live->setSizeMode(0);
    applyPreviewPanelPosition();
}

void GUIPreview::isolateLoadedPanelForPreview()
{
    Panel* live = state.livePanel();
    if (!live)
        return;
    state.fitScreen = live->getSizeMode() == 1;
    storeLogicalPanelPosition();
    live->attachTo(0);
    if (state.fitScreen)
        live->setSizeMode(0);
    applyPreviewPanelPosition();
    live->baseWidget()->hide();
}

void GUIPreview::showLoadedPanelForPreview()
{
    Panel* live = state.livePanel();
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
    gui()->setPanelFocus(state.panelId);
}

void GUIPreview::hideLivePanel() const
{
    Panel* live = state.livePanel();
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

void GUIPreview::setLogicalPosition(Position x, Position y)
{
    logicalPosX = x;
    logicalPosY = y;
    logicalPositionStored = true;
}

void GUIPreview::forgetLogicalPosition()
{
    logicalScreen = 0;
    logicalStatus = 5;
    logicalPositionStored = false;
}
