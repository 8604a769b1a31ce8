#include "ArchiveFile.h"

#include "core/FileReplace.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <openssl/crypto.h>
#include <unistd.h>
#include <xxh_x86dispatch.h>
#include <zlib.h>

namespace Zelkoran::archive {

namespace {
constexpr int kMemModule = 1;
constexpr uint32_t kMinCapacity = 16;
constexpr uint32_t kInitialCapacityCap = 1024;
constexpr uint32_t kMaxCapacity = 64u * 1024 * 1024;
constexpr uint32_t kMaxLimit = 16u * 1024 * 1024;
constexpr size_t kTableChunkSlots = 4096;
// Saving is interactive: the fastest level packs assets nearly as well as
// the default at several times the speed.
constexpr int kZlibLevel = Z_BEST_SPEED;

uint64_t now() { return static_cast<uint64_t>(std::time(nullptr)); }

// Offsets and sizes an entry claims, checked against the file it lives in.
bool entryIsSane(const Entry& e, uint64_t dataEnd)
{
    if (e.storage < 1 || e.storage > 3 || e.deleted > 1 || !e.name[0] || !e.type[0])
        return false;
    if (e.offset < kHeaderSize || e.offset > dataEnd || e.storedSize > dataEnd - e.offset)
        return false;
    if (e.size > kMaxBlockSize)
        return false;
    switch (e.storage) {
    case 1: return e.size == e.storedSize;
    case 2: return e.size <= e.storedSize * kMaxZlibRatio + 64;
    default: return e.storedSize == e.size + kSealOverhead;
    }
}

// Copies length bytes between two files, in the kernel when it can.
int copyRange(const FileHandle& from, uint64_t fromOffset, FileHandle& to, uint64_t toOffset, uint64_t length)
{
    while (length > 0) {
        loff_t in = static_cast<loff_t>(fromOffset), outOffset = static_cast<loff_t>(toOffset);
        ssize_t n = ::copy_file_range(from.fd(), &in, to.fd(), &outOffset, static_cast<size_t>(std::min<uint64_t>(length, 1u << 30)), 0);
        if (n <= 0)
            break; // not supported here, or a short source: fall back to plain reads
        fromOffset += static_cast<uint64_t>(n);
        toOffset += static_cast<uint64_t>(n);
        length -= static_cast<uint64_t>(n);
    }
    std::vector<uint8_t> buffer;
    while (length > 0) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(length, 8u << 20));
        if (buffer.size() < piece)
            buffer.resize(piece);
        if (int rc = from.readAt(fromOffset, buffer.data(), piece); rc != RC_OK)
            return rc;
        if (int rc = to.writeAt(toOffset, buffer.data(), piece); rc != RC_OK)
            return rc;
        fromOffset += piece;
        toOffset += piece;
        length -= piece;
    }
    return RC_OK;
}
} // namespace

ArchiveFile::~ArchiveFile()
{
    for (void* p : m_loaded)
        CMem::free(p);
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

    // Build the file aside and move it into place, so an existing file is
    // only replaced by a complete archive.
    const int rc = replaceFile(path, "new", [&](FileHandle& file) {
        uint8_t header[kHeaderSize];
        encodeHeader(header, &rec, nullptr, rec.flags);
        const int written = file.writeAt(0, header, kHeaderSize);
        return written == RC_OK ? file.truncate(rec.dataEnd) : written;
    });
    if (rc != RC_OK)
        return rc;
    return open(path, nullptr, 0, out);
}

// ---------------------------------------------------------------- open

int ArchiveFile::open(const char* path, const void* key, int keyLength, std::unique_ptr<ArchiveFile>& out)
{
    if (!path || !path[0])
        return RC_ERR_INVALID;
    if (key && (keyLength < 1 || keyLength > kMaxUserKey))
        return RC_ERR_KEY;
    std::unique_ptr<ArchiveFile> file(new ArchiveFile());
    file->m_path = path;
    if (int rc = file->m_file.openExisting(path, file->m_readOnly); rc != RC_OK)
        return rc;
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

    CommitRecord records[2];
    bool valid[2] = {decodeRecord(header, 0, records[0]), decodeRecord(header, 1, records[1])};
    int order[2] = {0, 1};
    if (valid[1] && (!valid[0] || records[1].generation > records[0].generation))
        std::swap(order[0], order[1]);
    int rc = RC_ERR_CORRUPT;
    for (int i : order) {
        if (!valid[i])
            continue;
        file->m_activeRecord = i;
        file->m_otherValid = valid[1 - i];
        file->m_otherRec = records[1 - i];
        rc = file->loadState(records[i], key, keyLength, static_cast<uint64_t>(size));
        // Only damage may fall back to the older state; a key problem is the
        // caller's to solve.
        if (rc != RC_ERR_CORRUPT)
            break;
    }
    if (rc != RC_OK)
        return rc;
    // The flags word is what the editor reads before opening: keep it true.
    uint8_t expected[kHeaderSize];
    encodeHeader(expected, file->m_activeRecord == 0 ? &file->m_rec : (file->m_otherValid ? &file->m_otherRec : nullptr),
                 file->m_activeRecord == 1 ? &file->m_rec : (file->m_otherValid ? &file->m_otherRec : nullptr),
                 file->m_rec.flags);
    if (!file->m_readOnly && std::memcmp(expected, header, 28) != 0) {
        if (file->m_file.writeAt(0, expected, kHeaderSize) != RC_OK || file->m_file.sync() != RC_OK)
            return RC_ERR_IO;
    }
    out = std::move(file);
    return RC_OK;
}

int ArchiveFile::loadState(const CommitRecord& rec, const void* key, int keyLength, uint64_t fileSize)
{
    m_table.clear();
    m_key.clear();

    const uint64_t tableBytes = uint64_t(rec.capacity) * kSlotSize;
    if (rec.indexOffset < kHeaderSize || rec.capacity > kMaxCapacity || rec.count > rec.capacity
        || rec.limit > kMaxLimit || rec.dataEnd > fileSize || rec.indexOffset > rec.dataEnd
        || tableBytes > rec.dataEnd - rec.indexOffset)
        return RC_ERR_CORRUPT;

    const bool hasCheck = rec.flags & RF_KEY_CHECK;
    if (hasCheck && (rec.kdfIterations < 1 || rec.kdfIterations > kMaxKdfIterations))
        return RC_ERR_CORRUPT;
    if (key) {
        ArchiveKey candidate;
        const uint8_t* salt = rec.salt;
        if (!hasCheck) {
            randomBytes(m_pendingSalt, kSaltSize);
            salt = m_pendingSalt;
        }
        uint32_t iterations = hasCheck ? rec.kdfIterations : kKdfIterations;
        if (!candidate.derive(key, keyLength, salt, iterations))
            return RC_ERR_KEY;
        if (hasCheck && !candidate.verifyCheck(rec.checkNonce, rec.checkTag))
            return RC_ERR_KEY;
        m_key.take(candidate);
    } else if (rec.flags & RF_INDEX_ENCRYPTED) {
        return RC_ERR_KEY;
    }
    if ((rec.flags & RF_INDEX_ENCRYPTED) && !hasCheck)
        return RC_ERR_CORRUPT;

    m_table.reserve(rec.count);
    bool anyEncrypted = false;
    std::vector<std::pair<uint64_t, size_t>> stale;
    std::vector<uint8_t> chunk;
    for (uint32_t first = 0; first < rec.count; first += kTableChunkSlots) {
        uint32_t n = std::min<uint32_t>(kTableChunkSlots, rec.count - first);
        chunk.resize(size_t(n) * kSlotSize);
        uint64_t chunkOffset = rec.indexOffset + uint64_t(first) * kSlotSize;
        if (int rc = m_file.readAt(chunkOffset, chunk.data(), chunk.size()); rc != RC_OK)
            return rc;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t slot = first + i;
            int best = -1;
            uint64_t bestGeneration = 0;
            Entry chosen;
            for (int v = 0; v < 2; ++v) {
                const uint8_t* version = chunk.data() + size_t(i) * kSlotSize + size_t(v) * kVersionSize;
                uint64_t versionOffset = chunkOffset + size_t(i) * kSlotSize + size_t(v) * kVersionSize;
                if (peekGeneration(version) > rec.generation) {
                    stale.emplace_back(versionOffset, kVersionSize);
                    continue;
                }
                uint64_t generation = 0;
                bool sealed = false;
                Entry e;
                VersionState state = decodeVersion(version, slot, m_key.valid() ? &m_key : nullptr, generation, e, sealed);
                if (state == VersionState::NeedsKey)
                    return RC_ERR_CORRUPT; // sealed entries in a plain index
                if (state != VersionState::Valid)
                    continue;
                if (best < 0 || generation > bestGeneration) {
                    best = v;
                    bestGeneration = generation;
                    chosen = e;
                }
            }
            if (best < 0 || !entryIsSane(chosen, rec.dataEnd))
                return RC_ERR_CORRUPT;
            anyEncrypted |= chosen.storage == 3;
            if (int rc = m_table.append(chosen); rc != RC_OK)
                return rc;
            m_table.setActiveVersion(slot, static_cast<uint8_t>(best));
            // An encrypted index leaves no readable copy behind.
            const uint8_t* other = chunk.data() + size_t(i) * kSlotSize + size_t(1 - best) * kVersionSize;
            if ((rec.flags & RF_INDEX_ENCRYPTED) && peekGeneration(other) != 0 && !isSealedVersion(other))
                stale.emplace_back(chunkOffset + size_t(i) * kSlotSize + size_t(1 - best) * kVersionSize, kVersionSize);
        }
    }

    // Two live blocks with one name and type are damage too.
    if (int rc = m_table.linkAll(); rc != RC_OK)
        return rc == RC_ERR_EXISTS ? RC_ERR_CORRUPT : rc;
    m_rec = rec;
    if (anyEncrypted && !hasCheck)
        return RC_ERR_CORRUPT;
    if (!stale.empty() && !m_readOnly)
        return repair(stale);
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

bool ArchiveFile::entry(int index, Entry& out) const
{
    if (index < 0 || static_cast<uint32_t>(index) >= m_table.size())
        return false;
    out = m_table.get(static_cast<uint32_t>(index));
    return true;
}

int ArchiveFile::find(const char* name, const char* type) const { return m_table.find(name, type); }

float ArchiveFile::fragmentation() const
{
    if (m_rec.dataEnd == 0)
        return 0.0f;
    uint64_t used = kHeaderSize + uint64_t(m_rec.capacity) * kSlotSize + m_table.liveStored();
    uint64_t dead = m_rec.dataEnd > used ? m_rec.dataEnd - used : 0;
    return static_cast<float>(100.0 * static_cast<double>(dead) / static_cast<double>(m_rec.dataEnd));
}

// ---------------------------------------------------------------- reading

int ArchiveFile::readVerified(const Entry& e, void* buffer) const
{
    // Hash each piece right after reading it, while it is still in cache.
    constexpr size_t kPiece = 512 * 1024;
    XXH3_state_t* state = XXH3_createState();
    if (!state || XXH3_64bits_reset(state) != XXH_OK) {
        XXH3_freeState(state);
        return RC_ERR_NO_MEMORY;
    }
    auto* p = static_cast<uint8_t*>(buffer);
    int rc = RC_OK;
    for (uint64_t done = 0; done < e.storedSize && rc == RC_OK; done += kPiece) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(kPiece, e.storedSize - done));
        if (m_file.readAt(e.offset + done, p + done, piece) != RC_OK)
            rc = RC_ERR_CORRUPT;
        else
            XXH3_64bits_update(state, p + done, piece);
    }
    if (rc == RC_OK && checksumFails(e.hash, XXH3_64bits_digest(state)))
        rc = RC_ERR_CORRUPT;
    XXH3_freeState(state);
    return rc;
}

int ArchiveFile::checkStored(const Entry& e, std::vector<uint8_t>& piece) const
{
    XXH3_state_t* state = XXH3_createState();
    if (!state || XXH3_64bits_reset(state) != XXH_OK) {
        XXH3_freeState(state);
        return RC_ERR_NO_MEMORY;
    }
    int rc = RC_OK;
    for (uint64_t done = 0; done < e.storedSize && rc == RC_OK; done += piece.size()) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), e.storedSize - done));
        if (m_file.readAt(e.offset + done, piece.data(), n) != RC_OK)
            rc = RC_ERR_CORRUPT;
        else
            XXH3_64bits_update(state, piece.data(), n);
    }
    if (rc == RC_OK && checksumFails(e.hash, XXH3_64bits_digest(state)))
        rc = RC_ERR_CORRUPT;
    XXH3_freeState(state);
    return rc;
}

int ArchiveFile::readDecoded(const Entry& e, void* out) const
{
    // Raw bytes are checked against their hash; zlib (adler-32) and AES-GCM
    // (its tag) check what they decode themselves.
    if (e.storage == 1)
        return readVerified(e, out);
    if (e.storage == 2) {
        std::unique_ptr<uint8_t[]> stored(new (std::nothrow) uint8_t[e.storedSize ? e.storedSize : 1]);
        if (!stored)
            return RC_ERR_NO_MEMORY;
        if (e.storedSize && m_file.readAt(e.offset, stored.get(), static_cast<size_t>(e.storedSize)) != RC_OK)
            return RC_ERR_CORRUPT;
        uLongf length = static_cast<uLongf>(e.size);
        return uncompress(static_cast<Bytef*>(out), &length, stored.get(), static_cast<uLong>(e.storedSize)) == Z_OK
                       && length == e.size
                   ? RC_OK
                   : RC_ERR_CORRUPT;
    }
    if (!m_key.valid())
        return RC_ERR_KEY;
    // The ciphertext goes straight into out and is decrypted in place.
    uint8_t nonce[kNonceSize];
    uint8_t tag[kTagSize];
    if (m_file.readAt(e.offset, nonce, kNonceSize) != RC_OK
        || (e.size && m_file.readAt(e.offset + kNonceSize, out, static_cast<size_t>(e.size)) != RC_OK)
        || m_file.readAt(e.offset + kNonceSize + e.size, tag, kTagSize) != RC_OK)
        return RC_ERR_CORRUPT;
    return m_key.openParts(e.type, 16, nonce, out, static_cast<size_t>(e.size), tag, out) ? RC_OK : RC_ERR_CORRUPT;
}

int ArchiveFile::load(int index, void*& data, uint64_t& size)
{
    Entry found;
    if (!entry(index, found) || found.deleted)
        return RC_ERR_NOT_FOUND;
    const Entry* e = &found;
    if (e->storage == 3 && !m_key.valid())
        return RC_ERR_KEY;
    void* out = CMem::alloc(e->size ? static_cast<size_t>(e->size) : 1, kMemModule);
    if (!out)
        return RC_ERR_NO_MEMORY;
    if (int rc = readDecoded(*e, out); rc != RC_OK) {
        CMem::free(out);
        return rc;
    }
    data = out;
    size = e->size;
    m_loaded.insert(data);
    return RC_OK;
}

int ArchiveFile::peek(int index, uint64_t offset, void* out, size_t length)
{
    Entry found;
    if (!entry(index, found) || found.deleted)
        return RC_ERR_NOT_FOUND;
    const Entry* e = &found;
    if (!out || length > static_cast<size_t>(INT_MAX))
        return RC_ERR_INVALID;
    if (offset >= e->size)
        return 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(length, e->size - offset));
    if (want == 0)
        return 0;
    if (e->storage == 1)
        return m_file.readAt(e->offset + offset, out, want) == RC_OK ? static_cast<int>(want) : RC_ERR_CORRUPT;
    if (e->storage == 3) {
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

void ArchiveFile::release(void* data)
{
    if (m_loaded.erase(data))
        CMem::free(data);
}

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
    next.kdfIterations = kKdfIterations;
    if (!m_key.makeCheck(next.checkNonce, next.checkTag))
        return RC_ERR_KEY;
    next.flags |= RF_KEY_CHECK;
    return RC_OK;
}

void ArchiveFile::rollback(const std::vector<std::pair<uint64_t, size_t>>& written)
{
    bool ok = true;
    for (const auto& [offset, length] : written)
        ok = ok && m_file.writeZeros(offset, length) == RC_OK;
    ok = ok && m_file.sync() == RC_OK;
    if (!ok)
        m_poisoned = true;
}

int ArchiveFile::commit(const std::vector<SlotWrite>& writes, CommitRecord next)
{
    if (m_readOnly)
        return RC_ERR_READ_ONLY;
    if (m_poisoned)
        return RC_ERR_POISONED;
    next.generation = m_rec.generation + 1;
    next.modified = now();
    const ArchiveKey* sealKey = sealKeyFor(next);

    for (const SlotWrite& w : writes)
        if (!m_table.hasRoomFor(w.entry))
            return RC_ERR_TOO_LARGE;
    std::vector<std::pair<uint64_t, size_t>> written;
    uint8_t slotBytes[kSlotSize];
    for (const SlotWrite& w : writes) {
        uint64_t slotOffset = next.indexOffset + uint64_t(w.slot) * kSlotSize;
        bool fresh = w.slot >= m_table.size();
        if (fresh) {
            // Both versions: the unused one may hold leftovers of a failed write.
            std::memset(slotBytes, 0, sizeof(slotBytes));
            encodeVersion(slotBytes, next.generation, w.slot, w.entry, sealKey);
        } else {
            slotOffset += size_t(1 - m_table.activeVersion(w.slot)) * kVersionSize;
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
    if (int rc = m_durable ? m_file.sync() : RC_OK; rc != RC_OK) {
        rollback(written);
        return rc;
    }

    int target = 1 - m_activeRecord;
    uint8_t header[kHeaderSize];
    encodeHeader(header, target == 0 ? &next : &m_rec, target == 1 ? &next : &m_rec, next.flags);
    // Durable: the change counts once its header is on the device, so a 0
    // returned survives a power cut, and the next change may reuse the
    // version places this header no longer points to.
    int rc = m_file.writeAt(0, header, kHeaderSize);
    if (rc == RC_OK && m_durable)
        rc = m_file.sync();
    if (rc != RC_OK) {
        uint8_t previous[kHeaderSize];
        const CommitRecord* other = m_otherValid ? &m_otherRec : nullptr;
        encodeHeader(previous, target == 0 ? other : &m_rec, target == 1 ? other : &m_rec, m_rec.flags);
        if (m_file.writeAt(0, previous, kHeaderSize) != RC_OK)
            m_poisoned = true;
        rollback(written);
        return rc;
    }

    for (const SlotWrite& w : writes)
        apply(w);
    m_otherRec = m_rec;
    m_otherValid = true;
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
    uint32_t capacity = std::max({needed, m_rec.capacity * 2, kMinCapacity});
    capacity = std::min(capacity, kMaxCapacity);
    CommitRecord next = m_rec;
    next.indexOffset = m_rec.dataEnd;
    next.capacity = capacity;
    next.dataEnd = next.indexOffset + uint64_t(capacity) * kSlotSize;

    // The new table holds each slot's live version as it is (sealed
    // versions stay sealed); the second version starts empty.
    std::vector<uint8_t> chunk;
    std::vector<uint8_t> moved;
    for (uint32_t first = 0; first < m_rec.count; first += kTableChunkSlots) {
        uint32_t n = std::min<uint32_t>(kTableChunkSlots, m_rec.count - first);
        chunk.resize(size_t(n) * kSlotSize);
        moved.assign(size_t(n) * kSlotSize, 0);
        if (int rc = m_file.readAt(m_rec.indexOffset + uint64_t(first) * kSlotSize, chunk.data(), chunk.size()); rc != RC_OK)
            return rc;
        for (uint32_t i = 0; i < n; ++i)
            std::memcpy(moved.data() + size_t(i) * kSlotSize,
                        chunk.data() + size_t(i) * kSlotSize + size_t(m_table.activeVersion(first + i)) * kVersionSize,
                        kVersionSize);
        if (int rc = m_file.writeAt(next.indexOffset + uint64_t(first) * kSlotSize, moved.data(), moved.size()); rc != RC_OK)
            return rc;
    }
    uint64_t usedBytes = uint64_t(m_rec.count) * kSlotSize;
    if (int rc = m_file.writeZeros(next.indexOffset + usedBytes, uint64_t(capacity) * kSlotSize - usedBytes); rc != RC_OK)
        return rc;
    if (int rc = commit({}, next); rc != RC_OK)
        return rc;
    for (uint32_t slot = 0; slot < m_table.size(); ++slot)
        m_table.setActiveVersion(slot, 0);
    return RC_OK;
}

int ArchiveFile::checkAdd(const char* name, const char* type, uint32_t storage, uint64_t size, int& existing) const
{
    if (!name || !name[0] || !type || !type[0] || storage < 1 || storage > 3 || size > kMaxBlockSize)
        return RC_ERR_INVALID;
    if (m_readOnly)
        return RC_ERR_READ_ONLY;
    existing = find(name, type);
    if (existing < 0 && m_table.liveCount() >= static_cast<int>(m_rec.limit))
        return RC_ERR_NO_SLOT;
    if (storage == 3 && !m_key.valid())
        return RC_ERR_KEY;
    return RC_OK;
}

int ArchiveFile::add(const char* name, const char* type, uint32_t storage, const void* data, uint64_t size)
{
    int existing = -1;
    if (size && !data)
        return RC_ERR_INVALID;
    if (int rc = checkAdd(name, type, storage, size, existing); rc != RC_OK)
        return rc;
    Entry e;
    copyField(e.name, name, 63);
    copyField(e.type, type, 16);
    e.storage = static_cast<uint8_t>(storage);
    e.size = size;

    // The encoded bytes are written over at once: no need to zero them first.
    std::unique_ptr<uint8_t[]> encoded;
    const uint8_t* stored = static_cast<const uint8_t*>(data);
    e.storedSize = size;
    if (storage == 2) {
        uLongf length = compressBound(static_cast<uLong>(size));
        encoded.reset(new (std::nothrow) uint8_t[length]);
        if (!encoded || compress2(encoded.get(), &length, stored, static_cast<uLong>(size), kZlibLevel) != Z_OK)
            return RC_ERR_NO_MEMORY;
        e.storedSize = length;
        stored = encoded.get();
    } else if (storage == 3) {
        e.storedSize = size + kSealOverhead;
        encoded.reset(new (std::nothrow) uint8_t[e.storedSize]);
        if (!encoded)
            return RC_ERR_NO_MEMORY;
        if (!m_key.seal(e.type, 16, data, static_cast<size_t>(size), encoded.get()))
            return RC_ERR_KEY;
        stored = encoded.get();
    }
    return append(e, stored, existing);
}

int ArchiveFile::addCompressed(const char* name, const char* type, const void* stream, uint64_t streamSize,
                               uint64_t size)
{
    int existing = -1;
    // The smallest zlib stream is 8 bytes; a claimed size beyond what zlib
    // can expand to would only fail at load.
    if (!stream || streamSize < 8 || size > streamSize * kMaxZlibRatio + 64)
        return RC_ERR_INVALID;
    if (int rc = checkAdd(name, type, 2, size, existing); rc != RC_OK)
        return rc;
    Entry e;
    copyField(e.name, name, 63);
    copyField(e.type, type, 16);
    e.storage = 2;
    e.size = size;
    e.storedSize = streamSize;
    return append(e, static_cast<const uint8_t*>(stream), existing);
}

int ArchiveFile::append(Entry e, const uint8_t* stored, int existing)
{
    e.hash = hashBytes(stored, static_cast<size_t>(e.storedSize));
    uint32_t slot = m_rec.count;
    if (slot >= m_rec.capacity)
        if (int rc = growIndex(slot + 1); rc != RC_OK)
            return rc;

    CommitRecord next = m_rec;
    if (e.storage == 3) {
        if (int rc = ensureKeyCheck(next); rc != RC_OK)
            return rc;
        next.flags |= RF_BLOCKS_ENCRYPTED;
    }
    e.offset = m_rec.dataEnd;
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
    changed.deleted = 1;
    return commit({{static_cast<uint32_t>(index), changed}}, m_rec);
}

int ArchiveFile::undelete(int index, const char* newName)
{
    Entry changed;
    if (!entry(index, changed) || !changed.deleted)
        return RC_ERR_NOT_FOUND;
    changed.deleted = 0;
    if (newName && newName[0]) {
        copyField(changed.name, newName, 63);
    }
    if (find(changed.name, changed.type) >= 0)
        return RC_ERR_EXISTS;
    if (m_table.liveCount() >= static_cast<int>(m_rec.limit))
        return RC_ERR_NO_SLOT;
    return commit({{static_cast<uint32_t>(index), changed}}, m_rec);
}

int ArchiveFile::setKey(const void* key, int length)
{
    if (!key || length < 1 || length > kMaxUserKey)
        return RC_ERR_INVALID;
    ArchiveKey candidate;
    if (m_rec.flags & RF_KEY_CHECK) {
        if (!candidate.derive(key, length, m_rec.salt, m_rec.kdfIterations)
            || !candidate.verifyCheck(m_rec.checkNonce, m_rec.checkTag))
            return RC_ERR_KEY_REFUSED;
    } else {
        uint8_t salt[kSaltSize];
        if (!randomBytes(salt, kSaltSize) || !candidate.derive(key, length, salt, kKdfIterations))
            return RC_ERR_KEY;
        std::memcpy(m_pendingSalt, salt, kSaltSize);
    }
    m_key.take(candidate);
    return RC_OK;
}

int ArchiveFile::setIndexEncrypted(bool on)
{
    if (on == indexEncrypted())
        return RC_OK;
    if (!m_key.valid())
        return RC_ERR_KEY;
    CommitRecord next = m_rec;
    if (on) {
        if (int rc = ensureKeyCheck(next); rc != RC_OK)
            return rc;
        next.flags |= RF_INDEX_ENCRYPTED;
    } else {
        next.flags &= ~uint64_t(RF_INDEX_ENCRYPTED);
    }
    std::vector<SlotWrite> writes;
    writes.reserve(m_table.size());
    for (uint32_t slot = 0; slot < m_table.size(); ++slot)
        writes.push_back({slot, m_table.get(slot)});
    if (int rc = commit(writes, next); rc != RC_OK)
        return rc;
    // The previous versions are in the old form: wipe them. A failure here
    // is repaired at the next open.
    for (uint32_t slot = 0; slot < m_table.size(); ++slot)
        m_file.writeZeros(m_rec.indexOffset + uint64_t(slot) * kSlotSize + size_t(1 - m_table.activeVersion(slot)) * kVersionSize,
                          kVersionSize);
    m_file.sync();
    return RC_OK;
}

void ArchiveFile::setDurable(bool on)
{
    if (on && !m_durable && !m_readOnly)
        m_file.sync();
    m_durable = on;
}

int ArchiveFile::validate(bool deep)
{
    struct Range {
        uint64_t begin, end;
    };
    std::vector<Range> ranges;
    ranges.push_back({0, kHeaderSize});
    ranges.push_back({m_rec.indexOffset, m_rec.indexOffset + uint64_t(m_rec.capacity) * kSlotSize});
    ranges.reserve(m_table.size() + 2);
    for (uint32_t slot = 0; slot < m_table.size(); ++slot) {
        const Entry e = m_table.get(slot);
        if (!entryIsSane(e, m_rec.dataEnd))
            return RC_ERR_CORRUPT;
        if (e.storedSize)
            ranges.push_back({e.offset, e.offset + e.storedSize});
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].begin < ranges[i - 1].end)
            return RC_ERR_CORRUPT;
    if (!deep)
        return RC_OK;
    // Every stored byte must be what was written. Decoding is not repeated:
    // the codec checked each stream when it was made or accepted.
    std::vector<uint8_t> piece(1u << 20);
    for (uint32_t slot = 0; slot < m_table.size(); ++slot)
        if (!m_table.deleted(slot))
            if (int rc = checkStored(m_table.get(slot), piece); rc != RC_OK)
                return rc;
    return RC_OK;
}

// ---------------------------------------------------------------- defrag

int ArchiveFile::defrag(const char* path, int newLimit, const void* key, int keyLength)
{
    if (newLimit < 0 || static_cast<uint32_t>(newLimit) > kMaxLimit)
        return RC_ERR_INVALID;
    std::unique_ptr<ArchiveFile> source;
    if (int rc = open(path, key, keyLength, source); rc != RC_OK)
        return rc;
    if (source->m_readOnly)
        return RC_ERR_READ_ONLY;
    const CommitRecord& old = source->m_rec;
    uint32_t limit = newLimit ? static_cast<uint32_t>(newLimit) : old.limit;
    if (static_cast<uint32_t>(source->m_table.liveCount()) > limit)
        return RC_ERR_NO_SLOT;

    CommitRecord rec;
    rec.generation = 1;
    rec.limit = limit;
    rec.count = static_cast<uint32_t>(source->m_table.liveCount());
    rec.capacity = std::max(rec.count, std::clamp(limit, kMinCapacity, kInitialCapacityCap));
    rec.indexOffset = kHeaderSize;
    rec.created = old.created;
    rec.modified = now();
    rec.flags = old.flags & RF_INDEX_ENCRYPTED;

    return replaceFile(path, "defrag", [&](FileHandle& out) { return writeDefragged(*source, rec, out); });
}

int ArchiveFile::writeDefragged(const ArchiveFile& source, CommitRecord& rec, FileHandle& out)
{
    const CommitRecord& old = source.m_rec;
    for (uint32_t slot = 0; slot < source.m_table.size(); ++slot)
        if (!source.m_table.deleted(slot) && source.m_table.get(slot).storage == 3)
            rec.flags |= RF_BLOCKS_ENCRYPTED;
    if (rec.flags & (RF_INDEX_ENCRYPTED | RF_BLOCKS_ENCRYPTED)) {
        rec.flags |= RF_KEY_CHECK;
        std::memcpy(rec.salt, old.salt, kSaltSize);
        std::memcpy(rec.checkNonce, old.checkNonce, kNonceSize);
        std::memcpy(rec.checkTag, old.checkTag, kTagSize);
        rec.kdfIterations = old.kdfIterations;
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
        if (int rc = copyRange(source.m_file, moved.offset, out, cursor, moved.storedSize); rc != RC_OK)
            return rc;
        moved.offset = cursor;
        cursor += moved.storedSize;
        chunk.resize(chunk.size() + kSlotSize, 0);
        uint8_t* version = chunk.data() + chunk.size() - kSlotSize;
        encodeVersion(version, rec.generation, next++, moved, sealKey);
        if (peekGeneration(version) == 0)
            return RC_ERR_KEY;
        if (chunk.size() >= kTableChunkSlots * kSlotSize)
            if (int rc = flushChunk(); rc != RC_OK)
                return rc;
    }
    if (int rc = flushChunk(); rc != RC_OK)
        return rc;
    rec.dataEnd = cursor;
    // Unused slots must read as empty.
    if (int rc = out.writeZeros(kHeaderSize + uint64_t(next) * kSlotSize, uint64_t(rec.capacity - next) * kSlotSize);
        rc != RC_OK)
        return rc;
    uint8_t header[kHeaderSize];
    encodeHeader(header, &rec, nullptr, rec.flags);
    return out.writeAt(0, header, kHeaderSize);
}

} // namespace Zelkoran::archive
