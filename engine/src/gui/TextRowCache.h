// The rows of a multi-line text edit kept as pixels. Each row is drawn once
// into a slot of an atlas texture of the window's format and copied from
// there while what it shows stays the same: its line, its selection and,
// when that line's ink reaches a few pixels down into it (accented
// capitals, box-drawing bars), the line above. A frame that changes
// nothing, scrolls, or edits one line draws the glyphs of only the rows
// that changed.
#pragma once

#include "gfx/Painter.h"

#include <Zelkoran/CMem.h>

#include <SDL.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace Zelkoran {

class Font;

class TextRowCache {
public:
    // What every row is drawn with; any change draws every row again.
    struct Look {
        const Font* font = nullptr;
        int width = 0;  // of a row
        int height = 0; // of a row: the font's line height
        int penX = 0;   // where a line starts in its row (negative when scrolled)
        Color text, selection, background;
    };
    // A line as a row shows it: its bytes and, when part of it is selected,
    // the pixels [selFrom, selTo) of the selection from the line's start.
    struct Line {
        std::string_view text;
        bool selected = false;
        int selFrom = 0, selTo = 0;
    };

    TextRowCache() = default;
    TextRowCache(const TextRowCache&) = delete;
    TextRowCache& operator=(const TextRowCache&) = delete;
    ~TextRowCache();

    // Makes the atlas hold a row for each of lines, row i drawn below
    // lines[i - 1] and row 0 below nothing. False when the renderer cannot
    // keep rows: the caller draws the lines itself. Leaves the renderer's
    // clip as it was before the last render-target change.
    bool prepare(SDL_Renderer* renderer, const Look& look, const std::vector<Line>& lines);
    // Copies row i of the last prepare to dst, a rectangle of the row's
    // size, under the renderer's clip.
    void copy(SDL_Renderer* renderer, int row, const SDL_Rect& dst) const;

private:
    struct Slot {
        String above, line; // above: when its ink reaches into the row
        bool hasAbove = false, selected = false;
        bool reaches = false; // the line's ink reaches into the row below
        int selFrom = 0, selTo = 0;
        uint64_t pass = 0; // the prepare that last showed it; 0: holds nothing
        bool holds(const Line* shownAbove, const Line& shown) const;
    };
    bool reset(SDL_Renderer* renderer, const Look& look, int rows);
    int find(const Line* above, const Line& line, size_t row) const;
    int leastRecent() const;
    // The line above row i of lines when its ink reaches into the row, else null.
    const Line* reachingAbove(const std::vector<Line>& lines, size_t i) const;
    // Draws lines [from, to), given their slots in m_rows, into their slots.
    bool drawRun(SDL_Renderer* renderer, const std::vector<Line>& lines, size_t from, size_t to);
    void release();

    SDL_Renderer* m_owner = nullptr;
    SDL_Texture* m_atlas = nullptr;   // the slots, one row high each, top to bottom
    SDL_Texture* m_scratch = nullptr; // the line above a run of rows, then the run
    Look m_look;
    std::vector<Slot> m_slots;
    std::vector<int> m_rows;      // the slot of each row of the last prepare
    std::vector<int> m_next;      // the same for the prepare under way
    std::vector<bool> m_reaches;  // of each row's line, as Slot::reaches
    uint64_t m_pass = 0;
};

} // namespace Zelkoran
