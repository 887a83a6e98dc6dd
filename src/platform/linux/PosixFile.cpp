#include "platform/linux/PosixFile.h"

#include "platform/Memory.h"
#include "platform/OSStatus.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
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

namespace {
thread_local uint64_t openShortfalls = 0;
}

void noteOpenFailure(int error) {
    if (error == EMFILE || error == ENFILE || error == ENOMEM) ++openShortfalls;
}

Fd openRegularFile(int at, const char* name, int flags, int* error, uint64_t* size) {
    auto fail = [error](int code) {
        noteOpenFailure(code);
        if (error) *error = code;
        return Fd();
    };
    Fd fd(::openat(at, name, flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    // open(2) itself refuses a socket (and a device without a driver) with ENXIO.
    if (!fd.valid()) return fail(errno == ENXIO ? kNotRegularFile : errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return fail(errno);
    if (!S_ISREG(st.st_mode)) return fail(kNotRegularFile);
    if (size) *size = static_cast<uint64_t>(st.st_size);
    if (error) *error = 0;
    return fd;
}

std::string errorText(int error) {
    if (error == kNotRegularFile) return "not a regular file";
    return std::strerror(error);
}

std::optional<Bytes> readFileBytes(const std::string& path, int* error, uint64_t limit) {
    auto fail = [error](int code) -> std::optional<Bytes> {
        if (error) *error = code;
        return std::nullopt;
    };
    int openError = 0;
    uint64_t size = 0;
    Fd fd = openRegularFile(AT_FDCWD, path.c_str(), O_RDONLY, &openError, &size);
    if (!fd.valid()) return fail(openError);
    if (size > limit || size > SIZE_MAX) return fail(EFBIG);
    Bytes bytes;
    try {
        bytes = reserveBulkBuffer(static_cast<size_t>(size));
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return fail(ENOMEM);
    }
    errno = 0;
    if (preadFully(fd.get(), bytes.data(), bytes.size(), 0) != bytes.size())
        return fail(errno ? errno : EIO);
    if (error) *error = 0;
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
    // Without O_NONBLOCK a FIFO at the path would hold the open until somebody wrote to it.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
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

namespace fu::platform {

uint64_t openShortfallCount() { return posix::openShortfalls; }

} // namespace fu::platform
