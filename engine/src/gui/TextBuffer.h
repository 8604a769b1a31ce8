// The text of a text edit: lines, caret, selection and scroll state.
// Columns are byte offsets into a line (always at character starts).
#pragma once

#include <Zelkoran/CMem.h>

#include <utility>

namespace Zelkoran {

struct TextPos {
    int line = 0;
    int col = 0;
    friend bool operator==(TextPos a, TextPos b) { return a.line == b.line && a.col == b.col; }
    friend bool operator<(TextPos a, TextPos b) { return a.line < b.line || (a.line == b.line && a.col < b.col); }
};

struct TextBuffer {
    Vector<String> lines{String()};
    bool multiline = false;
    bool readOnly = false;
    TextPos caret, anchor;
    int scrollLine = 0;  // first line shown
    int scrollX = 0;     // pixels scrolled to the left
    int preferredX = -1; // caret x kept while moving up and down
    int barGrab = -1;    // offset of the mouse in the scroll bar thumb while dragging
    uint64_t caretTime = 0;

    int count() const { return static_cast<int>(lines.size()); }
    bool hasSelection() const { return !(caret == anchor); }
    TextPos selStart() const { return caret < anchor ? caret : anchor; }
    TextPos selEnd() const { return caret < anchor ? anchor : caret; }
    void collapse() { anchor = caret; }

    void setText(const char* s);
    String text() const;
    String slice(TextPos a, TextPos b) const;
    // Removes [a, b) and puts the caret at a.
    void erase(TextPos a, TextPos b);
    // Inserts bytes at the caret (LF starts a new line in multi-line text,
    // CR and LF are dropped in one-line text) and moves the caret after them.
    void insert(const char* s, size_t n);
    TextPos clamp(TextPos p) const;
    TextPos end() const { return TextPos{count() - 1, static_cast<int>(lines.back().size())}; }
    // Character steps, optionally by words.
    TextPos left(TextPos p, bool word) const;
    TextPos right(TextPos p, bool word) const;
    // The word (or run of blanks) around p.
    std::pair<TextPos, TextPos> wordAt(TextPos p) const;
};

} // namespace Zelkoran
