// Mounted volumes, for the free-space test before an update.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fu {

class VolumeItem {
public:
    std::string localPath; // mount path
    std::string dispName;
    std::optional<uint64_t> totalSize;
    std::optional<uint64_t> freeSize;
    bool sysVolume = false; // the mount path is "/"
    bool writable = false;
};

class VolumeInfo {
public:
    VolumeInfo(); // fills the list once
    std::vector<VolumeItem> volumeItems;

    // Refills the given object's list; false when no volume could be found.
    static bool setVolumeItems(VolumeInfo& volumeInfo);
    // Refills the list, then the first system volume, or nullptr.
    [[nodiscard]] const VolumeItem* systemVolumeItem();
};

} // namespace fu
