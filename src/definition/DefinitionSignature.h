// Ed25519 signatures of update definitions. The signature block lives in the container's skipped
// bytes, which every reader passes over, so a signed file opens in builds that cannot check it.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionContainer.h"
#include "definition/TrustStore.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fu {

// Signature block, version 1, all of the skipped bytes (78 bytes, big-endian):
//   0  magic 'FUsg'
//   4  version (1)
//   6  key id: the first 8 bytes of SHA-256 of the raw 32-byte public key
//  14  Ed25519 signature (RFC 8032) of kSignatureContext + key id + cipher text + payload digest
// The container digest already covers the block; the signature covers everything the block does
// not, bar the header, whose fields the container check ties to the file's layout.
inline constexpr uint32_t kSignatureBlockMagic = fourCC("FUsg");
inline constexpr uint16_t kSignatureBlockVersion = 1;
inline constexpr size_t kSignatureBlockSize = 78;
// Domain separation: a signature made for anything else never verifies here. The NUL is part of it.
inline constexpr std::string_view kSignatureContext{"fontupdater definition signature v1\0", 36};

struct SignatureBlock {
    SigningKeyId keyId{};
    std::array<uint8_t, 64> signature{};
};

// nullopt for skipped bytes that are not a version 1 block (files written before signing, or a
// later block version): such a file is unsigned, never damaged.
[[nodiscard]] std::optional<SignatureBlock> parseSignatureBlock(ByteView skippedBytes);
[[nodiscard]] Bytes serializeSignatureBlock(const SignatureBlock& block);

enum class SignatureStatus {
    Unsigned,     // no signature block
    SignedBy,     // a good signature by a trusted key
    UnknownKey,   // signed by a key the trust store does not hold; nothing is vouched for
    BadSignature, // the trusted key named did not make this signature over these bytes
};

struct SignatureVerification {
    SignatureStatus status = SignatureStatus::Unsigned;
    SigningKeyId keyId{};   // all but Unsigned
    std::string signerName; // SignedBy and BadSignature
};

[[nodiscard]] SignatureVerification verifyDefinitionSignature(const ContainerParts& parts,
                                                              const TrustStore& trust);
// One line for people: "signed by NAME (key ID)", "unsigned", …
[[nodiscard]] std::string describeSignature(const SignatureVerification& verification);

// The container again, its skipped bytes replaced by a signature block of `privateKey`; a
// signature already there is replaced. nullopt with the reason in `failure` for a container
// that does not pass its checks, or ContainerFailure::None with nullopt for a refused key.
[[nodiscard]] std::optional<Bytes> signDefinitionContainer(ByteView container, ByteView privateKey,
                                                           ContainerFailure& failure);

struct OpenedDefinition {
    OpenedContainer container;
    SignatureVerification signature; // meaningful when container.failure is None
};

// Checks, decrypts and verifies a definition's bytes in one go.
[[nodiscard]] OpenedDefinition openSignedDefinition(ByteView container, std::string_view copyright,
                                                    const TrustStore& trust);

struct OpenedDefinitionInPlace {
    OpenedContainerInPlace container;
    SignatureVerification signature; // meaningful when container.failure is None
};
// The same, decrypting where the cipher text lies and verifying without a copy of it (see
// openDefinitionContainerInPlace): the container's bytes are used up, only the payload remains.
[[nodiscard]] OpenedDefinitionInPlace openSignedDefinitionInPlace(std::span<uint8_t> container,
                                                                  std::string_view copyright,
                                                                  const TrustStore& trust);

} // namespace fu
