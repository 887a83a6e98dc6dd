#include "platform/KeyFiles.h"
#include "platform/Crypto.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fu {
namespace {

namespace fs = std::filesystem;

using KeyFiles = test::SandboxTest;

Bytes newPublicKey() {
    const auto key = platform::generateEd25519PrivateKey();
    return key ? platform::ed25519PublicKey(*key).value_or(Bytes{}) : Bytes{};
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST_F(KeyFiles, PrivateKeysArePrivateAndNeverOverwritten) {
    const auto key = platform::generateEd25519PrivateKey();
    ASSERT_TRUE(key);
    const std::string path = sandbox.path("signing.key");
    ASSERT_EQ(platform::writePrivateKeyFile(path, *key), 0);
    EXPECT_EQ(modeOf(path), 0600u);
    std::string error;
    EXPECT_EQ(platform::readPrivateKeyFile(path, error), key) << error;
    EXPECT_EQ(platform::readPublicKeyFile(path, error), std::nullopt)
        << "a private key file is no public key";

    const Bytes before = test::readWholeFile(path);
    EXPECT_EQ(platform::writePrivateKeyFile(path, Bytes(32, 7)), EEXIST);
    EXPECT_EQ(test::readWholeFile(path), before);

    const auto publicKey = platform::ed25519PublicKey(*key);
    ASSERT_TRUE(publicKey);
    ASSERT_EQ(platform::writePublicKeyFile(path + ".pub", *publicKey), 0);
    EXPECT_EQ(platform::readPublicKeyFile(path + ".pub", error), publicKey) << error;
    EXPECT_EQ(platform::readPublicKeyFile(sandbox.path("missing.pub"), error), std::nullopt);
    EXPECT_FALSE(error.empty());
}

TEST_F(KeyFiles, TrustFolderAcceptsOnlyFilesNobodyElseCanChangeAndMayBeMissing) {
    const std::string folder = sandbox.path("trusted-keys.d");
    fs::create_directories(folder);
    const Bytes good = newPublicKey();
    ASSERT_EQ(platform::writePublicKeyFile(folder + "/Example Foundry.pub", good), 0);
    ::chmod((folder + "/Example Foundry.pub").c_str(), 0644);
    ASSERT_EQ(platform::writePublicKeyFile(folder + "/readonly.pem", newPublicKey()), 0);
    ::chmod((folder + "/readonly.pem").c_str(), 0400);

    struct Rejected {
        std::string name;
        mode_t mode;
    };
    const Rejected rejected[] = {{"group-writable.pub", 0664}, {"world-writable.pub", 0646}};
    for (const Rejected& bad : rejected) {
        ASSERT_EQ(platform::writePublicKeyFile(folder + "/" + bad.name, newPublicKey()), 0);
        ::chmod((folder + "/" + bad.name).c_str(), bad.mode);
    }
    fs::create_symlink(folder + "/Example Foundry.pub", folder + "/link.pub");
    fs::create_directories(folder + "/folder.pub");
    test::writeWholeFile(folder + "/notes.txt", asBytes("not a key\n"));
    test::writeWholeFile(folder + "/.hidden.pub", asBytes("editor backup\n"));

    std::ostringstream warnings;
    const auto keys = platform::trustedKeyFiles(folder, true, warnings);
    ASSERT_EQ(keys.size(), 2u) << warnings.str();
    EXPECT_EQ(keys[0].signerName, "Example Foundry");
    EXPECT_EQ(keys[0].publicKey, good);
    EXPECT_EQ(keys[1].signerName, "readonly");
    for (const char* ignored :
         {"group-writable.pub", "world-writable.pub", "link.pub", "folder.pub", "notes.txt"})
        EXPECT_NE(warnings.str().find(std::string(folder) + "/" + ignored), std::string::npos)
            << ignored;
    EXPECT_EQ(warnings.str().find(".hidden"), std::string::npos);

    // Files of an ordinary user count only where a test says so; root's count everywhere.
    std::ostringstream strict;
    const auto strictKeys = platform::trustedKeyFiles(folder, false, strict);
    if (::geteuid() != 0) {
        EXPECT_TRUE(strictKeys.empty());
        EXPECT_NE(strict.str().find("not owned by root"), std::string::npos) << strict.str();
    } else {
        EXPECT_EQ(strictKeys.size(), keys.size()) << "root's own files are root's";
    }
    std::ostringstream none;
    EXPECT_TRUE(platform::trustedKeyFiles(sandbox.path("absent"), true, none).empty());
    EXPECT_TRUE(none.str().empty()) << "a missing folder holds no keys, silently";
}

} // namespace
} // namespace fu
