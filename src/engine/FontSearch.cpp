#include "engine/FontSearch.h"

#include "definition/UpdateSfntSetInfo.h"
#include "definition/UpdateTargetInfo.h"
#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateFontInfo.h"
#include "engine/UpdateJournal.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"
#include "platform/SearchFolder.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

namespace fu {

namespace {

int64_t characterCount(const std::string& text) {
    return int64_t(platform::utf16Length(text).value_or(text.size()));
}

// How much bigger the new file is expected to be: five bytes per character the version strings
// grow by (they appear in 'vers' and in several 'name' records), plus the change of the tables.
int64_t growthEstimate(const UpdateTargetItem& target, const UpdateSfntSetItem& set) {
    const int64_t versions =
        5 * (characterCount(target.nVersStr) - characterCount(target.oVersStr));
    return versions + int64_t(set.nSfntData->totalTableSize()) -
           int64_t(set.oSfntData->totalTableSize());
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// A folder of a Fonts folder tree, opened again through its parent when its files are read.
struct FoundFolder {
    std::string path;
    std::string subPath; // from the root; "" for the root itself
    std::string name;    // in its parent's listing
    size_t parent = 0;   // the root is its own parent
};

// Every file of a Fonts folder tree, in the order a recursive walk meets them.
struct FoundFile {
    size_t folder = 0;
    platform::SearchEntry entry;
    std::string path;       // made once the file is known to be a font of a target
    std::vector<bool> hits; // by target x set: the decision answered 1; empty for none
    int64_t forkSize = 0;
    [[nodiscard]] bool hit(size_t pair) const { return pair < hits.size() && hits[pair]; }
    // A link has no Finder info, nor has a file whose listing holds no companion: for most files
    // the listing has answered already, and nothing of them is read.
    [[nodiscard]] bool readsCompanion() const {
        return entry.hasCompanion && entry.type != platform::ItemType::SymbolicLink;
    }
};

struct FoundTree {
    std::vector<FoundFolder> folders;
    std::vector<FoundFile> files;
    // The tree is not known whole: a folder or a file was passed over because the process had no
    // descriptor (or memory) to open it with, which says nothing of the item, or the root could
    // not be opened again to read its files.
    bool incomplete = false;
};

bool isOutOfResources(int error) { return error == EMFILE || error == ENFILE || error == ENOMEM; }

// One walk instead of one per target and set: the same files in the same order. Only the
// listing of each folder is read here, which names every entry's kind, so the tree is known,
// and progress can be measured against it, before the slower reading of the files begins. A
// folder inside the tree that cannot be listed is skipped; the root must list, and a folder
// that cannot be opened or listed for want of descriptors ends the walk.
bool collectFiles(const platform::SearchFolder& folder, size_t index, FoundTree& tree) {
    int error = 0;
    auto entries = folder.list(&error);
    if (!entries) {
        tree.incomplete = tree.incomplete || isOutOfResources(error);
        return false;
    }
    for (platform::SearchEntry& entry : *entries) {
        // A swap's staged pair is no installed font, whatever it holds.
        if (entry.name.empty() || isStagedName(entry.name)) continue;
        if (entry.type != platform::ItemType::Directory) {
            tree.files.push_back({index, std::move(entry), {}, {}, 0});
            continue;
        }
        auto child = platform::SearchFolder::openChild(folder, entry.name, &error);
        if (!child) {
            if (!isOutOfResources(error)) continue;
            tree.incomplete = true;
            return false;
        }
        const FoundFolder& parent = tree.folders[index];
        FoundFolder found{joinPath(parent.path, entry.name),
                          parent.subPath.empty() ? entry.name
                                                 : joinPath(parent.subPath, entry.name),
                          entry.name, index};
        tree.folders.push_back(std::move(found));
        if (!collectFiles(*child, tree.folders.size() - 1, tree) && tree.incomplete) return false;
    }
    return true;
}

bool collectFiles(const std::string& root, FoundTree& tree) {
    auto folder = platform::SearchFolder::open(root);
    if (!folder) return false;
    tree.folders.push_back({root, "", "", 0});
    return collectFiles(*folder, 0, tree);
}

// The folders from the root down to the one whose files are being read, each opened through its
// parent when first needed and closed once the walk has left it: as many descriptors as the
// tree is deep, and every folder opened once, since the files come in the order of the walk.
class FolderChain {
public:
    explicit FolderChain(const std::vector<FoundFolder>& folders) : folders_(folders) {}

    // nullptr when the folder, or one above it, can no longer be opened; a sub-folder's files are
    // then passed over as its listing would have been, the root's make the tree incomplete.
    const platform::SearchFolder* folder(size_t index, bool& incomplete) {
        path_.clear();
        for (size_t at = index;; at = folders_[at].parent) {
            path_.push_back(at);
            if (at == 0) break;
        }
        std::reverse(path_.begin(), path_.end());
        size_t common = 0;
        while (common < chain_.size() && common < path_.size() &&
               chain_[common].first == path_[common])
            ++common;
        chain_.resize(common);
        while (chain_.size() < path_.size()) {
            const size_t next = path_[chain_.size()];
            std::optional<platform::SearchFolder> opened;
            int error = 0;
            if (chain_.empty())
                opened = platform::SearchFolder::open(folders_[next].path, &error);
            else if (chain_.back().second)
                opened = platform::SearchFolder::openChild(*chain_.back().second,
                                                           folders_[next].name, &error);
            incomplete = incomplete || (!opened && (chain_.empty() || isOutOfResources(error)));
            chain_.emplace_back(next, std::move(opened));
        }
        return chain_.back().second ? &*chain_.back().second : nullptr;
    }

private:
    const std::vector<FoundFolder>& folders_;
    std::vector<size_t> path_;
    std::vector<std::pair<size_t, std::optional<platform::SearchFolder>>> chain_;
};

// A standard Fonts folder that was never made (a fresh account has no ~/.local/share/fonts)
// holds no fonts; one that is there but cannot be listed is a failure of the search.
bool isAbsent(const std::string& folder) {
    int error = 0;
    return !platform::itemTypeOf(folder, &error) && error == ENOENT;
}

bool sameSfntData(const SfntData* a, const SfntData* b) {
    return a == b || (a && b && a->scaler == b->scaler && a->tables == b->tables);
}

bool sameSet(const UpdateSfntSetItem* a, const UpdateSfntSetItem* b) {
    return a == b ||
           (a && b && a->name == b->name && sameSfntData(a->oSfntData.get(), b->oSfntData.get()) &&
            sameSfntData(a->nSfntData.get(), b->nSfntData.get()));
}

// For each item, whether no item before it is equal: a pair of a target and a set equal to an
// earlier pair's decides every file as that pair does and lists nothing of its own. Items are
// grouped by a cheap key first, so that only items alike in it are compared whole.
template <typename Item, typename Key, typename Same>
std::vector<bool> firstOfEquals(const std::vector<const Item*>& items, Key key, Same same) {
    std::vector<bool> first(items.size(), true);
    std::map<decltype(key(items[0])), std::vector<size_t>> groups;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!items[i]) continue;
        std::vector<size_t>& group = groups[key(items[i])];
        for (size_t earlier : group)
            if (same(items[earlier], items[i])) {
                first[i] = false;
                break;
            }
        if (first[i]) group.push_back(i);
    }
    return first;
}

// The targets as the decision of a file asks for them: the complete ones, with their names for
// the census composed once for the whole search, and which targets and sets are the first of
// their equals.
struct SearchTargets {
    const std::vector<const UpdateTargetItem*>& all;
    std::vector<size_t> complete;
    ResFile::CensusNames names;
    std::vector<bool> distinctTarget;
    std::vector<bool> distinctSet;
    [[nodiscard]] bool decides(size_t t, size_t s) const {
        return distinctTarget[t] && distinctSet[s];
    }
};

SearchTargets searchTargets(const std::vector<const UpdateTargetItem*>& all,
                            const std::vector<const UpdateSfntSetItem*>& sets) {
    std::vector<size_t> complete;
    std::vector<std::string> resNames;
    for (size_t t = 0; t < all.size(); ++t) {
        // An incomplete target ends the search before its results would be listed.
        if (!UpdateTargetItem::checkPropertys(all[t])) continue;
        complete.push_back(t);
        resNames.push_back(all[t]->resName);
    }
    auto distinctTarget = firstOfEquals(
        all,
        [](const UpdateTargetItem* target) {
            return std::make_tuple(target->resName, target->japanFullName, target->oVersStr,
                                   target->nVersStr);
        },
        [](const UpdateTargetItem* a, const UpdateTargetItem* b) {
            return static_cast<const UpdateTarget&>(*a) == static_cast<const UpdateTarget&>(*b);
        });
    auto distinctSet = firstOfEquals(
        sets, [](const UpdateSfntSetItem* set) { return set->name; }, sameSet);
    return {all, std::move(complete), ResFile::CensusNames(resNames), std::move(distinctTarget),
            std::move(distinctSet)};
}

// The file-level decision for every target and set at once: one suitcase check, one census for
// every target from one read of the map, one load. The answers are those the decision gives
// pair by pair, since none of its steps depends on another pair and nothing changes the file in
// between.
void decideAllPairs(FoundFile& file, FoundTree& tree, const platform::SearchFolder* folder,
                    const SearchTargets& targets,
                    const std::vector<const UpdateSfntSetItem*>& sets) {
    // Only files of type 'FFIL' are looked into.
    if (!folder || !file.readsCompanion()) return;
    platform::SearchFile read = folder->readFile(file.entry);
    if (read.status() != platform::noErr || read.hfsTypeCode() != fourCC("FFIL")) return;
    std::vector<ResFile::FontResCensus> censuses;
    {
        platform::ScopedFork fork = read.openFork();
        if (!fork.isOpen() || ResFile::checkSuitcaseFontResName(targets.names, fork.refNum(),
                                                                censuses) != ResStatus::resNoErr)
            return;
    }
    std::vector<bool> named(targets.all.size(), false);
    bool anyNamed = false;
    for (size_t k = 0; k < targets.complete.size(); ++k) {
        const ResFile::FontResCensus& census = censuses[k];
        named[targets.complete[k]] =
            census.fondCount > 0 && census.sfntCount > 0 && census.versCount > 0;
        anyNamed = anyNamed || named[targets.complete[k]];
    }
    if (!anyNamed) return;
    file.path = joinPath(tree.folders[file.folder].path, file.entry.name);
    auto resFile = ResFile::initOfContentFile(file.path);
    if (!resFile) tree.incomplete = true;
    if (!resFile || resFile->loadStatus != ResStatus::resNoErr) return;
    file.hits.assign(targets.all.size() * sets.size(), false);
    bool anyHit = false;
    for (size_t t = 0; t < targets.all.size(); ++t) {
        if (!named[t]) continue;
        const UpdateTargetItem& target = *targets.all[t];
        for (size_t s = 0; s < sets.size(); ++s) {
            if (!sets[s] || !sets[s]->oSfntData || !targets.decides(t, s)) continue;
            const bool hit =
                FontUpdate::updateNeedResName(target, sets[s]->oSfntData.get(), *resFile) == 1;
            file.hits[t * sets.size() + s] = hit;
            anyHit = anyHit || hit;
        }
    }
    resFile->freeAllResData();
    // A hit whose fork size cannot be read is not listed, as in the walk per pair.
    uint64_t forkSize = 0;
    if (anyHit && ResFile::getResourceFileSizeOfPath(file.path, forkSize) != ResStatus::resNoErr)
        file.hits.clear();
    file.forkSize = int64_t(forkSize);
}

// Decides every file, telling `advance` how many are done at most kStepsPerPair times, however
// many files there are or pairs they are decided for: each report repaints the screen.
void decideFiles(FoundTree& tree, const SearchTargets& searched,
                 const std::vector<const UpdateSfntSetItem*>& sets,
                 const std::function<void(int64_t done, int64_t total)>& advance) {
    FolderChain chain(tree.folders);
    const int64_t total = int64_t(tree.files.size());
    int64_t step = 0;
    for (int64_t done = 1; done <= total; ++done) {
        FoundFile& file = tree.files[size_t(done - 1)];
        // The readers answer only that a file could not be read. One the process had no
        // descriptor or memory for is not known to be no font, so its decision is not trusted.
        const uint64_t shortfalls = platform::openShortfallCount();
        // A folder is opened again only for a file that is read.
        decideAllPairs(file, tree,
                       file.readsCompanion() ? chain.folder(file.folder, tree.incomplete) : nullptr,
                       searched, sets);
        if (platform::openShortfallCount() != shortfalls) tree.incomplete = true;
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
            const size_t slash =
                std::min(entry.item->subDirPath->find('/', start), entry.item->subDirPath->size());
            if (slash > start)
                entry.folders.push_back(entry.item->subDirPath->substr(start, slash - start));
            start = slash + 1;
        }
        keyed.push_back(std::move(entry));
    }
    const platform::TextCollator collator;
    std::stable_sort(keyed.begin(), keyed.end(), [&collator](const Keyed& a, const Keyed& b) {
        const size_t common = std::min(a.folders.size(), b.folders.size());
        for (size_t level = 0; level < common; ++level)
            if (const int order = collator.compare(a.folders[level], b.folders[level]); order != 0)
                return order < 0;
        if (a.folders.size() != b.folders.size()) return a.folders.size() < b.folders.size();
        return collator.compare(a.name, b.name) < 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        items[first + i] = std::move(keyed[i].item);
}

} // namespace

FontSearch::FontSearch(UpdateFontInfo* updateFontInfo, const UpdateSfntSetInfo* updateSfntSetInfo,
                       const UpdateTargetInfo* updateTargetInfo, std::string findTargetDirPath,
                       Progress progress)
    : updateFontInfo_(updateFontInfo), updateSfntSetInfo_(updateSfntSetInfo),
      updateTargetInfo_(updateTargetInfo), findTargetDirPath_(std::move(findTargetDirPath)),
      progress_(std::move(progress)) {}

int64_t FontSearch::progressMaximum(const UpdateSfntSetInfo* sets,
                                    const UpdateTargetInfo* targets) {
    if (!sets || !targets) return 0;
    return targets->countOfUpdateTargetItem() * sets->countOfUpdateSfntSetItem() * kStepsPerPair *
           2;
}

void FontSearch::report(int64_t count, std::optional<std::string> text) const {
    if (progress_) progress_(UpdateResult::updateResultWithCount(count, std::move(text), nullptr));
}

SearchStatus FontSearch::run() {
    using enum SearchStatus;
    if (!updateFontInfo_) return searchErrorInGeneralRange(-997);
    if (!updateSfntSetInfo_ || updateSfntSetInfo_->countOfUpdateSfntSetItem() == 0)
        return searchErrorInGeneralRange(-996);
    if (!updateTargetInfo_ || updateTargetInfo_->countOfUpdateTargetItem() == 0)
        return searchErrorInGeneralRange(-994);

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
    for (int64_t t = 0; t < targetCount; ++t)
        targets.push_back(updateTargetInfo_->updateTargetItemAtIndex(t));
    for (int64_t s = 0; s < setCount; ++s)
        sets.push_back(updateSfntSetInfo_->updateSfntSetItemAtIndex(s));
    const SearchTargets searched = searchTargets(targets, sets);

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
        std::optional<FoundTree> tree;
        for (int64_t t = 0; t < targetCount; ++t) {
            const UpdateTargetItem* target = targets[size_t(t)];
            if (!target) return searchErrorInGeneralRange(-993);
            for (int64_t s = 0; s < setCount; ++s) {
                const UpdateSfntSetItem* set = sets[size_t(s)];
                if (!set) return searchErrorInGeneralRange(-995);
                if (!set->oSfntData) return SearchErrorOldSfntData;
                if (!set->nSfntData) return SearchErrorNewSfntData;
                // A target that lacks a field cannot be searched for; it makes the walk fail.
                if (!UpdateTargetItem::checkPropertys(target)) return SearchErrorWalkFailed;
                if (!tree) {
                    tree.emplace();
                    if (!(standardFolders && isAbsent(folder)) && !collectFiles(folder, *tree))
                        return SearchErrorWalkFailed;
                    decideFiles(*tree, searched, sets, [&](int64_t done, int64_t total) {
                        reported = progress + done * folderSpan / total;
                        report(reported, std::nullopt);
                    });
                    if (tree->incomplete) return SearchErrorWalkFailed;
                }
                // An earlier pair of an equal target and set has listed its fonts already.
                if (!searched.decides(size_t(t), size_t(s))) continue;
                const int64_t growth = growthEstimate(*target, *set);
                for (const FoundFile& file : tree->files) {
                    if (!file.hit(size_t(t) * sets.size() + size_t(s))) continue;
                    if (!updateFontInfo_->addUpdateFontItem(UpdateFontItem::foundItem(
                            *target, file.path, tree->folders[file.folder].subPath, domain,
                            uint64_t(s), file.forkSize, growth)))
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
