#include "tools/CheckTargetInfo.h"

#include <initializer_list>
#include <iterator>

namespace fu {

namespace {

constexpr const char* kItemsKey = "checkTargetItems";

bool filled(const std::optional<std::string>& text) { return text && !text->empty(); }

bool allFilled(std::initializer_list<const std::optional<std::string>*> texts) {
    for (const std::optional<std::string>* text : texts)
        if (!filled(*text)) return false;
    return true;
}

bool hasNewVersionAndDates(const CheckTargetItem& item) {
    return allFilled(
        {&item.nVersStr, &item.nSfntCDate, &item.nSfntMDate, &item.nFileCDate, &item.nFileMDate});
}

} // namespace

std::unique_ptr<CheckTargetInfo>
CheckTargetInfo::initWithDictionary(const PropertyDictionary* dictionary) {
    if (!dictionary) return nullptr;
    auto info = std::make_unique<CheckTargetInfo>();
    const auto found = dictionary->find(kItemsKey);
    if (found == dictionary->end() || !found->second.array()) return info;
    for (const PropertyValue& element : *found->second.array())
        if (auto item = CheckTargetItem::initWithDictionary(element.dictionary()))
            info->checkTargetItems.push_back(std::move(item));
    return info;
}

std::optional<PropertyDictionary> CheckTargetInfo::dictionary() const {
    if (checkTargetItems.empty()) return std::nullopt;
    PropertyArray items;
    items.reserve(checkTargetItems.size());
    for (const auto& item : checkTargetItems)
        items.emplace_back(item->dictionary());
    return PropertyDictionary{{kItemsKey, std::move(items)}};
}

CheckTargetItem* CheckTargetInfo::checkTargetFontItemAtIndex(int64_t index) const {
    if (index < 0 || index >= countOfCheckTargetItem()) return nullptr;
    return checkTargetItems[size_t(index)].get();
}

bool CheckTargetInfo::addCheckTargetItem(std::unique_ptr<CheckTargetItem> item) {
    if (!item) return false;
    checkTargetItems.push_back(std::move(item));
    return true;
}

bool CheckTargetInfo::deleteCheckTarteItemAtWithIndexSet(const IndexSet& indexSet) {
    bool removed = false;
    // From the back, so the rows still to go keep their numbers.
    for (auto index = indexSet.rbegin(); index != indexSet.rend(); ++index) {
        if (*index < 0 || *index >= countOfCheckTargetItem()) continue;
        checkTargetItems.erase(checkTargetItems.begin() + *index);
        removed = true;
    }
    return removed;
}

int64_t CheckTargetInfo::moveCheckTarteItems(const IndexSet& indexSet, int64_t moveToIndex) {
    const int64_t count = countOfCheckTargetItem();
    if (indexSet.empty() || *indexSet.begin() < 0 || *indexSet.rbegin() >= count ||
        moveToIndex < 0 || moveToIndex > count)
        return -1;
    // The drop row counts the selected rows above it, which leave before the insertion.
    const int64_t destination =
        moveToIndex - int64_t(std::distance(indexSet.begin(), indexSet.lower_bound(moveToIndex)));
    std::vector<std::unique_ptr<CheckTargetItem>> moving;
    for (int64_t index : indexSet)
        moving.push_back(std::move(checkTargetItems[size_t(index)]));
    std::erase(checkTargetItems, nullptr);
    checkTargetItems.insert(checkTargetItems.begin() + destination,
                            std::make_move_iterator(moving.begin()),
                            std::make_move_iterator(moving.end()));
    return destination;
}

bool CheckTargetInfo::verifyEmptyValueOfCheckTargetInfo() const {
    for (const auto& item : checkTargetItems)
        if (!hasNewVersionAndDates(*item) || !filled(item->nResMapInfo) || !item->matchSfntData)
            return false;
    return true;
}

bool CheckTargetInfo::verifyEmptyValueOfCheckTargetInfoForUserUpdate() const {
    for (const auto& item : checkTargetItems)
        if (!hasNewVersionAndDates(*item)) return false;
    return true;
}

bool CheckTargetInfo::setEmptyNewVersStrFromUserUpdateKey(const std::string& text) {
    for (const auto& item : checkTargetItems)
        if (!item->nVersStr) item->nVersStr = text;
    return true;
}

bool CheckTargetInfo::setEmptyNewDateStrFromDateStr(const std::string& dateStr) {
    for (const auto& item : checkTargetItems)
        for (std::optional<std::string>* date :
             {&item->nSfntCDate, &item->nSfntMDate, &item->nFileCDate, &item->nFileMDate})
            if (!*date) *date = dateStr;
    return true;
}

bool CheckTargetInfo::checkExistsFontNameAndFullName() const {
    for (size_t first = 0; first < checkTargetItems.size(); ++first) {
        const CheckTargetItem& a = *checkTargetItems[first];
        if (!a.fondResName || !a.japanFullName) continue;
        for (size_t second = first + 1; second < checkTargetItems.size(); ++second) {
            const CheckTargetItem& b = *checkTargetItems[second];
            if (b.fondResName == a.fondResName && b.japanFullName == a.japanFullName) return true;
        }
    }
    return false;
}

} // namespace fu
