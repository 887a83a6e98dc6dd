#include "engine/HelperPolicy.h"

#include "platform/MacFiles.h"
#include "platform/Paths.h"

#include <cerrno>

namespace fu {
namespace {

using platform::ItemType;

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool within(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path.starts_with(folder) &&
           (folder == "/" || path[folder.size()] == '/');
}

// A clean absolute path whose folder is already its own canonical form, so no component on
// the way is a link.
bool reachedWithoutLinks(const std::string& path) {
    if (!isCleanAbsolutePath(path)) return false;
    const std::string parent = parentOf(path);
    const auto canonical = platform::canonicalPath(parent);
    return canonical && *canonical == parent;
}

bool isCompanion(const std::string& path) {
    return platform::isCompanionName(path.substr(path.find_last_of('/') + 1));
}

bool isRegularFile(const std::string& path) {
    return platform::itemTypeOf(path) == ItemType::Regular;
}

bool isAbsent(const std::string& path) {
    int error = 0;
    return !platform::itemTypeOf(path, &error) && error == ENOENT;
}

} // namespace

std::optional<std::string> HelperPolicy::canonicalFolder(const std::string& path) {
    const std::string tidy = collapseSlashes(path);
    if (tidy.size() < 2 || tidy.front() != '/') return std::nullopt;
    if (auto canonical = platform::canonicalPath(tidy)) return canonical;
    if (!isAbsent(tidy)) return std::nullopt; // there, but unreadable or a dangling link
    const std::string name = tidy.substr(tidy.find_last_of('/') + 1);
    auto parent = platform::canonicalPath(parentOf(tidy));
    if (!parent || name == "." || name == "..") return std::nullopt;
    return (*parent == "/" ? "" : *parent) + "/" + name;
}

std::optional<HelperPolicy> HelperPolicy::withFolders(const HelperFolders& folders,
                                                      unsigned long callerId) {
    HelperPolicy policy;
    policy.callerId_ = callerId;
    auto fonts = canonicalFolder(folders.fonts);
    if (!fonts) return std::nullopt;
    policy.folders_.push_back(*fonts);
    for (const auto* list : {&folders.temporary, &folders.backupParents})
        for (const auto& folder : *list)
            if (auto canonical = canonicalFolder(folder)) policy.folders_.push_back(*canonical);
    return policy;
}

bool HelperPolicy::insideFolders(const std::string& path) const {
    for (const auto& folder : folders_)
        if (within(path, folder)) return true;
    return false;
}

std::optional<platform::MacFolder> HelperPolicy::openFolder(const std::string& folderPath) const {
    if (!isCleanAbsolutePath(folderPath) && folderPath != "/") return std::nullopt;
    const std::string* root = nullptr;
    for (const auto& folder : folders_)
        if ((folderPath == folder || within(folderPath, folder)) &&
            (!root || folder.size() > root->size()))
            root = &folder;
    if (!root) return std::nullopt;
    // The roots are canonical, so a link found on the way to one was put there since the start.
    const auto top = platform::MacFolder::open("/");
    if (!top) return std::nullopt;
    const auto rootFolder = platform::MacFolder::openBeneath(*top, root->substr(1));
    if (!rootFolder) return std::nullopt;
    // The caller names its work folder, Trash and Desktop; with rights, a folder of somebody
    // else's named so would be theirs to take fonts into or out of.
    if (root != &folders_.front() && callerId_ != 0 && rootFolder->ownerId() != callerId_)
        return std::nullopt;
    const size_t skip = *root == "/" ? 1 : root->size() + 1;
    return platform::MacFolder::openBeneath(*rootFolder,
                                            folderPath == *root ? "" : folderPath.substr(skip));
}

bool HelperPolicy::insideFonts(const std::string& path) const {
    return within(path, folders_.front());
}

int32_t HelperPolicy::checkMove(const std::string& fromPath, const std::string& toPath) const {
    if (!reachedWithoutLinks(fromPath) || !reachedWithoutLinks(toPath))
        return errAuthorizationDenied;
    if (!insideFolders(fromPath) || !insideFolders(toPath)) return errAuthorizationDenied;
    if (!insideFonts(fromPath) && !insideFonts(toPath)) return errAuthorizationDenied;
    // A companion only ever travels with its file.
    if (isCompanion(fromPath) || isCompanion(toPath)) return errAuthorizationDenied;
    // The items themselves: lstat, so a link in the last component is seen and refused too.
    const std::string fromCompanion = platform::companionPath(fromPath);
    if (!isRegularFile(fromPath)) return errAuthorizationDenied;
    if (!isAbsent(fromCompanion) && !isRegularFile(fromCompanion)) return errAuthorizationDenied;
    if (!isAbsent(toPath) || !isAbsent(platform::companionPath(toPath)))
        return errAuthorizationDenied;
    return 0;
}

int32_t HelperPolicy::checkSwap(const std::string& newPath, const std::string& fontPath,
                                const std::string& backupPath) const {
    for (const std::string* path : {&newPath, &fontPath, &backupPath})
        if (!reachedWithoutLinks(*path) || !insideFolders(*path) || isCompanion(*path))
            return errAuthorizationDenied;
    if (insideFonts(newPath) || !insideFonts(fontPath) || insideFonts(backupPath))
        return errAuthorizationDenied;
    for (const std::string* path : {&newPath, &fontPath}) {
        const std::string companion = platform::companionPath(*path);
        if (!isRegularFile(*path) || (!isAbsent(companion) && !isRegularFile(companion)))
            return errAuthorizationDenied;
    }
    if (!isAbsent(backupPath) || !isAbsent(platform::companionPath(backupPath)))
        return errAuthorizationDenied;
    return 0;
}

} // namespace fu
