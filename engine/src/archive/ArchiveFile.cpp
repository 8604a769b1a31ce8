// The archive file: open, read, write and rewrite one QELv2 archive. The
// rules each step keeps are those of docs/archive-format.md; where a rule
// is kept, the comment names the page's section.
//
// Index of sections:
//   helpers   entryIsSane (the entry check), digests, exact inflate
//   create    a new file with both commit records
//   open      pickRecord (the record in force), keys, loadState, repair
//   queries   names, types and counts of the index in memory
//   reading   load and peek, every digest and seal checked
//   writing   the commit steps, add, remove, undelete, keys, validate
//   defrag    the rewrite into a new file that replaces the old one
#include "ArchiveFile.h"

#include "core/FileReplace.h"

#include <Zelkoran/Log.h>
#include <Zelkoran/Result.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <openssl/crypto.h>
#include <unistd.h>
// The state type, so a digest needs no allocation of its own.
#define XXH_STATIC_LINKING_ONLY
#include <xxh_x86dispatch.h>
#include <zlib.h>

namespace Zelkoran::archive {

namespace {
constexpr uint32_t kMinCapacity = 16;
constexpr uint32_t kInitialCapacityCap = 1024;
constexpr uint32_t kMaxCapacity = 64u * 1024 * 1024;
constexpr uint32_t kMaxLimit = 16u * 1024 * 1024;
// Index slots read (and written by a defrag) at once: 352 KiB, which stay
// in the second-level cache while an open decodes them.
constexpr size_t kTableChunkSlots = 1024;
// Saving is interactive: the fastest level packs assets nearly as well as
// the default at several times the speed.
constexpr int kZlibLevel = Z_BEST_SPEED;

uint64_t now() { return static_cast<uint64_t>(std::time(nullptr)); }

// Offsets and sizes an entry claims, checked against the file it lives in
// (the page's sanity rules, under "Index table").
bool entryIsSane(const Entry& e, uint64_t dataEnd)
{
    if (e.storage < kStoreRaw || e.storage > kStoreSealedZlib || e.deleted > 1 || !e.name[0] || !e.type[0]
        || !fieldsPadded(e))
        return false;
    // Only encrypted blocks are sealed: an id or a binding on another is damage.
    if (!isSealed(e.storage) && (e.bound || e.sealId))
        return false;
    // Sealed zlib streams came with bound blocks: none is sealed any other way.
    if (e.storage == kStoreSealedZlib && (!e.bound || !e.sealId))
        return false;
    if (e.offset < kHeaderSize || e.offset > dataEnd || e.storedSize > dataEnd - e.offset)
        return false;
    if (e.size > kMaxBlockSize)
        return false;
    switch (e.storage) {
    case kStoreRaw: return e.size == e.storedSize;
    case kStoreZlib: return e.size <= e.storedSize * kMaxZlibRatio + 64;
    case kStoreSealed: return e.storedSize == e.size + kSealOverhead;
    default:
        return e.storedSize >= kSealOverhead + kMinZlibStream
               && e.size <= (e.storedSize - kSealOverhead) * kMaxZlibRatio + 64;
    }
}

// Up to this size an encrypted block is read whole before it is decrypted:
// one read instead of three, and it still fits the second-level cache.
constexpr uint64_t kWholeReadLimit = 256 * 1024;
// Stored bytes up to this size are read onto the stack.
constexpr size_t kLocalRead = 8 * 1024;

// Room for a block's stored bytes: on the stack when small (no allocation
// per load), else on the heap; data() is null when memory runs out.
class StoredBytes {
public:
    explicit StoredBytes(uint64_t size)
    {
        if (size > sizeof(m_local)) {
            m_heap.reset(new (std::nothrow) uint8_t[size]);
            m_at = m_heap.get();
        }
    }
    uint8_t* data() const { return m_at; }

private:
    uint8_t m_local[kLocalRead];
    std::unique_ptr<uint8_t[]> m_heap;
    uint8_t* m_at = m_local;
};

// The digest an entry's stored bytes are checked against: XXH3, or the
// keyed one an encrypted index holds for raw and zlib blocks.
class StoredDigest {
public:
    StoredDigest(bool keyed, const ArchiveKey& key)
    {
        if (keyed)
            m_keyed.emplace(key);
        else
            m_plainOk = XXH3_64bits_reset(&m_plain) == XXH_OK;
    }
    StoredDigest(const StoredDigest&) = delete;
    StoredDigest& operator=(const StoredDigest&) = delete;

    void update(const void* data, size_t length)
    {
        if (m_keyed)
            m_keyed->update(data, length);
        else if (m_plainOk)
            XXH3_64bits_update(&m_plain, data, length);
    }
    // False when the digest could not be made.
    bool finish(uint64_t& out)
    {
        if (m_keyed)
            return m_keyed->finish(out);
        if (!m_plainOk)
            return false;
        out = XXH3_64bits_digest(&m_plain);
        return true;
    }

private:
    std::optional<ArchiveKey::Digest> m_keyed;
    XXH3_state_t m_plain;
    bool m_plainOk = false;
};

// Reads e's stored bytes a piece at a time into to (moving along it when
// fill, else reusing one piece) and gives each piece to the digests right
// after reading it, while it is still in cache. 0 or RC_ERR_CORRUPT.
template <class... Digests>
int digestStored(const FileHandle& file, const Entry& e, uint8_t* to, size_t pieceSize, bool fill, Digests&... digests)
{
    for (uint64_t done = 0; done < e.storedSize; done += pieceSize) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(pieceSize, e.storedSize - done));
        uint8_t* at = fill ? to + done : to;
        if (file.readAt(e.offset + done, at, n) != RC_OK)
            return RC_ERR_CORRUPT;
        (digests.update(at, n), ...);
    }
    return RC_OK;
}

// 0 when digest comes to expected; RC_ERR_CORRUPT, RC_ERR_NO_MEMORY.
int verdict(StoredDigest& digest, uint64_t expected)
{
    uint64_t value = 0;
    if (!digest.finish(value))
        return RC_ERR_NO_MEMORY;
    return checksumFails(expected, value) ? RC_ERR_CORRUPT : RC_OK;
}

// Inflates a zlib stream that must decode to exactly size bytes and end
// exactly at its last stored byte: any other size is damage.
bool inflateExact(const uint8_t* stream, uint64_t streamSize, void* out, uint64_t size)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    // zlib counts in 32 bits: both sides are fed in pieces. One spare byte
    // beyond size shows a stream that decodes to more.
    constexpr uint64_t kPiece = UINT_MAX;
    uint64_t inLeft = streamSize, outLeft = size;
    uint8_t spare = 0;
    bool spareGiven = false;
    z.next_in = const_cast<Bytef*>(stream);
    z.next_out = static_cast<Bytef*>(out);
    int status = Z_OK;
    while (status == Z_OK) {
        if (z.avail_in == 0 && inLeft) {
            z.avail_in = static_cast<uInt>(std::min(inLeft, kPiece));
            inLeft -= z.avail_in;
        }
        if (z.avail_out == 0) {
            if (outLeft) {
                z.avail_out = static_cast<uInt>(std::min(outLeft, kPiece));
                outLeft -= z.avail_out;
            } else if (!spareGiven) {
                z.next_out = &spare;
                z.avail_out = 1;
                spareGiven = true;
            } else {
                break;
            }
        }
        status = inflate(&z, Z_NO_FLUSH);
    }
    const bool exact = status == Z_STREAM_END && z.total_out == size && z.avail_in == 0 && inLeft == 0;
    inflateEnd(&z);
    return exact;
}

// Checks a zlib stream given a piece at a time, as inflateExact does,
// without keeping what it decodes.
class StreamCheck {
public:
    explicit StreamCheck(uint64_t size) : m_size(size) { m_ok = m_started = inflateInit(&m_z) == Z_OK; }
    ~StreamCheck()
    {
        if (m_started)
            inflateEnd(&m_z);
    }
    StreamCheck(const StreamCheck&) = delete;
    StreamCheck& operator=(const StreamCheck&) = delete;

    void update(const void* data, size_t length)
    {
        m_z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
        m_z.avail_in = static_cast<uInt>(length);
        while (m_ok && m_z.avail_in > 0) {
            // Bytes after the end of the stream are damage too.
            if (m_ended) {
                m_ok = false;
                break;
            }
            m_z.next_out = m_scratch;
            m_z.avail_out = sizeof(m_scratch);
            const int status = inflate(&m_z, Z_NO_FLUSH);
            m_ended = status == Z_STREAM_END;
            m_ok = (status == Z_OK || m_ended) && m_z.total_out <= m_size;
        }
    }
    bool exact() const { return m_ok && m_ended && m_z.total_out == m_size; }

private:
    z_stream m_z{};
    uint64_t m_size;
    bool m_ok = false, m_started = false, m_ended = false;
    uint8_t m_scratch[16 * 1024];
};

// XORs the pairs' index tags (sealKey given) or index sums into acc.
bool xorPairs(const ArchiveKey* sealKey, const uint32_t* slots, const uint64_t* generations, size_t count,
              uint8_t acc[kIndexTagSize])
{
    if (sealKey)
        return sealKey->xorIndexTags(slots, generations, count, acc);
    xorIndexSums(slots, generations, count, acc);
    return true;
}

// The entry of a block about to be written, before its stored bytes exist.
Entry newEntry(const char* name, const char* type, uint32_t storage, uint64_t size)
{
    Entry e;
    copyField(e.name, name, kMaxBlockName);
    copyField(e.type, type, 16);
    e.storage = static_cast<uint8_t>(storage);
    e.size = size;
    return e;
}

} // namespace

ArchiveFile::~ArchiveFile()
{
    forgetWaitingKey();
    // Only what this process wrote needs flushing: a clean file (such as a
    // defrag source already renamed away) costs nothing to close.
    if (m_file.isOpen() && m_file.hasUnsyncedWrites())
        m_file.sync();
}

// ---------------------------------------------------------------- create

int ArchiveFile::create(const char* path, int blockLimit, std::unique_ptr<ArchiveFile>& out)
{
    if (!path || !path[0] || blockLimit < 0 || static_cast<uint32_t>(blockLimit) > kMaxLimit)
        return RC_ERR_INVALID;
    CommitRecord rec;
    rec.generation = 1;
    rec.limit = blockLimit ? static_cast<uint32_t>(blockLimit) : 4096;
    rec.capacity = std::clamp(rec.limit, kMinCapacity, kInitialCapacityCap);
    rec.indexOffset = kHeaderSize;
    rec.dataEnd = kHeaderSize + uint64_t(rec.capacity) * kSlotSize;
    rec.created = rec.modified = now();
    rec.nextSealId = kRandomSealIds;

    // A file another writer holds would lose that writer's changes. Its
    // lock is held until the new file is in place, and the new file's
    // from then on: no other process gets to write into either meanwhile.
    FileHandle old;
    if (int rc = old.lockExisting(path); rc != RC_OK)
        return rc;
    // Build the file aside and move it into place, so an existing file is
    // only replaced by a complete archive. The index table is written out:
    // on a full disk a change must not fail on a page of it never allocated.
    FileHandle made;
    const int rc = replaceFile(
        path, "new",
        [&](FileHandle& file) {
            // Both places hold a record from the start: a missing one is damage.
            CommitRecord inForce = rec;
            inForce.generation = rec.generation + 1;
            uint8_t header[kHeaderSize];
            encodeHeader(header, rec, inForce, rec.flags, nullptr);
            const int written = file.writeAt(0, header, kHeaderSize);
            return written == RC_OK ? file.writeZeros(kHeaderSize, rec.dataEnd - kHeaderSize) : written;
        },
        &made);
    if (rc != RC_OK)
        return rc;
    return openHeld(path, &made, nullptr, 0, out);
}

// ---------------------------------------------------------------- open

int ArchiveFile::open(const char* path, const void* key, int keyLength, std::unique_ptr<ArchiveFile>& out)
{
    return openHeld(path, nullptr, key, keyLength, out);
}

int ArchiveFile::openHeld(const char* path, FileHandle* held, const void* key, int keyLength,
                          std::unique_ptr<ArchiveFile>& out)
{
    if (!path || !path[0])
        return RC_ERR_INVALID;
    if (key && (keyLength < 1 || keyLength > kMaxUserKey)) {
        if (Log* log = LogMgr::current())
            log->msg(2, " [Archive] Error: %s cannot be opened: a key is 1 to %d bytes, not %d.\n", path, kMaxUserKey,
                     keyLength);
        return RC_ERR_KEY;
    }
    std::unique_ptr<ArchiveFile> file(new ArchiveFile());
    file->m_path = path;
    if (held)
        file->m_file.take(*held);
    else if (int rc = file->m_file.openExisting(path, file->m_readOnly); rc != RC_OK)
        return rc;
    if (!file->m_readOnly) {
        removeLeftovers(path, "defrag");
        removeLeftovers(path, "new");
    }
    int64_t size = file->m_file.size();
    if (size < 0)
        return static_cast<int>(size);
    if (static_cast<uint64_t>(size) < kHeaderSize)
        return RC_ERR_NOT_ARCHIVE;
    uint8_t header[kHeaderSize];
    if (int rc = file->m_file.readAt(0, header, kHeaderSize); rc != RC_OK)
        return rc;
    if (int rc = checkHeader(header); rc != RC_OK)
        return rc;

    CommitRecord inForce;
    std::string what;
    if (!pickRecord(header, inForce, file->m_activeRecord, what))
        return damaged(path, what);
    if (int rc = file->loadState(inForce, key, keyLength, static_cast<uint64_t>(size)); rc != RC_OK) {
        if (rc == RC_ERR_CORRUPT)
            return damaged(path, file->m_refusal);
        if (rc == RC_ERR_KEY && !file->m_refusal.empty())
            if (Log* log = LogMgr::current())
                log->msg(2, " [Archive] Error: %s cannot be opened: %s.\n", path, file->m_refusal.c_str());
        return rc;
    }
    // The flags word is what the editor reads before opening: keep it true.
    // Only that word is written; the records stay as they were read, so
    // nothing unverified is ever signed.
    std::memcpy(file->m_header, header, kHeaderSize);
    const uint64_t flags = file->m_rec.flags & (RF_INDEX_ENCRYPTED | RF_BLOCKS_ENCRYPTED);
    if (!file->m_readOnly && headerFlags(header) != flags) {
        setHeaderFlags(file->m_header, flags);
        if (file->m_file.writeAt(0, file->m_header, kHeaderSize) != RC_OK || file->m_file.sync() != RC_OK)
            return RC_ERR_IO;
    }
    out = std::move(file);
    return RC_OK;
}

// The page's "Commit record" rules: which record is in force, and which
// pairs of records are damage.
bool ArchiveFile::pickRecord(const uint8_t header[kHeaderSize], CommitRecord& out, int& place, std::string& what)
{
    // A record that is damaged, missing or level with the other may have
    // been the one in force: falling back to the other would silently undo
    // the last change, so each is refused.
    CommitRecord records[2];
    const RecordState states[2] = {decodeRecord(header, 0, records[0]), decodeRecord(header, 1, records[1])};
    if (states[0] == RecordState::Damaged || states[1] == RecordState::Damaged) {
        what = "a commit record is damaged";
        return false;
    }
    if (states[0] == RecordState::Absent && states[1] == RecordState::Absent) {
        what = "no commit record";
        return false;
    }
    if (states[0] == RecordState::Valid && states[1] == RecordState::Valid) {
        if (records[0].generation == records[1].generation) {
            what = "its two commit records have the same generation";
            return false;
        }
        place = records[1].generation > records[0].generation ? 1 : 0;
        // Every change writes version 3: a record of version 2 newer than
        // one of version 3 was relabelled, and would switch the index sum off.
        if (records[place].version < kRecordVersion && records[1 - place].version == kRecordVersion) {
            what = "a commit record of an earlier version is newer than one of the current version";
            return false;
        }
    } else {
        place = states[0] == RecordState::Valid ? 0 : 1;
        // Only a file written before both places were always filled, and
        // never changed since it was made, has a record alone.
        if (records[place].version >= kRecordVersion || records[place].generation != 1) {
            what = "a commit record is missing";
            return false;
        }
    }
    out = records[place];
    return true;
}

int ArchiveFile::damaged(const std::string& path, const std::string& what)
{
    if (Log* log = LogMgr::current())
        log->msg(2, " [Archive] Error: %s is damaged: %s.\n", path.c_str(), what.c_str());
    return RC_ERR_CORRUPT;
}

int ArchiveFile::corrupt(const char* what)
{
    m_refusal = what;
    return RC_ERR_CORRUPT;
}

int ArchiveFile::keyRefused(const char* what)
{
    m_refusal = what;
    return RC_ERR_KEY;
}

int ArchiveFile::useKey(const CommitRecord& rec, const void* key, int keyLength)
{
    // What the record alone shows is damage whatever key is given, so it
    // is refused before the key is looked at.
    const bool hasCheck = rec.flags & RF_KEY_CHECK;
    if (hasCheck && !rec.kdf.acceptable())
        return corrupt("its key derivation settings are out of range");
    if ((rec.flags & RF_INDEX_ENCRYPTED) && !hasCheck)
        return corrupt("its index is encrypted without a key check");
    if (key && !hasCheck) {
        // Nothing here needs the key yet: the slow derivation waits for
        // the first encrypted write.
        std::memcpy(m_waitingKey, key, static_cast<size_t>(keyLength));
        m_waitingKeyLength = keyLength;
    } else if (key) {
        ArchiveKey candidate;
        if (!candidate.derive(key, keyLength, rec.salt, rec.kdf) || !candidate.verifyCheck(rec.checkNonce, rec.checkTag))
            return keyRefused("the key given fails its key check");
        m_key.take(candidate);
        if (hasCheck)
            prepareRekey(rec.kdf, key, keyLength);
    } else if (rec.flags & RF_INDEX_ENCRYPTED) {
        return keyRefused("its index is encrypted and no key was given");
    }
    if ((rec.flags & RF_INDEX_ENCRYPTED) && !recordMacMatches(rec, m_key))
        return corrupt("its commit record fails its authentication");
    return RC_OK;
}

bool ArchiveFile::keyReady()
{
    if (m_key.valid() || m_waitingKeyLength == 0)
        return m_key.valid();
    ArchiveKey candidate;
    const bool derived = randomBytes(m_pendingSalt, kSaltSize)
                         && candidate.derive(m_waitingKey, m_waitingKeyLength, m_pendingSalt, newKeyCost());
    forgetWaitingKey();
    if (derived)
        m_key.take(candidate);
    return derived;
}

void ArchiveFile::forgetWaitingKey()
{
    OPENSSL_cleanse(m_waitingKey, sizeof(m_waitingKey));
    m_waitingKeyLength = 0;
}

int ArchiveFile::chooseVersion(const uint8_t* slotBytes, uint32_t slot, const CommitRecord& rec, SlotChoice& out) const
{
    // A version newer than the record is a leftover of the one change that
    // was interrupted (rec.generation + 1); anything newer is damage. Of
    // the others the valid one with the higher generation is in force; a
    // version that fails its check counts as damage when it claims to be
    // newer than that one (a torn write of the version being replaced
    // still carries the older generation). Two valid versions of one
    // generation are damage: a change never writes both, and picking
    // either would let an edit bring back a deleted entry unseen by the
    // index sum, which a tie leaves unchanged.
    out = SlotChoice{};
    uint64_t bestGeneration = 0;
    uint64_t invalidGeneration = 0;
    uint64_t otherKindGeneration = 0;
    bool invalid = false;
    bool tie = false;
    for (int v = 0; v < 2; ++v) {
        const uint8_t* version = slotBytes + size_t(v) * kVersionSize;
        const uint64_t claimed = peekGeneration(version);
        if (claimed > rec.generation) {
            // W5: a version of a commit that never completed, zeroed below.
            if (claimed > rec.generation + 1)
                return RC_ERR_CORRUPT;
            out.stale[v] = true;
            continue;
        }
        // A newer archive's index under an older record.
        if ((rec.version < 2 && versionKind(version) == kKindSealedKeyed) || (rec.version < kRecordVersion && version[13] != 0))
            return RC_ERR_CORRUPT;
        // A version of the other kind (sealed under a plain record, plain
        // under an encrypted one) is a leftover of switching the index,
        // wiped at open - unless it claims to be the newest: then the flag
        // was changed, and the next change would write names in clear.
        if (claimed != 0 && isSealedVersion(version) != ((rec.flags & RF_INDEX_ENCRYPTED) != 0)) {
            otherKindGeneration = std::max(otherKindGeneration, claimed);
            out.stale[v] = true;
            continue;
        }
        uint64_t generation = 0;
        bool sealed = false;
        Entry e;
        const VersionState state = decodeVersion(version, slot, m_key.valid() ? &m_key : nullptr, generation, e, sealed);
        if (state == VersionState::NeedsKey)
            return RC_ERR_CORRUPT; // sealed entries in a plain index
        if (state == VersionState::Invalid) {
            invalid = true;
            invalidGeneration = std::max(invalidGeneration, claimed);
            continue;
        }
        if (state != VersionState::Valid)
            continue;
        tie = out.best >= 0 && generation == bestGeneration;
        if (out.best < 0 || generation > bestGeneration) {
            out.best = v;
            bestGeneration = generation;
            out.entry = e;
        }
    }
    if (out.best < 0 || tie || (invalid && invalidGeneration >= bestGeneration) || otherKindGeneration >= bestGeneration)
        return RC_ERR_CORRUPT;
    out.generation = bestGeneration;
    return RC_OK;
}

int ArchiveFile::loadState(const CommitRecord& rec, const void* key, int keyLength, uint64_t fileSize)
{
    m_table.clear();
    m_key.clear();

    if (rec.indexOffset < kHeaderSize || rec.capacity > kMaxCapacity || rec.count > rec.capacity
        || rec.dataEnd > fileSize || rec.indexOffset > rec.dataEnd)
        return corrupt("its commit record points outside the file");
    if (rec.limit > kMaxLimit)
        return corrupt("its block limit is out of range");
    if (rec.nextSealId == 0 || rec.nextSealId > kRandomSealIds)
        return corrupt("its next seal id is out of range");
    if (int rc = loadSegments(rec, m_segments); rc != RC_OK)
        return rc;
    if (int rc = useKey(rec, key, keyLength); rc != RC_OK)
        return rc;
    const bool indexEncrypted = rec.flags & RF_INDEX_ENCRYPTED;

    m_table.reserve(rec.count);
    bool anyEncrypted = false;
    uint64_t highestSealId = 0;
    uint8_t indexTag[kIndexTagSize] = {};
    std::vector<std::pair<uint64_t, size_t>> stale;
    std::vector<uint8_t> chunk;
    std::vector<uint32_t> slots;
    std::vector<uint64_t> generations;
    for (uint32_t first = 0, n = 0; first < rec.count; first += n) {
        n = m_segments.run(first, std::min<uint32_t>(kTableChunkSlots, rec.count - first));
        chunk.resize(size_t(n) * kSlotSize);
        const uint64_t chunkOffset = m_segments.slotOffset(first);
        if (int rc = m_file.readAt(chunkOffset, chunk.data(), chunk.size()); rc != RC_OK)
            return rc == RC_ERR_CORRUPT ? corrupt("its index table is cut short") : rc;
        slots.clear();
        generations.clear();
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t slot = first + i;
            const uint8_t* slotBytes = chunk.data() + size_t(i) * kSlotSize;
            SlotChoice choice;
            if (chooseVersion(slotBytes, slot, rec, choice) != RC_OK || !entryIsSane(choice.entry, rec.dataEnd))
                return corrupt("an index entry is damaged");
            anyEncrypted |= isSealed(choice.entry.storage);
            highestSealId = std::max(highestSealId, choice.entry.sealId);
            if (int rc = m_table.append(choice.entry); rc != RC_OK)
                return rc;
            m_table.setActiveVersion(slot, static_cast<uint8_t>(choice.best));
            slots.push_back(slot);
            generations.push_back(choice.generation);
            // Leftovers of an interrupted change or of switching the index
            // are wiped: an encrypted index keeps no readable copy.
            for (int v = 0; v < 2; ++v)
                if (v != choice.best && choice.stale[v])
                    stale.emplace_back(chunkOffset + size_t(i) * kSlotSize + size_t(v) * kVersionSize, kVersionSize);
        }
        if (!xorPairs(indexEncrypted ? &m_key : nullptr, slots.data(), generations.data(), slots.size(), indexTag))
            return RC_ERR_KEY;
    }

    // Two live blocks with one name and type are damage too.
    if (int rc = m_table.linkAll(); rc != RC_OK)
        return rc == RC_ERR_EXISTS ? corrupt("two live blocks share a name and type") : rc;
    if (anyEncrypted && !(rec.flags & RF_KEY_CHECK))
        return corrupt("it holds encrypted blocks without a key check");
    if (highestSealId >= rec.nextSealId)
        return corrupt("a block's seal id was never handed out");
    // The tag (or a plain index's sum) adds up every version in force: a
    // version rolled back, dropped, swapped between slots or given another
    // generation no longer adds up. Older records hold no sum of a plain
    // index; the next change writes the one made here.
    const bool summed = indexEncrypted ? rec.version >= 2 : rec.version >= kRecordVersion && kVerifyChecksums;
    if (summed && CRYPTO_memcmp(indexTag, rec.indexTag, kIndexTagSize) != 0)
        return corrupt("its index does not match its commit record");
    m_rec = rec;
    std::memcpy(m_rec.indexTag, indexTag, kIndexTagSize);
    if (!stale.empty() && !m_readOnly)
        return repair(stale);
    return RC_OK;
}

int ArchiveFile::loadSegments(const CommitRecord& rec, IndexSegments& segments)
{
    if (!(rec.flags & RF_SEGMENTED)) {
        if (uint64_t(rec.capacity) * kSlotSize > rec.dataEnd - rec.indexOffset)
            return corrupt("its commit record points outside the file");
        segments.assignSingle(rec.indexOffset, rec.capacity);
        return RC_OK;
    }
    uint8_t head[IndexSegments::kListHead];
    if (rec.dataEnd - rec.indexOffset < sizeof(head) || m_file.readAt(rec.indexOffset, head, sizeof(head)) != RC_OK)
        return corrupt("its index segment list is damaged");
    const uint32_t n = IndexSegments::countOf(head);
    std::vector<uint8_t> list(IndexSegments::listSize(n));
    if (n == 0 || list.size() > rec.dataEnd - rec.indexOffset
        || m_file.readAt(rec.indexOffset, list.data(), list.size()) != RC_OK
        || !segments.decode(list.data(), rec.capacity, rec.indexOffset, rec.dataEnd))
        return corrupt("its index segment list is damaged");
    return RC_OK;
}

int ArchiveFile::repair(const std::vector<std::pair<uint64_t, size_t>>& staleVersions)
{
    for (const auto& [offset, length] : staleVersions)
        if (int rc = m_file.writeZeros(offset, length); rc != RC_OK)
            return rc;
    return m_file.sync();
}

// ---------------------------------------------------------------- queries

float ArchiveFile::fragmentation() const
{
    if (m_rec.dataEnd == 0)
        return 0.0f;
    const uint64_t list = (m_rec.flags & RF_SEGMENTED) ? IndexSegments::listSize(uint32_t(m_segments.count())) : 0;
    uint64_t used = kHeaderSize + uint64_t(m_rec.capacity) * kSlotSize + list + m_table.liveStored();
    uint64_t dead = m_rec.dataEnd > used ? m_rec.dataEnd - used : 0;
    return static_cast<float>(100.0 * static_cast<double>(dead) / static_cast<double>(m_rec.dataEnd));
}

// ---------------------------------------------------------------- reading

int ArchiveFile::readVerified(const Entry& e, void* buffer) const
{
    constexpr size_t kPiece = 512 * 1024;
    if (!e.keyed && e.storedSize <= kPiece) {
        // One piece: one read, and the digest without a streaming state.
        const auto length = static_cast<size_t>(e.storedSize);
        return m_file.readAt(e.offset, buffer, length) == RC_OK && !checksumFails(e.hash, XXH3_64bits(buffer, length))
                   ? RC_OK
                   : RC_ERR_CORRUPT;
    }
    StoredDigest digest(e.keyed, m_key);
    if (int rc = digestStored(m_file, e, static_cast<uint8_t*>(buffer), kPiece, true, digest); rc != RC_OK)
        return rc;
    return verdict(digest, e.hash);
}

int ArchiveFile::checkStored(const Entry& e, std::vector<uint8_t>& piece) const
{
    StoredDigest digest(e.keyed, m_key);
    if (e.storage != kStoreZlib) {
        if (int rc = digestStored(m_file, e, piece.data(), piece.size(), false, digest); rc != RC_OK)
            return rc;
        return verdict(digest, e.hash);
    }
    // A zlib stream is decoded too, in the same read: its sizes are checked
    // as a load checks them.
    StreamCheck stream(e.size);
    if (int rc = digestStored(m_file, e, piece.data(), piece.size(), false, digest, stream); rc != RC_OK)
        return rc;
    if (int rc = verdict(digest, e.hash); rc != RC_OK)
        return rc;
    return stream.exact() ? RC_OK : RC_ERR_CORRUPT;
}

int ArchiveFile::redigest(Entry& e, bool keyed, std::vector<uint8_t>& piece, const ArchiveKey* with) const
{
    // One read checks the digest the entry has and makes the one it gets.
    StoredDigest current(e.keyed, m_key);
    StoredDigest wanted(keyed, with ? *with : m_key);
    if (int rc = digestStored(m_file, e, piece.data(), piece.size(), false, current, wanted); rc != RC_OK)
        return rc;
    uint64_t was = 0, now = 0;
    if (!current.finish(was) || !wanted.finish(now))
        return RC_ERR_NO_MEMORY;
    if (checksumFails(e.hash, was))
        return RC_ERR_CORRUPT;
    e.hash = now;
    e.keyed = keyed ? 1 : 0;
    return RC_OK;
}

int ArchiveFile::readDecoded(const Entry& e, void* out) const
{
    // Raw bytes are checked against their digest; zlib (adler-32) and
    // AES-GCM (its tag) check what they decode themselves, and in an
    // encrypted index zlib streams are checked against their keyed digest
    // too: any stream of the right length would inflate.
    if (e.storage == kStoreRaw)
        return readVerified(e, out);
    if (e.storage == kStoreZlib) {
        const StoredBytes stored(e.storedSize);
        if (!stored.data())
            return RC_ERR_NO_MEMORY;
        const bool digested = e.keyed || indexEncrypted();
        if (e.storedSize
            && (digested ? readVerified(e, stored.data())
                         : m_file.readAt(e.offset, stored.data(), static_cast<size_t>(e.storedSize)))
                   != RC_OK)
            return RC_ERR_CORRUPT;
        return inflateExact(stored.data(), e.storedSize, out, e.size) ? RC_OK : RC_ERR_CORRUPT;
    }
    if (e.storage == kStoreSealedZlib)
        return readSealedZlib(e, out);
    return openSealed(e, out);
}

int ArchiveFile::readSealedZlib(const Entry& e, void* out) const
{
    // The stream is opened into memory of its own, inflated under the
    // zlib entries' exact-size rules, then wiped.
    const uint64_t streamSize = e.storedSize - kSealOverhead;
    std::unique_ptr<uint8_t[]> stream(new (std::nothrow) uint8_t[streamSize]);
    if (!stream)
        return RC_ERR_NO_MEMORY;
    int rc = openSealed(e, stream.get());
    if (rc == RC_OK && !inflateExact(stream.get(), streamSize, out, e.size)) {
        OPENSSL_cleanse(out, static_cast<size_t>(e.size));
        rc = RC_ERR_CORRUPT;
    }
    OPENSSL_cleanse(stream.get(), static_cast<size_t>(streamSize));
    return rc;
}

int ArchiveFile::openSealed(const Entry& e, void* out) const
{
    if (!m_key.valid())
        return RC_ERR_KEY;
    // What the stored bytes open to: the data, or a sealed zlib stream.
    const uint64_t plainSize = e.storedSize - kSealOverhead;
    uint8_t aad[kMaxAad];
    const size_t aadLength = blockAad(e, indexEncrypted(), aad);
    // The stored bytes answer to the entry's digest too, as validate checks
    // them, before anything is decrypted.
    if (plainSize <= kWholeReadLimit) {
        // Small: the whole message in one read, then decrypted into out.
        const StoredBytes bytes(e.storedSize);
        uint8_t* stored = bytes.data();
        if (!stored)
            return RC_ERR_NO_MEMORY;
        const auto length = static_cast<size_t>(e.storedSize);
        if (m_file.readAt(e.offset, stored, length) != RC_OK || checksumFails(e.hash, XXH3_64bits(stored, length)))
            return RC_ERR_CORRUPT;
        return m_key.openParts(aad, aadLength, stored, stored + kNonceSize, static_cast<size_t>(plainSize),
                               stored + kNonceSize + plainSize, out)
                   ? RC_OK
                   : RC_ERR_CORRUPT;
    }
    // Large: the ciphertext goes straight into out, a piece at a time, each
    // piece digested and decrypted in place right after it was read; the
    // bytes are wiped when the digest fails after all.
    uint8_t nonce[kNonceSize];
    uint8_t tag[kTagSize];
    if (m_file.readAt(e.offset, nonce, kNonceSize) != RC_OK
        || m_file.readAt(e.offset + kNonceSize + plainSize, tag, kTagSize) != RC_OK)
        return RC_ERR_CORRUPT;
    StoredDigest digest(false, m_key);
    digest.update(nonce, kNonceSize);
    const uint64_t cipherAt = e.offset + kNonceSize;
    const bool opened = m_key.openReading(aad, aadLength, nonce, static_cast<size_t>(plainSize), tag, out,
                                          [&](uint8_t* at, uint64_t offset, size_t n) {
                                              if (m_file.readAt(cipherAt + offset, at, n) != RC_OK)
                                                  return false;
                                              digest.update(at, n);
                                              return true;
                                          });
    digest.update(tag, kTagSize);
    if (!opened)
        return RC_ERR_CORRUPT;
    if (const int rc = verdict(digest, e.hash); rc != RC_OK) {
        OPENSSL_cleanse(out, static_cast<size_t>(plainSize));
        return rc;
    }
    return RC_OK;
}

int ArchiveFile::load(int index, void*& data, uint64_t& size)
{
    if (!isLive(index))
        return RC_ERR_NOT_FOUND;
    // Built in place: copying an entry just built stalls on its own stores.
    const Entry e = m_table.get(static_cast<uint32_t>(index));
    if (isSealed(e.storage) && !m_key.valid())
        return RC_ERR_KEY;
    void* out = m_loaded.get(e.size ? static_cast<size_t>(e.size) : 1);
    if (!out)
        return RC_ERR_NO_MEMORY;
    if (int rc = readDecoded(e, out); rc != RC_OK) {
        m_loaded.put(out);
        return rc;
    }
    data = out;
    size = e.size;
    return RC_OK;
}

int ArchiveFile::peek(int index, uint64_t offset, void* out, size_t length)
{
    if (!isLive(index))
        return RC_ERR_NOT_FOUND;
    const Entry found = m_table.get(static_cast<uint32_t>(index));
    const Entry* e = &found;
    if (!out || length > static_cast<size_t>(INT_MAX))
        return RC_ERR_INVALID;
    if (offset >= e->size)
        return 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(length, e->size - offset));
    if (want == 0)
        return 0;
    if (e->storage == kStoreRaw)
        return m_file.readAt(e->offset + offset, out, want) == RC_OK ? static_cast<int>(want) : RC_ERR_CORRUPT;
    if (isSealed(e->storage)) {
        // Decrypted bytes count only once the whole block's tag holds.
        void* data = nullptr;
        uint64_t size = 0;
        if (int rc = load(index, data, size); rc != RC_OK)
            return rc;
        std::memcpy(out, static_cast<uint8_t*>(data) + offset, want);
        release(data);
        return static_cast<int>(want);
    }
    // Inflate just far enough: the stream is read piece by piece.
    std::vector<uint8_t> head(static_cast<size_t>(offset) + want);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return RC_ERR_NO_MEMORY;
    z.next_out = head.data();
    z.avail_out = static_cast<uInt>(head.size());
    uint8_t piece[16 * 1024];
    int rc = RC_OK;
    for (uint64_t read = 0; z.avail_out > 0 && rc == RC_OK;) {
        if (z.avail_in == 0) {
            if (read >= e->storedSize) {
                rc = RC_ERR_CORRUPT;
                break;
            }
            const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof(piece), e->storedSize - read));
            if (m_file.readAt(e->offset + read, piece, n) != RC_OK) {
                rc = RC_ERR_CORRUPT;
                break;
            }
            read += n;
            z.next_in = piece;
            z.avail_in = static_cast<uInt>(n);
        }
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && !(status == Z_STREAM_END && z.avail_out == 0))
            rc = RC_ERR_CORRUPT;
    }
    inflateEnd(&z);
    if (rc != RC_OK)
        return rc;
    std::memcpy(out, head.data() + offset, want);
    return static_cast<int>(want);
}

void ArchiveFile::release(void* data) { m_loaded.put(data); }

// ---------------------------------------------------------------- writing

const ArchiveKey* ArchiveFile::sealKeyFor(const CommitRecord& rec) const
{
    return (rec.flags & RF_INDEX_ENCRYPTED) ? &m_key : nullptr;
}

int ArchiveFile::ensureKeyCheck(CommitRecord& next)
{
    if (!m_key.valid())
        return RC_ERR_KEY;
    if (next.flags & RF_KEY_CHECK)
        return RC_OK;
    std::memcpy(next.salt, m_pendingSalt, kSaltSize);
    next.kdf = newKeyCost();
    if (!m_key.makeCheck(next.checkNonce, next.checkTag))
        return RC_ERR_KEY;
    next.flags |= RF_KEY_CHECK;
    return RC_OK;
}

// W5: what a failed commit wrote goes; what cannot be undone stops every later write.
void ArchiveFile::rollback(const std::vector<std::pair<uint64_t, size_t>>& written)
{
    bool ok = true;
    for (const auto& [offset, length] : written)
        ok = ok && (m_file.writeZeros(offset, length) == RC_OK || readsAsZero(offset, length));
    ok = ok && m_file.sync() == RC_OK;
    if (!ok)
        m_poisoned = true;
}

bool ArchiveFile::readsAsZero(uint64_t offset, size_t length) const
{
    // A write refused on a full disk left nothing to undo: the next change
    // must not be refused for it.
    uint8_t bytes[kSlotSize];
    if (length > sizeof(bytes) || m_file.readAt(offset, bytes, length) != RC_OK)
        return false;
    return std::all_of(bytes, bytes + length, [](uint8_t b) { return b == 0; });
}

int ArchiveFile::updateIndexTag(const std::vector<SlotWrite>& writes, CommitRecord& next, bool wholeIndex) const
{
    // Out go the versions being replaced (read from the table: only their
    // generation is needed), in come the new ones. A change that rewrites
    // every slot (switching the index, a new key) starts the sum afresh.
    const bool encrypted = next.flags & RF_INDEX_ENCRYPTED;
    const bool switched = wholeIndex;
    if (switched)
        std::memset(next.indexTag, 0, kIndexTagSize);
    std::vector<uint32_t> slots;
    std::vector<uint64_t> generations;
    for (const SlotWrite& w : writes) {
        if (switched || w.slot >= m_table.size())
            continue;
        // The generation leads the version: only its 8 bytes are read.
        uint8_t version[kVersionSize] = {};
        const uint64_t at = m_segments.slotOffset(w.slot) + size_t(m_table.activeVersion(w.slot)) * kVersionSize;
        if (int rc = m_file.readAt(at, version, 8); rc != RC_OK)
            return rc;
        slots.push_back(w.slot);
        generations.push_back(peekGeneration(version));
    }
    for (const SlotWrite& w : writes) {
        slots.push_back(w.slot);
        generations.push_back(m_rec.generation + 1);
    }
    return xorPairs(encrypted ? &m_key : nullptr, slots.data(), generations.data(), slots.size(), next.indexTag)
               ? RC_OK
               : RC_ERR_KEY;
}

int ArchiveFile::commit(const std::vector<SlotWrite>& writes, CommitRecord next, bool wholeIndex)
{
    if (m_readOnly)
        return RC_ERR_READ_ONLY;
    if (m_poisoned)
        return RC_ERR_POISONED;
    next.generation = m_rec.generation + 1;
    next.version = kRecordVersion; // commits always write the current format
    // Ids are drawn at random from now on; earlier ones all lie below this.
    next.nextSealId = kRandomSealIds;
    next.modified = now();
    const ArchiveKey* sealKey = sealKeyFor(next);

    for (const SlotWrite& w : writes)
        if (!m_table.hasRoomFor(w.entry))
            return RC_ERR_TOO_LARGE;
    if (int rc = updateIndexTag(writes, next, wholeIndex); rc != RC_OK)
        return rc;
    std::vector<std::pair<uint64_t, size_t>> written;
    uint8_t slotBytes[kSlotSize];
    for (const SlotWrite& w : writes) {
        uint64_t slotOffset = m_segments.slotOffset(w.slot);
        bool fresh = w.slot >= m_table.size();
        if (fresh) {
            // Both versions: the unused one may hold leftovers of a failed write.
            std::memset(slotBytes, 0, sizeof(slotBytes));
            encodeVersion(slotBytes, next.generation, w.slot, w.entry, sealKey);
        } else {
            slotOffset += size_t(1 - m_table.activeVersion(w.slot)) * kVersionSize; // W2
            encodeVersion(slotBytes, next.generation, w.slot, w.entry, sealKey);
        }
        size_t length = fresh ? kSlotSize : kVersionSize;
        if (peekGeneration(slotBytes) == 0) {
            rollback(written);
            return RC_ERR_KEY;
        }
        written.emplace_back(slotOffset, length);
        if (int rc = m_file.writeAt(slotOffset, slotBytes, length); rc != RC_OK) {
            rollback(written);
            return rc;
        }
    }
    // W3
    if (int rc = m_durable ? m_file.sync() : RC_OK; rc != RC_OK) {
        rollback(written);
        return rc;
    }

    const int target = 1 - m_activeRecord; // W4
    uint8_t header[kHeaderSize];
    if (isLayout1(m_header)) {
        // The first change of an older file writes the whole header anew;
        // the state in force, verified at open, moves along as it is.
        const ArchiveKey* key = m_key.valid() ? &m_key : nullptr;
        encodeHeader(header, target == 0 ? next : m_rec, target == 1 ? next : m_rec, next.flags, key);
    } else {
        // The record in force stays byte for byte: re-encoding a record
        // would sign fields nobody checked.
        std::memcpy(header, m_header, kHeaderSize);
        encodeRecordAt(header, target, next, sealKey);
    }
    setHeaderFlags(header, next.flags & (RF_INDEX_ENCRYPTED | RF_BLOCKS_ENCRYPTED));
    // Durable: the change counts once its header is on the device, so a 0
    // returned survives a power cut, and the next change may reuse the
    // version places this header no longer points to.
    int rc = m_file.writeAt(0, header, kHeaderSize);
    if (rc == RC_OK && m_durable)
        rc = m_file.sync();
    if (rc != RC_OK) { // W5
        if (m_file.writeAt(0, m_header, kHeaderSize) != RC_OK)
            m_poisoned = true;
        rollback(written);
        return rc;
    }

    for (const SlotWrite& w : writes)
        apply(w);
    std::memcpy(m_header, header, kHeaderSize);
    m_rec = next;
    m_activeRecord = target;
    return RC_OK;
}

void ArchiveFile::apply(const SlotWrite& w)
{
    const bool fresh = w.slot >= m_table.size();
    const uint8_t version = fresh ? 0 : static_cast<uint8_t>(1 - m_table.activeVersion(w.slot));
    // commit checked that the table takes the entry before writing it.
    m_table.put(w.slot, w.entry);
    m_table.setActiveVersion(w.slot, version);
}

int ArchiveFile::growIndex(uint32_t needed)
{
    if (needed > kMaxCapacity)
        return RC_ERR_TOO_LARGE;
    // A new segment of a quarter more slots: the file never holds much
    // more index than a defragged copy would, and nothing is copied.
    uint32_t added = std::max({needed - m_rec.capacity, m_rec.capacity / 4, kMinCapacity});
    added = std::min(added, kMaxCapacity - m_rec.capacity);
    IndexSegments grown = m_segments;
    if (!grown.append(m_rec.dataEnd, added))
        return RC_ERR_TOO_LARGE;
    const std::vector<uint8_t> list = grown.encode();
    CommitRecord next = m_rec;
    next.flags |= RF_SEGMENTED;
    next.capacity += added;
    next.indexOffset = m_rec.dataEnd + uint64_t(added) * kSlotSize;
    next.dataEnd = next.indexOffset + list.size();
    if (int rc = m_file.writeZeros(m_rec.dataEnd, uint64_t(added) * kSlotSize); rc != RC_OK)
        return rc;
    if (int rc = m_file.writeAt(next.indexOffset, list.data(), list.size()); rc != RC_OK)
        return rc;
    if (int rc = commit({}, next); rc != RC_OK)
        return rc;
    m_segments = std::move(grown);
    return RC_OK;
}

int ArchiveFile::writeState() const
{
    // A change written through the handle of a file no longer at the path
    // would report success and reach nobody.
    if (!m_file.isAt(m_path.c_str()))
        return RC_ERR_REPLACED;
    if (m_readOnly)
        return RC_ERR_READ_ONLY;
    // Another program wrote over the file in place (same inode): a change
    // now would mix its archive with this one.
    const int64_t size = m_file.size();
    if (headerOnDisk() != RC_OK || size < 0 || static_cast<uint64_t>(size) < m_rec.dataEnd)
        return RC_ERR_CHANGED;
    // The handle was opened for writing: a protection set since binds
    // only new opens, yet the user who set it expects the file kept.
    return writePermitted(m_path.c_str()) == RC_ERR_ACCESS ? RC_ERR_ACCESS : RC_OK;
}

int ArchiveFile::reached(int rc) const
{
    // A file moved away while the change was written holds it where the
    // user will not look: the change is not reported as saved.
    if (rc != RC_OK)
        return rc;
    changeWritten(m_path.c_str());
    return m_file.isAt(m_path.c_str()) ? RC_OK : RC_ERR_REPLACED;
}

int ArchiveFile::checkAdd(const char* name, const char* type, uint32_t storage, uint64_t size, int& existing) const
{
    if (!name || !name[0] || !type || !type[0] || storage < kStoreRaw || storage > kStoreSealedZlib
        || size > kMaxBlockSize)
        return RC_ERR_INVALID;
    if (m_readOnly)
        return RC_ERR_READ_ONLY;
    existing = find(name, type);
    if (existing < 0 && m_table.liveCount() >= static_cast<int>(m_rec.limit))
        return RC_ERR_NO_SLOT;
    if (isSealed(static_cast<uint8_t>(storage)) && !m_key.valid())
        return RC_ERR_KEY;
    return RC_OK;
}

int ArchiveFile::add(const char* name, const char* type, uint32_t storage, const void* data, uint64_t size)
{
    int existing = -1;
    if (size && !data)
        return RC_ERR_INVALID;
    if (isSealed(static_cast<uint8_t>(storage)))
        keyReady();
    if (int rc = checkAdd(name, type, storage, size, existing); rc != RC_OK)
        return rc;
    if (int rc = rekey(); rc != RC_OK)
        return rc;
    Entry e = newEntry(name, type, storage, size);

    // The encoded bytes are written over at once: no need to zero them first.
    std::unique_ptr<uint8_t[]> encoded;
    const uint8_t* stored = static_cast<const uint8_t*>(data);
    e.storedSize = size;
    if (storage == kStoreZlib || storage == kStoreSealedZlib) {
        uLongf length = compressBound(static_cast<uLong>(size));
        encoded.reset(new (std::nothrow) uint8_t[length]);
        if (!encoded || compress2(encoded.get(), &length, stored, static_cast<uLong>(size), kZlibLevel) != Z_OK)
            return RC_ERR_NO_MEMORY;
        e.storedSize = length;
        stored = encoded.get();
    }
    if (isSealed(e.storage)) {
        // Sealed: the data itself, or the zlib stream just made of it.
        const std::unique_ptr<uint8_t[]> stream = std::move(encoded);
        const uint64_t plainSize = e.storedSize;
        // The stream gives the data away as the data does: wiped on every way out.
        const struct Wipe {
            uint8_t* at;
            size_t size;
            ~Wipe()
            {
                if (at)
                    OPENSSL_cleanse(at, size);
            }
        } wipe{stream.get(), static_cast<size_t>(plainSize)};
        e.storedSize = plainSize + kSealOverhead;
        encoded.reset(new (std::nothrow) uint8_t[e.storedSize]);
        if (!encoded)
            return RC_ERR_NO_MEMORY;
        // Bound to its own seal id, drawn at random: its bytes copied over
        // another block's, or an older version over a newer, fail their
        // tag, and no one without the key can make a later block take the
        // id of bytes a failed add left.
        e.sealId = drawSealId();
        if (e.sealId == 0)
            return RC_ERR_KEY;
        // And to its name and the kind of index listing it: under a forged
        // plain index, or another name, its tag fails.
        e.bound = 1;
        uint8_t aad[kMaxAad];
        const size_t aadLength = blockAad(e, indexEncrypted(), aad);
        if (!m_key.seal(aad, aadLength, stored, static_cast<size_t>(plainSize), encoded.get()))
            return RC_ERR_KEY;
        stored = encoded.get();
    }
    return reached(append(e, stored, existing));
}

int ArchiveFile::addCompressed(const char* name, const char* type, const void* stream, uint64_t streamSize,
                               uint64_t size)
{
    int existing = -1;
    // The smallest zlib stream is 8 bytes; a claimed size beyond what zlib
    // can expand to would only fail at load.
    if (!stream || streamSize < 8 || size > streamSize * kMaxZlibRatio + 64)
        return RC_ERR_INVALID;
    if (int rc = checkAdd(name, type, kStoreZlib, size, existing); rc != RC_OK)
        return rc;
    if (int rc = rekey(); rc != RC_OK)
        return rc;
    Entry e = newEntry(name, type, kStoreZlib, size);
    e.storedSize = streamSize;
    return reached(append(e, static_cast<const uint8_t*>(stream), existing));
}

int ArchiveFile::append(Entry e, const uint8_t* stored, int existing)
{
    // An encrypted index holds keyed digests of raw and zlib blocks.
    e.keyed = indexEncrypted() && !isSealed(e.storage);
    if (e.keyed) {
        ArchiveKey::Digest digest(m_key);
        if (!digest.update(stored, static_cast<size_t>(e.storedSize)) || !digest.finish(e.hash))
            return RC_ERR_KEY;
    } else {
        e.hash = hashBytes(stored, static_cast<size_t>(e.storedSize));
    }
    uint32_t slot = m_rec.count;
    if (slot >= m_rec.capacity)
        if (int rc = growIndex(slot + 1); rc != RC_OK)
            return rc;

    CommitRecord next = m_rec;
    if (isSealed(e.storage)) {
        if (int rc = ensureKeyCheck(next); rc != RC_OK)
            return rc;
        next.flags |= RF_BLOCKS_ENCRYPTED;
    }
    e.offset = m_rec.dataEnd; // W1
    if (e.storedSize)
        if (int rc = m_file.writeAt(e.offset, stored, static_cast<size_t>(e.storedSize)); rc != RC_OK)
            return rc;
    next.dataEnd = e.offset + e.storedSize;
    next.count = slot + 1;

    std::vector<SlotWrite> writes;
    if (existing >= 0) {
        Entry old = m_table.get(static_cast<uint32_t>(existing));
        old.deleted = 1;
        writes.push_back({static_cast<uint32_t>(existing), old});
    }
    writes.push_back({slot, e});
    return commit(writes, next);
}

int ArchiveFile::remove(int index)
{
    Entry changed;
    if (!entry(index, changed) || changed.deleted)
        return RC_ERR_NOT_FOUND;
    if (int rc = rekey(); rc != RC_OK)
        return rc;
    changed.deleted = 1;
    return reached(commit({{static_cast<uint32_t>(index), changed}}, m_rec));
}

int ArchiveFile::undelete(int index, const char* newName)
{
    // A name that does not fit is refused here, where it would be stored.
    if (newName && std::strlen(newName) > kMaxBlockName)
        return RC_ERR_INVALID;
    Entry changed;
    if (!entry(index, changed) || !changed.deleted)
        return RC_ERR_NOT_FOUND;
    changed.deleted = 0;
    if (newName && newName[0]) {
        copyField(changed.name, newName, kMaxBlockName);
    }
    if (find(changed.name, changed.type) >= 0)
        return RC_ERR_EXISTS;
    if (m_table.liveCount() >= static_cast<int>(m_rec.limit))
        return RC_ERR_NO_SLOT;
    if (int rc = rekey(); rc != RC_OK)
        return rc;
    CommitRecord next = m_rec;
    // A block bound to its name is sealed again under the new one.
    if (changed.bound && std::strncmp(changed.name, m_table.get(static_cast<uint32_t>(index)).name, sizeof(changed.name)) != 0) {
        const Entry stored = m_table.get(static_cast<uint32_t>(index));
        if (int rc = reseal(stored, changed, indexEncrypted(), next.dataEnd); rc != RC_OK)
            return rc;
    }
    return reached(commit({{static_cast<uint32_t>(index), changed}}, next));
}

int ArchiveFile::setKey(const void* key, int length)
{
    if (!key || length < 1 || length > kMaxUserKey)
        return RC_ERR_INVALID;
    ArchiveKey candidate;
    if (m_rec.flags & RF_KEY_CHECK) {
        if (!candidate.derive(key, length, m_rec.salt, m_rec.kdf)
            || !candidate.verifyCheck(m_rec.checkNonce, m_rec.checkTag))
            return RC_ERR_KEY_REFUSED;
        prepareRekey(m_rec.kdf, key, length);
    } else {
        uint8_t salt[kSaltSize];
        if (!randomBytes(salt, kSaltSize) || !candidate.derive(key, length, salt, newKeyCost()))
            return RC_ERR_KEY;
        std::memcpy(m_pendingSalt, salt, kSaltSize);
    }
    forgetWaitingKey();
    m_key.take(candidate);
    return RC_OK;
}

int ArchiveFile::reseal(const Entry& stored, Entry& e, bool indexEncrypted, uint64_t& dataEnd, const ArchiveKey* with)
{
    const ArchiveKey& sealKey = with ? *with : m_key;
    if (!m_key.valid() || !sealKey.valid())
        return RC_ERR_KEY;
    // What the block's seal holds (its data, or its zlib stream) is sealed
    // again as it is: a stream is not inflated and deflated again.
    const size_t size = static_cast<size_t>(stored.storedSize - kSealOverhead);
    std::unique_ptr<uint8_t[]> plain(new (std::nothrow) uint8_t[size ? size : 1]);
    std::unique_ptr<uint8_t[]> sealed(new (std::nothrow) uint8_t[size + kSealOverhead]);
    if (!plain || !sealed)
        return RC_ERR_NO_MEMORY;
    if (int rc = openSealed(stored, plain.get()); rc != RC_OK)
        return rc;
    e.sealId = drawSealId();
    if (e.sealId == 0)
        return RC_ERR_KEY;
    e.bound = 1;
    uint8_t aad[kMaxAad];
    const size_t aadLength = blockAad(e, indexEncrypted, aad);
    const bool ok = sealKey.seal(aad, aadLength, plain.get(), size, sealed.get());
    OPENSSL_cleanse(plain.get(), size);
    if (!ok)
        return RC_ERR_KEY;
    e.offset = dataEnd; // W1: dataEnd starts at the committed one
    e.storedSize = size + kSealOverhead;
    e.hash = hashBytes(sealed.get(), static_cast<size_t>(e.storedSize));
    if (int rc = m_file.writeAt(e.offset, sealed.get(), static_cast<size_t>(e.storedSize)); rc != RC_OK)
        return rc;
    dataEnd += e.storedSize;
    return RC_OK;
}

int ArchiveFile::setIndexEncrypted(bool on)
{
    if (on == indexEncrypted())
        return RC_OK;
    if (!keyReady())
        return RC_ERR_KEY;
    if (int rc = rekey(); rc != RC_OK)
        return rc;
    // Encrypted blocks are bound to the kind of index listing them: each is
    // sealed again (new id, appended) for the index it will be under.
    CommitRecord next = m_rec;
    if (on) {
        if (int rc = ensureKeyCheck(next); rc != RC_OK)
            return rc;
        next.flags |= RF_INDEX_ENCRYPTED;
    } else {
        next.flags &= ~uint64_t(RF_INDEX_ENCRYPTED);
    }
    // Every entry is written again: sealed with keyed digests of raw and
    // zlib blocks, or plain with their XXH3.
    std::vector<SlotWrite> writes;
    writes.reserve(m_table.size());
    std::vector<uint8_t> piece(1u << 20);
    for (uint32_t slot = 0; slot < m_table.size(); ++slot) {
        Entry e = m_table.get(slot);
        if (!isSealed(e.storage) && (e.keyed != 0) != on)
            if (int rc = redigest(e, on, piece); rc != RC_OK)
                return rc;
        if (isSealed(e.storage))
            if (int rc = reseal(m_table.get(slot), e, on, next.dataEnd); rc != RC_OK)
                return rc;
        writes.push_back({slot, e});
    }
    if (int rc = commit(writes, next, true); rc != RC_OK)
        return rc;
    // The previous versions are in the old form: wipe them. A failure here
    // is repaired at the next open.
    wipeOlderVersions();
    return reached(RC_OK);
}

void ArchiveFile::wipeOlderVersions()
{
    for (uint32_t slot = 0; slot < m_table.size(); ++slot)
        m_file.writeZeros(m_segments.slotOffset(slot) + size_t(1 - m_table.activeVersion(slot)) * kVersionSize,
                          kVersionSize);
    m_file.sync();
}

void ArchiveFile::prepareRekey(const KdfParams& current, const void* key, int keyLength)
{
    // Only a derivation of an earlier engine is replaced; the new key is
    // made now, while the user key is at hand, and taken at the first write.
    m_nextKey.clear();
    if (current.algorithm == KdfParams::SCRYPT || m_readOnly || !randomBytes(m_nextSalt, kSaltSize))
        return;
    if (!m_nextKey.derive(key, keyLength, m_nextSalt, newKeyCost()))
        m_nextKey.clear();
}

int ArchiveFile::rekey()
{
    if (!m_nextKey.valid())
        return RC_OK;
    // Everything the old key sealed or keyed is made again under the new
    // one, in one change; then no version under the old key is left.
    CommitRecord next = m_rec;
    std::memcpy(next.salt, m_nextSalt, kSaltSize);
    next.kdf = newKeyCost();
    if (!m_nextKey.makeCheck(next.checkNonce, next.checkTag))
        return RC_ERR_KEY;
    std::vector<SlotWrite> writes;
    writes.reserve(m_table.size());
    std::vector<uint8_t> piece(1u << 20);
    for (uint32_t slot = 0; slot < m_table.size(); ++slot) {
        Entry e = m_table.get(slot);
        if (isSealed(e.storage)) {
            if (int rc = reseal(m_table.get(slot), e, indexEncrypted(), next.dataEnd, &m_nextKey); rc != RC_OK)
                return rc;
        } else if (e.keyed) {
            if (int rc = redigest(e, true, piece, &m_nextKey); rc != RC_OK)
                return rc;
        }
        writes.push_back({slot, e});
    }
    ArchiveKey old;
    old.take(m_key);
    m_key.take(m_nextKey);
    if (int rc = commit(writes, next, true); rc != RC_OK) {
        m_nextKey.take(m_key);
        m_key.take(old);
        return rc;
    }
    wipeOlderVersions();
    return RC_OK;
}

void ArchiveFile::setDurable(bool on)
{
    if (on && !m_durable && !m_readOnly)
        m_file.sync();
    m_durable = on;
}

int ArchiveFile::headerOnDisk() const
{
    uint8_t header[kHeaderSize];
    if (m_file.readAt(0, header, kHeaderSize) != RC_OK || checkHeader(header) != RC_OK)
        return RC_ERR_CORRUPT;
    // Only this archive writes the header while it is open.
    return std::memcmp(header, m_header, kHeaderSize) == 0 ? RC_OK : RC_ERR_CHANGED;
}

int ArchiveFile::checkIndexOnDisk()
{
    // The file as it is now must still say what this archive holds: damage
    // since the open shows here, before it could roll anything back.
    if (const int rc = headerOnDisk(); rc != RC_OK)
        return damaged(m_path, rc == RC_ERR_CHANGED ? "its commit record changed" : "its header cannot be read");
    if (m_rec.flags & RF_SEGMENTED) {
        const std::vector<uint8_t> list = m_segments.encode();
        std::vector<uint8_t> onDisk(list.size());
        if (m_file.readAt(m_rec.indexOffset, onDisk.data(), onDisk.size()) != RC_OK || onDisk != list)
            return damaged(m_path, "its index segment list changed");
    }
    std::vector<uint8_t> chunk;
    for (uint32_t first = 0, n = 0; first < m_table.size(); first += n) {
        n = m_segments.run(first, std::min<uint32_t>(kTableChunkSlots, m_table.size() - first));
        chunk.resize(size_t(n) * kSlotSize);
        if (m_file.readAt(m_segments.slotOffset(first), chunk.data(), chunk.size()) != RC_OK)
            return damaged(m_path, "its index table cannot be read");
        for (uint32_t i = 0; i < n; ++i) {
            SlotChoice choice;
            const Entry held = m_table.get(first + i);
            if (chooseVersion(chunk.data() + size_t(i) * kSlotSize, first + i, m_rec, choice) != RC_OK
                || !entryIsSane(choice.entry, m_rec.dataEnd) || choice.best != m_table.activeVersion(first + i)
                || std::memcmp(choice.entry.name, held.name, sizeof(held.name)) != 0
                || choice.entry.offset != held.offset || choice.entry.storedSize != held.storedSize
                || choice.entry.hash != held.hash || choice.entry.deleted != held.deleted)
                return damaged(m_path, "an index entry is damaged");
        }
    }
    return RC_OK;
}

int ArchiveFile::validate(bool deep)
{
    if (int rc = checkIndexOnDisk(); rc != RC_OK)
        return rc;
    struct Range {
        uint64_t begin, end;
    };
    std::vector<Range> ranges;
    ranges.push_back({0, kHeaderSize});
    for (size_t i = 0; i < m_segments.count(); ++i)
        ranges.push_back({m_segments.offset(i), m_segments.offset(i) + uint64_t(m_segments.slots(i)) * kSlotSize});
    if (m_rec.flags & RF_SEGMENTED)
        ranges.push_back({m_rec.indexOffset, m_rec.indexOffset + IndexSegments::listSize(uint32_t(m_segments.count()))});
    // Stored bytes of every entry, deleted ones included, lie apart from
    // each other and from the header and the index: checked here, not at
    // open, which reads each slot once and sorts nothing.
    ranges.reserve(ranges.size() + m_table.size());
    for (uint32_t slot = 0; slot < m_table.size(); ++slot) {
        const Entry e = m_table.get(slot);
        if (e.storedSize)
            ranges.push_back({e.offset, e.offset + e.storedSize});
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].begin < ranges[i - 1].end)
            return damaged(m_path, "stored bytes overlap other stored bytes or the index");
    if (!deep)
        return RC_OK;
    // Every stored byte must be what was written, and every zlib stream
    // must decode to its data size.
    std::vector<uint8_t> piece(1u << 20);
    for (uint32_t slot = 0; slot < m_table.size(); ++slot) {
        if (m_table.deleted(slot))
            continue;
        const Entry e = m_table.get(slot);
        if (int rc = checkStored(e, piece); rc != RC_OK)
            return rc == RC_ERR_CORRUPT ? damaged(m_path, "a block does not match its digest or its sizes") : rc;
        // With the key, an encrypted block must also open where it is
        // listed: its tag binds its name and the kind of index.
        if (isSealed(e.storage) && m_key.valid()) {
            std::unique_ptr<uint8_t[]> plain(new (std::nothrow) uint8_t[e.size ? e.size : 1]);
            if (!plain)
                return RC_ERR_NO_MEMORY;
            const int rc = readDecoded(e, plain.get());
            OPENSSL_cleanse(plain.get(), static_cast<size_t>(e.size));
            if (rc != RC_OK)
                return rc == RC_ERR_CORRUPT ? damaged(m_path, "an encrypted block fails its tag") : rc;
        }
    }
    return RC_OK;
}

// ---------------------------------------------------------------- defrag

int ArchiveFile::defrag(const char* path, int newLimit, const void* key, int keyLength)
{
    if (newLimit < 0 || static_cast<uint32_t>(newLimit) > kMaxLimit)
        return RC_ERR_INVALID;
    // Through a symbolic link the file it points to is rewritten and the
    // link kept: replacing the link would leave the archive behind it.
    std::error_code error;
    const std::filesystem::path target = std::filesystem::is_symlink(path, error)
                                             ? std::filesystem::canonical(path, error)
                                             : std::filesystem::path(path);
    if (error)
        return RC_ERR_NOT_FOUND;
    path = target.c_str();
    std::unique_ptr<ArchiveFile> source;
    if (int rc = open(path, key, keyLength, source); rc != RC_OK)
        return rc;
    if (source->m_readOnly)
        return RC_ERR_READ_ONLY;
    // The copy gets the current key derivation, as any keyed write does.
    if (int rc = source->rekey(); rc != RC_OK)
        return rc;
    const CommitRecord& old = source->m_rec;
    uint32_t limit = newLimit ? static_cast<uint32_t>(newLimit) : old.limit;
    if (static_cast<uint32_t>(source->m_table.liveCount()) > limit)
        return RC_ERR_NO_SLOT;

    // Generations go on from the source's: no (slot, generation) pair made
    // before the defrag ever stands for another version after it.
    CommitRecord rec;
    rec.generation = old.generation + 1;
    rec.limit = limit;
    rec.count = static_cast<uint32_t>(source->m_table.liveCount());
    rec.capacity = std::max(rec.count, std::clamp(limit, kMinCapacity, kInitialCapacityCap));
    rec.indexOffset = kHeaderSize;
    rec.created = old.created;
    rec.modified = now();
    rec.flags = old.flags & RF_INDEX_ENCRYPTED;
    rec.nextSealId = kRandomSealIds;

    return replaceFile(path, "defrag", [&](FileHandle& out) { return writeDefragged(*source, rec, out); });
}

int ArchiveFile::writeDefragged(const ArchiveFile& source, CommitRecord& rec, FileHandle& out)
{
    const CommitRecord& old = source.m_rec;
    for (uint32_t slot = 0; slot < source.m_table.size(); ++slot)
        if (!source.m_table.deleted(slot) && isSealed(source.m_table.get(slot).storage))
            rec.flags |= RF_BLOCKS_ENCRYPTED;
    if (rec.flags & (RF_INDEX_ENCRYPTED | RF_BLOCKS_ENCRYPTED)) {
        rec.flags |= RF_KEY_CHECK;
        std::memcpy(rec.salt, old.salt, kSaltSize);
        std::memcpy(rec.checkNonce, old.checkNonce, kNonceSize);
        std::memcpy(rec.checkTag, old.checkTag, kTagSize);
        rec.kdf = old.kdf;
    }
    const ArchiveKey* sealKey = (rec.flags & RF_INDEX_ENCRYPTED) ? &source.m_key : nullptr;

    // Live blocks keep their stored bytes (and so their encryption), packed
    // in index order after the table. The table is written a chunk at a
    // time as the blocks are copied, so memory stays flat however many
    // entries there are.
    uint64_t cursor = kHeaderSize + uint64_t(rec.capacity) * kSlotSize;
    std::vector<uint8_t> chunk;
    uint32_t chunkFirst = 0;
    auto flushChunk = [&]() {
        const int rc = out.writeAt(kHeaderSize + uint64_t(chunkFirst) * kSlotSize, chunk.data(), chunk.size());
        chunkFirst += static_cast<uint32_t>(chunk.size() / kSlotSize);
        chunk.clear();
        return rc;
    };
    uint32_t next = 0;
    for (uint32_t slot = 0; slot < source.m_table.size(); ++slot) {
        if (source.m_table.deleted(slot))
            continue;
        Entry moved = source.m_table.get(slot);
        if (int rc = out.copyFrom(source.m_file, moved.offset, cursor, moved.storedSize); rc != RC_OK)
            return rc;
        moved.offset = cursor;
        cursor += moved.storedSize;
        chunk.resize(chunk.size() + kSlotSize, 0);
        uint8_t* version = chunk.data() + chunk.size() - kSlotSize;
        encodeVersion(version, rec.generation, next, moved, sealKey);
        if (peekGeneration(version) == 0)
            return RC_ERR_KEY;
        ++next;
        if (chunk.size() >= kTableChunkSlots * kSlotSize)
            if (int rc = flushChunk(); rc != RC_OK)
                return rc;
    }
    if (int rc = flushChunk(); rc != RC_OK)
        return rc;
    rec.dataEnd = cursor;
    {
        // Every slot is at the defrag's generation.
        std::vector<uint32_t> slots(kTableChunkSlots);
        std::vector<uint64_t> generations(kTableChunkSlots, rec.generation);
        for (uint32_t first = 0; first < next; first += kTableChunkSlots) {
            const uint32_t n = std::min<uint32_t>(kTableChunkSlots, next - first);
            for (uint32_t i = 0; i < n; ++i)
                slots[i] = first + i;
            if (!xorPairs(sealKey, slots.data(), generations.data(), n, rec.indexTag))
                return RC_ERR_KEY;
        }
    }
    // Unused slots must read as empty.
    if (int rc = out.writeZeros(kHeaderSize + uint64_t(next) * kSlotSize, uint64_t(rec.capacity - next) * kSlotSize);
        rc != RC_OK)
        return rc;
    CommitRecord inForce = rec;
    inForce.generation = rec.generation + 1;
    uint8_t header[kHeaderSize];
    encodeHeader(header, rec, inForce, rec.flags, sealKey);
    return out.writeAt(0, header, kHeaderSize);
}

} // namespace Zelkoran::archive
