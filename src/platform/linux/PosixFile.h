// Small POSIX helpers shared by the Linux platform files: an owning descriptor, whole-range
// reads and writes that survive short transfers and EINTR, durable replacement of small files.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fu::platform::posix {

// A path without the slashes after its last component; "/" stays "/".
[[nodiscard]] inline std::string trimTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset();

private:
    int fd_ = -1;
};

// The error answered for an item that is there but is not a regular file: a FIFO, a socket, a
// device or a folder. It is no errno value, so it cannot be mistaken for one.
inline constexpr int kNotRegularFile = -1;

// Opens a user's file for reading (O_RDONLY) or for reading and writing (O_RDWR): never through a
// link, never waiting for the other end of a FIFO, and kept only when fstat says the descriptor
// is a regular file, since a read from anything else may block for ever or never end. `name` is
// looked up in the folder `at` (AT_FDCWD for a path). Invalid on failure, with *error holding
// errno or kNotRegularFile; *size is the file's size on success.
[[nodiscard]] Fd openRegularFile(int at, const char* name, int flags, int* error = nullptr,
                                 uint64_t* size = nullptr);

// Counts a failed open towards openShortfallCount when `error` says the process, not the file,
// was short of something. openRegularFile and the lock flag's open, through which every file of
// a font is read, report here.
void noteOpenFailure(int error);

// strerror, with words of our own for kNotRegularFile.
[[nodiscard]] std::string errorText(int error);

inline constexpr uint64_t kNoSizeLimit = UINT64_MAX;

// Reads or writes the whole count at `offset`; answers the bytes moved. errno says why when short.
size_t preadFully(int fd, uint8_t* buffer, size_t count, uint64_t offset);
size_t pwriteFully(int fd, const uint8_t* bytes, size_t count, uint64_t offset);

// A regular file's whole contents; a larger file than `limit` is refused (EFBIG) before anything
// is allocated for it.
[[nodiscard]] std::optional<Bytes> readFileBytes(const std::string& path, int* error = nullptr,
                                                 uint64_t limit = kNoSizeLimit);

// Writes `bytes` to a temporary name beside `path`, syncs it and renames it over `path`.
[[nodiscard]] int writeFileReplacing(const std::string& path, ByteView bytes);
// Creates `path` exclusively with `bytes` and `mode` (less the umask); EEXIST when it is there.
[[nodiscard]] int writeNewFile(const std::string& path, ByteView bytes, unsigned mode = 0644);

// fsync of a file or a folder by path; 0 or errno.
int syncPath(const std::string& path);

[[nodiscard]] std::string parentFolder(const std::string& path);
[[nodiscard]] std::string lastComponent(const std::string& path);

} // namespace fu::platform::posix
