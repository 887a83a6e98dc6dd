// Plain files and folders beside the Mac files: whole-file writes and reads with their owner
// checked, folders made with the modes they need, folder listings without companions.
#include "platform/MacFiles.h"

#include "platform/Memory.h"
#include "platform/OSStatus.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fu::platform {

int16_t writeDataFork(const std::string& path, ByteView bytes) {
    if (path.empty()) return paramErr;
    // No O_CREAT: the Mac file and its companion come into being together, elsewhere.
    posix::Fd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) return osErrFromErrno(errno);
    errno = 0;
    if (posix::pwriteFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size())
        return osErrFromErrno(errno ? errno : EIO);
    return ::fsync(fd.get()) == 0 ? noErr : osErrFromErrno(errno);
}

int16_t writeNewPlainFile(const std::string& path, ByteView bytes) {
    if (path.empty()) return paramErr;
    const int error = posix::writeNewFile(path, bytes);
    return error == 0 ? noErr : osErrFromErrno(error);
}

int16_t writeReplacingPlainFile(const std::string& path, ByteView bytes) {
    if (path.empty()) return paramErr;
    const int error = posix::writeFileReplacing(path, bytes); // syncs the folder too
    return error == 0 ? noErr : osErrFromErrno(error);
}

std::optional<Bytes> readOwnPrivateFile(const std::string& path, uint64_t limit) {
    return readFileOwnedBy(path, limit, ::geteuid());
}

uint32_t effectiveUserId() { return ::geteuid(); }

std::optional<Bytes> readFileOwnedBy(const std::string& path, uint64_t limit, uint32_t owner) {
    if (path.empty()) return std::nullopt;
    posix::Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != owner ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || uint64_t(st.st_size) > limit)
        return std::nullopt;
    Bytes bytes(size_t(st.st_size));
    if (posix::preadFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size())
        return std::nullopt;
    return bytes;
}

int16_t createFolder(const std::string& path, bool privateFolder) {
    if (path.empty()) return paramErr;
    return ::mkdir(path.c_str(), privateFolder ? 0700 : 0755) == 0 ? noErr : osErrFromErrno(errno);
}

PrivateFolderStatus makePrivateFolder(const std::string& path, std::optional<MacFolder>* opened,
                                      int* error) {
    auto failed = [error](int code) {
        if (error) *error = code;
        return PrivateFolderStatus::Failed;
    };
    if (opened) opened->reset();
    if (path.empty()) return failed(ENOENT);
    const std::string trimmed = posix::trimTrailingSlashes(path);
    const bool made = ::mkdir(trimmed.c_str(), 0700) == 0;
    if (!made && errno != EEXIST) return failed(errno);

    // O_NOFOLLOW refuses a link in the last place; the folders above are the user's own choice.
    posix::Fd fd(
        ::open(trimmed.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) {
        const int openError = errno;
        struct stat st {};
        if (::lstat(trimmed.c_str(), &st) != 0) return failed(openError);
        if (S_ISLNK(st.st_mode)) return PrivateFolderStatus::IsLink;
        if (!S_ISDIR(st.st_mode)) return PrivateFolderStatus::NotFolder;
        return failed(openError);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return failed(errno);
    if (!S_ISDIR(st.st_mode)) return PrivateFolderStatus::NotFolder;
    // Checked before any fchmod: as root, fchmod would succeed on anybody's folder swapped in
    // after the mkdir.
    if (st.st_uid != ::geteuid()) return PrivateFolderStatus::ForeignOwner;
    if (made) {
        // The umask only takes bits away, and may take the owner's too.
        if (::fchmod(fd.get(), 0700) != 0 || ::fstat(fd.get(), &st) != 0) return failed(errno);
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return PrivateFolderStatus::OpenToOthers;
    if (opened) *opened = MacFolder(fd.release(), trimmed, st.st_uid);
    return made ? PrivateFolderStatus::Made : PrivateFolderStatus::Reused;
}

int16_t setFolderReadableByEveryone(const std::string& path) {
    posix::Fd fd(
        path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) return osErrFromErrno(errno);
    return ::fchmod(fd.get(), 0755) == 0 ? noErr : osErrFromErrno(errno);
}

std::optional<std::vector<std::string>> listFolder(const std::string& path) {
    if (path.empty()) return std::nullopt;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name(entry->d_name);
        if (name == "." || name == ".." || isCompanionName(name)) continue;
        names.emplace_back(name);
    }
    const bool failed = errno != 0;
    ::closedir(dir);
    if (failed) return std::nullopt;
    return names;
}

} // namespace fu::platform
