#include "ArchiveFormat.h"

#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <cstring>
#include <openssl/crypto.h>
// The dispatching entry points pick the widest vector unit this CPU has at
// run time; the hash values are those of the portable code.
#include <xxh_x86dispatch.h>

namespace Zelkoran::archive {

namespace {
constexpr char kMagic[8] = {'Z', 'K', '7', 'Q', 'E', 'L', 'v', '2'};
constexpr char kRecordMagic[4] = {'Z', 'K', 'C', 'R'};

using bytes::get;
using bytes::put;

constexpr size_t kLayoutOffset = 28;
constexpr uint32_t kLayout2 = 2;
constexpr size_t kV1RecordOffset[2] = {64, 192};
constexpr size_t kV1RecordSize = 128;

// A record of version 2 or 3 without its MAC and checksum.
void encodeRecordBody(uint8_t* out, const CommitRecord& r, uint32_t version)
{
    std::memset(out, 0, kRecordSize);
    std::memcpy(out, kRecordMagic, 4);
    put<uint32_t>(out + 4, version);
    put(out + 8, r.generation);
    put(out + 16, r.flags);
    put(out + 24, r.indexOffset);
    put(out + 32, r.capacity);
    put(out + 36, r.count);
    put(out + 40, r.limit);
    put(out + 48, r.dataEnd);
    put(out + 56, r.created);
    put(out + 64, r.modified);
    std::memcpy(out + 72, r.salt, kSaltSize);
    std::memcpy(out + 88, r.checkNonce, kNonceSize);
    std::memcpy(out + 100, r.checkTag, kTagSize);
    out[116] = r.kdf.algorithm;
    if (r.kdf.algorithm == KdfParams::PBKDF2_SHA256) {
        put(out + 120, r.kdf.iterations);
    } else {
        out[120] = r.kdf.logN;
        out[121] = r.kdf.r;
        out[122] = r.kdf.p;
    }
    put(out + 128, r.nextSealId);
    std::memcpy(out + 136, r.indexTag, kIndexTagSize);
}

void encodeRecord(uint8_t* out, const CommitRecord& r, const ArchiveKey* key)
{
    encodeRecordBody(out, r, kRecordVersion);
    if ((r.flags & RF_INDEX_ENCRYPTED) && key)
        key->mac(out, kRecordSignedSize, out + kRecordSignedSize);
    put<uint64_t>(out + kRecordSize - 8, XXH64(out, kRecordSize - 8, 0));
}

bool allZero(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

// The fields both record versions share (bytes 8 to 115).
void decodeCommon(const uint8_t* in, CommitRecord& r)
{
    r.generation = get<uint64_t>(in + 8);
    r.flags = get<uint64_t>(in + 16);
    r.indexOffset = get<uint64_t>(in + 24);
    r.capacity = get<uint32_t>(in + 32);
    r.count = get<uint32_t>(in + 36);
    r.limit = get<uint32_t>(in + 40);
    r.dataEnd = get<uint64_t>(in + 48);
    r.created = get<uint64_t>(in + 56);
    r.modified = get<uint64_t>(in + 64);
    std::memcpy(r.salt, in + 72, kSaltSize);
    std::memcpy(r.checkNonce, in + 88, kNonceSize);
    std::memcpy(r.checkTag, in + 100, kTagSize);
}

void encodeEntry(uint8_t* out, const Entry& e)
{
    std::memset(out, 0, kEntrySize);
    std::memcpy(out, e.name, 63);
    std::memcpy(out + 64, e.type, 16);
    put(out + 80, e.offset);
    put(out + 88, e.storedSize);
    put(out + 96, e.size);
    put(out + 104, e.hash);
    out[112] = e.storage;
    out[113] = e.deleted;
    for (int i = 0; i < 6; ++i)
        out[114 + i] = static_cast<uint8_t>(e.sealId >> (8 * i));
}

void decodeEntry(const uint8_t* in, Entry& e)
{
    // Byte 63 as stored: fieldsPadded refuses a name without a terminator.
    std::memcpy(e.name, in, 64);
    std::memcpy(e.type, in + 64, 16);
    e.offset = get<uint64_t>(in + 80);
    e.storedSize = get<uint64_t>(in + 88);
    e.size = get<uint64_t>(in + 96);
    e.hash = get<uint64_t>(in + 104);
    e.storage = in[112];
    e.deleted = in[113];
    e.keyed = 0;
    e.sealId = 0;
    for (int i = 5; i >= 0; --i)
        e.sealId = (e.sealId << 8) | in[114 + i];
}
// Record bytes that must be zero: reserved fields, and the places a
// record of its version and index kind leaves unused.
bool reservedBytesZero(const uint8_t* in, uint32_t version, uint64_t flags)
{
    // Index segments came with version 3: before it, bit 3 is reserved too.
    if (flags >> (version < kRecordVersion ? 3 : 4) || !allZero(in + 44, 4))
        return false;
    if (version == 1)
        return true;
    if (!allZero(in + 117, 3) || in[123] != 0 || !allZero(in + 124, 4) || !allZero(in + 184, 32))
        return false;
    const bool indexEncrypted = flags & RF_INDEX_ENCRYPTED;
    if (!indexEncrypted && !allZero(in + kRecordSignedSize, 32))
        return false;
    // A plain index's sum came with version 3.
    return indexEncrypted || version != 2 || allZero(in + 136, kIndexTagSize);
}

template <size_t Width>
bool paddedField(const char (&field)[Width])
{
    // Every entry of an index is checked at open: the bytes past the text
    // are compared with zeros in one vectorised call, not one by one.
    static constexpr char kZeros[Width] = {};
    const size_t length = strnlen(field, Width);
    return std::memcmp(field + length, kZeros, Width - length) == 0;
}
} // namespace

bool fieldsPadded(const Entry& e) { return e.name[63] == 0 && paddedField(e.name) && paddedField(e.type); }

uint64_t drawSealId()
{
    uint8_t bytes[6];
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!randomBytes(bytes, sizeof(bytes)))
            return 0;
        uint64_t id = 0;
        for (int i = 5; i >= 0; --i)
            id = (id << 8) | bytes[i];
        if (id != 0)
            return id;
    }
    return 0;
}

uint64_t hashBytes(const void* data, size_t length) { return XXH3_64bits(data, length); }

void copyField(char* field, const char* text, size_t width)
{
    size_t length = strnlen(text, width);
    std::memcpy(field, text, length);
    std::memset(field + length, 0, width - length);
}

size_t blockAad(const Entry& e, bool indexEncrypted, uint8_t aad[kMaxAad])
{
    std::memcpy(aad, e.type, 16);
    if (e.sealId == 0)
        return 16;
    put(aad + 16, e.sealId);
    if (!e.bound)
        return 24;
    // The name field: the name, then zeros (what the padding rule lets be stored).
    copyField(reinterpret_cast<char*>(aad + 24), e.name, 64);
    aad[88] = indexEncrypted ? 1 : 0;
    // Storage 3 and 4 differ in how their plaintext reads: relabelling one
    // as the other fails its tag.
    if (e.storage != kStoreSealedZlib)
        return kMaxAad - 1;
    aad[89] = kStoreSealedZlib;
    return kMaxAad;
}

void encodeHeader(uint8_t out[kHeaderSize], const CommitRecord& recordA, const CommitRecord& recordB, uint64_t flags,
                  const ArchiveKey* key)
{
    std::memset(out, 0, kHeaderSize);
    std::memcpy(out, kMagic, 8);
    put<uint16_t>(out + 8, 2);
    put<uint16_t>(out + 10, 0);
    put<uint32_t>(out + 12, kHeaderSize);
    put<uint32_t>(out + 16, 256);
    put<uint64_t>(out + 20, flags & (RF_INDEX_ENCRYPTED | RF_BLOCKS_ENCRYPTED));
    put<uint32_t>(out + kLayoutOffset, kLayout2);
    encodeRecord(out + kRecordOffset[0], recordA, key);
    encodeRecord(out + kRecordOffset[1], recordB, key);
}

void encodeRecordAt(uint8_t header[kHeaderSize], int i, const CommitRecord& record, const ArchiveKey* key)
{
    encodeRecord(header + kRecordOffset[i], record, key);
}

uint64_t headerFlags(const uint8_t header[kHeaderSize]) { return get<uint64_t>(header + 20); }
void setHeaderFlags(uint8_t header[kHeaderSize], uint64_t flags) { put<uint64_t>(header + 20, flags); }
bool isLayout1(const uint8_t header[kHeaderSize]) { return get<uint32_t>(header + kLayoutOffset) != kLayout2; }

void xorIndexSums(const uint32_t* slots, const uint64_t* generations, size_t count, uint8_t acc[kIndexTagSize])
{
    for (size_t i = 0; i < count; ++i) {
        uint8_t pair[16] = {};
        put(pair, slots[i]);
        put(pair + 4, generations[i]);
        const XXH128_hash_t h = XXH3_128bits(pair, sizeof(pair));
        for (int b = 0; b < 8; ++b) {
            acc[b] ^= static_cast<uint8_t>(h.low64 >> (8 * b));
            acc[8 + b] ^= static_cast<uint8_t>(h.high64 >> (8 * b));
        }
    }
}

int checkHeader(const uint8_t header[kHeaderSize])
{
    const uint32_t layout = get<uint32_t>(header + kLayoutOffset);
    if (std::memcmp(header, kMagic, 8) != 0 || get<uint16_t>(header + 8) != 2 || get<uint16_t>(header + 10) != 0
        || get<uint32_t>(header + 12) != kHeaderSize || get<uint32_t>(header + 16) != 256
        || (layout != 0 && layout != kLayout2))
        return RC_ERR_NOT_ARCHIVE;
    return RC_OK;
}

RecordState decodeRecord(const uint8_t header[kHeaderSize], int i, CommitRecord& r)
{
    const bool layout2 = get<uint32_t>(header + kLayoutOffset) == kLayout2;
    const size_t size = layout2 ? kRecordSize : kV1RecordSize;
    const uint8_t* in = header + (layout2 ? kRecordOffset[i] : kV1RecordOffset[i]);
    if (allZero(in, size))
        return RecordState::Absent;
    const uint32_t version = get<uint32_t>(in + 4);
    if (std::memcmp(in, kRecordMagic, 4) != 0 || (layout2 ? version != 2 && version != kRecordVersion : version != 1)
        || checksumFails(get<uint64_t>(in + size - 8), XXH64(in, size - 8, 0)))
        return RecordState::Damaged;
    decodeCommon(in, r);
    r.version = version;
    if (!reservedBytesZero(in, version, r.flags))
        return RecordState::Damaged;
    if (layout2) {
        r.kdf.algorithm = in[116];
        if (r.kdf.algorithm == KdfParams::PBKDF2_SHA256) {
            r.kdf.iterations = get<uint32_t>(in + 120);
        } else {
            r.kdf.logN = in[120];
            r.kdf.r = in[121];
            r.kdf.p = in[122];
        }
        r.nextSealId = get<uint64_t>(in + 128);
        std::memcpy(r.indexTag, in + 136, kIndexTagSize);
        std::memcpy(r.signedBytes, in, kRecordSignedSize);
        std::memcpy(r.mac, in + kRecordSignedSize, sizeof(r.mac));
    } else {
        r.kdf.algorithm = KdfParams::PBKDF2_SHA256;
        r.kdf.iterations = get<uint32_t>(in + 116);
        r.nextSealId = 1; // no block of a version-1 archive has a seal id
    }
    return r.generation > 0 ? RecordState::Valid : RecordState::Damaged;
}

bool recordMacMatches(const CommitRecord& rec, const ArchiveKey& key)
{
    if (rec.version < 2 || !(rec.flags & RF_INDEX_ENCRYPTED))
        return true;
    // The bytes as stored: reserved ones included, nothing re-encoded.
    uint8_t expected[32];
    return key.mac(rec.signedBytes, kRecordSignedSize, expected) && CRYPTO_memcmp(expected, rec.mac, sizeof(expected)) == 0;
}

void encodeVersion(uint8_t out[kVersionSize], uint64_t generation, uint32_t slot, const Entry& entry,
                   const ArchiveKey* sealKey)
{
    std::memset(out, 0, kVersionSize);
    put(out, generation);
    put(out + 8, slot);
    out[13] = entry.bound;
    uint8_t plain[kEntrySize];
    encodeEntry(plain, entry);
    if (sealKey) {
        // Digests of raw and zlib blocks are keyed once sealed; older
        // entries keep their XXH3 until their block is written again.
        out[12] = entry.keyed || isSealed(entry.storage) ? kKindSealedKeyed : kKindSealed;
        // Without sealing there is no way to write this version; an empty one
        // is never mistaken for data.
        if (!sealKey->seal(out, 16, plain, kEntrySize, out + 16))
            std::memset(out, 0, kVersionSize);
    } else {
        out[12] = kKindPlain;
        std::memcpy(out + 16, plain, kEntrySize);
        put<uint64_t>(out + 136, XXH64(out, 136, 0));
    }
    OPENSSL_cleanse(plain, sizeof(plain));
}

uint64_t peekGeneration(const uint8_t in[kVersionSize]) { return get<uint64_t>(in); }

bool isSealedVersion(const uint8_t in[kVersionSize]) { return in[12] == kKindSealed || in[12] == kKindSealedKeyed; }

uint8_t versionKind(const uint8_t in[kVersionSize]) { return in[12]; }

VersionState decodeVersion(const uint8_t in[kVersionSize], uint32_t slot, const ArchiveKey* key,
                           uint64_t& generation, Entry& entry, bool& sealed)
{
    generation = get<uint64_t>(in);
    sealed = isSealedVersion(in);
    if (generation == 0)
        return VersionState::Empty;
    if (get<uint32_t>(in + 8) != slot || in[13] > 1 || in[14] != 0 || in[15] != 0)
        return VersionState::Invalid;
    if (in[12] == kKindPlain) {
        if (checksumFails(get<uint64_t>(in + 136), XXH64(in, 136, 0)))
            return VersionState::Invalid;
        decodeEntry(in + 16, entry);
        entry.bound = in[13];
        return VersionState::Valid;
    }
    if (!isSealedVersion(in))
        return VersionState::Invalid;
    if (!key || !key->valid())
        return VersionState::NeedsKey;
    uint8_t plain[kEntrySize];
    if (!key->open(in, 16, in + 16, kEntrySize + kSealOverhead, plain))
        return VersionState::Invalid;
    decodeEntry(plain, entry);
    entry.keyed = in[12] == kKindSealedKeyed && !isSealed(entry.storage);
    entry.bound = in[13];
    OPENSSL_cleanse(plain, sizeof(plain));
    return VersionState::Valid;
}

} // namespace Zelkoran::archive
