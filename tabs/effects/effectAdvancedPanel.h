// The effect tab's advanced panel, a floating panel: blend and draw order,
// velocity, forces, transform, simulation and collision settings, and the
// widgets of the timed bursts and sub-emitters (edited by
// EffectParticleEvents).
#pragma once

#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectFloatingPanel.h"
#include "tabs/effects/effectWidgetIds.h"

namespace Zelkoran {
class WidgetTextEdit;
} // namespace Zelkoran

class EffectAdvancedPanel : private EffectWidgetIds {
public:
    // What applyAdvancedEmitterWidget gives when the birth and death scales
    // replaced the scale keys, which the appearance panel shows too.
    static constexpr int kScaleRampApplied = 2;

    explicit EffectAdvancedPanel(EffectContext& context);

    // Builds the panel once, hidden.
    void createAdvancedPanel();
    EffectFloatingPanel& window() { return floating; }
    const EffectFloatingPanel& window() const { return floating; }
    Zelkoran::Panel* panel() const { return floating.panel(); }
    // 1 applied (kScaleRampApplied for the scale ramp), 0 not an advanced
    // setting (or no panel; the seed field applies itself when committed),
    // -1 refused.
    int applyAdvancedEmitterWidget(int widgetId, Zelkoran::ParticleEmitter* emitter);
    // The settings from the emitter (the caller sets the guard).
    void fill(Zelkoran::ParticleEmitter* emitter);
    // "Scale at birth" and "at death" from the first and last scale key.
    void mirrorScaleKeys();
    void updateStates(bool open);

private:
    void commitSeed(Zelkoran::WidgetTextEdit& field);

    EffectContext& context;
    EffectFloatingPanel floating;
};
