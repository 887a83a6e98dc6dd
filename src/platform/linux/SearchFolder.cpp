// The search's reading of a folder tree on Linux: entry kinds from the directory entries, every
// name looked up in the open folder, companions opened as the regular-file opener opens them.
#include "platform/SearchFolder.h"

#include "base/ByteReader.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/linux/AppleDoubleFile.h"
#include "platform/linux/ForkTable.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>

namespace fu::platform {

namespace {

namespace ad = appledouble;

ItemType typeOfMode(mode_t mode) {
    if (S_ISREG(mode)) return ItemType::Regular;
    if (S_ISDIR(mode)) return ItemType::Directory;
    if (S_ISLNK(mode)) return ItemType::SymbolicLink;
    return ItemType::Other;
}

// File systems that leave d_type unknown (some network and older ones) cost one fstatat each.
std::optional<ItemType> typeOfEntry(int folder, const char* name, unsigned char type) {
    switch (type) {
    case DT_REG: return ItemType::Regular;
    case DT_DIR: return ItemType::Directory;
    case DT_LNK: return ItemType::SymbolicLink;
    case DT_UNKNOWN: {
        struct stat st {};
        if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
        return typeOfMode(st.st_mode);
    }
    default: return ItemType::Other;
    }
}

bool isOneComponent(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Finder info at `offset`: from the companion's first bytes when it lies within them.
std::optional<std::array<uint8_t, ad::kFinderInfoSize>> finderInfoAt(int fd, ByteView head,
                                                                     uint32_t offset) {
    std::array<uint8_t, ad::kFinderInfoSize> finder{};
    ByteView within;
    if (ByteReader(head).bytesAt(offset, finder.size(), within)) {
        std::copy(within.begin(), within.end(), finder.begin());
        return finder;
    }
    if (posix::preadFully(fd, finder.data(), finder.size(), offset) != finder.size())
        return std::nullopt;
    return finder;
}

} // namespace

SearchFile::SearchFile(SearchFile&& other) noexcept
    : companion_(std::exchange(other.companion_, -1)), forkTaken_(other.forkTaken_),
      status_(other.status_), forkStatus_(other.forkStatus_), forkOffset_(other.forkOffset_),
      forkLength_(other.forkLength_), typeCode_(other.typeCode_), creatorCode_(other.creatorCode_) {
}

SearchFile& SearchFile::operator=(SearchFile&& other) noexcept {
    if (this != &other) {
        if (companion_ >= 0) ::close(companion_);
        companion_ = std::exchange(other.companion_, -1);
        forkTaken_ = other.forkTaken_;
        status_ = other.status_;
        forkStatus_ = other.forkStatus_;
        forkOffset_ = other.forkOffset_;
        forkLength_ = other.forkLength_;
        typeCode_ = other.typeCode_;
        creatorCode_ = other.creatorCode_;
    }
    return *this;
}

SearchFile::~SearchFile() {
    if (companion_ >= 0) ::close(companion_);
}

ScopedFork SearchFile::openFork() {
    if (forkTaken_) return ScopedFork(std::nullopt, paramErr);
    forkTaken_ = true;
    posix::Fd companion(std::exchange(companion_, -1));
    if (forkStatus_ != noErr) return ScopedFork(std::nullopt, forkStatus_);
    int16_t status = noErr;
    const std::optional<ForkRefNum> ref =
        adoptReadOnlyFork(std::move(companion), ForkRange{forkOffset_, forkLength_}, &status);
    return ScopedFork(ref, status);
}

SearchFolder::SearchFolder(SearchFolder&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

SearchFolder& SearchFolder::operator=(SearchFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

SearchFolder::~SearchFolder() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<SearchFolder> SearchFolder::open(const std::string& path, int* error) {
    const int fd =
        path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path.empty() ? ENOENT : errno;
        return std::nullopt;
    }
    return SearchFolder(fd);
}

std::optional<SearchFolder> SearchFolder::openChild(const SearchFolder& parent,
                                                    const std::string& name, int* error) {
    const int fd = isOneComponent(name)
                       ? ::openat(parent.fd_, name.c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                       : -1;
    if (fd < 0) {
        if (error) *error = isOneComponent(name) ? errno : EINVAL;
        return std::nullopt;
    }
    return SearchFolder(fd);
}

std::optional<std::vector<SearchEntry>> SearchFolder::list(int* error) const {
    auto fail = [error](int code) -> std::optional<std::vector<SearchEntry>> {
        if (error) *error = code;
        return std::nullopt;
    };
    // The stream gets a descriptor of its own, since closing it closes that one too.
    const int streamFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (streamFd < 0) return fail(errno);
    DIR* dir = ::fdopendir(streamFd);
    if (!dir) {
        const int openError = errno;
        ::close(streamFd);
        return fail(openError);
    }
    // A duplicate shares the position of the folder's descriptor: every listing starts at the top.
    ::rewinddir(dir);
    struct Raw {
        std::string name;
        unsigned char type;
    };
    std::vector<Raw> raw;
    errno = 0;
    while (const dirent* entry = ::readdir(dir))
        raw.push_back({entry->d_name, entry->d_type});
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) return fail(readError);

    std::unordered_set<std::string_view> companionsOf;
    for (const Raw& entry : raw)
        if (isCompanionName(entry.name))
            companionsOf.insert(std::string_view(entry.name).substr(2));
    std::vector<SearchEntry> entries;
    entries.reserve(raw.size() - companionsOf.size());
    for (Raw& entry : raw) {
        if (entry.name == "." || entry.name == ".." || isCompanionName(entry.name)) continue;
        const std::optional<ItemType> type = typeOfEntry(fd_, entry.name.c_str(), entry.type);
        if (!type) continue;
        const bool hasCompanion = companionsOf.count(entry.name) != 0;
        entries.push_back({std::move(entry.name), *type, hasCompanion});
    }
    if (error) *error = 0;
    return entries;
}

SearchFile SearchFolder::readFile(const SearchEntry& entry) const {
    SearchFile file;
    // openFork refuses anything but a regular data file before it looks for the companion; a
    // link it would follow, but no link has Finder info, so the search never asks for its fork.
    if (entry.type != ItemType::Regular) file.forkStatus_ = notAFileErr;
    // Links and folders carry no Finder info the search would look at; without a companion in
    // the listing there is none to read.
    if (entry.type == ItemType::SymbolicLink || entry.type == ItemType::Directory ||
        !entry.hasCompanion || !isOneComponent(entry.name))
        return file;

    int error = 0;
    uint64_t size = 0;
    posix::Fd companion =
        posix::openRegularFile(fd_, ("._" + entry.name).c_str(), O_RDONLY, &error, &size);
    if (!companion.valid()) {
        // A FIFO, socket or folder in the companion's place makes the item unreadable; a companion
        // gone since the listing leaves a file without Finder info and with an empty fork.
        if (error == posix::kNotRegularFile) file.status_ = notAFileErr;
        // Without a descriptor to spare nothing is known of the file, not even that it has none.
        if (osErrFromErrno(error) == tmfoErr) file.status_ = tmfoErr;
        if (file.forkStatus_ == noErr && error != ENOENT) file.forkStatus_ = osErrFromErrno(error);
        return file;
    }
    Bytes head;
    const std::optional<ad::Layout> layout = ad::readLayoutAndHead(companion.get(), size, head);
    if (!layout) {
        if (file.forkStatus_ == noErr) file.forkStatus_ = ioErr;
        return file;
    }
    if (const auto* entry9 = layout->find(ad::FinderInfoEntry);
        entry9 && entry9->length >= ad::kFinderInfoSize) {
        if (const auto finder = finderInfoAt(companion.get(), head, entry9->offset)) {
            if (const auto codes = ad::parseFinderCodes(*finder)) {
                file.typeCode_ = codes->type;
                file.creatorCode_ = codes->creator;
            }
        }
    }
    if (file.forkStatus_ == noErr) {
        ForkRange range;
        file.forkStatus_ = readOnlyForkRange(*layout, size, range);
        file.forkOffset_ = range.offset;
        file.forkLength_ = range.length;
        if (file.forkStatus_ == noErr) file.companion_ = companion.release();
    }
    return file;
}

} // namespace fu::platform
