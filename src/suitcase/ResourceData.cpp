#include "suitcase/ResourceData.h"

#include "base/ByteReader.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"

#include <new>
#include <span>

namespace fu {

std::optional<Bytes> readResourceData(const std::string& path, uint32_t offset, uint32_t length) {
    if (path.empty() || offset == 0 || length == 0) return std::nullopt;
    platform::ScopedFork fork(path, platform::fsRdPerm);
    if (!fork.isOpen()) return std::nullopt;
    // A damaged length word can claim gigabytes; the fork's size settles that before we allocate.
    const std::optional<uint64_t> size = platform::forkSize(fork.refNum());
    if (!size || !rangeFits(*size, offset, length)) return std::nullopt;
    try {
        Bytes bytes(length);
        size_t done = 0;
        while (done < bytes.size()) {
            const platform::ForkTransfer transfer = platform::readFork(
                fork.refNum(), platform::fsFromStart, int64_t{offset} + static_cast<int64_t>(done),
                std::span<uint8_t>(bytes).subspan(done));
            if (transfer.status != platform::noErr || transfer.actualCount == 0)
                return std::nullopt;
            done += transfer.actualCount;
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace fu
