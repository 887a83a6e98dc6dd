#include "definition/DefinitionSignature.h"
#include "platform/Crypto.h"
#include "platform/KeyFiles.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace fu {
namespace {

const std::string kCopyright = "Copyright (C) Example Type Foundry";

struct Signer {
    Bytes privateKey;
    Bytes publicKey;
    SigningKeyId keyId{};
};

Signer newSigner() {
    Signer signer;
    signer.privateKey = platform::generateEd25519PrivateKey().value();
    signer.publicKey = platform::ed25519PublicKey(signer.privateKey).value();
    signer.keyId = signingKeyId(signer.publicKey).value();
    return signer;
}

Bytes unsignedContainer(size_t payloadSize = 32, ByteView skipped = {}) {
    return writeDefinitionContainer(Bytes(payloadSize, 'p'), kCopyright, skipped).value();
}

Bytes signedBy(const Signer& signer, ByteView container) {
    ContainerFailure failure = ContainerFailure::None;
    auto signedBytes = signDefinitionContainer(container, signer.privateKey, failure);
    EXPECT_EQ(failure, ContainerFailure::None);
    return signedBytes.value_or(Bytes{});
}

TrustStore trusting(std::initializer_list<std::pair<const Signer*, std::string>> signers) {
    TrustStore store;
    for (const auto& [signer, name] : signers)
        EXPECT_TRUE(store.add(signer->publicKey, name));
    return store;
}

// Opened both ways: copying, and in place on a copy the call may use up. The two must agree on
// everything they find.
OpenedDefinition openWith(ByteView container, const TrustStore& trust) {
    OpenedDefinition opened = openSignedDefinition(container, kCopyright, trust);
    Bytes scratch(container.begin(), container.end());
    const OpenedDefinitionInPlace inPlace = openSignedDefinitionInPlace(scratch, kCopyright, trust);
    EXPECT_EQ(inPlace.container.failure, opened.container.failure);
    EXPECT_EQ(Bytes(inPlace.container.payload.begin(), inPlace.container.payload.end()),
              opened.container.payload);
    EXPECT_EQ(inPlace.signature.status, opened.signature.status);
    EXPECT_EQ(inPlace.signature.keyId, opened.signature.keyId);
    EXPECT_EQ(inPlace.signature.signerName, opened.signature.signerName);
    return opened;
}

TEST(SignatureBlock, LayoutRoundTripsAndEveryTruncationIsUnsigned) {
    SignatureBlock block;
    for (size_t i = 0; i < block.keyId.size(); ++i)
        block.keyId[i] = uint8_t(0xA0 + i);
    for (size_t i = 0; i < block.signature.size(); ++i)
        block.signature[i] = uint8_t(i * 3);
    const Bytes bytes = serializeSignatureBlock(block);
    ASSERT_EQ(bytes.size(), kSignatureBlockSize);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{'F', 'U', 's', 'g', 0, 1}));
    EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 14),
              Bytes(block.keyId.begin(), block.keyId.end()));
    const auto parsed = parseSignatureBlock(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->keyId, block.keyId);
    EXPECT_EQ(parsed->signature, block.signature);
    EXPECT_EQ(serializeSignatureBlock(*parsed), bytes);

    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(parseSignatureBlock(ByteView(bytes).first(length))) << length;
    Bytes longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(parseSignatureBlock(longer)) << "the block is all of the skipped bytes";
    Bytes laterVersion = bytes;
    laterVersion[5] = 2;
    EXPECT_FALSE(parseSignatureBlock(laterVersion));
    Bytes otherMagic = bytes;
    otherMagic[0] = 'f';
    EXPECT_FALSE(parseSignatureBlock(otherMagic));
}

TEST(DefinitionSignature, TrustedSignatureOpensWithItsSignerAndKeepsThePayload) {
    const Signer signer = newSigner();
    const Bytes plain = unsignedContainer();
    const Bytes container = signedBy(signer, plain);
    const OpenedDefinition opened = openWith(container, trusting({{&signer, "Example Foundry"}}));
    ASSERT_EQ(opened.container.failure, ContainerFailure::None);
    EXPECT_EQ(opened.container.payload, Bytes(32, 'p'));
    EXPECT_EQ(opened.signature.status, SignatureStatus::SignedBy);
    EXPECT_EQ(opened.signature.signerName, "Example Foundry");
    EXPECT_EQ(opened.signature.keyId, signer.keyId);
    EXPECT_NE(describeSignature(opened.signature).find("Example Foundry"), std::string::npos);
    // A reader that knows nothing of signatures opens it just the same.
    EXPECT_EQ(openDefinitionContainer(container, kCopyright).payload, Bytes(32, 'p'));
}

TEST(DefinitionSignature, BlockSignsTheDocumentedMessage) {
    // Rebuilt from the layout, independently of the signer: context, key id, cipher text and
    // payload digest; the key id is SHA-256 of the public key, cut to 8 bytes.
    const Signer signer = newSigner();
    const Bytes container = signedBy(signer, unsignedContainer());
    ASSERT_EQ(container.size(), 28 + kSignatureBlockSize + 48 + 16);
    const auto digest = platform::sha256(signer.publicKey).value();
    EXPECT_EQ(Bytes(container.begin() + 34, container.begin() + 42),
              Bytes(digest.begin(), digest.begin() + 8));
    Bytes message(kSignatureContext.begin(), kSignatureContext.end());
    ASSERT_EQ(message.back(), 0);
    message.insert(message.end(), container.begin() + 34, container.begin() + 42);
    message.insert(message.end(), container.begin() + 28 + kSignatureBlockSize, container.end());
    const ByteView signature = ByteView(container).subspan(42, 64);
    EXPECT_TRUE(platform::ed25519Verify(signer.publicKey, message, signature));
}

TEST(DefinitionSignature, EveryFlippedBitLosesTrust) {
    const Signer signer = newSigner();
    const TrustStore trust = trusting({{&signer, "Example Foundry"}});
    const Bytes container = signedBy(signer, unsignedContainer(8));
    ASSERT_EQ(openWith(container, trust).signature.status, SignatureStatus::SignedBy);
    for (size_t bit = 0; bit < container.size() * 8; ++bit) {
        Bytes changed = container;
        changed[bit / 8] ^= uint8_t(1u << (bit % 8));
        const OpenedDefinition opened = openWith(changed, trust);
        ASSERT_FALSE(opened.container.failure == ContainerFailure::None &&
                     opened.signature.status == SignatureStatus::SignedBy)
            << "bit " << bit;
    }
}

// The cipher text changed by someone who then recomputes the container digest, as anyone can.
TEST(DefinitionSignature, ResealedChangesAreBadSignatures) {
    const Signer signer = newSigner();
    const TrustStore trust = trusting({{&signer, "Example Foundry"}});
    const Bytes container = signedBy(signer, unsignedContainer(64));
    ContainerParts parts;
    ASSERT_EQ(splitDefinitionContainer(container, parts), ContainerFailure::None);
    const Bytes other = unsignedContainer(64 + 2);
    ContainerParts otherParts;
    ASSERT_EQ(splitDefinitionContainer(other, otherParts), ContainerFailure::None);

    const Bytes forged = assembleDefinitionContainer(
                             {parts.skippedBytes, otherParts.cipherText, otherParts.payloadDigest})
                             .value();
    const OpenedDefinition opened = openWith(forged, trust);
    ASSERT_EQ(opened.container.failure, ContainerFailure::None)
        << "the forgery is a sound container";
    EXPECT_EQ(opened.signature.status, SignatureStatus::BadSignature);
    EXPECT_EQ(opened.signature.signerName, "Example Foundry");

    // The same signature over the message without the context must not verify either.
    Bytes bare(signer.keyId.begin(), signer.keyId.end());
    bare.insert(bare.end(), parts.cipherText.begin(), parts.cipherText.end());
    bare.insert(bare.end(), parts.payloadDigest.begin(), parts.payloadDigest.end());
    SignatureBlock block;
    block.keyId = signer.keyId;
    const Bytes bareSignature = platform::ed25519Sign(signer.privateKey, bare).value();
    std::copy(bareSignature.begin(), bareSignature.end(), block.signature.begin());
    const Bytes blockBytes = serializeSignatureBlock(block);
    const Bytes contextless =
        assembleDefinitionContainer({blockBytes, parts.cipherText, parts.payloadDigest}).value();
    EXPECT_EQ(openWith(contextless, trust).signature.status, SignatureStatus::BadSignature);
}

TEST(DefinitionSignature, OtherKeysAreUnknownAndNeverTrusted) {
    const Signer signer = newSigner();
    const Signer other = newSigner();
    const Bytes container = signedBy(signer, unsignedContainer());
    for (const TrustStore& trust : {TrustStore{}, trusting({{&other, "Someone Else"}})}) {
        const OpenedDefinition opened = openWith(container, trust);
        EXPECT_EQ(opened.container.failure, ContainerFailure::None);
        EXPECT_EQ(opened.signature.status, SignatureStatus::UnknownKey);
        EXPECT_EQ(opened.signature.keyId, signer.keyId);
        EXPECT_NE(describeSignature(opened.signature).find(signingKeyIdText(signer.keyId)),
                  std::string::npos);
    }
}

TEST(DefinitionSignature, FilesWrittenBeforeSigningAreUnsignedAndOpen) {
    const Signer signer = newSigner();
    const TrustStore trust = trusting({{&signer, "Example Foundry"}});
    Bytes nearMiss = serializeSignatureBlock({signer.keyId, {}});
    nearMiss[5] = 9; // a block version this build does not know
    std::vector<Bytes> skips{{}, {0}, Bytes(77, 0x46), Bytes(78, 0), Bytes(79, 0xFF), nearMiss};
    Bytes patterned(4096);
    for (size_t i = 0; i < patterned.size(); ++i)
        patterned[i] = uint8_t(i * 131 + 7); // what `pack --skip` writes
    skips.push_back(patterned);
    for (const Bytes& skipped : skips) {
        const OpenedDefinition opened = openWith(unsignedContainer(32, skipped), trust);
        ASSERT_EQ(opened.container.failure, ContainerFailure::None) << skipped.size();
        EXPECT_EQ(opened.container.payload, Bytes(32, 'p'));
        EXPECT_EQ(opened.signature.status, SignatureStatus::Unsigned) << skipped.size();
        EXPECT_EQ(describeSignature(opened.signature), "unsigned");
    }
}

TEST(DefinitionSignature, ResigningReplacesTheSignatureAndOldSkippedBytes) {
    const Signer first = newSigner();
    const Signer second = newSigner();
    const TrustStore trust = trusting({{&first, "First"}, {&second, "Second"}});
    const Bytes original = unsignedContainer(32, Bytes(300, 0x11));
    const Bytes once = signedBy(first, original);
    const Bytes twice = signedBy(second, once);
    ASSERT_EQ(twice.size(), once.size());
    EXPECT_EQ(openWith(once, trust).signature.signerName, "First");
    const OpenedDefinition opened = openWith(twice, trust);
    EXPECT_EQ(opened.signature.status, SignatureStatus::SignedBy);
    EXPECT_EQ(opened.signature.signerName, "Second");
    EXPECT_EQ(opened.container.payload, Bytes(32, 'p'));
    ContainerParts before, after;
    ASSERT_EQ(splitDefinitionContainer(original, before), ContainerFailure::None);
    ASSERT_EQ(splitDefinitionContainer(twice, after), ContainerFailure::None);
    EXPECT_TRUE(std::ranges::equal(before.cipherText, after.cipherText));
    EXPECT_EQ(signedBy(second, twice), twice)
        << "Ed25519 is deterministic: signing again changes nothing";
}

TEST(DefinitionSignature, DamagedContainersAndBadKeysAreNotSigned) {
    Bytes damaged = unsignedContainer();
    damaged[40] ^= 1;
    ContainerFailure failure = ContainerFailure::None;
    EXPECT_FALSE(signDefinitionContainer(damaged, newSigner().privateKey, failure));
    EXPECT_EQ(failure, ContainerFailure::ContainerDigest);
    EXPECT_FALSE(signDefinitionContainer(unsignedContainer(), Bytes(31, 1), failure));
    EXPECT_EQ(failure, ContainerFailure::None);
}

using TrustStoreFolder = test::SandboxTest;

TEST_F(TrustStoreFolder, LoadsSignersFromTheFolderAndIgnoresLooseFiles) {
    const Signer trusted = newSigner();
    const Signer loose = newSigner();
    const std::string folder = sandbox.path("trusted-keys.d");
    std::filesystem::create_directories(folder);
    ASSERT_EQ(platform::writePublicKeyFile(folder + "/Example Foundry.pub", trusted.publicKey), 0);
    ASSERT_EQ(platform::writePublicKeyFile(folder + "/loose.pub", loose.publicKey), 0);
    ::chmod((folder + "/Example Foundry.pub").c_str(), 0644);
    ::chmod((folder + "/loose.pub").c_str(), 0666);
    std::ostringstream warnings;
    const TrustStore store = TrustStore::load(folder, true, warnings);
    EXPECT_NE(warnings.str().find("loose.pub"), std::string::npos);

    const OpenedDefinition good = openWith(signedBy(trusted, unsignedContainer()), store);
    EXPECT_EQ(good.signature.status, SignatureStatus::SignedBy);
    EXPECT_EQ(good.signature.signerName, "Example Foundry");
    EXPECT_EQ(openWith(signedBy(loose, unsignedContainer()), store).signature.status,
              SignatureStatus::UnknownKey);
}

TEST(TrustStore, KeysAreRawEd25519PublicKeysFoundByTheirId) {
    TrustStore store;
    EXPECT_FALSE(store.add(Bytes(31, 1), "short"));
    const Signer signer = newSigner();
    EXPECT_TRUE(store.add(signer.publicKey, "Kept"));
    EXPECT_TRUE(store.add(signer.publicKey, "Renamed"));
    ASSERT_EQ(store.keys().size(), 1u);
    ASSERT_NE(store.find(signer.keyId), nullptr);
    EXPECT_EQ(store.find(signer.keyId)->signerName, "Kept");
    EXPECT_EQ(store.find(newSigner().keyId), nullptr);
    EXPECT_EQ(signingKeyIdText({0x00, 0x01, 0xAB, 0xFF, 0x10, 0x20, 0x30, 0x40}),
              "0001abff10203040");
}

} // namespace
} // namespace fu
