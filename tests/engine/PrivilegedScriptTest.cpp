// What runs with rights is decided from the definition's bytes and the trust store alone.
#include "engine/PrivilegedScript.h"

#include "definition/DefinitionKey.h"
#include "engine/HelperProtocol.h"
#include "platform/Crypto.h"
#include "support/DefinitionBuilder.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

struct Author {
    Bytes privateKey = platform::generateEd25519PrivateKey().value();
    Bytes publicKey = platform::ed25519PublicKey(privateKey).value();
};

Bytes definitionSignedBy(const Author& author, const std::string& scripts) {
    DefinitionSources sources = test::sampleDefinitionSources();
    sources.scripts = Bytes(scripts.begin(), scripts.end());
    ContainerFailure failure = ContainerFailure::None;
    return signDefinitionContainer(test::sealedDefinition(sources, buildCopyrightString()),
                                   author.privateKey, failure)
        .value();
}

PrivilegedCommand commandFor(ByteView definition, std::string_view key, const TrustStore& trust) {
    return privilegedCommandOfDefinition(definition, key, trust, buildCopyrightString());
}

TEST(PrivilegedCommand, OnlyATrustedSignersOwnCacheScriptsRunAsWritten) {
    const Author author;
    TrustStore trusting;
    ASSERT_TRUE(trusting.add(author.publicKey, "Foundry"));
    const Bytes definition = definitionSignedBy(
        author,
        "OSAATSChacheRemoveAuth\tfc-cache -r\nOSAATSPingAuth\techo 'ping'\nASRestartComputer\treboot\n");

    const PrivilegedCommand removal = commandFor(definition, kPrivilegedCacheRemoveKey, trusting);
    ASSERT_EQ(removal.refusal, 0);
    EXPECT_EQ(removal.argv, (std::vector<std::string>{"/bin/sh", "-c", "fc-cache -r"}));
    EXPECT_TRUE(removal.isSignedScript());
    EXPECT_EQ(removal.signature.signerName, "Foundry");
    EXPECT_EQ(describePrivilegedCommand(removal), "fc-cache -r");
    EXPECT_EQ(commandFor(definition, "OSAATSPingAuth", trusting).argv.back(), "echo 'ping'");
    // A key the definition lacks, and keys that never run with rights, are refused.
    for (std::string_view key : {"OSAATSShutdownAuth", "ASRestartComputer", "UserChacheRemove", ""})
        EXPECT_EQ(commandFor(definition, key, trusting).refusal, errAuthorizationDenied) << key;
}

TEST(PrivilegedCommand, WithoutATrustedSignatureOnlyTheFixedRebuildRuns) {
    const Author author;
    const Bytes definition = definitionSignedBy(
        author, "OSAATSChacheRemoveAuth\trm -rf /\nOSAATSShutdownAuth\trm -rf /\n");
    const TrustStore nobody;
    const PrivilegedCommand removal = commandFor(definition, kPrivilegedCacheRemoveKey, nobody);
    ASSERT_EQ(removal.refusal, 0);
    EXPECT_EQ(removal.argv, fixedCacheRebuildCommand());
    EXPECT_FALSE(removal.isSignedScript());
    EXPECT_EQ(removal.signature.status, SignatureStatus::UnknownKey);
    EXPECT_EQ(describePrivilegedCommand(removal), "/usr/bin/fc-cache -s -f");
    EXPECT_EQ(commandFor(definition, "OSAATSShutdownAuth", nobody).refusal, errAuthorizationDenied);

    // Bytes that are not a definition of this build's key run nothing at all.
    DefinitionSources sources = test::sampleDefinitionSources();
    EXPECT_EQ(commandFor(test::sealedDefinition(sources, "another copyright"),
                         kPrivilegedCacheRemoveKey, nobody)
                  .refusal,
              errAuthorizationDenied);
    EXPECT_EQ(commandFor(Bytes(200, 0), kPrivilegedCacheRemoveKey, nobody).refusal,
              errAuthorizationDenied);
}

} // namespace
} // namespace fu
