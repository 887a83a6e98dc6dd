#include "platform/Volumes.h"

#include <mntent.h>
#include <set>
#include <sys/statvfs.h>

namespace fu::platform {

namespace {

std::optional<MountedVolume> describe(const std::string& mountPath) {
    struct statvfs info {};
    if (::statvfs(mountPath.c_str(), &info) != 0) return std::nullopt;
    MountedVolume volume;
    volume.mountPath = mountPath;
    auto slash = mountPath.find_last_of('/');
    volume.displayName = mountPath == "/" ? "/" : mountPath.substr(slash + 1);
    volume.totalBytes = uint64_t(info.f_blocks) * info.f_frsize;
    volume.freeBytes = uint64_t(info.f_bavail) * info.f_frsize;
    volume.writable = (info.f_flag & ST_RDONLY) == 0;
    return volume;
}

} // namespace

std::optional<std::vector<MountedVolume>> mountedVolumes() {
    FILE* table = ::setmntent("/proc/self/mounts", "r");
    if (!table) return std::nullopt;
    std::vector<MountedVolume> volumes;
    std::set<std::string> seen;
    bool sawRoot = false;
    while (const mntent* entry = ::getmntent(table)) {
        const std::string device = entry->mnt_fsname;
        const std::string path = entry->mnt_dir;
        // Local volumes are those backed by a device; the root counts whatever backs it
        // (overlay in containers).
        if (path != "/" && device.rfind("/dev/", 0) != 0) continue;
        if (!seen.insert(path).second) continue;
        auto volume = describe(path);
        if (!volume) break;
        sawRoot = sawRoot || path == "/";
        volumes.push_back(std::move(*volume));
    }
    ::endmntent(table);
    if (!sawRoot)
        if (auto root = describe("/")) volumes.insert(volumes.begin(), std::move(*root));
    return volumes;
}

} // namespace fu::platform
