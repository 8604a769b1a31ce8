// The appearance lists of the open emitter: lifetime colour keys with their
// ramp preview, the random tint palette and lifetime scale keys, filled
// into the appearance panel and edited through whole copies
// (ctrlEffectsListEdit.h).
#pragma once

#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectFloatingPanel.h"
#include "tabs/effects/effectWidgetIds.h"

#include <cstdint>

class EffectAppearanceLists : private EffectWidgetIds {
public:
    // appearance is the floating panel that shows them.
    EffectAppearanceLists(EffectContext& context, const EffectFloatingPanel& appearance);

    // Every list's widgets from the emitter, with the guard set.
    void updateAppearanceData();
    void updateColorKeyData();
    void updateColorRampPreview();
    void updateTintPaletteData();
    void updateScaleKeyData();
    // The row the user picked in the selection combo comboId.
    void select(int comboId);
    // Each true when the emitter took the changed list.
    bool applyColorKeyWidgets();
    bool addColorKey();
    bool deleteColorKey();
    bool applyTintPaletteWidgets();
    bool addTintPaletteEntry();
    bool deleteTintPaletteEntry();
    bool applyScaleKeyWidgets();
    bool addScaleKey();
    bool deleteScaleKey();
    int selectedColorKey() const { return colorKey; }
    int selectedTintEntry() const { return tintEntry; }

private:
    Zelkoran::Panel* panel() const { return appearance.panel(); }
    // After a list edit: the other views of the lists follow.
    bool edited();

    EffectContext& context;
    const EffectFloatingPanel& appearance;
    int32_t colorKey = 0;
    int32_t tintEntry = 0;
    int32_t scaleKey = 0;
};
