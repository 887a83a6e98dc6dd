#include "platform/Crypto.h"

#include <gtest/gtest.h>

#include <string_view>

namespace fu {
namespace {

using platform::aes256EcbDecrypt;
using platform::aes256EcbEncrypt;
using platform::md5;

Bytes fromHex(std::string_view hex) {
    auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    }
    return bytes;
}

Bytes digestBytes(ByteView data) {
    const std::optional<platform::Md5Digest> digest = md5(data);
    if (!digest) return {};
    return {digest->begin(), digest->end()};
}

TEST(CryptoMd5, MatchesTheRfc1321TestSuite) {
    EXPECT_EQ(digestBytes(asBytes("")), fromHex("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(digestBytes(asBytes("a")), fromHex("0cc175b9c0f1b6a831c399e269772661"));
    EXPECT_EQ(digestBytes(asBytes("abc")), fromHex("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_EQ(digestBytes(asBytes("message digest")), fromHex("f96b697d7cb7938d525a2f31aaf161d0"));
    EXPECT_EQ(digestBytes(asBytes("abcdefghijklmnopqrstuvwxyz")),
              fromHex("c3fcd3d76192e4007dfb496cca67e13b"));
    EXPECT_EQ(digestBytes(asBytes("123456789012345678901234567890123456789012345678901234567890"
                                  "12345678901234567890")),
              fromHex("57edf4a22be3c955ac49da2e2107b67a"));
}

// NIST SP 800-38A, F.1.5 ECB-AES256.Encrypt.
const Bytes kNistKey = fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const Bytes kNistPlain = fromHex("6bc1bee22e409f96e93d7e117393172a"
                                 "ae2d8a571e03ac9c9eb76fac45af8e51"
                                 "30c81c46a35ce411e5fbc1191a0a52ef"
                                 "f69f2445df4f9b17ad2b417be66c3710");
const Bytes kNistCipher = fromHex("f3eed1bdb5d2a03c064b5a7e3db181f8"
                                  "591ccb10d410ed26dc5ba74a31362870"
                                  "b6ed21b99ca6f4f9f153e7b1beafed1d"
                                  "23304b7a39f9f3ff067d8d8f9e24ecc7");

TEST(CryptoAes256Ecb, EncryptsThePublishedBlocksAndAddsAFullPaddingBlock) {
    const std::optional<Bytes> cipher = aes256EcbEncrypt(kNistKey, kNistPlain);
    ASSERT_TRUE(cipher);
    ASSERT_EQ(cipher->size(), kNistCipher.size() + 16);
    EXPECT_EQ(Bytes(cipher->begin(), cipher->begin() + 64), kNistCipher);
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, *cipher), kNistPlain);

    // FIPS-197, C.3 (AES-256).
    const Bytes fipsKey =
        fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const std::optional<Bytes> fips =
        aes256EcbEncrypt(fipsKey, fromHex("00112233445566778899aabbccddeeff"));
    ASSERT_TRUE(fips);
    EXPECT_EQ(Bytes(fips->begin(), fips->begin() + 16),
              fromHex("8ea2b7ca516745bfeafc49904b496089"));
}

TEST(CryptoAes256Ecb, RoundTripsEveryLengthAroundTheBlockSize) {
    for (const size_t length : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 1000u}) {
        Bytes plain(length);
        for (size_t i = 0; i < length; ++i)
            plain[i] = static_cast<uint8_t>(i * 7 + 3);
        const std::optional<Bytes> cipher = aes256EcbEncrypt(kNistKey, plain);
        ASSERT_TRUE(cipher) << length;
        EXPECT_EQ(cipher->size(), (length / 16 + 1) * 16) << length;
        EXPECT_EQ(aes256EcbDecrypt(kNistKey, *cipher), plain) << length;
    }
}

// Encrypting one full block yields its raw ECB block first; alone, that block decrypts to the
// chosen last bytes as if they were padding.
Bytes rawBlockEndingWith(std::initializer_list<uint8_t> tail) {
    Bytes block(16, 0x41);
    std::copy(tail.begin(), tail.end(), block.end() - static_cast<ptrdiff_t>(tail.size()));
    const std::optional<Bytes> cipher = aes256EcbEncrypt(kNistKey, block);
    return cipher ? Bytes(cipher->begin(), cipher->begin() + 16) : Bytes{};
}

TEST(CryptoAes256Ecb, DecryptRejectsBadPadding) {
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, rawBlockEndingWith({0x00})), std::nullopt);
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, rawBlockEndingWith({0x11})), std::nullopt);
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, rawBlockEndingWith({0x02, 0x03})), std::nullopt);
    // The NIST block decrypts to plaintext ending in 0x2A, which is no padding either.
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, Bytes(kNistCipher.begin(), kNistCipher.begin() + 16)),
              std::nullopt);

    // Control: the same construction with valid padding decrypts.
    const std::optional<Bytes> valid = aes256EcbDecrypt(kNistKey, rawBlockEndingWith({0x02, 0x02}));
    EXPECT_EQ(valid, Bytes(14, 0x41));

    // A flipped bit in the last block garbles all of its plaintext, padding included (for this
    // fixed input the garbled block does not end in a valid padding by chance).
    const std::optional<Bytes> cipher = aes256EcbEncrypt(kNistKey, asBytes("font data"));
    ASSERT_TRUE(cipher);
    Bytes tampered = *cipher;
    tampered.back() ^= 0x01;
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, tampered), std::nullopt);
}

TEST(CryptoAes256Ecb, RefusesKeysThatAreNot32Bytes) {
    const Bytes plain = fromHex("00112233445566778899aabbccddeeff");
    for (const size_t keyLength : {0u, 16u, 24u, 31u, 33u}) {
        const Bytes key(keyLength, 0x5A);
        EXPECT_EQ(aes256EcbEncrypt(key, plain), std::nullopt) << keyLength;
        EXPECT_EQ(aes256EcbDecrypt(key, kNistCipher), std::nullopt) << keyLength;
    }
}

TEST(CryptoAes256Ecb, DecryptRefusesLengthsThatAreNotWholeBlocks) {
    const std::optional<Bytes> cipher = aes256EcbEncrypt(kNistKey, kNistPlain);
    ASSERT_TRUE(cipher);
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, ByteView(*cipher).first(cipher->size() - 1)),
              std::nullopt);
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, Bytes(17, 0)), std::nullopt);
    EXPECT_EQ(aes256EcbDecrypt(kNistKey, Bytes{}), std::nullopt);
}

} // namespace
} // namespace fu
