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
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    return bytes;
}

Bytes digestBytes(ByteView data) {
    const std::optional<platform::Md5Digest> digest = md5(data);
    return digest ? Bytes(digest->begin(), digest->end()) : Bytes{};
}

TEST(CryptoMd5, MatchesTheRfc1321TestSuite) {
    EXPECT_EQ(digestBytes(asBytes("")), fromHex("d41d8cd98f00b204e9800998ecf8427e"));
    // Longer than one 64-byte block.
    EXPECT_EQ(digestBytes(asBytes("123456789012345678901234567890123456789012345678901234567890"
                                  "12345678901234567890")),
              fromHex("57edf4a22be3c955ac49da2e2107b67a"));
}

// FIPS-197, C.3 (AES-256).
const Bytes kKey = fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
const Bytes kPlain = fromHex("00112233445566778899aabbccddeeff");
const Bytes kCipher = fromHex("8ea2b7ca516745bfeafc49904b496089");

TEST(CryptoAes256Ecb, EncryptsThePublishedBlockAndAddsAFullPaddingBlock) {
    const std::optional<Bytes> cipher = aes256EcbEncrypt(kKey, kPlain);
    ASSERT_TRUE(cipher);
    ASSERT_EQ(cipher->size(), 32u);
    EXPECT_EQ(Bytes(cipher->begin(), cipher->begin() + 16), kCipher);
    EXPECT_EQ(aes256EcbDecrypt(kKey, *cipher), kPlain);
}

TEST(CryptoAes256Ecb, RoundTripsAPartialBlock) {
    const Bytes plain(17, 0x5A);
    const std::optional<Bytes> cipher = aes256EcbEncrypt(kKey, plain);
    ASSERT_TRUE(cipher);
    EXPECT_EQ(cipher->size(), 32u);
    EXPECT_EQ(aes256EcbDecrypt(kKey, *cipher), plain);
}

// Encrypting one full block yields its raw ECB block first; alone, that block decrypts to the
// chosen last bytes as if they were padding.
Bytes rawBlockEndingWith(std::initializer_list<uint8_t> tail) {
    Bytes block(16, 0x41);
    std::copy(tail.begin(), tail.end(), block.end() - static_cast<ptrdiff_t>(tail.size()));
    const std::optional<Bytes> cipher = aes256EcbEncrypt(kKey, block);
    return cipher ? Bytes(cipher->begin(), cipher->begin() + 16) : Bytes{};
}

TEST(CryptoAes256Ecb, DecryptRejectsBadPadding) {
    EXPECT_EQ(aes256EcbDecrypt(kKey, rawBlockEndingWith({0x00})), std::nullopt);
    EXPECT_EQ(aes256EcbDecrypt(kKey, rawBlockEndingWith({0x02, 0x03})), std::nullopt);
    // Control: the same construction with valid padding decrypts.
    EXPECT_EQ(aes256EcbDecrypt(kKey, rawBlockEndingWith({0x02, 0x02})), Bytes(14, 0x41));
}

TEST(CryptoAes256Ecb, RefusesKeysThatAreNot32Bytes) {
    EXPECT_EQ(aes256EcbEncrypt(Bytes(16, 0x5A), kPlain), std::nullopt);
    EXPECT_EQ(aes256EcbDecrypt(Bytes(33, 0x5A), kCipher), std::nullopt);
}

TEST(CryptoAes256Ecb, DecryptRefusesLengthsThatAreNotWholeBlocks) {
    EXPECT_EQ(aes256EcbDecrypt(kKey, Bytes(17, 0)), std::nullopt);
}

} // namespace
} // namespace fu
