#include "definition/DefinitionContainer.h"
#include "base/ByteWriter.h"
#include "definition/DefinitionKey.h"
#include "platform/Crypto.h"

#include <gtest/gtest.h>

#include <array>

namespace fu {
namespace {

const std::string kCopyright = "Copyright (C) Example Type Foundry";

// Builds a container by the published layout, independently of the writer under test.
Bytes craft(ByteView payload, const std::string& copyright, size_t skip) {
    std::array<uint8_t, 33> key{};
    (void)deriveDefinitionKey(copyright, key);
    const Bytes cipher = platform::aes256EcbEncrypt(ByteView(key).first(32), payload).value();
    const size_t length = 44 + skip + cipher.size();
    ByteWriter header;
    for (uint32_t word : {0x00010000u, uint32_t(length), uint32_t(skip)})
        header.writeU32(word);
    Bytes out = header.take();
    out.resize(28, 0);
    for (size_t i = 0; i < skip; ++i)
        out.push_back(uint8_t(i * 7));
    out.insert(out.end(), cipher.begin(), cipher.end());
    const auto payloadDigest = platform::md5(payload).value();
    out.insert(out.end(), payloadDigest.begin(), payloadDigest.end());
    const auto digest = platform::md5(ByteView(out).subspan(28)).value();
    std::copy(digest.begin(), digest.end(), out.begin() + 12);
    return out;
}

// Opened both ways, the copying one and the one that decrypts in place (on a copy it may use up),
// which must agree on the verdict and the payload.
OpenedContainer openBothWays(ByteView container, const std::string& copyright = kCopyright) {
    OpenedContainer opened = openDefinitionContainer(container, copyright);
    Bytes scratch(container.begin(), container.end());
    const OpenedContainerInPlace inPlace = openDefinitionContainerInPlace(scratch, copyright);
    EXPECT_EQ(inPlace.failure, opened.failure);
    EXPECT_EQ(Bytes(inPlace.payload.begin(), inPlace.payload.end()), opened.payload);
    return opened;
}

ContainerFailure failureOf(ByteView container, const std::string& copyright = kCopyright) {
    return openBothWays(container, copyright).failure;
}

TEST(DefinitionKey, SixteenHighDigitsThenZeros) {
    std::array<uint8_t, 33> key;
    key.fill(0xEE);
    ASSERT_TRUE(deriveDefinitionKey("Example", key));
    // MD5("<fupd>Example</fupd>") computed independently: its bytes' high hex digits.
    const auto digest = platform::md5(asBytes("<fupd>Example</fupd>")).value();
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(key[i], "0123456789abcdef"[digest[i] >> 4]) << i;
    for (size_t i = 16; i < 33; ++i)
        EXPECT_EQ(key[i], 0) << i;
}

TEST(DefinitionKey, RefusesSmallBuffersAndEmptyCopyright) {
    std::array<uint8_t, 16> tooSmall;
    tooSmall.fill(0xEE);
    EXPECT_FALSE(deriveDefinitionKey("Example", tooSmall));
    EXPECT_EQ(tooSmall[0], 0xEE) << "a refused buffer is left untouched";
    std::array<uint8_t, 33> key;
    key.fill(0xEE);
    EXPECT_FALSE(deriveDefinitionKey("", key));
    EXPECT_EQ(key, (std::array<uint8_t, 33>{})) << "zero-filled: the all-zero key";
}

TEST(DefinitionContainer, WriterAndIndependentLayoutAgree) {
    const Bytes payload{'p', 'a', 'y', 'l', 'o', 'a', 'd', '!'};
    const Bytes skipped{0, 7, 14}; // what craft() skips
    auto written = writeDefinitionContainer(payload, kCopyright, skipped);
    ASSERT_TRUE(written);
    // Same key, same cipher without an IV: the bytes must be identical.
    EXPECT_EQ(*written, craft(payload, kCopyright, 3));
    auto opened = openDefinitionContainer(*written, kCopyright);
    EXPECT_EQ(opened.failure, ContainerFailure::None);
    EXPECT_EQ(opened.payload, payload);
    EXPECT_FALSE(writeDefinitionContainer(Bytes{1, 2, 3}, kCopyright, {})) << "odd payload";
}

TEST(DefinitionContainer, RefusesInTheDocumentedOrder) {
    const Bytes payload(32, 'x');
    const Bytes good = craft(payload, kCopyright, 0);
    ASSERT_EQ(failureOf(good), ContainerFailure::None);

    EXPECT_EQ(failureOf(ByteView(good).first(28)), ContainerFailure::TooShort);
    Bytes signature = good;
    signature[1] = 2;
    EXPECT_EQ(failureOf(signature), ContainerFailure::BadSignature);
    for (int delta : {-1, +1}) {
        Bytes length = good;
        length[7] = uint8_t(length[7] + delta);
        EXPECT_EQ(failureOf(length), ContainerFailure::LengthMismatch) << delta;
    }
    // Every byte after the header is covered by the container digest, the payload digest too.
    for (size_t i = 28; i < good.size(); ++i) {
        Bytes changed = good;
        changed[i] ^= 0x01;
        ASSERT_EQ(failureOf(changed), ContainerFailure::ContainerDigest) << "byte " << i;
    }
    EXPECT_EQ(failureOf(good, "Another copyright"), ContainerFailure::Cipher);
    EXPECT_EQ(failureOf(good, ""), ContainerFailure::Cipher) << "the all-zero key";
}

// A container of a megabyte has its digest summed beside the decryption, a small one before it:
// either way the verdicts rank the same.
TEST(DefinitionContainer, ALargeContainerRanksItsFailuresAsASmallOneDoes) {
    Bytes payload(1 << 20);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = uint8_t(i * 13 + (i >> 9));
    const Bytes good = craft(payload, kCopyright, 5);
    const OpenedContainer opened = openBothWays(good);
    EXPECT_EQ(opened.failure, ContainerFailure::None);
    EXPECT_EQ(opened.payload, payload);

    for (size_t at : {size_t(40), good.size() / 2, good.size() - 1}) {
        Bytes changed = good;
        changed[at] ^= 0x80;
        EXPECT_EQ(failureOf(changed), ContainerFailure::ContainerDigest) << "byte " << at;
        EXPECT_EQ(failureOf(changed, "Another copyright"), ContainerFailure::ContainerDigest)
            << "the digest outranks the key, byte " << at;
    }
    EXPECT_EQ(failureOf(good, "Another copyright"), ContainerFailure::Cipher);
}

TEST(DefinitionContainer, SkipLengths) {
    const Bytes payload(20, 'y');
    for (size_t skip : {size_t(0), size_t(1), size_t(4096)}) {
        auto opened = openBothWays(craft(payload, kCopyright, skip));
        EXPECT_EQ(opened.failure, ContainerFailure::None) << skip;
        EXPECT_EQ(opened.payload, payload);
    }
    // S larger than L - 44, with the container digest made valid again.
    Bytes tooLarge = craft(payload, kCopyright, 0);
    const uint32_t skip = uint32_t(tooLarge.size() - 43);
    tooLarge[8] = uint8_t(skip >> 24), tooLarge[9] = uint8_t(skip >> 16);
    tooLarge[10] = uint8_t(skip >> 8), tooLarge[11] = uint8_t(skip);
    EXPECT_EQ(failureOf(tooLarge), ContainerFailure::SkipTooLarge);
    EXPECT_EQ(failureOf(craft(Bytes(31, 'z'), kCopyright, 0)), ContainerFailure::OddPayload);

    // A payload digest of other bytes, with the container digest made to fit again.
    Bytes wrongDigest = craft(payload, kCopyright, 0);
    wrongDigest[wrongDigest.size() - 1] ^= 0x80;
    const auto resealed = platform::md5(ByteView(wrongDigest).subspan(28)).value();
    std::copy(resealed.begin(), resealed.end(), wrongDigest.begin() + 12);
    EXPECT_EQ(failureOf(wrongDigest), ContainerFailure::PayloadDigest);
}

} // namespace
} // namespace fu
