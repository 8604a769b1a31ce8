#include "tabs/images/ctrlCursors.h"

#include "services/GlobalStatus.h"
#include "tabs/base/TabCheckBoxIds.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/GFX.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace {

constexpr uint32_t kCrossColour = 0xFF000080;

const CtrlImageResource::Kind kCursorKind{"Cursor", "cursor", "defaultCursor",
                                          "The image could not be assigned to the cursor."};

} // namespace

CtrlCursors::CtrlCursors(ResourceManager* rm, GlobalStatus* gs)
    : CtrlImageResourceOf("Cursors", TAB_CURSORS, "ZK7_CURSOR", kCursorKind, rm, gs)
{
    addNumberRow({CW_HOT_X_LABEL, "HotSpotXLabel", "HotSpot X:", 6, CW_HOT_X, "HotSpotXVal", 142, 45, -256, 256,
                  "Cursor hotspot X value", 394, CW_HOT_X_MODE, "HotSpotXMode"});
    // Under the X label: at x 53 it would run into its combo box at 68.
    addNumberRow({CW_HOT_Y_LABEL, "HotSpotYLabel", "HotSpot Y:", 6, CW_HOT_Y, "HotSpotYVal", 142, 45, -256, 256,
                  "Cursor hotspot Y value", 419, CW_HOT_Y_MODE, "HotSpotYMode"});
    CtrlCursors::onNew();
}

CtrlCursors::~CtrlCursors() { CtrlCursors::closeResources(); }

int CtrlCursors::beforeResourceSave()
{
    if (applyHotSpotWidgets() == 0)
        return 0;
    tabServices().notifySaveError("Cursor", "Could not apply the cursor hotspot.", kNoticeMs);
    return -1;
}

void CtrlCursors::syncHotSpotWidgets() const
{
    for (int id : {CW_HOT_X_MODE, CW_HOT_Y_MODE, CW_HOT_X, CW_HOT_Y})
        tabServices().setUsable(id, iImageID >= 1);
}

int CtrlCursors::applyHotSpotWidgets() const
{
    Panel& tabPanel = tabServices().panel();
    Cursor* c = current();
    if (!c)
        return 0;
    const Position x = hotSpotValueToPosition(hotSpotWidgetsToValue(&tabPanel, CW_HOT_X_MODE, CW_HOT_X));
    const Position y = hotSpotValueToPosition(hotSpotWidgetsToValue(&tabPanel, CW_HOT_Y_MODE, CW_HOT_Y));
    return c->setHotSpot(x, y) ? 0 : -1;
}

int CtrlCursors::processEvent(int widgetId, int data)
{
    int r = 0;
    if (!handleImageEvent(widgetId, data, r))
        return r;
    syncHotSpotWidgets();
    if (applyHotSpotWidgets() != 0)
        return -1;
    if (widgetId >= CW_HOT_X_MODE && widgetId <= CW_HOT_Y)
        setDirty(true);
    return r;
}

int CtrlCursors::render(int value)
{
    CtrlImages::render(value);
    const Cursor* c = current();
    if (!c)
        return 0;
    const PreviewClip clip(tabServices());
    int hx = 0, hy = 0;
    c->getHotSpot(hx, hy);
    const float x = hotSpotScreen(hx, rImg.x, rImg.w, fZoom), y = hotSpotScreen(hy, rImg.y, rImg.h, fZoom);
    GFX::lineH(x - kCrossArm, x + kCrossArm, y, kCrossColour, 0);
    GFX::lineV(x, y - kCrossArm, y + kCrossArm, kCrossColour, 0);
    return 0;
}

int CtrlCursors::updateData()
{
    Panel& tabPanel = tabServices().panel();
    CtrlImages::updateData();
    if (const Cursor* c = current()) {
        int x = 0, y = 0;
        c->getHotSpot(x, y);
        updateHotSpotAxisWidgets(&tabPanel, x, CW_HOT_X_MODE, CW_HOT_X);
        updateHotSpotAxisWidgets(&tabPanel, y, CW_HOT_Y_MODE, CW_HOT_Y);
        syncHotSpotWidgets();
    }
    return 0;
}

int CtrlCursors::onNew()
{
    closeResources();
    if (CtrlImages::onNew() != 0)
        return -1;
    selectRow(CW_HOT_X_MODE, 1);
    selectRow(CW_HOT_Y_MODE, 1);
    setNumber(CW_HOT_X, 0);
    setNumber(CW_HOT_Y, 0);
    syncHotSpotWidgets();
    return 0;
}
