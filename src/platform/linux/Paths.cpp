#include "platform/Paths.h"

#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace fu::platform {

std::optional<ItemType> itemTypeOf(const std::string& path, int* error) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
        if (error) *error = path.empty() ? ENOENT : errno;
        return std::nullopt;
    }
    if (S_ISREG(st.st_mode)) return ItemType::Regular;
    if (S_ISDIR(st.st_mode)) return ItemType::Directory;
    if (S_ISLNK(st.st_mode)) return ItemType::SymbolicLink;
    return ItemType::Other;
}

std::optional<std::string> canonicalPath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string parentFolderOf(const std::string& path) { return posix::parentFolder(path); }

std::string lastPathComponent(const std::string& path) { return posix::lastComponent(path); }

} // namespace fu::platform
