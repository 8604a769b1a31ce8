// Rows of a list or combo box: 1-based selection, optional multi-selection
// and automatic sorting. Sorting is deferred until the rows are read, so
// adding many rows stays linear. The texts lie end to end in one pool, each
// row an offset into it: a list of a million names costs little more than
// the names themselves, and sorting moves offsets, not texts.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>
#include <vector>

namespace Zelkoran {

struct ItemStore {
    int current = 0; // 1-based, 0 = none
    bool autoSort = false;
    bool multi = false;

    int count() const { return static_cast<int>(m_rows.size()); }
    void clear();
    // False when the pool cannot hold the text (offsets are 32-bit).
    bool add(const char* text);
    // Room for count rows in all; their texts get 16 bytes a row, pages a
    // short list never touches, so a long fill copies its texts rarely.
    void reserve(size_t count)
    {
        m_rows.reserve(count);
        m_marked.reserve(count);
        m_pool.reserve(count * 16);
    }
    bool remove(int index);
    // The selected row (1-based, 0 = none) after any pending sort.
    int selected()
    {
        sortNow();
        return current;
    }
    // Text of row index (1-based), null when out of range; valid until the
    // next add.
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
        m_unsorted = on && m_rows.size() > 1;
        m_runs = m_unsorted ? kMergeRuns + 1 : 0; // rows of unknown order
    }

private:
    // Rows added in up to this many ascending runs are merged, not sorted.
    static constexpr size_t kMergeRuns = 8;
    struct SortRow {
        uint64_t key; // eight folded bytes of the row's text
        uint32_t index;
    };
    const char* rowText(size_t row) const { return m_pool.data() + m_rows[row]; }
    // Eight folded bytes of the text at from (ending at its terminator),
    // big-endian: compared as numbers they order as the bytes do.
    uint64_t foldedWord(const char* from) const;
    // Orders rows whose texts agree up to offset, keyed by the word there.
    void sortRows(SortRow* first, SortRow* last, size_t offset, std::vector<SortRow>& scratch) const;
    static void radixSort(SortRow* first, SortRow* last, std::vector<SortRow>& scratch);
    // Drops the texts of removed rows once they fill half the pool.
    void compact();
    // Row positions in sorted order: the runs merged, or all rows sorted.
    std::vector<uint32_t> mergedOrder() const;
    std::vector<uint32_t> sortedOrder() const;

    Vector<char> m_pool;        // every row's text, each terminated
    Vector<uint32_t> m_rows;    // where each row's text begins in the pool
    std::vector<uint8_t> m_marked; // multi-selection flags, parallel to the rows
    size_t m_lastLength = 0;    // length of the last row added
    size_t m_removedBytes = 0;  // pool bytes of removed rows
    // Where each run after the first began; past kMergeRuns runs only the
    // count goes on (to kMergeRuns + 1).
    uint32_t m_runStarts[kMergeRuns] = {};
    size_t m_runs = 0;
    bool m_unsorted = false;
};

} // namespace Zelkoran
