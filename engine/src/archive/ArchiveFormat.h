// On-disk layout of a QELv2 archive. All integers are little-endian.
//
// File
//   OFFSET        SIZE               MEANING
//   0             512                header (below)
//   indexOffset   capacity x 352     index table: one slot per entry, two versions per slot
//   anywhere      storedSize         block data, appended; never overwritten while referenced
//
// Header
//   0    8    magic "ZK7QELv2" (no terminating zero)
//   8    2    format version, 2
//   10   2    0
//   12   4    header size, 512
//   16   4    256
//   20   8    flags: bit 0 index encrypted, bit 1 blocks encrypted (copy of the active record's)
//   28   36   zero
//   64   128  commit record A
//   192  128  commit record B
//   320  192  zero
//
// Commit record: the record with the higher generation and a valid checksum
// is the archive's state; a commit writes the other one.
//   0    4    "ZKCR"
//   4    4    record version, 1
//   8    8    generation (> 0)
//   16   8    flags: bit 0 index encrypted, bit 1 blocks encrypted, bit 2 key check present
//   24   8    index table offset
//   32   4    index capacity (slots)
//   36   4    index count (slots in use, deleted entries included)
//   40   4    block limit
//   44   4    zero
//   48   8    data end: where the next block is appended
//   56   8    creation time, 64 8 modification time (seconds since 1970, UTC)
//   72   16   key salt, 88 12 key check nonce, 100 16 key check tag
//   116  4    key derivation iterations (PBKDF2-HMAC-SHA256)
//   120  8    XXH64 of bytes 0..119
//
// Index slot version (176 bytes); a slot's live version is the valid one
// with the highest generation not above the commit record's.
//   0    8    generation (0 = empty)
//   8    4    slot number
//   12   1    1 plain, 2 sealed
//   13   3    zero
//   plain:  16 120 entry, 136 8 XXH64 of bytes 0..135, 144 32 zero
//   sealed: 16 12 nonce, 28 120 encrypted entry, 148 16 tag (bytes 0..15 authenticated)
//
// Entry (120 bytes)
//   0 64 name (zero-terminated), 64 16 type, 80 8 data offset, 88 8 stored
//   size, 96 8 data size, 104 8 XXH3-64 of the stored bytes, 112 1 storage
//   mode (1 raw, 2 zlib, 3 AES-256-GCM: nonce | ciphertext | tag), 113 1
//   deleted, 114 6 zero
#pragma once

#include "ArchiveCrypto.h"

#include <cstddef>
#include <cstdint>

namespace Zelkoran::archive {

constexpr size_t kHeaderSize = 512;
constexpr size_t kRecordOffset[2] = {64, 192};
constexpr size_t kRecordSize = 128;
constexpr size_t kEntrySize = 120;
constexpr size_t kVersionSize = 176;
constexpr size_t kSlotSize = 2 * kVersionSize;
constexpr uint64_t kMaxBlockSize = 1ull << 40;
// zlib cannot expand data by more than this factor; a larger claim is corrupt.
constexpr uint64_t kMaxZlibRatio = 1032;

enum RecordFlags : uint64_t {
    RF_INDEX_ENCRYPTED = 1,
    RF_BLOCKS_ENCRYPTED = 2,
    RF_KEY_CHECK = 4,
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
    uint32_t kdfIterations = kKdfIterations;
};

struct Entry {
    char name[64] = {};
    char type[16] = {};
    uint64_t offset = 0;
    uint64_t storedSize = 0;
    uint64_t size = 0;
    uint64_t hash = 0;
    uint8_t storage = 0;
    uint8_t deleted = 0;
};

// Header with both records; rec[i] may be null for an all-zero record.
void encodeHeader(uint8_t out[kHeaderSize], const CommitRecord* recordA, const CommitRecord* recordB,
                  uint64_t flags);
// RC_OK when the fixed fields are right; RC_ERR_NOT_ARCHIVE otherwise.
int checkHeader(const uint8_t header[kHeaderSize]);
// Decodes record i; false when it is absent or its checksum fails.
bool decodeRecord(const uint8_t header[kHeaderSize], int i, CommitRecord& out);

void encodeVersion(uint8_t out[kVersionSize], uint64_t generation, uint32_t slot, const Entry& entry,
                   const ArchiveKey* sealKey);
enum class VersionState { Empty, Valid, Invalid, NeedsKey };
// Decodes a version; key may be null (a sealed version then NeedsKey).
VersionState decodeVersion(const uint8_t in[kVersionSize], uint32_t slot, const ArchiveKey* key,
                           uint64_t& generation, Entry& entry, bool& sealed);
// Generation of a version without checking it (0 for an empty one).
uint64_t peekGeneration(const uint8_t in[kVersionSize]);
bool isSealedVersion(const uint8_t in[kVersionSize]);

uint64_t hashBytes(const void* data, size_t length);

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
