#include "definition/TrustStore.h"

#include "base/Hex.h"
#include "platform/Crypto.h"
#include "platform/KeyFiles.h"

#include <algorithm>
#include <iostream>

namespace fu {

std::optional<SigningKeyId> signingKeyId(ByteView publicKey) {
    if (publicKey.size() != platform::kEd25519KeySize) return std::nullopt;
    const auto digest = platform::sha256(publicKey);
    if (!digest) return std::nullopt;
    SigningKeyId keyId{};
    std::copy_n(digest->begin(), keyId.size(), keyId.begin());
    return keyId;
}

std::string signingKeyIdText(const SigningKeyId& keyId) { return hexString(keyId, HexCase::Lower); }

bool TrustStore::add(ByteView publicKey, std::string signerName) {
    const auto keyId = signingKeyId(publicKey);
    if (!keyId) return false;
    if (!find(*keyId))
        keys_.push_back({*keyId, Bytes(publicKey.begin(), publicKey.end()), std::move(signerName)});
    return true;
}

const TrustedKey* TrustStore::find(const SigningKeyId& keyId) const {
    auto found = std::find_if(keys_.begin(), keys_.end(),
                              [&](const TrustedKey& key) { return key.keyId == keyId; });
    return found == keys_.end() ? nullptr : &*found;
}

TrustStore TrustStore::load(const std::string& folder, bool acceptOwnFiles,
                            std::ostream& warnings) {
    TrustStore store;
    for (const BuiltinTrustedKey& builtin : builtinTrustedKeys()) {
        const auto key = platform::ed25519PublicKeyFromPem(builtin.pem);
        if (!key || !store.add(*key, builtin.signerName))
            warnings << "fontupdater: ignoring built-in trusted key " << builtin.signerName
                     << ": not an Ed25519 key\n";
    }
    for (platform::TrustedKeyFile& file :
         platform::trustedKeyFiles(folder, acceptOwnFiles, warnings))
        (void)store.add(file.publicKey, std::move(file.signerName));
    return store;
}

TrustStore TrustStore::system() { return load(platform::kSystemTrustFolder, false, std::cerr); }

} // namespace fu
