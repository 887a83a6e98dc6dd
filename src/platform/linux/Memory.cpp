#include "platform/Memory.h"

#include "platform/linux/PosixFile.h"

#include <mutex>
#include <sys/mman.h>
#include <vector>

namespace fu::platform {
namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// Below a few huge pages the advice saves nothing worth a system call.
constexpr size_t kWorthAdvising = 4 * kHugePage;
// Room for the buffers of one font's update: its sfnt read and rebuilt, its two pairs summed.
constexpr size_t kMostSpareBuffers = 4;
constexpr size_t kMostSpareBytes = size_t{80} << 20;

struct SpareBuffers {
    std::mutex mutex;
    std::vector<Bytes> buffers;
    size_t bytes = 0;
};

SpareBuffers& spares() {
    static SpareBuffers kept;
    return kept;
}

// The kept buffer with the least room that still holds `capacity`, taken out of the pool.
std::optional<Bytes> takeSpare(size_t capacity) {
    SpareBuffers& kept = spares();
    std::lock_guard lock(kept.mutex);
    auto best = kept.buffers.end();
    for (auto it = kept.buffers.begin(); it != kept.buffers.end(); ++it) {
        if (it->capacity() >= capacity &&
            (best == kept.buffers.end() || it->capacity() < best->capacity()))
            best = it;
    }
    if (best == kept.buffers.end()) return std::nullopt;
    Bytes buffer = std::move(*best);
    kept.buffers.erase(best);
    kept.bytes -= buffer.capacity();
    buffer.clear();
    return buffer;
}

} // namespace

Bytes reserveBulkBuffer(size_t capacity) {
    if (capacity < kWorthAdvising) {
        Bytes buffer;
        buffer.reserve(capacity);
        return buffer;
    }
    if (std::optional<Bytes> spare = takeSpare(capacity)) return std::move(*spare);
    Bytes buffer;
    buffer.reserve(capacity <= SIZE_MAX - kHugePage ? (capacity + kHugePage - 1) & ~(kHugePage - 1)
                                                    : capacity);
    capacity = buffer.capacity();
    // Transparent huge pages in "madvise" mode serve only ranges that ask, and only whole
    // aligned 2 MB pages of them. The advice is a hint: refused, the buffer works the same.
    const auto start = reinterpret_cast<uintptr_t>(buffer.data());
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + capacity) & ~(kHugePage - 1);
    // Offset from the buffer's own pointer: one made from an integer would hide from the
    // optimiser which object it points into.
    if (end > first) (void)::madvise(buffer.data() + (first - start), end - first, MADV_HUGEPAGE);
    return buffer;
}

void recycleBulkBuffer(Bytes&& buffer) {
    Bytes done = std::move(buffer);
    if (done.capacity() < kWorthAdvising) return;
    SpareBuffers& kept = spares();
    std::lock_guard lock(kept.mutex);
    if (kept.buffers.size() >= kMostSpareBuffers || done.capacity() > kMostSpareBytes - kept.bytes)
        return;
    kept.bytes += done.capacity();
    kept.buffers.push_back(std::move(done));
}

void releaseSpareBulkBuffers() {
    std::vector<Bytes> freed;
    {
        SpareBuffers& kept = spares();
        std::lock_guard lock(kept.mutex);
        freed.swap(kept.buffers);
        kept.bytes = 0;
    }
}

size_t spareBulkBytes() {
    SpareBuffers& kept = spares();
    std::lock_guard lock(kept.mutex);
    return kept.bytes;
}

std::optional<Bytes> readBulkFile(const std::string& path, uint64_t limit, int* error) {
    return posix::readFileBytes(path, error, limit);
}

std::string bulkFileErrorText(int error) { return posix::errorText(error); }

} // namespace fu::platform
