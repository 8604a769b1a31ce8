// The skin editor: one widget state at a time, drawn from the theme, from
// colours and border values of its own, or from an archive image or sprite,
// with an optional font. Fields go straight into the live widget.
#pragma once

#include "tabs/gui/ctrlGUIFields.h"
#include "tabs/gui/ctrlGUIState.h"

#include <Zelkoran/Panel.h>

class TabServices;

class GUISkinEditor {
public:
    GUISkinEditor(GUIEditState& shared, const TabServices& tabServices);

    void createRows();
    // Whether a colour text changed the live panel's widget since the last
    // call. The colour texts act through their own reactions, when
    // committed, left or picked, outside the tab's event handling.
    bool takeColourEdit();
    // Theme mode on Normal, with neutral colours.
    void resetFields() const;
    // Which skin fields are usable for the selected widget (null: none).
    void updateStates(const Zelkoran::Widget* selected, bool isWidget) const;

    static bool widgetSupportsFont(Zelkoran::eWidgetType type);
    // 0..4 for a widget state; any other value is logged and gives 0.
    static int skinStateToIndex(int state);
    // 2 asset (an image or sprite), 1 colours (any override), else 0 theme:
    // anything but 0 is a custom skin.
    static int getSkinEditorMode(const Zelkoran::Widget* widget, int state);
    // The lists that offer the archive's fonts, images and sprites.
    void populateSkinResourceLists();
    // The archive changed while the lists were not shown: they are filled
    // again before they are next used.
    void markListsStale() { listsStale = true; }
    bool hasStaleLists() const { return listsStale; }
    void populateSkinAnimationList(const Zelkoran::String& sprite, int selected);
    void forgetAnimationSprite() { skinAnimationSprite.clear(); }
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
    // The reaction to a skin editor widget; set: the event's box was ticked.
    // True when the widget changed.
    bool onSkinEvent(int widgetId, bool set = false);

private:
    bool onSkinSprite(Zelkoran::Widget* w, int state);
    // Colour edit id reads as the colour w shows in state.
    bool showsFieldColour(const Zelkoran::Widget* w, int state, int id) const;
    void applySkinFont(Zelkoran::Widget& w, int state);
    void applySkinAsset(Zelkoran::Widget& w, int state);
    void applySkinColors(Zelkoran::Widget& w, int state);

    GUIFields fields;
    GUIEditState& state;
    const TabServices& services;
    Zelkoran::Vector<Zelkoran::String> skinFontNames;   // rows 2.. of the font combo
    Zelkoran::Vector<Zelkoran::String> skinImageNames;  // rows 2.. of the image combo
    Zelkoran::Vector<Zelkoran::String> skinSpriteNames; // rows 2.. of the sprite combo
    Zelkoran::Vector<int> skinAnimationIds;
    Zelkoran::String skinAnimationSprite; // the sprite skinAnimationIds were filled for
    bool listsStale = false;
    bool colourEdited = false;
};
