#include "definition/DefinitionContainer.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "definition/DefinitionKey.h"
#include "platform/Crypto.h"
#include "platform/Memory.h"

#include <algorithm>
#include <array>
#include <future>
#include <limits>
#include <new>
#include <system_error>

namespace fu {

namespace {

constexpr uint32_t kSignature = 0x00010000;
constexpr size_t kKeyBufferSize = 33; // the key is its first 32 bytes
constexpr size_t kAesKeySize = 32;
// About a millisecond of MD5: below it, a second thread costs more to start than it saves.
constexpr size_t kDigestBesideDecryptionFrom = size_t{512} << 10;

bool digestMatches(ByteView bytes, ByteView stored) {
    const auto digest = platform::md5(bytes);
    return digest && std::equal(digest->begin(), digest->end(), stored.begin(), stored.end());
}

// The checks of a decrypted payload, in their order.
ContainerFailure checkPayload(ByteView payload, const ContainerParts& parts) {
    if (!digestMatches(payload, parts.payloadDigest)) return ContainerFailure::PayloadDigest;
    if (payload.size() % 2 != 0) return ContainerFailure::OddPayload;
    return ContainerFailure::None;
}

} // namespace

const char* describeContainerFailure(ContainerFailure failure) {
    switch (failure) {
    case ContainerFailure::None: return "accepted";
    case ContainerFailure::TooShort:
        return "the file is too short to be a definition (at least 29 bytes)";
    case ContainerFailure::BadSignature:
        return "the file does not start with the definition signature";
    case ContainerFailure::LengthMismatch:
        return "the length in the header is not the file's length";
    case ContainerFailure::ContainerDigest:
        return "the file's digest does not match: it is damaged";
    case ContainerFailure::SkipTooLarge:
        return "the skip length in the header is larger than the file allows";
    case ContainerFailure::Cipher:
        return "the payload cannot be decrypted (a different key or a damaged cipher text)";
    case ContainerFailure::PayloadDigest:
        return "the decrypted payload's digest does not match (a different key?)";
    case ContainerFailure::OddPayload: return "the decrypted payload has an odd length";
    }
    return "unknown";
}

namespace {

// The checks of splitDefinitionContainer but the container digest, in their order, and where the
// stored digest lies.
ContainerFailure splitWithoutDigest(ByteView container, ContainerParts& parts,
                                    ByteView& storedDigest) {
    const size_t length = container.size();
    if (length < kContainerHeaderSize + 1) return ContainerFailure::TooShort;
    ByteReader reader(container);
    uint32_t signature = 0, lengthField = 0, skip = 0;
    if (!reader.u32At(0, signature) || signature != kSignature)
        return ContainerFailure::BadSignature;
    if (!reader.u32At(4, lengthField) || lengthField != length)
        return ContainerFailure::LengthMismatch;
    if (!reader.bytesAt(12, 16, storedDigest)) return ContainerFailure::ContainerDigest;
    if (!reader.u32At(8, skip) || length < kContainerOverhead || skip > length - kContainerOverhead)
        return ContainerFailure::SkipTooLarge;
    const size_t cipherLength = length - kContainerOverhead - skip;
    if (!reader.bytesAt(kContainerHeaderSize, skip, parts.skippedBytes) ||
        !reader.bytesAt(kContainerHeaderSize + skip, cipherLength, parts.cipherText) ||
        !reader.bytesAt(length - 16, 16, parts.payloadDigest))
        return ContainerFailure::SkipTooLarge;
    return ContainerFailure::None;
}

bool failsBeforeTheDigest(ContainerFailure failure) {
    return failure != ContainerFailure::None && failure < ContainerFailure::ContainerDigest;
}

bool containerDigestMatches(ByteView container, ByteView storedDigest) {
    return digestMatches(container.subspan(kContainerHeaderSize), storedDigest);
}

} // namespace

ContainerFailure splitDefinitionContainer(ByteView container, ContainerParts& parts) {
    ByteView storedDigest;
    const ContainerFailure failure = splitWithoutDigest(container, parts, storedDigest);
    // A failure before the digest's turn stands; the digest outranks every later one.
    if (failsBeforeTheDigest(failure)) return failure;
    if (!containerDigestMatches(container, storedDigest)) return ContainerFailure::ContainerDigest;
    return failure;
}

OpenedContainer openDefinitionContainer(ByteView container, std::string_view copyright,
                                        ContainerParts* partsOut) {
    ContainerParts parts;
    ByteView storedDigest;
    const ContainerFailure structure = splitWithoutDigest(container, parts, storedDigest);
    if (failsBeforeTheDigest(structure)) return {structure, {}};
    std::future<bool> digest;
    // A small container is summed before a thread could have started; so is every container when
    // no second thread is to be had. The digest then comes first, as it ranks.
    bool summed = container.size() < kDigestBesideDecryptionFrom;
    if (!summed) {
        try {
            digest =
                std::async(std::launch::async, containerDigestMatches, container, storedDigest);
        } catch (const std::system_error&) {
            summed = true;
        }
    }
    if (summed && !containerDigestMatches(container, storedDigest))
        return {ContainerFailure::ContainerDigest, {}};
    OpenedContainer opened{structure, {}};
    if (structure == ContainerFailure::None)
        opened = openDefinitionContainerParts(parts, copyright);
    if (digest.valid() && !digest.get()) return {ContainerFailure::ContainerDigest, {}};
    if (opened.failure == ContainerFailure::None && partsOut) *partsOut = parts;
    return opened;
}

OpenedContainer openDefinitionContainerParts(const ContainerParts& parts,
                                             std::string_view copyright) {
    OpenedContainer result;
    std::array<uint8_t, kKeyBufferSize> key{};
    // A missing copyright leaves a zero key; the payload digest then decides.
    (void)deriveDefinitionKey(copyright, key);
    // A copy of the cipher text decrypted in place: the payload is as large as the file, and a
    // bulk buffer spares the page faults of a fresh one.
    Bytes payload;
    try {
        payload = platform::reserveBulkBuffer(parts.cipherText.size());
        payload.assign(parts.cipherText.begin(), parts.cipherText.end());
    } catch (const std::bad_alloc&) {
        result.failure = ContainerFailure::Cipher; // without room for it, no payload comes out
        return result;
    }
    const std::optional<size_t> length =
        platform::aes256EcbDecryptInPlace(ByteView(key).first(kAesKeySize), payload);
    if (!length) {
        result.failure = ContainerFailure::Cipher;
        return result;
    }
    payload.resize(*length);
    if (const ContainerFailure failure = checkPayload(payload, parts);
        failure != ContainerFailure::None) {
        result.failure = failure;
    } else {
        result.payload = std::move(payload);
    }
    return result;
}

OpenedContainerInPlace openDefinitionContainerInPlace(std::span<uint8_t> container,
                                                      std::string_view copyright) {
    ContainerParts parts;
    if (const ContainerFailure failure = splitDefinitionContainer(container, parts);
        failure != ContainerFailure::None)
        return {failure, {}};
    return openDefinitionContainerPartsInPlace(container, parts, copyright);
}

OpenedContainerInPlace openDefinitionContainerPartsInPlace(std::span<uint8_t> container,
                                                           const ContainerParts& parts,
                                                           std::string_view copyright) {
    std::array<uint8_t, kKeyBufferSize> key{};
    (void)deriveDefinitionKey(copyright, key);
    // The parts are views into the container; the cipher text is found again as writable bytes.
    const auto cipherAt = static_cast<size_t>(parts.cipherText.data() - container.data());
    const std::span<uint8_t> cipherText = container.subspan(cipherAt, parts.cipherText.size());
    const std::optional<size_t> length =
        platform::aes256EcbDecryptInPlace(ByteView(key).first(kAesKeySize), cipherText);
    if (!length) return {ContainerFailure::Cipher, {}};
    const ByteView payload = ByteView(cipherText).first(*length);
    if (const ContainerFailure failure = checkPayload(payload, parts);
        failure != ContainerFailure::None)
        return {failure, {}};
    return {ContainerFailure::None, payload};
}

std::optional<Bytes> assembleDefinitionContainer(const ContainerParts& parts) {
    if (parts.payloadDigest.size() != 16) return std::nullopt;
    const uint64_t total = uint64_t(kContainerHeaderSize) + parts.skippedBytes.size() +
                           parts.cipherText.size() + parts.payloadDigest.size();
    if (total > std::numeric_limits<uint32_t>::max()) return std::nullopt;

    ByteWriter writer(static_cast<size_t>(total));
    writer.writeU32(kSignature);
    writer.writeU32(static_cast<uint32_t>(total));
    writer.writeU32(static_cast<uint32_t>(parts.skippedBytes.size()));
    writer.writeZeros(16); // container digest, known only at the end
    writer.writeBytes(parts.skippedBytes);
    writer.writeBytes(parts.cipherText);
    writer.writeBytes(parts.payloadDigest);
    Bytes bytes = writer.take();
    const auto containerDigest = platform::md5(ByteView(bytes).subspan(kContainerHeaderSize));
    if (!containerDigest) return std::nullopt;
    std::copy(containerDigest->begin(), containerDigest->end(), bytes.begin() + 12);
    return bytes;
}

std::optional<Bytes> writeDefinitionContainer(ByteView payload, std::string_view copyright,
                                              ByteView skippedBytes) {
    if (payload.size() % 2 != 0) return std::nullopt;
    std::array<uint8_t, kKeyBufferSize> key{};
    if (!deriveDefinitionKey(copyright, key)) return std::nullopt;
    auto cipherText = platform::aes256EcbEncrypt(ByteView(key).first(kAesKeySize), payload);
    const auto payloadDigest = platform::md5(payload);
    if (!cipherText || !payloadDigest) return std::nullopt;
    return assembleDefinitionContainer({skippedBytes, *cipherText, *payloadDigest});
}

} // namespace fu
