// Text made to fit the room a widget gives it, measured in the widget's own
// font: a name shortened around an ellipsis, a line broken into lines.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Widget.h>

namespace ui {

// Pixels text takes in the widget's font (0 without a font).
int textWidth(const Zelkoran::Widget& widget, const char* text);
// Pixels a combo box leaves for a row's text (inside its border, padding
// and arrow), and a multi-line edit for a line (padding and scroll bar).
int comboRowRoom(const Zelkoran::Widget& combo);
int editLineRoom(const Zelkoran::Widget& edit);
// text when it fits room; else its start and end around "...", as much of
// both as fits (whole UTF-8 characters).
Zelkoran::String shortenToWidth(const Zelkoran::Widget& widget, const Zelkoran::String& text, int room);
// text as lines that fit room, each broken after its last comma or blank
// that fits (else where the room ends); lines after the first begin with
// two blanks, so that they read as the first one's continuation.
Zelkoran::Vector<Zelkoran::String> wrapToWidth(const Zelkoran::Widget& widget, const Zelkoran::String& text,
                                                int room);

} // namespace ui
