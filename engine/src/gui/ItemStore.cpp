#include "gui/ItemStore.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <malloc.h>
#include <numeric>
#include <utility>

namespace Zelkoran {

namespace {

// From this many rows a sort's scratch is worth handing back to the system.
constexpr size_t kTrimRows = size_t(1) << 16;

// ASCII case folding inline: the C library's tolower is a call per byte,
// which dominates sorting lists of a million names.
int folded(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

// Case-insensitive order, ties broken by the bytes.
bool before(const char* a, size_t aLength, const char* b, size_t bLength)
{
    const size_t n = std::min(aLength, bLength);
    // Equal bytes fold equally: skip the shared prefix a word at a time.
    size_t i = 0;
    for (uint64_t wa = 0, wb = 0; i + 8 <= n; i += 8) {
        std::memcpy(&wa, a + i, 8);
        std::memcpy(&wb, b + i, 8);
        if (wa != wb)
            break;
    }
    for (; i < n; ++i) {
        const int ca = folded(a[i]);
        const int cb = folded(b[i]);
        if (ca != cb)
            return ca < cb;
    }
    if (aLength != bLength)
        return aLength < bLength;
    return std::memcmp(a, b, n) < 0;
}

} // namespace

uint64_t ItemStore::foldedWord(const char* from) const
{
    // The pool ends with a terminator, so a short tail reads as zeros.
    uint64_t word = 0;
    const size_t left = static_cast<size_t>(m_pool.data() + m_pool.size() - from);
    std::memcpy(&word, from, std::min<size_t>(8, left));
    // Past the terminator lies the next row: those bytes count as zero,
    // below every folded byte, so a name sorts before the longer names it
    // begins. The lowest flagged byte is exactly the first zero.
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    if (const uint64_t zero = (word - kOnes) & ~word & (0x80 * kOnes)) {
        const int kept = __builtin_ctzll(zero) / 8;
        word = kept ? word & (~uint64_t(0) >> (64 - 8 * kept)) : 0;
    }
    word = __builtin_bswap64(word);
    // All eight bytes folded at once: a byte gets 0x20 added when it is an
    // ASCII capital (0x41-0x5A), as folded() does; no sum carries over.
    const uint64_t low7 = word & (0x7F * kOnes);
    const uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
    const uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const uint64_t capital = atLeastA & ~pastZ & ~word & (0x80 * kOnes);
    return word | (capital >> 2);
}

void ItemStore::clear()
{
    m_pool.clear();
    m_rows.clear();
    m_marked.clear();
    current = 0;
    m_lastLength = 0;
    m_removedBytes = 0;
    m_runs = 0;
    m_unsorted = false;
}

bool ItemStore::add(const char* text)
{
    const char* t = text ? text : "";
    const size_t length = std::strlen(t);
    if (m_pool.size() + length + 1 > UINT32_MAX)
        return false;
    // A row's own text added again would move while it is copied.
    if (t >= m_pool.data() && t < m_pool.data() + m_pool.size())
        return add(String(t).c_str());
    if (autoSort && !m_rows.empty() && m_runs <= kMergeRuns
        && before(t, length, rowText(m_rows.size() - 1), m_lastLength)) {
        m_unsorted = true;
        if (m_runs < kMergeRuns)
            m_runStarts[m_runs] = static_cast<uint32_t>(m_rows.size());
        ++m_runs;
    }
    m_rows.push_back(static_cast<uint32_t>(m_pool.size()));
    m_pool.insert(m_pool.end(), t, t + length + 1);
    m_marked.push_back(0);
    m_lastLength = length;
    return true;
}

bool ItemStore::remove(int index)
{
    sortNow();
    if (index < 1 || index > count())
        return false;
    m_removedBytes += std::strlen(rowText(size_t(index - 1))) + 1;
    m_rows.erase(m_rows.begin() + (index - 1));
    m_marked.erase(m_marked.begin() + (index - 1));
    if (current == index)
        current = 0;
    else if (current > index)
        --current;
    compact();
    return true;
}

void ItemStore::compact()
{
    if (m_removedBytes * 2 <= m_pool.size())
        return;
    Vector<char> kept;
    kept.reserve(m_pool.size() - m_removedBytes);
    for (uint32_t& at : m_rows) {
        const char* t = m_pool.data() + at;
        at = static_cast<uint32_t>(kept.size());
        kept.insert(kept.end(), t, t + std::strlen(t) + 1);
    }
    m_pool = std::move(kept);
    m_removedBytes = 0;
    m_lastLength = m_rows.empty() ? 0 : std::strlen(rowText(m_rows.size() - 1));
}

const char* ItemStore::text(int index)
{
    sortNow();
    return index >= 1 && index <= count() ? rowText(size_t(index - 1)) : nullptr;
}

void ItemStore::select(int index)
{
    sortNow();
    current = index >= 1 && index <= count() ? index : 0;
    std::fill(m_marked.begin(), m_marked.end(), 0);
    if (current)
        m_marked[current - 1] = 1;
}

bool ItemStore::isSelected(int index)
{
    sortNow();
    if (index < 1 || index > count())
        return false;
    return multi ? m_marked[index - 1] != 0 : index == current;
}

void ItemStore::toggle(int index)
{
    sortNow();
    if (index < 1 || index > count())
        return;
    m_marked[index - 1] ^= 1;
    current = index;
}

void ItemStore::selectRange(int from, int to)
{
    sortNow();
    if (from > to)
        std::swap(from, to);
    from = std::max(from, 1);
    to = std::min(to, count());
    std::fill(m_marked.begin(), m_marked.end(), 0);
    for (int i = from; i <= to; ++i)
        m_marked[i - 1] = 1;
}

void ItemStore::sortNow()
{
    if (!m_unsorted || m_rows.size() < 2) {
        m_unsorted = false;
        return;
    }
    m_unsorted = false;
    {
        // Names come mostly in order (numbered ones in a run per digit
        // count): merging their runs is linear.
        const std::vector<uint32_t> order = m_runs <= kMergeRuns ? mergedOrder() : sortedOrder();
        Vector<uint32_t> sorted(m_rows.size());
        std::vector<uint8_t> flags(m_rows.size());
        int newCurrent = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            const uint32_t from = order[i];
            sorted[i] = m_rows[from];
            flags[i] = m_marked[from];
            if (static_cast<int>(from) + 1 == current)
                newCurrent = static_cast<int>(i) + 1;
        }
        m_rows = std::move(sorted);
        m_marked = std::move(flags);
        current = newCurrent;
    }
    m_runs = 0;
    // The scratch (up to 36 bytes a row) mostly sits in the heap, not in
    // maps of its own: once the allocator has seen large blocks freed it
    // serves such sizes from the heap, whose free pages stay resident
    // until trimmed.
    if (m_rows.size() >= kTrimRows)
        malloc_trim(0);
}

std::vector<uint32_t> ItemStore::mergedOrder() const
{
    std::vector<uint32_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0u);
    // Stable, as the whole sort is: equal rows keep the order they came in.
    const auto less = [this](uint32_t a, uint32_t b) {
        const char* ta = rowText(a);
        const char* tb = rowText(b);
        return before(ta, std::strlen(ta), tb, std::strlen(tb));
    };
    for (size_t run = 0; run < m_runs; ++run) {
        const auto end = run + 1 < m_runs ? order.begin() + m_runStarts[run + 1] : order.end();
        std::inplace_merge(order.begin(), order.begin() + m_runStarts[run], end, less);
    }
    return order;
}

std::vector<uint32_t> ItemStore::sortedOrder() const
{
    // Text every row begins with decides nothing: keys start past it.
    const char* first = rowText(0);
    size_t shared = std::strlen(first);
    for (size_t i = 1; i < m_rows.size() && shared > 0; ++i) {
        const char* t = rowText(i);
        size_t j = 0;
        while (j < shared && t[j] && folded(t[j]) == folded(first[j]))
            ++j;
        shared = j;
    }
    std::vector<SortRow> rows(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        rows[i] = {foldedWord(rowText(i) + shared), static_cast<uint32_t>(i)};
    {
        std::vector<SortRow> scratch;
        sortRows(rows.data(), rows.data() + rows.size(), shared, scratch);
    }
    std::vector<uint32_t> order(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order[i] = rows[i].index;
    return order;
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
            // Equal keys hold their zeros alike, so every row reaches the
            // next word; one going on past it makes the next word count.
            bool longer = false;
            for (SortRow* r = run; r != end && !longer; ++r)
                longer = strnlen(rowText(r->index) + offset, 9) > 8;
            if (longer) {
                for (SortRow* r = run; r != end; ++r)
                    r->key = foldedWord(rowText(r->index) + offset + 8);
                sortRows(run, end, offset + 8, scratch);
            } else {
                // Equal when folded (and so of one length): by the bytes.
                std::stable_sort(run, end, [this](const SortRow& a, const SortRow& b) {
                    return std::strcmp(rowText(a.index), rowText(b.index)) < 0;
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
