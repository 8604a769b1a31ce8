// The particle effect tab: the archive's particle effects, edited on one
// live engine emitter. Every widget is applied to the emitter at once
// through one setter; a refused value makes the tab refill its widgets from
// the emitter. Main thread only.
#pragma once

#include "tabs/base/ctrlBase.h"
#include "tabs/effects/effectAdvancedPanel.h"
#include "tabs/effects/effectAppearancePanel.h"
#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectMainPanel.h"
#include "tabs/effects/effectParticleEvents.h"
#include "tabs/effects/effectPreview.h"
#include "tabs/effects/effectWidgetIds.h"

#include <Zelkoran/Particle.h>

namespace Zelkoran {
class Panel;
} // namespace Zelkoran

// The tab itself opens, saves and deletes effects and routes events; its
// parts do the rest: the preview, the main panel, the two floating panels
// and the lists they edit. Callers still reach every operation on the tab;
// most forward to the part that does the work.
class CtrlEffects : public CtrlBase, public EffectWidgetIds {
public:
    CtrlEffects(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlEffects() override;

    // -1 when the base panel's handling failed; else 4 without an open
    // emitter, 0 with one.
    int processEvent(int widgetId, int data) override;
    // One preview step by the engine's logic time while playing (or while
    // one-shots outlive the effect). 0.
    int update() override;
    // Background, particles (clipped to the preview area) and, at most
    // every 250 ms, the info labels. 0.
    int render(int value) override;
    int resetWidgets() override;
    // Left drag moves the emitter, a right click plays and bursts. 0.
    int handleMouseEvent(SDL_Event* event) override;
    int onActivate() override;
    int onDeactivate() override;
    int onListBox() override;
    int onNew() override;
    int onSave() override;
    int onDelete() override;
    // Fills the widgets from the open emitter. 0.
    int updateData() override;
    int closeResources() override;

    // Preview, preset, background and panel buttons: true when consumed.
    bool handlePreviewEvent(int widgetId, Zelkoran::ParticleEmitter* emitter);
    void updateEffectWidgetStates();

    // Null while the panel does not exist.
    Zelkoran::Panel* advancedPanel() const { return advanced.panel(); }
    bool handleParticleEventsEvent(int widgetId) { return particleEvents.handleParticleEventsEvent(widgetId); }
    void updateTimedBurstData() { particleEvents.updateTimedBurstData(); }
    void updateSubEmitterData() { particleEvents.updateSubEmitterData(); }
    bool applyTimedBurstWidgets() { return particleEvents.applyTimedBurstWidgets(); }
    bool addTimedBurst() { return particleEvents.addTimedBurst(); }
    bool deleteTimedBurst() { return particleEvents.deleteTimedBurst(); }
    bool applySubEmitterWidgets() { return particleEvents.applySubEmitterWidgets(); }
    bool addSubEmitter() { return particleEvents.addSubEmitter(); }
    bool deleteSubEmitter() { return particleEvents.deleteSubEmitter(); }

    // --- appearance panel (EffectAppearancePanel, EffectAppearanceLists) ---
    // Null while the panel does not exist.
    Zelkoran::Panel* appearancePanel() const { return appearance.panel(); }
    void createAppearancePanel(ResourceManager* rm);
    int handleAppearanceEvent(int widgetId) { return appearance.handleAppearanceEvent(widgetId); }
    void updateAppearanceData() { appearance.lists().updateAppearanceData(); }
    void updateColorRampPreview() { appearance.lists().updateColorRampPreview(); }
    void updateTintPaletteData() { appearance.lists().updateTintPaletteData(); }
    void updateScaleKeyData() { appearance.lists().updateScaleKeyData(); }
    bool applyColorKeyWidgets() { return appearance.lists().applyColorKeyWidgets(); }
    bool addColorKey() { return appearance.lists().addColorKey(); }
    bool deleteColorKey() { return appearance.lists().deleteColorKey(); }
    bool applyTintPaletteWidgets() { return appearance.lists().applyTintPaletteWidgets(); }
    bool addTintPaletteEntry() { return appearance.lists().addTintPaletteEntry(); }
    bool deleteTintPaletteEntry() { return appearance.lists().deleteTintPaletteEntry(); }
    bool applyScaleKeyWidgets() { return appearance.lists().applyScaleKeyWidgets(); }
    bool addScaleKey() { return appearance.lists().addScaleKey(); }
    bool deleteScaleKey() { return appearance.lists().deleteScaleKey(); }

    int getSelectedBurst() const { return particleEvents.selectedBurst(); }
    int getSelectedColorKey() const { return appearance.lists().selectedColorKey(); }
    int getSelectedTintEntry() const { return appearance.lists().selectedTintEntry(); }
    int getPreviewState() const { return preview.state(); }
    bool getOneShotsAlive() const { return preview.oneShotsAlive(); }
    int getItemHandle() const { return itemHandle; }
    // The preview area, for tests.
    const EffectPreview& previewArea() const { return preview; }
    int getBorrowedVisualId() const { return mainPanel.borrowedVisualId(); }

private:
    // Whether (x, y) lies on a floating panel that shows.
    bool isInModelessPanel(float x, float y) const;
    // A live effect block of that name in the open archive.
    bool storedEffectNamed(const string& name) const;
    Zelkoran::ParticleEmitter* emitter() const;

    EffectContext context;
    EffectPreview preview;
    EffectMainPanel mainPanel;
    EffectAdvancedPanel advanced;
    EffectParticleEvents particleEvents;
    EffectAppearancePanel appearance;
};
