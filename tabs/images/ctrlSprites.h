// The sprite tab: the archive's sprites, made from imported sheets and
// edited animation by animation (rows of cells) and frame by frame: cell
// size, state, playback type, hot spot, frame range and frame times. The
// preview shows the sheet with its cell grid, the current animation (blue)
// and frame (green), and the current animation playing at its frame times
// in the preview's top-left corner. Main thread only.
#pragma once

#include "tabs/images/ctrlImageResourceOf.h"

#include <Zelkoran/Sprite.h>

class CtrlSprites
    : public CtrlImageResourceOf<Zelkoran::Sprite, Zelkoran::SpriteMgr, &Zelkoran::Main::spriteMgr> {
public:
    enum eSpriteWidget : int {
        SW_DURATION_UNIT = 701,
        SW_SHOW_GRID = 702,
        SW_ANIM_MINUS = 703,
        SW_ANIM_PLUS = 704,
        SW_FRAME_MINUS = 705,
        SW_FRAME_PLUS = 706,
        SW_STATE = 707,
        SW_TYPE = 708,
        SW_OFFSET_X_LABEL = 709,
        SW_OFFSET_Y_LABEL = 710,
        SW_NUM_ANIM = 711,
        SW_STATE_LABEL = 712,
        SW_TYPE_LABEL = 713,
        SW_HOT_X_LABEL = 714,
        SW_HOT_Y_LABEL = 715,
        SW_FRAME_START_LABEL = 716,
        SW_FRAME_END_LABEL = 717,
        SW_NUM_FRAMES = 718,
        SW_DURATION_LABEL = 719,
        SW_OFFSET_X = 720,
        SW_OFFSET_Y = 721,
        SW_HOT_X = 722,
        SW_HOT_Y = 723,
        SW_FRAME_START = 724,
        SW_FRAME_END = 725,
        SW_FRAME_MS = 726,
        SW_HOT_X_MODE = 727,
        SW_HOT_Y_MODE = 728,
    };

    // The state of row i of list 707 (1-based) is (i - 1) * 256; the type
    // of row i of list 708 is kTypes[i - 1].
    static constexpr int kStateRows = 9;
    static constexpr int kTypes[5] = {1, 2, 4, 8, 16};

    CtrlSprites(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlSprites() override;

    // The image tab's handling, the import's conversion, browsing, state
    // and type; then every edit is written into the current animation and
    // frame. -1, 0 with an image, 4 without, or the result after a failed
    // conversion.
    int processEvent(int widgetId, int data) override;
    // Sheet, grid, current animation and frame, and the playing animation. 0.
    int render(int value) override;
    int onNew() override;
    // The current animation's and frame's values into the widgets. 0.
    int updateData() override;
    int closeResources() override;

    int animIndex() const { return iAnimIndex; }

protected:
    int beforeResourceSave() override;

private:
    void createWidgets();
    // Handles the browsing buttons and the two lists: false when the event
    // ends there (a list event without a sprite).
    bool handleOwnEvent(int widgetId, int data, bool& refresh);
    void applyWidgets(int widgetId, bool refresh);
    void drawPlayingAnimation(Zelkoran::Sprite& sprite, float cw, float ch);

    bool bShowGrid = true;
    int iAnimIndex = -1;
    int iFrameIndex = -1;
    int iLastCellWidth = -1;
    // When the playing animation started, in timer ticks, and which it is.
    uint64_t uPlayStart = 0;
    int iPlayingAnim = -1;
};
