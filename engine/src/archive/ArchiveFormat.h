// On-disk layout of a QELv2 archive; docs/archive-format.md is the full
// description. All integers are little-endian. Two header layouts exist:
// layout 1 (byte 28 = 0, written before format 2) holds two 128-byte
// records of version 1 at 64 and 192; layout 2 (u32 at 28 = 2) holds two
// 224-byte records of version 2 or 3 at 64 and 288. All are read; every
// write makes records of version 3, always both places filled.
//
// Record version 2 and 3 (224 bytes)
//   0 4 "ZKCR", 4 4 version, 8 8 generation, 16 8 flags (bit 0 index
//   encrypted, 1 blocks encrypted, 2 key check, 3 segmented index), 24 8 index offset,
//   32 4 capacity, 36 4 count, 40 4 block limit, 44 4 zero, 48 8 data end,
//   56 8 created, 64 8 modified, 72 16 salt, 88 12 key check nonce,
//   100 16 key check tag, 116 1 KDF (1 PBKDF2-HMAC-SHA256, 2 scrypt),
//   117 3 zero, 120 4 PBKDF2 iterations or scrypt log2 N | r | p | 0,
//   124 4 zero, 128 8 next seal id (ids below it may be in use; version
//   3 records of this engine hold 2^48: ids are drawn at random),
//   136 16 index tag (version 3 with a plain index: index sum; version 2
//   with a plain index: zero), 152 32 record MAC (zero with a plain
//   index), 184 32 zero, 216 8 XXH64 of bytes 0..215. Every byte called
//   zero must be zero, and flag bits 4 to 63 too.
// Record version 1 (128 bytes): as version 2 up to byte 115, then
//   116 4 PBKDF2 iterations, 120 8 XXH64 of bytes 0..119.
//
// Index slot version (176 bytes)
//   0 8 generation (0 = empty), 8 4 slot number, 12 1 kind (1 plain,
//   2 sealed, 3 sealed with keyed digests), 13 1 binding (1: the entry's
//   encrypted block is bound to its name and index kind), 14 2 zero
//   (else the version is invalid);
//   plain:  16 120 entry, 136 8 XXH64 of bytes 0..135, 144 32 zero
//   sealed: 16 12 nonce, 28 120 encrypted entry, 148 16 tag (bytes 0..15 authenticated)
//
// Entry (120 bytes)
//   0 64 name (zero-terminated, zero after), 64 16 type (zero after the
//   type when shorter than 16), 80 8 data offset, 88 8 stored
//   size, 96 8 data size, 104 8 digest of the stored bytes (XXH3-64, or
//   in a kind-3 version for storage 1 and 2 the first 8 bytes of their
//   HMAC-SHA256), 112 1 storage (1 raw, 2 zlib, 3 AES-256-GCM: nonce |
//   ciphertext | tag, 4 the same of a zlib stream of the data), 113 1
//   deleted, 114 6 seal id of an encrypted block (0: sealed before format 2)
#pragma once

#include "ArchiveCrypto.h"

#include <Zelkoran/Archive.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::archive {

constexpr size_t kHeaderSize = 512;
constexpr size_t kRecordOffset[2] = {64, 288};
constexpr size_t kRecordSize = 224;
constexpr size_t kRecordSignedSize = 152; // the bytes the record MAC covers
constexpr uint32_t kRecordVersion = 3;
constexpr size_t kEntrySize = 120;
constexpr size_t kVersionSize = 176;
constexpr size_t kSlotSize = 2 * kVersionSize;
constexpr uint64_t kMaxBlockSize = 1ull << 40;
// zlib cannot expand data by more than this factor; a larger claim is corrupt.
constexpr uint64_t kMaxZlibRatio = 1032;
// The shortest zlib stream (an empty one).
constexpr uint64_t kMinZlibStream = 8;

// Entry storage byte.
constexpr uint8_t kStoreRaw = 1, kStoreZlib = 2, kStoreSealed = 3, kStoreSealedZlib = 4;
// Stored bytes sealed with AES-256-GCM: what they open to is the data
// (kStoreSealed) or a zlib stream of it (kStoreSealedZlib).
constexpr bool isSealed(uint8_t storage) { return storage == kStoreSealed || storage == kStoreSealedZlib; }

enum RecordFlags : uint64_t {
    RF_INDEX_ENCRYPTED = 1,
    RF_BLOCKS_ENCRYPTED = 2,
    RF_KEY_CHECK = 4,
    // The index offset points at a list of index segments (IndexSegments.h),
    // the capacity is theirs together.
    RF_SEGMENTED = 8,
};

struct CommitRecord {
    uint64_t generation = 0;
    uint64_t flags = 0;
    uint64_t indexOffset = 0;
    uint32_t capacity = 0;
    uint32_t count = 0;
    uint32_t limit = 0;
    uint64_t dataEnd = 0;
    uint64_t created = 0;
    uint64_t modified = 0;
    uint8_t salt[kSaltSize] = {};
    uint8_t checkNonce[kNonceSize] = {};
    uint8_t checkTag[kTagSize] = {};
    KdfParams kdf;
    uint64_t nextSealId = 1;
    // XOR of the tags of every in-force index version (encrypted index only).
    uint8_t indexTag[kIndexTagSize] = {};
    // As read: the record version, the bytes its MAC covers and the MAC
    // (encrypted index). Records are written in version 3.
    uint32_t version = 3;
    uint8_t signedBytes[kRecordSignedSize] = {};
    uint8_t mac[32] = {};
};

struct Entry {
    char name[64] = {}; // as stored: at most kMaxBlockName bytes and a terminator
    char type[16] = {};
    uint64_t offset = 0;
    uint64_t storedSize = 0;
    uint64_t size = 0;
    uint64_t hash = 0;
    uint8_t storage = 0;
    uint8_t deleted = 0;
    uint64_t sealId = 0; // encrypted blocks: bound into their associated data
    uint8_t keyed = 0;   // hash is the keyed digest, not XXH3
    // Encrypted blocks: sealed bound to their name and to the kind of index
    // listing them (version byte 13).
    uint8_t bound = 0;
};
static_assert(sizeof(Entry::name) == kMaxBlockName + 1, "the stored name field holds the longest name");

constexpr uint64_t kMaxSealId = (1ull << 48) - 1;
// The next seal id records of this engine hold: every id may be in use,
// since each is drawn at random.
constexpr uint64_t kRandomSealIds = kMaxSealId + 1;
// A fresh seal id, 1 to kMaxSealId, from the system's generator; 0 when
// the generator failed.
uint64_t drawSealId();

// Header with both records (layout 2, record version 3). Records of an
// encrypted index are signed with key.
void encodeHeader(uint8_t out[kHeaderSize], const CommitRecord& recordA, const CommitRecord& recordB,
                  uint64_t flags, const ArchiveKey* key);
// Puts record (version 3, signed with key under an encrypted index) at
// place i of a layout-2 header, leaving the rest of it as it is.
void encodeRecordAt(uint8_t header[kHeaderSize], int i, const CommitRecord& record, const ArchiveKey* key);
// The header flags word (bytes 20..27).
uint64_t headerFlags(const uint8_t header[kHeaderSize]);
void setHeaderFlags(uint8_t header[kHeaderSize], uint64_t flags);
// True for a layout-1 header.
bool isLayout1(const uint8_t header[kHeaderSize]);
// RC_OK when the fixed fields are right; RC_ERR_NOT_ARCHIVE otherwise.
int checkHeader(const uint8_t header[kHeaderSize]);
enum class RecordState { Absent, Valid, Damaged };
// Decodes record i of either layout: Damaged when its magic, version or
// checksum is wrong, its generation 0, or a byte that must be zero is not.
RecordState decodeRecord(const uint8_t header[kHeaderSize], int i, CommitRecord& out);
// True when a record of version 2 or 3 of an encrypted index carries
// key's MAC of its bytes 0..151 as stored (version-1 records carry none).
bool recordMacMatches(const CommitRecord& rec, const ArchiveKey& key);

void encodeVersion(uint8_t out[kVersionSize], uint64_t generation, uint32_t slot, const Entry& entry,
                   const ArchiveKey* sealKey);
enum class VersionState { Empty, Valid, Invalid, NeedsKey };
constexpr uint8_t kKindPlain = 1, kKindSealed = 2, kKindSealedKeyed = 3;
// Decodes a version; key may be null (a sealed version then NeedsKey).
VersionState decodeVersion(const uint8_t in[kVersionSize], uint32_t slot, const ArchiveKey* key,
                           uint64_t& generation, Entry& entry, bool& sealed);
// Generation of a version without checking it (0 for an empty one).
uint64_t peekGeneration(const uint8_t in[kVersionSize]);
bool isSealedVersion(const uint8_t in[kVersionSize]);
uint8_t versionKind(const uint8_t in[kVersionSize]);

uint64_t hashBytes(const void* data, size_t length);

// XORs into acc the index sum of each (slot, generation) pair: XXH3-128 of
// slot (u32) | generation (u64) | zero (u32), low half first, each half
// little-endian. What a plain index's record holds in place of the tag.
void xorIndexSums(const uint32_t* slots, const uint64_t* generations, size_t count, uint8_t acc[kIndexTagSize]);

// The associated data an encrypted block is sealed with: its type, from
// format 2 on its seal id, and when bound its name field and whether the
// index listing it is encrypted, then for a sealed zlib stream its storage.
// aad receives up to kMaxAad bytes; the length.
constexpr size_t kMaxAad = 16 + 8 + 64 + 1 + 1;
size_t blockAad(const Entry& e, bool indexEncrypted, uint8_t aad[kMaxAad]);

// True when name and type fields follow the padding rule: zero after the
// name's terminator and at byte 63, zero after a type shorter than 16.
bool fieldsPadded(const Entry& e);

// Fuzzing builds accept any checksum so the fuzzer reaches the checks
// behind them; every other build verifies.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kVerifyChecksums = false;
#else
constexpr bool kVerifyChecksums = true;
#endif
inline bool checksumFails(uint64_t stored, uint64_t computed) { return kVerifyChecksums && stored != computed; }

// Copies a text into a fixed-width field: at most width bytes, the rest
// zero. The field needs no terminator when the text fills it.
void copyField(char* field, const char* text, size_t width);

} // namespace Zelkoran::archive
