#include <Zelkoran/Internal.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> hex(const std::string& text)
{
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

aes_decrypt_ctx contextFor(const std::string& keyHex)
{
    const std::vector<unsigned char> key = hex(keyHex);
    aes_decrypt_ctx ctx{};
    EXPECT_EQ(aes_decrypt_key256(key.data(), &ctx), 0);
    return ctx;
}

// NIST SP 800-38A, F.1.6 ECB-AES256.Decrypt: four blocks.
const std::string kNistKey = "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";
const std::string kNistCipher = "f3eed1bdb5d2a03c064b5a7e3db181f8591ccb10d410ed26dc5ba74a31362870"
                                "b6ed21b99ca6f4f9f153e7b1beafed1d23304b7a39f9f3ff067d8d8f9e24ecc7";
const std::string kNistPlain = "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                               "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

} // namespace

TEST(Crypto, DecryptsTheNistAes256EcbVector)
{
    const aes_decrypt_ctx ctx = contextFor(kNistKey);
    const std::vector<unsigned char> cipher = hex(kNistCipher);
    std::vector<unsigned char> plain(cipher.size());
    ASSERT_EQ(aes_ecb_decrypt(cipher.data(), plain.data(), static_cast<int>(cipher.size()), &ctx), 0);
    EXPECT_EQ(plain, hex(kNistPlain));
}

TEST(Crypto, DecryptsInPlace)
{
    const aes_decrypt_ctx ctx = contextFor(kNistKey);
    std::vector<unsigned char> data = hex(kNistCipher);
    ASSERT_EQ(aes_ecb_decrypt(data.data(), data.data(), static_cast<int>(data.size()), &ctx), 0);
    EXPECT_EQ(data, hex(kNistPlain));
}

TEST(Crypto, DecryptsTheFips197Aes256Example)
{
    // FIPS-197 appendix C.3.
    const aes_decrypt_ctx ctx = contextFor("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const std::vector<unsigned char> cipher = hex("8ea2b7ca516745bfeafc49904b496089");
    std::vector<unsigned char> plain(16);
    ASSERT_EQ(aes_ecb_decrypt(cipher.data(), plain.data(), 16, &ctx), 0);
    EXPECT_EQ(plain, hex("00112233445566778899aabbccddeeff"));
}

TEST(Crypto, RefusesBadLengthsAndArguments)
{
    const aes_decrypt_ctx ctx = contextFor(kNistKey);
    std::vector<unsigned char> data(32, 0xAB);
    const std::vector<unsigned char> untouched = data;
    EXPECT_NE(aes_ecb_decrypt(data.data(), data.data(), 15, &ctx), 0);
    EXPECT_NE(aes_ecb_decrypt(data.data(), data.data(), 17, &ctx), 0);
    EXPECT_NE(aes_ecb_decrypt(data.data(), data.data(), -16, &ctx), 0);
    EXPECT_NE(aes_ecb_decrypt(nullptr, data.data(), 16, &ctx), 0);
    EXPECT_NE(aes_ecb_decrypt(data.data(), nullptr, 16, &ctx), 0);
    EXPECT_NE(aes_ecb_decrypt(data.data(), data.data(), 16, nullptr), 0);
    EXPECT_EQ(data, untouched);
    EXPECT_EQ(aes_ecb_decrypt(data.data(), data.data(), 0, &ctx), 0);

    aes_decrypt_ctx empty{};
    EXPECT_NE(aes_decrypt_key256(nullptr, &empty), 0);
    EXPECT_NE(aes_decrypt_key256(hex(kNistKey).data(), nullptr), 0);
}

TEST(Crypto, RoutinesAreFoundByNameAtRunTime)
{
    // The QELv1 reader resolves them from the engine's libraries, not at link time.
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "aes_decrypt_key256"), reinterpret_cast<void*>(&aes_decrypt_key256));
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "aes_ecb_decrypt"), reinterpret_cast<void*>(&aes_ecb_decrypt));
}
