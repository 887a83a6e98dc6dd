// The document of the font-list and user-update tools: an ordered list of check-target records,
// the editing the tools do on it, and its property-list dictionary form.
#pragma once

#include "base/PropertyList.h"
#include "tools/CheckTargetItem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fu {

// Row numbers selected in a table; negative numbers select nothing.
using IndexSet = std::set<int64_t>;

class CheckTargetInfo {
public:
    std::vector<std::unique_ptr<CheckTargetItem>> checkTargetItems; // empty = nil

    // nullptr for a nil dictionary. Elements of "checkTargetItems" that are not dictionaries are
    // skipped.
    [[nodiscard]] static std::unique_ptr<CheckTargetInfo>
    initWithDictionary(const PropertyDictionary* dictionary);
    // {"checkTargetItems": [record dictionaries]}; nil without records.
    [[nodiscard]] std::optional<PropertyDictionary> dictionary() const;

    [[nodiscard]] int64_t countOfCheckTargetItem() const {
        return static_cast<int64_t>(checkTargetItems.size());
    }
    [[nodiscard]] CheckTargetItem* checkTargetFontItemAtIndex(int64_t index) const;
    [[nodiscard]] bool addCheckTargetItem(std::unique_ptr<CheckTargetItem> item);

    // Removes the records at the given rows (rows past the end are ignored); YES when at least
    // one went.
    bool deleteCheckTarteItemAtWithIndexSet(const IndexSet& indexSet);
    // Moves the selected records, in row order, to the drop row moveToIndex (0 ... count), and
    // answers the row the first of them now has; -1, nothing moved, when the selection is empty
    // or not inside the list, or the drop row lies outside 0 ... count.
    int64_t moveCheckTarteItems(const IndexSet& indexSet, int64_t moveToIndex);

    // Whether every record is ready for building from the definition's sets: new version, the
    // four new dates, a new resource map, and a matched set. YES without records.
    [[nodiscard]] bool verifyEmptyValueOfCheckTargetInfo() const;
    // The same for the user-update document, which needs neither the map nor the set match.
    [[nodiscard]] bool verifyEmptyValueOfCheckTargetInfoForUserUpdate() const;
    // Fill only what is nil: an empty text is the author's choice and stays.
    bool setEmptyNewVersStrFromUserUpdateKey(const std::string& text);
    bool setEmptyNewDateStrFromDateStr(const std::string& dateStr);
    // YES when two records name the same font (equal fondResName and japanFullName, both set).
    [[nodiscard]] bool checkExistsFontNameAndFullName() const;
};

} // namespace fu
