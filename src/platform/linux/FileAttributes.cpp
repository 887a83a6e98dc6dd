// Attributes of Mac files on Linux: type, creator and creation date from the AppleDouble
// companion, the rest from the data file itself.
#include "platform/FileAttributes.h"

#include "base/ByteWriter.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/linux/AppleDoubleFile.h"
#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fu::platform {

namespace {

namespace ad = appledouble;

std::chrono::sys_seconds toSysSeconds(int64_t seconds) {
    return std::chrono::sys_seconds(std::chrono::seconds(seconds));
}

bool immutableFlag(const std::string& path, mode_t mode) {
    if (!S_ISREG(mode) && !S_ISDIR(mode)) return false;
    posix::Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        posix::noteOpenFailure(errno);
        return false;
    }
    int flags = 0;
    // File systems without the flag (tmpfs, overlay) cannot lock a file, so "off" is the truth.
    if (::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0) return false;
    return (flags & FS_IMMUTABLE_FL) != 0;
}

std::optional<int64_t> birthTime(const std::string& path) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0)
        return std::nullopt;
    if (!(sx.stx_mask & STATX_BTIME)) return std::nullopt;
    return sx.stx_btime.tv_sec;
}

struct CompanionInfo {
    std::optional<std::array<uint8_t, ad::kFinderInfoSize>> finderInfo;
    std::optional<ad::FileDates> dates;
};

// Only the header, the Finder info and the dates are read: a companion's fork may be large. A
// missing or damaged companion leaves them unknown; one that is no regular file (a FIFO would
// hold the open or the read for ever) makes the item unreadable: `status` is then notAFileErr.
std::optional<CompanionInfo> readCompanionInfo(const std::string& companion, int16_t& status) {
    status = noErr;
    int error = 0;
    uint64_t size = 0;
    posix::Fd fd = posix::openRegularFile(AT_FDCWD, companion.c_str(), O_RDONLY, &error, &size);
    if (!fd.valid()) {
        if (error == posix::kNotRegularFile) status = notAFileErr;
        return std::nullopt;
    }
    auto layout = ad::readLayout(fd.get(), size);
    if (!layout) return std::nullopt;

    CompanionInfo info;
    if (const auto* entry = layout->find(ad::FinderInfoEntry);
        entry && entry->length >= ad::kFinderInfoSize) {
        std::array<uint8_t, ad::kFinderInfoSize> finder{};
        if (posix::preadFully(fd.get(), finder.data(), finder.size(), entry->offset) ==
            finder.size())
            info.finderInfo = finder;
    }
    if (const auto* entry = layout->find(ad::FileDatesEntry);
        entry && entry->length >= ad::kFileDatesSize) {
        Bytes dates(ad::kFileDatesSize);
        if (posix::preadFully(fd.get(), dates.data(), dates.size(), entry->offset) == dates.size())
            info.dates = ad::parseFileDates(dates);
    }
    return info;
}

// One 32-bit field of an entry, written where it lies in the companion.
int16_t writeWordAt(int fd, uint64_t at, uint32_t value) {
    ByteWriter word(4);
    word.writeU32(value);
    if (posix::pwriteFully(fd, word.bytes().data(), word.size(), at) != word.size())
        return osErrFromErrno(errno);
    return noErr;
}

// Writes type, creator and dates into an existing companion in place when it already has room
// for them; otherwise rewrites the (then small) companion in our own layout.
int16_t updateCompanion(const std::string& companion, const FileAttributes& attributes,
                        std::optional<int32_t> creation, std::optional<int32_t> modification) {
    const bool wantsFinder = attributes.hfsTypeCode || attributes.hfsCreatorCode;
    const bool wantsDates = creation || modification;

    int openError = 0;
    uint64_t size = 0;
    posix::Fd fd = posix::openRegularFile(AT_FDCWD, companion.c_str(), O_RDWR, &openError, &size);
    if (fd.valid()) {
        std::optional<ad::Layout> layout = ad::readLayout(fd.get(), size);
        if (!layout) return ioErr; // never overwrite a companion we cannot read
        const auto* finder = layout->find(ad::FinderInfoEntry);
        const auto* dates = layout->find(ad::FileDatesEntry);
        const bool finderFits = !wantsFinder || (finder && finder->length >= ad::kFinderInfoSize);
        const bool datesFit = !wantsDates || (dates && dates->length >= ad::kFileDatesSize);
        if (finderFits && datesFit) {
            int16_t status = noErr;
            auto put = [&](uint64_t entryOffset, size_t fieldOffset, uint32_t value) {
                if (status == noErr)
                    status = writeWordAt(fd.get(), entryOffset + fieldOffset, value);
            };
            if (attributes.hfsTypeCode)
                put(finder->offset, ad::kFinderTypeField.offset, *attributes.hfsTypeCode);
            if (attributes.hfsCreatorCode)
                put(finder->offset, ad::kFinderCreatorField.offset, *attributes.hfsCreatorCode);
            if (creation)
                put(dates->offset, ad::kCreationDateField.offset, static_cast<uint32_t>(*creation));
            if (modification)
                put(dates->offset, ad::kModificationDateField.offset,
                    static_cast<uint32_t>(*modification));
            if (status != noErr) return status;
            return ::fsync(fd.get()) == 0 ? noErr : osErrFromErrno(errno);
        }
        fd.reset();
    } else if (openError != ENOENT) {
        return osErrFromErrno(openError);
    }

    ad::Document document;
    if (::access(companion.c_str(), F_OK) == 0) {
        int16_t status = noErr;
        auto parsed = ad::readDocument(companion, status);
        if (!parsed) return status;
        document = std::move(*parsed);
    }
    if (wantsFinder || !document.finderInfo)
        document.setTypeAndCreator(attributes.hfsTypeCode, attributes.hfsCreatorCode);
    if (wantsDates || !document.dates) {
        if (!document.dates) document.dates = ad::FileDates{};
        if (creation) document.dates->creation = *creation;
        if (modification) document.dates->modification = *modification;
    }
    return osErrFromErrno(posix::writeFileReplacing(companion, ad::serializeDocument(document)));
}

} // namespace

std::optional<FileAttributes> readAttributes(const std::string& path, int16_t* error) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
        if (error) *error = path.empty() ? paramErr : osErrFromErrno(errno);
        return std::nullopt;
    }
    FileAttributes attributes;
    if (S_ISREG(st.st_mode))
        attributes.type = ItemType::Regular;
    else if (S_ISDIR(st.st_mode))
        attributes.type = ItemType::Directory;
    else if (S_ISLNK(st.st_mode))
        attributes.type = ItemType::SymbolicLink;
    else
        attributes.type = ItemType::Other;
    attributes.size = static_cast<uint64_t>(st.st_size);
    attributes.modificationDate = toSysSeconds(st.st_mtim.tv_sec);
    attributes.immutable = immutableFlag(path, st.st_mode);

    std::optional<CompanionInfo> companion;
    if (attributes.type != ItemType::SymbolicLink) {
        int16_t status = noErr;
        companion = readCompanionInfo(companionPath(path), status);
        if (status != noErr) {
            if (error) *error = status;
            return std::nullopt;
        }
    }
    if (companion && companion->finderInfo) {
        const std::optional<ad::FinderCodes> codes = ad::parseFinderCodes(*companion->finderInfo);
        attributes.hfsTypeCode = codes ? codes->type : 0;
        attributes.hfsCreatorCode = codes ? codes->creator : 0;
    }
    if (companion && companion->dates)
        attributes.creationDate = dateFromAppleDouble(companion->dates->creation);
    if (!attributes.creationDate) {
        if (auto born = birthTime(path))
            attributes.creationDate = toSysSeconds(*born);
        else
            attributes.creationDate = attributes.modificationDate;
    }
    if (error) *error = noErr;
    return attributes;
}

AttributeResult applyAttributes(const std::string& path, const FileAttributes& attributes) {
    struct stat st {};
    if (path.empty()) return {false, paramErr};
    if (::lstat(path.c_str(), &st) != 0) return {false, osErrFromErrno(errno)};
    if (S_ISLNK(st.st_mode)) return {false, paramErr};

    std::optional<int32_t> creation, modification;
    if (attributes.creationDate) {
        creation = appleDoubleFromDate(*attributes.creationDate);
        if (!creation) return {false, paramErr};
    }
    if (attributes.modificationDate) {
        modification = appleDoubleFromDate(*attributes.modificationDate);
        if (!modification) return {false, paramErr};
    }
    if (attributes.hfsTypeCode || attributes.hfsCreatorCode || creation || modification) {
        if (int16_t status =
                updateCompanion(companionPath(path), attributes, creation, modification);
            status != noErr)
            return {false, status};
    }
    if (attributes.modificationDate) {
        const struct timespec times[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(attributes.modificationDate->time_since_epoch().count()), 0}};
        if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return {false, osErrFromErrno(errno)};
    }
    return {true, noErr};
}

} // namespace fu::platform
