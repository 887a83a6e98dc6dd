#include "engine/FontSearch.h"

#include "definition/UpdateSfntSetInfo.h"
#include "definition/UpdateTargetInfo.h"
#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateFontInfo.h"
#include "engine/UpdateJournal.h"
#include "platform/FileAttributes.h"
#include "platform/MacFiles.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

namespace fu {

namespace {

int64_t characterCount(const std::string& text) {
    return int64_t(platform::utf16Length(text).value_or(text.size()));
}

// How much bigger the new file is expected to be: five bytes per character the version strings
// grow by (they appear in 'vers' and in several 'name' records), plus the change of the tables.
int64_t growthEstimate(const UpdateTargetItem& target, const UpdateSfntSetItem& set) {
    const int64_t versions = 5 * (characterCount(*target.nVersStr) - characterCount(*target.oVersStr));
    return versions + int64_t(set.nSfntData->totalTableSize()) - int64_t(set.oSfntData->totalTableSize());
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Every file of a Fonts folder tree, in the order a recursive walk meets them.
struct FoundFile {
    std::string path;
    std::string subPath;
    std::vector<bool> hits; // by target x set: the decision answered 1
    int64_t forkSize = 0;
};

// One walk instead of one per target and set: the same files in the same order. Only the kind
// of each entry is read here, so the tree is known, and progress can be measured against it,
// before the slower reading of every file begins. A folder inside the tree that cannot be listed
// is skipped; the root must list.
bool collectFiles(const std::string& root, const std::string& subPath, std::vector<FoundFile>& files) {
    const std::string folder = subPath.empty() ? root : joinPath(root, subPath);
    auto names = platform::listFolder(folder);
    if (!names) return false;
    for (const std::string& name : *names) {
        // A swap's staged pair is no installed font, whatever it holds.
        if (name.empty() || isStagedName(name)) continue;
        const std::string path = joinPath(folder, name);
        const auto type = platform::itemTypeOf(path);
        if (!type) continue;
        if (*type == platform::ItemType::Directory)
            (void)collectFiles(root, subPath.empty() ? name : joinPath(subPath, name), files);
        else
            files.push_back({path, subPath, {}, 0});
    }
    return true;
}

// A standard Fonts folder that was never made (a fresh account has no ~/.local/share/fonts)
// holds no fonts; one that is there but cannot be listed is a failure of the search.
bool isAbsent(const std::string& folder) {
    int error = 0;
    return !platform::itemTypeOf(folder, &error) && error == ENOENT;
}

// The file-level decision for every target and set at once: one suitcase check, one census per
// target, one load. The answers are those the decision gives pair by pair, since none of its
// steps depends on another pair and nothing changes the file in between.
void decideAllPairs(FoundFile& file, const std::vector<const UpdateTargetItem*>& targets,
                    const std::vector<const UpdateSfntSetItem*>& sets) {
    file.hits.assign(targets.size() * sets.size(), false);
    // Only files of type 'FFIL' are looked into; the type is read once for every pair.
    auto attributes = platform::readAttributes(file.path);
    if (!attributes || !attributes->type || *attributes->type == platform::ItemType::Directory ||
        attributes->hfsTypeCode != fourCC("FFIL"))
        return;
    std::vector<bool> named(targets.size(), false);
    bool anyNamed = false;
    for (size_t t = 0; t < targets.size(); ++t) {
        // An incomplete target ends the search before its results would be listed.
        if (!UpdateTargetItem::checkPropertys(targets[t])) continue;
        int64_t fonds = 0, sfnts = 0, verses = 0;
        named[t] = ResFile::checkSuitcaseFontResName(*targets[t]->resName, file.path, fonds, sfnts, verses) == 0 &&
                   fonds > 0 && sfnts > 0 && verses > 0;
        anyNamed = anyNamed || named[t];
    }
    if (!anyNamed) return;
    auto resFile = ResFile::initOfContentFile(file.path);
    if (!resFile || resFile->loadStatus != 0) return;
    bool anyHit = false;
    for (size_t t = 0; t < targets.size(); ++t) {
        if (!named[t]) continue;
        const UpdateTargetItem& target = *targets[t];
        for (size_t s = 0; s < sets.size(); ++s) {
            if (!sets[s] || !sets[s]->oSfntData) continue;
            const bool hit = FontUpdate::updateNeedResName(*target.resName, *target.japanFullName, *target.oVersStr,
                                                           *target.nVersStr, *target.checksum,
                                                           sets[s]->oSfntData.get(), *resFile) == 1;
            file.hits[t * sets.size() + s] = hit;
            anyHit = anyHit || hit;
        }
    }
    resFile->freeAllResData();
    // A hit whose fork size cannot be read is not listed, as in the walk per pair.
    uint64_t forkSize = 0;
    if (anyHit && ResFile::getResourceFileSizeOfPath(file.path, forkSize) != 0) file.hits.assign(file.hits.size(), false);
    file.forkSize = int64_t(forkSize);
}

// Decides every file, telling `advance` how many are done at most kStepsPerPair times, however
// many files there are or pairs they are decided for: each report repaints the screen.
void decideFiles(std::vector<FoundFile>& files, const std::vector<const UpdateTargetItem*>& targets,
                 const std::vector<const UpdateSfntSetItem*>& sets,
                 const std::function<void(int64_t done, int64_t total)>& advance) {
    const int64_t total = int64_t(files.size());
    int64_t step = 0;
    for (int64_t done = 1; done <= total; ++done) {
        decideAllPairs(files[size_t(done - 1)], targets, sets);
        if (const int64_t reached = done * FontSearch::kStepsPerPair / total; reached > step) {
            step = reached;
            advance(done, total);
        }
    }
}

// The order a person reads a folder tree in: a folder's own files before its sub-folders, each
// level in the locale's collation. The hits of one file keep their target and set order.
void sortAsFolderTree(std::vector<std::unique_ptr<UpdateFontItem>>& items, size_t first) {
    struct Keyed {
        std::vector<std::string> folders;
        std::string name;
        std::unique_ptr<UpdateFontItem> item;
    };
    std::vector<Keyed> keyed;
    for (size_t i = first; i < items.size(); ++i) {
        Keyed entry{{}, platform::lastPathComponent(items[i]->srcPath), std::move(items[i])};
        for (size_t start = 0; entry.item->subDirPath && start <= entry.item->subDirPath->size();) {
            const size_t slash = std::min(entry.item->subDirPath->find('/', start), entry.item->subDirPath->size());
            if (slash > start) entry.folders.push_back(entry.item->subDirPath->substr(start, slash - start));
            start = slash + 1;
        }
        keyed.push_back(std::move(entry));
    }
    const platform::TextCollator collator;
    std::stable_sort(keyed.begin(), keyed.end(), [&collator](const Keyed& a, const Keyed& b) {
        const size_t common = std::min(a.folders.size(), b.folders.size());
        for (size_t level = 0; level < common; ++level)
            if (const int order = collator.compare(a.folders[level], b.folders[level]); order != 0) return order < 0;
        if (a.folders.size() != b.folders.size()) return a.folders.size() < b.folders.size();
        return collator.compare(a.name, b.name) < 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i) items[first + i] = std::move(keyed[i].item);
}

} // namespace

FontSearch::FontSearch(UpdateFontInfo* updateFontInfo, const UpdateSfntSetInfo* updateSfntSetInfo,
                       const UpdateTargetInfo* updateTargetInfo, std::string findTargetDirPath, Progress progress)
    : updateFontInfo_(updateFontInfo), updateSfntSetInfo_(updateSfntSetInfo), updateTargetInfo_(updateTargetInfo),
      findTargetDirPath_(std::move(findTargetDirPath)), progress_(std::move(progress)) {}

int64_t FontSearch::progressMaximum(const UpdateSfntSetInfo* sets, const UpdateTargetInfo* targets) {
    if (!sets || !targets) return 0;
    return targets->countOfUpdateTargetItem() * sets->countOfUpdateSfntSetItem() * kStepsPerPair * 2;
}

void FontSearch::report(int64_t count, std::optional<std::string> text) const {
    if (progress_) progress_(UpdateResult::updateResultWithCount(count, std::move(text)));
}

int16_t FontSearch::run() {
    if (!updateFontInfo_) return -997;
    if (!updateSfntSetInfo_ || updateSfntSetInfo_->countOfUpdateSfntSetItem() == 0) return -996;
    if (!updateTargetInfo_ || updateTargetInfo_->countOfUpdateTargetItem() == 0) return -994;

    std::vector<std::pair<std::string, uint64_t>> folders;
    if (!findTargetDirPath_.empty()) {
        folders.emplace_back(findTargetDirPath_, kUserDomain);
    } else {
        auto computer = FontUpdate::localFontsFolderPath();
        if (!computer) return SearchErrorLocalFontsFolder;
        auto user = FontUpdate::usersFontsFolderPath();
        if (!user) return SearchErrorUserFontsFolder;
        folders.emplace_back(*computer, kComputerDomain);
        folders.emplace_back(*user, kUserDomain);
    }

    const int64_t targetCount = updateTargetInfo_->countOfUpdateTargetItem();
    const int64_t setCount = updateSfntSetInfo_->countOfUpdateSfntSetItem();
    std::vector<const UpdateTargetItem*> targets;
    std::vector<const UpdateSfntSetItem*> sets;
    for (int64_t t = 0; t < targetCount; ++t) targets.push_back(updateTargetInfo_->updateTargetItemAtIndex(t));
    for (int64_t s = 0; s < setCount; ++s) sets.push_back(updateSfntSetInfo_->updateSfntSetItemAtIndex(s));

    // Each folder has an equal share of the bar, which its files fill as they are decided.
    const int64_t folderSpan = targetCount * setCount * kStepsPerPair;
    const bool standardFolders = findTargetDirPath_.empty();
    int64_t progress = 0;
    for (const auto& [folder, domain] : folders) {
        if (folder.empty()) return SearchErrorFontsFolders;
        if (domain == kComputerDomain && !searchComputerFolder_) {
            progress += folderSpan;
            report(progress, std::nullopt);
            continue;
        }
        report(progress, "'" + folder + "'内を検索中...");
        const size_t firstOfFolder = updateFontInfo_->updateFontItems.size();
        int64_t reported = progress;
        // The tree is walked and decided once, when the first pair needs it; results are then
        // listed pair by pair, as if every pair had walked the tree itself.
        std::optional<std::vector<FoundFile>> files;
        for (int64_t t = 0; t < targetCount; ++t) {
            const UpdateTargetItem* target = targets[size_t(t)];
            if (!target) return -993;
            for (int64_t s = 0; s < setCount; ++s) {
                const UpdateSfntSetItem* set = sets[size_t(s)];
                if (!set) return -995;
                if (!set->oSfntData) return SearchErrorOldSfntData;
                if (!set->nSfntData) return SearchErrorNewSfntData;
                // A target that lacks a field cannot be searched for; it makes the walk fail.
                if (!UpdateTargetItem::checkPropertys(target)) return SearchErrorWalkFailed;
                if (!files) {
                    files.emplace();
                    if (!(standardFolders && isAbsent(folder)) && !collectFiles(folder, "", *files))
                        return SearchErrorWalkFailed;
                    decideFiles(*files, targets, sets, [&](int64_t done, int64_t total) {
                        reported = progress + done * folderSpan / total;
                        report(reported, std::nullopt);
                    });
                }
                const int64_t growth = growthEstimate(*target, *set);
                for (const FoundFile& file : *files) {
                    if (!file.hits[size_t(t) * sets.size() + size_t(s)]) continue;
                    if (!updateFontInfo_->addUpdateFontItem(UpdateFontItem::foundItem(
                            *target, file.path, file.subPath, domain, uint64_t(s), file.forkSize, growth)))
                        return SearchErrorWalkFailed;
                }
            }
        }
        sortAsFolderTree(updateFontInfo_->updateFontItems, firstOfFolder);
        progress += folderSpan;
        if (reported != progress) report(progress, std::nullopt);
    }
    report(progress, std::nullopt);
    return StatusOK;
}

} // namespace fu
