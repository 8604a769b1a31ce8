// Where each index slot lives in the file. create and defrag write the
// index as one table; growing it adds a segment at the data end and copies
// nothing, so no dead table is left behind. A record with the segmented
// flag points at a list of the segments instead of a table:
//   0 4 "ZKIS", 4 4 segment count n (1 to kMaxSegments),
//   8 16n: offset (u64), slots (u32), zero (u32) per segment, in slot order,
//   8 + 16n 8 XXH64 (seed 0) of the bytes before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zelkoran::archive {

class IndexSegments {
public:
    // Each growth adds at least a quarter: from 16 slots, 64 Mi slots take
    // fewer than 70 segments.
    static constexpr uint32_t kMaxSegments = 128;
    static constexpr size_t kListHead = 8;

    // The single table of a record without the segmented flag.
    void assignSingle(uint64_t offset, uint32_t slots);
    // Bytes of a list of n segments.
    static size_t listSize(uint32_t n) { return kListHead + 16 * size_t(n) + 8; }
    // The segment count a list's first kListHead bytes give; 0 when they are
    // not the head of a list.
    static uint32_t countOf(const uint8_t head[kListHead]);
    // Takes a list of listSize(countOf(in)) bytes lying at listOffset; false
    // when it is damaged, does not hold capacity slots, or a segment lies
    // outside [header end, dataEnd) or over another one or the list.
    bool decode(const uint8_t* in, uint32_t capacity, uint64_t listOffset, uint64_t dataEnd);
    std::vector<uint8_t> encode() const;
    // False when there is no room for another segment.
    bool append(uint64_t offset, uint32_t slots);

    uint64_t slotOffset(uint32_t slot) const;
    // How many slots from first on lie in one piece, at most max.
    uint32_t run(uint32_t first, uint32_t max) const;
    size_t count() const { return m_segments.size(); }
    uint64_t offset(size_t i) const { return m_segments[i].offset; }
    uint32_t slots(size_t i) const { return m_segments[i].slots; }

private:
    struct Segment {
        uint64_t offset;
        uint32_t slots;
        uint32_t first; // the first slot it holds
    };
    const Segment& holding(uint32_t slot) const;

    std::vector<Segment> m_segments;
};

} // namespace Zelkoran::archive
