// The .fupdef container: a 28-byte header with an MD5 over everything after it, skipped bytes,
// the AES-256-ECB ciphertext of the payload, and an MD5 of the plain payload at the end.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace fu {

// The checks a container must pass, in the order they are made.
enum class ContainerFailure {
    None,
    TooShort,        // fewer than 29 bytes
    BadSignature,    // bytes 0..3 are not 00 01 00 00
    LengthMismatch,  // the length field is not the file's length
    ContainerDigest, // MD5 of bytes 28.. differs from the stored one
    SkipTooLarge,    // the skip length leaves no room for the ciphertext and payload digest
    Cipher,          // AES refused the ciphertext (block size, padding: usually a wrong key)
    PayloadDigest,   // MD5 of the decrypted payload differs from the stored one
    OddPayload,      // the payload's length is odd
};

[[nodiscard]] const char* describeContainerFailure(ContainerFailure failure);

struct OpenedContainer {
    ContainerFailure failure = ContainerFailure::None;
    Bytes payload; // the decrypted payload when failure is None
};

inline constexpr size_t kContainerHeaderSize = 28;
inline constexpr size_t kContainerOverhead = 44; // header + payload digest

// The ranges of a container whose header, length and container digest are sound; views into it.
struct ContainerParts {
    ByteView skippedBytes;
    ByteView cipherText;
    ByteView payloadDigest;
};

// Makes the checks up to and including the skip length; nothing is decrypted.
[[nodiscard]] ContainerFailure splitDefinitionContainer(ByteView container, ContainerParts& parts);

// A container of the given parts, its header and container digest made to fit them.
[[nodiscard]] std::optional<Bytes> assembleDefinitionContainer(const ContainerParts& parts);

// Checks and decrypts a container with the key derived from `copyright`; the verdict is the
// first failure in the order above. The container digest is summed beside the decryption, on a
// second thread where one can be had: the two passes are independent and each as long as the
// file. With `parts`, the container's parts are handed back when it is accepted.
[[nodiscard]] OpenedContainer openDefinitionContainer(ByteView container,
                                                      std::string_view copyright,
                                                      ContainerParts* parts = nullptr);
// The same after splitDefinitionContainer has checked it: the decryption and the payload's checks.
[[nodiscard]] OpenedContainer openDefinitionContainerParts(const ContainerParts& parts,
                                                           std::string_view copyright);

struct OpenedContainerInPlace {
    ContainerFailure failure = ContainerFailure::None;
    ByteView payload; // inside the container when failure is None
};
// The same checks, the cipher text decrypted where it lies, so that a large definition is never
// held twice. The container's bytes are used up: only the payload may be read afterwards.
[[nodiscard]] OpenedContainerInPlace openDefinitionContainerInPlace(std::span<uint8_t> container,
                                                                    std::string_view copyright);
// The part of that after splitDefinitionContainer, whose parts lie inside `container`.
[[nodiscard]] OpenedContainerInPlace
openDefinitionContainerPartsInPlace(std::span<uint8_t> container, const ContainerParts& parts,
                                    std::string_view copyright);

// Writes a container that openDefinitionContainer accepts; nullopt when the payload has an odd
// length or the key cannot be derived.
[[nodiscard]] std::optional<Bytes>
writeDefinitionContainer(ByteView payload, std::string_view copyright, ByteView skippedBytes);

} // namespace fu
