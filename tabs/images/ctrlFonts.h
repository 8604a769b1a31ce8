// The font tab: the archive's bitmap fonts, made from imported glyph sheets,
// with their kerning, previewed as five sample lines scaled by the zoom.
// The colour key is off: glyph sheets carry their own alpha. Main thread only.
#pragma once

#include "tabs/images/ctrlImageResourceOf.h"

#include <Zelkoran/Font.h>

class CtrlFonts
    : public CtrlImageResourceOf<Zelkoran::Font, Zelkoran::FontMgr, &Zelkoran::Main::fontMgr> {
public:
    enum eFontWidget : int {
        FW_KERNING_LABEL = 802,
        FW_CHARSET_LABEL = 803,
        FW_KERNING = 804,
        FW_CHARSET = 805,
        FW_COPY_LABEL_1 = 806,
        FW_COPY_LABEL_2 = 807,
    };
    // The sample lines start at x and y kSampleLeft, kSampleTop; each next
    // one (font height + kSampleGap) x zoom lower.
    static constexpr float kSampleLeft = 250;
    static constexpr float kSampleTop = 250;
    static constexpr float kSampleGap = 10;

    CtrlFonts(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlFonts() override;

    // The image tab's handling, the import's conversion, then the kerning
    // of 804 (-256..256, empty = 0) applied to the font. -1, 0 with a font,
    // 4 without, or the result after a failed conversion.
    int processEvent(int widgetId, int data) override;
    // The background and the five sample lines (not the glyph sheet). 0.
    int render(int value) override;
    // Wheel zoom over the preview and middle-click zoom reset while a font
    // is loaded (no panning). 0.
    int handleMouseEvent(SDL_Event* event) override;
    // Loads the block remembered by onDeactivate when it is still selected,
    // with its zoom. 0.
    int onActivate() override;
    int onNew() override;
    int updateData() override;

    // The 188-character text of 805: a blank before each of '!'..'~'.
    static string charsetText();

protected:
    void reportAssignFailure(int rc) override;
};
