#include "gui/ItemStore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

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
    if (!m_unsorted)
        return;
    m_unsorted = false;
    std::vector<int> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    // The first eight folded bytes, as a number, order most pairs in one
    // compare; only equal prefixes need the full one.
    std::vector<uint64_t> keys(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = 0; j < 8; ++j)
            keys[i] = (keys[i] << 8) | (j < items[i].size() ? static_cast<uint64_t>(folded(items[i][j])) : 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return keys[a] != keys[b] ? keys[a] < keys[b] : before(items[a], items[b]);
    });
    Vector<String> sorted;
    sorted.reserve(items.size());
    std::vector<uint8_t> flags(items.size());
    int newCurrent = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(items[order[i]]));
        flags[i] = marked[order[i]];
        if (order[i] + 1 == current)
            newCurrent = static_cast<int>(i) + 1;
    }
    items = std::move(sorted);
    marked = std::move(flags);
    current = newCurrent;
}

} // namespace Zelkoran
