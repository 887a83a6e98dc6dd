// The font search's class methods: walking one folder tree for one target and set, the Fonts
// folders, the file and folder checks of the update, and the size texts of the list screen.
#include "engine/FontUpdate.h"

#include "definition/UpdateSfntSetInfo.h"
#include "definition/UpdateTargetInfo.h"
#include "engine/FontSearch.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateFontInfo.h"
#include "platform/FileAttributes.h"
#include "platform/MacFiles.h"
#include "platform/Places.h"
#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"

namespace fu {

namespace {

constexpr uint32_t kSuitcaseType = fourCC("FFIL");

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

int16_t FontUpdate::findUpdateFontInfo(UpdateFontInfo* updateFontInfo,
                                       const UpdateSfntSetInfo* updateSfntSetInfo,
                                       uint64_t setIndex, int64_t upSizeOfFile,
                                       const std::string& targetRootDirectoryPath,
                                       const std::string& targetSubDirectoryPath,
                                       uint64_t pathDomain,
                                       const UpdateTargetItem* updateTargetItem) {
    if (!updateFontInfo || !updateSfntSetInfo) return -1;
    const UpdateSfntSetItem* set = updateSfntSetInfo->updateSfntSetItemAtIndex(int64_t(setIndex));
    if (!set || !set->oSfntData || targetRootDirectoryPath.empty() || pathDomain == 0 ||
        !UpdateTargetItem::checkPropertys(updateTargetItem))
        return -1;

    const std::string folder = targetSubDirectoryPath.empty()
                                   ? targetRootDirectoryPath
                                   : joinPath(targetRootDirectoryPath, targetSubDirectoryPath);
    auto names = platform::listFolder(folder);
    if (!names) return -1;
    for (const std::string& name : *names) {
        if (name.empty()) continue;
        const std::string path = joinPath(folder, name);
        auto attributes = platform::readAttributes(path);
        if (!attributes || !attributes->type) continue;
        if (*attributes->type == platform::ItemType::Directory) {
            const std::string subPath =
                targetSubDirectoryPath.empty() ? name : joinPath(targetSubDirectoryPath, name);
            (void)findUpdateFontInfo(updateFontInfo, updateSfntSetInfo, setIndex, upSizeOfFile,
                                     targetRootDirectoryPath, subPath, pathDomain,
                                     updateTargetItem);
            continue;
        }
        const UpdateTargetItem& target = *updateTargetItem;
        if (updateNeedResName(target, set->oSfntData.get(), path) != 1) continue;
        uint64_t forkSize = 0;
        if (ResFile::getResourceFileSizeOfPath(path, forkSize) != ResStatus::resNoErr) continue;
        if (!updateFontInfo->addUpdateFontItem(
                UpdateFontItem::foundItem(target, path, targetSubDirectoryPath, pathDomain,
                                          setIndex, int64_t(forkSize), upSizeOfFile)))
            return -1;
    }
    return 0;
}

int16_t FontUpdate::findUpdateFontInfo(UpdateFontInfo* updateFontInfo,
                                       const UpdateSfntSetInfo* updateSfntSetInfo,
                                       const UpdateTargetInfo* updateTargetInfo,
                                       const std::string& findTargetDirPath) {
    return FontSearch(updateFontInfo, updateSfntSetInfo, updateTargetInfo, findTargetDirPath,
                      nullptr)
                       .run() == SearchStatus::StatusOK
               ? 0
               : -1;
}

std::optional<std::string> FontUpdate::localFontsFolderPath() {
    std::string folder = platform::computerFontsFolder();
    if (folder.empty()) return std::nullopt;
    return folder;
}

std::optional<std::string> FontUpdate::usersFontsFolderPath() {
    return platform::userFontsFolder();
}

ItemResult FontUpdate::checkFileAttributesOfDistPath(const std::string& path) {
    auto attributes = path.empty() ? std::nullopt : platform::readAttributes(path);
    if (!attributes || !attributes->hfsTypeCode || !attributes->immutable)
        return ItemResult::ItemFileAttributesFailed;
    if (*attributes->hfsTypeCode != kSuitcaseType) return ItemResult::ItemNotSuitcase;
    if (*attributes->immutable) return ItemResult::ItemFileLocked;
    return ItemResult::StatusOK;
}

ItemResult FontUpdate::checkLoeckedFontsFolderOfDirPath(const std::string& path) {
    auto attributes = path.empty() ? std::nullopt : platform::readAttributes(path);
    if (!attributes || !attributes->immutable) return ItemResult::ItemFontsFolderAttributes;
    return *attributes->immutable ? ItemResult::ItemFontsFolderLocked : ItemResult::StatusOK;
}

ItemResult FontUpdate::checkLoeckedTempFolderOfDirPath(const std::string& path) {
    auto attributes = path.empty() ? std::nullopt : platform::readAttributes(path);
    if (!attributes || !attributes->immutable) return ItemResult::ItemTempFolderAttributes;
    return *attributes->immutable ? ItemResult::ItemTempFolderLocked : ItemResult::StatusOK;
}

ItemResult FontUpdate::checkLockedTemporaryDirectoryWithUpdateFontItem(const UpdateFontItem* item) {
    if (!item || !item->dstPath) return ItemResult::ItemTempFolderAttributes;
    const auto slash = item->dstPath->find_last_of('/');
    if (slash == std::string::npos || slash == 0) return ItemResult::ItemTempFolderAttributes;
    return checkLoeckedTempFolderOfDirPath(item->dstPath->substr(0, slash));
}

ItemResult FontUpdate::setDstPathWithTemporaryDirectoryPath(const std::string& path,
                                                            UpdateFontItem* item) {
    if (!item || !item->setDstPathWithTemporaryDirectoryPath(path))
        return ItemResult::ItemDstPathFailed;
    return ItemResult::StatusOK;
}

std::string FontUpdate::sizeStringOfByteSize(uint64_t byteSize, bool requestByte) {
    static constexpr struct {
        uint64_t unit;
        const char* name;
    } kUnits[] = {{1'000'000'000'000ull, "TB"},
                  {1'000'000'000ull, "GB"},
                  {1'000'000ull, "MB"},
                  {1'000ull, "KB"}};
    for (const auto& unit : kUnits) {
        if (byteSize < unit.unit) continue;
        std::string text = std::to_string(byteSize / unit.unit);
        if (const uint64_t fraction = (byteSize % unit.unit) / (unit.unit / 1000); fraction != 0) {
            const std::string digits = std::to_string(fraction);
            text += '.' + std::string(3 - digits.size(), '0') + digits;
        }
        text += unit.name;
        if (requestByte) text += "（" + std::to_string(byteSize) + "バイト）";
        return text;
    }
    return std::to_string(byteSize) + "バイト";
}

} // namespace fu
