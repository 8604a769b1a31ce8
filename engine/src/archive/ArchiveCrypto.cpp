#include "ArchiveCrypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <cstring>

namespace Zelkoran::archive {

namespace {
constexpr char kCheckText[] = "ZK7QELv2 key check";

// The last derivation, so reopening an archive with its key (which the
// editor does often) skips the deliberately slow step. Wiped when replaced.
struct DerivationCache {
    uint8_t userKey[kMaxUserKey] = {};
    int length = 0;
    uint8_t salt[kSaltSize] = {};
    uint32_t iterations = 0;
    uint8_t derived[32] = {};

    ~DerivationCache() { OPENSSL_cleanse(this, sizeof(*this)); }
    bool matches(const void* key, int keyLength, const uint8_t* s, uint32_t n) const
    {
        return length == keyLength && iterations == n && CRYPTO_memcmp(userKey, key, static_cast<size_t>(keyLength)) == 0
               && std::memcmp(salt, s, kSaltSize) == 0;
    }
    void store(const void* key, int keyLength, const uint8_t* s, uint32_t n, const uint8_t* d)
    {
        OPENSSL_cleanse(this, sizeof(*this));
        std::memcpy(userKey, key, static_cast<size_t>(keyLength));
        length = keyLength;
        std::memcpy(salt, s, kSaltSize);
        iterations = n;
        std::memcpy(derived, d, sizeof(derived));
    }
};
DerivationCache g_cache;
} // namespace

bool randomBytes(void* out, size_t length)
{
    return length <= INT_MAX && RAND_bytes(static_cast<unsigned char*>(out), static_cast<int>(length)) == 1;
}

bool ArchiveKey::derive(const void* userKey, int length, const uint8_t salt[kSaltSize], uint32_t iterations)
{
    clear();
    if (!userKey || length < 1 || length > kMaxUserKey || iterations < 1 || iterations > kMaxKdfIterations)
        return false;
    if (g_cache.matches(userKey, length, salt, iterations)) {
        std::memcpy(m_key, g_cache.derived, sizeof(m_key));
        m_valid = true;
        return true;
    }
    m_valid = PKCS5_PBKDF2_HMAC(static_cast<const char*>(userKey), length, salt, kSaltSize,
                                static_cast<int>(iterations), EVP_sha256(), sizeof(m_key), m_key) == 1;
    if (m_valid)
        g_cache.store(userKey, length, salt, iterations, m_key);
    else
        OPENSSL_cleanse(m_key, sizeof(m_key));
    return m_valid;
}

void ArchiveKey::clear()
{
    OPENSSL_cleanse(m_key, sizeof(m_key));
    m_valid = false;
    // The contexts hold the expanded key schedule: free (and wipe) them too.
    EVP_CIPHER_CTX_free(m_enc);
    EVP_CIPHER_CTX_free(m_dec);
    m_enc = m_dec = nullptr;
}

void ArchiveKey::take(ArchiveKey& other)
{
    clear();
    if (!other.m_valid)
        return;
    std::memcpy(m_key, other.m_key, sizeof(m_key));
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

bool ArchiveKey::seal(const void* aad, size_t aadLength, const void* in, size_t length, uint8_t* out) const
{
    if (!m_valid || !ensureContexts() || !randomBytes(out, kNonceSize))
        return false;
    if (EVP_EncryptInit_ex(m_enc, nullptr, nullptr, nullptr, out) != 1)
        return false;
    int n = 0;
    if (aadLength > 0
        && EVP_EncryptUpdate(m_enc, nullptr, &n, static_cast<const unsigned char*>(aad), static_cast<int>(aadLength)) != 1)
        return false;
    const auto* src = static_cast<const unsigned char*>(in);
    uint8_t* dst = out + kNonceSize;
    // EVP lengths are ints: feed large blocks in pieces.
    constexpr size_t kPiece = 1u << 30;
    for (size_t done = 0; done < length; done += kPiece) {
        size_t piece = length - done < kPiece ? length - done : kPiece;
        if (EVP_EncryptUpdate(m_enc, dst + done, &n, src + done, static_cast<int>(piece)) != 1)
            return false;
    }
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
    int n = 0;
    if (aadLength > 0
        && EVP_DecryptUpdate(m_dec, nullptr, &n, static_cast<const unsigned char*>(aad), static_cast<int>(aadLength)) != 1)
        return false;
    const auto* src = static_cast<const unsigned char*>(ciphertext);
    auto* dst = static_cast<unsigned char*>(out);
    constexpr size_t kPiece = 1u << 30;
    for (size_t done = 0; done < length; done += kPiece) {
        size_t piece = length - done < kPiece ? length - done : kPiece;
        if (EVP_DecryptUpdate(m_dec, dst + done, &n, src + done, static_cast<int>(piece)) != 1)
            return false;
    }
    uint8_t expected[kTagSize];
    std::memcpy(expected, tag, kTagSize);
    if (EVP_CIPHER_CTX_ctrl(m_dec, EVP_CTRL_GCM_SET_TAG, kTagSize, expected) != 1)
        return false;
    unsigned char tail[16];
    return EVP_DecryptFinal_ex(m_dec, tail, &n) == 1;
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

} // namespace Zelkoran::archive
