// keygen, sign and verify: Ed25519 signatures on update definitions, kept in the container's
// skipped bytes so that every reader still opens a signed file.
#include "Commands.h"

#include "definition/DefinitionSignature.h"
#include "platform/Crypto.h"
#include "platform/KeyFiles.h"
#include "platform/linux/PosixFile.h"

#include <cstring>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace fu::cli {

namespace {

struct KeygenOptions {
    std::string keyFile;
};

int runKeygen(const KeygenOptions& options) {
    const std::string publicFile = options.keyFile + ".pub";
    struct stat existing {};
    // Checked first, so that a refusal leaves no half of a pair behind.
    for (const std::string& path : {options.keyFile, publicFile}) {
        if (::lstat(path.c_str(), &existing) == 0) {
            std::cerr << "fupdef: " << path << " exists; a key is never overwritten\n";
            return 1;
        }
    }
    const auto privateKey = platform::generateEd25519PrivateKey();
    const auto publicKey = privateKey ? platform::ed25519PublicKey(*privateKey) : std::nullopt;
    const auto keyId = publicKey ? signingKeyId(*publicKey) : std::nullopt;
    if (!keyId) {
        std::cerr << "fupdef: the cryptography library made no Ed25519 key\n";
        return 1;
    }
    if (int error = platform::writePrivateKeyFile(options.keyFile, *privateKey); error != 0) {
        std::cerr << "fupdef: cannot write " << options.keyFile << ": " << std::strerror(error)
                  << '\n';
        return 1;
    }
    if (int error = platform::writePublicKeyFile(publicFile, *publicKey); error != 0) {
        std::cerr << "fupdef: cannot write " << publicFile << ": " << std::strerror(error) << '\n';
        ::unlink(options.keyFile.c_str());
        return 1;
    }
    std::cout << "key " << signingKeyIdText(*keyId) << ": private key " << options.keyFile
              << ", public key " << publicFile << '\n';
    return 0;
}

struct SignOptions {
    std::string path;
    std::string keyFile;
};

int runSign(const SignOptions& options) {
    auto bytes = readInputFile(options.path);
    if (!bytes) return 1;
    auto signedBytes = signContainerWithKeyFile(*bytes, options.keyFile, options.path);
    if (!signedBytes) return 1;
    // Beside and renamed over: a crash leaves the old file or the new one, never half of either.
    if (int error = platform::posix::writeFileReplacing(options.path, *signedBytes); error != 0) {
        std::cerr << "fupdef: cannot write " << options.path << ": " << std::strerror(error)
                  << '\n';
        return 1;
    }
    return 0;
}

struct VerifyOptions {
    std::string path;
};

int runVerify(const VerifyOptions& options) {
    auto bytes = readInputFile(options.path);
    if (!bytes) return 1;
    ContainerParts parts;
    if (auto failure = splitDefinitionContainer(*bytes, parts); failure != ContainerFailure::None) {
        std::cerr << "fupdef: " << options.path << " refused: " << describeContainerFailure(failure)
                  << '\n';
        return 1;
    }
    const SignatureVerification verification = verifyDefinitionSignature(parts, cliTrustStore());
    const bool trusted = verification.status == SignatureStatus::SignedBy;
    (trusted ? std::cout : std::cerr)
        << options.path << ": " << describeSignature(verification) << '\n';
    return trusted ? 0 : 1;
}

} // namespace

std::optional<Bytes> signContainerWithKeyFile(ByteView container, const std::string& keyFile,
                                              const std::string& containerName) {
    std::string error;
    auto privateKey = platform::readPrivateKeyFile(keyFile, error);
    if (!privateKey) {
        std::cerr << "fupdef: cannot use " << keyFile << ": " << error << '\n';
        return std::nullopt;
    }
    ContainerFailure failure = ContainerFailure::None;
    auto signedBytes = signDefinitionContainer(container, *privateKey, failure);
    if (!signedBytes) {
        std::cerr << "fupdef: " << containerName << " not signed: "
                  << (failure != ContainerFailure::None ? describeContainerFailure(failure)
                                                        : "the key was refused")
                  << '\n';
    }
    return signedBytes;
}

void addSigningCommands(CLI::App& app, int& exitCode) {
    auto keygen = std::make_shared<KeygenOptions>();
    auto* keygenCommand = app.add_subcommand(
        "keygen", "Make an Ed25519 signing key: KEY-FILE (private, mode 0600) and KEY-FILE.pub");
    keygenCommand->add_option("KEY-FILE", keygen->keyFile, "private key file to write (PEM)")
        ->required();
    keygenCommand->callback([keygen, &exitCode] { exitCode = runKeygen(*keygen); });

    auto sign = std::make_shared<SignOptions>();
    auto* signCommand =
        app.add_subcommand("sign", "Sign an update definition in place, replacing any signature");
    signCommand->add_option("DEF", sign->path, ".fupdef file")
        ->required()
        ->check(CLI::ExistingFile);
    signCommand->add_option("--key", sign->keyFile, "private key file (PEM, from fupdef keygen)")
        ->required()
        ->check(CLI::ExistingFile);
    signCommand->callback([sign, &exitCode] { exitCode = runSign(*sign); });

    auto verify = std::make_shared<VerifyOptions>();
    auto* verifyCommand = app.add_subcommand(
        "verify",
        "Check an update definition's signature against the trusted keys; exit 0 only for a trusted signer");
    verifyCommand->add_option("DEF", verify->path, ".fupdef file")->required();
    verifyCommand->callback([verify, &exitCode] { exitCode = runVerify(*verify); });
}

} // namespace fu::cli
