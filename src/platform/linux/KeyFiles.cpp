#include "platform/KeyFiles.h"

#include "platform/Crypto.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace fu::platform {

namespace {

// Far above any PEM key; a larger file is not one and is not read whole.
constexpr off_t kMaxKeyFileSize = off_t{64} * 1024;

int writeKeyFile(const std::string& path, const std::optional<std::string>& pem, unsigned mode) {
    if (!pem) return EINVAL;
    return posix::writeNewFile(path, asBytes(*pem), mode);
}

std::optional<Bytes> readKeyFile(const std::string& path, bool privateKey, std::string& error) {
    int readError = 0;
    auto bytes = posix::readFileBytes(path, &readError, kMaxKeyFileSize);
    if (!bytes) {
        error = readError == EFBIG ? "it is too large for a key file" : posix::errorText(readError);
        return std::nullopt;
    }
    const std::string text = toString(*bytes);
    auto key = privateKey ? ed25519PrivateKeyFromPem(text) : ed25519PublicKeyFromPem(text);
    if (!key) error = privateKey ? "not a PEM Ed25519 private key" : "not a PEM Ed25519 public key";
    return key;
}

std::string signerNameOf(const std::string& fileName) {
    for (const char* ending : {".pub", ".pem"}) {
        const size_t length = std::strlen(ending);
        if (fileName.size() > length &&
            fileName.compare(fileName.size() - length, length, ending) == 0)
            return fileName.substr(0, fileName.size() - length);
    }
    return fileName;
}

// Opens without following links and judges the opened file itself, so that nothing can be
// swapped in between the check and the read.
std::optional<Bytes> readTrustedFile(const std::string& path, bool acceptOwnFiles,
                                     std::string& reason) {
    posix::Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        reason = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        reason = std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "it is not a regular file";
        return std::nullopt;
    }
    if (info.st_uid != 0 && !(acceptOwnFiles && info.st_uid == ::geteuid())) {
        reason = "it is not owned by root";
        return std::nullopt;
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        reason = "group or others may write it";
        return std::nullopt;
    }
    if (info.st_size > kMaxKeyFileSize) {
        reason = "it is too large for a key file";
        return std::nullopt;
    }
    Bytes bytes(static_cast<size_t>(info.st_size));
    if (posix::preadFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size()) {
        reason = std::strerror(errno ? errno : EIO);
        return std::nullopt;
    }
    return bytes;
}

} // namespace

int writePrivateKeyFile(const std::string& path, ByteView privateKey) {
    return writeKeyFile(path, ed25519PrivateKeyPem(privateKey), 0600);
}

int writePublicKeyFile(const std::string& path, ByteView publicKey) {
    return writeKeyFile(path, ed25519PublicKeyPem(publicKey), 0644);
}

std::optional<Bytes> readPrivateKeyFile(const std::string& path, std::string& error) {
    return readKeyFile(path, true, error);
}

std::optional<Bytes> readPublicKeyFile(const std::string& path, std::string& error) {
    return readKeyFile(path, false, error);
}

std::vector<TrustedKeyFile> trustedKeyFiles(const std::string& folder, bool acceptOwnFiles,
                                            std::ostream& warnings) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            // Hidden files are editors' and package managers' leftovers, not keys.
            if (!name.empty() && name[0] != '.') names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<TrustedKeyFile> keys;
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        std::string reason;
        auto bytes = readTrustedFile(path, acceptOwnFiles, reason);
        std::optional<Bytes> key;
        if (bytes) {
            key = ed25519PublicKeyFromPem(toString(*bytes));
            if (!key) reason = "it holds no PEM Ed25519 public key";
        }
        if (!key) {
            warnings << "fontupdater: ignoring trusted key " << path << ": " << reason << '\n';
            continue;
        }
        keys.push_back({signerNameOf(name), std::move(*key)});
    }
    return keys;
}

} // namespace fu::platform
