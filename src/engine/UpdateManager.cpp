#include "engine/UpdateManager.h"

#include "engine/Authorization.h"
#include "engine/FontSearch.h"
#include "engine/FontUpdate.h"
#include "engine/HelperProtocol.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateContext.h"
#include "engine/UpdateFontInfo.h"
#include "engine/UpdateJournal.h"
#include "engine/VolumeInfo.h"
#include "platform/Memory.h"

namespace fu {

namespace {

constexpr uint64_t kSpaceMargin = 20'000'000;

} // namespace

void UpdateManager::progress(int64_t count, std::optional<std::string> text) const {
    if (delegate)
        delegate->processProgress(
            UpdateResult::updateResultWithCount(count, std::move(text), messages()));
}

const MessageInfo* UpdateManager::messages() const {
    return context ? context->messageInfo.get() : nullptr;
}

void UpdateManager::complete(const UpdateResult& result) const {
    if (delegate) delegate->processComplete(result);
}

// ---- Search ----

int64_t UpdateManager::progressMaxOfFindUpdateNecessaryFont() const {
    const UpdateContext* info = context;
    if (!info) return 0;
    return FontSearch::progressMaximum(info->updateSfntSetInfo.get(), info->updateTargetInfo.get());
}

SearchStatus UpdateManager::findUpdateFontInfo(UpdateFontInfo* updateFontInfo,
                                               const UpdateSfntSetInfo* updateSfntSetInfo,
                                               const UpdateTargetInfo* updateTargetInfo,
                                               const std::string& findTargetDirPath) {
    FontSearch search(updateFontInfo, updateSfntSetInfo, updateTargetInfo, findTargetDirPath,
                      // Its texts are looked up here, in this run's table.
                      [this](const UpdateResult& result) { progress(result.count, result.text); });
    // The computer's fonts are for definitions whose signer is trusted: nobody else may have
    // the administrator asked for a password on their behalf.
    const UpdateContext* info = context;
    if (!info || !info->definitionIsTrusted()) search.leaveOutComputerFolder();
    return search.run();
}

void UpdateManager::findUpdateNecessaryFont() {
    UpdateContext* info = context;
    if (!info)
        return complete(
            UpdateResult::updateResultWithStatusCode(searchErrorInGeneralRange(-999), messages()));
    if (!info->setupUpdateFontInfo())
        return complete(
            UpdateResult::updateResultWithStatusCode(searchErrorInGeneralRange(-998), messages()));
    const SearchStatus status =
        findUpdateFontInfo(info->updateFontInfo.get(), info->updateSfntSetInfo.get(),
                           info->updateTargetInfo.get(), "");
    UpdateResult result = UpdateResult::updateResultWithStatusCode(status, messages());
    if (status == SearchStatus::StatusOK) {
        const int64_t found = info->updateFontInfo->countOfUpdateFontItemAll();
        info->updateFontInfo->setRequestUpdateAll(found > 0);
        result.count = found;
    }
    complete(result);
}

// ---- Rights ----

int32_t UpdateManager::startAuthorization() {
    UpdateContext* info = context;
    if (!info) return -1;
    if (!info->updateFontInfo || info->updateFontInfo->countOfLocalDomainItemRequestUpdate() == 0)
        return 0;
    if (!info->definitionIsTrusted()) return errAuthorizationDenied;
    if (!info->setupAuthorization()) return -1;
    // The helper only moves into folders that exist when it starts; a fresh account has no Trash.
    (void)FontUpdate::trashInPathWithItemName(kBackupFolderName, kUserDomain);
    return Authorization::startAuthorization(info->authorization.get());
}

bool UpdateManager::stopAuthorization() {
    UpdateContext* info = context;
    if (!info || !info->authorization) return false;
    Authorization::stopAuthorization(info->authorization.get());
    info->authorization.reset();
    return true;
}

// ---- Update run ----

bool UpdateManager::setupTemporaryDirectory() {
    UpdateContext* info = context;
    if (!info) return false;
    info->temporaryDirPath.reset();
    const bool onDesktop = info->testOption && info->testOption->tempOnDesk;
    auto path = FontUpdate::temporaryDirectoryPathWithPlaceIsDesktop(onDesktop);
    if (!path || FontUpdate::createTemporaryDirectoryAtPath(*path) != StatusOK) return false;
    info->temporaryDirPath = *path;
    return true;
}

bool UpdateManager::removeTemporaryDirectory() {
    UpdateContext* info = context;
    if (!info || !info->temporaryDirPath) return false;
    if (info->testOption && info->testOption->notRemoveTemp) return true;
    const bool removed =
        FontUpdate::removeTemporaryDirectroryAtPath(*info->temporaryDirPath) == StatusOK;
    info->temporaryDirPath.reset();
    return removed;
}

UpdateStatus UpdateManager::runUpdate(bool& cacheFailed) {
    UpdateContext* info = context;
    UpdateFontInfo* fonts = info->updateFontInfo.get();
    if (!fonts || !fonts->rebuildOfUpdateFontItemRequestUpdate() ||
        fonts->countOfUpdateFontItemAll() == 0)
        return UpdateStatus::UpdateErrorNothingRequested;
    // A result left from an earlier run on this list would pass for this run's if it ended early.
    for (const auto& item : fonts->updateFontItems)
        item->updateResult = ItemResult::ItemNotAttempted;
    if (!setupTemporaryDirectory()) return UpdateStatus::UpdateErrorTempSetup;
    if (!info->temporaryDirPath || info->temporaryDirPath->empty())
        return UpdateStatus::UpdateErrorTempAttributes;
    switch (FontUpdate::checkLoeckedTempFolderOfDirPath(*info->temporaryDirPath)) {
    case ItemResult::StatusOK: break;
    case ItemResult::ItemTempFolderLocked: return UpdateStatus::UpdateErrorTempLocked;
    default: return UpdateStatus::UpdateErrorTempAttributes;
    }

    Authorization* authorization = info->authorization.get();
    const bool toDesktop = info->testOption && info->testOption->oldMoveToDesk;
    std::optional<std::string> backupPath;
    UpdateJournal journal;
    int64_t attempted = 0, updated = 0, done = 0;
    for (int64_t index = 0; index < fonts->countOfUpdateFontItemAll(); ++index) {
        UpdateFontItem* item = fonts->updateFontItemAtIndex(index);
        if (!item) return UpdateStatus::UpdateErrorItemFetch;
        item->updateResult = ItemResult::StatusOK;
        ++attempted;

        if (!backupPath)
            backupPath =
                FontUpdate::pathForBackupDirectoryName(kBackupFolderName, kUserDomain, toDesktop);
        ItemResult& result = item->updateResult;
        if (!backupPath) result = ItemResult::ItemBackupFolderFailed;
        if (result == ItemResult::StatusOK)
            result =
                FontUpdate::setDstPathWithTemporaryDirectoryPath(*info->temporaryDirPath, item);
        if (result == ItemResult::StatusOK)
            result = FontUpdate::checkLockedTemporaryDirectoryWithUpdateFontItem(item);
        if (result == ItemResult::StatusOK)
            result = FontUpdate::removeTemporaryFileAtPath(*item->dstPath);
        progress(done, item->target.resName);
        if (result == ItemResult::StatusOK)
            result = FontUpdate::createNewFontOfUpdateFontItem(item, info->updateSfntSetInfo.get());
        if (result == ItemResult::StatusOK) {
            Authorization* rights =
                authorization && item->pathDomain == kComputerDomain ? authorization : nullptr;
            if (!rights) {
                result = FontUpdate::replaceWithNewFontUpdateFontItem(item, *backupPath, journal);
            } else {
                result = FontUpdate::replaceWithNewFontUpdateFontItem(item, *backupPath, rights);
            }
            if (result == ItemResult::StatusOK) ++updated;
        }
        ++done;
        progress(done, std::nullopt);
    }
    journal.finishRun();

    if (updated >= 1) {
        progress(done, "フォントキャッシュを再構築しています...");
        const bool rebuilt =
            authorization ? FontUpdate::clearFontCacheWithAuthorization(
                                authorization, info->scriptInfo.get(), info->definitionBytes)
                          : FontUpdate::clearFontCacheUserWithScriptInfo(info->scriptInfo.get());
        cacheFailed = !rebuilt;
    }
    using enum UpdateStatus;
    if (updated == 0) return UpdateNoneUpdated;
    if (updated == attempted) return cacheFailed ? UpdateAllCacheFailed : StatusOK;
    return cacheFailed ? UpdatePartialCacheFailed : UpdatePartialCacheOK;
}

void UpdateManager::exeUpdateRequestedFont() {
    if (!context)
        return complete(UpdateResult::updateResultWithStatusCode(
            UpdateStatus::UpdateErrorNoAppState, messages()));
    bool cacheFailed = false;
    const UpdateStatus status = runUpdate(cacheFailed);
    platform::releaseSpareBulkBuffers();
    stopAuthorization();
    removeTemporaryDirectory();
    complete(UpdateResult::updateResultWithStatusCode(status, messages()));
}

UpdateManager::SpaceCheck UpdateManager::checkFreeSpace(const UpdateFontInfo& updateFontInfo,
                                                        const TestOption* testOption,
                                                        VolumeInfo& volumeInfo) {
    SpaceCheck check;
    const VolumeItem* system = volumeInfo.systemVolumeItem();
    if (!system || !system->freeSize || !system->sysVolume || !system->writable) return check;
    check.freeBytes = *system->freeSize;
    if (testOption && testOption->freeSize && testOption->freeSizeValue != 0)
        check.freeBytes = testOption->freeSizeValue * 1'000'000;
    check.needBytes = updateFontInfo.totalFileSizeOfRequestUpdate().value_or(0);
    if (testOption && testOption->mulFontSize && testOption->mulValue != 0)
        check.needBytes *= testOption->mulValue;
    if (check.needBytes != 0) check.needBytes += kSpaceMargin;
    check.enough = check.freeBytes >= check.needBytes;
    return check;
}

} // namespace fu
