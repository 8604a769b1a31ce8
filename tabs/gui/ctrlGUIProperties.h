// The GUI tab's property fields: panel settings, the edited widget's
// identity, placement, features, tooltip and type-specific values. Each
// field is applied to the live panel or its selected widget, and the panel
// or widget is copied back into the fields; the tab keeps no copy of a
// property, so the preview always shows what the fields say.
#pragma once

#include "tabs/gui/ctrlGUIFields.h"
#include "tabs/gui/ctrlGUIRows.h"
#include "tabs/gui/ctrlGUIState.h"

#include <Zelkoran/Panel.h>

class GUIPreview;
class GUIWidgetList;
class ResourceManager;
class TabServices;

class GUIPropertiesPanel {
public:
    // preview keeps the panel's stored placement, which the placement
    // fields edit.
    GUIPropertiesPanel(GUIEditState& shared, GUIPreview& preview, const TabServices& services);

    // The rows above the skin editor; the list goes among the identity rows.
    void createRows(int font, GUIWidgetList& list);
    // The type-specific rows below the skin editor.
    void createSpecialRows(int font);
    void resetFields() const;
    // Sets the type-specific fields to their neutral values.
    void resetSpecialFields() const;
    // Panel or widget -> fields; the panel's placement fields show
    // storedX/storedY when given.
    void fillPanelFields(Zelkoran::Panel& live);
    void fillWidgetFields(Zelkoran::Widget& widget, const Zelkoran::Position* storedX,
                          const Zelkoran::Position* storedY);
    void populateWidgetFeatureWidgets(const Zelkoran::Widget* widget, const Zelkoran::Position* posX,
                                      const Zelkoran::Position* posY) const;
    void applyWidgetSizeFromEditorOrAsset(Zelkoran::Widget& widget, int id, bool remember);
    // Fields -> the selected widget, or the panel's base widget; the panel's
    // typed placement becomes its stored one, after its size.
    void applyCommonFields();
    // The type-specific value id applied to the selected widget.
    void applySpecialValue(int id);
    // Which fields are usable; none: no panel loaded.
    void updateStates(bool none, const Zelkoran::Widget* selected, bool isWidget) const;

private:
    void createPanelSettings(int font);
    void createIdentityRows(int font, GUIWidgetList& list);
    void createPlacementRows(int font);
    void createFeatureRows(int font);
    void addIcons(std::initializer_list<CtrlGUIInternal::IconRow> icons);
    // Sets a label's, button's or check box's caption and grows the widget
    // (and the size fields) to hold it.
    void growToCaption(Zelkoran::Widget& widget, const char* text);
    void showSpecialRows(Zelkoran::eWidgetType type) const;
    // A progress bar's, slider's or number edit's value, range or limits
    // and step as the widget holds them.
    void showSpecialNumbers(Zelkoran::Panel& live, int id) const;

    Zelkoran::Panel& panel;
    GUIFields fields;
    GUIEditState& state;
    GUIPreview& preview;
    const ResourceManager& rm;
};
