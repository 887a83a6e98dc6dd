#include "support/HostileFiles.h"

#include "base/ByteWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fu::test {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

} // namespace

void makeFifo(const std::string& path) {
    if (::mkfifo(path.c_str(), 0644) != 0) fail("mkfifo", path);
}

void makeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        throw std::runtime_error("socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) fail("socket", path);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
    if (bound != 0) fail("bind", path);
}

void writeSparseCompanion(const std::string& companionPath, uint64_t forkLength,
                          ByteView forkStart) {
    constexpr uint32_t kFinderAt = 50, kForkAt = 82;
    if (forkLength > UINT32_MAX - kForkAt || forkStart.size() > forkLength)
        throw std::runtime_error("no companion holds that fork");
    ByteWriter w;
    w.writeU32(0x00051607);
    w.writeU32(0x00020000);
    w.writeZeros(16);
    w.writeU16(2);
    for (uint32_t word : {9u, kFinderAt, 32u, 2u, kForkAt, uint32_t(forkLength)})
        w.writeU32(word);
    w.writeBytes(asBytes("FFILDMOV"));
    w.writeZeros(24);
    w.writeBytes(forkStart);
    const Bytes head = w.take();
    const int fd = ::open(companionPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("open", companionPath);
    const bool written = ::write(fd, head.data(), head.size()) == ssize_t(head.size()) &&
                         ::ftruncate(fd, off_t(kForkAt + forkLength)) == 0;
    ::close(fd);
    if (!written) fail("write", companionPath);
}

Bytes forkHeaderClaimingAMapOf(uint64_t forkLength) {
    ByteWriter w;
    for (uint32_t word : {256u, 512u, 256u, uint32_t(forkLength - 512)})
        w.writeU32(word);
    return w.take();
}

void writeSparseSuitcaseCompanion(const std::string& companionPath, uint64_t forkLength) {
    writeSparseCompanion(companionPath, forkLength, forkHeaderClaimingAMapOf(forkLength));
}

Bytes fileStart(const std::string& path, size_t count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) fail("open", path);
    Bytes bytes(count);
    const ssize_t n = ::pread(fd, bytes.data(), bytes.size(), 0);
    ::close(fd);
    if (n < 0) fail("read", path);
    bytes.resize(size_t(n));
    return bytes;
}

bool actAsUnprivilegedUser() {
    if (::geteuid() != 0) return true;
    constexpr uid_t kNobody = 65534;
    // Groups first: once the user is given up, they can no longer be.
    return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
           ::setresuid(kNobody, kNobody, kNobody) == 0 && ::geteuid() == kNobody;
}

} // namespace fu::test
