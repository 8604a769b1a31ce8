// Whether what a panel shows can be read whole: every caption, field value
// and list row measured with the font the widget draws it in, against the
// room the toolkit gives it (the room is worked out as the toolkit lays text
// out: borders, padding, a check box's box, a number field's spin buttons,
// a combo box's arrow). Also every label that runs into the widget after it
// on its row, or past the edge of its panel.
#pragma once

#include <Zelkoran/Font.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include <SDL_rect.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace editortest {

namespace captionfit {

// The toolkit's layout, as its widgets draw.
inline constexpr int kEditPadding = 3;   // each side of an edit's text
inline constexpr int kSpin = 14;         // a number field's arrows ...
inline constexpr int kSpinMinWidth = 48; // ... drawn from this width on
inline constexpr int kRowPadding = 4;    // before a list or combo row's text
inline constexpr int kArrowZone = 18;    // a combo box's arrow
inline constexpr int kCheckBox = 14 + 6; // a check box's box and the gap after it
inline constexpr int kScrollBar = 8;     // a multi-line edit's scroll bar
// Pixels a caption keeps clear of the widget after it.
inline constexpr int kCaptionGap = 2;

inline int textWidth(const Zelkoran::Widget& w, const char* text)
{
    const Zelkoran::Font* f = Zelkoran::Main::instance()->fontMgr()->get(w.getFont(Zelkoran::WS_NORMAL));
    return f && text ? f->getWidth(text) : 0;
}

// Right end of a one-line caption as drawn: placed by its text position in
// the widget, cut at the widget's right edge.
inline int captionRight(const Zelkoran::WidgetText& w)
{
    const SDL_Rect r = w.getRect();
    const int tw = textWidth(w, w.getText());
    const Zelkoran::Position p = w.getTextX();
    const int off = static_cast<int>(p.offset);
    const int x = p.helper == Zelkoran::PH_CENTER   ? r.x + (r.w - tw) / 2 + off
                  : p.helper == Zelkoran::PH_RIGHT ? r.x + r.w - tw + off
                                                   : r.x + off;
    return std::min(x + tw, r.x + r.w);
}

inline std::string describe(const Zelkoran::Widget& w, const std::string& what, int need, int room)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " (%d px in %d)", need, room);
    return std::string(w.getName()) + ": " + what + numbers;
}

inline std::string numberText(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

} // namespace captionfit

// Descriptions of what the shown widgets of panel cut or crowd; empty when
// everything fits. The rows of the lists in rowsUnchecked are not measured.
inline std::vector<std::string> captionFaults(Zelkoran::Panel& panel, const std::vector<int>& rowsUnchecked = {})
{
    using namespace Zelkoran;
    using namespace captionfit;
    std::vector<std::string> faults;
    std::vector<Widget*> shown;
    for (Widget* w : panel.children())
        if (w->isShown() && w->getType() != WT_PANEL)
            shown.push_back(w);
    const SDL_Rect frame = panel.baseWidget()->getRect();
    for (Widget* w : shown) {
        const SDL_Rect r = w->getRect();
        const int border = 2 * w->getBorderWidth(WS_NORMAL);
        const auto fits = [&](const std::string& what, const char* text, int room) {
            if (const int need = textWidth(*w, text); need > room)
                faults.push_back(describe(*w, what + " \"" + text + "\" cut", need, room));
        };
        switch (w->getType()) {
        case WT_LABEL:
        case WT_BUTTON: {
            const char* text = static_cast<WidgetText*>(w)->getText();
            if (w->hasOwnSize())
                fits("caption", text, r.w - border);
            if (const int right = captionRight(*static_cast<WidgetText*>(w)); *text && right > frame.x + frame.w)
                faults.push_back(describe(*w, std::string("caption \"") + text + "\" past the panel's edge",
                                          right - frame.x, frame.w));
            break;
        }
        case WT_CHECKBOX: {
            // A box drawn by a picture has its caption over the whole picture.
            const bool pictured = w->getBackgroundSprite(WS_NORMAL) > 0 || w->getBackgroundImage(WS_NORMAL) > 0;
            fits("caption", static_cast<WidgetText*>(w)->getText(), pictured ? r.w : r.w - kCheckBox - 2);
            break;
        }
        case WT_NUMBEREDIT: {
            const auto* e = static_cast<WidgetNumberEdit*>(w);
            const int room = r.w - border - 2 * kEditPadding - (r.w >= kSpinMinWidth ? kSpin : 0);
            fits("value", e->getText().c_str(), room);
            // The widest whole number the field takes, when its range is a field's.
            if (!e->isFloatAllowed() && e->getMin() >= -1e6f && e->getMax() <= 1e6f)
                for (float v : {e->getMin(), e->getMax()})
                    fits("value", numberText(v).c_str(), room);
            break;
        }
        case WT_TEXTEDIT: {
            // What a read-only box shows: each line whole.
            const auto* e = static_cast<WidgetTextEdit*>(w);
            if (e->getReadOnly() && e->getMultiline())
                for (int i = 1; i <= e->getLineCount(); ++i)
                    fits("line", e->getLine(i).c_str(), r.w - border - 2 * kEditPadding - kScrollBar);
            break;
        }
        case WT_LIST:
        case WT_COMBOBOX: {
            if (std::find(rowsUnchecked.begin(), rowsUnchecked.end(), w->getID()) != rowsUnchecked.end())
                break;
            const auto* items = static_cast<WidgetItems*>(w);
            const int room = r.w - border - kRowPadding - (w->getType() == WT_COMBOBOX ? kArrowZone : 0);
            for (int i = 1; i <= items->getItemCount(); ++i)
                fits("row", items->getItemText(i), room);
            break;
        }
        default: break;
        }
        if (w->getType() != WT_LABEL || !*static_cast<WidgetText*>(w)->getText())
            continue;
        // The label's caption runs into a widget that starts after it on its
        // row, unless the widget sits in a run of blanks inside the caption.
        const auto* label = static_cast<WidgetText*>(w);
        const std::string text = label->getText();
        const int textRight = captionRight(*label);
        const int textLeft = textRight - textWidth(*w, text.c_str());
        const size_t blanks = text.find("  ");
        const int blankFrom = blanks == std::string::npos ? textRight : textLeft + textWidth(*w, text.substr(0, blanks).c_str());
        const int blankTo = blanks == std::string::npos
                                ? textRight
                                : textLeft + textWidth(*w, text.substr(0, text.find_first_not_of(' ', blanks)).c_str());
        for (const Widget* other : shown) {
            const SDL_Rect o = other->getRect();
            const int middle = o.y + o.h / 2;
            const bool sameRow = middle >= r.y && middle < r.y + r.h;
            const bool field = other->getType() != WT_LABEL && other->getType() != WT_FRAME &&
                               other->getType() != WT_IMAGE;
            const bool inBlanks = o.x >= blankFrom + kCaptionGap && o.x + o.w + kCaptionGap <= blankTo;
            if (other != w && field && sameRow && !inBlanks && o.x > r.x && o.x < textRight + kCaptionGap)
                faults.push_back(describe(*w, std::string("caption touches ") + other->getName(),
                                          textRight + kCaptionGap - r.x, o.x - r.x));
        }
    }
    return faults;
}

} // namespace editortest
