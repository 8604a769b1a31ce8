// The cursor tab: the archive's mouse cursors, made from imported images,
// with a hot spot per axis (a pixel, or an offset from the image's centre
// or last pixel) shown as a red cross over the preview. Main thread only.
#pragma once

#include "tabs/images/ctrlImageResourceOf.h"

#include <Zelkoran/Cursor.h>

class CtrlCursors
    : public CtrlImageResourceOf<Zelkoran::Cursor, Zelkoran::CursorMgr, &Zelkoran::Main::cursorMgr> {
public:
    enum eCursorWidget : int {
        CW_HOT_X_LABEL = 500,
        CW_HOT_Y_LABEL = 501,
        CW_HOT_X_MODE = 502,
        CW_HOT_Y_MODE = 503,
        CW_HOT_X = 504,
        CW_HOT_Y = 505,
    };
    // Arms of the hot spot cross, in pixels from its centre.
    static constexpr float kCrossArm = 5;

    CtrlCursors(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlCursors() override;

    // The image tab's handling, the import's conversion, then the hot spot
    // widgets written into the cursor. -1 (also when the cursor refuses the
    // hot spot), 0 with an image, 4 without, or the result after a failed
    // conversion.
    int processEvent(int widgetId, int data) override;
    // The image tab's preview with the hot spot cross. 0.
    int render(int value) override;
    int onNew() override;
    int updateData() override;

protected:
    int beforeResourceSave() override;

private:
    void syncHotSpotWidgets() const;
    int applyHotSpotWidgets() const;
};
