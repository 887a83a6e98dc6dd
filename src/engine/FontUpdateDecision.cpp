// Whether a suitcase is a given font at the version an update replaces. Reading only: nothing
// here changes a file or a loaded model's data beyond loading it on demand.
#include "engine/FontUpdate.h"

#include "base/ByteReader.h"
#include "definition/UpdateTarget.h"
#include "engine/FontResources.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"
#include "sfnt/SfntTableName.h"
#include "sfnt/Tools.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResFile.h"

#include <atomic>
#include <initializer_list>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>

namespace fu {
namespace {

constexpr int16_t kYes = 1;
constexpr int16_t kNo = 0;
constexpr int16_t kUndecided = -1;

// The suffix an automatic raise puts in parentheses, as the text an updated font carries.
std::string suffixMark(std::string_view suffix) { return "(" + std::string(suffix) + ")"; }

// The two strings of a 'vers' resource as text. nullopt with `answer` set: the resource
// does not read (-1), a string is empty (0, the version counts as missing) or the short
// string does not decode (-1).
struct VersTexts {
    std::string shortText;
    PascalString longString{};
};

std::optional<VersTexts> readVersTexts(ResItem* versResItem, int16_t& answer) {
    VersResHeader header;
    VersTexts texts;
    PascalString shortString{};
    if (!readVersResItem(versResItem, header, shortString, texts.longString)) {
        answer = kUndecided;
        return std::nullopt;
    }
    if (shortString[0] == 0 || texts.longString[0] == 0) {
        answer = kNo;
        return std::nullopt;
    }
    std::optional<std::string> decoded = platform::shiftJisToUtf8(pascalStringBytes(shortString));
    if (!decoded) {
        answer = kUndecided;
        return std::nullopt;
    }
    texts.shortText = std::move(*decoded);
    return texts;
}

std::atomic<uint64_t> resourceReads{0};

// Asks `test` of every resource of the type in map order: the first 1 wins; a missing item or
// an undecided resource ends the walk with -1, or with 0 when `undecidedIsNo`.
template <typename Test>
int16_t overAllResources(ResFile& resFile, uint32_t resType, bool undecidedIsNo, Test test) {
    // A map may name one large record from any number of references. A test sees only the
    // reference's name and the bytes it leads to, so a reference with the name and the place of
    // one already refused is refused unread: each record is read once however often it is
    // named. What the test loaded is dropped at once, which keeps the walk at one resource's
    // bytes; data held before (set by a caller) may differ from the file and is always asked.
    using Place = std::tuple<std::string_view, uint32_t, uint32_t, std::optional<std::string_view>>;
    std::set<Place> refused;
    const int64_t count = resFile.countOfResType(resType);
    for (int64_t index = 0; index < count; ++index) {
        ResItem* item = resFile.resItemByIndex(index, resType);
        if (!item) return kUndecided;
        const bool held = item->hasResData();
        std::optional<Place> place;
        if (!held) {
            place.emplace(item->resDataFilePath, item->resDataFileOffset, item->resDataLength,
                          item->resName ? std::optional<std::string_view>(*item->resName)
                                        : std::nullopt);
            if (refused.contains(*place)) continue;
        }
        const int16_t answer = test(item);
        if (!held && item->hasResData()) {
            resourceReads.fetch_add(1, std::memory_order_relaxed);
            item->freeResData();
        }
        if (answer == kYes) return kYes;
        if (answer != kNo) return undecidedIsNo ? kNo : kUndecided;
        if (place) refused.insert(*place);
    }
    return kNo;
}

// The text of the last name-ID-5 record; a record that does not decode leaves no text.
// nullopt with `missing` set when a record is missing.
std::optional<std::string> lastVersionNameText(const SfntTableName& table, bool& missing) {
    missing = false;
    std::optional<std::string> text;
    for (int64_t index = 0; index < table.countOfNameItem(); ++index) {
        const SfntTableNameItem* item = table.nameItemAtIndex(index);
        if (!item) {
            missing = true;
            return std::nullopt;
        }
        if (item->nameID == kVersionNameID) text = item->nameString();
    }
    if (text && text->empty()) return std::nullopt;
    return text;
}

bool anyEmpty(std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts)
        if (text.empty()) return true;
    return false;
}

// The fields a decision reads.
bool decisionFieldsMissing(const UpdateTarget& target) {
    return anyEmpty(
        {target.resName, target.japanFullName, target.oVersStr, target.nVersStr, target.checksum});
}

// Whether a 'vers' resource is below the new version, from the new version's parsed forms: a
// raise (with the suffix that marks fonts already raised) or an explicit version's value.
int16_t versBelowNewVersion(bool raise, std::string_view suffix, uint64_t newValue,
                            ResItem* versResItem) {
    if (raise) {
        if (suffix.empty()) return kYes; // raising applies to any version
        int16_t answer = kNo;
        const std::optional<VersTexts> texts = readVersTexts(versResItem, answer);
        if (!texts) return answer;
        // A font that already carries the suffix has had this update.
        return texts->shortText.find(suffixMark(suffix)) == std::string::npos ? kYes : kNo;
    }
    if (newValue == 0) return kUndecided;
    int16_t answer = kNo;
    const std::optional<VersTexts> texts = readVersTexts(versResItem, answer);
    if (!texts) return answer;
    const std::optional<std::string> number =
        Tools::versNumberStringFromVersString(texts->shortText);
    if (!number) return kNo;
    const uint64_t installedValue = Tools::versFromVersString(*number);
    if (installedValue == 0) return kNo;
    return installedValue < newValue ? kYes : kNo;
}

// The same for the version records of a 'name' table.
int16_t namesBelowNewVersion(bool raise, std::string_view suffix, uint64_t newValue,
                             const SfntTableName& sfntTableName) {
    if (raise && suffix.empty()) return kYes;
    if (!raise && newValue == 0) return kUndecided;
    if (sfntTableName.countOfNameItem() == 0) return kNo;

    bool missing = false;
    const std::optional<std::string> text = lastVersionNameText(sfntTableName, missing);
    if (missing) return kUndecided;
    if (!text) return kNo;
    if (raise) return text->find(suffixMark(suffix)) == std::string::npos ? kYes : kNo;

    const std::optional<std::string> number = Tools::versNumberStringFromVersString(*text);
    if (!number) return kNo;
    const uint64_t installedValue = Tools::versFromVersString(*number);
    if (installedValue == 0) return kUndecided;
    return installedValue < newValue ? kYes : kNo;
}

// The new version's parsed forms from its text, for the functions that take the text alone.
struct NewVersion {
    bool raise;
    std::string_view suffix;
    uint64_t value;
};
NewVersion newVersionOfText(std::string_view newShortVersString) {
    if (isAutomaticRaise(newShortVersString)) return {true, newShortVersString.substr(1), 0};
    return {false, {}, Tools::versFromVersString(newShortVersString)};
}

} // namespace

// ---- File and resource level ----

uint64_t FontUpdate::decisionResourceReads() {
    return resourceReads.load(std::memory_order_relaxed);
}

int16_t FontUpdate::updateNeedResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                      const std::string& filePath) {
    if (decisionFieldsMissing(target) || filePath.empty() || !oldSfntData) return kUndecided;
    if (!ResFile::chekSuitcaseFile(filePath)) return kNo;

    // The census reads the map alone, so most files are turned away without loading any data.
    int64_t fondCount = 0, sfntCount = 0, versCount = 0;
    if (ResFile::checkSuitcaseFontResName(target.resName, filePath, fondCount, sfntCount,
                                          versCount) != ResStatus::resNoErr)
        return kUndecided;
    if (fondCount == 0 || sfntCount == 0 || versCount == 0) return kNo;

    std::unique_ptr<ResFile> resFile = ResFile::initOfContentFile(filePath);
    if (!resFile || resFile->loadStatus != ResStatus::resNoErr) return kUndecided;
    const int16_t answer = updateNeedResName(target, oldSfntData, *resFile);
    resFile->freeAllResData();
    return answer;
}

int16_t FontUpdate::updateNeedResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                      ResFile& resFile) {
    if (decisionFieldsMissing(target) || !oldSfntData) return kUndecided;
    const int16_t version = target.anyOldVersion
                                ? overAllResources(resFile, kVersType, false,
                                                   [&](ResItem* item) {
                                                       return versBelowNewVersion(
                                                           target.raisesVersion, target.raiseSuffix,
                                                           target.newVersValue, item);
                                                   })
                                : updateNeedOldShortVersString(target.oVersStr, resFile);
    if (version != kYes) return kNo;
    if (updateNeedFondNameString(target.resName, resFile) != kYes) return kNo;
    const int16_t sfnt = updateNeedSfntResName(target, oldSfntData, resFile);
    return sfnt == kYes ? kYes : kNo;
}

int16_t FontUpdate::updateNeedOldShortVersString(const std::string& oldShortVersString,
                                                 ResFile& resFile) {
    return overAllResources(resFile, kVersType, false, [&](ResItem* item) {
        return updateNeedOldShortVersString(oldShortVersString, item);
    });
}

int16_t FontUpdate::updateNeedNewShortVersString(const std::string& newShortVersString,
                                                 ResFile& resFile) {
    return overAllResources(resFile, kVersType, false, [&](ResItem* item) {
        return updateNeedNewShortVersString(newShortVersString, item);
    });
}

int16_t FontUpdate::updateNeedFondNameString(const std::string& resName, ResFile& resFile) {
    // An unnamed family record is not this font, and says nothing about the others.
    return overAllResources(resFile, kFondType, true,
                            [&](ResItem* item) { return updateNeedFondNameString(resName, item); });
}

int16_t FontUpdate::updateNeedSfntResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                          ResFile& resFile) {
    return overAllResources(resFile, kSfntType, false, [&](ResItem* item) {
        return updateNeedSfntResName(target, oldSfntData, item);
    });
}

// ---- One resource ----

int16_t FontUpdate::updateNeedOldShortVersString(const std::string& oldShortVersString,
                                                 ResItem* versResItem) {
    if (oldShortVersString.empty() || !Tools::versNumberStringFromVersString(oldShortVersString))
        return kUndecided;
    int16_t answer = kNo;
    const std::optional<VersTexts> texts = readVersTexts(versResItem, answer);
    if (!texts) return answer;
    if (texts->shortText != oldShortVersString) return kNo;
    const std::optional<std::string> longText =
        platform::shiftJisToUtf8(pascalStringBytes(texts->longString));
    if (!longText) return kUndecided;
    return longText->starts_with(oldShortVersString + ",") ? kYes : kNo;
}

int16_t FontUpdate::updateNeedNewShortVersString(const std::string& newShortVersString,
                                                 ResItem* versResItem) {
    const NewVersion version = newVersionOfText(newShortVersString);
    return versBelowNewVersion(version.raise, version.suffix, version.value, versResItem);
}

int16_t FontUpdate::updateNeedFondNameString(const std::string& resName, ResItem* fondResItem) {
    if (resName.empty() || !fondResItem || !fondResItem->resName) return kUndecided;
    return *fondResItem->resName == resName ? kYes : kNo;
}

int16_t FontUpdate::updateNeedSfntResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                          ResItem* sfntResItem) {
    if (decisionFieldsMissing(target) || !oldSfntData || oldSfntData->countOfSfntTable() == 0 ||
        !sfntResItem)
        return kUndecided;
    if (sfntResItem->resName != target.resName) return kNo;

    const Bytes* data = sfntResItem->resData();
    if (!data) return kUndecided;
    // Read in place: the font is gone before anything can change the item's bytes.
    const std::unique_ptr<SfntData> font = SfntData::initWithSfntDataNoCopy(*data);
    if (!font) return kUndecided;
    return updateNeedSfntResName(target, oldSfntData, *font);
}

int16_t FontUpdate::updateNeedSfntResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                          const SfntData& sfntData) {
    if (decisionFieldsMissing(target) || !oldSfntData || oldSfntData->countOfSfntTable() == 0)
        return kUndecided;
    const SfntData* font = &sfntData;
    if (font->countOfSfntTable() == 0) return kUndecided;

    if (!target.anyChecksum) {
        const SfntTable* head = font->tableForTag(kHeadTag);
        uint32_t adjustment = 0;
        if (!head || head->tableData.empty() ||
            !ByteReader(head->tableData).u32At(kHeadCheckSumAdjustmentOffset, adjustment))
            return kUndecided;
        if (!target.checkSumAdjustment || *target.checkSumAdjustment != adjustment) return kNo;
    }

    const SfntTable* nameTable = font->tableForTag(kNameTag);
    if (!nameTable) return kUndecided;
    const std::unique_ptr<SfntTableName> names =
        SfntTableName::initWithNameData(nameTable->tableData);
    if (!names) return kUndecided;

    if (const int16_t fullName =
            updateNeedNameJapanFullNameString(target.japanFullName, names.get());
        fullName != kYes)
        return fullName;
    const int16_t version = target.anyOldVersion
                                ? namesBelowNewVersion(target.raisesVersion, target.raiseSuffix,
                                                       target.newVersValue, *names)
                                : updateNeedNameOldShortVersString(target.oVersStr, names.get());
    if (version != kYes) return version;
    return updateNeedCheckMatchOldSfntData(oldSfntData, font);
}

// ---- 'name' records and tables ----

int16_t FontUpdate::updateNeedNameJapanFullNameString(const std::string& japanFullName,
                                                      const SfntTableName* sfntTableName) {
    if (japanFullName.empty() || !sfntTableName) return kUndecided;
    for (const SfntTableNameItem& item : sfntTableName->nameItems) {
        if (item.platformID != kMacintoshPlatform ||
            item.platformSpecificID != kMacJapaneseEncoding || item.nameID != kFullNameID)
            continue;
        const std::optional<std::string> text = item.nameString();
        if (!text) return kUndecided;
        if (*text != japanFullName) return kNo;
    }
    return kYes;
}

int16_t FontUpdate::updateNeedNameOldShortVersString(const std::string& oldShortVersString,
                                                     const SfntTableName* sfntTableName) {
    if (oldShortVersString.empty() || !sfntTableName) return kUndecided;
    const std::string expected = "Version " + oldShortVersString;
    for (const SfntTableNameItem& item : sfntTableName->nameItems) {
        if (item.nameID != kVersionNameID) continue;
        const std::optional<std::string> text = item.nameString();
        if (!text) return kUndecided;
        if (*text != expected) return kNo;
    }
    return kYes;
}

int16_t FontUpdate::updateNeedNameNewShortVersString(const std::string& newShortVersString,
                                                     const SfntTableName* sfntTableName) {
    if (newShortVersString.empty() || !sfntTableName) return kUndecided;
    const NewVersion version = newVersionOfText(newShortVersString);
    return namesBelowNewVersion(version.raise, version.suffix, version.value, *sfntTableName);
}

int16_t FontUpdate::updateNeedCheckMatchOldSfntData(const SfntData* oldSfntData,
                                                    const SfntData* sfntData) {
    if (!oldSfntData || !sfntData) return kNo;
    for (const SfntTable& oldTable : oldSfntData->tables) {
        if (oldTable.tag == 0) return kUndecided;
        const SfntTable* fontTable = sfntData->tableForTag(oldTable.tag);
        if (!fontTable || !fontTable->isEqualToTableData(&oldTable)) return kNo;
    }
    return kYes;
}

} // namespace fu
