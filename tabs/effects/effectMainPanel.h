// The effect tab's main panel: its widgets below the block list, the
// mapping between them and the open emitter in both directions, the
// presets, and the image or sprite the visual borrows from the archive.
#pragma once

#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectWidgetIds.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Particle.h>

namespace Zelkoran {
class Panel;
} // namespace Zelkoran

class EffectMainPanel : private EffectWidgetIds {
public:
    explicit EffectMainPanel(EffectContext& context);

    void create();
    void populatePresetList();
    // Applies the preset of the preset combo: false when the emitter
    // refused it.
    bool applyPreset(Zelkoran::ParticleEmitter* emitter);
    void populateVisualResourceLists();
    // The animation rows of the sprite block spriteName, animation selected.
    void populateSpriteAnimationList(const Zelkoran::String& spriteName, int animation);
    bool applyVisualFromWidgets(Zelkoran::ParticleEmitter* emitter);
    void closeBorrowedVisualResource();
    int borrowedVisualId() const { return borrowedId; }
    // 1 applied, 0 not a main panel setting, -1 refused.
    int applyMainEmitterWidget(int widgetId, Zelkoran::ParticleEmitter* emitter);
    // The widgets from the emitter (the caller sets the guard).
    void fill(Zelkoran::ParticleEmitter* emitter);
    // The visual, image, sprite and animation combos from the emitter.
    void fillVisual(Zelkoran::ParticleEmitter* emitter);
    void updateStates(bool open);
    // The right button's burst size.
    int burstSize() const;

private:
    Zelkoran::Panel& panel;
    EffectContext& context;
    Zelkoran::Vector<Zelkoran::eParticleEffectPreset> presets;
    Zelkoran::Vector<Zelkoran::String> imageNames;
    Zelkoran::Vector<Zelkoran::String> spriteNames;
    Zelkoran::Vector<int32_t> spriteAnimationIds;
    int32_t borrowedId = 0;
    int32_t borrowedKind = 0;
};
