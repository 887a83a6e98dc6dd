#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fu::platform::posix {

void Fd::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

size_t preadFully(int fd, uint8_t* buffer, size_t count, uint64_t offset) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = 0;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t pwriteFully(int fd, const uint8_t* bytes, size_t count, uint64_t offset) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::pwrite(fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

std::optional<uint64_t> fileSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

std::optional<Bytes> readFileBytes(const std::string& path, int* error) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    auto fail = [error]() -> std::optional<Bytes> {
        if (error) *error = errno;
        return std::nullopt;
    };
    if (!fd.valid()) return fail();
    auto size = fileSize(fd.get());
    if (!size) return fail();
    Bytes bytes(*size);
    if (preadFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size()) {
        if (errno == 0) errno = EIO;
        return fail();
    }
    return bytes;
}

static int writeAndSync(int fd, ByteView bytes) {
    if (pwriteFully(fd, bytes.data(), bytes.size(), 0) != bytes.size()) return errno ? errno : EIO;
    if (::fsync(fd) != 0) return errno;
    return 0;
}

int writeFileReplacing(const std::string& path, ByteView bytes) {
    std::string temp = parentFolder(path) + "/.fu-tmp-" + lastComponent(path) + "-XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid()) return errno;
    // mkostemp makes the file private; the replacement keeps the old file's mode, else 0644.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    int error = ::fchmod(fd.get(), mode) == 0 ? 0 : errno;
    if (error == 0) error = writeAndSync(fd.get(), bytes);
    fd.reset();
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    return syncPath(parentFolder(path));
}

int writeNewFile(const std::string& path, ByteView bytes, unsigned mode) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode)));
    if (!fd.valid()) return errno;
    int error = writeAndSync(fd.get(), bytes);
    if (error != 0) ::unlink(path.c_str());
    return error;
}

int syncPath(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return errno;
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

std::string parentFolder(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string lastComponent(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace fu::platform::posix
