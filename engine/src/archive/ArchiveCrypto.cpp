#include "ArchiveCrypto.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace Zelkoran::archive {

namespace {
constexpr char kCheckText[] = "ZK7QELv2 key check";
constexpr char kMacLabel[] = "ZK7QELv2 digest key";
constexpr char kTagLabel[] = "ZK7QELv2 index tag key";
// A file may ask for no more than a normal open costs: scrypt needs
// 128 * r * N bytes and time in proportion to N * r * p.
constexpr uint64_t kMaxScryptMemory = 128ull * 8 << 16;
constexpr uint64_t kMaxScryptWork = 8ull << 16;

// The last derivation, so reopening an archive with its key (which the
// editor does often) skips the deliberately slow step. Wiped when replaced
// and when the last archive closes.
struct DerivationCache {
    uint8_t userKey[kMaxUserKey] = {};
    int length = 0;
    uint8_t salt[kSaltSize] = {};
    KdfParams params;
    uint8_t derived[32] = {};

    ~DerivationCache() { wipe(); }
    void wipe()
    {
        OPENSSL_cleanse(userKey, sizeof(userKey));
        OPENSSL_cleanse(derived, sizeof(derived));
        OPENSSL_cleanse(salt, sizeof(salt));
        length = 0;
        params = KdfParams{};
    }
    bool matches(const void* key, int keyLength, const uint8_t* s, const KdfParams& p) const
    {
        return length == keyLength && params == p && CRYPTO_memcmp(userKey, key, static_cast<size_t>(keyLength)) == 0
               && std::memcmp(salt, s, kSaltSize) == 0;
    }
    void store(const void* key, int keyLength, const uint8_t* s, const KdfParams& p, const uint8_t* d)
    {
        wipe();
        std::memcpy(userKey, key, static_cast<size_t>(keyLength));
        length = keyLength;
        std::memcpy(salt, s, kSaltSize);
        params = p;
        std::memcpy(derived, d, sizeof(derived));
    }
};
DerivationCache g_cache;

bool hmac(const uint8_t key[32], const void* data, size_t length, uint8_t out[32])
{
    unsigned int n = 32;
    return HMAC(EVP_sha256(), key, 32, static_cast<const unsigned char*>(data), length, out, &n) != nullptr && n == 32;
}

KdfParams g_newKeyCost;
} // namespace

bool KdfParams::acceptable() const
{
    if (algorithm == PBKDF2_SHA256)
        return iterations >= 1 && iterations <= kMaxKdfIterations;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    constexpr uint8_t kMaxLogN = 12; // a fuzzer must not spend its time deriving
#else
    constexpr uint8_t kMaxLogN = 16;
#endif
    return algorithm == SCRYPT && logN >= 10 && logN <= kMaxLogN && r >= 1 && p >= 1
           && 128ull * r * (1ull << logN) <= kMaxScryptMemory && uint64_t(r) * p * (1ull << logN) <= kMaxScryptWork;
}

const KdfParams& newKeyCost() { return g_newKeyCost; }
void setNewKeyCost(const KdfParams& params) { g_newKeyCost = params; }

void forgetDerivations() { g_cache.wipe(); }

bool ArchiveKey::derive(const void* userKey, int length, const uint8_t salt[kSaltSize], const KdfParams& params)
{
    clear();
    if (!userKey || length < 1 || length > kMaxUserKey || !params.acceptable())
        return false;
    if (g_cache.matches(userKey, length, salt, params)) {
        std::memcpy(m_key, g_cache.derived, sizeof(m_key));
        return deriveSubkeys();
    }
    bool ok = false;
    if (params.algorithm == KdfParams::PBKDF2_SHA256)
        ok = PKCS5_PBKDF2_HMAC(static_cast<const char*>(userKey), length, salt, kSaltSize,
                               static_cast<int>(params.iterations), EVP_sha256(), sizeof(m_key), m_key) == 1;
    else
        ok = EVP_PBE_scrypt(static_cast<const char*>(userKey), static_cast<size_t>(length), salt, kSaltSize,
                            uint64_t(1) << params.logN, params.r, params.p, kMaxScryptMemory + (1u << 20), m_key,
                            sizeof(m_key)) == 1;
    if (!ok) {
        OPENSSL_cleanse(m_key, sizeof(m_key));
        return false;
    }
    g_cache.store(userKey, length, salt, params, m_key);
    return deriveSubkeys();
}

bool ArchiveKey::deriveSubkeys()
{
    m_valid = hmac(m_key, kMacLabel, sizeof(kMacLabel), m_macKey) && hmac(m_key, kTagLabel, sizeof(kTagLabel), m_tagKey);
    if (!m_valid)
        clear();
    return m_valid;
}

void ArchiveKey::clear()
{
    OPENSSL_cleanse(m_key, sizeof(m_key));
    OPENSSL_cleanse(m_macKey, sizeof(m_macKey));
    OPENSSL_cleanse(m_tagKey, sizeof(m_tagKey));
    m_valid = false;
    // The contexts hold the expanded key schedule: free (and wipe) them too.
    EVP_CIPHER_CTX_free(m_enc);
    EVP_CIPHER_CTX_free(m_dec);
    m_enc = m_dec = nullptr;
    EVP_MAC_CTX_free(m_mac);
    m_mac = nullptr;
    m_macLent = false;
}

void ArchiveKey::take(ArchiveKey& other)
{
    clear();
    if (!other.m_valid)
        return;
    std::memcpy(m_key, other.m_key, sizeof(m_key));
    std::memcpy(m_macKey, other.m_macKey, sizeof(m_macKey));
    std::memcpy(m_tagKey, other.m_tagKey, sizeof(m_tagKey));
    m_valid = true;
    other.clear();
}

bool ArchiveKey::ensureContexts() const
{
    if (m_enc && m_dec)
        return true;
    m_enc = EVP_CIPHER_CTX_new();
    m_dec = EVP_CIPHER_CTX_new();
    if (!m_enc || !m_dec || EVP_EncryptInit_ex(m_enc, EVP_aes_256_gcm(), nullptr, m_key, nullptr) != 1
        || EVP_DecryptInit_ex(m_dec, EVP_aes_256_gcm(), nullptr, m_key, nullptr) != 1) {
        EVP_CIPHER_CTX_free(m_enc);
        EVP_CIPHER_CTX_free(m_dec);
        m_enc = m_dec = nullptr;
        return false;
    }
    return true;
}

namespace {
// The context was initialised for one direction; EVP_Cipher* follows it.
bool cipherAad(EVP_CIPHER_CTX* ctx, const void* aad, size_t aadLength)
{
    int n = 0;
    return aadLength == 0
           || EVP_CipherUpdate(ctx, nullptr, &n, static_cast<const unsigned char*>(aad), static_cast<int>(aadLength))
                  == 1;
}

// EVP lengths are ints: large blocks go in pieces.
bool cipherPieces(EVP_CIPHER_CTX* ctx, const unsigned char* src, size_t length, unsigned char* dst)
{
    constexpr size_t kPiece = 1u << 30;
    int n = 0;
    for (size_t done = 0; done < length; done += kPiece) {
        size_t piece = length - done < kPiece ? length - done : kPiece;
        if (EVP_CipherUpdate(ctx, dst + done, &n, src + done, static_cast<int>(piece)) != 1)
            return false;
    }
    return true;
}

// Checks the tag of what ctx decrypted; on failure the bytes in out, never
// the archive's, are wiped.
bool finishOpen(EVP_CIPHER_CTX* ctx, bool ok, const uint8_t tag[kTagSize], void* out, size_t length)
{
    uint8_t expected[kTagSize];
    std::memcpy(expected, tag, kTagSize);
    unsigned char tail[16];
    int n = 0;
    if (ok && EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, kTagSize, expected) == 1
        && EVP_DecryptFinal_ex(ctx, tail, &n) == 1)
        return true;
    OPENSSL_cleanse(out, length);
    return false;
}
} // namespace

bool ArchiveKey::seal(const void* aad, size_t aadLength, const void* in, size_t length, uint8_t* out) const
{
    if (!m_valid || !ensureContexts() || !randomBytes(out, kNonceSize))
        return false;
    if (EVP_EncryptInit_ex(m_enc, nullptr, nullptr, nullptr, out) != 1)
        return false;
    uint8_t* dst = out + kNonceSize;
    if (!cipherAad(m_enc, aad, aadLength) || !cipherPieces(m_enc, static_cast<const unsigned char*>(in), length, dst))
        return false;
    int n = 0;
    if (EVP_EncryptFinal_ex(m_enc, dst + length, &n) != 1)
        return false;
    return EVP_CIPHER_CTX_ctrl(m_enc, EVP_CTRL_GCM_GET_TAG, kTagSize, dst + length) == 1;
}

bool ArchiveKey::open(const void* aad, size_t aadLength, const uint8_t* in, size_t length, void* out) const
{
    if (length < kSealOverhead)
        return false;
    const size_t bodyLength = length - kSealOverhead;
    return openParts(aad, aadLength, in, in + kNonceSize, bodyLength, in + kNonceSize + bodyLength, out);
}

bool ArchiveKey::openParts(const void* aad, size_t aadLength, const uint8_t nonce[kNonceSize], const void* ciphertext,
                           size_t length, const uint8_t tag[kTagSize], void* out) const
{
    if (!m_valid || !ensureContexts() || EVP_DecryptInit_ex(m_dec, nullptr, nullptr, nullptr, nonce) != 1)
        return false;
    if (!cipherAad(m_dec, aad, aadLength))
        return false;
    const bool ok = cipherPieces(m_dec, static_cast<const unsigned char*>(ciphertext), length,
                                 static_cast<unsigned char*>(out));
    return finishOpen(m_dec, ok, tag, out, length);
}

namespace {
using Fill = std::function<bool(uint8_t* at, uint64_t offset, size_t n)>;
// Well inside the second-level cache: each piece is decrypted while still
// there. Reads go on one thread: the kernel's read-ahead already overlaps
// the device with the decryption, and a second thread only adds hand-offs
// that a busy machine turns into waits.
constexpr size_t kReadPiece = 256 * 1024;
} // namespace

bool ArchiveKey::openReading(const void* aad, size_t aadLength, const uint8_t nonce[kNonceSize], size_t length,
                             const uint8_t tag[kTagSize], void* out, const Fill& fill) const
{
    if (!m_valid || !ensureContexts() || EVP_DecryptInit_ex(m_dec, nullptr, nullptr, nullptr, nonce) != 1)
        return false;
    if (!cipherAad(m_dec, aad, aadLength))
        return false;
    auto* dst = static_cast<unsigned char*>(out);
    bool ok = true;
    int n = 0;
    for (size_t done = 0; ok && done < length; done += kReadPiece) {
        const size_t piece = std::min(kReadPiece, length - done);
        ok = fill(dst + done, done, piece)
             && EVP_DecryptUpdate(m_dec, dst + done, &n, dst + done, static_cast<int>(piece)) == 1;
    }
    return finishOpen(m_dec, ok, tag, out, length);
}

bool ArchiveKey::makeCheck(uint8_t nonce[kNonceSize], uint8_t tag[kTagSize]) const
{
    uint8_t sealed[kSealOverhead];
    if (!seal(kCheckText, sizeof(kCheckText), nullptr, 0, sealed))
        return false;
    std::memcpy(nonce, sealed, kNonceSize);
    std::memcpy(tag, sealed + kNonceSize, kTagSize);
    return true;
}

bool ArchiveKey::verifyCheck(const uint8_t nonce[kNonceSize], const uint8_t tag[kTagSize]) const
{
    uint8_t sealed[kSealOverhead];
    std::memcpy(sealed, nonce, kNonceSize);
    std::memcpy(sealed + kNonceSize, tag, kTagSize);
    uint8_t none[1];
    return open(kCheckText, sizeof(kCheckText), sealed, sizeof(sealed), none);
}

bool ArchiveKey::mac(const void* data, size_t length, uint8_t out[32]) const
{
    return m_valid && hmac(m_macKey, data, length, out);
}

namespace {
// Fetching the algorithm costs more than digesting a small block: once.
EVP_MAC* hmacAlgorithm()
{
    static EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    return mac;
}
} // namespace

bool ArchiveKey::ensureMac() const
{
    if (m_mac)
        return true;
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    m_mac = hmacAlgorithm() ? EVP_MAC_CTX_new(hmacAlgorithm()) : nullptr;
    if (m_mac && EVP_MAC_init(m_mac, m_macKey, sizeof(m_macKey), params) == 1)
        return true;
    EVP_MAC_CTX_free(m_mac);
    m_mac = nullptr;
    return false;
}

ArchiveKey::Digest::Digest(const ArchiveKey& key)
{
    if (!key.m_valid || !key.ensureMac())
        return;
    if (key.m_macLent) {
        m_ctx = EVP_MAC_CTX_dup(key.m_mac);
    } else {
        key.m_macLent = true;
        m_lender = &key;
        m_ctx = key.m_mac;
    }
    // A null key restarts the context with the key it holds.
    m_ok = m_ctx && EVP_MAC_init(m_ctx, nullptr, 0, nullptr) == 1;
}

ArchiveKey::Digest::~Digest()
{
    if (m_lender)
        m_lender->m_macLent = false;
    else
        EVP_MAC_CTX_free(m_ctx);
}

bool ArchiveKey::Digest::update(const void* data, size_t length)
{
    m_ok = m_ok && EVP_MAC_update(m_ctx, static_cast<const unsigned char*>(data), length) == 1;
    return m_ok;
}

bool ArchiveKey::Digest::finish(uint64_t& out)
{
    uint8_t full[32];
    size_t n = 0;
    if (!m_ok || EVP_MAC_final(m_ctx, full, &n, sizeof(full)) != 1 || n != sizeof(full))
        return false;
    out = 0;
    for (int i = 7; i >= 0; --i)
        out = (out << 8) | full[i];
    return true;
}

bool ArchiveKey::xorIndexTags(const uint32_t* slots, const uint64_t* generations, size_t count,
                              uint8_t acc[kIndexTagSize]) const
{
    if (!m_valid)
        return false;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    bool ok = ctx && EVP_EncryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr, m_tagKey, nullptr) == 1
              && EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
    // Many pairs per call: ECB runs them through the cipher in parallel.
    constexpr size_t kBatch = 1024;
    uint8_t in[kBatch * 16];
    uint8_t out[kBatch * 16];
    for (size_t first = 0; ok && first < count; first += kBatch) {
        const size_t n = count - first < kBatch ? count - first : kBatch;
        std::memset(in, 0, n * 16);
        for (size_t i = 0; i < n; ++i)
            for (int b = 0; b < 4; ++b) {
                in[i * 16 + static_cast<size_t>(b)] = static_cast<uint8_t>(slots[first + i] >> (8 * b));
                in[i * 16 + 4 + static_cast<size_t>(b)] = static_cast<uint8_t>(generations[first + i] >> (8 * b));
                in[i * 16 + 8 + static_cast<size_t>(b)] = static_cast<uint8_t>(generations[first + i] >> (8 * b + 32));
            }
        int written = 0;
        ok = EVP_EncryptUpdate(ctx, out, &written, in, static_cast<int>(n * 16)) == 1 && written == static_cast<int>(n * 16);
        for (size_t i = 0; ok && i < n * 16; ++i)
            acc[i % 16] ^= out[i];
    }
    EVP_CIPHER_CTX_free(ctx);
    return ok;
}

} // namespace Zelkoran::archive
