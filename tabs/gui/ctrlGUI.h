// The GUI panel tab: the archive's GUI panels, each loaded as a live engine
// panel and edited in place on a preview centred in the free area of the
// window. Saving asks the panel to write itself back. Main thread only.
//
// The tab routes events and runs the life cycle (ctrlGUI.cpp); its parts
// each do one job: the property fields (ctrlGUIProperties.h), the widget
// list (ctrlGUIWidgets.h), the skin editor (ctrlGUISkin.h), the preview
// placement (ctrlGUIPreview.h), and the add-widget and tooltip dialogs
// (ctrlGUIAddWidget.h, ctrlGUITooltip.h). They share GUIEditState.
#pragma once

#include "tabs/base/ctrlBase.h"
#include "tabs/gui/ctrlGUIAddWidget.h"
#include "tabs/gui/ctrlGUIFields.h"
#include "tabs/gui/ctrlGUIIds.h"
#include "tabs/gui/ctrlGUIPreview.h"
#include "tabs/gui/ctrlGUIProperties.h"
#include "tabs/gui/ctrlGUISkin.h"
#include "tabs/gui/ctrlGUIState.h"
#include "tabs/gui/ctrlGUITooltip.h"
#include "tabs/gui/ctrlGUIWidgets.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Types.h>

#include <SDL_rect.h>

class CtrlGUI : public CtrlBase {
public:
    using enum CtrlGUIInternal::eGUIWidget;

    CtrlGUI(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlGUI() override;

    // Applies the editor event to the live panel or its selected widget.
    // -1 when the base panel's handling failed, else 0. Events of the
    // previewed panel's own widgets never reach here (takesEventsFrom).
    int processEvent(int widgetId, int data) override;
    // Copies the live panel or the selected widget into the fields. 0.
    int updateData() override;
    bool takesEventsFrom(int panelId) const override;
    // The preview background; the engine draws the live panel. 0.
    int render(int value) override;
    // The block list, and the skin lists that offer the archive's fonts,
    // images and sprites: both follow every change of the archive, the
    // skin lists of a hidden tab once it is shown again.
    int parseQEL() override;
    // Loads the current panel again when it was closed, and previews it. 0.
    int onActivate() override;
    // Hides the preview; a clean panel is closed, one with unsaved edits
    // stays loaded (hidden) for the return to the tab. 0.
    int onDeactivate() override;
    int onListBox() override;
    int onNew() override;
    // Hides and closes the live panel and resets the panel-level fields. 0.
    int closeResources() override;
    int onSave() override;
    int onDelete() override;

    // The font id behind a name of the skin editor's font list
    // (resolveFontName, for the open archive).
    int resolveFontNameToID(const string& name) const;

    // Read access for tests.
    int getPanelId() const { return state.panelId; }
    int getSelectedWidgetId() const { return state.selectedWidgetId; }
    int getSelectedSkinState() const { return state.selectedSkinState; }

private:
    // mode 4: no panel loaded, panel-level fields off; 0 otherwise.
    void updateWidgetStates(int mode);
    // Refreshes the fields, then shows the panel with the focus.
    void showLoadedPanelForPreview();
    // The modal dialog that adds one widget to the live panel. True when a
    // widget was added.
    bool showAddWidgetDialog();
    // The modal dialog on the selected widget's tooltip font and colours.
    // True when it changed the widget.
    bool showTooltipSettingsDialog();
    // Edits the widget id (0: the panel) from the fields' first row on.
    void editWidget(int id);
    void onDeleteWidget();

    GUIEditState state;
    GUIFields fields;
    GUIPreview preview;
    GUIWidgetList widgetList;
    GUIPropertiesPanel properties;
    GUISkinEditor skin;
    GUIAddWidgetDialog addWidgetDialog;
    GUITooltipDialog tooltipDialog;
    // Set when a widget-list pick has loaded a widget into the fields: the
    // refresh event that follows must not write them back.
    bool listSelectionPending = false;
};
