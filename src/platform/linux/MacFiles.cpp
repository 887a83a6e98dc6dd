// Mac files on Linux: the data file and its "._" companion always move and vanish together.
#include "platform/MacFiles.h"

#include "platform/Memory.h"
#include "platform/OSStatus.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/openat2.h>
#include <optional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace fu::platform {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int dirOf(const MacName& item) { return item.folder.descriptor(); }
const char* nameOf(const MacName& item) { return item.name.c_str(); }

bool existsAt(const MacName& item) {
    struct stat st {};
    return ::fstatat(dirOf(item), nameOf(item), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// A name is one component: never empty, ".", ".." or holding a slash.
bool isOneComponent(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool bothNamed(const MacName& a, const MacName& b) {
    return isOneComponent(a.name) && isOneComponent(b.name);
}

// rename that refuses to replace an existing name.
int renameNoReplace(const MacName& from, const MacName& to) {
    if (::renameat2(dirOf(from), nameOf(from), dirOf(to), nameOf(to), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without RENAME_NOREPLACE: link/unlink keeps the no-replace promise for files.
    if (::linkat(dirOf(from), nameOf(from), dirOf(to), nameOf(to), 0) == 0) {
        if (::unlinkat(dirOf(from), nameOf(from), 0) == 0) return 0;
        // Both names would hold the file; the new one goes again so the move did not happen.
        const int error = errno;
        ::unlinkat(dirOf(to), nameOf(to), 0);
        return error;
    }
    if (errno == EEXIST) return EEXIST;
    if (existsAt(to)) return EEXIST;
    return ::renameat(dirOf(from), nameOf(from), dirOf(to), nameOf(to)) == 0 ? 0 : errno;
}

posix::Fd openFileAt(const MacName& item, int flags) {
    return posix::Fd(
        ::openat(dirOf(item), nameOf(item), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
}

int syncFileAt(const MacName& item) {
    posix::Fd fd = openFileAt(item, O_RDONLY);
    if (!fd.valid()) return errno;
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

struct CopyRule {
    std::optional<mode_t> mode;       // else the source's
    std::optional<uint32_t> onlyFrom; // the source's owner, with a single name
};

// Copies a regular file with its mode (or the one given) and modification time and syncs the copy.
int copyFileSynced(const MacName& from, const MacName& to, const CopyRule& rule = {}) {
    posix::Fd in = openFileAt(from, O_RDONLY);
    if (!in.valid()) return errno;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    if (rule.onlyFrom && (st.st_uid != *rule.onlyFrom || st.st_nlink != 1)) return EPERM;
    const mode_t mode = rule.mode.value_or(st.st_mode & 07777);
    posix::Fd out(::openat(dirOf(to), nameOf(to),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (!out.valid()) return errno;
    // The creator's umask must not decide who may read a font.
    if (rule.mode && ::fchmod(out.get(), *rule.mode) != 0) return errno;
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

int moveAcrossFileSystems(const MacName& source, const MacName& destination, bool withCompanion) {
    const MacName tempData{destination.folder,
                           ".fu-move-" + std::to_string(::getpid()) + "-" + destination.name};
    const MacName tempCompanion = tempData.companion();
    auto cleanUp = [&] {
        ::unlinkat(dirOf(tempData), nameOf(tempData), 0);
        ::unlinkat(dirOf(tempCompanion), nameOf(tempCompanion), 0);
    };
    int error = copyFileSynced(source, tempData);
    if (error == 0 && withCompanion) error = copyFileSynced(source.companion(), tempCompanion);
    if (error == 0 && withCompanion)
        error = renameNoReplace(tempCompanion, destination.companion());
    if (error == 0) {
        error = renameNoReplace(tempData, destination);
        if (error != 0 && withCompanion)
            ::unlinkat(dirOf(destination), destination.companion().name.c_str(), 0);
    }
    if (error != 0) {
        cleanUp();
        return error;
    }
    if (::fsync(destination.folder.descriptor()) != 0) return errno;
    // The copy is complete and durable; only now may the original go, data file first so that
    // a failure leaves the source a whole pair or a lone companion no scanner loads.
    if (::unlinkat(dirOf(source), nameOf(source), 0) != 0) return errno;
    if (withCompanion && ::unlinkat(dirOf(source), source.companion().name.c_str(), 0) != 0)
        return errno;
    return 0;
}

// The folder of a path and its last component; the path-based calls all go through here.
struct OpenedName {
    MacFolder folder;
    std::string name;
    [[nodiscard]] MacName ref() const { return {folder, name}; }
};

std::optional<OpenedName> openParent(const std::string& path, int* error = nullptr) {
    if (path.empty()) {
        if (error) *error = EINVAL;
        return std::nullopt;
    }
    const std::string trimmed = posix::trimTrailingSlashes(path);
    auto folder = MacFolder::open(posix::parentFolder(trimmed), error);
    if (!folder) return std::nullopt;
    return OpenedName{std::move(*folder), posix::lastComponent(trimmed)};
}

// The path forms of the two-file operations: both parents opened, then the descriptor form.
template <class Call>
int16_t withTwoPaths(const std::string& sourcePath, const std::string& destinationPath, Call call) {
    int error = 0;
    auto source = openParent(sourcePath, &error);
    if (!source) return osErrFromErrno(error);
    auto destination = openParent(destinationPath, &error);
    if (!destination) return osErrFromErrno(error);
    return call(source->ref(), destination->ref());
}

} // namespace

MacFolder::MacFolder(MacFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), owner_(other.owner_) {}

MacFolder& MacFolder::operator=(MacFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        owner_ = other.owner_;
    }
    return *this;
}

MacFolder::~MacFolder() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<MacFolder> MacFolder::open(const std::string& path, int* error) {
    // O_RDONLY rather than O_PATH: a folder's entries are synced through this descriptor.
    posix::Fd fd(path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        if (error) *error = path.empty() ? ENOENT : errno;
        return std::nullopt;
    }
    return MacFolder(fd.release(), path, st.st_uid);
}

std::optional<MacFolder> MacFolder::openBeneath(const MacFolder& root, const std::string& relative,
                                                int* error) {
    const std::string spelled = relative.empty() ? "." : relative;
    auto fail = [error](int code) -> std::optional<MacFolder> {
        if (error) *error = code;
        return std::nullopt;
    };
    if (spelled.front() == '/' || spelled.find('\0') != std::string::npos) return fail(EXDEV);
    struct open_how how {};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    int fd = int(::syscall(SYS_openat2, root.descriptor(), spelled.c_str(), &how, sizeof how));
    if (fd < 0 && (errno == ENOSYS || errno == EPERM)) {
        // Kernels before 5.6 (or a filter that hides the call): one component at a time, each
        // opened beneath the last with links refused, which no rename during the walk can fool.
        posix::Fd at(::fcntl(root.descriptor(), F_DUPFD_CLOEXEC, 0));
        size_t begin = 0;
        while (at.valid() && begin < spelled.size()) {
            const size_t end = std::min(spelled.find('/', begin), spelled.size());
            const std::string part = spelled.substr(begin, end - begin);
            begin = end + 1;
            if (part.empty() || part == ".") continue;
            if (part == "..") return fail(EXDEV);
            at = posix::Fd(
                ::openat(at.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
        }
        fd = at.valid() ? at.release() : -1;
    }
    posix::Fd opened(fd);
    struct stat st {};
    if (!opened.valid() || ::fstat(opened.get(), &st) != 0) return fail(errno);
    std::string path = root.path();
    if (!relative.empty()) path += (path == "/" ? "" : "/") + relative;
    return MacFolder(opened.release(), std::move(path), st.st_uid);
}

std::string companionPath(const std::string& path) {
    const std::string trimmed = posix::trimTrailingSlashes(path);
    auto slash = trimmed.find_last_of('/');
    if (slash == std::string::npos) return "._" + trimmed;
    return trimmed.substr(0, slash + 1) + "._" + trimmed.substr(slash + 1);
}

bool isCompanionName(std::string_view name) {
    return name.size() >= 2 && name.substr(0, 2) == "._";
}

bool macFileExists(const std::string& path) { return !path.empty() && exists(path); }

bool macFileExists(const MacName& file) { return isOneComponent(file.name) && existsAt(file); }

std::optional<ItemType> itemTypeOf(const MacName& item, int* error) {
    struct stat st {};
    if (!isOneComponent(item.name) ||
        ::fstatat(dirOf(item), nameOf(item), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (error) *error = isOneComponent(item.name) ? errno : EINVAL;
        return std::nullopt;
    }
    if (S_ISREG(st.st_mode)) return ItemType::Regular;
    if (S_ISDIR(st.st_mode)) return ItemType::Directory;
    if (S_ISLNK(st.st_mode)) return ItemType::SymbolicLink;
    return ItemType::Other;
}

int16_t moveMacFile(const MacName& source, const MacName& destination, bool syncFolders) {
    if (!bothNamed(source, destination)) return paramErr;
    struct stat st {};
    if (::fstatat(dirOf(source), nameOf(source), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return osErrFromErrno(errno);
    if (existsAt(destination) || existsAt(destination.companion())) return dupFNErr;

    const bool withCompanion = existsAt(source.companion());
    if (S_ISREG(st.st_mode)) {
        if (int error = syncFileAt(source); error != 0) return osErrFromErrno(error);
        if (withCompanion)
            if (int error = syncFileAt(source.companion()); error != 0)
                return osErrFromErrno(error);
    }

    // Companion first: a reader that sees the new data file also sees its fork.
    int error = withCompanion ? renameNoReplace(source.companion(), destination.companion()) : 0;
    if (error == 0) {
        error = renameNoReplace(source, destination);
        if (error != 0 && withCompanion)
            renameNoReplace(destination.companion(), source.companion());
    }
    if (error == EXDEV && S_ISREG(st.st_mode))
        error = moveAcrossFileSystems(source, destination, withCompanion);
    if (error != 0) return osErrFromErrno(error);
    if (syncFolders) {
        ::fsync(destination.folder.descriptor());
        ::fsync(source.folder.descriptor());
    }
    return noErr;
}

int16_t moveMacFile(const std::string& sourcePath, const std::string& destinationPath) {
    return withTwoPaths(sourcePath, destinationPath,
                        [](const MacName& a, const MacName& b) { return moveMacFile(a, b); });
}

namespace {

// A second pair of names for a file and its companion, each file made by `make`; companion first,
// and nothing of the second pair left when either file fails.
template <class Make>
int16_t makeSecondPair(const MacName& source, const MacName& destination, Make make) {
    if (!bothNamed(source, destination)) return paramErr;
    struct stat st {};
    if (::fstatat(dirOf(source), nameOf(source), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return osErrFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return paramErr;
    if (existsAt(destination) || existsAt(destination.companion())) return dupFNErr;
    const bool withCompanion = existsAt(source.companion());
    int error = withCompanion ? make(source.companion(), destination.companion()) : 0;
    if (error == 0) error = make(source, destination);
    if (error != 0) {
        ::unlinkat(dirOf(destination), nameOf(destination), 0);
        if (withCompanion) ::unlinkat(dirOf(destination), destination.companion().name.c_str(), 0);
        return error == EPERM ? permErr : osErrFromErrno(error);
    }
    return noErr;
}

} // namespace

int16_t backupMacFile(const MacName& source, const MacName& destination) {
    // Links share the bytes, which the swap never writes to: renames only ever change names.
    const int16_t made =
        makeSecondPair(source, destination, [](const MacName& from, const MacName& to) {
            if (::linkat(dirOf(from), nameOf(from), dirOf(to), nameOf(to), 0) == 0)
                return syncFileAt(to);
            if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP)
                return errno;
            return copyFileSynced(from, to);
        });
    if (made != noErr) return made;
    if (::fsync(destination.folder.descriptor()) == 0) return noErr;
    const int error = errno;
    (void)removeMacFilePair(destination);
    return osErrFromErrno(error);
}

int16_t backupMacFile(const std::string& sourcePath, const std::string& destinationPath) {
    return withTwoPaths(sourcePath, destinationPath,
                        [](const MacName& a, const MacName& b) { return backupMacFile(a, b); });
}

int16_t copyMacFileForEveryone(const MacName& source, const MacName& destination,
                               std::optional<uint32_t> onlyFrom) {
    return makeSecondPair(source, destination, [onlyFrom](const MacName& from, const MacName& to) {
        return copyFileSynced(from, to, {mode_t(0644), onlyFrom});
    });
}

int16_t copyMacFileForEveryone(const std::string& sourcePath, const std::string& destinationPath) {
    return withTwoPaths(sourcePath, destinationPath, [](const MacName& a, const MacName& b) {
        return copyMacFileForEveryone(a, b);
    });
}

int16_t replaceMacFile(const MacFolder& folder, const std::string& stagedName,
                       const std::string& destinationName) {
    const MacName staged{folder, stagedName}, destination{folder, destinationName};
    if (!bothNamed(staged, destination)) return paramErr;
    struct stat st {};
    if (::fstatat(dirOf(staged), nameOf(staged), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return osErrFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return paramErr;
    const MacName stagedCompanion = staged.companion(),
                  destinationCompanion = destination.companion();
    if (existsAt(stagedCompanion) &&
        ::renameat(dirOf(stagedCompanion), nameOf(stagedCompanion), dirOf(destinationCompanion),
                   nameOf(destinationCompanion)) != 0)
        return osErrFromErrno(errno);
    if (::renameat(dirOf(staged), nameOf(staged), dirOf(destination), nameOf(destination)) != 0)
        return osErrFromErrno(errno);
    return noErr;
}

int16_t replaceMacFile(const std::string& stagedPath, const std::string& destinationPath) {
    if (stagedPath.empty() || destinationPath.empty()) return paramErr;
    const std::string staged = posix::trimTrailingSlashes(stagedPath);
    const std::string destination = posix::trimTrailingSlashes(destinationPath);
    if (posix::parentFolder(staged) != posix::parentFolder(destination)) return paramErr;
    int error = 0;
    auto folder = MacFolder::open(posix::parentFolder(staged), &error);
    if (!folder) return osErrFromErrno(error);
    return replaceMacFile(*folder, posix::lastComponent(staged), posix::lastComponent(destination));
}

int16_t syncFolder(const MacFolder& folder) {
    return ::fsync(folder.descriptor()) == 0 ? noErr : osErrFromErrno(errno);
}

int16_t syncFolder(const std::string& path) {
    if (path.empty()) return paramErr;
    const int error = posix::syncPath(posix::trimTrailingSlashes(path));
    return error == 0 ? noErr : osErrFromErrno(error);
}

namespace {

MacPairIdentity::File identityOfStat(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<uint64_t>(st.st_size), static_cast<int64_t>(st.st_mtim.tv_sec),
            static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

} // namespace

std::optional<MacPairIdentity> macPairIdentity(const MacName& file) {
    if (!isOneComponent(file.name)) return std::nullopt;
    MacPairIdentity identity;
    struct stat st {};
    if (::fstatat(dirOf(file), nameOf(file), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    identity.data = identityOfStat(st);
    const MacName companion = file.companion();
    if (::fstatat(dirOf(companion), nameOf(companion), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        // Whatever stands there is part of the pair as a reader would meet it; a reader refuses
        // what is not a regular file, so its identity must never match a digest.
        if (!S_ISREG(st.st_mode)) return std::nullopt;
        identity.companion = identityOfStat(st);
        identity.hasCompanion = true;
    } else if (errno != ENOENT) {
        return std::nullopt;
    }
    return identity;
}

std::optional<MacPairIdentity> macPairIdentity(const std::string& path) {
    auto file = openParent(path);
    if (!file) return std::nullopt;
    return macPairIdentity(file->ref());
}

std::optional<MacFileBytes> readMacFileBytes(const MacName& file, uint64_t limit,
                                             MacPairIdentity* identity) {
    bool steady = true;
    auto readLimited = [limit, &steady](const MacName& item, int* error,
                                        MacPairIdentity::File& read) -> std::optional<Bytes> {
        uint64_t size = 0;
        posix::Fd fd = posix::openRegularFile(dirOf(item), nameOf(item), O_RDONLY, error, &size);
        if (!fd.valid()) return std::nullopt;
        if (size > limit) {
            *error = EFBIG;
            return std::nullopt;
        }
        Bytes bytes = reserveBulkBuffer(static_cast<size_t>(size));
        bytes.resize(static_cast<size_t>(size));
        errno = 0;
        if (posix::preadFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size()) {
            *error = errno ? errno : EIO;
            return std::nullopt;
        }
        // Asked after the read: a write that raced it changes the time, and the identity then
        // matches nothing later.
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) {
            *error = errno;
            return std::nullopt;
        }
        read = identityOfStat(st);
        steady = steady && read.size == bytes.size();
        return bytes;
    };
    if (!isOneComponent(file.name)) return std::nullopt;
    int error = 0;
    MacFileBytes result;
    MacPairIdentity read;
    auto data = readLimited(file, &error, read.data);
    if (!data) return std::nullopt;
    result.data = std::move(*data);
    auto companion = readLimited(file.companion(), &error, read.companion);
    if (!companion && error != ENOENT) return std::nullopt;
    if (companion) {
        result.companion = std::move(*companion);
        result.hasCompanion = true;
        read.hasCompanion = true;
    }
    if (identity) *identity = steady ? read : MacPairIdentity{};
    return result;
}

std::optional<MacFileBytes> readMacFileBytes(const std::string& path, uint64_t limit,
                                             MacPairIdentity* identity) {
    auto file = openParent(path);
    if (!file) return std::nullopt;
    return readMacFileBytes(file->ref(), limit, identity);
}

int16_t removeMacFilePair(const MacName& file) {
    if (!isOneComponent(file.name)) return paramErr;
    int16_t result = noErr;
    for (const MacName& item : {file, file.companion()})
        if (::unlinkat(dirOf(item), nameOf(item), 0) != 0 && errno != ENOENT && result == noErr)
            result = osErrFromErrno(errno);
    return result;
}

int16_t removeMacItem(const std::string& path) {
    if (path.empty()) return paramErr;
    const std::string item = posix::trimTrailingSlashes(path);
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

} // namespace fu::platform
