// The editor panel's rows as tables, each row put on the panel through the
// editor's widget builders: positions are x, y from the panel's left and top.
#pragma once

#include <Zelkoran/Panel.h>

#include <initializer_list>

namespace CtrlGUIInternal {

struct CaptionRow {
    int id;
    const char* name;
    const char* text;
    int x, y;
};

struct ComboRow {
    int id;
    const char* name;
    std::initializer_list<const char*> rows; // row 1 selected
    int w, x, y;
    const char* tooltip;
};

struct NumberRow {
    int id;
    const char* name;
    int w, x, y;
    int min, max, value;
    const char* tooltip;
};

struct CheckRow {
    int id;
    const char* name;
    const char* text;
    int w, x, y;
    const char* tooltip;
};

struct IconRow {
    int id;
    const char* name;
    int sprite; // a clone of this editor sprite is the picture
    int x, y;
    const char* tooltip;
};

// Labels in the editor font on the tab's grey.
void addCaptions(Zelkoran::Panel& panel, int font, std::initializer_list<CaptionRow> rows);
void addCombos(Zelkoran::Panel& panel, int font, std::initializer_list<ComboRow> rows);
void addNumbers(Zelkoran::Panel& panel, int font, std::initializer_list<NumberRow> rows);
// Check boxes keep the toolkit's font.
void addChecks(Zelkoran::Panel& panel, std::initializer_list<CheckRow> rows);

} // namespace CtrlGUIInternal
