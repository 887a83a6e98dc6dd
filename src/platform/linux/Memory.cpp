#include "platform/Memory.h"

#include "platform/linux/PosixFile.h"

#include <sys/mman.h>

namespace fu::platform {
namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// Below a few huge pages the advice saves nothing worth a system call.
constexpr size_t kWorthAdvising = 4 * kHugePage;

} // namespace

Bytes reserveBulkBuffer(size_t capacity) {
    Bytes buffer;
    buffer.reserve(capacity);
    if (capacity < kWorthAdvising) return buffer;
    // Transparent huge pages in "madvise" mode serve only ranges that ask, and only whole
    // aligned 2 MB pages of them. The advice is a hint: refused, the buffer works the same.
    const auto start = reinterpret_cast<uintptr_t>(buffer.data());
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + capacity) & ~(kHugePage - 1);
    if (end > first) (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    return buffer;
}

std::optional<Bytes> readBulkFile(const std::string& path, uint64_t limit, int* error) {
    return posix::readFileBytes(path, error, limit);
}

std::string bulkFileErrorText(int error) { return posix::errorText(error); }

} // namespace fu::platform
