#include "tabs/gui/ctrlGUI.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/base/NamedPictures.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/TabControls.h"
#include "tabs/gui/ctrlGUIArchiveNames.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <algorithm>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

GUIMgr* gui() { return Main::instance()->guiMgr(); }

// A block of that name and type is in the archive.
bool blockExists(int archiveId, const CtrlBase::string& name, const char* type)
{
    const Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    return archive && archive->blockSearch(Archive::Block(name.c_str(), type)) >= 0;
}

const char* const kRenameWarning = "Could not rename the panel. Check duplicate names and child widget name lengths.";

// Ids whose events are edits of the panel (they make the tab dirty). The
// skin editor, the add-widget and the tooltip dialogs count only when they
// changed the widget or panel.
constexpr int kDirtyIds[] = {GW_DEL_WIDGET, GW_SCREEN, GW_TYPE, GW_TTL, GW_THEME, GW_LAYOUT, GW_ALIGN, GW_JUSTIFY,
                             GW_STATUS, GW_ALPHA, GW_WIDTH, GW_HEIGHT, GW_FIT_SCREEN, GW_POSX_MODE, GW_POSX,
                             GW_POSY_MODE, GW_POSY, GW_MARGIN_TOP, GW_MARGIN_RIGHT, GW_MARGIN_BOTTOM, GW_MARGIN_LEFT,
                             GW_FEATURE_EVENTS, GW_FEATURE_OVER, GW_FEATURE_LOST, GW_FEATURE_DRAG, GW_FEATURE_FADE,
                             GW_FEATURE_ENCLOSE, GW_FEATURE_BGFIT, GW_FEATURE_NOBG, GW_TOOLTIP, GW_VALUE, GW_RANGE,
                             GW_THUMB, GW_AXIS, GW_TEXT, GW_FILLED, GW_HOTKEY, GW_CHECKED, GW_GROUP, GW_AUTOSORT,
                             GW_MULTILINE, GW_READONLY, GW_MIN, GW_MAX, GW_STEP, GW_ALLOW_FLOAT, GW_MULTISELECT};

} // namespace

CtrlGUI::CtrlGUI(ResourceManager* rm, GlobalStatus* gs)
    : CtrlBase("GUI", TAB_GUI, rm, gs), fields(tabServices().panel()), preview(state, tabServices()),
      widgetList(tabServices(), state), properties(state, preview, tabServices()), skin(state, tabServices()),
      addWidgetDialog(tabServices()), tooltipDialog(tabServices())
{
    Panel& tabPanel = tabServices().panel();
    setBlockType("ZK7_GUIPANEL");
    setLabel(tabPanel, BW_TITLE, getName() + " (Panels)", 5);
    tabPanel.baseWidget()->setSize(200, 1290);
    const int font = tabServices().resources().get(SR_FONT);
    properties.createRows(font, widgetList);
    skin.createRows();
    properties.createSpecialRows(font);
    CtrlGUI::onNew();
}

CtrlGUI::~CtrlGUI() { CtrlGUI::closeResources(); }

int CtrlGUI::processEvent(int widgetId, int data)
{
    Panel& tabPanel = tabServices().panel();
    // A colour text acts through its reaction, which runs just before the
    // event it raises: a colour it put into the widget is an edit.
    if (skin.takeColourEdit())
        setDirty(true);
    if (CtrlBase::processEvent(widgetId, data) < 0)
        return -1;
    bool apply = true;
    bool changed = false;
    switch (widgetId) {
    case GW_ADD_WIDGET:
        tabServices().setUsable(GW_ADD_WIDGET, false);
        changed = showAddWidgetDialog();
        tabServices().setUsable(GW_ADD_WIDGET, true);
        apply = false;
        break;
    case GW_DEL_WIDGET: onDeleteWidget(); break;
    case GW_LIST_SLIDER: widgetList.followSlider(); break;
    case GW_LIST:
        if (widgetList.pickRow()) {
            state.resetSkinModes();
            updateData();
            listSelectionPending = true;
        }
        apply = false;
        break;
    case GW_TYPE: state.panelType = valueForRow(fields.row(GW_TYPE), 3); break;
    case GW_THEME:
    case GW_LAYOUT:
        (widgetId == GW_THEME ? state.panelTheme : state.panelLayout) = valueForRow(fields.row(widgetId), 3);
        preview.applyPanelThemeAndLayout(state.livePanel());
        break;
    case GW_ALIGN:
    case GW_JUSTIFY:
        (widgetId == GW_ALIGN ? state.layoutAlign : state.layoutJustify) = valueForRow(fields.row(widgetId), 4);
        if (state.livePanel() && isFlowLayout(state.panelLayout))
            preview.applyPanelThemeAndLayout(state.livePanel());
        break;
    case GW_TOOLTIP_SETTINGS:
        changed = showTooltipSettingsDialog();
        apply = false;
        break;
    default:
        if (widgetId >= GW_SKIN_LABEL && widgetId <= GW_SKIN_BORDER_SWATCH && widgetId != GW_FEATURES_FRAME) {
            // The colour texts act through their own reactions (GUISkinEditor::createRows).
            const bool colourText = widgetId == GW_SKIN_BG || widgetId == GW_SKIN_BORDER || widgetId == GW_SKIN_SELECT;
            changed = !colourText && skin.onSkinEvent(widgetId, data != 0);
            apply = false;
            // An image or sprite sizes the widget at once, not at the next edit.
            if (Widget* w = state.getSelectedWidget(); changed && w && !(state.selectedWidgetId == 0 && state.fitScreen))
                properties.applyWidgetSizeFromEditorOrAsset(*w, state.selectedWidgetId, false);
        } else if (widgetId >= GW_VALUE && widgetId <= GW_MULTISELECT && state.livePanel() &&
                   state.selectedWidgetId != 0) {
            properties.applySpecialValue(widgetId);
        }
        break;
    }
    updateWidgetStates(state.panelId <= 0 ? 4 : 0);
    widgetList.syncWidgetListSlider();
    state.screenDesired = widgetInt(tabPanel, GW_SCREEN, 0, 16, 0);
    state.panelTTLSeconds = widgetInt(tabPanel, GW_TTL, 1, 86400, 1);
    if (listSelectionPending && widgetId == 0) {
        listSelectionPending = false;
        return 0;
    }
    if (apply && state.livePanel())
        properties.applyCommonFields();
    if (state.livePanel() &&
        (changed || std::find(std::begin(kDirtyIds), std::end(kDirtyIds), widgetId) != std::end(kDirtyIds)))
        setDirty(true);
    return 0;
}

void CtrlGUI::updateWidgetStates(int mode)
{
    const bool none = mode == 4;
    const Widget* selected = none ? nullptr : state.getSelectedWidget();
    const bool isWidget = selected && state.selectedWidgetId != 0;
    properties.updateStates(none, selected, isWidget);
    skin.updateStates(selected, isWidget);
}

int CtrlGUI::updateData()
{
    Panel* live = state.livePanel();
    if (!live)
        return 0;
    properties.fillPanelFields(*live);
    if (Widget* w = state.getSelectedWidget()) {
        const bool stored = state.selectedWidgetId == 0 && preview.hasLogicalPosition();
        const Position x = preview.logicalX(), y = preview.logicalY();
        properties.fillWidgetFields(*w, stored ? &x : nullptr, stored ? &y : nullptr);
    }
    skin.updateSkinEditor();
    return 0;
}

void CtrlGUI::editWidget(int id)
{
    state.selectedWidgetId = id;
    state.resetSkinModes();
    updateData();
}

void CtrlGUI::onDeleteWidget()
{
    Panel* live = state.livePanel();
    if (!live || state.selectedWidgetId <= 0)
        return;
    if (tabServices().messageBox("Delete Widget", "Are you sure you want to delete this widget?", 12, 3, 0) != 4)
        return;
    live->closeWidget(state.selectedWidgetId);
    state.editorWidgetSizes.erase(state.selectedWidgetId);
    widgetList.populateWidgetList();
    widgetList.selectFirstRow();
    editWidget(0);
}

bool CtrlGUI::showAddWidgetDialog()
{
    Panel* edited = state.livePanel();
    const int id = edited ? addWidgetDialog.run(*edited) : 0;
    if (id <= 0)
        return false;
    widgetList.populateWidgetList();
    if (widgetList.select(id))
        editWidget(id);
    return true;
}

bool CtrlGUI::showTooltipSettingsDialog()
{
    Widget* target = state.getSelectedWidget();
    return target && tooltipDialog.run(*target);
}

int CtrlGUI::resolveFontNameToID(const string& name) const
{
    return resolveFontName(tabServices().status().iArchiveID, name);
}

void CtrlGUI::showLoadedPanelForPreview()
{
    processEvent(0, 0);
    // A reload while another tab is shown (Import XML) keeps the panel
    // hidden until this tab is shown again.
    if (tabServices().panel().isShown())
        preview.showLoadedPanelForPreview();
}

bool CtrlGUI::takesEventsFrom(int eventPanelId) const { return eventPanelId <= 0 || eventPanelId != state.panelId; }

int CtrlGUI::render(int)
{
    tabServices().screen().clear(180, 180, 180, 255);
    widgetList.syncWidgetListSlider();
    return 0;
}

int CtrlGUI::parseQEL()
{
    const int rc = CtrlBase::parseQEL();
    // The skin lists offer every image of the archive, which may be a
    // million rows: a hidden tab fills them when it is shown again.
    if (tabServices().panel().baseWidget()->isShown()) {
        skin.populateSkinResourceLists();
        skin.updateSkinEditor();
    } else {
        skin.markListsStale();
    }
    return rc;
}

int CtrlGUI::onActivate()
{
    if (skin.hasStaleLists())
        skin.populateSkinResourceLists();
    const int archiveId = tabServices().status().iArchiveID;
    if (state.panelId <= 0 && !getCurrentItemName().empty() && archiveId >= 1) {
        const int id = gui()->load(archiveId, getCurrentItemName().c_str());
        if (id < 1) {
            state.panelId = 0;
            return 0;
        }
        state.panelId = id;
        preview.isolateLoadedPanelForPreview();
        widgetList.populateWidgetList();
        skin.populateSkinResourceLists();
    }
    if (Panel* live = state.livePanel()) {
        live->attachTo(0);
        gui()->setPanelFocus(state.panelId);
        updateData();
        showLoadedPanelForPreview();
    }
    return 0;
}

int CtrlGUI::onDeactivate()
{
    widgetList.rememberScroll();
    // Unsaved edits live only in the engine panel: keep it, hidden, for the
    // return to the tab instead of dropping them unasked.
    if (isDirty() && state.livePanel()) {
        preview.hideLivePanel();
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
    const string text = tabServices().selectedListName();
    if (text == getCurrentItemName())
        return 0;
    // The panel shown now goes only once the chosen one has loaded: a
    // damaged block must not cost the user the edits of the open one.
    Vector<String> leftOut;
    const int id = gui()->load(tabServices().status().iArchiveID, text.c_str(), &leftOut);
    if (id < 1) {
        editorLog().msg(LOG_ERROR, "\n[CtrlGUI] Error: could not load panel '%s' (error %d).\n", text.c_str(), id);
        selectBlockListItemByName(getCurrentItemName());
        if (WidgetTextEdit* field = tabServices().panel().getTextEdit(BW_NAME))
            field->setText(getCurrentItemName().c_str());
        setDirty(wasDirty);
        tabServices().messageBox("Loading resource",
                "Panel '" + text + "' could not be loaded.\n\nError code: " + std::to_string(id).c_str(), MBB_OK, MBT_ERROR,
                0);
        return -1;
    }
    closeResources();
    setCurrentItemName(text);
    widgetList.forgetScroll();
    state.panelId = id;
    preview.isolateLoadedPanelForPreview();
    state.selectedWidgetId = 0;
    state.resetSkinModes();
    widgetList.populateWidgetList();
    skin.populateSkinResourceLists();
    if (!widgetList.empty())
        widgetList.selectFirstRow();
    updateData();
    showLoadedPanelForPreview();
    if (!leftOut.empty()) {
        string named;
        for (const String& part : leftOut)
            named += "\n" + part;
        tabServices().messageBox("Loading resource",
                                 "Panel '" + text + "' is shown without what it names that could not be loaded:" + named,
                                 MBB_OK, MBT_WARNING, 0);
    }
    return 0;
}

int CtrlGUI::onNew()
{
    closeResources();
    if (const int rc = CtrlBase::onNew(); rc != 0)
        return rc;
    widgetList.forgetScroll();
    properties.resetFields();
    skin.resetFields();
    widgetList.resetView();
    state.selectedWidgetId = 0;
    // The radio shows Normal again: edits must go to the state shown.
    state.selectedSkinState = WS_NORMAL;
    state.resetSkinModes();
    widgetList.populateWidgetList();
    skin.populateSkinResourceLists();
    return 0;
}

int CtrlGUI::closeResources()
{
    if (state.livePanel()) {
        preview.hideLivePanel();
        gui()->close(state.panelId);
    }
    state.resetPanelSettings();
    preview.forgetLogicalPosition();
    skin.forgetAnimationSprite();
    return 0;
}

// --- save and delete ---

int CtrlGUI::onSave()
{
    GlobalStatus& status = tabServices().status();
    string name;
    if (!readRequiredBlockName(name, "Panel", "Panel name cannot be empty."))
        return -1;
    // Saving under the name of another stored panel would replace it.
    if (name != getCurrentItemName() && blockExists(status.iArchiveID, name, getBlockType())) {
        tabServices().notifySaveWarning("Panel", kRenameWarning, 2500);
        return -1;
    }
    if (state.panelId <= 0) {
        const int id = gui()->create(name.c_str(), 0x42000000);
        if (id < 1) {
            tabServices().notifySaveError("Panel", "Could not create the panel.", 2000);
            state.panelId = 0;
            return -1;
        }
        state.panelId = id;
        preview.isolateLoadedPanelForPreview();
        // The new panel takes what the fields say, so that the preview
        // after the save shows what was stored.
        properties.applyCommonFields();
    }
    Panel* live = state.livePanel();
    if (!live) {
        tabServices().notifySaveError("Panel", "Could not get the panel.", 2000);
        return -1;
    }
    preview.restoreLogicalPanelPosition();
    if (gui()->setName(state.panelId, name.c_str()) != 0) {
        tabServices().notifySaveWarning("Panel", kRenameWarning, 2500);
        // Back to the preview: screen 0, own size, centred, shown.
        preview.restorePreviewIsolation();
        showLoadedPanelForPreview();
        return -1;
    }
    if (state.selectedWidgetId == 0) {
        state.screenDesired = widgetInt(tabServices().panel(), GW_SCREEN, 0, 16, 0);
        live->setScreenDesired(state.screenDesired);
        live->setPanelType(state.panelType, state.panelType == PT_EPHEMERAL ? state.panelTTLSeconds * 1000 : 0);
        preview.applyPanelThemeAndLayout(live);
    }
    live->setSizeMode(state.fitScreen ? 1 : 0);
    NamedPictures::Names before;
    gui()->skinImages(status.iArchiveID, name.c_str(), before);
    if (const int rc = live->save(status.iArchiveID); rc != 0) {
        tabServices().notifySaveFailure("Panel", "Could not save the panel.", rc);
        live->setSizeMode(0);
        preview.restorePreviewIsolation();
        showLoadedPanelForPreview();
        return -1;
    }
    // A skin picture the panel stopped naming would be left where no tab
    // reaches it.
    gui()->removeUnusedSkinImages(status.iArchiveID, before);
    preview.storeLogicalPanelPosition();
    preview.restorePreviewIsolation();
    showLoadedPanelForPreview();
    notifySaveSuccess("Panel");
    status.bReparseAll = 1;
    setCurrentItemName(name);
    refreshBlockListAndSelect(name);
    return 0;
}

int CtrlGUI::onDelete()
{
    const GlobalStatus& status = tabServices().status();
    const string name = tabServices().selectedListName();
    if (tabServices().messageBox("Delete Panel", "Are you sure you want to delete \"" + name + "\" Panel?", 12, 3, 0) != 4)
        return -1;
    NamedPictures::Names pictures;
    gui()->skinImages(status.iArchiveID, name.c_str(), pictures);
    if (gui()->remove(status.iArchiveID, name.c_str()) != 0) {
        tabServices().messageBox("Delete Panel", "The panel could not be deleted.", 1, 1, 0);
        return recoverResourceDeleteFailure(name);
    }
    // Its hidden pictures would be left where no tab reaches them.
    gui()->removeUnusedSkinImages(status.iArchiveID, pictures);
    return finishResourceDelete();
}
