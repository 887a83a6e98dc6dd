// Building updated fonts into an output folder for the authoring tools: all records of the
// check-target document at once, or the fonts found in a source folder one per step with a log.
// Source files are only read; only files at the output paths are removed and written.
#include "engine/UpdateManager.h"

#include "definition/UpdateSfntSetInfo.h"
#include "definition/UpdateTargetInfo.h"
#include "engine/FontSearch.h"
#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateContext.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#include <initializer_list>
#include <set>

namespace fu {

namespace {

std::optional<std::string> joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty()) return std::nullopt;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string nameOf(const std::string& path) { return platform::lastPathComponent(path); }

// Both paths canonical.
bool isWithin(const std::string& path, const std::string& folder) {
    return path == folder || folder == "/" || path.starts_with(folder + "/");
}

// The folder's canonical path when it is an existing folder.
std::optional<std::string> existingFolder(const std::string& path) {
    std::optional<std::string> canonical = platform::canonicalPath(path);
    if (!canonical || platform::itemTypeOf(*canonical) != platform::ItemType::Directory)
        return std::nullopt;
    return canonical;
}

bool outputTaken(const std::string& path) {
    return platform::macFileExists(path) || platform::macFileExists(platform::companionPath(path));
}

// Removes an earlier output and its companion. A folder in the way is never removed: it is not
// an output of ours and may hold anything.
bool removeOutput(const std::string& path) {
    const std::string companion = platform::companionPath(path);
    for (const std::string* item : {&path, &companion})
        if (platform::itemTypeOf(*item) == platform::ItemType::Directory) return false;
    if (platform::macFileExists(path)) return platform::removeMacItem(path) == platform::noErr;
    if (platform::macFileExists(companion))
        return platform::removeMacItem(companion) == platform::noErr;
    return true;
}

bool anyEmpty(std::initializer_list<const std::optional<std::string>*> texts) {
    for (const std::optional<std::string>* text : texts)
        if (!*text || (*text)->empty()) return true;
    return false;
}

// The found-font record a complete check-target record stands for; nullptr when it is not
// complete or matches no set of the definition.
std::unique_ptr<UpdateFontItem> fontOfRecord(const CheckTargetItem* record,
                                             const std::string& dstDirPath,
                                             const UpdateSfntSetInfo& sets) {
    if (!record || record->noSuitcase || record->resFileFail || !record->matchSfntData)
        return nullptr;
    if (anyEmpty({&record->fondResName, &record->japanFullName, &record->versStr,
                  &record->shortVersStr, &record->checksum, &record->filePath, &record->nVersStr,
                  &record->nSfntCDate, &record->nSfntMDate, &record->nFileCDate,
                  &record->nFileMDate, &record->nResMapInfo}))
        return nullptr;
    if (record->matchSfntSetIndex < 0 ||
        record->matchSfntSetIndex >= sets.countOfUpdateSfntSetItem())
        return nullptr;
    const std::optional<std::string> dstPath = joinPath(dstDirPath, nameOf(*record->filePath));
    if (!dstPath) return nullptr;
    auto font = std::make_unique<UpdateFontItem>();
    font->target = UpdateTarget::withTexts({.resName = *record->fondResName,
                                            .japanFullName = *record->japanFullName,
                                            .oVersStr = *record->shortVersStr,
                                            .checksum = *record->checksum,
                                            .nVersStr = *record->nVersStr,
                                            .nSfntCDate = *record->nSfntCDate,
                                            .nSfntMDate = *record->nSfntMDate,
                                            .nFileCDate = *record->nFileCDate,
                                            .nFileMDate = *record->nFileMDate,
                                            .nResMapInfo = *record->nResMapInfo});
    font->srcPath = *record->filePath;
    font->dstPath = *dstPath;
    font->pathDomain = kComputerDomain;
    font->sfntSetIndex = uint64_t(record->matchSfntSetIndex);
    font->reqUpdate = true;
    font->upSizeOfFile = 0;
    return font;
}

} // namespace

// ---- From the check-target document ----

bool UpdateManager::createNewFontWithDstDirPath(const std::string& dstDirPath) {
    if (dstDirPath.empty()) return false;
    UpdateContext* info = context;
    if (!info || !info->checkTargetInfo || info->checkTargetInfo->countOfCheckTargetItem() == 0 ||
        !info->updateSfntSetInfo || info->updateSfntSetInfo->countOfUpdateSfntSetItem() == 0)
        return false;
    const std::optional<std::string> outputFolder = existingFolder(dstDirPath);
    if (!outputFolder) return false;

    // Every record is checked before anything is removed or written, and no output may take the
    // place of a source (the folder holding the fonts) or of another record's output.
    std::vector<std::unique_ptr<UpdateFontItem>> fonts;
    std::set<std::string> sources, outputs;
    for (const auto& record : info->checkTargetInfo->checkTargetItems) {
        std::unique_ptr<UpdateFontItem> font =
            fontOfRecord(record.get(), dstDirPath, *info->updateSfntSetInfo);
        if (!font) return false;
        const std::optional<std::string> source = platform::canonicalPath(font->srcPath);
        if (!source || !outputs.insert(*outputFolder + "/" + nameOf(font->srcPath)).second)
            return false;
        sources.insert(*source);
        fonts.push_back(std::move(font));
    }
    for (const std::string& output : outputs)
        if (sources.contains(output)) return false;

    for (const auto& font : fonts) {
        (void)removeOutput(*font->dstPath); // a file still in the way makes the build fail
        if (FontUpdate::createNewFontOfUpdateFontItem(font.get(), info->updateSfntSetInfo.get()) !=
            ItemResult::StatusOK)
            return false;
    }
    return true;
}

// ---- The folder batch ----

void UpdateManager::addCreateFontLogText(const std::string& text) {
    if (!text.empty()) createFontLogText += text;
}

void UpdateManager::endCreateFont(const std::string& line) {
    addCreateFontLogText(line);
    createFontPending_ = false;
    if (createFontCompleteDelagete)
        createFontCompleteDelagete->createFontComplete(createFontLogText);
}

void UpdateManager::scheduleCreateFont() {
    createFontPending_ = true;
    if (createFontScheduler) createFontScheduler();
}

bool UpdateManager::createUserFontWithUpdateTargetInfo(
    const UpdateTargetInfo* updateTargetInfo, const std::string& srcDirPath,
    const std::string& dstDirPath, CreateFontCompleteDelegate* completeDelegate) {
    // A second batch would take over the first one's state in the middle of its run.
    if (createFontPending_) return false;
    createFontLogText.clear();
    createFontCompleteDelagete = completeDelegate;
    auto refuse = [this](const char* line) {
        addCreateFontLogText(line);
        return false;
    };
    constexpr const char* kBadOutputFolder = "[エラー] 生成先のフォルダが不正です。\n";
    if (srcDirPath.empty()) return refuse("[エラー] 読み出し元のフォルダが不正です。\n");
    if (dstDirPath.empty()) return refuse(kBadOutputFolder);
    // Outputs inside the source would be found and replaced by later runs, and sources inside
    // the output folder could be replaced by outputs: the two trees must be apart.
    const std::optional<std::string> outputFolder = existingFolder(dstDirPath);
    if (!outputFolder) return refuse(kBadOutputFolder);
    if (const std::optional<std::string> sourceFolder = platform::canonicalPath(srcDirPath);
        sourceFolder &&
        (isWithin(*outputFolder, *sourceFolder) || isWithin(*sourceFolder, *outputFolder)))
        return refuse(kBadOutputFolder);
    if (!updateTargetInfo || updateTargetInfo->countOfUpdateTargetItem() == 0)
        return refuse("[エラー] 対象フォント情報が不正です。\n");
    UpdateContext* info = context;
    if (!info || !info->updateSfntSetInfo ||
        info->updateSfntSetInfo->countOfUpdateSfntSetItem() == 0)
        return refuse("[エラー] アップデート用sfntデータが取得できません。\n");
    auto found = std::make_unique<UpdateFontInfo>();
    // The delegate belongs to whichever screen set it last; the batch reports through its log.
    if (FontSearch(found.get(), info->updateSfntSetInfo.get(), updateTargetInfo, srcDirPath, {})
            .run() != SearchStatus::StatusOK)
        return refuse("[エラー] フォントの検索でエラーが発生しました。\n");

    createFontLogText.clear();
    createFontIndex = 0;
    createFontUpdateFontInfo = std::move(found);
    createFontDstDirPath = dstDirPath;
    createFontPending_ = true;
    createFont();
    return true;
}

void UpdateManager::createFont() {
    if (!createFontPending_) return;
    createFontPending_ = false;
    if (!createFontUpdateFontInfo)
        return endCreateFont("[エラー] アップデートフォント情報がありません。\n");
    if (createFontUpdateFontInfo->countOfUpdateFontItemAll() == 0)
        return endCreateFont("[終了] アップデートが必要なフォントはみつかりませんでした。\n");
    if (createFontIndex >= createFontUpdateFontInfo->countOfUpdateFontItemAll()) {
        addCreateFontLogText("[終了]\n");
        // Paths read from the file system may be decomposed; the reader gets composed text.
        if (createFontCompleteDelagete)
            createFontCompleteDelagete->createFontComplete(
                platform::toNFC(createFontLogText).value_or(createFontLogText));
        return;
    }
    UpdateContext* info = context;
    if (!info || !info->updateSfntSetInfo ||
        info->updateSfntSetInfo->countOfUpdateSfntSetItem() == 0)
        return endCreateFont("[エラー] アップデート用sfntデータがみつかりません。\n");
    UpdateFontItem* font = createFontUpdateFontInfo->updateFontItemAtIndex(createFontIndex);
    if (!font)
        return endCreateFont("[エラー] 収集したアップデート対象フォントの情報が不正です。\n");
    const std::string& dst = createFontDstDirPath;
    const std::string name = nameOf(font->srcPath);
    if (name.empty())
        return endCreateFont("[エラー] ファイル名の取得に失敗しました。（読込元：" + font->srcPath +
                             "）\n");

    // The output keeps the font's place in the source tree.
    std::optional<std::string> path;
    if (font->subDirPath && !font->subDirPath->empty()) {
        const std::optional<std::string> folder = joinPath(dst, *font->subDirPath);
        if (!folder)
            return endCreateFont("[エラー] フォルダパスが作成できません。（親：" + dst + " , 子：" +
                                 font->srcPath + "）\n");
        path = joinPath(*folder, name);
        if (!path)
            return endCreateFont("[エラー] ファイル名が取得できません。（パス：" + *folder +
                                 "）\n");
        // A link among the output's subfolders must not lead the output out of its folder.
        const std::optional<std::string> outputFolder = existingFolder(dst);
        std::optional<std::string> made;
        if (outputFolder &&
            FontUpdate::makeSubDirectroryWithPath(*font->subDirPath, dst) == ItemResult::StatusOK)
            made = existingFolder(*folder);
        if (!made || !isWithin(*made, *outputFolder))
            return endCreateFont("[エラー] 子フォルダが作成できません。（親：" + dst + " , 子：" +
                                 font->srcPath + "）\n");
    } else {
        path = joinPath(dst, name);
        if (!path)
            return endCreateFont("[エラー] フォルダパスが作成できません。（親：" + dst + " , 名：" +
                                 name + "）\n");
    }

    font->dstPath = *path;
    if (outputTaken(*path) && !removeOutput(*path)) {
        // Skipped, not the end: the other fonts are still built and the batch ends as usual.
        addCreateFontLogText("[エラー] 出力先のファイルが削除できません。（出力先：" + *path +
                             "）\n");
    } else if (FontUpdate::createNewFontOfUpdateFontItem(font, info->updateSfntSetInfo.get()) ==
               ItemResult::StatusOK) {
        addCreateFontLogText("[成功] " + font->srcPath + " ＝＞ " + *path + "\n");
    } else {
        addCreateFontLogText("[エラー] フォントの生成に失敗しました。（読込元：" + font->srcPath +
                             "）\n");
    }
    ++createFontIndex;
    scheduleCreateFont();
}

} // namespace fu
