// Keys and authenticated encryption (AES-256-GCM) for archive blocks and
// index entries. Every sealed message is nonce (12) | ciphertext | tag (16);
// the nonce is fresh for every write.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;

namespace Zelkoran::archive {

constexpr size_t kNonceSize = 12;
constexpr size_t kTagSize = 16;
constexpr size_t kSealOverhead = kNonceSize + kTagSize;
constexpr size_t kSaltSize = 16;
constexpr int kMaxUserKey = 32;
// Iterations of the key derivation for new keys; a file may state fewer or
// more, up to the maximum (a hostile file must not stall the open).
constexpr uint32_t kKdfIterations = 20000;
constexpr uint32_t kMaxKdfIterations = 1000000;

bool randomBytes(void* out, size_t length);

// The AES key derived from a user key and the archive's salt. The key
// bytes are wiped when the object is cleared or destroyed.
class ArchiveKey {
public:
    ArchiveKey() = default;
    ~ArchiveKey() { clear(); }
    ArchiveKey(const ArchiveKey&) = delete;
    ArchiveKey& operator=(const ArchiveKey&) = delete;

    // PBKDF2-HMAC-SHA256 of the user key (1..32 bytes). False on failure or
    // an iteration count outside 1..kMaxKdfIterations.
    bool derive(const void* userKey, int length, const uint8_t salt[kSaltSize], uint32_t iterations);
    bool valid() const { return m_valid; }
    void clear();
    // Moves the key material of other into this one; other is cleared.
    void take(ArchiveKey& other);

    // out receives length + kSealOverhead bytes. False on failure.
    bool seal(const void* aad, size_t aadLength, const void* in, size_t length, uint8_t* out) const;
    // in holds length bytes (>= kSealOverhead); out receives length -
    // kSealOverhead bytes. False when the tag does not match.
    bool open(const void* aad, size_t aadLength, const uint8_t* in, size_t length, void* out) const;
    // The same with the three parts apart; ciphertext and out may be the
    // same buffer (decryption in place).
    bool openParts(const void* aad, size_t aadLength, const uint8_t nonce[kNonceSize], const void* ciphertext,
                   size_t length, const uint8_t tag[kTagSize], void* out) const;

    // A tag over a fixed text proves a later key is the same one.
    bool makeCheck(uint8_t nonce[kNonceSize], uint8_t tag[kTagSize]) const;
    bool verifyCheck(const uint8_t nonce[kNonceSize], const uint8_t tag[kTagSize]) const;

private:
    bool ensureContexts() const;
    uint8_t m_key[32] = {};
    bool m_valid = false;
    mutable EVP_CIPHER_CTX* m_enc = nullptr;
    mutable EVP_CIPHER_CTX* m_dec = nullptr;
};

} // namespace Zelkoran::archive
