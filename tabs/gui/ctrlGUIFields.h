// Reading and writing the GUI tab's fields by id. A missing widget reads
// as 0, false or "" and takes no write.
#pragma once

#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include <initializer_list>

class GUIFields {
public:
    explicit GUIFields(Zelkoran::Panel& fieldPanel) : panel(fieldPanel) {}

    int row(int id) const;
    void setRow(int id, int row) const;
    bool checked(int id) const;
    void setCheck(int id, bool on) const;
    float number(int id) const;
    void setNumber(int id, float value) const;
    Zelkoran::String text(int id) const;
    void setText(int id, const char* text) const;
    // The number edit's value truncated, clamped to maximum, then minimum;
    // fallback without the field.
    int integer(int id, int fallback, int maximum, int minimum) const;
    void enable(std::initializer_list<int> ids, bool on) const;
    void show(std::initializer_list<int> ids, bool on) const;

    Zelkoran::Panel& panel;
};
