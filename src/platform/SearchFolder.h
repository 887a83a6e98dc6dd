// What the font search reads of a folder tree, and nothing more: one listing per folder with each
// entry's kind taken from the listing, and for a file whose companion the listing holds, its
// Finder info and resource fork, all through the folder's open descriptor. The answers are the
// ones readAttributes and openFork give for the same items; only the work differs.
#pragma once

#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fu::platform {

struct SearchEntry {
    std::string name;
    ItemType type = ItemType::Other; // of the entry itself; a link is not followed
    bool hasCompanion = false;       // the listing holds "._" + name
};

// One file as the search reads it: its companion opened at most once, and only when the listing
// holds it. Nothing of the data file itself is opened.
class SearchFile {
public:
    SearchFile() = default;
    SearchFile(SearchFile&& other) noexcept;
    SearchFile& operator=(SearchFile&& other) noexcept;
    SearchFile(const SearchFile&) = delete;
    SearchFile& operator=(const SearchFile&) = delete;
    ~SearchFile();

    // noErr, or notAFileErr where readAttributes answers nothing with that error: the companion
    // is there but is no regular file, so no Finder info of it can be trusted; tmfoErr when no
    // descriptor was free to open the companion with.
    [[nodiscard]] int16_t status() const { return status_; }
    // As readAttributes answers them: absent without a companion, for a link, for a companion
    // that does not parse or whose Finder info is shorter than 32 bytes.
    [[nodiscard]] std::optional<uint32_t> hfsTypeCode() const { return typeCode_; }
    [[nodiscard]] std::optional<uint32_t> hfsCreatorCode() const { return creatorCode_; }

    // The resource fork as openFork(path, fsRdPerm) opens it, with the same statuses. A link has
    // none here (notAFileErr): the search never follows one. The companion's descriptor passes
    // to the handle, so the fork opens once; a second call answers paramErr.
    [[nodiscard]] ScopedFork openFork();

private:
    friend class SearchFolder;
    int companion_ = -1;
    bool forkTaken_ = false;
    int16_t status_ = 0;
    int16_t forkStatus_ = 0;
    uint64_t forkOffset_ = 0;
    uint64_t forkLength_ = 0;
    std::optional<uint32_t> typeCode_;
    std::optional<uint32_t> creatorCode_;
};

// An open folder of the tree being searched.
class SearchFolder {
public:
    // The folder at `path`, links on the way followed: a Fonts folder may be a link its user made.
    [[nodiscard]] static std::optional<SearchFolder> open(const std::string& path,
                                                          int* error = nullptr);
    // A sub-folder by the name the listing gave it; never through a link.
    [[nodiscard]] static std::optional<SearchFolder>
    openChild(const SearchFolder& parent, const std::string& name, int* error = nullptr);

    SearchFolder(SearchFolder&& other) noexcept;
    SearchFolder& operator=(SearchFolder&& other) noexcept;
    SearchFolder(const SearchFolder&) = delete;
    SearchFolder& operator=(const SearchFolder&) = delete;
    ~SearchFolder();

    // The entries in the file system's order without ".", ".." and companions, as listFolder
    // names them; an entry whose kind cannot be learnt is left out, as itemTypeOf would fail for
    // it. nullopt (errno in *error) when the folder cannot be read to its end.
    [[nodiscard]] std::optional<std::vector<SearchEntry>> list(int* error = nullptr) const;

    // The entry's Finder info and fork. Reads nothing for a folder, a link or a file whose
    // listing held no companion.
    [[nodiscard]] SearchFile readFile(const SearchEntry& entry) const;

private:
    explicit SearchFolder(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace fu::platform
