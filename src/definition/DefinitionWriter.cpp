#include "definition/DefinitionWriter.h"

#include "definition/DefinitionPayload.h"

#include "platform/Text.h"
#include "sfnt/SfntData.h"

namespace fu {

namespace {

constexpr uint32_t kNameTableTag = fourCC("name");
constexpr uint32_t kHeadTag = fourCC("head");
// The scaler of our sfnt-style sections; readers do not look at it.
constexpr uint32_t kContainerScaler = 0x00010000;

std::optional<Bytes> container(std::vector<SfntTable> tables) {
    SfntData data;
    data.scaler = kContainerScaler;
    data.tables = std::move(tables);
    return SfntData::buildSfntImage(data, 0, 0);
}

// A table viewing bytes that outlive the container built from it.
SfntTable table(uint32_t tag, ByteView bytes) {
    SfntTable result;
    result.tag = tag;
    result.tableData = TableData::viewed(bytes);
    return result;
}

SfntTable ownTable(uint32_t tag, Bytes bytes) {
    SfntTable result;
    result.tag = tag;
    result.tableData = TableData(std::move(bytes));
    return result;
}

bool isUtf8Text(ByteView bytes) {
    return !bytes.empty() && platform::utf16Length(toString(bytes)).has_value();
}

} // namespace

std::optional<SetTables> differingTables(ByteView oldFont, ByteView newFont, std::string& error) {
    // The fonts outlive the containers made here; their tables are read in place.
    auto oldData = SfntData::initWithSfntDataNoCopy(oldFont);
    auto newData = SfntData::initWithSfntDataNoCopy(newFont);
    if (!oldData || oldData->countOfSfntTable() == 0) {
        error = "the old font is not an sfnt font";
        return std::nullopt;
    }
    if (!newData || newData->countOfSfntTable() == 0) {
        error = "the new font is not an sfnt font";
        return std::nullopt;
    }
    for (const SfntTable& candidate : newData->tables) {
        if (!oldData->tableForTag(candidate.tag)) {
            error = "table '" + fourCCString(candidate.tag) +
                    "' is only in the new font; an update can only replace tables";
            return std::nullopt;
        }
    }
    std::vector<SfntTable> oldTables, newTables;
    SetTables result;
    for (const SfntTable& old : oldData->tables) {
        const SfntTable* replacement = newData->tableForTag(old.tag);
        if (!replacement) {
            error = "table '" + fourCCString(old.tag) +
                    "' is only in the old font; an update can only replace tables";
            return std::nullopt;
        }
        if (old.tag == kNameTableTag || old.tag == kHeadTag || old.isEqualToTableData(replacement))
            continue;
        oldTables.push_back(old);
        newTables.push_back(*replacement);
        result.tags.push_back(old.tag);
    }
    if (result.tags.empty()) {
        error = "the two fonts do not differ outside 'name' and 'head'";
        return std::nullopt;
    }
    auto oldBytes = container(std::move(oldTables));
    auto newBytes = container(std::move(newTables));
    if (!oldBytes || !newBytes) {
        error = "the tables do not fit an sfnt container";
        return std::nullopt;
    }
    result.oldTables = std::move(*oldBytes);
    result.newTables = std::move(*newBytes);
    return result;
}

AuthoringResult buildDefinitionPayload(const DefinitionSources& sources) {
    AuthoringResult result;
    if (sources.readMe.empty()) {
        result.error = "the read-me is empty";
        return result;
    }
    if (!isUtf8Text(sources.targets)) {
        result.error = "the target list is empty or not UTF-8 text";
        return result;
    }
    if (!isUtf8Text(sources.scripts)) {
        result.error = "the script list is empty or not UTF-8 text";
        return result;
    }
    if (sources.sets.empty()) {
        result.error = "a definition needs at least one update set";
        return result;
    }
    std::vector<SfntTable> sets;
    for (size_t i = 0; i < sources.sets.size(); ++i) {
        const UpdateSetSource& source = sources.sets[i];
        if (source.name.empty() || !platform::utf16Length(source.name)) {
            result.error = "set " + std::to_string(i + 1) + " needs a UTF-8 name";
            return result;
        }
        std::string error;
        auto tables = differingTables(source.oldFont, source.newFont, error);
        if (!tables) {
            result.error = "set \"" + source.name + "\": " + error;
            return result;
        }
        auto set = container({table(kSetNameTag, asBytes(source.name)),
                              table(kSetOldTablesTag, tables->oldTables),
                              table(kSetNewTablesTag, tables->newTables)});
        if (!set) {
            result.error = "set \"" + source.name + "\" is too large";
            return result;
        }
        // Readers ignore a set's own tag; numbering them keeps the directory readable.
        const char tag[5] = {'s', char('0' + i / 100 % 10), char('0' + i / 10 % 10),
                             char('0' + i % 10), '\0'};
        sets.push_back(ownTable(fourCC(tag), std::move(*set)));
    }
    auto setsSection = container(std::move(sets));
    if (!setsSection) {
        result.error = "the update sets are too large";
        return result;
    }
    result.bytes = container(
        {table(kReadMeSectionTag, sources.readMe), table(kTargetsSectionTag, sources.targets),
         table(kScriptsSectionTag, sources.scripts), table(kSetsSectionTag, *setsSection)});
    if (!result.bytes) result.error = "the definition is too large";
    return result;
}

} // namespace fu
