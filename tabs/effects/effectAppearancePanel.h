// The effect tab's appearance panel, a floating panel beside the advanced
// one: colour keys with their ramp, the tint palette with its preview and
// the scale keys. It owns the lists it shows and routes their events.
#pragma once

#include "tabs/effects/effectAppearanceLists.h"
#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectFloatingPanel.h"
#include "tabs/effects/effectWidgetIds.h"

class EffectAppearancePanel : private EffectWidgetIds {
public:
    // What handleAppearanceEvent gives when the emitter took changed scale
    // keys, which the advanced panel mirrors.
    static constexpr int kScaleKeysEdited = 2;

    explicit EffectAppearancePanel(EffectContext& context);

    // Builds the panel once, hidden.
    void createAppearancePanel();
    EffectFloatingPanel& window() { return floating; }
    const EffectFloatingPanel& window() const { return floating; }
    Zelkoran::Panel* panel() const { return floating.panel(); }
    EffectAppearanceLists& lists() { return keyLists; }
    const EffectAppearanceLists& lists() const { return keyLists; }
    // 1 when the id belongs to the panel's edits and was taken
    // (kScaleKeysEdited after a scale key edit), else 0.
    int handleAppearanceEvent(int widgetId);
    void updateStates(bool open);

private:
    // A hex field's event that changes nothing yet: an invalid text still
    // being typed, or the selected entry's own colour.
    bool hexHeldBack(int widgetId) const;

    EffectContext& context;
    EffectFloatingPanel floating;
    EffectAppearanceLists keyLists;
};
