// Mac files on Linux: the data file and its "._" companion always move and vanish together.
#include "platform/MacFiles.h"

#include "platform/OSStatus.h"
#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fu::platform {

namespace {

std::string trimTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// rename that refuses to replace an existing name.
int renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without RENAME_NOREPLACE: link/unlink keeps the no-replace promise for files.
    if (::link(from.c_str(), to.c_str()) == 0) return ::unlink(from.c_str()) == 0 ? 0 : errno;
    if (errno == EEXIST) return EEXIST;
    if (exists(to)) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int syncFile(const std::string& path) {
    posix::Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) return errno;
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

// Copies a regular file with its mode (or the one given) and modification time and syncs the copy.
int copyFileSynced(const std::string& from, const std::string& to, std::optional<mode_t> mode = std::nullopt) {
    posix::Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!in.valid()) return errno;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    posix::Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode.value_or(st.st_mode & 07777)));
    if (!out.valid()) return errno;
    // The creator's umask must not decide who may read a font.
    if (mode && ::fchmod(out.get(), *mode) != 0) return errno;
    Bytes buffer(1 << 20);
    uint64_t offset = 0;
    for (;;) {
        ssize_t n = ::pread(in.get(), buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        if (posix::pwriteFully(out.get(), buffer.data(), size_t(n), offset) != size_t(n))
            return errno ? errno : EIO;
        offset += uint64_t(n);
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.get(), times) != 0) return errno;
    return ::fsync(out.get()) == 0 ? 0 : errno;
}

int moveAcrossFileSystems(const std::string& source, const std::string& destination, bool withCompanion) {
    const std::string folder = posix::parentFolder(destination);
    const std::string stem = folder + "/.fu-move-" + std::to_string(::getpid()) + "-" +
                             posix::lastComponent(destination);
    const std::string tempData = stem;
    const std::string tempCompanion = companionPath(stem);
    auto cleanUp = [&] {
        ::unlink(tempData.c_str());
        ::unlink(tempCompanion.c_str());
    };
    int error = copyFileSynced(source, tempData);
    if (error == 0 && withCompanion) error = copyFileSynced(companionPath(source), tempCompanion);
    if (error == 0 && withCompanion) error = renameNoReplace(tempCompanion, companionPath(destination));
    if (error == 0) {
        error = renameNoReplace(tempData, destination);
        if (error != 0 && withCompanion) ::unlink(companionPath(destination).c_str());
    }
    if (error != 0) {
        cleanUp();
        return error;
    }
    posix::syncPath(folder);
    // The copy is complete and durable; only now may the original go.
    if (withCompanion) ::unlink(companionPath(source).c_str());
    ::unlink(source.c_str());
    return 0;
}

} // namespace

std::string companionPath(const std::string& path) {
    const std::string trimmed = trimTrailingSlashes(path);
    auto slash = trimmed.find_last_of('/');
    if (slash == std::string::npos) return "._" + trimmed;
    return trimmed.substr(0, slash + 1) + "._" + trimmed.substr(slash + 1);
}

bool isCompanionName(std::string_view name) { return name.size() >= 2 && name.substr(0, 2) == "._"; }

bool macFileExists(const std::string& path) { return !path.empty() && exists(path); }

int16_t moveMacFile(const std::string& sourcePath, const std::string& destinationPath) {
    if (sourcePath.empty() || destinationPath.empty()) return paramErr;
    const std::string source = trimTrailingSlashes(sourcePath);
    const std::string destination = trimTrailingSlashes(destinationPath);
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0) return osErrFromErrno(errno);
    if (exists(destination) || exists(companionPath(destination))) return dupFNErr;

    const bool withCompanion = exists(companionPath(source));
    if (S_ISREG(st.st_mode)) {
        if (int error = syncFile(source); error != 0) return osErrFromErrno(error);
        if (withCompanion)
            if (int error = syncFile(companionPath(source)); error != 0) return osErrFromErrno(error);
    }

    // Companion first: a reader that sees the new data file also sees its fork.
    int error = withCompanion ? renameNoReplace(companionPath(source), companionPath(destination)) : 0;
    if (error == 0) {
        error = renameNoReplace(source, destination);
        if (error != 0 && withCompanion) renameNoReplace(companionPath(destination), companionPath(source));
    }
    if (error == EXDEV && S_ISREG(st.st_mode)) error = moveAcrossFileSystems(source, destination, withCompanion);
    if (error != 0) return osErrFromErrno(error);
    posix::syncPath(posix::parentFolder(destination));
    posix::syncPath(posix::parentFolder(source));
    return noErr;
}

// A second pair of names for a file and its companion, each file made by `make`; companion first,
// and nothing of the second pair left when either file fails.
template <class Make>
int16_t makeSecondPair(const std::string& sourcePath, const std::string& destinationPath, Make make) {
    if (sourcePath.empty() || destinationPath.empty()) return paramErr;
    const std::string source = trimTrailingSlashes(sourcePath);
    const std::string destination = trimTrailingSlashes(destinationPath);
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0) return osErrFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return paramErr;
    if (exists(destination) || exists(companionPath(destination))) return dupFNErr;
    const bool withCompanion = exists(companionPath(source));
    int error = withCompanion ? make(companionPath(source), companionPath(destination)) : 0;
    if (error == 0) error = make(source, destination);
    if (error != 0) {
        ::unlink(destination.c_str());
        if (withCompanion) ::unlink(companionPath(destination).c_str());
        return osErrFromErrno(error);
    }
    return noErr;
}

int16_t backupMacFile(const std::string& sourcePath, const std::string& destinationPath) {
    // Links share the bytes, which the swap never writes to: renames only ever change names.
    const int16_t made = makeSecondPair(sourcePath, destinationPath, [](const std::string& from, const std::string& to) {
        if (::link(from.c_str(), to.c_str()) == 0) return syncFile(to);
        if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP) return errno;
        return copyFileSynced(from, to);
    });
    if (made != noErr) return made;
    const int error = posix::syncPath(posix::parentFolder(trimTrailingSlashes(destinationPath)));
    if (error == 0) return noErr;
    (void)removeMacItem(trimTrailingSlashes(destinationPath));
    return osErrFromErrno(error);
}

int16_t copyMacFileForEveryone(const std::string& sourcePath, const std::string& destinationPath) {
    return makeSecondPair(sourcePath, destinationPath, [](const std::string& from, const std::string& to) {
        return copyFileSynced(from, to, 0644);
    });
}

int16_t replaceMacFile(const std::string& stagedPath, const std::string& destinationPath) {
    if (stagedPath.empty() || destinationPath.empty()) return paramErr;
    const std::string staged = trimTrailingSlashes(stagedPath);
    const std::string destination = trimTrailingSlashes(destinationPath);
    if (posix::parentFolder(staged) != posix::parentFolder(destination)) return paramErr;
    struct stat st {};
    if (::lstat(staged.c_str(), &st) != 0) return osErrFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return paramErr;
    if (exists(companionPath(staged)) &&
        ::rename(companionPath(staged).c_str(), companionPath(destination).c_str()) != 0)
        return osErrFromErrno(errno);
    if (::rename(staged.c_str(), destination.c_str()) != 0) return osErrFromErrno(errno);
    return noErr;
}

int16_t syncFolder(const std::string& path) {
    if (path.empty()) return paramErr;
    const int error = posix::syncPath(trimTrailingSlashes(path));
    return error == 0 ? noErr : osErrFromErrno(error);
}

std::optional<MacFileBytes> readMacFileBytes(const std::string& path, uint64_t limit) {
    auto readLimited = [limit](const std::string& file, int* error) -> std::optional<Bytes> {
        posix::Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (!fd.valid()) {
            *error = errno;
            return std::nullopt;
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > limit) {
            *error = EINVAL;
            return std::nullopt;
        }
        Bytes bytes(size_t(st.st_size));
        if (posix::preadFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size()) {
            *error = errno ? errno : EIO;
            return std::nullopt;
        }
        return bytes;
    };
    if (path.empty()) return std::nullopt;
    int error = 0;
    MacFileBytes result;
    auto data = readLimited(path, &error);
    if (!data) return std::nullopt;
    result.data = std::move(*data);
    auto companion = readLimited(companionPath(path), &error);
    if (!companion && error != ENOENT) return std::nullopt;
    if (companion) {
        result.companion = std::move(*companion);
        result.hasCompanion = true;
    }
    return result;
}

int16_t removeMacItem(const std::string& path) {
    if (path.empty()) return paramErr;
    const std::string item = trimTrailingSlashes(path);
    struct stat st {};
    if (::lstat(item.c_str(), &st) != 0) return osErrFromErrno(errno);
    if (S_ISDIR(st.st_mode)) {
        std::error_code error;
        std::filesystem::remove_all(item, error); // does not follow links inside
        if (error) return osErrFromErrno(error.value());
    } else if (::unlink(item.c_str()) != 0) {
        return osErrFromErrno(errno);
    }
    if (::unlink(companionPath(item).c_str()) != 0 && errno != ENOENT) return osErrFromErrno(errno);
    return noErr;
}

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
    if (path.empty()) return std::nullopt;
    posix::Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || uint64_t(st.st_size) > limit)
        return std::nullopt;
    Bytes bytes(size_t(st.st_size));
    if (posix::preadFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size()) return std::nullopt;
    return bytes;
}

int16_t createFolder(const std::string& path, bool privateFolder) {
    if (path.empty()) return paramErr;
    return ::mkdir(path.c_str(), privateFolder ? 0700 : 0755) == 0 ? noErr : osErrFromErrno(errno);
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
