#include "EntryTable.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace Zelkoran::archive {

namespace {
constexpr uint32_t kAnyType = UINT32_MAX - 1;
constexpr size_t kMaxTypes = UINT16_MAX;

uint32_t tagOf(uint64_t bucket) { return static_cast<uint32_t>(bucket >> 32); }
uint32_t slotOf(uint64_t bucket) { return static_cast<uint32_t>(bucket) - 1; }
uint64_t bucketOf(uint32_t tag, uint32_t slot) { return (uint64_t(tag) << 32) | (uint64_t(slot) + 1); }
// Names are short: XXH3 compiled in place is a few instructions for them,
// where the library's call and dispatch cost more than the hash.
uint32_t nameTag(const char* name, size_t length) { return static_cast<uint32_t>(XXH3_64bits(name, length)); }
} // namespace

void EntryTable::clear()
{
    m_records.clear();
    m_names.clear();
    m_types.clear();
    m_typeIds.clear();
    m_lastType = kNone;
    m_buckets.clear();
    m_linked = 0;
    m_live = 0;
    m_liveStored = 0;
}

void EntryTable::reserve(uint32_t count)
{
    m_records.reserve(count);
    m_names.reserve(size_t(count) * 16);
    growBuckets(size_t(count) * 4 / 3 + 1);
}

uint32_t EntryTable::knownTypeId(const char* type) const
{
    // Lookups mostly ask for the last type again: one 16-byte compare.
    if (m_lastType != kNone && std::memcmp(m_types[m_lastType].data(), type, 16) == 0)
        return m_lastType;
    auto it = m_typeIds.find(std::string(type, strnlen(type, 16)));
    if (it == m_typeIds.end())
        return kNone;
    m_lastType = it->second;
    return it->second;
}

uint32_t EntryTable::typeId(const char* type, bool intern)
{
    const uint32_t known = knownTypeId(type);
    if (known != kNone || !intern || m_types.size() >= kMaxTypes)
        return known;
    std::array<char, 16> field;
    copyField(field.data(), type, field.size());
    m_types.push_back(field);
    const auto id = static_cast<uint32_t>(m_types.size() - 1);
    m_typeIds.emplace(std::string(field.data(), strnlen(field.data(), field.size())), id);
    return id;
}

bool EntryTable::matches(uint32_t slot, const char* name, size_t nameLength, uint32_t type) const
{
    const Record& r = m_records[slot];
    return r.nameLength == nameLength && (type == kAnyType || r.typeId == type)
           && std::memcmp(nameOf(r), name, nameLength) == 0;
}

uint32_t EntryTable::probe(uint64_t hash, const char* name, size_t nameLength, uint32_t type, size_t& bucket) const
{
    const size_t mask = m_buckets.size() - 1;
    const auto tag = static_cast<uint32_t>(hash);
    for (bucket = tag & mask; m_buckets[bucket] != 0; bucket = (bucket + 1) & mask)
        if (tagOf(m_buckets[bucket]) == tag && matches(slotOf(m_buckets[bucket]), name, nameLength, type))
            return slotOf(m_buckets[bucket]);
    return kNone;
}

void EntryTable::growBuckets(size_t wanted)
{
    size_t capacity = 16;
    while (capacity < wanted)
        capacity *= 2;
    if (capacity <= m_buckets.size())
        return;
    std::vector<uint64_t> old(capacity, 0);
    old.swap(m_buckets);
    const size_t mask = capacity - 1;
    for (uint64_t b : old) {
        if (b == 0)
            continue;
        size_t i = tagOf(b) & mask;
        while (m_buckets[i] != 0)
            i = (i + 1) & mask;
        m_buckets[i] = b;
    }
}

void EntryTable::link(uint64_t hash, uint32_t slot)
{
    if ((m_linked + 1) * 4 > m_buckets.size() * 3)
        growBuckets(std::max<size_t>(16, m_buckets.size() * 2));
    const size_t mask = m_buckets.size() - 1;
    const auto tag = static_cast<uint32_t>(hash);
    size_t i = tag & mask;
    while (m_buckets[i] != 0)
        i = (i + 1) & mask;
    m_buckets[i] = bucketOf(tag, slot);
    ++m_linked;
}

void EntryTable::unlink(uint64_t hash, uint32_t slot)
{
    const size_t mask = m_buckets.size() - 1;
    size_t i = static_cast<uint32_t>(hash) & mask;
    while (m_buckets[i] != 0 && slotOf(m_buckets[i]) != slot)
        i = (i + 1) & mask;
    if (m_buckets[i] == 0)
        return;
    // Backward-shift deletion keeps every probe run unbroken without
    // tombstones.
    for (size_t j = (i + 1) & mask; m_buckets[j] != 0; j = (j + 1) & mask) {
        const size_t home = tagOf(m_buckets[j]) & mask;
        const bool movable = i <= j ? (home <= i || home > j) : (home <= i && home > j);
        if (movable) {
            m_buckets[i] = m_buckets[j];
            i = j;
        }
    }
    m_buckets[i] = 0;
    --m_linked;
}

bool EntryTable::hasRoomFor(const Entry& e) const
{
    return (knownTypeId(e.type) != kNone || m_types.size() < kMaxTypes)
           && m_names.size() + strnlen(e.name, sizeof(e.name) - 1) <= UINT32_MAX;
}

int EntryTable::put(uint32_t slot, const Entry& e)
{
    if (!hasRoomFor(e))
        return RC_ERR_TOO_LARGE;
    const size_t nameLength = strnlen(e.name, sizeof(e.name) - 1);
    const uint32_t type = typeId(e.type, true);
    const uint64_t tag = nameTag(e.name, nameLength);
    if (!e.deleted && !m_buckets.empty()) {
        size_t bucket = 0;
        const uint32_t other = probe(tag, e.name, nameLength, type, bucket);
        if (other != kNone && other != slot)
            return RC_ERR_EXISTS;
    }
    const bool fresh = slot >= m_records.size();
    Record r = fresh ? Record{} : m_records[slot];
    const bool renamed = fresh || r.nameLength != nameLength || std::memcmp(nameOf(r), e.name, nameLength) != 0;
    if (!fresh && !r.deleted) {
        unlink(nameTag(nameOf(r), r.nameLength), slot);
        --m_live;
        m_liveStored -= r.storedSize;
    }
    store(r, e, nameLength, type, renamed);
    if (fresh)
        m_records.push_back(r);
    else
        m_records[slot] = r;
    if (!e.deleted) {
        link(tag, slot);
        ++m_live;
        m_liveStored += e.storedSize;
    }
    return RC_OK;
}

void EntryTable::store(Record& r, const Entry& e, size_t nameLength, uint32_t type, bool renamed)
{
    if (renamed) {
        r.nameAt = static_cast<uint32_t>(m_names.size());
        m_names.insert(m_names.end(), e.name, e.name + nameLength);
    }
    r.nameLength = static_cast<uint8_t>(nameLength);
    r.typeId = static_cast<uint16_t>(type);
    r.offset = e.offset;
    r.storedSize = e.storedSize;
    r.size = e.size;
    r.hash = e.hash;
    r.storage = e.storage;
    r.deleted = e.deleted ? 1 : 0;
    r.keyed = e.keyed ? 1 : 0;
    r.bound = e.bound ? 1 : 0;
    r.sealLow = static_cast<uint32_t>(e.sealId);
    r.sealHigh = static_cast<uint16_t>(e.sealId >> 32);
}

int EntryTable::append(const Entry& e)
{
    if (!hasRoomFor(e))
        return RC_ERR_TOO_LARGE;
    Record r;
    store(r, e, strnlen(e.name, sizeof(e.name) - 1), typeId(e.type, true), true);
    m_records.push_back(r);
    return RC_OK;
}

int EntryTable::linkAll()
{
    const auto count = static_cast<uint32_t>(m_records.size());
    std::vector<uint32_t> tags(count);
    size_t live = 0;
    for (uint32_t slot = 0; slot < count; ++slot)
        if (!m_records[slot].deleted) {
            tags[slot] = nameTag(nameOf(m_records[slot]), m_records[slot].nameLength);
            ++live;
        }
    growBuckets(live * 4 / 3 + 1);
    // Buckets are hit at random: fetch the ones a few entries ahead so
    // the misses overlap instead of queueing.
    constexpr uint32_t kAhead = 16;
    const size_t mask = m_buckets.size() - 1;
    for (uint32_t slot = 0; slot < count; ++slot) {
        if (slot + kAhead < count)
            __builtin_prefetch(&m_buckets[tags[slot + kAhead] & mask], 1);
        const Record& r = m_records[slot];
        if (r.deleted)
            continue;
        size_t bucket = 0;
        if (probe(tags[slot], nameOf(r), r.nameLength, r.typeId, bucket) != kNone)
            return RC_ERR_EXISTS;
        m_buckets[bucket] = bucketOf(tags[slot], slot);
        ++m_linked;
        ++m_live;
        m_liveStored += r.storedSize;
    }
    return RC_OK;
}

int EntryTable::find(const char* name, const char* type) const
{
    if (m_buckets.empty())
        return RC_ERR_NOT_FOUND;
    const uint32_t wanted = type[0] ? knownTypeId(type) : kAnyType;
    if (wanted == kNone)
        return RC_ERR_NOT_FOUND;
    const size_t nameLength = strnlen(name, kMaxBlockName);
    const uint64_t hash = nameTag(name, nameLength);
    size_t bucket = 0;
    uint32_t slot = kNone;
    if (wanted != kAnyType) {
        slot = probe(hash, name, nameLength, wanted, bucket);
    } else {
        // By name alone: the live block with that name that comes first in
        // the index, whatever order the lookup table holds them in.
        const size_t mask = m_buckets.size() - 1;
        const auto tag = static_cast<uint32_t>(hash);
        for (bucket = tag & mask; m_buckets[bucket] != 0; bucket = (bucket + 1) & mask)
            if (tagOf(m_buckets[bucket]) == tag && matches(slotOf(m_buckets[bucket]), name, nameLength, kAnyType))
                slot = std::min(slot, slotOf(m_buckets[bucket]));
    }
    return slot == kNone ? RC_ERR_NOT_FOUND : static_cast<int>(slot);
}

} // namespace Zelkoran::archive
