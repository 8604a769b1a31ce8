// The timed bursts and sub-emitters of the advanced panel: their lists,
// the selected entry's fields, the routing of their events and the
// sub-emitter presets.
#pragma once

#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectFloatingPanel.h"
#include "tabs/effects/effectWidgetIds.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Particle.h>

class EffectParticleEvents : private EffectWidgetIds {
public:
    // advanced is the floating panel that holds their widgets.
    EffectParticleEvents(EffectContext& context, const EffectFloatingPanel& advanced);

    void populateSubPresetList();
    // True when the id is one of their widgets (and was taken).
    bool handleParticleEventsEvent(int widgetId);
    void updateTimedBurstData();
    void updateSubEmitterData();
    // Each true when the emitter took the changed list.
    bool applyTimedBurstWidgets();
    bool addTimedBurst();
    bool deleteTimedBurst();
    bool applySubEmitterWidgets();
    bool addSubEmitter();
    bool deleteSubEmitter();
    void updateStates(bool open);
    // A newly filled effect starts on its first entries.
    void selectFirst();
    int selectedBurst() const { return burstSelection; }

private:
    Zelkoran::Panel* panel() const { return advanced.panel(); }

    EffectContext& context;
    const EffectFloatingPanel& advanced;
    Zelkoran::Vector<Zelkoran::eParticleEffectPreset> subPresets;
    Zelkoran::Vector<Zelkoran::String> subPresetNames;
    int32_t burstSelection = -1;
    int32_t subSelection = -1;
};
