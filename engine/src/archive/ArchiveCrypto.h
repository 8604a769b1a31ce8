// Keys and authenticated encryption (AES-256-GCM) for archive blocks and
// index entries. Every sealed message is nonce (12) | ciphertext | tag (16);
// the nonce is fresh for every write.
#pragma once

#include "core/RandomBytes.h"

#include <cstddef>
#include <cstdint>
#include <functional>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;
typedef struct evp_mac_ctx_st EVP_MAC_CTX;

namespace Zelkoran::archive {

constexpr size_t kNonceSize = 12;
constexpr size_t kTagSize = 16;
constexpr size_t kSealOverhead = kNonceSize + kTagSize;
constexpr size_t kSaltSize = 16;
constexpr int kMaxUserKey = 32;
constexpr size_t kIndexTagSize = 16;

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr uint8_t kDefaultLogN = 10; // a fuzzer must not spend its time deriving
#else
constexpr uint8_t kDefaultLogN = 16;
#endif

// How a user key becomes the AES key. Archives written before scrypt keep
// their PBKDF2 iteration count; new keys use scrypt at the default cost
// (about 0.2 s and 64 MiB on a current desktop). A file may state no
// higher cost than that (PBKDF2: 1 000 000 iterations, about as long), so
// a hostile file cannot stall an open or exhaust memory.
struct KdfParams {
    enum Algorithm : uint8_t { PBKDF2_SHA256 = 1, SCRYPT = 2 };
    uint8_t algorithm = SCRYPT;
    uint32_t iterations = 0; // PBKDF2
    uint8_t logN = kDefaultLogN; // scrypt: N = 2^logN
    uint8_t r = 8;
    uint8_t p = 1;

    bool operator==(const KdfParams&) const = default;
    // Within what this engine derives in bounded time and memory.
    bool acceptable() const;
};
constexpr uint32_t kMaxKdfIterations = 1000000;

// What new keys are derived with: the default cost, unless tests that open
// archives thousands of times lower it. Tests only.
const KdfParams& newKeyCost();
void setNewKeyCost(const KdfParams& params);

// Forgets the last derivation the engine keeps to reopen an archive
// quickly: its user key and derived key are wiped.
void forgetDerivations();

// The AES key derived from a user key and the archive's salt, with two
// subkeys made from it: one for keyed digests (HMAC-SHA256) and one for
// the index tags. All key bytes are wiped when the object is cleared or
// destroyed.
class ArchiveKey {
public:
    ArchiveKey() = default;
    ~ArchiveKey() { clear(); }
    ArchiveKey(const ArchiveKey&) = delete;
    ArchiveKey& operator=(const ArchiveKey&) = delete;

    // The user key is 1..32 bytes. False on failure or unacceptable params.
    bool derive(const void* userKey, int length, const uint8_t salt[kSaltSize], const KdfParams& params);
    bool valid() const { return m_valid; }
    void clear();
    // Moves the key material of other into this one; other is cleared.
    void take(ArchiveKey& other);

    // out receives length + kSealOverhead bytes. False on failure.
    bool seal(const void* aad, size_t aadLength, const void* in, size_t length, uint8_t* out) const;
    // in holds length bytes (>= kSealOverhead); out receives length -
    // kSealOverhead bytes. False when the tag does not match; out is wiped then.
    bool open(const void* aad, size_t aadLength, const uint8_t* in, size_t length, void* out) const;
    // The same with the three parts apart; ciphertext and out may be the
    // same buffer (decryption in place).
    bool openParts(const void* aad, size_t aadLength, const uint8_t nonce[kNonceSize], const void* ciphertext,
                   size_t length, const uint8_t tag[kTagSize], void* out) const;
    // The same with the ciphertext read into out piece by piece by fill
    // (false = failed) and each piece decrypted in place while it is still
    // in cache; fill is called in order, on the caller's thread.
    bool openReading(const void* aad, size_t aadLength, const uint8_t nonce[kNonceSize], size_t length,
                     const uint8_t tag[kTagSize], void* out,
                     const std::function<bool(uint8_t* at, uint64_t offset, size_t n)>& fill) const;

    // A tag over a fixed text proves a later key is the same one.
    bool makeCheck(uint8_t nonce[kNonceSize], uint8_t tag[kTagSize]) const;
    bool verifyCheck(const uint8_t nonce[kNonceSize], const uint8_t tag[kTagSize]) const;

    // HMAC-SHA256 with the digest subkey. False on failure.
    bool mac(const void* data, size_t length, uint8_t out[32]) const;
    // The same over data given in pieces. The key keeps one context keyed
    // for it, which a digest borrows and only restarts (no key schedule
    // and no algorithm lookup per block); a digest made while it is
    // borrowed gets a copy. A digest must not outlive its key's material.
    class Digest {
    public:
        explicit Digest(const ArchiveKey& key);
        ~Digest();
        Digest(const Digest&) = delete;
        Digest& operator=(const Digest&) = delete;
        bool update(const void* data, size_t length);
        // The first 8 bytes of the MAC, little-endian; false on failure.
        bool finish(uint64_t& out);

    private:
        const ArchiveKey* m_lender = nullptr; // whose kept context this is
        EVP_MAC_CTX* m_ctx = nullptr;
        bool m_ok = false;
    };

    // XORs into acc the tag of each (slot, generation) pair: AES-256 of
    // the pair under the index subkey. Without the key, no set of pairs
    // can be made to match a given sum.
    bool xorIndexTags(const uint32_t* slots, const uint64_t* generations, size_t count,
                      uint8_t acc[kIndexTagSize]) const;

private:
    bool ensureContexts() const;
    // The kept digest context, keyed with the digest subkey once.
    bool ensureMac() const;
    bool deriveSubkeys();
    uint8_t m_key[32] = {};
    uint8_t m_macKey[32] = {};
    uint8_t m_tagKey[32] = {};
    bool m_valid = false;
    mutable EVP_CIPHER_CTX* m_enc = nullptr;
    mutable EVP_CIPHER_CTX* m_dec = nullptr;
    mutable EVP_MAC_CTX* m_mac = nullptr;
    mutable bool m_macLent = false;
};

} // namespace Zelkoran::archive
