// The particle effect tab: the archive's particle effects, edited on one
// live engine emitter. Every widget is applied to the emitter at once
// through one setter; a refused value makes the tab refill its widgets from
// the emitter. Main thread only.
#pragma once

#include "tabs/base/ResourceSave.h"
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
// parts do the rest, each under its own operations: the preview
// (effectPreview.h), the main panel (effectMainPanel.h), the advanced panel
// with its timed bursts and sub-emitters (effectAdvancedPanel.h,
// effectParticleEvents.h) and the appearance panel with its lists
// (effectAppearancePanel.h, effectAppearanceLists.h).
class CtrlEffects : public CtrlBase, public EffectWidgetIds {
public:
    CtrlEffects(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlEffects() override;

    // One preview step by the engine's logic time while playing (or while
    // one-shots outlive the effect). 0.
    int update() override;
    // Background, particles (clipped to the preview area) and, at most
    // every 250 ms, the info labels. 0.
    int render(int value) override;
    // Left drag moves the emitter, a right click plays and bursts. 0.
    int handleMouseEvent(SDL_Event* event) override;
    // -1 when the base panel's handling failed; else 4 without an open
    // emitter, 0 with one.
    int processEvent(int widgetId, int data) override;
    // Fills the widgets from the open emitter. 0.
    int updateData() override;
    // The archive was closed: a new effect, and the floating panels hidden
    // with the tab, to come back when it is shown again. 0.
    int resetWidgets() override;
    int onListBox() override;
    int onNew() override;
    int onSave() override;
    int onDelete() override;
    int closeResources() override;
    int onActivate() override;
    int onDeactivate() override;

    // The floating panels; null while one does not exist.
    Zelkoran::Panel* advancedPanel() const { return advanced.panel(); }
    Zelkoran::Panel* appearancePanel() const { return appearance.panel(); }

    // Read access for tests, and the parts they drive directly.
    int getSelectedBurst() const { return particleEvents.selectedBurst(); }
    int getSelectedColorKey() const { return appearance.lists().selectedColorKey(); }
    int getSelectedTintEntry() const { return appearance.lists().selectedTintEntry(); }
    int getPreviewState() const { return preview.state(); }
    bool getOneShotsAlive() const { return preview.oneShotsAlive(); }
    int getItemHandle() const { return context.effect; }
    int getBorrowedVisualId() const { return mainPanel.borrowedVisualId(); }
    const EffectPreview& previewArea() const { return preview; }
    EffectAppearancePanel& appearanceEditor() { return appearance; }

private:
    // Preview, preset, background and panel buttons: true when consumed.
    bool handlePreviewEvent(int widgetId, Zelkoran::ParticleEmitter* emitter);
    void updateEffectWidgetStates();
    // A live effect block of that name in the open archive.
    bool storedEffectNamed(const string& name) const;
    // The parts' edits since the last look make the tab dirty.
    void takeEdits();
    // The box naming the visual the effect name just loaded without, if any.
    void reportMissingVisual(const string& name) const;

    const ResourceSave resourceSave{*this};
    EffectContext context;
    EffectMainPanel mainPanel;
    EffectAdvancedPanel advanced;
    EffectParticleEvents particleEvents;
    EffectAppearancePanel appearance;
    // Last: it knows the floating panels that lie over it.
    EffectPreview preview;
};
