// Small POSIX helpers shared by the Linux platform files: an owning descriptor, whole-range
// reads and writes that survive short transfers and EINTR, durable replacement of small files.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fu::platform::posix {

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

// Reads or writes the whole count at `offset`; answers the bytes moved. errno says why when short.
size_t preadFully(int fd, uint8_t* buffer, size_t count, uint64_t offset);
size_t pwriteFully(int fd, const uint8_t* bytes, size_t count, uint64_t offset);

[[nodiscard]] std::optional<Bytes> readFileBytes(const std::string& path, int* error = nullptr);
[[nodiscard]] std::optional<uint64_t> fileSize(int fd);

// Writes `bytes` to a temporary name beside `path`, syncs it and renames it over `path`.
[[nodiscard]] int writeFileReplacing(const std::string& path, ByteView bytes);
// Creates `path` exclusively with `bytes` and `mode` (less the umask); EEXIST when it is there.
[[nodiscard]] int writeNewFile(const std::string& path, ByteView bytes, unsigned mode = 0644);

// fsync of a file or a folder by path; 0 or errno.
int syncPath(const std::string& path);

[[nodiscard]] std::string parentFolder(const std::string& path);
[[nodiscard]] std::string lastComponent(const std::string& path);

} // namespace fu::platform::posix
