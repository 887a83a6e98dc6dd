// The crash-safe swap of a font in a folder the user may write, and the repair of swaps that a
// crash or a kill cut short. What holds at every instant: the font's name holds a whole pair, the
// old one or the new one that was verified, and once the old pair is gone from there its second
// name in the Trash is complete and synced.
#include "engine/FontUpdate.h"

#include "engine/StatusCodes.h"
#include "engine/UpdateFontInfo.h"
#include "engine/UpdateJournal.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"

namespace fu {
namespace {

std::string besideFont(const std::string& fontPath, const char* prefix) {
    return platform::parentFolderOf(fontPath) + "/" + prefix + platform::lastPathComponent(fontPath);
}

void removePair(const std::string& path) {
    if (platform::macFileExists(path) || platform::macFileExists(platform::companionPath(path)))
        (void)platform::removeMacItem(path);
}

bool holds(const std::string& path, const std::string& digest) {
    const auto now = pairDigest(path);
    return now && *now == digest;
}

// Puts the old pair back from its second name in the Trash, the same way the new one came in.
bool putBackFromBackup(const std::string& fontPath, const std::string& backupPath, const std::string& oldDigest) {
    if (!holds(backupPath, oldDigest)) return false;
    const std::string staged = besideFont(fontPath, kStagedOldPrefix);
    removePair(staged);
    if (platform::backupMacFile(backupPath, staged) != platform::noErr) return false;
    const bool back = platform::replaceMacFile(staged, fontPath) == platform::noErr && holds(fontPath, oldDigest);
    removePair(staged);
    (void)platform::syncFolder(platform::parentFolderOf(fontPath));
    return back;
}

} // namespace

int16_t FontUpdate::replaceWithNewFontUpdateFontItem(UpdateFontItem* item, const std::string& backupDirectoryPath,
                                                     UpdateJournal& journal) {
    if (!UpdateFontItem::checkPropertys(item) || !item->dstPath) return ItemMoveNewToFontsFailed;
    const auto oldDigest = pairDigest(item->srcPath);
    if (!oldDigest) return ItemReadOldFailed;
    const auto newDigest = pairDigest(*item->dstPath);
    if (!newDigest) return ItemMoveNewToFontsFailed;
    const auto backup = backupTargetPathOfUpdateFontItem(item, backupDirectoryPath);
    if (!backup) return ItemMoveOldToTrashFailed;

    JournalRecord record{item->srcPath, besideFont(item->srcPath, kStagedNewPrefix), *backup, *oldDigest, *newDigest};
    // A pair left under the staged name by an earlier run is ours and no one's font.
    removePair(record.stagedPath);
    std::string recordPath;
    if (!journal.begin(record, recordPath)) return ItemMoveNewToFontsFailed;
    const auto giveUp = [&](int16_t result) {
        removePair(record.stagedPath);
        UpdateJournal::forget(recordPath);
        return result;
    };

    // Durable before visible: the new pair, synced and read back beside the font.
    if (platform::moveMacFile(*item->dstPath, record.stagedPath) != platform::noErr ||
        !holds(record.stagedPath, *newDigest))
        return giveUp(ItemMoveNewToFontsFailed);
    // The old pair's second name, complete and synced, before its first name changes.
    if (platform::backupMacFile(item->srcPath, *backup) != platform::noErr || !holds(*backup, *oldDigest)) {
        removePair(*backup);
        return giveUp(ItemMoveOldToTrashFailed);
    }

    const bool replaced = platform::replaceMacFile(record.stagedPath, item->srcPath) == platform::noErr;
    if (holds(item->srcPath, *newDigest)) {
        removePair(record.stagedPath);
        item->backupPath = *backup;
        journal.ended(recordPath, {platform::parentFolderOf(item->srcPath), platform::parentFolderOf(*backup)});
        return StatusOK;
    }
    // Half a swap (the companion went, the data file did not): the old pair comes back whole.
    if (!holds(item->srcPath, *oldDigest) && !putBackFromBackup(item->srcPath, *backup, *oldDigest)) {
        // Neither pair could be put in place; the record stays for the next start to repair.
        journal.ended(recordPath, {});
        item->backupPath = *backup;
        return ItemMoveNewToFontsFailed;
    }
    (void)replaced;
    removePair(*backup);
    return giveUp(ItemMoveNewToFontsFailed);
}

std::vector<std::string> FontUpdate::repairInterruptedUpdates() {
    std::vector<std::string> said;
    for (const auto& [recordPath, record] : UpdateJournal::pending()) {
        const std::string name = platform::lastPathComponent(record.fontPath);
        bool repaired = true;
        if (holds(record.fontPath, record.newDigest)) {
            said.push_back("「" + name + "」のアップデートは中断されましたが、新しいフォントへの置き換えは完了していました。");
        } else if (holds(record.fontPath, record.oldDigest)) {
            // The swap never reached the font: its second name in the Trash goes with it.
            if (holds(record.backupPath, record.oldDigest)) removePair(record.backupPath);
            said.push_back("「" + name + "」のアップデートは中断されました。フォントは元のまま変更されていません。");
        } else if (holds(record.stagedPath, record.newDigest) &&
                   platform::replaceMacFile(record.stagedPath, record.fontPath) == platform::noErr &&
                   holds(record.fontPath, record.newDigest)) {
            said.push_back("「" + name + "」の中断されたアップデートを完了しました。");
        } else if (putBackFromBackup(record.fontPath, record.backupPath, record.oldDigest)) {
            said.push_back("「" + name + "」の中断されたアップデートを取り消し、元のフォントに戻しました。");
        } else {
            repaired = false;
            said.push_back("「" + name + "」の中断されたアップデートを修復できませんでした。ゴミ箱の「古いフォント項目」に元のフォントがあります: " +
                           record.backupPath);
        }
        if (!repaired) continue;
        removePair(record.stagedPath);
        (void)platform::syncFolder(platform::parentFolderOf(record.fontPath));
        UpdateJournal::forget(recordPath);
    }
    return said;
}

} // namespace fu
