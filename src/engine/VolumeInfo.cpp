#include "engine/VolumeInfo.h"

#include "platform/Volumes.h"

namespace fu {

VolumeInfo::VolumeInfo() { (void)setVolumeItems(*this); }

bool VolumeInfo::setVolumeItems(VolumeInfo& volumeInfo) {
    volumeInfo.volumeItems.clear();
    auto volumes = platform::mountedVolumes();
    if (!volumes || volumes->empty()) return false;
    for (const platform::MountedVolume& volume : *volumes) {
        VolumeItem item;
        item.localPath = volume.mountPath;
        item.dispName = volume.displayName;
        item.totalSize = volume.totalBytes;
        item.freeSize = volume.freeBytes;
        item.sysVolume = volume.mountPath == "/";
        item.writable = volume.writable;
        volumeInfo.volumeItems.push_back(std::move(item));
    }
    return true;
}

const VolumeItem* VolumeInfo::systemVolumeItem() {
    (void)setVolumeItems(*this);
    for (const VolumeItem& item : volumeItems)
        if (item.sysVolume) return &item;
    return nullptr;
}

} // namespace fu
