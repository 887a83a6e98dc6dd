// The public keys whose signatures on update definitions count: the keys compiled into the build
// (FU_TRUSTED_KEYS) and those an administrator puts into the trust folder.
#pragma once

#include "base/Bytes.h"

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace fu {

using SigningKeyId = std::array<uint8_t, 8>;

// The first 8 bytes of SHA-256 of a raw Ed25519 public key; nullopt for a key of another size.
[[nodiscard]] std::optional<SigningKeyId> signingKeyId(ByteView publicKey);
[[nodiscard]] std::string signingKeyIdText(const SigningKeyId& keyId); // 16 lowercase hex digits

struct TrustedKey {
    SigningKeyId keyId{};
    Bytes publicKey;
    std::string signerName;
};

// A signer compiled into the build.
struct BuiltinTrustedKey {
    const char* signerName;
    const char* pem;
};
[[nodiscard]] const std::vector<BuiltinTrustedKey>& builtinTrustedKeys();

class TrustStore {
public:
    // False for a key that is not a raw Ed25519 public key. A key added twice keeps its first name.
    bool add(ByteView publicKey, std::string signerName);
    [[nodiscard]] const TrustedKey* find(const SigningKeyId& keyId) const;
    [[nodiscard]] const std::vector<TrustedKey>& keys() const { return keys_; }

    // The built-in keys and the keys in `folder` (see platform::trustedKeyFiles); what is ignored
    // is named on `warnings`.
    [[nodiscard]] static TrustStore load(const std::string& folder, bool acceptOwnFiles,
                                         std::ostream& warnings);
    // The built-in keys and the system trust folder, warnings on standard error.
    [[nodiscard]] static TrustStore system();

private:
    std::vector<TrustedKey> keys_;
};

} // namespace fu
