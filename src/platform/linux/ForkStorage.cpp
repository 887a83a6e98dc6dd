// Resource forks kept in AppleDouble companions: a fork handle is a byte range of the companion.
#include "platform/ForkStorage.h"

#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Text.h"
#include "platform/linux/AppleDoubleFile.h"
#include "platform/linux/ForkTable.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace fu::platform {

namespace {

namespace ad = appledouble;

struct OpenFork {
    posix::Fd companion; // invalid when the file has no companion: the fork is empty
    bool writable = false;
    uint64_t forkOffset = 0;
    uint64_t forkLength = 0;
    size_t lengthField = 0; // where the fork's length lives in the descriptors
    uint64_t mark = 0;
    // Bytes read ahead of small reads of a read-only fork, which come in runs of a kilobyte when a
    // new fork is read back and compared; from aheadStart, valid while no fork has been written.
    Bytes ahead;
    uint64_t aheadStart = 0;
    uint64_t aheadGeneration = 0;
};

constexpr size_t kMaxOpenForks = 512;
// Entry offsets and lengths are 32-bit.
constexpr uint64_t kMaxCompanionSize = std::numeric_limits<uint32_t>::max();

std::mutex gMutex;
std::map<ForkRefNum, OpenFork> gForks;
ForkRefNum gNextRef = 1;
// Counts the writes to any fork: read-ahead from before a write is never served after it.
uint64_t gWriteGeneration = 0;

constexpr size_t kReadAhead = size_t{128} * 1024;
// Reads this large or larger go straight to the file, as one transfer.
constexpr size_t kSmallRead = size_t{16} * 1024;

// Serves a small read of a read-only fork from its read-ahead, filling that first when it does
// not hold the range; false when the read must go to the file (a failure of the fill included,
// which the direct read then meets and reports).
bool readAhead(OpenFork& fork, uint64_t position, std::span<uint8_t> into) {
    if (fork.writable || into.size() >= kSmallRead) return false;
    const bool holds = fork.aheadGeneration == gWriteGeneration && position >= fork.aheadStart &&
                       position - fork.aheadStart <= fork.ahead.size() &&
                       into.size() <= fork.ahead.size() - (position - fork.aheadStart);
    if (!holds) {
        const size_t count =
            static_cast<size_t>(std::min<uint64_t>(kReadAhead, fork.forkLength - position));
        if (count < into.size()) return false;
        try {
            fork.ahead.resize(count);
        } catch (const std::bad_alloc&) {
            fork.ahead.clear();
            return false;
        }
        errno = 0;
        if (posix::preadFully(fork.companion.get(), fork.ahead.data(), count,
                              fork.forkOffset + position) != count) {
            fork.ahead.clear();
            return false;
        }
        fork.aheadStart = position;
        fork.aheadGeneration = gWriteGeneration;
    }
    const auto from = fork.ahead.begin() + static_cast<ptrdiff_t>(position - fork.aheadStart);
    std::copy(from, from + static_cast<ptrdiff_t>(into.size()), into.begin());
    return true;
}

ForkRefNum allocateRef() {
    while (gForks.count(gNextRef))
        gNextRef = gNextRef == INT16_MAX ? 1 : gNextRef + 1;
    ForkRefNum ref = gNextRef;
    gNextRef = gNextRef == INT16_MAX ? 1 : gNextRef + 1;
    return ref;
}

// A writable fork must be able to grow, so it has to be the last thing in the companion.
bool forkIsLast(const ad::Layout& layout, const ad::EntryDescriptor& fork) {
    for (const auto& entry : layout.entries)
        if (&entry != &fork && uint64_t(entry.offset) + entry.length > fork.offset) return false;
    return true;
}

// Rewrites a companion into our own order (fork last). Only ever needed for a read-write open
// of a companion written elsewhere.
int16_t normaliseCompanion(const std::string& companionPath) {
    int16_t status = noErr;
    auto document = ad::readDocument(companionPath, status);
    if (!document) return status;
    return osErrFromErrno(
        posix::writeFileReplacing(companionPath, ad::serializeDocument(*document)));
}

int16_t openInto(const std::string& path, int permission, OpenFork& fork) {
    if (path.empty()) return paramErr;
    if (permission != fsRdPerm && permission != fsRdWrPerm) return paramErr;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return osErrFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return notAFileErr;

    fork.writable = permission == fsRdWrPerm;
    const std::string companion = companionPath(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        int error = 0;
        uint64_t size = 0;
        fork.companion = posix::openRegularFile(AT_FDCWD, companion.c_str(),
                                                fork.writable ? O_RDWR : O_RDONLY, &error, &size);
        if (!fork.companion.valid()) {
            // No companion: an empty fork to read; a writer needs the fork created first.
            if (error == ENOENT && !fork.writable) return noErr;
            return osErrFromErrno(error);
        }
        auto layout = ad::readLayout(fork.companion.get(), size);
        if (!layout) return ioErr;
        if (!fork.writable) {
            ForkRange range;
            const int16_t status = readOnlyForkRange(*layout, size, range);
            fork.forkOffset = range.offset;
            fork.forkLength = range.length;
            return status;
        }
        auto index = layout->indexOf(ad::ResourceForkEntry);
        if (index && layout->entries[*index].length > kMaxResourceForkLength)
            return fsDataTooBigErr;
        if (index && forkIsLast(*layout, layout->entries[*index])) {
            fork.forkOffset = layout->entries[*index].offset;
            fork.forkLength = layout->entries[*index].length;
            fork.lengthField = ad::Layout::lengthFieldOffset(*index);
            return noErr;
        }
        if (attempt == 0) {
            fork.companion.reset();
            if (int16_t status = normaliseCompanion(companion); status != noErr) return status;
        }
    }
    return ioErr;
}

OpenFork* findFork(ForkRefNum ref) {
    auto it = gForks.find(ref);
    return it == gForks.end() ? nullptr : &it->second;
}

// The fork position a transfer starts at, or a status.
int16_t startPosition(const OpenFork& fork, int positionMode, int64_t offset, uint64_t& position) {
    switch (positionMode) {
    case fsFromStart:
        if (offset < 0) return posErr;
        position = static_cast<uint64_t>(offset);
        return noErr;
    case fsAtMark: position = fork.mark; return noErr;
    default: return paramErr;
    }
}

// Puts an opened fork into the table.
std::optional<ForkRefNum> registerFork(OpenFork fork, int16_t* status) {
    std::lock_guard lock(gMutex);
    if (gForks.size() >= kMaxOpenForks) {
        if (status) *status = tmfoErr;
        return std::nullopt;
    }
    ForkRefNum ref = allocateRef();
    gForks.emplace(ref, std::move(fork));
    if (status) *status = noErr;
    return ref;
}

} // namespace

int16_t readOnlyForkRange(const ad::Layout& layout, uint64_t companionSize, ForkRange& range) {
    range = {};
    const auto* entry = layout.find(ad::ResourceForkEntry);
    if (!entry) {
        range.offset = companionSize;
        return noErr;
    }
    if (entry->length > kMaxResourceForkLength) return fsDataTooBigErr;
    range = {entry->offset, entry->length};
    return noErr;
}

std::optional<ForkRefNum> adoptReadOnlyFork(posix::Fd companion, ForkRange range, int16_t* status) {
    OpenFork fork;
    fork.companion = std::move(companion);
    fork.forkOffset = range.offset;
    fork.forkLength = fork.companion.valid() ? range.length : 0;
    return registerFork(std::move(fork), status);
}

std::optional<ForkRefNum> openFork(const std::string& path, int permission, int16_t* status) {
    OpenFork fork;
    if (int16_t result = openInto(path, permission, fork); result != noErr) {
        if (status) *status = result;
        return std::nullopt;
    }
    return registerFork(std::move(fork), status);
}

void closeFork(ForkRefNum refNum) {
    std::lock_guard lock(gMutex);
    gForks.erase(refNum);
}

std::optional<uint64_t> forkSize(ForkRefNum refNum) {
    std::lock_guard lock(gMutex);
    const OpenFork* fork = findFork(refNum);
    if (!fork) return std::nullopt;
    return fork->forkLength;
}

ForkTransfer readFork(ForkRefNum refNum, int positionMode, int64_t offset,
                      std::span<uint8_t> buffer) {
    std::lock_guard lock(gMutex);
    OpenFork* fork = findFork(refNum);
    if (!fork) return {0, rfNumErr};
    uint64_t position = 0;
    if (int16_t status = startPosition(*fork, positionMode, offset, position); status != noErr)
        return {0, status};
    if (position >= fork->forkLength) return {0, buffer.empty() ? noErr : eofErr};

    const size_t wanted =
        static_cast<size_t>(std::min<uint64_t>(buffer.size(), fork->forkLength - position));
    if (readAhead(*fork, position, buffer.first(wanted))) {
        fork->mark = position + wanted;
        return {wanted, wanted < buffer.size() ? eofErr : noErr};
    }
    size_t moved = posix::preadFully(fork->companion.get(), buffer.data(), wanted,
                                     fork->forkOffset + position);
    fork->mark = position + moved;
    if (moved < wanted) return {moved, errno == 0 ? eofErr : osErrFromErrno(errno)};
    return {moved, moved < buffer.size() ? eofErr : noErr};
}

ForkTransfer writeFork(ForkRefNum refNum, int positionMode, int64_t offset, ByteView bytes) {
    std::lock_guard lock(gMutex);
    OpenFork* fork = findFork(refNum);
    if (!fork) return {0, rfNumErr};
    if (!fork->writable) return {0, wrPermErr};
    ++gWriteGeneration;
    uint64_t position = 0;
    if (int16_t status = startPosition(*fork, positionMode, offset, position); status != noErr)
        return {0, status};
    if (position > fork->forkLength) return {0, posErr}; // no holes in a fork

    size_t wanted = bytes.size();
    int16_t limitStatus = noErr;
    const uint64_t room =
        std::min(kMaxCompanionSize - std::min(kMaxCompanionSize, fork->forkOffset + position),
                 kMaxResourceForkLength - std::min(kMaxResourceForkLength, position));
    if (wanted > room) {
        wanted = static_cast<size_t>(room);
        limitStatus = fsDataTooBigErr;
    }
    errno = 0;
    size_t moved = posix::pwriteFully(fork->companion.get(), bytes.data(), wanted,
                                      fork->forkOffset + position);
    int16_t status = moved < wanted ? osErrFromErrno(errno ? errno : EIO) : limitStatus;

    const uint64_t end = position + moved;
    if (end > fork->forkLength) {
        const uint32_t newLength = static_cast<uint32_t>(end);
        const uint8_t field[4] = {uint8_t(newLength >> 24), uint8_t(newLength >> 16),
                                  uint8_t(newLength >> 8), uint8_t(newLength)};
        if (posix::pwriteFully(fork->companion.get(), field, 4, fork->lengthField) != 4)
            return {0, osErrFromErrno(errno ? errno : EIO)};
        fork->forkLength = end;
    }
    fork->mark = end;
    return {moved, status};
}

int16_t createFileWithEmptyFork(const std::string& folderPath, const std::string& fileName) {
    if (folderPath.empty()) return paramErr;
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find('/') != std::string::npos || isCompanionName(fileName))
        return bdNamErr;
    auto units = utf16Length(fileName);
    if (!units || *units > 255) return bdNamErr;
    // The companion's "._" prefix must fit the file system's name length too.
    if (fileName.size() + 2 > NAME_MAX) return bdNamErr;
    struct stat st {};
    if (::stat(folderPath.c_str(), &st) != 0) return osErrFromErrno(errno);
    if (!S_ISDIR(st.st_mode)) return dirNFErr;

    const std::string path = folderPath + "/" + fileName;
    const std::string companion = companionPath(path);
    if (::lstat(companion.c_str(), &st) == 0) return dupFNErr;

    posix::Fd data(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!data.valid()) return osErrFromErrno(errno);
    data.reset();

    const auto now =
        std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now());
    ad::Document document;
    document.finderInfo.emplace();
    const int32_t stamp = appleDoubleFromDate(now).value_or(ad::kUnknownDate);
    document.dates = ad::FileDates{stamp, stamp, ad::kUnknownDate, stamp};
    if (int error = posix::writeNewFile(companion, ad::serializeDocument(document)); error != 0) {
        ::unlink(path.c_str());
        return error == EEXIST ? dupFNErr : osErrFromErrno(error);
    }
    return noErr;
}

size_t openForkCount() {
    std::lock_guard lock(gMutex);
    return gForks.size();
}

} // namespace fu::platform
