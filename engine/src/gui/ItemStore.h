// Rows of a list or combo box: 1-based selection, optional multi-selection
// and automatic sorting. Sorting is deferred until the rows are read, so
// adding many rows stays linear.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>
#include <vector>

namespace Zelkoran {

struct ItemStore {
    Vector<String> items;
    std::vector<uint8_t> marked; // multi-selection flags, parallel to items
    int current = 0;             // 1-based, 0 = none
    bool autoSort = false;
    bool multi = false;

    int count() const { return static_cast<int>(items.size()); }
    void clear();
    void add(const char* text);
    void reserve(size_t count)
    {
        items.reserve(count);
        marked.reserve(count);
    }
    bool remove(int index);
    // The selected row (1-based, 0 = none) after any pending sort.
    int selected()
    {
        sortNow();
        return current;
    }
    // Text of row index (1-based), null when out of range.
    const char* text(int index);
    void select(int index);
    bool isSelected(int index);
    void toggle(int index);
    void selectRange(int from, int to);
    // Sorts now when rows were added out of order.
    void sortNow();
    void setAutoSort(bool on)
    {
        autoSort = on;
        m_unsorted = on && items.size() > 1;
    }

private:
    struct SortRow {
        uint64_t key; // eight folded bytes of the row's text
        uint32_t index;
    };
    // Eight folded bytes of s from offset, big-endian: compared as numbers
    // they order as the bytes do.
    static uint64_t foldedWord(const String& s, size_t offset);
    // Orders rows whose texts agree up to offset, keyed by the word there.
    void sortRows(SortRow* first, SortRow* last, size_t offset, std::vector<SortRow>& scratch) const;
    static void radixSort(SortRow* first, SortRow* last, std::vector<SortRow>& scratch);

    bool m_unsorted = false;
};

} // namespace Zelkoran
