// What a suitcase holds, as the authoring tools record it: names, versions, 'head' values,
// fingerprints, and which set of the definition it matches, old or new. Reading only.
#include "engine/FontUpdate.h"

#include "base/ByteReader.h"
#include "base/Hex.h"
#include "definition/UpdateSfntSetInfo.h"
#include "engine/FontResources.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"
#include "sfnt/SfntTableName.h"
#include "sfnt/Tools.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResFile.h"
#include "tools/CheckTargetInfo.h"

namespace fu {
namespace {

constexpr int16_t kDone = 0;
constexpr int16_t kFailed = -1;

std::optional<std::string> nonEmpty(std::optional<std::string> text) {
    if (text && text->empty()) return std::nullopt;
    return text;
}

std::optional<std::string> pascalText(const PascalString& string) {
    return nonEmpty(platform::shiftJisToUtf8(pascalStringBytes(string)));
}

std::optional<std::string> japaneseName(SfntTableName& names, uint16_t nameID) {
    const SfntTableNameItem* record = names.nameItemAtPlatformID(
        kMacintoshPlatform, kMacJapaneseEncoding, kJapaneseLanguage, nameID);
    return record ? nonEmpty(record->nameString()) : std::nullopt;
}

std::optional<std::string> headDateText(const SfntTable& head, size_t offset) {
    ByteReader reader(head.tableData);
    int64_t longDateTime = 0;
    if (!reader.seek(offset) || !reader.readI64(longDateTime)) return std::nullopt;
    return Tools::dateStringFromLongDateTime(longDateTime);
}

// A set's tables all found, byte for byte, in the font. Tables of no set match nothing (an empty
// list would otherwise be found in every font).
bool holdsTables(const SfntData* setTables, const SfntData* font) {
    return setTables && setTables->countOfSfntTable() > 0 &&
           FontUpdate::updateNeedCheckMatchOldSfntData(setTables, font) == 1;
}

// What a re-inspection refreshes. multiVers stays: the 'vers' step only ever sets it.
void clearInspectedFields(CheckTargetItem& item) {
    for (std::optional<std::string>* text :
         {&item.fondResName, &item.sfntResName, &item.japanFullName, &item.versStr,
          &item.shortVersStr, &item.longVersStr, &item.sfntVersStr, &item.checksum,
          &item.japanCopyright, &item.sfntCDate, &item.sfntMDate, &item.fileCDate, &item.fileMDate,
          &item.resMapInfo, &item.versMD5, &item.fondMD5, &item.sfntMD5})
        text->reset();
    item.resFileFail = item.noSuitcase = item.multiFond = item.multiSfnt = item.matchSfntData =
        false;
    item.matchSfntSetIndex = 0;
}

// The file's resource map as text, or nothing when its fork has no readable map.
std::optional<std::string> mapInfoOf(const std::string& path) {
    return nonEmpty(ResFile::resourceMapInfoStringOfPath(path));
}

// Matches the record against the sets' old tables in order until one matches.
int16_t inspectAgainstSets(CheckTargetItem& item, const UpdateSfntSetInfo& sets,
                           const std::string& path) {
    int16_t answer = kDone;
    for (int64_t index = 0; index < sets.countOfUpdateSfntSetItem(); ++index) {
        const UpdateSfntSetItem* set = sets.updateSfntSetItemAtIndex(index);
        answer = FontUpdate::setCheckTargetItem(&item, set ? set->oSfntData.get() : nullptr, path);
        if (answer != kDone) return answer;
        if (item.matchSfntData) {
            item.matchSfntSetIndex = index;
            break;
        }
    }
    return answer;
}

} // namespace

// ---- One file ----

int16_t FontUpdate::setCheckTargetItem(CheckTargetItem* item, const SfntData* oldSfntData,
                                       const std::string& filePath) {
    if (!item || !oldSfntData || filePath.empty()) return kFailed;
    if (!ResFile::chekSuitcaseFile(filePath)) {
        item->noSuitcase = true;
        return kDone;
    }
    std::unique_ptr<ResFile> resFile = ResFile::initOfContentFile(filePath);
    if (!resFile) {
        item->resFileFail = true;
        return kDone;
    }
    if (resFile->loadStatus != ResStatus::resNoErr) return kFailed;
    const int16_t answer = setCheckTargetItem(item, oldSfntData, *resFile);
    resFile->freeAllResData();
    return answer;
}

int16_t FontUpdate::setCheckTargetItem(CheckTargetItem* item, const SfntData* oldSfntData,
                                       ResFile& resFile) {
    if (!item || !oldSfntData) return kFailed;
    if (setVersWithCheckTargetItem(item, resFile) != kDone ||
        setFondResNameWithCheckTargetItem(item, resFile) != kDone ||
        setSfntResInfoWithCheckTargetItem(item, oldSfntData, resFile) != kDone)
        return kFailed;
    item->fileCDate = Tools::dateStringFromDate(resFile.createDate());
    item->fileMDate = Tools::dateStringFromDate(resFile.modifyDate());
    return kDone;
}

int16_t FontUpdate::setVersWithCheckTargetItem(CheckTargetItem* item, ResFile& resFile) {
    if (!item) return kFailed;
    item->versStr.reset();
    item->shortVersStr.reset();
    item->longVersStr.reset();
    const int64_t count = resFile.countOfResType(kVersType);
    if (count > 1) item->multiVers = true;
    if (count != 1) return kDone;
    ResItem* vers = resFile.resItemByResType(kVersType, kVersResID);
    if (!vers) return kDone;
    const Bytes* data = vers->resData();
    if (!data) return kFailed;
    item->versMD5 = Tools::md5StringFromDatePtr(*data);
    VersResHeader header;
    PascalString shortString{}, longString{};
    // A record too short for its strings says nothing about the version; the fields stay nil.
    if (!readVersResItem(vers, header, shortString, longString)) return kDone;
    item->versStr = std::to_string(header.major) + '.' + std::to_string(header.minor) + '.' +
                    std::to_string(header.bugFix);
    item->shortVersStr = pascalText(shortString);
    item->longVersStr = pascalText(longString);
    return kDone;
}

int16_t FontUpdate::setFondResNameWithCheckTargetItem(CheckTargetItem* item, ResFile& resFile) {
    if (!item) return kFailed;
    item->fondResName.reset();
    item->fondMD5.reset();
    const int64_t count = resFile.countOfResType(kFondType);
    if (count > 1) item->multiFond = true;
    if (count != 1) return kDone;
    ResItem* fond = resFile.resItemByIndex(0, kFondType);
    const Bytes* data = fond ? fond->resData() : nullptr;
    if (!data) return kFailed;
    item->fondMD5 = Tools::md5StringFromDatePtr(*data);
    item->fondResName = nonEmpty(fond->resName.optional());
    return kDone;
}

int16_t FontUpdate::setSfntResInfoWithCheckTargetItem(CheckTargetItem* item,
                                                      const SfntData* oldSfntData,
                                                      ResFile& resFile) {
    if (!item) return kFailed;
    for (std::optional<std::string>* text :
         {&item->sfntResName, &item->japanFullName, &item->sfntVersStr, &item->checksum,
          &item->japanCopyright, &item->sfntCDate, &item->sfntMDate, &item->sfntMD5})
        text->reset();
    item->multiSfnt = item->matchSfntData = false;
    item->matchSfntSetIndex = 0;
    const int64_t count = resFile.countOfResType(kSfntType);
    if (count > 1) item->multiSfnt = true;
    if (count != 1) return kDone;
    ResItem* sfnt = resFile.resItemByIndex(0, kSfntType);
    const Bytes* data = sfnt ? sfnt->resData() : nullptr;
    if (!data) return kFailed;
    item->sfntMD5 = Tools::md5StringFromDatePtr(*data);
    item->sfntResName = nonEmpty(sfnt->resName.optional());

    const std::unique_ptr<SfntData> font = SfntData::initWithSfntDataNoCopy(*data);
    if (!font) return kDone;
    if (const SfntTable* head = font->tableForTag(kHeadTag)) {
        uint32_t adjustment = 0;
        if (ByteReader(head->tableData).u32At(kHeadCheckSumAdjustmentOffset, adjustment))
            item->checksum = hexNumber(adjustment, 8);
        item->sfntCDate = headDateText(*head, kHeadCreatedOffset);
        item->sfntMDate = headDateText(*head, kHeadModifiedOffset);
    }
    if (const SfntTable* nameTable = font->tableForTag(kNameTag))
        if (const auto names = SfntTableName::initWithNameData(nameTable->tableData)) {
            item->japanCopyright = japaneseName(*names, kCopyrightNameID);
            item->japanFullName = japaneseName(*names, kFullNameID);
            item->sfntVersStr = japaneseName(*names, kVersionNameID);
        }
    item->matchSfntData = holdsTables(oldSfntData, font.get());
    return kDone;
}

// ---- Lists ----

int16_t FontUpdate::setCheckTargetInfo(CheckTargetInfo* checkTargetInfo,
                                       const UpdateSfntSetInfo* updateSfntSetInfo,
                                       const std::string& filePath) {
    if (!checkTargetInfo || filePath.empty()) return kFailed;
    if (!updateSfntSetInfo || updateSfntSetInfo->countOfUpdateSfntSetItem() == 0) return kDone;
    const std::optional<std::string> mapInfo = mapInfoOf(filePath);
    if (!mapInfo) return kFailed;
    std::unique_ptr<CheckTargetItem> item;
    int16_t answer = kDone;
    for (int64_t index = 0; index < updateSfntSetInfo->countOfUpdateSfntSetItem(); ++index) {
        item = std::make_unique<CheckTargetItem>();
        item->resMapInfo = item->nResMapInfo = mapInfo;
        const UpdateSfntSetItem* set = updateSfntSetInfo->updateSfntSetItemAtIndex(index);
        answer = setCheckTargetItem(item.get(), set ? set->oSfntData.get() : nullptr, filePath);
        if (answer != kDone) return answer;
        if (item->matchSfntData) {
            item->matchSfntSetIndex = index;
            break;
        }
    }
    item->filePath = filePath;
    // Whether the file is already updated is extra information; the record stands without it.
    (void)updateNewSfntDataValueWithCheckTargetItem(item.get(), updateSfntSetInfo);
    (void)checkTargetInfo->addCheckTargetItem(std::move(item));
    return answer;
}

int16_t FontUpdate::updateCheckTargetInfo(CheckTargetInfo* checkTargetInfo,
                                          const UpdateSfntSetInfo* updateSfntSetInfo) {
    if (!checkTargetInfo || !updateSfntSetInfo) return kFailed;
    // One record that cannot be read does not keep the others from being refreshed.
    int16_t answer = kDone;
    for (const auto& item : checkTargetInfo->checkTargetItems) {
        if (!item->filePath || item->filePath->empty()) {
            answer = kFailed;
            continue;
        }
        clearInspectedFields(*item);
        const std::optional<std::string> mapInfo = mapInfoOf(*item->filePath);
        if (!mapInfo) {
            answer = kFailed;
            continue;
        }
        item->resMapInfo = item->nResMapInfo = mapInfo;
        if (inspectAgainstSets(*item, *updateSfntSetInfo, *item->filePath) != kDone)
            answer = kFailed;
    }
    if (updateNewSfntDataValueWithCheckTargetInfo(checkTargetInfo, updateSfntSetInfo) != kDone)
        answer = kFailed;
    return answer;
}

int16_t
FontUpdate::updateNewSfntDataValueWithCheckTargetInfo(CheckTargetInfo* checkTargetInfo,
                                                      const UpdateSfntSetInfo* updateSfntSetInfo) {
    if (!checkTargetInfo || !updateSfntSetInfo) return kFailed;
    int16_t answer = kDone;
    for (const auto& item : checkTargetInfo->checkTargetItems)
        if (updateNewSfntDataValueWithCheckTargetItem(item.get(), updateSfntSetInfo) != kDone)
            answer = kFailed;
    return answer;
}

int16_t
FontUpdate::updateNewSfntDataValueWithCheckTargetItem(CheckTargetItem* item,
                                                      const UpdateSfntSetInfo* updateSfntSetInfo) {
    if (!item || !updateSfntSetInfo || !item->filePath || item->filePath->empty()) return kFailed;
    item->matchNewSfntData = false;
    item->matchNewSfntSetIndex = 0;
    const std::string& path = *item->filePath;
    if (updateSfntSetInfo->countOfUpdateSfntSetItem() == 0 || !ResFile::chekSuitcaseFile(path))
        return kDone;
    // One load for every set.
    std::unique_ptr<ResFile> resFile = ResFile::initOfContentFile(path);
    if (!resFile || resFile->loadStatus != ResStatus::resNoErr) return kFailed;
    int16_t answer = kDone;
    for (int64_t index = 0; index < updateSfntSetInfo->countOfUpdateSfntSetItem(); ++index) {
        const UpdateSfntSetItem* set = updateSfntSetInfo->updateSfntSetItemAtIndex(index);
        answer = updateNewSfntDataValueWithCheckTargetItem(
            item, set ? set->nSfntData.get() : nullptr, *resFile);
        if (answer != kDone) break;
        if (item->matchNewSfntData) {
            item->matchNewSfntSetIndex = index;
            break;
        }
    }
    resFile->freeAllResData();
    return answer;
}

int16_t FontUpdate::updateNewSfntDataValueWithCheckTargetItem(CheckTargetItem* item,
                                                              const SfntData* newSfntData,
                                                              const std::string& filePath) {
    if (!item || !newSfntData || filePath.empty()) return kFailed;
    item->matchNewSfntData = false;
    if (!ResFile::chekSuitcaseFile(filePath)) return kDone;
    std::unique_ptr<ResFile> resFile = ResFile::initOfContentFile(filePath);
    if (!resFile || resFile->loadStatus != ResStatus::resNoErr) return kFailed;
    const int16_t answer = updateNewSfntDataValueWithCheckTargetItem(item, newSfntData, *resFile);
    resFile->freeAllResData();
    return answer;
}

int16_t FontUpdate::updateNewSfntDataValueWithCheckTargetItem(CheckTargetItem* item,
                                                              const SfntData* newSfntData,
                                                              ResFile& resFile) {
    if (!item || !newSfntData) return kFailed;
    item->matchNewSfntData = false;
    // Only a file with a single font can be said to be that font.
    if (resFile.countOfResType(kSfntType) != 1) return kDone;
    ResItem* sfnt = resFile.resItemByIndex(0, kSfntType);
    const Bytes* data = sfnt ? sfnt->resData() : nullptr;
    if (!data) return kFailed;
    const std::unique_ptr<SfntData> font = SfntData::initWithSfntDataNoCopy(*data);
    item->matchNewSfntData = font && holdsTables(newSfntData, font.get());
    return kDone;
}

} // namespace fu
