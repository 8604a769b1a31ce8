#include "services/TextFit.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <algorithm>

using namespace Zelkoran;

namespace ui {

namespace {

// The toolkit's insets: text padding of rows and edits, a combo box's arrow,
// a multi-line edit's scroll bar.
constexpr int kRowPadding = 4;
constexpr int kArrowZone = 18;
constexpr int kEditPadding = 3;
constexpr int kScrollBar = 8;

const Font* fontOf(const Widget& widget) { return Main::instance()->fontMgr()->get(widget.getFont(WS_NORMAL)); }

// Bytes of text from from on that fit room (whole characters), at least one
// character while any is left.
size_t fittingBytes(const Font& f, const String& text, size_t from, int room)
{
    size_t n = static_cast<size_t>(
        std::max(0, f.fitBytes(text.data() + from, static_cast<int>(text.size() - from), room)));
    if (n == 0 && from < text.size())
        n = Main::instance()->tool()->utf8CharLength(text, from);
    return n;
}

} // namespace

int textWidth(const Widget& widget, const char* text)
{
    const Font* f = fontOf(widget);
    return f && text ? f->getWidth(text) : 0;
}

int comboRowRoom(const Widget& combo)
{
    return combo.getWidth() - 2 * combo.getBorderWidth(WS_NORMAL) - kRowPadding - kArrowZone;
}

int editLineRoom(const Widget& edit)
{
    return edit.getWidth() - 2 * edit.getBorderWidth(WS_NORMAL) - 2 * kEditPadding - kScrollBar;
}

String shortenToWidth(const Widget& widget, const String& text, int room)
{
    const Font* f = fontOf(widget);
    if (!f || f->getWidth(text.c_str()) <= room)
        return text;
    const char* const dots = "...";
    const int half = std::max(0, room - f->getWidth(dots)) / 2;
    const size_t head = static_cast<size_t>(std::max(0, f->fitBytes(text.data(), static_cast<int>(text.size()), half)));
    // The end: the most characters from the back that fit the other half.
    size_t tail = text.size();
    while (tail > head) {
        const size_t start = std::max(head, Main::instance()->tool()->utf8Prefix(text, tail - 1));
        if (f->getWidth(text.c_str() + start) > half)
            break;
        tail = start;
    }
    return text.substr(0, head) + dots + text.substr(tail);
}

Vector<String> wrapToWidth(const Widget& widget, const String& text, int room)
{
    Vector<String> lines;
    const Font* f = fontOf(widget);
    if (!f || f->getWidth(text.c_str()) <= room) {
        lines.push_back(text);
        return lines;
    }
    const String indent = "  ";
    size_t from = 0;
    while (from < text.size()) {
        const String lead = lines.empty() ? String() : indent;
        const int left = room - f->getWidth(lead.c_str());
        size_t n = fittingBytes(*f, text, from, left);
        // A blank just past the room may end the line (it is dropped below).
        if (from + n < text.size() && text[from + n] != ' ')
            if (const size_t cut = text.find_last_of(", ", from + n - 1); cut != String::npos && cut >= from)
                n = cut + 1 - from;
        lines.push_back(lead + text.substr(from, n));
        from += n;
        while (from < text.size() && text[from] == ' ')
            ++from;
    }
    return lines;
}

} // namespace ui
