// Mounted local volumes with their sizes, for the free-space test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fu::platform {

struct MountedVolume {
    std::string mountPath;
    std::string displayName;
    uint64_t totalBytes = 0;
    uint64_t freeBytes = 0; // available to an unprivileged user
    bool writable = false;
};

// Local volumes in mount-table order; "/" is always among them. nullopt when the mount table
// cannot be read.
[[nodiscard]] std::optional<std::vector<MountedVolume>> mountedVolumes();

} // namespace fu::platform
