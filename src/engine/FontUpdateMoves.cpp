// The update run's file work: the temporary folder, the dated backup folder in the Trash, and
// moving the old and the new font, as the user or with rights.
#include "engine/FontUpdate.h"

#include "definition/UpdateSfntSetInfo.h"
#include "engine/Authorization.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateFontInfo.h"
#include "platform/FileAttributes.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"
#include "platform/Places.h"

#include <cstdio>
#include <ctime>

namespace fu {

namespace {

// Numbered variants .1 ... .998 of a taken name; the 999th is never tried.
constexpr unsigned kMaxNumberedName = 999;

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string parentOf(const std::string& path) { return platform::parentFolderOf(path); }
std::string nameOf(const std::string& path) { return platform::lastPathComponent(path); }

// A folder, or a link to one.
bool isDirectory(const std::string& path) {
    const auto resolved = platform::canonicalPath(path);
    return resolved && platform::itemTypeOf(*resolved) == platform::ItemType::Directory;
}

std::string localTimeText(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[64];
    // Empty rather than a half-written buffer: the callers' formats always fit.
    if (!localtime_r(&now, &local) || std::strftime(text, sizeof text, format, &local) == 0)
        return {};
    return text;
}

// A top-level item of the Trash is taken when either its files/ entry or its info/ record exists.
bool trashNameTaken(const std::string& path) {
    if (platform::macFileExists(path)) return true;
    auto files = platform::trashFilesFolder();
    auto info = platform::trashInfoFolder();
    if (!files || !info || parentOf(path) != *files) return false;
    return platform::macFileExists(joinPath(*info, nameOf(path) + ".trashinfo"));
}

// Percent-encodes a path for a .trashinfo record (RFC 2396 escaping, slashes kept).
std::string trashInfoEscape(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

// The desktop's Trash lists only what has a record in Trash/info. The record names the Desktop
// as the backup folder's origin: "restore" must not drop the old fonts into a folder that
// fontconfig scans, where they would be loaded again beside the new ones.
bool writeTrashInfo(const std::string& itemPath) {
    auto info = platform::trashInfoFolder();
    auto desktop = platform::desktopFolder();
    if (!info || !desktop) return false;
    const std::string record =
        "[Trash Info]\nPath=" + trashInfoEscape(joinPath(*desktop, nameOf(itemPath))) +
        "\nDeletionDate=" + localTimeText("%Y-%m-%dT%H:%M:%S") + "\n";
    return platform::writeNewPlainFile(joinPath(*info, nameOf(itemPath) + ".trashinfo"),
                                       asBytes(record)) == platform::noErr;
}

int16_t makeFolder(const std::string& path) {
    if (path.empty()) return -1;
    if (isDirectory(path)) return StatusOK;
    return platform::createFolder(path) == platform::noErr ? StatusOK : int16_t(-1);
}

// Trash/files and Trash/info, created when missing (a fresh account has no Trash yet).
std::optional<std::string> trashFolder() {
    auto files = platform::trashFilesFolder();
    auto info = platform::trashInfoFolder();
    if (!files || !info) return std::nullopt;
    const std::string trash = parentOf(*files);
    for (const std::string& folder : {parentOf(trash), trash, *files, *info}) {
        if (isDirectory(folder)) continue;
        const int16_t made = platform::createFolder(folder, true);
        if (made != platform::noErr && made != platform::dupFNErr) return std::nullopt;
    }
    return files;
}

} // namespace

ItemResult FontUpdate::createNewFontOfUpdateFontItem(UpdateFontItem* item,
                                                     const UpdateSfntSetInfo* updateSfntSetInfo) {
    if (!UpdateFontItem::checkPropertys(item) || !updateSfntSetInfo) return ItemResult::ItemFailed;
    if (ItemResult check = checkFileAttributesOfDistPath(item->srcPath);
        check != ItemResult::StatusOK)
        return check;
    const UpdateSfntSetItem* set =
        updateSfntSetInfo->updateSfntSetItemAtIndex(int64_t(item->sfntSetIndex));
    if (!set || !set->oSfntData || !set->nSfntData) return ItemResult::ItemFailed;
    return updateResFileResName(item->target, set->oSfntData.get(), set->nSfntData.get(),
                                item->srcPath, *item->dstPath);
}

ItemResult FontUpdate::removeTemporaryFileAtPath(const std::string& path) {
    auto name = temporaryDirectoryName();
    if (path.empty() || !name || nameOf(parentOf(path)) != *name) return ItemResult::ItemFailed;
    if (!platform::macFileExists(path) && !platform::macFileExists(platform::companionPath(path)))
        return ItemResult::StatusOK;
    if (platform::macFileExists(path) && platform::removeMacItem(path) != platform::noErr)
        return ItemResult::ItemTempFileRemoveFailed;
    // A companion left alone would take the name of the new file.
    if (platform::macFileExists(platform::companionPath(path)) &&
        platform::removeMacItem(platform::companionPath(path)) != platform::noErr)
        return ItemResult::ItemTempFileRemoveFailed;
    return ItemResult::StatusOK;
}

std::optional<std::string>
FontUpdate::backupTargetPathOfUpdateFontItem(const UpdateFontItem* item,
                                             const std::string& backupDirectoryPath) {
    if (backupDirectoryPath.empty() || !item || item->srcPath.empty() ||
        nameOf(item->srcPath).empty())
        return std::nullopt;
    // Checked for every font: the folder found by the first must still be the one we made.
    if (FontUpdate::createOldFontsBackupDirectoryAtPath(backupDirectoryPath) != StatusOK)
        return std::nullopt;
    std::string relative = item->pathDomain == kComputerDomain ? "コンピュータ" : "ユーザ";
    if (item->subDirPath && !item->subDirPath->empty())
        relative = joinPath(relative, *item->subDirPath);
    if (FontUpdate::makeSubDirectroryWithPath(relative, backupDirectoryPath) !=
        ItemResult::StatusOK)
        return std::nullopt;
    return FontUpdate::fixExistsPathWithFilePath(
        joinPath(joinPath(backupDirectoryPath, relative), nameOf(item->srcPath)));
}

static ItemResult moveToTrash(UpdateFontItem* item, const std::string& backupDirectoryPath,
                              Authorization* authorization) {
    if (!UpdateFontItem::checkPropertys(item)) return ItemResult::ItemMoveOldToTrashFailed;
    auto target = FontUpdate::backupTargetPathOfUpdateFontItem(item, backupDirectoryPath);
    if (!target) return ItemResult::ItemMoveOldToTrashFailed;
    const bool moved =
        authorization
            ? Authorization::moveFileWithAuthorization(authorization, item->srcPath, *target) == 0
            : platform::moveMacFile(item->srcPath, *target) == platform::noErr;
    // The helper's answer is not the whole story: the old file must really be gone from its place.
    if (!moved || platform::macFileExists(item->srcPath) || !platform::macFileExists(*target))
        return ItemResult::ItemMoveOldToTrashFailed;
    item->backupPath = *target;
    return ItemResult::StatusOK;
}

ItemResult FontUpdate::moveToTrashUpdateFontItem(UpdateFontItem* item,
                                                 const std::string& backupDirectoryPath) {
    return moveToTrash(item, backupDirectoryPath, nullptr);
}

ItemResult FontUpdate::moveToTrashUpdateFontItem(UpdateFontItem* item,
                                                 const std::string& backupDirectoryPath,
                                                 Authorization* authorization) {
    if (!authorization) return ItemResult::ItemMoveOldToTrashFailed;
    return moveToTrash(item, backupDirectoryPath, authorization);
}

static ItemResult moveIntoPlace(UpdateFontItem* item, Authorization* authorization) {
    if (!UpdateFontItem::checkPropertys(item)) return ItemResult::ItemMoveNewToFontsFailed;
    // Also catches a privileged move of the old file that did not happen.
    if (platform::macFileExists(item->srcPath)) return ItemResult::ItemMoveNewToFontsFailed;
    const bool moved =
        authorization ? Authorization::moveFileWithAuthorization(authorization, *item->dstPath,
                                                                 item->srcPath) == 0
                      : platform::moveMacFile(*item->dstPath, item->srcPath) == platform::noErr;
    if (!moved || !platform::macFileExists(item->srcPath))
        return ItemResult::ItemMoveNewToFontsFailed;
    return ItemResult::StatusOK;
}

ItemResult FontUpdate::moveToFontsUpdateFontItem(UpdateFontItem* item) {
    return moveIntoPlace(item, nullptr);
}

ItemResult FontUpdate::moveToFontsUpdateFontItem(UpdateFontItem* item,
                                                 Authorization* authorization) {
    if (!authorization) return ItemResult::ItemMoveNewToFontsFailed;
    return moveIntoPlace(item, authorization);
}

std::optional<std::string> FontUpdate::temporaryDirectoryName() {
    return std::string(platform::bundleIdentifier) + ".temp";
}

std::optional<std::string>
FontUpdate::temporaryDirectoryPathWithPlaceIsDesktop(bool placeIsDesktop) {
    auto folder = placeIsDesktop ? platform::desktopFolder() : platform::applicationSupportFolder();
    auto name = temporaryDirectoryName();
    if (!folder || !name || !isDirectory(*folder)) return std::nullopt;
    return joinPath(*folder, *name);
}

// New fonts are built in the temporary folder and old ones wait in the backup folder: anyone who
// could write to either, or lead its name elsewhere, could hand us a font of their own to install
// or read and replace the user's. One that is not ours alone is refused, never used.
int16_t FontUpdate::createTemporaryDirectoryAtPath(const std::string& path) {
    if (path.empty()) return -1;
    return platform::isUsable(platform::makePrivateFolder(path)) ? StatusOK : int16_t(-1);
}

int16_t FontUpdate::createOldFontsBackupDirectoryAtPath(const std::string& path) {
    if (path.empty()) return -1;
    const platform::PrivateFolderStatus status = platform::makePrivateFolder(path);
    if (status == platform::PrivateFolderStatus::Reused) return StatusOK;
    if (status != platform::PrivateFolderStatus::Made) return -1;
    auto files = platform::trashFilesFolder();
    if (files && parentOf(path) == *files && !writeTrashInfo(path)) {
        // Without its record the folder would be invisible in the desktop's Trash.
        (void)platform::removeMacItem(path);
        return -1;
    }
    return StatusOK;
}

int16_t FontUpdate::removeTemporaryDirectroryAtPath(const std::string& path) {
    auto name = temporaryDirectoryName();
    if (path.empty() || !name || nameOf(path) != *name) return -1;
    if (!platform::macFileExists(path)) return StatusOK;
    return platform::removeMacItem(path) == platform::noErr ? StatusOK : int16_t(-1);
}

std::optional<std::string> FontUpdate::pathForBackupDirectoryName(const std::string& name,
                                                                  uint64_t pathDomain,
                                                                  bool toDesktop) {
    auto dated = stringByAppendTodayWithString(name);
    if (!dated) return std::nullopt;
    auto base = toDesktop ? desktopInPathWithItemName(*dated, pathDomain)
                          : trashInPathWithItemName(*dated, pathDomain);
    if (!base) return std::nullopt;
    if (!trashNameTaken(*base)) return base;
    for (unsigned n = 1; n < kMaxNumberedName; ++n) {
        const std::string candidate = *base + "." + std::to_string(n);
        if (!trashNameTaken(candidate)) return candidate;
    }
    return std::nullopt;
}

std::optional<std::string> FontUpdate::pathForMoveToWithBackupDirectoryName(const std::string& name,
                                                                            uint64_t pathDomain,
                                                                            bool toDesktop) {
    return pathForBackupDirectoryName(name, pathDomain, toDesktop);
}

std::optional<std::string> FontUpdate::trashInPathWithItemName(const std::string& name,
                                                               uint64_t /*pathDomain*/) {
    // One Trash per user on Linux; the domain only mattered where each volume had its own.
    auto files = trashFolder();
    if (!files || name.empty()) return std::nullopt;
    return joinPath(*files, name);
}

std::optional<std::string> FontUpdate::desktopInPathWithItemName(const std::string& name,
                                                                 uint64_t /*pathDomain*/) {
    auto desktop = platform::desktopFolder();
    if (!desktop || name.empty() || !isDirectory(*desktop)) return std::nullopt;
    return joinPath(*desktop, name);
}

std::optional<std::string> FontUpdate::stringByAppendTodayWithString(const std::string& name) {
    if (name.empty()) return std::nullopt;
    return name + "." + localTimeText("%Y%m%d");
}

std::optional<std::string> FontUpdate::fixExistsPathWithFilePath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    auto taken = [](const std::string& candidate) {
        return platform::macFileExists(candidate) ||
               platform::macFileExists(platform::companionPath(candidate));
    };
    if (!taken(path)) return path;
    for (unsigned n = 1; n < kMaxNumberedName; ++n) {
        const std::string candidate = path + "." + std::to_string(n);
        if (!taken(candidate)) return candidate;
    }
    return std::nullopt;
}

ItemResult FontUpdate::makeSubDirectroryWithPath(const std::string& relativePath,
                                                 const std::string& parentDirectoryPath) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= relativePath.size()) {
        const size_t slash = relativePath.find('/', start);
        const std::string part = relativePath.substr(
            start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty() && part != ".") components.push_back(part);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    if (components.empty()) return ItemResult::ItemMoveOldToTrashFailed;
    std::string folder = parentDirectoryPath;
    for (const std::string& part : components) {
        if (part == "..") return ItemResult::ItemSubfolderFailed;
        folder = joinPath(folder, part);
        if (makeFolder(folder) != StatusOK) return ItemResult::ItemSubfolderFailed;
    }
    return ItemResult::StatusOK;
}

} // namespace fu
