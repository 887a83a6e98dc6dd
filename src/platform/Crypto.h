// MD5 and AES-256-ECB with PKCS#7 padding, through the platform's cryptography library.
#pragma once

#include "base/Bytes.h"

#include <array>
#include <optional>

namespace fu::platform {

using Md5Digest = std::array<uint8_t, 16>;

// nullopt only when the library refuses MD5 altogether (a FIPS-only configuration).
[[nodiscard]] std::optional<Md5Digest> md5(ByteView bytes);

// The key must be 32 bytes. Decryption fails on a length that is not a multiple of the block
// size and on bad padding.
[[nodiscard]] std::optional<Bytes> aes256EcbDecrypt(ByteView key, ByteView cipherText);
[[nodiscard]] std::optional<Bytes> aes256EcbEncrypt(ByteView key, ByteView plainText);

} // namespace fu::platform
