// Raw fork access: positioned reads and writes that loop until every byte moved, the map read
// from the fork header, resource data by position, and the fork size.
#include "suitcase/ResFile.h"

#include "base/ByteReader.h"
#include "platform/Memory.h"
#include "platform/OSStatus.h"
#include "suitcase/ResFileLayout.h"
#include "suitcase/ResStatus.h"

#include <array>
#include <new>

namespace fu {

using enum ResStatus;

ResStatus ResFile::readResouceRefNum(platform::ForkRefNum refNum, int posMode, int64_t posOffset,
                                     size_t byteCount, std::span<uint8_t> buffer) {
    if (refNum == 0 || byteCount == 0 || buffer.empty() || buffer.size() < byteCount)
        return resErrArgument;
    size_t done = 0;
    while (done < byteCount) {
        const platform::ForkTransfer transfer =
            platform::readFork(refNum, done == 0 ? posMode : platform::fsAtMark,
                               done == 0 ? posOffset : 0, buffer.subspan(done, byteCount - done));
        if (transfer.status != platform::noErr) return resStatusOfPlatform(transfer.status);
        // A read that moves nothing without an error would loop for ever.
        if (transfer.actualCount == 0) return resStatusOfPlatform(platform::eofErr);
        done += transfer.actualCount;
    }
    return resNoErr;
}

ResStatus ResFile::writeResouceRefNum(platform::ForkRefNum refNum, int posMode, int64_t posOffset,
                                      ByteView bytes) {
    if (refNum == 0 || bytes.empty()) return resErrArgument;
    size_t done = 0;
    while (done < bytes.size()) {
        const platform::ForkTransfer transfer =
            platform::writeFork(refNum, done == 0 ? posMode : platform::fsAtMark,
                                done == 0 ? posOffset : 0, bytes.subspan(done));
        if (transfer.status != platform::noErr) return resStatusOfPlatform(transfer.status);
        if (transfer.actualCount == 0) return resStatusOfPlatform(platform::ioErr);
        done += transfer.actualCount;
    }
    return resNoErr;
}

std::optional<Bytes> ResFile::resourceMapInfoDataOfResRefNum(platform::ForkRefNum refNum) {
    const std::optional<uint64_t> size = platform::forkSize(refNum);
    if (!size || *size <= kResForkHeaderSize) return std::nullopt;
    const std::optional<ResForkHeader> header = detail::readResForkHeaderOfRefNum(refNum);
    if (!header) return std::nullopt;
    const uint32_t mapOffset = header->mapOffset, mapLength = header->mapLength;
    if (!rangeFits(*size, mapOffset, mapLength) || mapLength == 0 || mapLength > kResMapMaxLength)
        return std::nullopt;
    try {
        Bytes map(mapLength);
        if (readResouceRefNum(refNum, platform::fsFromStart, mapOffset, map.size(), map) !=
            resNoErr)
            return std::nullopt;
        return map;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<Bytes> ResFile::resourceMapInfoDataOfPath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    platform::ScopedFork fork(path, platform::fsRdPerm);
    if (!fork.isOpen()) return std::nullopt;
    return resourceMapInfoDataOfResRefNum(fork.refNum());
}

std::optional<std::string> ResFile::resourceMapInfoStringOfPath(const std::string& path) {
    const std::optional<Bytes> map = resourceMapInfoDataOfPath(path);
    if (!map) return std::nullopt;
    return hexStringFromData(*map);
}

ResStatus ResFile::readResourceDataOfPath(const std::string& path, uint32_t offset, uint32_t length,
                                          std::span<uint8_t> buffer) {
    if (path.empty() || offset == 0 || length == 0 || buffer.size() != length)
        return resErrDataRead;
    platform::ScopedFork fork(path, platform::fsRdPerm);
    if (!fork.isOpen()) return resErrDataRead;
    if (readResouceRefNum(fork.refNum(), platform::fsFromStart, offset, length, buffer) != resNoErr)
        return resErrDataRead;
    return resNoErr;
}

std::optional<Bytes> ResFile::readResourceDataOfPath(const std::string& path, uint32_t offset,
                                                     uint32_t length) {
    if (path.empty() || offset == 0 || length == 0) return std::nullopt;
    platform::ScopedFork fork(path, platform::fsRdPerm);
    if (!fork.isOpen()) return std::nullopt;
    const std::optional<uint64_t> size = platform::forkSize(fork.refNum());
    if (!size || !rangeFits(*size, offset, length)) return std::nullopt;
    try {
        // A font's data runs to megabytes; every page of a fresh buffer faults once otherwise.
        Bytes bytes = platform::reserveBulkBuffer(length);
        bytes.resize(length);
        if (readResouceRefNum(fork.refNum(), platform::fsFromStart, offset, length, bytes) !=
            resNoErr)
            return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

ResStatus ResFile::getResourceFileSizeOfPath(const std::string& path, uint64_t& resFileSize) {
    resFileSize = 0;
    if (path.empty()) return resErrForkSize;
    platform::ScopedFork fork(path, platform::fsRdPerm);
    if (!fork.isOpen()) return resErrForkSize;
    const std::optional<uint64_t> size = platform::forkSize(fork.refNum());
    if (!size) return resErrForkSize;
    resFileSize = *size;
    return resNoErr;
}

std::optional<uint64_t> ResFile::resourceFileSizeOfPath(const std::string& path) {
    uint64_t size = 0;
    if (getResourceFileSizeOfPath(path, size) != resNoErr) return std::nullopt;
    return size;
}

} // namespace fu
