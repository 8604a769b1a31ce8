// Builds QELv1.1 archive files for the tests, the fuzz seeds and the
// benchmark: plain or encrypted index, raw, compressed and encrypted blocks,
// deleted and empty entries, and every size, offset and checksum corrupted
// on request.
#pragma once

#include <openssl/evp.h>
#include <xxhash.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qelv1 {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSeed = 41752906;
constexpr size_t kHeaderOffset = 8;
constexpr size_t kIndexOffset = 264;
constexpr size_t kEntrySize = 128;
constexpr unsigned char kBlockKey[32] = "Vq7%3Bk2%5D88x%7E4410#Pol%3C95z";

inline Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// A text that compresses well.
inline Bytes prose(size_t size)
{
    const std::string words = "the quick brown fox jumps over the lazy dog ";
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = static_cast<uint8_t>(words[(i * 7 + i / 97) % words.size()]);
    return b;
}

inline void putU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t getU32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// AES-256-ECB without padding; size must be a multiple of 16.
inline void aesEcbEncrypt(const unsigned char key[32], uint8_t* data, size_t size)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int produced = 0;
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_ecb(), nullptr, key, nullptr) != 1
        || EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1
        || EVP_EncryptUpdate(ctx.get(), data, &produced, data, static_cast<int>(size)) != 1
        || static_cast<size_t>(produced) != size)
        throw std::runtime_error("AES encryption failed");
}

inline Bytes deflate(const Bytes& data, int level = Z_DEFAULT_COMPRESSION)
{
    uLongf size = compressBound(data.size());
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), data.size(), level) != Z_OK)
        throw std::runtime_error("compression failed");
    out.resize(size);
    return out;
}

struct Entry {
    std::string type;
    std::string name;
    uint32_t storage = 1; // 1 raw, 2 zlib, 3 AES with kBlockKey; any other is written as given
    Bytes data;           // the decoded contents
    // Replace the computed index fields when set.
    std::optional<uint32_t> dataSize, storedSize, offset, checksum;
    // Overrides the stored bytes (for broken zlib streams and the like).
    std::optional<Bytes> stored;
};

inline Entry raw(std::string type, std::string name, Bytes data)
{
    return Entry{std::move(type), std::move(name), 1, std::move(data)};
}
inline Entry compressed(std::string type, std::string name, Bytes data)
{
    return Entry{std::move(type), std::move(name), 2, std::move(data)};
}
inline Entry encrypted(std::string type, std::string name, Bytes data)
{
    return Entry{std::move(type), std::move(name), 3, std::move(data)};
}
// A soft-deleted entry: its type starts with "?SD_".
inline Entry deleted(std::string type, std::string name, uint32_t storage, Bytes data)
{
    return Entry{"?SD_" + type.substr(4), std::move(name), storage, std::move(data)};
}
// An index slot never used: data size 0.
inline Entry empty()
{
    return Entry{};
}

class Writer {
public:
    std::vector<Entry> entries;
    std::string indexKey;            // not empty: "SecureQEL " index encrypted with this key
    std::optional<std::string> marker;
    std::optional<uint32_t> count;   // the header's entry count, entries.size() by default
    std::optional<uint32_t> headerChecksum;

    Writer& add(Entry e)
    {
        entries.push_back(std::move(e));
        return *this;
    }

    Bytes storedBytes(const Entry& e) const
    {
        if (e.stored)
            return *e.stored;
        if (e.storage == 2)
            return deflate(e.data);
        if (e.storage == 3) {
            Bytes out = e.data;
            out.resize((out.size() + 15) / 16 * 16, 0);
            aesEcbEncrypt(kBlockKey, out.data(), out.size());
            return out;
        }
        return e.data;
    }

    Bytes bytes() const
    {
        Bytes file(kIndexOffset + entries.size() * kEntrySize, 0);
        std::memcpy(file.data(), "QELv1.1", 8);
        uint8_t* header = file.data() + kHeaderOffset;
        const std::string mark = marker.value_or(indexKey.empty() ? "OpenQEL " : "SecureQEL ");
        std::memcpy(header, mark.data(), std::min<size_t>(mark.size(), 112));
        for (size_t i = 20; i < 112; ++i) // covered by the checksum like any other byte
            header[i] = static_cast<uint8_t>(i * 7);
        putU32(header + 116, count.value_or(static_cast<uint32_t>(entries.size())));
        if (!indexKey.empty())
            std::memset(header + 120, 0x5A, 32); // never the key itself

        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            const Bytes stored = storedBytes(e);
            uint8_t* entry = file.data() + kIndexOffset + i * kEntrySize;
            std::strncpy(reinterpret_cast<char*>(entry), e.type.c_str(), 16);
            std::strncpy(reinterpret_cast<char*>(entry + 16), e.name.c_str(), 64);
            putU32(entry + 80, e.storage);
            putU32(entry + 84, e.dataSize.value_or(static_cast<uint32_t>(e.data.size())));
            putU32(entry + 88, e.storedSize.value_or(static_cast<uint32_t>(stored.size())));
            putU32(entry + 92, e.offset.value_or(static_cast<uint32_t>(file.size())));
            putU32(entry + 96, e.checksum.value_or(XXH32(e.data.data(), e.data.size(), kSeed)));
            file.insert(file.end(), stored.begin(), stored.end());
        }

        // The inserts above moved the bytes.
        putU32(file.data() + kHeaderOffset + 112, headerChecksum.value_or(computeHeaderChecksum(file)));
        if (!indexKey.empty())
            aesEcbEncrypt(paddedIndexKey().data(), file.data() + kIndexOffset, entries.size() * kEntrySize);
        return file;
    }

    void write(const std::string& path) const
    {
        const Bytes file = bytes();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                    static_cast<std::streamsize>(file.size()));
    }

private:
    std::vector<unsigned char> paddedIndexKey() const
    {
        std::vector<unsigned char> key(32, 0);
        std::memcpy(key.data(), indexKey.data(), std::min<size_t>(indexKey.size(), 32));
        return key;
    }

    // Over magic, header (checksum field 0, the padded key in 120..151 for
    // an encrypted index) and the plain index.
    uint32_t computeHeaderChecksum(const Bytes& file) const
    {
        Bytes header(file.begin() + kHeaderOffset, file.begin() + kIndexOffset);
        putU32(header.data() + 112, 0);
        if (!indexKey.empty())
            std::memcpy(header.data() + 120, paddedIndexKey().data(), 32);
        XXH32_state_t* state = XXH32_createState();
        XXH32_reset(state, kSeed);
        XXH32_update(state, file.data(), kHeaderOffset);
        XXH32_update(state, header.data(), header.size());
        XXH32_update(state, file.data() + kIndexOffset, entries.size() * kEntrySize);
        const uint32_t sum = XXH32_digest(state);
        XXH32_freeState(state);
        return sum;
    }
};

// A sprite block: the 128-byte header (version 10 at 0, record count at 44)
// and one 256-byte record per state word (high byte << 8 | low byte).
inline Bytes sprite(const std::vector<uint16_t>& stateWords, uint32_t version = 10)
{
    Bytes data(128 + 256 * stateWords.size(), 0);
    putU32(data.data(), version);
    putU32(data.data() + 44, static_cast<uint32_t>(stateWords.size()));
    for (size_t i = 0; i < stateWords.size(); ++i) {
        data[128 + 256 * i] = static_cast<uint8_t>(stateWords[i]);
        data[128 + 256 * i + 1] = static_cast<uint8_t>(stateWords[i] >> 8);
        data[128 + 256 * i + 2] = 0xEE; // the rest of the record is carried over
    }
    return data;
}

} // namespace qelv1
