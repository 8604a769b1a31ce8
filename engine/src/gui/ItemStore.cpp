#include "gui/ItemStore.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace Zelkoran {

namespace {

// ASCII case folding inline: the C library's tolower is a call per byte,
// which dominates sorting lists of a million names.
int folded(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

// Case-insensitive order, ties broken by the bytes.
bool before(const String& a, const String& b)
{
    const size_t n = std::min(a.size(), b.size());
    // Equal bytes fold equally: skip the shared prefix a word at a time.
    size_t i = 0;
    for (uint64_t wa = 0, wb = 0; i + 8 <= n; i += 8) {
        std::memcpy(&wa, a.data() + i, 8);
        std::memcpy(&wb, b.data() + i, 8);
        if (wa != wb)
            break;
    }
    for (; i < n; ++i) {
        const int ca = folded(a[i]);
        const int cb = folded(b[i]);
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace

uint64_t ItemStore::foldedWord(const String& s, size_t offset)
{
    // Past the end the bytes count as zero, below every folded byte: a name
    // sorts before the longer names it begins.
    uint8_t bytes[8] = {};
    if (offset < s.size())
        std::memcpy(bytes, s.data() + offset, std::min<size_t>(8, s.size() - offset));
    uint64_t word = 0;
    for (uint8_t b : bytes)
        word = (word << 8) | b;
    // All eight bytes folded at once: a byte gets 0x20 added when it is an
    // ASCII capital (0x41-0x5A), as folded() does; no sum carries over.
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t low7 = word & (0x7F * kOnes);
    const uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
    const uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const uint64_t capital = atLeastA & ~pastZ & ~word & (0x80 * kOnes);
    return word | (capital >> 2);
}

void ItemStore::clear()
{
    items.clear();
    marked.clear();
    current = 0;
    m_unsorted = false;
}

void ItemStore::add(const char* text)
{
    String s(text ? text : "");
    if (autoSort && !items.empty() && !m_unsorted && before(s, items.back()))
        m_unsorted = true;
    items.push_back(std::move(s));
    marked.push_back(0);
}

bool ItemStore::remove(int index)
{
    sortNow();
    if (index < 1 || index > count())
        return false;
    items.erase(items.begin() + (index - 1));
    marked.erase(marked.begin() + (index - 1));
    if (current == index)
        current = 0;
    else if (current > index)
        --current;
    return true;
}

const char* ItemStore::text(int index)
{
    sortNow();
    return index >= 1 && index <= count() ? items[index - 1].c_str() : nullptr;
}

void ItemStore::select(int index)
{
    sortNow();
    current = index >= 1 && index <= count() ? index : 0;
    std::fill(marked.begin(), marked.end(), 0);
    if (current)
        marked[current - 1] = 1;
}

bool ItemStore::isSelected(int index)
{
    sortNow();
    if (index < 1 || index > count())
        return false;
    return multi ? marked[index - 1] != 0 : index == current;
}

void ItemStore::toggle(int index)
{
    sortNow();
    if (index < 1 || index > count())
        return;
    marked[index - 1] ^= 1;
    current = index;
}

void ItemStore::selectRange(int from, int to)
{
    sortNow();
    if (from > to)
        std::swap(from, to);
    from = std::max(from, 1);
    to = std::min(to, count());
    std::fill(marked.begin(), marked.end(), 0);
    for (int i = from; i <= to; ++i)
        marked[i - 1] = 1;
}

void ItemStore::sortNow()
{
    if (!m_unsorted || items.size() < 2) {
        m_unsorted = false;
        return;
    }
    m_unsorted = false;
    // Text every row begins with decides nothing: keys start past it.
    size_t shared = items[0].size();
    for (size_t i = 1; i < items.size() && shared > 0; ++i) {
        size_t j = 0;
        while (j < shared && j < items[i].size() && folded(items[i][j]) == folded(items[0][j]))
            ++j;
        shared = j;
    }
    std::vector<SortRow> rows(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        rows[i] = {foldedWord(items[i], shared), static_cast<uint32_t>(i)};
    std::vector<SortRow> scratch;
    sortRows(rows.data(), rows.data() + rows.size(), shared, scratch);
    // Rows are gathered in their new order: the reads are independent, so
    // their cache misses overlap (following the permutation's cycles in
    // place would wait for each in turn).
    Vector<String> sorted;
    sorted.reserve(items.size());
    std::vector<uint8_t> flags(items.size());
    int newCurrent = 0;
    constexpr size_t kAhead = 16;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i + kAhead < rows.size())
            __builtin_prefetch(&items[rows[i + kAhead].index]);
        const uint32_t from = rows[i].index;
        sorted.push_back(std::move(items[from]));
        flags[i] = marked[from];
        if (static_cast<int>(from) + 1 == current)
            newCurrent = static_cast<int>(i) + 1;
    }
    items = std::move(sorted);
    marked = std::move(flags);
    current = newCurrent;
}

void ItemStore::sortRows(SortRow* first, SortRow* last, size_t offset, std::vector<SortRow>& scratch) const
{
    // Stable throughout: rows equal when folded keep the order they came in
    // until the bytes decide between them.
    const size_t n = static_cast<size_t>(last - first);
    if (n < 256) {
        std::sort(first, last, [](const SortRow& a, const SortRow& b) {
            return a.key != b.key ? a.key < b.key : a.index < b.index;
        });
    } else {
        radixSort(first, last, scratch);
    }
    // Rows whose words tie are ordered by their next eight bytes in turn.
    // A row alone in its run is never looked at again: its text (a cache
    // miss each, in a list of millions) is read only for ties.
    for (SortRow* run = first; run != last;) {
        SortRow* end = run + 1;
        while (end != last && end->key == run->key)
            ++end;
        if (end - run > 1) {
            bool longer = false;
            for (SortRow* r = run; r != end && !longer; ++r)
                longer = items[r->index].size() > offset + 8;
            if (longer) {
                for (SortRow* r = run; r != end; ++r)
                    r->key = foldedWord(items[r->index], offset + 8);
                sortRows(run, end, offset + 8, scratch);
            } else {
                // Equal when folded (and so of one length): by the bytes.
                std::stable_sort(run, end, [this](const SortRow& a, const SortRow& b) {
                    return items[a.index] < items[b.index];
                });
            }
        }
        run = end;
    }
}

void ItemStore::radixSort(SortRow* first, SortRow* last, std::vector<SortRow>& scratch)
{
    // Least significant byte first, each pass stable; bytes every row has
    // alike (the padding of short names, shared digits) cost no pass.
    const size_t n = static_cast<size_t>(last - first);
    std::vector<std::array<uint32_t, 256>> counts(8);
    for (SortRow* r = first; r != last; ++r)
        for (int b = 0; b < 8; ++b)
            ++counts[b][(r->key >> (8 * b)) & 0xff];
    if (scratch.size() < n)
        scratch.resize(n);
    SortRow* from = first;
    SortRow* to = scratch.data();
    for (int b = 0; b < 8; ++b) {
        std::array<uint32_t, 256>& count = counts[b];
        if (count[(first->key >> (8 * b)) & 0xff] == n)
            continue;
        uint32_t at = 0;
        for (uint32_t& c : count)
            at += std::exchange(c, at);
        for (SortRow* r = from; r != from + n; ++r)
            to[count[(r->key >> (8 * b)) & 0xff]++] = *r;
        std::swap(from, to);
    }
    if (from != first)
        std::copy(from, from + n, first);
}

} // namespace Zelkoran
