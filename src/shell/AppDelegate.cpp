#include "shell/AppDelegate.h"

#include "engine/StatusCodes.h"

#include <utility>

namespace fu {
namespace {

std::unique_ptr<AppInfo>& heldAppInfo() {
    static std::unique_ptr<AppInfo> held;
    return held;
}

} // namespace

AppInfo* AppDelegate::appInfo() {
    return heldAppInfo().get();
}

void AppDelegate::setAppInfo(std::unique_ptr<AppInfo> appInfo) {
    // Swap first, release after: a destructor that asks for the state sees the new one.
    std::unique_ptr<AppInfo> previous = std::exchange(heldAppInfo(), std::move(appInfo));
    previous.reset();
}

std::unique_ptr<AppInfo> AppDelegate::releaseAppInfo() {
    return std::exchange(heldAppInfo(), nullptr);
}

int16_t AppDelegate::updateItemStatusFromUpdateFontItemResult(int16_t result) {
    switch (result) {
    case ItemTempSetupFailed: return UpdateErrorTempSetup;
    case ItemReadOldFailed: return FontErrorReadOld;
    case ItemBackupFolderFailed: return FontErrorBackupFolder;
    case ItemTempFolderLocked: return UpdateErrorTempLocked;
    case ItemTempFolderAttributes: return UpdateErrorTempAttributes;
    case ItemFontsFolderLocked: return FontErrorFontsFolderLocked;
    case ItemFontsFolderAttributes: return FontErrorFontsFolderAttributes;
    case ItemMoveNewToFontsFailed: return FontErrorMoveNewToFonts;
    case ItemMoveOldToTrashFailed: return FontErrorMoveOldToTrash;
    case ItemWriteNewFailed: return FontErrorWriteNew;
    case ItemTempFileRemoveFailed: return FontErrorTempFileRemove;
    case ItemSfntBuildFailed: return FontErrorSfntBuild;
    case ItemSfntVerifyFailed: return FontErrorSfntVerify;
    case ItemSfntMultiple: return FontErrorSfntMultiple;
    case ItemSfntMissing: return FontErrorSfntRead;
    case ItemFondBuildFailed: return FontErrorFondBuild;
    case ItemFondVerifyFailed: return FontErrorFondVerify;
    case ItemFondMultiple: return FontErrorFondMultiple;
    case ItemFondMissing: return FontErrorFondRead;
    case ItemVersBuildFailed: return FontErrorVersBuild;
    case ItemVersMissing: return FontErrorVersRead;
    case ItemFileLocked: return FontErrorFileLocked;
    case ItemNotSuitcase: return FontErrorNotSuitcase;
    case ItemFileAttributesFailed: return FontErrorFileAttributes;
    case ItemFileNotFound: return FontErrorNotFound;
    case ItemSuitcaseWriteFailed: return FontErrorWriteNew;
    // ItemSubfolderFailed, ItemDstPathFailed, the unnamed -2997 and every other failure.
    default: return FontErrorGeneral;
    }
}

} // namespace fu
