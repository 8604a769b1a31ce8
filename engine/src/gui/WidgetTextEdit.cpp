#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Widget.h>

#include "font/Utf8.h"
#include "gfx/Painter.h"
#include "gui/TextBuffer.h"
#include "gui/TextRowCache.h"
#include "gui/Theme.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace Zelkoran {

namespace {

constexpr int kPadX = 3;
constexpr int kBar = 8; // width of a multi-line edit's scroll bar
constexpr uint32_t kBlinkMs = 530;

// Byte column of line nearest to pixel x.
int colAtX(const Font* f, const String& line, int x)
{
    const int n = static_cast<int>(line.size());
    int acc = 0;
    for (int i = 0; i < n;) {
        int j = i;
        utf8::next(line.data(), n, j);
        const int adv = f->getWidth(line.data() + i, j - i);
        if (acc + adv / 2 >= x)
            return i;
        acc += adv;
        i = j;
    }
    return n;
}

// Width of the first bytes of line, but at most limit: a long line is not
// measured past where the rows end.
int widthWithin(const Font& f, const String& line, int bytes, int limit)
{
    return f.fitBytes(line.data(), bytes, limit) < bytes ? limit : f.getWidth(line.data(), bytes);
}

// Line li of b as a row shows it, with the pixels its selection covers
// (cut at limit, the rows' right edge from the line's start).
TextRowCache::Line shownLine(const TextBuffer& b, const Font& f, int li, bool showSel, int limit)
{
    const String& line = b.lines[static_cast<size_t>(li)];
    TextRowCache::Line out{std::string_view(line.data(), line.size())};
    const TextPos s0 = b.selStart(), s1 = b.selEnd();
    if (showSel && li >= s0.line && li <= s1.line) {
        out.selected = true;
        out.selFrom = li == s0.line ? widthWithin(f, line, s0.col, limit) : 0;
        out.selTo = li == s1.line ? widthWithin(f, line, s1.col, limit)
                                  : widthWithin(f, line, static_cast<int>(line.size()), limit) + 4;
    }
    return out;
}

} // namespace

WidgetTextEdit::WidgetTextEdit(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetTextEdit(panel, parent, id, name, WT_TEXTEDIT)
{
}

WidgetTextEdit::WidgetTextEdit(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type)
    : Widget(panel, parent, id, name, type), m_buf(std::make_unique<TextBuffer>())
{
}

WidgetTextEdit::~WidgetTextEdit() = default;

bool WidgetTextEdit::isTextEntry() const { return !m_buf->readOnly && isEnabled(); }

int WidgetTextEdit::defaultHeight() const
{
    const Font* f = font(WS_NORMAL);
    return (f ? f->getHeight() : 14) + 6;
}

void WidgetTextEdit::setText(const char* text)
{
    m_buf->setText(text);
    // One-line edits continue at the end, multi-line ones are read from the top.
    m_buf->caret = m_buf->anchor = m_buf->multiline ? TextPos{} : m_buf->end();
    m_modified = false;
    keepCaretVisible();
    invalidate();
}

String WidgetTextEdit::getText() const { return m_buf->text(); }

void WidgetTextEdit::appendText(const char* text)
{
    if (!text)
        return;
    const TextPos keep = m_buf->caret, keepAnchor = m_buf->anchor;
    m_buf->caret = m_buf->end();
    m_buf->insert(text, std::strlen(text));
    m_buf->caret = keep;
    m_buf->anchor = keepAnchor;
    invalidate();
}

void WidgetTextEdit::appendLine(const char* text)
{
    if (!m_buf->multiline) {
        appendText(text);
        return;
    }
    m_buf->lines.emplace_back(text ? text : "");
    invalidate();
}

int WidgetTextEdit::setLine(int index, const char* text)
{
    const int n = m_buf->count();
    if (index < 1 || index > n + 1 || (!m_buf->multiline && index != 1))
        return RC_ERR_NOT_FOUND;
    if (index == n + 1)
        m_buf->lines.emplace_back(text ? text : "");
    else
        m_buf->lines[index - 1] = text ? text : "";
    m_buf->caret = m_buf->clamp(m_buf->caret);
    m_buf->anchor = m_buf->clamp(m_buf->anchor);
    invalidate();
    return RC_OK;
}

String WidgetTextEdit::getLine(int index) const
{
    return index >= 1 && index <= m_buf->count() ? m_buf->lines[index - 1] : String();
}

int WidgetTextEdit::getLineCount() const { return m_buf->count(); }

void WidgetTextEdit::setMultiline(bool on)
{
    if (m_buf->multiline == on)
        return;
    if (!on && m_buf->count() > 1) {
        const String joined = m_buf->text();
        m_buf->lines.assign(1, joined);
        m_buf->caret = m_buf->anchor = TextPos{};
    }
    m_buf->multiline = on;
    m_buf->scrollLine = 0;
    invalidate();
}

bool WidgetTextEdit::getMultiline() const { return m_buf->multiline; }

void WidgetTextEdit::setReadOnly(bool on)
{
    m_buf->readOnly = on;
    invalidate();
}

bool WidgetTextEdit::getReadOnly() const { return m_buf->readOnly; }

void WidgetTextEdit::getCaret(int& line, int& column) const
{
    line = m_buf->caret.line + 1;
    column = m_buf->caret.col;
}

void WidgetTextEdit::setCaret(int line, int column)
{
    m_buf->caret = m_buf->anchor = m_buf->clamp(TextPos{line - 1, column});
    keepCaretVisible();
    invalidate();
}

String WidgetTextEdit::getSelectedText() const { return m_buf->slice(m_buf->selStart(), m_buf->selEnd()); }

void WidgetTextEdit::selectAll()
{
    m_buf->anchor = TextPos{};
    m_buf->caret = m_buf->end();
    invalidate();
}

int WidgetTextEdit::getScroll() const { return m_buf->scrollLine; }

int WidgetTextEdit::setScroll(int delta, int* applied)
{
    const Font* f = font(WS_NORMAL);
    const int lineH = f ? f->getHeight() : 14;
    const int visible = std::max(1, textArea(getRect()).h / lineH);
    const int maxScroll = std::max(0, m_buf->count() - visible);
    const long long wanted = static_cast<long long>(m_buf->scrollLine) + delta;
    m_buf->scrollLine = static_cast<int>(std::clamp<long long>(wanted, 0, maxScroll));
    if (applied)
        *applied = m_buf->scrollLine;
    invalidate();
    return m_buf->scrollLine;
}

SDL_Rect WidgetTextEdit::textArea(const SDL_Rect& r) const
{
    SDL_Rect in = innerRect(r);
    in.x += kPadX;
    in.w -= 2 * kPadX;
    if (m_buf->multiline) {
        in.y += 2;
        in.h -= 4;
        in.w -= kBar;
    }
    return in;
}

void WidgetTextEdit::keepCaretVisible()
{
    const Font* f = font(WS_NORMAL);
    if (!f)
        return;
    const SDL_Rect area = textArea(getRect());
    TextBuffer& b = *m_buf;
    const String& line = b.lines[b.caret.line];
    const int caretX = f->getWidth(line.data(), b.caret.col);
    if (caretX - b.scrollX > area.w - 2)
        b.scrollX = caretX - area.w + 2;
    if (caretX < b.scrollX)
        b.scrollX = std::max(0, caretX - area.w / 3);
    if (!b.multiline) {
        const int full = f->getWidth(line.data(), static_cast<int>(line.size()));
        b.scrollX = std::clamp(b.scrollX, 0, std::max(0, full - area.w + 2));
        return;
    }
    const int visible = std::max(1, area.h / f->getHeight());
    if (b.caret.line < b.scrollLine)
        b.scrollLine = b.caret.line;
    else if (b.caret.line >= b.scrollLine + visible)
        b.scrollLine = b.caret.line - visible + 1;
}

void WidgetTextEdit::edited()
{
    m_modified = true;
    m_buf->preferredX = -1;
    m_buf->caretTime = SDL_GetTicks64();
    keepCaretVisible();
    // A number changes when it is committed, not with every key of it.
    if (getType() == WT_NUMBEREDIT)
        invalidate();
    else
        fire(m_onValueChanged, GE_VALUE_CHANGED, 0);
}

void WidgetTextEdit::commit()
{
    committing();
    m_modified = false;
    fire(m_onValueCommitted, GE_VALUE_COMMITTED, 0);
}

void WidgetTextEdit::caretFromPoint(int x, int y, bool extend)
{
    const Font* f = font(WS_NORMAL);
    if (!f)
        return;
    TextBuffer& b = *m_buf;
    const SDL_Rect area = textArea(getRect());
    int line = 0;
    if (b.multiline) {
        const int rel = y - area.y;
        line = b.scrollLine + (rel < 0 ? -1 : rel / f->getHeight());
        line = std::clamp(line, 0, b.count() - 1);
    }
    b.caret = TextPos{line, colAtX(f, b.lines[line], x - area.x + b.scrollX)};
    if (!extend)
        b.anchor = b.caret;
    b.preferredX = -1;
    b.caretTime = SDL_GetTicks64();
    keepCaretVisible();
    invalidate();
}

void WidgetTextEdit::mouseDown(const Mouse& m)
{
    if (m.button != SDL_BUTTON_LEFT)
        return;
    TextBuffer& b = *m_buf;
    const SDL_Rect r = getRect();
    const SDL_Rect area = textArea(r);
    const Font* f = font(WS_NORMAL);
    if (b.multiline && f && m.x >= area.x + area.w + kPadX) {
        // Scroll bar: drag its thumb or jump to the click.
        const int lineH = f->getHeight();
        const int visible = std::max(1, area.h / lineH);
        const int total = std::max(b.count(), visible);
        const int thumbH = std::max(12, area.h * visible / total);
        const int span = std::max(1, area.h - thumbH);
        const int maxScroll = std::max(1, b.count() - visible);
        const int thumbY = area.y + b.scrollLine * span / maxScroll;
        b.barGrab = (m.y >= thumbY && m.y < thumbY + thumbH) ? m.y - thumbY : thumbH / 2;
        mouseDrag(m);
        return;
    }
    b.barGrab = -1;
    caretFromPoint(m.x, m.y, (m.mod & KMOD_SHIFT) != 0);
    if (m.clicks == 2) {
        const auto [a, e] = b.wordAt(b.caret);
        b.anchor = a;
        b.caret = e;
    } else if (m.clicks >= 3) {
        b.anchor = TextPos{b.caret.line, 0};
        b.caret = TextPos{b.caret.line, static_cast<int>(b.lines[b.caret.line].size())};
    }
}

void WidgetTextEdit::mouseDrag(const Mouse& m)
{
    TextBuffer& b = *m_buf;
    if (b.barGrab >= 0) {
        const Font* f = font(WS_NORMAL);
        if (!f)
            return;
        const SDL_Rect area = textArea(getRect());
        const int visible = std::max(1, area.h / f->getHeight());
        const int total = std::max(b.count(), visible);
        const int thumbH = std::max(12, area.h * visible / total);
        const int span = std::max(1, area.h - thumbH);
        const int maxScroll = std::max(0, b.count() - visible);
        const int pos = std::clamp(m.y - area.y - b.barGrab, 0, span);
        const int before = b.scrollLine;
        b.scrollLine = static_cast<int>(static_cast<long long>(pos) * maxScroll / span);
        if (b.scrollLine != before)
            raise(GE_SCROLLED, b.scrollLine);
        invalidate();
        return;
    }
    caretFromPoint(m.x, m.y, true);
}

bool WidgetTextEdit::wheel(int dy, const Mouse&)
{
    if (!m_buf->multiline)
        return false;
    const int before = m_buf->scrollLine;
    setScroll(-dy * 3, nullptr);
    if (m_buf->scrollLine != before)
        raise(GE_SCROLLED, m_buf->scrollLine);
    return true;
}

void WidgetTextEdit::textInput(const char* text)
{
    if (m_buf->readOnly || !text || !*text || !acceptText(text))
        return;
    if (m_buf->hasSelection())
        m_buf->erase(m_buf->selStart(), m_buf->selEnd());
    m_buf->insert(text, std::strlen(text));
    edited();
}

bool WidgetTextEdit::keyDown(int key, uint16_t mod)
{
    TextBuffer& b = *m_buf;
    const bool shift = mod & KMOD_SHIFT;
    const bool ctrl = mod & KMOD_CTRL;
    const Font* f = font(WS_NORMAL);
    auto moveTo = [&](TextPos p, bool keepX) {
        b.caret = b.clamp(p);
        if (!shift)
            b.anchor = b.caret;
        if (!keepX)
            b.preferredX = -1;
        b.caretTime = SDL_GetTicks64();
        keepCaretVisible();
        invalidate();
        return true;
    };
    auto vertical = [&](int lines) {
        if (!f)
            return true;
        if (b.preferredX < 0)
            b.preferredX = f->getWidth(b.lines[b.caret.line].data(), b.caret.col);
        const int line = std::clamp(b.caret.line + lines, 0, b.count() - 1);
        return moveTo(TextPos{line, colAtX(f, b.lines[line], b.preferredX)}, true);
    };
    auto removeRange = [&](TextPos a, TextPos e) {
        if (b.readOnly)
            return true;
        if (!(a == e)) {
            b.erase(a, e);
            edited();
        }
        return true;
    };
    const int page = f ? std::max(1, textArea(getRect()).h / f->getHeight() - 1) : 1;
    switch (key) {
    case SDLK_LEFT:
        if (b.hasSelection() && !shift)
            return moveTo(b.selStart(), false);
        return moveTo(b.left(b.caret, ctrl), false);
    case SDLK_RIGHT:
        if (b.hasSelection() && !shift)
            return moveTo(b.selEnd(), false);
        return moveTo(b.right(b.caret, ctrl), false);
    case SDLK_UP:
        if (!b.multiline)
            return false;
        return vertical(-1);
    case SDLK_DOWN:
        if (!b.multiline)
            return false;
        return vertical(1);
    case SDLK_PAGEUP:
        if (!b.multiline)
            return false;
        b.scrollLine = std::max(0, b.scrollLine - page);
        return vertical(-page);
    case SDLK_PAGEDOWN:
        if (!b.multiline)
            return false;
        setScroll(page, nullptr);
        return vertical(page);
    case SDLK_HOME: return moveTo(ctrl ? TextPos{} : TextPos{b.caret.line, 0}, false);
    case SDLK_END:
        return moveTo(ctrl ? b.end() : TextPos{b.caret.line, static_cast<int>(b.lines[b.caret.line].size())}, false);
    case SDLK_BACKSPACE:
        if (b.hasSelection())
            return removeRange(b.selStart(), b.selEnd());
        return removeRange(b.left(b.caret, ctrl), b.caret);
    case SDLK_DELETE:
        if (b.hasSelection())
            return removeRange(b.selStart(), b.selEnd());
        return removeRange(b.caret, b.right(b.caret, ctrl));
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        if (b.multiline && !b.readOnly && !ctrl) {
            if (b.hasSelection())
                b.erase(b.selStart(), b.selEnd());
            b.insert("\n", 1);
            edited();
            return true;
        }
        commit();
        return false; // Enter still reaches the buttons' hot keys
    case SDLK_TAB:
        if (b.multiline && !b.readOnly && !ctrl && !shift) {
            textInput("\t");
            return true;
        }
        return false;
    case SDLK_ESCAPE: return false;
    default: break;
    }
    if (ctrl && !(mod & KMOD_ALT)) {
        switch (key) {
        case SDLK_a: selectAll(); return true;
        case SDLK_c:
            if (b.hasSelection())
                SDL_SetClipboardText(getSelectedText().c_str());
            return true;
        case SDLK_x:
            if (b.hasSelection()) {
                SDL_SetClipboardText(getSelectedText().c_str());
                removeRange(b.selStart(), b.selEnd());
            }
            return true;
        case SDLK_v:
            if (!b.readOnly && SDL_HasClipboardText()) {
                char* clip = SDL_GetClipboardText();
                if (clip) {
                    textInput(clip);
                    SDL_free(clip);
                }
            }
            return true;
        default: return false;
        }
    }
    // Printable keys arrive again as text input: keep them from hot keys.
    return !b.readOnly && key >= SDLK_SPACE && key < SDLK_DELETE && !(mod & KMOD_ALT);
}

void WidgetTextEdit::focusChanged(bool gained)
{
    if (gained) {
        m_buf->caretTime = SDL_GetTicks64();
        SDL_StartTextInput();
        Widget::focusChanged(true);
        return;
    }
    m_buf->barGrab = -1;
    if (m_modified)
        commit();
    m_buf->collapse();
    Widget::focusChanged(false);
}

void WidgetTextEdit::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = getState();
    const Font* f = font(state);
    const SDL_Rect area = textArea(r);
    if (!f || area.w <= 0 || area.h <= 0) {
        paintBackground(painter, r, state);
        paintBorder(painter, r, state);
        return;
    }
    TextBuffer& b = *m_buf;
    uint8_t tc[4], sc[4], bg[4];
    textColor(state, tc);
    effectiveSelection(state, sc);
    const int lineH = f->getHeight();
    const int first = b.multiline ? b.scrollLine : 0;
    const int visible = b.multiline ? std::max(1, (area.h + lineH - 1) / lineH) : 1;
    const int top = b.multiline ? area.y : area.y + (area.h - lineH) / 2;
    const bool showSel = b.hasSelection() && (hasFocus() || b.readOnly);
    const SDL_Rect rowsRect{area.x - 1, area.y, area.w + 2, area.h};
    const int rowsEnd = b.scrollX + rowsRect.w - 1; // the rows' right edge, from a line's start
    std::vector<TextRowCache::Line> shown;
    shown.reserve(static_cast<size_t>(visible) + 1);
    for (int li = first; li < first + visible && li < b.count(); ++li)
        shown.push_back(shownLine(b, *f, li, showSel, rowsEnd));
    // Below the last line, a row of nothing that its tall glyphs reach into.
    if (static_cast<int>(shown.size()) < visible)
        shown.emplace_back();
    // Multi-line edits keep their rows as pixels where the rows' background
    // is one opaque colour, so the rows need not be drawn over it each frame.
    bool kept = false;
    if (b.multiline && painter.opacity() == 255 && painter.visible(rowsRect) &&
        plainBackground(r, rowsRect, state, bg)) {
        if (!m_rows)
            m_rows = std::make_unique<TextRowCache>();
        const TextRowCache::Look look{f, rowsRect.w, lineH, 1 - b.scrollX, rgba(tc), rgba(sc), rgba(bg)};
        kept = m_rows->prepare(painter.renderer(), look, shown);
    }
    // Kept rows are copied over whatever lies under them: the background is
    // drawn only around them.
    const SDL_Rect covered =
        kept ? intersect(rowsRect, SDL_Rect{rowsRect.x, top, rowsRect.w, static_cast<int>(shown.size()) * lineH})
             : SDL_Rect{};
    if (covered.w <= 0 || covered.h <= 0) {
        paintBackground(painter, r, state);
    } else {
        const int coveredBottom = covered.y + covered.h, coveredRight = covered.x + covered.w;
        for (const SDL_Rect& around : {SDL_Rect{r.x, r.y, r.w, covered.y - r.y},
                                       SDL_Rect{r.x, coveredBottom, r.w, r.y + r.h - coveredBottom},
                                       SDL_Rect{r.x, covered.y, covered.x - r.x, covered.h},
                                       SDL_Rect{coveredRight, covered.y, r.x + r.w - coveredRight, covered.h}}) {
            painter.pushClip(around);
            if (!painter.clipEmpty())
                paintBackground(painter, r, state);
            painter.popClip();
        }
    }
    paintBorder(painter, r, state);
    painter.pushClip(rowsRect);
    for (size_t i = 0; i < shown.size(); ++i) {
        const int y = top + static_cast<int>(i) * lineH;
        if (kept) {
            m_rows->copy(painter.renderer(), static_cast<int>(i), SDL_Rect{rowsRect.x, y, rowsRect.w, lineH});
            continue;
        }
        const TextRowCache::Line& line = shown[i];
        const int x0 = area.x - b.scrollX;
        if (line.selected)
            painter.fill(SDL_Rect{x0 + line.selFrom, y, std::max(1, line.selTo - line.selFrom), lineH}, rgba(sc));
        painter.text(f, line.text.data(), static_cast<int>(line.text.size()), x0, y, rgba(tc));
    }
    const bool blinkOn = ((SDL_GetTicks64() - b.caretTime) / kBlinkMs) % 2 == 0;
    if (hasFocus() && !b.readOnly && isEnabled() && blinkOn && b.caret.line >= first &&
        b.caret.line < first + visible) {
        const int cx = area.x - b.scrollX + widthWithin(*f, b.lines[b.caret.line], b.caret.col, rowsEnd);
        const int cy = top + (b.caret.line - first) * lineH;
        painter.fill(SDL_Rect{cx, cy, 1, lineH}, rgba(tc));
    }
    painter.popClip();
    if (b.multiline) {
        const SDL_Rect track{area.x + area.w + kPadX, area.y, kBar - 2, area.h};
        const int lines = std::max(1, area.h / lineH);
        if (b.count() > lines) {
            painter.fill(track, Color{236, 236, 236, 255});
            const int thumbH = std::max(12, area.h * lines / b.count());
            const int span = std::max(1, area.h - thumbH);
            const int maxScroll = std::max(1, b.count() - lines);
            const int thumbY = track.y + static_cast<int>(static_cast<long long>(b.scrollLine) * span / maxScroll);
            painter.fillRounded(SDL_Rect{track.x, thumbY, track.w, thumbH}, 2,
                                b.barGrab >= 0 ? Color{120, 120, 120, 255} : Color{180, 180, 180, 255});
        }
    }
}

} // namespace Zelkoran
