#include "definition/DefinitionSignature.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "platform/Crypto.h"

#include <algorithm>

namespace fu {

namespace {

Bytes signedMessage(const SigningKeyId& keyId, const ContainerParts& parts) {
    Bytes message;
    message.reserve(kSignatureContext.size() + keyId.size() + parts.cipherText.size() +
                    parts.payloadDigest.size());
    for (ByteView piece :
         {asBytes(kSignatureContext), ByteView(keyId), parts.cipherText, parts.payloadDigest})
        message.insert(message.end(), piece.begin(), piece.end());
    return message;
}

template <size_t N> bool readArray(ByteReader& reader, std::array<uint8_t, N>& out) {
    ByteView bytes;
    if (!reader.readBytes(N, bytes)) return false;
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return true;
}

} // namespace

std::optional<SignatureBlock> parseSignatureBlock(ByteView skippedBytes) {
    // Only a block that is all of the skipped bytes counts: anything else is older padding.
    if (skippedBytes.size() != kSignatureBlockSize) return std::nullopt;
    ByteReader reader(skippedBytes);
    uint32_t magic = 0;
    uint16_t version = 0;
    SignatureBlock block;
    if (!reader.readU32(magic) || magic != kSignatureBlockMagic) return std::nullopt;
    if (!reader.readU16(version) || version != kSignatureBlockVersion) return std::nullopt;
    if (!readArray(reader, block.keyId) || !readArray(reader, block.signature)) return std::nullopt;
    return block;
}

Bytes serializeSignatureBlock(const SignatureBlock& block) {
    ByteWriter writer(kSignatureBlockSize);
    writer.writeU32(kSignatureBlockMagic);
    writer.writeU16(kSignatureBlockVersion);
    writer.writeBytes(block.keyId);
    writer.writeBytes(block.signature);
    return writer.take();
}

namespace {

// What a signature check finds before the signature itself is verified; the key when there is
// one to verify with.
const TrustedKey* lookUpSigner(const ContainerParts& parts, const TrustStore& trust,
                               SignatureVerification& result,
                               std::optional<SignatureBlock>& block) {
    block = parseSignatureBlock(parts.skippedBytes);
    if (!block) return nullptr;
    result.keyId = block->keyId;
    const TrustedKey* key = trust.find(block->keyId);
    if (!key) {
        result.status = SignatureStatus::UnknownKey;
        return nullptr;
    }
    result.signerName = key->signerName;
    return key;
}

// The signed message ends with the cipher text and the payload digest, which lie together at the
// end of the container; the signature block just before them has been read already. Its last
// bytes make room for the context and the key id, so the message is whole without a copy of a
// cipher text that may be as large as the file.
SignatureVerification verifyDefinitionSignatureInPlace(std::span<uint8_t> container,
                                                       const ContainerParts& parts,
                                                       const TrustStore& trust) {
    SignatureVerification result;
    std::optional<SignatureBlock> block;
    const TrustedKey* key = lookUpSigner(parts, trust, result, block);
    if (!key) return result;
    static_assert(kSignatureContext.size() + std::tuple_size_v<SigningKeyId> <=
                  kSignatureBlockSize);
    const size_t prefix = kSignatureContext.size() + block->keyId.size();
    const auto cipherAt = static_cast<size_t>(parts.cipherText.data() - container.data());
    const std::span<uint8_t> message = container.subspan(cipherAt - prefix);
    const auto afterContext =
        std::copy(kSignatureContext.begin(), kSignatureContext.end(), message.begin());
    std::copy(block->keyId.begin(), block->keyId.end(), afterContext);
    result.status = platform::ed25519Verify(key->publicKey, message, block->signature)
                        ? SignatureStatus::SignedBy
                        : SignatureStatus::BadSignature;
    return result;
}

} // namespace

SignatureVerification verifyDefinitionSignature(const ContainerParts& parts,
                                                const TrustStore& trust) {
    SignatureVerification result;
    std::optional<SignatureBlock> block;
    const TrustedKey* key = lookUpSigner(parts, trust, result, block);
    if (!key) return result;
    result.status = platform::ed25519Verify(key->publicKey, signedMessage(block->keyId, parts),
                                            block->signature)
                        ? SignatureStatus::SignedBy
                        : SignatureStatus::BadSignature;
    return result;
}

std::string describeSignature(const SignatureVerification& verification) {
    const std::string keyId = signingKeyIdText(verification.keyId);
    switch (verification.status) {
    case SignatureStatus::Unsigned: return "unsigned";
    case SignatureStatus::SignedBy:
        return "signed by " + verification.signerName + " (key " + keyId + ")";
    case SignatureStatus::UnknownKey: return "signed by an unknown key " + keyId + " (not trusted)";
    case SignatureStatus::BadSignature:
        return "bad signature: key " + keyId + " (" + verification.signerName +
               ") did not sign these bytes";
    }
    return "unknown";
}

std::optional<Bytes> signDefinitionContainer(ByteView container, ByteView privateKey,
                                             ContainerFailure& failure) {
    ContainerParts parts;
    failure = splitDefinitionContainer(container, parts);
    if (failure != ContainerFailure::None) return std::nullopt;
    const auto publicKey = platform::ed25519PublicKey(privateKey);
    const auto keyId = publicKey ? signingKeyId(*publicKey) : std::nullopt;
    if (!keyId) return std::nullopt;
    SignatureBlock block;
    block.keyId = *keyId;
    const auto signature = platform::ed25519Sign(privateKey, signedMessage(*keyId, parts));
    if (!signature || signature->size() != block.signature.size()) return std::nullopt;
    std::copy(signature->begin(), signature->end(), block.signature.begin());
    const Bytes blockBytes = serializeSignatureBlock(block);
    return assembleDefinitionContainer({blockBytes, parts.cipherText, parts.payloadDigest});
}

OpenedDefinition openSignedDefinition(ByteView container, std::string_view copyright,
                                      const TrustStore& trust) {
    OpenedDefinition result;
    ContainerParts parts;
    result.container = openDefinitionContainer(container, copyright, &parts);
    if (result.container.failure == ContainerFailure::None)
        result.signature = verifyDefinitionSignature(parts, trust);
    return result;
}

OpenedDefinitionInPlace openSignedDefinitionInPlace(std::span<uint8_t> container,
                                                    std::string_view copyright,
                                                    const TrustStore& trust) {
    OpenedDefinitionInPlace result;
    ContainerParts parts;
    result.container.failure = splitDefinitionContainer(container, parts);
    if (result.container.failure != ContainerFailure::None) return result;
    // The signature covers the cipher text, so it is verified before the decryption replaces it.
    const SignatureVerification signature =
        verifyDefinitionSignatureInPlace(container, parts, trust);
    result.container = openDefinitionContainerPartsInPlace(container, parts, copyright);
    if (result.container.failure == ContainerFailure::None) result.signature = signature;
    return result;
}

} // namespace fu
