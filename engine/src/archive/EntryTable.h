// The index of an open archive in memory, kept small for archives of
// millions of entries: fixed-size records, names in one shared text pool,
// types interned (an archive has a handful), and an open-addressing name
// index over the live entries that answers lookups and refuses duplicates
// in one probe.
#pragma once

#include "ArchiveFormat.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace Zelkoran::archive {

class EntryTable {
public:
    void clear();
    // Room for count entries without reallocation.
    void reserve(uint32_t count);

    uint32_t size() const { return static_cast<uint32_t>(m_records.size()); }
    int liveCount() const { return m_live; }
    uint64_t liveStored() const { return m_liveStored; }

    Entry get(uint32_t slot) const
    {
        const Record& r = m_records[slot];
        Entry e;
        std::memcpy(e.name, nameOf(r), r.nameLength);
        std::memcpy(e.type, m_types[r.typeId].data(), sizeof(e.type));
        e.offset = r.offset;
        e.storedSize = r.storedSize;
        e.size = r.size;
        e.hash = r.hash;
        e.storage = r.storage;
        e.deleted = r.deleted;
        e.keyed = r.keyed;
        e.bound = r.bound;
        e.sealId = (uint64_t(r.sealHigh) << 32) | r.sealLow;
        return e;
    }
    // The parts of an entry a listing reads, without building an Entry.
    // Name and type are not terminated (the type may fill all 16 bytes).
    const char* name(uint32_t slot, size_t& length) const
    {
        length = m_records[slot].nameLength;
        return nameOf(m_records[slot]);
    }
    // The 16-byte type field, zero-padded.
    const char* type(uint32_t slot) const { return m_types[m_records[slot].typeId].data(); }
    uint8_t storage(uint32_t slot) const { return m_records[slot].storage; }
    uint64_t dataSize(uint32_t slot) const { return m_records[slot].size; }
    bool deleted(uint32_t slot) const { return m_records[slot].deleted; }
    uint64_t storedSize(uint32_t slot) const { return m_records[slot].storedSize; }

    // Puts e at slot (slot == size() appends). RC_ERR_EXISTS when e is live
    // and another live entry has its name and type (nothing changes then);
    // RC_ERR_TOO_LARGE when the name pool or the type table is full.
    int put(uint32_t slot, const Entry& e);
    // False when put would fail for want of room (RC_ERR_TOO_LARGE).
    bool hasRoomFor(const Entry& e) const;
    // Opening: appends entries unindexed, then indexes them all at once
    // (RC_ERR_EXISTS when two live entries share a name and type).
    int append(const Entry& e);
    int linkAll();
    // Slot of the live entry with that name (and type, unless type is
    // empty), or RC_ERR_NOT_FOUND. type is a 16-byte field, read whole.
    int find(const char* name, const char* type) const;

    // Which of the slot's two file versions is in force.
    uint8_t activeVersion(uint32_t slot) const { return m_records[slot].activeVersion; }
    void setActiveVersion(uint32_t slot, uint8_t version) { m_records[slot].activeVersion = version != 0; }

private:
    struct Record {
        uint64_t offset = 0;
        uint64_t storedSize = 0;
        uint64_t size = 0;
        uint64_t hash = 0;
        uint32_t nameAt = 0;
        uint32_t sealLow = 0;
        uint16_t typeId = 0;
        uint16_t sealHigh = 0;
        uint8_t nameLength = 0;
        uint8_t storage = 0;
        uint8_t deleted = 0; // a whole byte: listings test it for every entry
        uint8_t keyed : 1 = 0;
        uint8_t bound : 1 = 0;
        uint8_t activeVersion : 1 = 0;
    };
    static constexpr uint32_t kNone = UINT32_MAX;

    const char* nameOf(const Record& r) const { return m_names.data() + r.nameAt; }
    // Id of the interned type field (16 bytes); kNone when unknown (and
    // intern is false) or when the table is full.
    uint32_t typeId(const char* type, bool intern);
    uint32_t knownTypeId(const char* type) const;
    bool matches(uint32_t slot, const char* name, size_t nameLength, uint32_t type) const;

    // Open addressing, linear probing: each bucket holds the name hash's
    // high half and slot + 1 (0 = empty).
    uint32_t probe(uint64_t hash, const char* name, size_t nameLength, uint32_t type, size_t& bucket) const;
    void link(uint64_t hash, uint32_t slot);
    void store(Record& r, const Entry& e, size_t nameLength, uint32_t type, bool renamed);
    void unlink(uint64_t hash, uint32_t slot);
    void growBuckets(size_t wanted);

    std::vector<Record> m_records;
    std::vector<char> m_names;
    std::vector<std::array<char, 16>> m_types;
    std::unordered_map<std::string, uint32_t> m_typeIds;
    mutable uint32_t m_lastType = kNone; // entries come in runs of one type
    std::vector<uint64_t> m_buckets;
    size_t m_linked = 0;
    int m_live = 0;
    uint64_t m_liveStored = 0;
};

} // namespace Zelkoran::archive
