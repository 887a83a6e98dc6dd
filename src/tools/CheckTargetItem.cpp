#include "tools/CheckTargetItem.h"

#include <array>
#include <utility>

namespace fu {

namespace {

using StringField = std::optional<std::string> CheckTargetItem::*;
using FlagField = bool CheckTargetItem::*;
using IndexField = int64_t CheckTargetItem::*;

// The key of every field is its name.
constexpr std::array<std::pair<const char*, StringField>, 25> kStringFields{{
    {"filePath", &CheckTargetItem::filePath},
    {"fondResName", &CheckTargetItem::fondResName},
    {"sfntResName", &CheckTargetItem::sfntResName},
    {"japanFullName", &CheckTargetItem::japanFullName},
    {"versStr", &CheckTargetItem::versStr},
    {"shortVersStr", &CheckTargetItem::shortVersStr},
    {"longVersStr", &CheckTargetItem::longVersStr},
    {"sfntVersStr", &CheckTargetItem::sfntVersStr},
    {"checksum", &CheckTargetItem::checksum},
    {"japanCopyright", &CheckTargetItem::japanCopyright},
    {"nVersStr", &CheckTargetItem::nVersStr},
    {"nDateStr", &CheckTargetItem::nDateStr},
    {"sfntCDate", &CheckTargetItem::sfntCDate},
    {"sfntMDate", &CheckTargetItem::sfntMDate},
    {"fileCDate", &CheckTargetItem::fileCDate},
    {"fileMDate", &CheckTargetItem::fileMDate},
    {"resMapInfo", &CheckTargetItem::resMapInfo},
    {"nSfntCDate", &CheckTargetItem::nSfntCDate},
    {"nSfntMDate", &CheckTargetItem::nSfntMDate},
    {"nFileCDate", &CheckTargetItem::nFileCDate},
    {"nFileMDate", &CheckTargetItem::nFileMDate},
    {"nResMapInfo", &CheckTargetItem::nResMapInfo},
    {"versMD5", &CheckTargetItem::versMD5},
    {"fondMD5", &CheckTargetItem::fondMD5},
    {"sfntMD5", &CheckTargetItem::sfntMD5},
}};

constexpr std::array<std::pair<const char*, FlagField>, 7> kFlagFields{{
    {"resFileFail", &CheckTargetItem::resFileFail},
    {"noSuitcase", &CheckTargetItem::noSuitcase},
    {"multiVers", &CheckTargetItem::multiVers},
    {"multiFond", &CheckTargetItem::multiFond},
    {"multiSfnt", &CheckTargetItem::multiSfnt},
    {"matchSfntData", &CheckTargetItem::matchSfntData},
    {"matchNewSfntData", &CheckTargetItem::matchNewSfntData},
}};

constexpr std::array<std::pair<const char*, IndexField>, 2> kIndexFields{{
    {"matchSfntSetIndex", &CheckTargetItem::matchSfntSetIndex},
    {"matchNewSfntSetIndex", &CheckTargetItem::matchNewSfntSetIndex},
}};

const PropertyValue* valueOf(const PropertyDictionary& dictionary, const char* key) {
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &found->second;
}

} // namespace

std::unique_ptr<CheckTargetItem>
CheckTargetItem::initWithDictionary(const PropertyDictionary* dictionary) {
    if (!dictionary) return nullptr;
    auto item = std::make_unique<CheckTargetItem>();
    for (const auto& [key, field] : kStringFields)
        if (const PropertyValue* value = valueOf(*dictionary, key); value && value->string())
            (*item).*field = *value->string();
    for (const auto& [key, field] : kFlagFields)
        if (const PropertyValue* value = valueOf(*dictionary, key))
            (*item).*field = value->boolValue().value_or(false);
    for (const auto& [key, field] : kIndexFields)
        if (const PropertyValue* value = valueOf(*dictionary, key))
            (*item).*field = value->integerValue().value_or(0);
    return item;
}

PropertyDictionary CheckTargetItem::dictionary() const {
    PropertyDictionary dictionary;
    for (const auto& [key, field] : kStringFields)
        if (const std::optional<std::string>& text = this->*field) dictionary.emplace(key, *text);
    for (const auto& [key, field] : kFlagFields)
        dictionary.emplace(key, this->*field);
    for (const auto& [key, field] : kIndexFields)
        dictionary.emplace(key, this->*field);
    return dictionary;
}

} // namespace fu
