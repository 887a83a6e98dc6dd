// The attribute dictionary of an item: HFS type and creator, dates, lock flag, size, kind.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace fu::platform {

enum class ItemType { Regular, Directory, SymbolicLink, Other };

struct FileAttributes {
    std::optional<uint32_t> hfsTypeCode; // absent when the file carries no Finder info
    std::optional<uint32_t> hfsCreatorCode;
    std::optional<std::chrono::sys_seconds> creationDate;
    std::optional<std::chrono::sys_seconds> modificationDate;
    std::optional<bool> immutable;
    std::optional<uint64_t> size; // of the data file
    std::optional<ItemType> type; // of the item itself; links are not followed
};

struct AttributeResult {
    bool ok = false;
    int16_t error = 0; // an OSErr when !ok
};

// nullopt when the item does not exist or cannot be examined; *error says why (notAFileErr when
// its companion is there but no regular file, so that no Finder info can be trusted or read).
[[nodiscard]] std::optional<FileAttributes> readAttributes(const std::string& path,
                                                           int16_t* error = nullptr);

// Applies the type, creator and dates that are set; the other fields are ignored.
[[nodiscard]] AttributeResult applyAttributes(const std::string& path,
                                              const FileAttributes& attributes);

} // namespace fu::platform
