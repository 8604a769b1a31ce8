// AES-256-ECB decryption for the QELv1 reader, on OpenSSL's EVP interface.
// Exported with C linkage: the reader resolves these names at run time.
#include <Zelkoran/Internal.h>

#include <openssl/evp.h>

#include <cstring>
#include <memory>

namespace {

constexpr int kAESBlock = 16;

struct CipherContextFree {
    // Freeing also wipes the expanded key schedule.
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

} // namespace

extern "C" int aes_decrypt_key256(const unsigned char* key, aes_decrypt_ctx* ctx)
{
    if (!key || !ctx)
        return 1;
    std::memcpy(ctx->key, key, sizeof ctx->key);
    return 0;
}

extern "C" int aes_ecb_decrypt(const unsigned char* in, unsigned char* out, int length, const aes_decrypt_ctx* ctx)
{
    if (!in || !out || !ctx || length < 0 || length % kAESBlock != 0)
        return 1;
    if (length == 0)
        return 0;
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> cipher(EVP_CIPHER_CTX_new());
    int written = 0;
    int finalWritten = 0;
    // The key goes straight from the caller's context into OpenSSL: no copy
    // is left behind here.
    const bool done = cipher && EVP_DecryptInit_ex(cipher.get(), EVP_aes_256_ecb(), nullptr, ctx->key, nullptr) == 1 &&
                      EVP_CIPHER_CTX_set_padding(cipher.get(), 0) == 1 &&
                      EVP_DecryptUpdate(cipher.get(), out, &written, in, length) == 1 &&
                      EVP_DecryptFinal_ex(cipher.get(), out + written, &finalWritten) == 1 &&
                      written + finalWritten == length;
    return done ? 0 : 1;
}
