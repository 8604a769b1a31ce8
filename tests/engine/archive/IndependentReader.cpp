#include "IndependentReader.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <xxhash.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

namespace independent {

namespace {

using Bytes = std::vector<uint8_t>;
using Key = std::array<uint8_t, 32>;

uint64_t le(const uint8_t* p, size_t width)
{
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(p[i]) << (8 * i);
    return v;
}

bool allZero(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

// The record fields the reader needs (Commit record tables).
struct Record {
    int version = 0;
    uint64_t generation = 0;
    uint64_t flags = 0;
    uint64_t indexOffset = 0;
    uint32_t capacity = 0;
    uint32_t count = 0;
    uint32_t limit = 0;
    uint64_t dataEnd = 0;
    uint64_t nextSealId = 1; // records of version 1 hold none: no id is below 1
    const uint8_t* salt = nullptr;
    const uint8_t* checkNonce = nullptr;
    const uint8_t* checkTag = nullptr;
    uint8_t kdf = 0;
    uint32_t iterations = 0;
    uint8_t logN = 0, r = 0, p = 0;
    const uint8_t* indexTag = nullptr;
    const uint8_t* bytes = nullptr; // the record as stored
};

enum class RecordState { Absent, Valid, Damaged };

// layout is 1 or 2; layout 2 holds records of version 2 or 3.
RecordState readRecord(const uint8_t* in, int layout, Record& out)
{
    const size_t size = layout == 2 ? 224 : 128;
    if (allZero(in, size))
        return RecordState::Absent;
    const uint64_t version = le(in + 4, 4);
    const bool known = layout == 2 ? version == 2 || version == 3 : version == 1;
    if (std::memcmp(in, "ZKCR", 4) != 0 || !known || le(in + size - 8, 8) != XXH64(in, size - 8, 0))
        return RecordState::Damaged;
    // Fields the page calls zero: flag bits 4 to 63 (3 to 63 before version
    // 3), 44..47, and in versions 2 and 3 117..119, 123..127, 184..215, the
    // MAC place under a plain index, and a version-2 plain index's sum place.
    const uint64_t flags = le(in + 16, 8);
    if (flags >> (version == 3 ? 4 : 3) || !allZero(in + 44, 4))
        return RecordState::Damaged;
    if (layout == 2
        && (!allZero(in + 117, 3) || !allZero(in + 123, 5) || !allZero(in + 184, 32)
            || (!(flags & 1) && !allZero(in + 152, 32)) || (!(flags & 1) && version == 2 && !allZero(in + 136, 16))))
        return RecordState::Damaged;
    out.version = static_cast<int>(version);
    out.bytes = in;
    out.generation = le(in + 8, 8);
    out.flags = le(in + 16, 8);
    out.indexOffset = le(in + 24, 8);
    out.capacity = static_cast<uint32_t>(le(in + 32, 4));
    out.count = static_cast<uint32_t>(le(in + 36, 4));
    out.limit = static_cast<uint32_t>(le(in + 40, 4));
    out.dataEnd = le(in + 48, 8);
    out.salt = in + 72;
    out.checkNonce = in + 88;
    out.checkTag = in + 100;
    if (layout == 2) {
        out.kdf = in[116];
        out.iterations = static_cast<uint32_t>(le(in + 120, 4));
        out.logN = in[120];
        out.r = in[121];
        out.p = in[122];
        out.nextSealId = le(in + 128, 8);
        out.indexTag = in + 136;
    } else {
        out.kdf = 1;
        out.iterations = static_cast<uint32_t>(le(in + 116, 4));
    }
    return out.generation > 0 ? RecordState::Valid : RecordState::Damaged;
}

// AES-256-GCM open of ciphertext (length bytes) into out; false when the
// tag does not hold.
bool gcmOpen(const Key& key, const uint8_t* nonce, const uint8_t* aad, size_t aadLength, const uint8_t* ciphertext,
             size_t length, const uint8_t* tag, uint8_t* out)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    uint8_t expected[16];
    std::memcpy(expected, tag, 16);
    bool ok = ctx && EVP_DecryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
              && EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, 12, nullptr) == 1
              && EVP_DecryptInit_ex(ctx, nullptr, nullptr, key.data(), nonce) == 1
              && EVP_DecryptUpdate(ctx, nullptr, &n, aad, static_cast<int>(aadLength)) == 1
              && (length == 0 || EVP_DecryptUpdate(ctx, out, &n, ciphertext, static_cast<int>(length)) == 1)
              && EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, expected) == 1;
    uint8_t tail[16];
    ok = ok && EVP_DecryptFinal_ex(ctx, tail, &n) == 1;
    EVP_CIPHER_CTX_free(ctx);
    return ok;
}

Key hmac(const uint8_t* key, const void* data, size_t length)
{
    Key out{};
    unsigned int n = 32;
    HMAC(EVP_sha256(), key, 32, static_cast<const uint8_t*>(data), length, out.data(), &n);
    return out;
}

// The AES key and its two subkeys (Keys).
struct Keys {
    Key aes{}, digest{}, tag{};
};

// The cost a file may state (Keys): higher is damage.
bool costAcceptable(const Record& rec)
{
    if (rec.kdf == 1)
        return rec.iterations >= 1 && rec.iterations <= 1000000;
    const uint64_t n = uint64_t(1) << rec.logN;
    return rec.kdf == 2 && rec.logN >= 10 && rec.logN <= 16 && rec.r >= 1 && rec.p >= 1
           && 128 * rec.r * n <= (64u << 20) && n * rec.r * rec.p <= (1u << 19);
}

// Derives the keys and checks them against the key check; an error text
// or empty.
std::string deriveKeys(const Record& rec, const std::string& userKey, Keys& keys)
{
    if (userKey.empty() || userKey.size() > 32)
        return "no key";
    bool derived = false;
    if (rec.kdf == 1) {
        derived = PKCS5_PBKDF2_HMAC(userKey.data(), static_cast<int>(userKey.size()), rec.salt, 16,
                                    static_cast<int>(rec.iterations), EVP_sha256(), 32, keys.aes.data())
                  == 1;
    } else if (rec.kdf == 2) {
        const uint64_t n = uint64_t(1) << rec.logN;
        derived = EVP_PBE_scrypt(userKey.data(), userKey.size(), rec.salt, 16, n, rec.r, rec.p, 65u << 20,
                                 keys.aes.data(), 32)
                  == 1;
    }
    if (!derived)
        return "key derivation failed";
    static const char check[] = "ZK7QELv2 key check";
    if (!gcmOpen(keys.aes, rec.checkNonce, reinterpret_cast<const uint8_t*>(check), sizeof(check), nullptr, 0,
                 rec.checkTag, nullptr))
        return "wrong key";
    static const char digestLabel[] = "ZK7QELv2 digest key";
    static const char tagLabel[] = "ZK7QELv2 index tag key";
    keys.digest = hmac(keys.aes.data(), digestLabel, sizeof(digestLabel));
    keys.tag = hmac(keys.aes.data(), tagLabel, sizeof(tagLabel));
    return {};
}

// The keyed digest: the first 8 HMAC bytes as a little-endian u64.
uint64_t keyedDigest(const Keys& keys, const uint8_t* data, size_t length)
{
    const Key mac = hmac(keys.digest.data(), data, length);
    return le(mac.data(), 8);
}

struct Entry {
    Block block;
    uint64_t offset = 0, storedSize = 0, size = 0, digest = 0, sealId = 0;
    uint8_t typeField[16] = {};
    uint8_t nameField[64] = {};
    uint8_t deletedByte = 0;
    bool keyed = false;
    bool bound = false; // version byte 13
};

void decodeEntry(const uint8_t* in, Entry& e)
{
    e.block.name.assign(reinterpret_cast<const char*>(in), strnlen(reinterpret_cast<const char*>(in), 64));
    std::memcpy(e.nameField, in, 64);
    std::memcpy(e.typeField, in + 64, 16);
    e.block.type.assign(reinterpret_cast<const char*>(in + 64), strnlen(reinterpret_cast<const char*>(in + 64), 16));
    e.offset = le(in + 80, 8);
    e.storedSize = le(in + 88, 8);
    e.size = le(in + 96, 8);
    e.digest = le(in + 104, 8);
    e.block.storage = in[112];
    e.deletedByte = in[113];
    e.block.deleted = in[113] != 0;
    e.sealId = le(in + 114, 6);
}

// One slot's version in force, by the rules of the Index table section;
// an error text or empty.
std::string chooseVersion(const uint8_t* slotBytes, uint32_t slot, const Record& rec, const Keys* keys, Entry& out,
                          uint64_t& generation)
{
    const bool encrypted = rec.flags & 1;
    bool found = false, invalid = false, tie = false;
    uint64_t best = 0, invalidGeneration = 0, otherKind = 0;
    for (int v = 0; v < 2; ++v) {
        const uint8_t* version = slotBytes + v * 176;
        const uint64_t g = le(version, 8);
        const uint8_t kind = version[12];
        if (g > rec.generation) {
            if (g > rec.generation + 1)
                return "a version newer than the interrupted change";
            continue;
        }
        if (rec.version == 1 && kind == 3)
            return "a layout-2 entry under a layout-1 record";
        if (rec.version < 3 && version[13] != 0)
            return "a bound entry under a record of version 1 or 2";
        if (g == 0)
            continue;
        const bool sealed = kind == 2 || kind == 3;
        if (kind == 1 || sealed) {
            if (sealed != encrypted) {
                otherKind = std::max(otherKind, g);
                continue;
            }
        }
        Entry e;
        bool valid = le(version + 8, 4) == slot;
        if (valid && kind == 1) {
            valid = le(version + 136, 8) == XXH64(version, 136, 0);
            if (valid)
                decodeEntry(version + 16, e);
        } else if (valid && sealed) {
            if (!keys)
                return "sealed entries without a key";
            uint8_t plain[120];
            valid = gcmOpen(keys->aes, version + 16, version, 16, version + 28, 120, version + 148, plain);
            if (valid)
                decodeEntry(plain, e);
            e.keyed = kind == 3 && e.block.storage != 3 && e.block.storage != 4;
        } else {
            valid = false;
        }
        valid = valid && version[13] <= 1 && version[14] == 0 && version[15] == 0;
        e.bound = version[13] == 1;
        if (!valid) {
            invalid = true;
            invalidGeneration = std::max(invalidGeneration, g);
            continue;
        }
        tie = found && g == best;
        if (!found || g > best) {
            found = true;
            best = g;
            out = e;
        }
    }
    if (!found)
        return "a slot without a valid version";
    if (tie)
        return "two valid versions of one generation";
    if ((invalid && invalidGeneration >= best) || otherKind >= best)
        return "a damaged version in force";
    generation = best;
    return {};
}

// Zero after a field's text: the padding rule of names and types.
bool padded(const uint8_t* field, size_t width)
{
    const size_t length = strnlen(reinterpret_cast<const char*>(field), width);
    return allZero(field + length, width - length);
}

// The sanity rules of an entry in force (Index table); an error text or empty.
std::string entryRule(const Entry& e, const Record& rec)
{
    const uint8_t storage = e.block.storage;
    if (storage < 1 || storage > 4)
        return "unknown storage";
    if (e.deletedByte > 1)
        return "deleted neither 0 nor 1";
    if (e.block.name.empty() || e.block.type.empty())
        return "empty name or type";
    if (e.nameField[63] != 0 || !padded(e.nameField, 64) || !padded(e.typeField, 16))
        return "name or type padding not zero";
    const bool sealed = storage == 3 || storage == 4;
    if (!sealed && (e.bound || e.sealId))
        return "a seal id or binding on a raw or zlib entry";
    if (storage == 4 && (!e.bound || !e.sealId))
        return "a sealed zlib stream neither bound nor of a seal id";
    if (e.offset < 512 || e.offset > rec.dataEnd || e.storedSize > rec.dataEnd - e.offset)
        return "stored bytes outside the data";
    if (e.size > (uint64_t(1) << 40))
        return "data size too large";
    const bool fits = storage == 1   ? e.size == e.storedSize
                      : storage == 2 ? e.size <= e.storedSize * 1032 + 64
                      : storage == 3 ? e.storedSize == e.size + 28
                                     : e.storedSize >= 28 + 8 && e.size <= (e.storedSize - 28) * 1032 + 64;
    if (!fits)
        return "sizes that do not fit the storage";
    return {};
}

// Inflates a whole zlib stream: it must decode to exactly size bytes and
// end at its last stored byte.
bool inflateExact(const uint8_t* stream, size_t streamSize, Bytes& out, size_t size)
{
    out.assign(size + 1, 0);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = const_cast<uint8_t*>(stream);
    z.avail_in = static_cast<uInt>(streamSize);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    const bool exact = status == Z_STREAM_END && z.total_out == size && z.avail_in == 0;
    inflateEnd(&z);
    out.resize(size);
    return exact;
}

// The digest check of a block's stored bytes: keyed, or XXH3.
std::string digestRule(const Entry& e, const Keys* keys, const uint8_t* stored, size_t storedSize)
{
    if (e.keyed && !keys)
        return "no key";
    const uint64_t digest = e.keyed ? keyedDigest(*keys, stored, storedSize) : XXH3_64bits(stored, storedSize);
    return digest == e.digest ? std::string() : "digest mismatch";
}

// A load (Integrity): raw bytes against the digest; zlib by its stream
// (and its digest with an encrypted index or a keyed digest); encrypted
// by its digest and its tag, a sealed zlib stream then by its sizes.
void readBlock(const Bytes& file, const Entry& e, bool indexEncrypted, const Keys* keys, Block& out)
{
    const uint8_t* stored = file.data() + e.offset;
    const size_t storedSize = static_cast<size_t>(e.storedSize);
    const uint8_t storage = e.block.storage;
    const bool sealed = storage == 3 || storage == 4;
    if (sealed && !keys) {
        out.error = "no key";
        return;
    }
    if (storage != 2 || e.keyed || indexEncrypted) {
        if (std::string error = digestRule(e, keys, stored, storedSize); !error.empty()) {
            out.error = error;
            return;
        }
    }
    Bytes data(static_cast<size_t>(e.size));
    if (storage == 1) {
        data.assign(stored, stored + storedSize);
    } else if (storage == 2) {
        if (!inflateExact(stored, storedSize, data, static_cast<size_t>(e.size))) {
            out.error = "zlib stream does not decode to its size";
            return;
        }
    } else {
        // Type | seal id | (bound:) name field | whether the index is
        // encrypted | (storage 4:) 4.
        uint8_t aad[90];
        std::memcpy(aad, e.typeField, 16);
        for (int i = 0; i < 8; ++i)
            aad[16 + i] = static_cast<uint8_t>(e.sealId >> (8 * i));
        std::memcpy(aad + 24, e.nameField, 64);
        aad[88] = indexEncrypted ? 1 : 0;
        aad[89] = 4;
        const size_t aadLength = e.sealId == 0 ? 16 : !e.bound ? 24 : storage == 4 ? 90 : 89;
        Bytes opened(storedSize - 28);
        if (!gcmOpen(keys->aes, stored, aad, aadLength, stored + 12, opened.size(), stored + 12 + opened.size(),
                     opened.data())) {
            out.error = "tag mismatch";
            return;
        }
        if (storage == 3) {
            data = std::move(opened);
        } else if (!inflateExact(opened.data(), opened.size(), data, static_cast<size_t>(e.size))) {
            out.error = "sealed zlib stream does not decode to its size";
            return;
        }
    }
    out.data = std::move(data);
}

// validate(deep) of a live block: its digest, a zlib stream's sizes, and
// with the key an encrypted block's tag.
std::string deepRule(const Bytes& file, const Entry& e, bool indexEncrypted, const Keys* keys)
{
    const uint8_t* stored = file.data() + e.offset;
    if (std::string error = digestRule(e, keys, stored, static_cast<size_t>(e.storedSize)); !error.empty())
        return error;
    if (e.block.storage == 1 || (e.block.storage >= 3 && !keys))
        return {};
    Block loaded;
    readBlock(file, e, indexEncrypted, keys, loaded);
    return loaded.error;
}

struct Range {
    uint64_t begin, end;
};

// Where each slot lies, by the Index segments rules, and the list when
// there is one; an error text or empty.
std::string indexPlaces(const Bytes& file, const Record& rec, std::vector<Range>& segments, std::vector<Range>& list)
{
    if (!(rec.flags & 8)) {
        if (uint64_t(rec.capacity) * 352 > rec.dataEnd - rec.indexOffset)
            return "index table beyond the data end";
        if (rec.capacity)
            segments.push_back({rec.indexOffset, rec.indexOffset + uint64_t(rec.capacity) * 352});
        return {};
    }
    const uint64_t at = rec.indexOffset;
    const uint64_t n = rec.dataEnd - at >= 8 && std::memcmp(&file[at], "ZKIS", 4) == 0 ? le(&file[at + 4], 4) : 0;
    const uint64_t body = 8 + 16 * n;
    if (n == 0 || n > 128 || body + 8 > rec.dataEnd - at || le(&file[at + body], 8) != XXH64(&file[at], body, 0))
        return "index segment list damaged";
    std::vector<Range> taken{{at, at + body + 8}};
    uint64_t total = 0;
    for (uint64_t i = 0; i < n; ++i) {
        const uint8_t* p = &file[at + 8 + 16 * i];
        const uint64_t offset = le(p, 8), slots = le(p + 8, 4);
        if (slots == 0 || le(p + 12, 4) != 0 || offset < 512 || offset > rec.dataEnd || slots * 352 > rec.dataEnd - offset)
            return "index segment damaged";
        total += slots;
        segments.push_back({offset, offset + slots * 352});
        taken.push_back(segments.back());
    }
    std::sort(taken.begin(), taken.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < taken.size(); ++i)
        if (taken[i].begin < taken[i - 1].end)
            return "index segments overlap";
    if (total != rec.capacity)
        return "segments do not hold the capacity";
    list.push_back({at, at + body + 8});
    return {};
}

} // namespace

Archive read(const std::string& path, const std::string& key)
{
    Archive out;
    auto refuse = [&out](Refusal why, const std::string& what) {
        out.refusal = why;
        out.error = what;
        return out;
    };
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 512 || std::memcmp(file.data(), "ZK7QELv2", 8) != 0 || le(&file[8], 2) != 2
        || le(&file[10], 2) != 0 || le(&file[12], 4) != 512 || le(&file[16], 4) != 256)
        return refuse(Refusal::NotArchive, "not an archive");
    const uint64_t layout = le(&file[28], 4);
    if (layout != 0 && layout != 2)
        return refuse(Refusal::NotArchive, "unknown layout");
    out.layout = layout == 2 ? 2 : 1;
    const size_t places[2] = {64, layout == 2 ? size_t(288) : size_t(192)};
    Record records[2];
    RecordState states[2];
    for (int i = 0; i < 2; ++i)
        states[i] = readRecord(&file[places[i]], layout == 2 ? 2 : 1, records[i]);
    if (states[0] == RecordState::Damaged || states[1] == RecordState::Damaged
        || (states[0] == RecordState::Absent && states[1] == RecordState::Absent))
        return refuse(Refusal::Damaged, "damaged commit record");
    if (states[0] == RecordState::Valid && states[1] == RecordState::Valid
        && records[0].generation == records[1].generation)
        return refuse(Refusal::Damaged, "two records of one generation");
    for (int i = 0; i < 2; ++i) {
        const Record& alone = records[1 - i];
        if (states[i] == RecordState::Absent && (alone.version == 3 || alone.generation != 1))
            return refuse(Refusal::Damaged, "a missing commit record");
    }
    const bool secondInForce = states[0] != RecordState::Valid
                               || (states[1] == RecordState::Valid && records[1].generation > records[0].generation);
    const Record& rec = records[secondInForce ? 1 : 0];
    const Record& other = records[secondInForce ? 0 : 1];
    if (rec.version == 2 && other.version == 3)
        return refuse(Refusal::Damaged, "a version-2 record newer than a version-3 one");
    out.indexEncrypted = rec.flags & 1;
    out.blocksEncrypted = rec.flags & 2;
    if (rec.indexOffset < 512 || rec.capacity > (64u << 20) || rec.count > rec.capacity || rec.dataEnd > file.size()
        || rec.indexOffset > rec.dataEnd)
        return refuse(Refusal::Damaged, "commit record points outside the file");
    if (rec.limit > (16u << 20))
        return refuse(Refusal::Damaged, "block limit out of range");
    if (rec.nextSealId == 0 || rec.nextSealId > (uint64_t(1) << 48))
        return refuse(Refusal::Damaged, "next seal id out of range");
    std::vector<Range> indexRanges, listRange;
    if (std::string error = indexPlaces(file, rec, indexRanges, listRange); !error.empty())
        return refuse(Refusal::Damaged, error);

    // What the record alone shows comes before the key.
    if (out.indexEncrypted && !(rec.flags & 4))
        return refuse(Refusal::Damaged, "encrypted index without a key check");
    Keys keys;
    const Keys* keysIf = nullptr;
    if (rec.flags & 4) {
        if (!costAcceptable(rec))
            return refuse(Refusal::Damaged, "key derivation cost out of range");
        if (!key.empty()) {
            if (std::string error = deriveKeys(rec, key, keys); !error.empty())
                return refuse(Refusal::Key, error);
            keysIf = &keys;
        }
    }
    if (out.indexEncrypted) {
        if (key.empty())
            return refuse(Refusal::Key, "no key");
        if (rec.version >= 2) {
            const Key mac = hmac(keys.digest.data(), rec.bytes, 152);
            if (CRYPTO_memcmp(mac.data(), rec.bytes + 152, 32) != 0)
                return refuse(Refusal::Damaged, "record MAC mismatch");
        }
    }
    std::vector<uint64_t> slotAt; // offset of each slot below count
    for (const Range& segment : indexRanges)
        for (uint64_t at = segment.begin; at < segment.end && slotAt.size() < rec.count; at += 352)
            slotAt.push_back(at);

    uint8_t tagSum[16] = {};
    EVP_CIPHER_CTX* ecb = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ecb, EVP_aes_256_ecb(), nullptr, keys.tag.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ecb, 0);
    std::set<std::pair<std::string, std::string>> live;
    std::vector<Entry> entries;
    bool anyEncrypted = false;
    for (uint32_t slot = 0; slot < rec.count && out.error.empty(); ++slot) {
        Entry e;
        uint64_t generation = 0;
        out.error = chooseVersion(&file[slotAt[slot]], slot, rec, keysIf, e, generation);
        if (out.error.empty())
            out.error = entryRule(e, rec);
        if (!out.error.empty())
            break;
        uint8_t block[16] = {}, summand[16];
        for (int i = 0; i < 4; ++i)
            block[i] = static_cast<uint8_t>(slot >> (8 * i));
        for (int i = 0; i < 8; ++i)
            block[4 + i] = static_cast<uint8_t>(generation >> (8 * i));
        if (out.indexEncrypted) {
            int n = 0;
            EVP_EncryptUpdate(ecb, summand, &n, block, 16);
        } else {
            // The index sum: XXH3-128, low half then high half, little-endian.
            const XXH128_hash_t h = XXH3_128bits(block, 16);
            for (int i = 0; i < 8; ++i) {
                summand[i] = static_cast<uint8_t>(h.low64 >> (8 * i));
                summand[8 + i] = static_cast<uint8_t>(h.high64 >> (8 * i));
            }
        }
        for (int i = 0; i < 16; ++i)
            tagSum[i] ^= summand[i];
        if (!e.block.deleted && !live.emplace(e.block.name, e.block.type).second)
            out.error = "two live blocks with one name and type";
        else if (e.sealId >= rec.nextSealId)
            out.error = "a seal id never handed out";
        anyEncrypted |= e.block.storage == 3 || e.block.storage == 4;
        entries.push_back(e);
    }
    EVP_CIPHER_CTX_free(ecb);
    if (out.error.empty() && anyEncrypted && !(rec.flags & 4))
        out.error = "encrypted blocks without a key check";
    if (out.error.empty() && (out.indexEncrypted ? rec.version >= 2 : rec.version == 3)
        && std::memcmp(tagSum, rec.indexTag, 16) != 0)
        out.error = out.indexEncrypted ? "index tag mismatch" : "index sum mismatch";
    if (!out.error.empty()) {
        OPENSSL_cleanse(&keys, sizeof(keys));
        return refuse(Refusal::Damaged, out.error);
    }

    // validate: stored bytes of every entry (deleted too, none of no size)
    // apart from each other, the header and the index.
    std::vector<Range> taken = indexRanges;
    taken.insert(taken.end(), listRange.begin(), listRange.end());
    taken.push_back({0, 512});
    for (const Entry& e : entries)
        if (e.storedSize)
            taken.push_back({e.offset, e.offset + e.storedSize});
    std::sort(taken.begin(), taken.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < taken.size() && out.validateError.empty(); ++i)
        if (taken[i].begin < taken[i - 1].end)
            out.validateError = "stored bytes overlap";
    out.deepValidateError = out.validateError;
    for (Entry& e : entries) {
        if (out.deepValidateError.empty() && !e.block.deleted)
            out.deepValidateError = deepRule(file, e, out.indexEncrypted, keysIf);
        readBlock(file, e, out.indexEncrypted, keysIf, e.block);
        out.blocks.push_back(std::move(e.block));
    }
    OPENSSL_cleanse(&keys, sizeof(keys));
    return out;
}

} // namespace independent
