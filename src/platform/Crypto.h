// MD5, SHA-256, AES-256-ECB with PKCS#7 padding and Ed25519 signatures (RFC 8032), through the
// platform's cryptography library.
#pragma once

#include "base/Bytes.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fu::platform {

using Md5Digest = std::array<uint8_t, 16>;

// nullopt only when the library refuses MD5 altogether (a FIPS-only configuration).
[[nodiscard]] std::optional<Md5Digest> md5(ByteView bytes);

// The key must be 32 bytes. Decryption fails on a length that is not a multiple of the block
// size and on bad padding.
[[nodiscard]] std::optional<Bytes> aes256EcbDecrypt(ByteView key, ByteView cipherText);
[[nodiscard]] std::optional<Bytes> aes256EcbEncrypt(ByteView key, ByteView plainText);
// Decrypts where the cipher text lies, for texts too large to hold twice; the plain text is the
// first bytes of `text`, their count the answer. On failure the text is left partly decrypted.
[[nodiscard]] std::optional<size_t> aes256EcbDecryptInPlace(ByteView key, std::span<uint8_t> text);

using Sha256Digest = std::array<uint8_t, 32>;
[[nodiscard]] std::optional<Sha256Digest> sha256(ByteView bytes);

// Ed25519 keys travel as their raw RFC 8032 bytes: the 32-byte private seed, the 32-byte public
// key. Every function refuses keys of another length.
inline constexpr size_t kEd25519KeySize = 32;
inline constexpr size_t kEd25519SignatureSize = 64;

[[nodiscard]] std::optional<Bytes> generateEd25519PrivateKey();
[[nodiscard]] std::optional<Bytes> ed25519PublicKey(ByteView privateKey);
[[nodiscard]] std::optional<Bytes> ed25519Sign(ByteView privateKey, ByteView message);
[[nodiscard]] bool ed25519Verify(ByteView publicKey, ByteView message, ByteView signature);

// PEM text as OpenSSL's own tools read and write it: PKCS#8 "PRIVATE KEY" and X.509
// SubjectPublicKeyInfo "PUBLIC KEY". Reading refuses a key of any other algorithm and ignores
// text around the PEM block.
[[nodiscard]] std::optional<std::string> ed25519PrivateKeyPem(ByteView privateKey);
[[nodiscard]] std::optional<std::string> ed25519PublicKeyPem(ByteView publicKey);
[[nodiscard]] std::optional<Bytes> ed25519PrivateKeyFromPem(std::string_view pem);
[[nodiscard]] std::optional<Bytes> ed25519PublicKeyFromPem(std::string_view pem);

} // namespace fu::platform
