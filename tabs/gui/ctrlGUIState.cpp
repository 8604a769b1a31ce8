#include "tabs/gui/ctrlGUIState.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>

using namespace Zelkoran;

Panel* GUIEditState::livePanel() const
{
    return panelId > 0 ? Main::instance()->guiMgr()->getPanel(panelId) : nullptr;
}

Widget* GUIEditState::getSelectedWidget() const
{
    Panel* live = livePanel();
    if (!live)
        return nullptr;
    return selectedWidgetId != 0 ? live->getWidgetByID(selectedWidgetId) : live->baseWidget();
}

void GUIEditState::resetSkinModes()
{
    for (int& mode : skinEditorMode)
        mode = -1;
}

void GUIEditState::resetPanelSettings()
{
    panelId = 0;
    screenDesired = 0;
    panelType = 0;
    panelTTLSeconds = 1;
    panelTheme = panelLayout = layoutAlign = layoutJustify = 0;
    fitScreen = false;
    editorWidgetSizes.clear();
}
