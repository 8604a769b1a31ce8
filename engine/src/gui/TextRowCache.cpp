#include "gui/TextRowCache.h"

#include "gfx/WindowPixels.h"

#include <Zelkoran/Font.h>

#include <algorithm>

namespace Zelkoran {

namespace {

bool sameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

bool sameLook(const TextRowCache::Look& a, const TextRowCache::Look& b)
{
    return a.font == b.font && a.width == b.width && a.height == b.height && a.penX == b.penX &&
           sameColor(a.text, b.text) && sameColor(a.selection, b.selection) && sameColor(a.background, b.background);
}

std::string_view view(const String& s) { return std::string_view(s.data(), s.size()); }

// Rows drawn in one go at most: the scratch texture holds them and the
// line above them.
constexpr size_t kRunRows = 8;

} // namespace

TextRowCache::~TextRowCache() { release(); }

void TextRowCache::release()
{
    if (m_atlas)
        SDL_DestroyTexture(m_atlas);
    if (m_scratch)
        SDL_DestroyTexture(m_scratch);
    m_atlas = m_scratch = nullptr;
    m_owner = nullptr;
    m_slots.clear();
    m_rows.clear();
    m_reaches.clear();
}

bool TextRowCache::Slot::holds(const Line* shownAbove, const Line& shown) const
{
    return pass != 0 && hasAbove == (shownAbove != nullptr) && (!shownAbove || shownAbove->text == view(above)) &&
           shown.text == view(line) && selected == shown.selected &&
           (!selected || (selFrom == shown.selFrom && selTo == shown.selTo));
}

bool TextRowCache::reset(SDL_Renderer* renderer, const Look& look, int rows)
{
    release();
    // Room for the rows shown and for as many again as a half-screen
    // scroll or a shift of lines brings in, so those keep their pixels.
    const int slots = rows + rows / 2 + 2;
    m_atlas = createWindowTexture(renderer, look.width, slots * look.height);
    m_scratch = createWindowTexture(renderer, look.width, (kRunRows + 1) * look.height);
    if (!m_atlas || !m_scratch) {
        release();
        return false;
    }
    m_owner = renderer;
    m_look = look;
    m_slots.resize(static_cast<size_t>(slots));
    return true;
}

int TextRowCache::find(const Line* above, const Line& line, size_t row) const
{
    if (row < m_rows.size() && m_slots[static_cast<size_t>(m_rows[row])].holds(above, line))
        return m_rows[row];
    for (size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i].holds(above, line))
            return static_cast<int>(i);
    return -1;
}

int TextRowCache::leastRecent() const
{
    int best = -1;
    for (size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i].pass != m_pass && (best < 0 || m_slots[i].pass < m_slots[static_cast<size_t>(best)].pass))
            best = static_cast<int>(i);
    return best;
}

const TextRowCache::Line* TextRowCache::reachingAbove(const std::vector<Line>& lines, size_t i) const
{
    return i > 0 && m_reaches[i - 1] ? &lines[i - 1] : nullptr;
}

bool TextRowCache::drawRun(SDL_Renderer* renderer, const std::vector<Line>& lines, size_t from, size_t to)
{
    const int w = m_look.width, h = m_look.height;
    if (SDL_SetRenderTarget(renderer, m_scratch) != 0)
        return false;
    {
        // The same calls the edit makes on the window, in the same order,
        // from the line above the run where it reaches into it, one row down.
        Painter painter(renderer);
        painter.fill(SDL_Rect{0, 0, w, static_cast<int>(to - from + 1) * h}, m_look.background);
        if (const Line* above = reachingAbove(lines, from))
            painter.text(m_look.font, above->text.data(), static_cast<int>(above->text.size()), m_look.penX, 0,
                         m_look.text);
        for (size_t i = from; i < to; ++i) {
            const Line& line = lines[i];
            const int y = static_cast<int>(i - from + 1) * h;
            if (line.selected)
                painter.fill(SDL_Rect{m_look.penX + line.selFrom, y, std::max(1, line.selTo - line.selFrom), h},
                             m_look.selection);
            painter.text(m_look.font, line.text.data(), static_cast<int>(line.text.size()), m_look.penX, y,
                         m_look.text);
        }
    }
    if (SDL_SetRenderTarget(renderer, m_atlas) != 0)
        return false;
    for (size_t i = from; i < to; ++i) {
        const SDL_Rect band{0, static_cast<int>(i - from + 1) * h, w, h}, slotRect{0, m_rows[i] * h, w, h};
        if (SDL_RenderCopy(renderer, m_scratch, &band, &slotRect) != 0)
            return false;
        Slot& slot = m_slots[static_cast<size_t>(m_rows[i])];
        const Line* above = reachingAbove(lines, i);
        slot.above.assign(above ? above->text.data() : "", above ? above->text.size() : 0);
        slot.line.assign(lines[i].text.data(), lines[i].text.size());
        slot.hasAbove = above != nullptr;
        slot.reaches = m_reaches[i];
        slot.selected = lines[i].selected;
        slot.selFrom = lines[i].selected ? lines[i].selFrom : 0;
        slot.selTo = lines[i].selected ? lines[i].selTo : 0;
    }
    return true;
}

bool TextRowCache::prepare(SDL_Renderer* renderer, const Look& look, const std::vector<Line>& lines)
{
    if (!renderer || !look.font || look.width <= 0 || look.height <= 0 || !drawsLikeItsWindow(renderer))
        return false;
    const size_t needed = lines.size() + lines.size() / 2 + 2;
    if (renderer != m_owner || !sameLook(look, m_look) || m_slots.size() < needed)
        if (!reset(renderer, look, static_cast<int>(lines.size())))
            return false;
    ++m_pass;
    // Top down, so that whether the line above reaches into a row is known:
    // held lines say so, lines to draw are measured.
    m_next.assign(lines.size(), -1);
    m_reaches.assign(lines.size(), false);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int slot = find(reachingAbove(lines, i), lines[i], i);
        m_next[i] = slot;
        if (slot >= 0) {
            m_slots[static_cast<size_t>(slot)].pass = m_pass;
            m_reaches[i] = m_slots[static_cast<size_t>(slot)].reaches;
        } else {
            m_reaches[i] = look.font->inkBelow(renderer, lines[i].text.data(), static_cast<int>(lines[i].text.size()),
                                               look.penX, 0, look.width) > 0;
        }
    }
    m_rows.swap(m_next);
    // Rows not held are drawn in runs, each line of a run drawn once.
    bool drawn = true;
    for (size_t from = 0; from < lines.size() && drawn;) {
        if (m_rows[from] >= 0) {
            ++from;
            continue;
        }
        size_t to = from;
        for (; to < lines.size() && to - from < kRunRows && m_rows[to] < 0; ++to) {
            m_rows[to] = leastRecent();
            m_slots[static_cast<size_t>(m_rows[to])].pass = m_pass;
        }
        drawn = drawRun(renderer, lines, from, to);
        from = to;
    }
    if (SDL_GetRenderTarget(renderer))
        SDL_SetRenderTarget(renderer, nullptr);
    if (!drawn)
        release();
    return drawn;
}

void TextRowCache::copy(SDL_Renderer* renderer, int row, const SDL_Rect& dst) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
        return;
    const SDL_Rect from{0, m_rows[static_cast<size_t>(row)] * m_look.height, m_look.width, m_look.height};
    SDL_RenderCopy(renderer, m_atlas, &from, &dst);
}

} // namespace Zelkoran
