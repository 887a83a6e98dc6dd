// Signing-key files: Ed25519 keys as PEM text (private keys readable by their owner alone), and
// the folder of public keys an administrator trusts.
#pragma once

#include "base/Bytes.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace fu::platform {

// Each writes a new file and refuses to replace one (EEXIST); 0 or errno. The private key file
// is created with mode 0600, the public key file 0644.
[[nodiscard]] int writePrivateKeyFile(const std::string& path, ByteView privateKey);
[[nodiscard]] int writePublicKeyFile(const std::string& path, ByteView publicKey);

// The raw key of a PEM key file; nullopt with the reason in `error`.
[[nodiscard]] std::optional<Bytes> readPrivateKeyFile(const std::string& path, std::string& error);
[[nodiscard]] std::optional<Bytes> readPublicKeyFile(const std::string& path, std::string& error);

struct TrustedKeyFile {
    std::string signerName; // the file name without a ".pub" or ".pem" ending
    Bytes publicKey;
};

inline constexpr const char* kSystemTrustFolder = "/etc/fontupdater/trusted-keys.d";

// The public keys in `folder`, in file-name order. A key counts only from a regular file owned
// by root (or by the effective user, when `acceptOwnFiles`) that group and others cannot write:
// anyone else able to change it could make their own key trusted. Every file that does not
// count is named on `warnings`. A missing folder holds no keys and warns of nothing.
[[nodiscard]] std::vector<TrustedKeyFile>
trustedKeyFiles(const std::string& folder, bool acceptOwnFiles, std::ostream& warnings);

} // namespace fu::platform
