// The crash-safe swap of a font in a folder the user may write, and the repair of swaps that a
// crash or a kill cut short. What holds at every instant: the font's name holds a whole pair, the
// old one or the new one that was verified, and once the old pair is gone from there its second
// name in the Trash is complete and synced.
#include "engine/FontUpdate.h"

#include "engine/Authorization.h"
#include "engine/HelperProtocol.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateFontInfo.h"
#include "engine/UpdateJournal.h"
#include "platform/FileAttributes.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"
#include "platform/Places.h"
#include "suitcase/ResFile.h"

namespace fu {
namespace {

std::string besideFont(const std::string& fontPath, const char* prefix) {
    return platform::parentFolderOf(fontPath) + "/" + prefix +
           platform::lastPathComponent(fontPath);
}

// Either file alone too: a run cut short between the two renames leaves one of them.
void removePair(const std::string& path) {
    for (const std::string& file : {path, platform::companionPath(path)})
        if (platform::macFileExists(file)) (void)platform::removeMacItem(file);
}

bool holds(const std::string& path, const std::string& digest) {
    const auto now = pairDigest(path);
    return now && *now == digest;
}

// The two pairs' fingerprints and the backup name; a status when the swap cannot begin. The swap
// needs only the two pairs and the domain: a restore has no definition behind it.
ItemResult planSwap(UpdateFontItem* item, const std::string& backupDirectoryPath,
                    JournalRecord& plan) {
    if (!item || item->srcPath.empty() || !item->dstPath || item->dstPath->empty() ||
        item->pathDomain == 0)
        return ItemResult::ItemMoveNewToFontsFailed;
    const auto [oldDigest, newDigest] = pairDigests(item->srcPath, *item->dstPath);
    if (!oldDigest) return ItemResult::ItemReadOldFailed;
    if (!newDigest) return ItemResult::ItemMoveNewToFontsFailed;
    // A backup folder found open to others or led elsewhere is a fault of the folder, and the
    // user is told so rather than that the old font would not move.
    if (FontUpdate::createOldFontsBackupDirectoryAtPath(backupDirectoryPath) != StatusOK)
        return ItemResult::ItemBackupFolderFailed;
    const auto backup = FontUpdate::backupTargetPathOfUpdateFontItem(item, backupDirectoryPath);
    if (!backup) return ItemResult::ItemMoveOldToTrashFailed;
    plan = {item->srcPath, besideFont(item->srcPath, kStagedNewPrefix), *backup, *oldDigest,
            *newDigest};
    return ItemResult::StatusOK;
}

} // namespace

namespace {

// The three folders of a swap, open: the font's (where the new pair is staged), the backup's and
// the new pair's.
struct SwapFolders {
    platform::MacFolder font, backup, source;
};

std::optional<SwapFolders> openSwapFolders(const JournalRecord& plan,
                                           const std::string& newPairPath,
                                           const FontUpdate::FolderOpener& openFolder) {
    auto font = openFolder(platform::parentFolderOf(plan.fontPath));
    auto backup = openFolder(platform::parentFolderOf(plan.backupPath));
    auto source = openFolder(platform::parentFolderOf(newPairPath));
    if (!font || !backup || !source) return std::nullopt;
    return SwapFolders{std::move(*font), std::move(*backup), std::move(*source)};
}

bool holdsAt(const platform::MacName& file, const std::string& digest) {
    const auto now = pairDigest(file);
    return now && *now == digest;
}

// The old pair back in place from its second name, staged and renamed like the new one.
bool putBackAt(const platform::MacName& font, const platform::MacName& backup,
               const std::string& oldDigest) {
    if (!holdsAt(backup, oldDigest)) return false;
    const platform::MacName staged{font.folder, kStagedOldPrefix + font.name};
    (void)platform::removeMacFilePair(staged);
    if (platform::backupMacFile(backup, staged) != platform::noErr) return false;
    const bool back =
        platform::replaceMacFile(font.folder, staged.name, font.name) == platform::noErr &&
        holdsAt(font, oldDigest);
    (void)platform::removeMacFilePair(staged);
    (void)platform::syncFolder(font.folder);
    return back;
}

} // namespace

FontUpdate::SwapResult FontUpdate::swapPairOfJournalRecord(const JournalRecord& plan,
                                                           const std::string& newPairPath,
                                                           PairStaging staging) {
    return swapPairOfJournalRecord(plan, newPairPath, staging, [](const std::string& path) {
        return platform::MacFolder::open(path);
    });
}

FontUpdate::SwapResult FontUpdate::swapPairOfJournalRecord(const JournalRecord& plan,
                                                           const std::string& newPairPath,
                                                           PairStaging staging,
                                                           const FolderOpener& openFolder) {
    const PairDigestScope digests;
    const auto folders = openSwapFolders(plan, newPairPath, openFolder);
    if (!folders) return {ItemResult::ItemMoveNewToFontsFailed, false};
    using platform::MacName;
    const MacName font{folders->font, platform::lastPathComponent(plan.fontPath)};
    const MacName staged{folders->font, platform::lastPathComponent(plan.stagedPath)};
    const MacName backup{folders->backup, platform::lastPathComponent(plan.backupPath)};
    const MacName source{folders->source, platform::lastPathComponent(newPairPath)};
    // A pair left under the staged name by an earlier run is ours and no one's font.
    (void)platform::removeMacFilePair(staged);
    int16_t madeStaged = platform::paramErr;
    switch (staging) {
    // The staged name need not outlive a crash (the journal repairs without it): the font's folder
    // is synced once the run ends, the temporary folder never needs to be.
    case PairStaging::Move: madeStaged = platform::moveMacFile(source, staged, false); break;
    case PairStaging::Link: madeStaged = platform::backupMacFile(source, staged); break;
    case PairStaging::CopyForEveryone:
        // Only what the owner of the new pair's folder made there, under no second name: a link
        // to somebody else's file is not a font to hand out.
        madeStaged = platform::copyMacFileForEveryone(source, staged, folders->source.ownerId());
        break;
    }
    // Durable before visible: the new pair, synced and read back beside the font.
    if (madeStaged != platform::noErr || !holdsAt(staged, plan.newDigest)) {
        (void)platform::removeMacFilePair(staged);
        return {ItemResult::ItemMoveNewToFontsFailed, false};
    }
    // The old pair's second name, complete and synced, before its first name changes.
    if (platform::backupMacFile(font, backup) != platform::noErr ||
        !holdsAt(backup, plan.oldDigest)) {
        (void)platform::removeMacFilePair(backup);
        (void)platform::removeMacFilePair(staged);
        return {ItemResult::ItemMoveOldToTrashFailed, false};
    }
    const bool replaced =
        platform::replaceMacFile(folders->font, staged.name, font.name) == platform::noErr;
    // Two renames that both succeeded put the new pair there, even when it cannot be read back
    // now; what can be read decides otherwise.
    const auto now = pairDigest(font);
    if (now ? *now == plan.newDigest : replaced) {
        (void)platform::removeMacFilePair(staged);
        return {ItemResult::StatusOK, false};
    }
    // Half a swap (the companion went, the data file did not): the old pair comes back whole.
    if (!holdsAt(font, plan.oldDigest) && !putBackAt(font, backup, plan.oldDigest))
        return {ItemResult::ItemMoveNewToFontsFailed, true};
    (void)platform::removeMacFilePair(backup);
    (void)platform::removeMacFilePair(staged);
    return {ItemResult::ItemMoveNewToFontsFailed, false};
}

ItemResult FontUpdate::replaceWithNewFontUpdateFontItem(UpdateFontItem* item,
                                                        const std::string& backupDirectoryPath,
                                                        UpdateJournal& journal, bool keepSource) {
    const PairDigestScope digests;
    JournalRecord plan;
    if (const ItemResult refused = planSwap(item, backupDirectoryPath, plan);
        refused != ItemResult::StatusOK)
        return refused;
    const std::optional<std::string> backup = plan.backupPath;
    std::string recordPath;
    if (!journal.begin(plan, recordPath)) return ItemResult::ItemMoveNewToFontsFailed;
    const SwapResult swap = swapPairOfJournalRecord(
        plan, *item->dstPath, keepSource ? PairStaging::Link : PairStaging::Move);
    if (swap.result == ItemResult::StatusOK) {
        item->backupPath = *backup;
        journal.ended(recordPath,
                      {platform::parentFolderOf(item->srcPath), platform::parentFolderOf(*backup)});
    } else if (swap.stuck) {
        // Neither pair could be put in place; the record stays for the next start to repair.
        item->backupPath = *backup;
    } else {
        UpdateJournal::forget(recordPath);
    }
    return swap.result;
}

ItemResult FontUpdate::replaceWithNewFontUpdateFontItem(UpdateFontItem* item,
                                                        const std::string& backupDirectoryPath,
                                                        Authorization* authorization) {
    if (!authorization) return ItemResult::ItemMoveNewToFontsFailed;
    const PairDigestScope digests;
    JournalRecord plan;
    if (const ItemResult refused = planSwap(item, backupDirectoryPath, plan);
        refused != ItemResult::StatusOK)
        return refused;
    const std::optional<std::string> backup = plan.backupPath;
    const std::optional<std::string> oldDigest = plan.oldDigest, newDigest = plan.newDigest;
    const int32_t answer = Authorization::swapFileWithAuthorization(authorization, *item->dstPath,
                                                                    item->srcPath, *backup);
    if (holds(item->srcPath, *newDigest)) {
        item->backupPath = *backup;
        return ItemResult::StatusOK;
    }
    if (holds(item->srcPath, *oldDigest))
        return itemResultOfSwapAnswer(answer) == ItemResult::ItemMoveOldToTrashFailed
                   ? ItemResult::ItemMoveOldToTrashFailed
                   : ItemResult::ItemMoveNewToFontsFailed;
    // Neither pair in place: the helper stopped halfway. The old pair's second name is all there
    // is.
    if (holds(*backup, *oldDigest)) item->backupPath = *backup;
    return ItemResult::ItemMoveNewToFontsFailed;
}

namespace {

// The backup's files of one domain, as (backup path, path relative to the Fonts folder), depth
// first; sub-folders come back as sub-folders.
std::vector<std::pair<std::string, std::string>> backedUpFonts(const std::string& part) {
    std::vector<std::pair<std::string, std::string>> found;
    // A part that is a link leads wherever whoever made it chose: its files are not our backups.
    // Below it, links are never followed either (itemTypeOf does not).
    if (platform::itemTypeOf(part) != platform::ItemType::Directory) return found;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string sub = pending.back();
        pending.pop_back();
        const std::string folder = sub.empty() ? part : part + "/" + sub;
        auto names = platform::listFolder(folder);
        if (!names) continue;
        for (const std::string& name : *names) {
            const std::string relative = sub.empty() ? name : sub + "/" + name;
            const auto type = platform::itemTypeOf(folder + "/" + name);
            if (type == platform::ItemType::Directory) pending.push_back(relative);
            if (type == platform::ItemType::Regular && !isStagedName(name))
                found.emplace_back(folder + "/" + name, relative);
        }
    }
    return found;
}

// Back where it was, with nothing there to keep: staged under a dot name, then two renames.
ItemResult putBackIntoEmptyPlace(const std::string& backup, const std::string& fontPath) {
    const std::string staged = besideFont(fontPath, kStagedNewPrefix);
    removePair(staged);
    const bool back = platform::backupMacFile(backup, staged) == platform::noErr &&
                      platform::replaceMacFile(staged, fontPath) == platform::noErr;
    if (!back) removePair(staged);
    (void)platform::syncFolder(platform::parentFolderOf(fontPath));
    return back ? ItemResult::StatusOK : ItemResult::ItemMoveNewToFontsFailed;
}

} // namespace

std::vector<FontUpdate::RestoredFont>
FontUpdate::restoreFontsOfBackupDirectory(const std::string& backupDirectoryPath,
                                          std::optional<std::string>& newerBackupPath,
                                          Authorization* authorization) {
    std::vector<RestoredFont> restored;
    UpdateJournal journal;
    const struct {
        const char* part;
        uint64_t domain;
        std::optional<std::string> fonts;
    } domains[] = {{"コンピュータ", kComputerDomain, platform::computerFontsFolder()},
                   {"ユーザ", kUserDomain, platform::userFontsFolder()}};
    for (const auto& domain : domains) {
        const bool computer = domain.domain == kComputerDomain;
        if (!domain.fonts) continue;
        for (const auto& [backup, relative] :
             backedUpFonts(backupDirectoryPath + "/" + domain.part)) {
            RestoredFont outcome{*domain.fonts + "/" + relative, ItemResult::StatusOK};
            UpdateFontItem item;
            item.srcPath = outcome.fontPath;
            item.dstPath = backup;
            item.target.resName = platform::lastPathComponent(relative);
            item.pathDomain = domain.domain;
            if (const std::string sub = platform::parentFolderOf(relative);
                relative.find('/') != std::string::npos)
                item.subDirPath = sub;
            if (!ResFile::chekSuitcaseFile(backup)) {
                // A backup folder only ever receives font suitcases; anything else in one was put
                // there by someone else, and stays where it is.
                outcome.result = ItemResult::ItemNotSuitcase;
            } else if (computer && !authorization) {
                outcome.result =
                    ItemResult::ItemMoveNewToFontsFailed; // the computer's folder needs the helper
            } else if (platform::macFileExists(item.srcPath)) {
                if (!newerBackupPath)
                    newerBackupPath =
                        pathForBackupDirectoryName(kBackupFolderName, kUserDomain, false);
                if (!newerBackupPath)
                    outcome.result = ItemResult::ItemBackupFolderFailed;
                else if (computer)
                    outcome.result =
                        replaceWithNewFontUpdateFontItem(&item, *newerBackupPath, authorization);
                else
                    outcome.result =
                        replaceWithNewFontUpdateFontItem(&item, *newerBackupPath, journal, true);
            } else if (computer) {
                outcome.result = Authorization::moveFileWithAuthorization(authorization, backup,
                                                                          item.srcPath) == 0 &&
                                         platform::macFileExists(item.srcPath)
                                     ? ItemResult::StatusOK
                                     : ItemResult::ItemMoveNewToFontsFailed;
            } else {
                const bool folderThere = !item.subDirPath || makeSubDirectroryWithPath(
                                                                 *item.subDirPath, *domain.fonts) ==
                                                                 ItemResult::StatusOK;
                outcome.result = folderThere ? putBackIntoEmptyPlace(backup, item.srcPath)
                                             : ItemResult::ItemSubfolderFailed;
            }
            // Back in place, the font's copy in the Trash has done its work.
            if (outcome.result == ItemResult::StatusOK) removePair(backup);
            restored.push_back(outcome);
        }
    }
    return restored;
}

namespace {

// Cut short between its two renames, a swap leaves the new companion in place and the new data
// file alone under the staged name: one more rename completes it.
bool completeHalfReplacement(const platform::MacName& font, const platform::MacName& staged,
                             const std::string& newDigest) {
    if (platform::macFileExists(staged.companion())) return false;
    auto stagedBytes = platform::readMacFileBytes(staged, kLargestFontFile);
    auto fontBytes = platform::readMacFileBytes(font, kLargestFontFile);
    if (!stagedBytes || !fontBytes) return false;
    const platform::MacFileBytes joined{std::move(stagedBytes->data),
                                        std::move(fontBytes->companion), fontBytes->hasCompanion};
    const auto digest = pairDigestOfBytes(joined);
    if (!digest || *digest != newDigest) return false;
    return platform::replaceMacFile(font.folder, staged.name, font.name) == platform::noErr &&
           holdsAt(font, newDigest);
}

} // namespace

std::vector<std::string> FontUpdate::repairInterruptedUpdates() {
    if (const auto folder = UpdateJournal::folderPath())
        UpdateJournal::clearUnfinishedRecords(*folder);
    return repairInterruptedUpdatesOfJournal(UpdateJournal::pending(), [](const std::string& path) {
        return platform::MacFolder::open(path);
    });
}

std::vector<std::string> FontUpdate::repairInterruptedUpdatesOfJournal(
    const std::vector<std::pair<std::string, JournalRecord>>& records,
    const FolderOpener& openFolder) {
    std::vector<std::string> said;
    // Not a structured binding: the lambda below captures the record, which C++20 compilers
    // before clang 16 refuse for bindings.
    for (const auto& entry : records) {
        const std::string& recordPath = entry.first;
        const JournalRecord& record = entry.second;
        const std::string name = platform::lastPathComponent(record.fontPath);
        auto fontFolder = openFolder(platform::parentFolderOf(record.fontPath));
        auto backupFolder = openFolder(platform::parentFolderOf(record.backupPath));
        if (!fontFolder) {
            said.push_back(
                "「" + name +
                "」の中断されたアップデートを修復できませんでした。フォントのフォルダを開けません: " +
                platform::parentFolderOf(record.fontPath));
            continue;
        }
        const platform::MacName font{*fontFolder, name};
        const platform::MacName staged{*fontFolder, platform::lastPathComponent(record.stagedPath)};
        const auto backupHolds = [&](const std::string& digest) {
            return backupFolder &&
                   holdsAt({*backupFolder, platform::lastPathComponent(record.backupPath)}, digest);
        };
        bool repaired = true;
        if (holdsAt(font, record.newDigest)) {
            said.push_back(
                "「" + name +
                "」のアップデートは中断されましたが、新しいフォントへの置き換えは完了していました。");
        } else if (holdsAt(font, record.oldDigest)) {
            // The swap never reached the font: its second name in the Trash goes with it.
            if (backupHolds(record.oldDigest))
                (void)platform::removeMacFilePair(
                    {*backupFolder, platform::lastPathComponent(record.backupPath)});
            said.push_back(
                "「" + name +
                "」のアップデートは中断されました。フォントは元のまま変更されていません。");
        } else if ((holdsAt(staged, record.newDigest) &&
                    platform::replaceMacFile(*fontFolder, staged.name, font.name) ==
                        platform::noErr &&
                    holdsAt(font, record.newDigest)) ||
                   completeHalfReplacement(font, staged, record.newDigest)) {
            said.push_back("「" + name + "」の中断されたアップデートを完了しました。");
        } else if (backupFolder &&
                   putBackAt(font, {*backupFolder, platform::lastPathComponent(record.backupPath)},
                             record.oldDigest)) {
            said.push_back("「" + name +
                           "」の中断されたアップデートを取り消し、元のフォントに戻しました。");
        } else {
            repaired = false;
            said.push_back(
                "「" + name +
                "」の中断されたアップデートを修復できませんでした。ゴミ箱の「古いフォント項目」に元のフォントがあります: " +
                record.backupPath);
        }
        if (!repaired) continue;
        (void)platform::removeMacFilePair(staged);
        (void)platform::syncFolder(*fontFolder);
        UpdateJournal::forget(recordPath);
    }
    return said;
}

std::vector<std::string> FontUpdate::computerUpdatesAwaitingRepair() {
    std::vector<std::string> said;
    const std::string folder = platform::computerFontsFolder() + "/" + kHelperJournalFolderName;
    // Only the helper's own records count: the folder's owner must be the administrator or us.
    const auto opened = platform::MacFolder::open(folder);
    if (!opened || (opened->ownerId() != 0 && opened->ownerId() != platform::effectiveUserId()))
        return said;
    for (const auto& [path, record] : UpdateJournal::pending(folder, opened->ownerId()))
        said.push_back(
            "コンピュータのフォント「" + platform::lastPathComponent(record.fontPath) +
            "」のアップデートが中断されたままです。次に管理者の権限でアップデートまたは復元を行うときに修復されます。");
    return said;
}

} // namespace fu
