#include "gui/TextRowCache.h"

#include "gfx/WindowPixels.h"

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
    m_scratch = createWindowTexture(renderer, look.width, 2 * look.height);
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

bool TextRowCache::draw(SDL_Renderer* renderer, Slot& slot, int index, const Line* above, const Line& line)
{
    const int w = m_look.width, h = m_look.height;
    slot.pass = 0;
    if (SDL_SetRenderTarget(renderer, m_scratch) != 0)
        return false;
    {
        // The same calls the edit makes on the window, one row lower.
        Painter painter(renderer);
        painter.fill(SDL_Rect{0, 0, w, 2 * h}, m_look.background);
        if (above)
            painter.text(m_look.font, above->text.data(), static_cast<int>(above->text.size()), m_look.penX, 0,
                         m_look.text);
        if (line.selected)
            painter.fill(SDL_Rect{m_look.penX + line.selFrom, h, std::max(1, line.selTo - line.selFrom), h},
                         m_look.selection);
        painter.text(m_look.font, line.text.data(), static_cast<int>(line.text.size()), m_look.penX, h, m_look.text);
    }
    const SDL_Rect from{0, h, w, h}, to{0, index * h, w, h};
    if (SDL_SetRenderTarget(renderer, m_atlas) != 0 || SDL_RenderCopy(renderer, m_scratch, &from, &to) != 0)
        return false;
    slot.above.assign(above ? above->text.data() : "", above ? above->text.size() : 0);
    slot.line.assign(line.text.data(), line.text.size());
    slot.hasAbove = above != nullptr;
    slot.selected = line.selected;
    slot.selFrom = line.selected ? line.selFrom : 0;
    slot.selTo = line.selected ? line.selTo : 0;
    slot.pass = m_pass;
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
    std::vector<int> rows(lines.size(), -1);
    bool drawn = true;
    for (size_t i = 0; i < lines.size() && drawn; ++i) {
        const Line* above = i > 0 ? &lines[i - 1] : nullptr;
        int slot = find(above, lines[i], i);
        if (slot < 0) {
            slot = leastRecent();
            drawn = slot >= 0 && draw(renderer, m_slots[static_cast<size_t>(slot)], slot, above, lines[i]);
        }
        if (drawn)
            m_slots[static_cast<size_t>(slot)].pass = m_pass;
        rows[i] = slot;
    }
    if (SDL_GetRenderTarget(renderer))
        SDL_SetRenderTarget(renderer, nullptr);
    m_rows = std::move(rows);
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
