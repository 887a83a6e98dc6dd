#include "definition/DefinitionSignature.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "platform/Crypto.h"

#include <algorithm>

namespace fu {

namespace {

Bytes signedMessage(const SigningKeyId& keyId, const ContainerParts& parts) {
    Bytes message;
    message.reserve(kSignatureContext.size() + keyId.size() + parts.cipherText.size() + parts.payloadDigest.size());
    for (ByteView piece : {asBytes(kSignatureContext), ByteView(keyId), parts.cipherText, parts.payloadDigest})
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

SignatureVerification verifyDefinitionSignature(const ContainerParts& parts, const TrustStore& trust) {
    SignatureVerification result;
    const auto block = parseSignatureBlock(parts.skippedBytes);
    if (!block) return result;
    result.keyId = block->keyId;
    const TrustedKey* key = trust.find(block->keyId);
    if (!key) {
        result.status = SignatureStatus::UnknownKey;
        return result;
    }
    result.signerName = key->signerName;
    result.status = platform::ed25519Verify(key->publicKey, signedMessage(block->keyId, parts), block->signature)
                        ? SignatureStatus::SignedBy
                        : SignatureStatus::BadSignature;
    return result;
}

std::string describeSignature(const SignatureVerification& verification) {
    const std::string keyId = signingKeyIdText(verification.keyId);
    switch (verification.status) {
    case SignatureStatus::Unsigned: return "unsigned";
    case SignatureStatus::SignedBy: return "signed by " + verification.signerName + " (key " + keyId + ")";
    case SignatureStatus::UnknownKey: return "signed by an unknown key " + keyId + " (not trusted)";
    case SignatureStatus::BadSignature:
        return "bad signature: key " + keyId + " (" + verification.signerName + ") did not sign these bytes";
    }
    return "unknown";
}

std::optional<Bytes> signDefinitionContainer(ByteView container, ByteView privateKey, ContainerFailure& failure) {
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

OpenedDefinition openSignedDefinition(ByteView container, std::string_view copyright, const TrustStore& trust) {
    OpenedDefinition result;
    result.container = openDefinitionContainer(container, copyright);
    ContainerParts parts;
    if (result.container.failure == ContainerFailure::None &&
        splitDefinitionContainer(container, parts) == ContainerFailure::None)
        result.signature = verifyDefinitionSignature(parts, trust);
    return result;
}

} // namespace fu
