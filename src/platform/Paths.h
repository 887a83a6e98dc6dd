// What an item itself is (a link is not followed), and where a path really leads. The
// privileged helper decides with these what it may touch.
#pragma once

#include "platform/FileAttributes.h"

#include <optional>
#include <string>

namespace fu::platform {

// The kind of the item itself (a link is reported, never followed). nullopt when it does not
// exist or cannot be examined; *error then holds errno.
[[nodiscard]] std::optional<ItemType> itemTypeOf(const std::string& path, int* error = nullptr);

// The absolute path with every link, "." and ".." resolved; nullopt when a component is missing.
[[nodiscard]] std::optional<std::string> canonicalPath(const std::string& path);

// The folder part of a path: "." for a bare name, "/" for an item at the root.
[[nodiscard]] std::string parentFolderOf(const std::string& path);
// The last component of a path.
[[nodiscard]] std::string lastPathComponent(const std::string& path);

} // namespace fu::platform
