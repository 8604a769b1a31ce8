// The effect tab's preview: the area right of the tab panel and below the
// menu bar where the open emitter plays. It keeps the play state, draws the
// chosen background and the particles, shows the info labels and places
// the emitter: dragged with the left button, a burst on the right button.
#pragma once

#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectFloatingPanel.h"
#include "tabs/effects/effectWidgetIds.h"

#include <SDL.h>

class GlobalStatus;

namespace Zelkoran {
class Panel;
class Screen;
} // namespace Zelkoran

class EffectPreview : private EffectWidgetIds {
public:
    // The tab's panel holds the play buttons, the background choice and the
    // info labels; the floating panels lie over the area, and a click on one
    // of them is not the preview's.
    EffectPreview(EffectContext& context, const EffectFloatingPanel& advanced, const EffectFloatingPanel& appearance);

    int state() const { return previewState; }
    bool oneShotsAlive() const { return oneShots; }
    float centreX() const;
    float centreY() const;
    bool isInContentArea(float x, float y) const;
    void setPreviewPosition(float x, float y, bool edited);

    // One step by the engine's logic time while playing (or while one-shots
    // outlive the effect).
    void update();
    // Background and particles, clipped to the area, and at most every
    // 250 ms the info labels.
    void render();
    void handleMouse(const SDL_Event& event, int burst);

    // The play, pause and stop buttons and the background boxes: true when
    // the id is one of them.
    bool handleButton(int widgetId);
    // A preset just applied: the effect plays from the centre.
    void playFromCentre();
    // The effect was filled anew: one-shots no longer count.
    void forgetOneShots() { oneShots = false; }
    // Nothing plays: the state after closing or opening an effect.
    void reset();
    // Leaving the tab pauses a playing effect, coming back resumes it and
    // shows the pause box as the state is.
    void suspend();
    void resume();

private:
    void drawBackground();
    void updateInfoLabel();
    void showPaused(bool paused);
    bool onFloatingPanel(float x, float y) const;

    Zelkoran::Panel& panel;
    EffectContext& context;
    const GlobalStatus& status;
    const EffectFloatingPanel& advanced;
    const EffectFloatingPanel& appearance;
    int backgroundImageId = 0;
    int previewState = PS_STOPPED;
    bool oneShots = false;
    bool dragging = false;
};
