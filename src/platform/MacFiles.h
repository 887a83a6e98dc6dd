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

// Removes a file with its companion, or a folder with everything in it.
[[nodiscard]] int16_t removeMacItem(const std::string& path);

// Replaces the contents of an existing file's data fork and syncs it; the resource fork and
// Finder info are left as they are.
[[nodiscard]] int16_t writeDataFork(const std::string& path, ByteView bytes);

// Writes a new plain file (no companion), synced; an existing item is never replaced.
[[nodiscard]] int16_t writeNewPlainFile(const std::string& path, ByteView bytes);

// Creates one folder level; the parent must exist. A private folder is for the owner alone
// (the Trash is one).
[[nodiscard]] int16_t createFolder(const std::string& path, bool privateFolder = false);

// Names of a folder's entries, shallow, in the file system's order, without companions.
[[nodiscard]] std::optional<std::vector<std::string>> listFolder(const std::string& path);

} // namespace fu::platform
