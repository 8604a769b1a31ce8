#include "IndexSegments.h"

#include "ArchiveFormat.h"
#include "core/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <xxh_x86dispatch.h>

namespace Zelkoran::archive {

namespace {
constexpr char kListMagic[4] = {'Z', 'K', 'I', 'S'};
} // namespace

void IndexSegments::assignSingle(uint64_t offset, uint32_t slots)
{
    // A table without slots is no segment: a list never holds an empty one.
    m_segments.clear();
    if (slots)
        m_segments.push_back({offset, slots, 0});
}

uint32_t IndexSegments::countOf(const uint8_t head[kListHead])
{
    if (std::memcmp(head, kListMagic, 4) != 0)
        return 0;
    const uint32_t n = bytes::getU32(head + 4);
    return n <= kMaxSegments ? n : 0;
}

bool IndexSegments::decode(const uint8_t* in, uint32_t capacity, uint64_t listOffset, uint64_t dataEnd)
{
    const uint32_t n = countOf(in);
    if (n == 0)
        return false;
    const size_t body = listSize(n) - 8;
    if (checksumFails(bytes::getU64(in + body), XXH64(in, body, 0)))
        return false;
    struct Range {
        uint64_t begin, end;
    };
    std::vector<Range> ranges{{listOffset, listOffset + listSize(n)}};
    std::vector<Segment> segments;
    uint64_t total = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* p = in + kListHead + 16 * size_t(i);
        const Segment s{bytes::getU64(p), bytes::getU32(p + 8), static_cast<uint32_t>(total)};
        if (s.slots == 0 || bytes::getU32(p + 12) != 0 || s.offset < kHeaderSize || s.offset > dataEnd
            || uint64_t(s.slots) * kSlotSize > dataEnd - s.offset)
            return false;
        total += s.slots;
        segments.push_back(s);
        ranges.push_back({s.offset, s.offset + uint64_t(s.slots) * kSlotSize});
    }
    if (total != capacity)
        return false;
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].begin < ranges[i - 1].end)
            return false;
    m_segments = std::move(segments);
    return true;
}

std::vector<uint8_t> IndexSegments::encode() const
{
    const uint32_t n = static_cast<uint32_t>(m_segments.size());
    std::vector<uint8_t> out(listSize(n), 0);
    std::memcpy(out.data(), kListMagic, 4);
    bytes::putU32(out.data() + 4, n);
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t* p = out.data() + kListHead + 16 * size_t(i);
        bytes::putU64(p, m_segments[i].offset);
        bytes::putU32(p + 8, m_segments[i].slots);
    }
    const size_t body = out.size() - 8;
    bytes::putU64(out.data() + body, XXH64(out.data(), body, 0));
    return out;
}

bool IndexSegments::append(uint64_t offset, uint32_t slots)
{
    if (m_segments.size() >= kMaxSegments)
        return false;
    const uint32_t first = m_segments.empty() ? 0 : m_segments.back().first + m_segments.back().slots;
    m_segments.push_back({offset, slots, first});
    return true;
}

const IndexSegments::Segment& IndexSegments::holding(uint32_t slot) const
{
    // The last segment whose first slot is not above slot.
    auto it = std::upper_bound(m_segments.begin(), m_segments.end(), slot,
                               [](uint32_t s, const Segment& seg) { return s < seg.first; });
    return *(it - 1);
}

uint64_t IndexSegments::slotOffset(uint32_t slot) const
{
    const Segment& s = holding(slot);
    return s.offset + uint64_t(slot - s.first) * kSlotSize;
}

uint32_t IndexSegments::run(uint32_t first, uint32_t max) const
{
    const Segment& s = holding(first);
    return std::min(max, s.first + s.slots - first);
}

} // namespace Zelkoran::archive
