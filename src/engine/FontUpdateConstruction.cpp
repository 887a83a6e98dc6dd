// Building the updated suitcase: the 'vers' numbers and strings raised, the 'name' version
// strings rewritten, the set's tables swapped and the sfnt rebuilt with the new dates, each
// change re-checked with the update decision before the new file is written. The source file
// is only read.
#include "engine/FontUpdate.h"

#include "definition/UpdateTarget.h"
#include "engine/FontResources.h"
#include "engine/StatusCodes.h"
#include "platform/MacFiles.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"
#include "sfnt/SfntTableName.h"
#include "sfnt/Tools.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResFile.h"

#include <charconv>
#include <initializer_list>
#include <limits>
#include <string_view>

namespace fu {
namespace {

constexpr size_t kPascalStringMax = 255; // the length byte of a 'vers' string

bool anyEmpty(std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts)
        if (text.empty()) return true;
    return false;
}

// The installed version text with its number raised and the update's suffix appended:
// "1.0.1" with suffix ABC gives "1.0.2 (ABC)", "Version 1.0.9" gives "Version 1.0.10 (ABC)".
std::optional<std::string> raisedVersionText(const std::string& installed,
                                             std::string_view suffix) {
    const std::optional<std::string> number = Tools::versNumberStringFromVersString(installed);
    if (!number || number->empty()) return std::nullopt;
    const std::optional<std::string> raised = Tools::incrementVersString(*number);
    if (!raised || raised->empty()) return std::nullopt;
    std::optional<std::string> text = Tools::replaceOldShortVersNumStr(*number, *raised, installed);
    if (!text || text->empty()) return std::nullopt;
    if (!suffix.empty()) *text += " (" + std::string(suffix) + ")";
    return text;
}

// The decoded short string and the raw long string of a 'vers' resource whose strings are both
// present and whose short string decodes to non-empty text.
struct VersContents {
    VersResHeader header;
    std::string shortText;
    PascalString longString{};
};

std::optional<VersContents> readVersContents(ResItem* versResItem) {
    VersContents contents;
    PascalString shortString{};
    if (!readVersResItem(versResItem, contents.header, shortString, contents.longString) ||
        shortString[0] == 0 || contents.longString[0] == 0)
        return std::nullopt;
    std::optional<std::string> decoded = platform::shiftJisToUtf8(pascalStringBytes(shortString));
    if (!decoded || decoded->empty()) return std::nullopt;
    contents.shortText = std::move(*decoded);
    return contents;
}

// Shift_JIS bytes that fit a 'vers' string's length byte; nullopt otherwise, so an overlong
// version fails the build instead of being cut.
std::optional<Bytes> versStringBytes(const std::string& text) {
    std::optional<Bytes> bytes = platform::utf8ToShiftJis(text);
    if (!bytes || bytes->empty() || bytes->size() > kPascalStringMax) return std::nullopt;
    return bytes;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The new font of an 'sfnt' resource from the font read from its bytes: the name table's
// version records, then the set's tables, then the image with its dates, which becomes the
// resource's data. The font is consumed: its tables view the bytes that the image replaces.
bool rebuildArgumentsMissing(const UpdateTarget& target, const SfntData* oldSfntData,
                             const SfntData* newSfntData, const ResItem* sfntResItem) {
    return anyEmpty({target.resName, target.japanFullName, target.oVersStr, target.nVersStr,
                     target.nSfntCDate, target.nSfntMDate}) ||
           !oldSfntData || !newSfntData || oldSfntData->countOfSfntTable() == 0 ||
           oldSfntData->countOfSfntTable() != newSfntData->countOfSfntTable() || !sfntResItem ||
           sfntResItem->resName != target.resName;
}

ItemResult rebuildSfnt(const UpdateTarget& target, const SfntData* oldSfntData,
                       const SfntData* newSfntData, std::unique_ptr<SfntData> font,
                       ResItem& sfntResItem) {
    if (!font || rebuildArgumentsMissing(target, oldSfntData, newSfntData, &sfntResItem))
        return ItemResult::ItemFailed;

    SfntTable* nameTable = font->tableForTag(kNameTag);
    if (!nameTable) return ItemResult::ItemFailed;
    std::unique_ptr<SfntTableName> names = SfntTableName::initWithNameData(nameTable->tableData);
    if (!names || names->countOfNameItem() == 0) return ItemResult::ItemFailed;

    std::optional<std::string> version;
    if (!target.raisesVersion) {
        version = "Version " + target.nVersStr;
    } else {
        SfntTableNameItem* first = nullptr;
        for (SfntTableNameItem& item : names->nameItems) {
            if (item.nameID == kVersionNameID) {
                first = &item;
                break;
            }
        }
        const std::optional<std::string> installed = first ? first->nameString() : std::nullopt;
        if (!installed || installed->empty()) return ItemResult::ItemFailed;
        version = raisedVersionText(*installed, target.raiseSuffix);
        if (!version) return ItemResult::ItemFailed;
    }

    bool anyVersionRecord = false;
    for (SfntTableNameItem& item : names->nameItems) {
        if (item.nameID != kVersionNameID) continue;
        anyVersionRecord = true;
        if (!item.nameString()) return ItemResult::ItemFailed;
        // A record whose encoding cannot carry the text keeps its bytes; the re-check after the
        // rebuild then refuses the font.
        (void)item.setNameString(*version);
    }
    if (!anyVersionRecord) return ItemResult::StatusOK;
    if (!SfntTableName::setSfntTableName(*names, *nameTable)) return ItemResult::ItemFailed;

    for (int64_t index = 0; index < oldSfntData->countOfSfntTable(); ++index) {
        const SfntTable* oldTable = oldSfntData->sfntTableAtIndex(index);
        const SfntTable* newTable = newSfntData->sfntTableAtIndex(index);
        if (!oldTable || !newTable || oldTable->tag != newTable->tag) return ItemResult::ItemFailed;
        const SfntTable* fontTable = font->tableForTag(oldTable->tag);
        // The new table is shared with the definition, not copied: the image copies it once.
        if (!fontTable || !fontTable->isEqualToTableData(oldTable) ||
            !font->replaceTableDataWithSfntTable(*newTable))
            return ItemResult::ItemFailed;
    }
    std::optional<Bytes> image =
        SfntData::buildSfntImage(*font, target.sfntCreated, target.sfntModified);
    if (!image) return ItemResult::ItemFailed;
    sfntResItem.setResData(std::move(image));
    return ItemResult::StatusOK;
}

} // namespace

ItemResult FontUpdate::updateResFileResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                            const SfntData* newSfntData, const std::string& srcPath,
                                            const std::string& dstPath) {
    if (anyEmpty({target.resName, target.japanFullName, target.oVersStr, target.checksum,
                  target.nVersStr, target.nSfntCDate, target.nSfntMDate, target.nFileCDate,
                  target.nFileMDate, target.nResMapInfo, srcPath, dstPath}) ||
        !oldSfntData || !newSfntData)
        return ItemResult::ItemFailed;
    if (!platform::macFileExists(srcPath)) return ItemResult::ItemFileNotFound;
    if (!ResFile::chekSuitcaseFile(srcPath)) return ItemResult::ItemNotSuitcase;

    std::unique_ptr<ResFile> resFile = ResFile::initOfContentFile(srcPath);
    // Both file dates or neither: a date that does not read fails the font, as it cannot be
    // refused with its line.
    if (!resFile || resFile->loadStatus != ResStatus::resNoErr || !target.fileCreated ||
        !target.fileModified ||
        !ResFile::setCreDate(target.fileCreated, target.fileModified, *resFile))
        return ItemResult::ItemFailed;

    ItemResult result = updateResFileResName(target, oldSfntData, newSfntData, *resFile);
    if (result == ItemResult::StatusOK &&
        ResFile::exportSuitcaseFile(dstPath, target.nResMapInfo, *resFile) != ResStatus::resNoErr)
        result = ItemResult::ItemWriteNewFailed;
    resFile->freeAllResData();
    return result;
}

ItemResult FontUpdate::updateResFileResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                            const SfntData* newSfntData, ResFile& resFile) {
    if (anyEmpty({target.resName, target.japanFullName, target.oVersStr, target.checksum,
                  target.nVersStr, target.nSfntCDate, target.nSfntMDate}) ||
        !oldSfntData || !newSfntData || !resFile.resFileAttr ||
        !resFile.resFileAttr->creationDate || !resFile.resFileAttr->modificationDate)
        return ItemResult::ItemFailed;
    const std::string& oldVersString = target.oVersStr;
    const std::string& newVersString = target.nVersStr;

    // 'vers': every ID 1 resource at the old version is raised; N is the new short text the
    // sfnt re-check below expects.
    const int64_t versCount = resFile.countOfResType(kVersType);
    if (versCount == 0) return ItemResult::ItemVersMissing;
    std::optional<std::string> newShortText;
    for (int64_t index = 0; index < versCount; ++index) {
        ResItem* vers = resFile.resItemByIndex(index, kVersType);
        if (!vers) return ItemResult::ItemVersMissing;
        if (vers->resID != kVersResID) continue;
        const int16_t applies = target.anyOldVersion
                                    ? updateNeedNewShortVersString(newVersString, vers)
                                    : updateNeedOldShortVersString(oldVersString, vers);
        if (applies == 0) continue;
        if (applies != 1) return ItemResult::ItemFailed;
        if (!newShortText) {
            newShortText =
                makeNewResShortVersStringWithOldVersString(oldVersString, newVersString, vers);
            if (!newShortText || newShortText->empty()) return ItemResult::ItemVersBuildFailed;
        }
        if (const ItemResult status = updateVersOldVersString(oldVersString, newVersString, vers);
            status != ItemResult::StatusOK)
            return status;
        if (updateNeedOldShortVersString(*newShortText, vers) != 1)
            return ItemResult::ItemVersBuildFailed;
    }

    // 'FOND' is carried over unchanged, but only a single family record names one font.
    const int64_t fondCount = resFile.countOfResType(kFondType);
    if (fondCount == 0) return ItemResult::ItemFondMissing;
    if (fondCount > 1) return ItemResult::ItemFondMultiple;
    ResItem* fond = resFile.resItemByIndex(0, kFondType);
    if (!fond || !fond->resData() || fond->resData()->empty()) return ItemResult::ItemFondMissing;

    const int64_t sfntCount = resFile.countOfResType(kSfntType);
    if (sfntCount == 0) return ItemResult::ItemSfntMissing;
    if (sfntCount > 1) return ItemResult::ItemSfntMultiple;
    ResItem* sfnt = resFile.resItemByIndex(0, kSfntType);
    if (!sfnt) return ItemResult::ItemSfntMissing;

    // By now 'vers' has been raised; a font whose sfnt is not the expected one must fail here
    // rather than be written with a new version over its old tables. The font is read once, in
    // place, for the check and the rebuild.
    if (sfnt->resName != target.resName || !sfnt->resData())
        return ItemResult::ItemSfntVerifyFailed;
    std::unique_ptr<SfntData> font = SfntData::initWithSfntDataNoCopy(*sfnt->resData());
    if (!font || updateNeedSfntResName(target, oldSfntData, *font) != 1)
        return ItemResult::ItemSfntVerifyFailed;
    if (const ItemResult status =
            rebuildSfnt(target, oldSfntData, newSfntData, std::move(font), *sfnt);
        status != ItemResult::StatusOK)
        return status;

    // The rebuilt font must read as exactly the new version with exactly the new tables.
    if (!newShortText) return ItemResult::ItemSfntBuildFailed;
    const UpdateTarget rebuilt = UpdateTarget::withTexts({.resName = target.resName,
                                                          .japanFullName = target.japanFullName,
                                                          .oVersStr = *newShortText,
                                                          .checksum = "*",
                                                          .nVersStr = *newShortText});
    return updateNeedSfntResName(rebuilt, newSfntData, sfnt) == 1 ? ItemResult::StatusOK
                                                                  : ItemResult::ItemSfntBuildFailed;
}

std::optional<std::string> FontUpdate::makeNewResShortVersStringWithOldVersString(
    const std::string& oldVersString, const std::string& newVersString, ResItem* versResItem) {
    if (oldVersString.empty() || newVersString.empty() || !versResItem) return std::nullopt;
    const std::optional<VersContents> contents = readVersContents(versResItem);
    if (!contents) return std::nullopt;
    if (!isAutomaticRaise(newVersString)) return newVersString;
    return raisedVersionText(contents->shortText, std::string_view(newVersString).substr(1));
}

ItemResult FontUpdate::updateVersOldVersString(const std::string& oldVersString,
                                               const std::string& newVersString,
                                               ResItem* versResItem) {
    if (oldVersString.empty() || newVersString.empty() || !versResItem)
        return ItemResult::ItemFailed;
    std::optional<VersContents> contents = readVersContents(versResItem);
    if (!contents) return ItemResult::ItemFailed;
    const std::string& installed = contents->shortText;
    const bool raise = isAutomaticRaise(newVersString);

    const std::optional<std::string> installedNumber =
        Tools::versNumberStringFromVersString(installed);
    const std::optional<std::string> numbers =
        raise ? (installedNumber ? Tools::incrementVersString(*installedNumber) : std::nullopt)
              : Tools::versNumberStringFromVersString(newVersString);
    if (!numbers || numbers->empty() ||
        !setMajorMinorFixedwithVersResHeader(contents->header, *numbers))
        return ItemResult::ItemFailed;

    const std::optional<std::string> newShortText =
        raise ? raisedVersionText(installed, std::string_view(newVersString).substr(1))
              : std::optional<std::string>(newVersString);
    if (!newShortText) return ItemResult::ItemFailed;
    const std::optional<Bytes> shortBytes = versStringBytes(*newShortText);
    if (!shortBytes) return ItemResult::ItemFailed;

    // The long string repeats the short one before its comma (and may again, in a copyright
    // line); every such mention moves to the new version.
    const std::optional<std::string> longText =
        platform::shiftJisToUtf8(pascalStringBytes(contents->longString));
    if (!longText || !longText->starts_with(installed + ",")) return ItemResult::ItemFailed;
    const std::optional<Bytes> longBytes =
        versStringBytes(replaceAll(*longText, installed + ",", *newShortText + ","));
    if (!longBytes) return ItemResult::ItemFailed;

    return writeVersResItem(versResItem, contents->header, *shortBytes, *longBytes)
               ? ItemResult::StatusOK
               : ItemResult::ItemFailed;
}

bool FontUpdate::setMajorMinorFixedwithVersResHeader(VersResHeader& header,
                                                     const std::string& shortVersString) {
    uint64_t values[3] = {0, 0, 0};
    std::string_view rest = shortVersString;
    for (size_t count = 0;; ++count) {
        if (count == 3) return false;
        const size_t dot = rest.find('.');
        const std::string_view component = rest.substr(0, dot);
        if (component.empty()) return false;
        const auto [end, error] =
            std::from_chars(component.data(), component.data() + component.size(), values[count]);
        if (error == std::errc::result_out_of_range)
            values[count] = std::numeric_limits<uint64_t>::max();
        else if (error != std::errc() || end != component.data() + component.size())
            return false;
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    // The record holds major in a byte and minor and bug-fix in four bits each. A number that
    // does not fit leaves the record as it was: truncating it would show a lower version than
    // the strings say, while the old numbers at least never claim more than the font has.
    if (values[0] > 255 || values[1] > 15 || values[2] > 15) return true;
    header.major = static_cast<uint8_t>(values[0]);
    header.minor = static_cast<uint8_t>(values[1]);
    header.bugFix = static_cast<uint8_t>(values[2]);
    return true;
}

ItemResult FontUpdate::updateSfntResName(const UpdateTarget& target, const SfntData* oldSfntData,
                                         const SfntData* newSfntData, ResItem* sfntResItem) {
    if (rebuildArgumentsMissing(target, oldSfntData, newSfntData, sfntResItem))
        return ItemResult::ItemFailed;
    const Bytes* data = sfntResItem->resData();
    if (!data) return ItemResult::ItemFailed;
    std::unique_ptr<SfntData> font = SfntData::initWithSfntDataNoCopy(*data);
    if (!font) return ItemResult::ItemFailed;
    return rebuildSfnt(target, oldSfntData, newSfntData, std::move(font), *sfntResItem);
}

} // namespace fu
