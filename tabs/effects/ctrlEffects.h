// The particle effect tab: the archive's particle effects, edited on one
// live engine emitter. Every widget of the main panel is applied to the
// emitter at once through one setter; a refused value makes the tab refill
// its widgets from the emitter. The emitter plays in the preview area (right
// of the tab panel, below the menu bar): dragged with the left button, a
// burst on the right button. Main thread only.
#pragma once

#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Particle.h>

namespace Zelkoran {
class Panel;
class Widget;
} // namespace Zelkoran

class CtrlEffects : public CtrlBase {
public:
    enum eEffectWidget : int {
        EW_PRESET_LABEL = 1601,
        EW_PRESET = 1602,
        EW_VISUAL_FRAME = 1603,
        EW_VISUAL_LABEL = 1604,
        EW_VISUAL = 1605,
        EW_IMAGE_LABEL = 1606,
        EW_IMAGE = 1607,
        EW_SPRITE_LABEL = 1608,
        EW_SPRITE = 1609,
        EW_ANIM_LABEL = 1610,
        EW_ANIM = 1611,
        EW_GLOW = 1612,
        EW_GLOW_VALUE_LABEL = 1613,
        EW_GLOW_VALUE = 1614,
        EW_EMITTER_FRAME = 1615,
        EW_SHAPE_LABEL = 1616,
        EW_SHAPE = 1617,
        EW_COORDINATES_LABEL = 1618,
        EW_WIDTH = 1619,
        EW_PLAYBACK_LABEL = 1620,
        EW_HEIGHT = 1621,
        EW_LOCAL_SPACE = 1622,
        EW_EMISSION_FRAME = 1623,
        EW_RATE_LABEL = 1624,
        EW_RATE = 1625,
        EW_MAX_LABEL = 1626,
        EW_MAX = 1627,
        EW_DURATION_LABEL = 1628,
        EW_DURATION = 1629,
        EW_LOOP = 1630,
        EW_LIFE_MIN_LABEL = 1631,
        EW_LIFE_MIN = 1632,
        EW_LIFE_MAX_LABEL = 1633,
        EW_LIFE_MAX = 1634,
        EW_MOTION_FRAME = 1635,
        EW_ANGLE_LABEL = 1636,
        EW_ANGLE = 1637,
        EW_SPREAD_LABEL = 1638,
        EW_SPREAD = 1639,
        EW_SPEED_MIN_LABEL = 1640,
        EW_SPEED_MIN = 1641,
        EW_SPEED_MAX_LABEL = 1642,
        EW_SPEED_MAX = 1643,
        EW_DIRECTION_LABEL = 1644,
        EW_DIRECTION = 1645,
        EW_PLAY = 1655,
        EW_PAUSE = 1656,
        EW_STOP = 1657,
        EW_BURST_LABEL = 1658,
        EW_BURST = 1659,
        EW_WIDTH_ICON = 1660,
        EW_HEIGHT_ICON = 1661,
        EW_BG_CHECKER = 1662,
        EW_BG_WHITE = 1663,
        EW_BG_BLACK = 1664,
        EW_INFO = 1665,
        EW_RENDER_INFO = 1666,
        EW_ADVANCED = 1727,
        EW_ADVANCED_CLOSE = 1728,
        EW_APPEARANCE = 1734,
        EW_APPEARANCE_CLOSE = 1735,
        EW_SPRITE_PHASE_LABEL = 1807,
        EW_SPRITE_PHASE = 1808,
    };

    // Preview states.
    enum ePreviewState : int { PS_STOPPED = 0, PS_PLAYING = 1, PS_PAUSED = 2 };

    // The visual combo's rows: label and engine visual, row r is entry r - 1.
    struct VisualChoice {
        const char* label;
        Zelkoran::eParticleVisual visual;
    };
    static const VisualChoice vEffectVisualChoices[6];

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

    // The modeless panels; null while they do not exist.
    Zelkoran::Panel* advancedPanel() const;
    Zelkoran::Panel* appearancePanel() const;
    void setPreviewPosition(float x, float y, bool markDirty);
    bool isInContentArea(float x, float y) const;
    bool isInModelessPanel(float x, float y) const;
    // Preview, preset, background and panel buttons: true when consumed.
    bool handlePreviewEvent(int widgetId, Zelkoran::ParticleEmitter* emitter);
    void populatePresetList();
    void closeBorrowedVisualResource();
    void populateVisualResourceLists();
    void populateSpriteAnimationList(const string& spriteName, int animation);
    bool applyVisualFromWidgets(Zelkoran::ParticleEmitter* emitter);
    // 1 applied, 0 not a main panel setting, -1 refused or no emitter.
    int applyMainEmitterWidget(int widgetId, Zelkoran::ParticleEmitter* emitter);
    void updateEffectWidgetStates();

    int getPreviewState() const { return previewState; }
    bool getOneShotsAlive() const { return oneShotsAlive; }
    int getItemHandle() const { return itemHandle; }
    int getBorrowedVisualId() const { return borrowedVisualId; }
    // The centre of the preview area.
    float contentCentreX() const;
    float contentCentreY() const;

private:
    void createMainWidgets();
    Zelkoran::ParticleEmitter* emitter() const;
    void updateInfoLabel();
    // The visual, image, sprite and animation combos from the emitter.
    void updateVisualWidgets(Zelkoran::ParticleEmitter* e);
    void drawBackground();
    int comboRow(int widgetId) const;
    float numberValue(int widgetId, float fallback) const;
    bool checked(int widgetId) const;
    void setCombo(int widgetId, int row);
    void setNumber(int widgetId, float value);
    void setChecked(int widgetId, bool on);
    void resetPauseBox();

    Zelkoran::Vector<Zelkoran::eParticleEffectPreset> presets;
    Zelkoran::Vector<string> imageNames;
    Zelkoran::Vector<string> spriteNames;
    Zelkoran::Vector<int32_t> spriteAnimationIds;
    int32_t borrowedVisualId = 0;
    int32_t borrowedVisualKind = 0;
    int32_t previewState = PS_STOPPED;
    int32_t backgroundImageId = 0;
    int32_t advancedPanelId = 0;
    int32_t appearancePanelId = 0;
    bool oneShotsAlive = false;
    bool previewDragging = false;
    bool updatingWidgets = false;
    bool advancedPanelVisible = false;
    bool appearancePanelVisible = false;
};

// Sets the widget's tooltip; a null widget is skipped.
void setEffectTooltip(Zelkoran::Widget* widget, const char* text);
