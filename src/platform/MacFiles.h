// Operations on Mac files: every one carries the file's companion ("._name") along, so the
// resource fork and Finder info travel with the data.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fu::platform {

[[nodiscard]] std::string companionPath(const std::string& path);
[[nodiscard]] bool isCompanionName(std::string_view name);

// True when the item exists (a dangling link counts as existing).
[[nodiscard]] bool macFileExists(const std::string& path);

// Moves a file and its companion; fails with dupFNErr when the destination name is taken.
// Both files are synced first and the companion is renamed before the data file, so a reader
// never sees the new data without its fork. Across file systems it copies, syncs, renames and
// then removes the source.
[[nodiscard]] int16_t moveMacFile(const std::string& sourcePath, const std::string& destinationPath);

// A second, durable name for a file and its companion in another folder: hard links where the
// two folders share a file system, else synced copies. The source stays where it is; the
// destination name must be free. The destination folder is synced.
[[nodiscard]] int16_t backupMacFile(const std::string& sourcePath, const std::string& destinationPath);

// Fresh synced copies of a file and its companion, owned by the caller, readable by everyone and
// writable by the owner only (0644), whatever the source's mode bits and the umask.
[[nodiscard]] int16_t copyMacFileForEveryone(const std::string& sourcePath, const std::string& destinationPath);

// Puts a staged file and its companion in place of another in the same folder by two atomic
// renames, companion first, so the name always holds a whole pair: the old one, then the new.
// Nothing is synced; syncFolder makes the result durable.
[[nodiscard]] int16_t replaceMacFile(const std::string& stagedPath, const std::string& destinationPath);

// Syncs a folder's entries (names made, renamed or removed in it).
[[nodiscard]] int16_t syncFolder(const std::string& path);

// The bytes of a file and of its companion (empty when it has none); nullopt when the data file
// cannot be read or exceeds the limit.
struct MacFileBytes {
    Bytes data;
    Bytes companion;
    bool hasCompanion = false;
    bool operator==(const MacFileBytes&) const = default;
};
[[nodiscard]] std::optional<MacFileBytes> readMacFileBytes(const std::string& path, uint64_t limit);

// Removes a file with its companion, or a folder with everything in it.
[[nodiscard]] int16_t removeMacItem(const std::string& path);

// Replaces the contents of an existing file's data fork and syncs it; the resource fork and
// Finder info are left as they are.
[[nodiscard]] int16_t writeDataFork(const std::string& path, ByteView bytes);

// Writes a new plain file (no companion), synced; an existing item is never replaced.
[[nodiscard]] int16_t writeNewPlainFile(const std::string& path, ByteView bytes);

// Replaces a small plain file durably: written beside it, synced, renamed over it, the folder
// synced.
[[nodiscard]] int16_t writeReplacingPlainFile(const std::string& path, ByteView bytes);

// A plain file of the user's own that nobody else may write, of at most `limit` bytes; nullopt
// for anything else (a link, another owner, a file open to others).
[[nodiscard]] std::optional<Bytes> readOwnPrivateFile(const std::string& path, uint64_t limit);

// Creates one folder level; the parent must exist. A private folder is for the owner alone
// (the Trash is one).
[[nodiscard]] int16_t createFolder(const std::string& path, bool privateFolder = false);

// Names of a folder's entries, shallow, in the file system's order, without companions.
[[nodiscard]] std::optional<std::vector<std::string>> listFolder(const std::string& path);

} // namespace fu::platform
