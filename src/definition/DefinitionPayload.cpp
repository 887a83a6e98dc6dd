#include "definition/DefinitionPayload.h"

#include "definition/DefinitionLimits.h"
#include "definition/RtfReader.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"

#include <new>

namespace fu {

namespace {

// The data of the first table with that tag, empty when there is none.
ByteView sectionData(const SfntData& container, uint32_t tag) {
    const SfntTable* table = container.tableForTag(tag);
    return table ? ByteView(table->tableData) : ByteView();
}

// Text sections are UTF-8 that converts to UTF-16 whole.
std::optional<std::string> textOfData(ByteView data) {
    std::string text = toString(data);
    if (text.empty() || !platform::utf16Length(text)) return std::nullopt;
    return text;
}

} // namespace

std::string describePayloadFailure(PayloadFailure failure) {
    switch (failure) {
    case PayloadFailure::None: return "accepted";
    case PayloadFailure::NotContainer: return "the payload is not a tagged container";
    case PayloadFailure::ReadMe: return "the payload has no read-me ('rdme')";
    case PayloadFailure::Targets: return "the payload has no target list ('updp')";
    case PayloadFailure::Scripts: return "the script section ('scpt') is missing or not UTF-8";
    case PayloadFailure::Sets: return "the update sets ('sets') are missing or malformed";
    case PayloadFailure::OutOfMemory: return "there is not enough memory to read the payload";
    case PayloadFailure::TooManyTargets:
        return "the definition has more than " + std::to_string(kMaxDefinitionTargets) +
               " update targets";
    case PayloadFailure::TooManySets:
        return "the definition has more than " + std::to_string(kMaxDefinitionSets) +
               " update sets";
    }
    return "unknown";
}

std::unique_ptr<RichText> readMeOfData(ByteView rtf) {
    if (rtf.empty()) return nullptr;
    auto text = readRtf(rtf);
    if (!text) return nullptr;
    return std::make_unique<RichText>(std::move(*text));
}

std::unique_ptr<UpdateTargetInfo> updateTargetInfoOfData(ByteView text) {
    const std::optional<std::string> decoded = textOfData(text);
    if (!decoded) return nullptr;
    // One past the limit is enough to refuse the list.
    return UpdateTargetInfo::initWithUpdateTargetText(*decoded, kMaxDefinitionTargets);
}

std::unique_ptr<ScriptInfo> scriptInfoOfData(ByteView text) {
    if (text.empty()) return nullptr;
    auto info = std::make_unique<ScriptInfo>();
    if (!info->setupWithData(text)) return nullptr;
    return info;
}

std::unique_ptr<UpdateSfntSetInfo>
updateSfntSetInfoOfData(ByteView sets, const std::shared_ptr<const Bytes>& buffer) {
    if (sets.empty()) return nullptr;
    auto container = SfntData::initWithSfntDataNoCopy(sets);
    if (!container || container->countOfSfntTable() == 0) return nullptr;
    auto info = std::make_unique<UpdateSfntSetInfo>();
    for (const SfntTable& table : container->tables) {
        // One bad set refuses the whole section.
        if (table.tableData.empty() || !addUpdateSfntSetItemOfData(table.tableData, *info, buffer))
            return nullptr;
    }
    return info;
}

bool addUpdateSfntSetItemOfData(ByteView set, UpdateSfntSetInfo& updateSfntSetInfo,
                                const std::shared_ptr<const Bytes>& buffer) {
    if (set.empty()) return false;
    auto container = SfntData::initWithSfntDataNoCopy(set);
    if (!container) return false;
    const std::optional<std::string> name = textOfData(sectionData(*container, kSetNameTag));
    if (!name) return false;
    const ByteView oldTables = sectionData(*container, kSetOldTablesTag);
    const ByteView newTables = sectionData(*container, kSetNewTablesTag);
    if (oldTables.empty() || newTables.empty()) return false;

    auto item = std::make_unique<UpdateSfntSetItem>();
    item->name = *name;
    if (!item->setOldSfntDataWithData(oldTables, buffer) ||
        !item->setNewSfntDataWithData(newTables, buffer))
        return false;
    return updateSfntSetInfo.addUpdateSfntSetItem(std::move(item));
}

PayloadFailure splitDefinitionPayload(const std::shared_ptr<const Bytes>& buffer, ByteView payload,
                                      DefinitionPayload& sections) {
    sections = {};
    if (payload.empty()) return PayloadFailure::NotContainer;
    auto container = SfntData::initWithSfntDataNoCopy(payload);
    if (!container) return PayloadFailure::NotContainer;

    const ByteView readMe = sectionData(*container, kReadMeSectionTag);
    if (readMe.empty()) return PayloadFailure::ReadMe;
    sections.readMeText = readMeOfData(readMe);
    const ByteView targets = sectionData(*container, kTargetsSectionTag);
    if (targets.empty()) return PayloadFailure::Targets;
    sections.updateTargetInfo = updateTargetInfoOfData(targets);
    if (sections.updateTargetInfo &&
        size_t(sections.updateTargetInfo->countOfUpdateTargetItem()) > kMaxDefinitionTargets)
        return PayloadFailure::TooManyTargets;

    sections.scriptInfo = scriptInfoOfData(sectionData(*container, kScriptsSectionTag));
    if (!sections.scriptInfo) return PayloadFailure::Scripts;
    const ByteView sets = sectionData(*container, kSetsSectionTag);
    // Counted from the section's directory alone, before any set is read.
    if (const auto setList = SfntData::initWithSfntDataNoCopy(sets);
        setList && size_t(setList->countOfSfntTable()) > kMaxDefinitionSets)
        return PayloadFailure::TooManySets;
    sections.updateSfntSetInfo = updateSfntSetInfoOfData(sets, buffer);
    if (!sections.updateSfntSetInfo) return PayloadFailure::Sets;
    return PayloadFailure::None;
}

LoadedDefinition loadDefinition(Bytes&& file, std::string_view copyright, const TrustStore& trust) {
    Bytes bytes = std::move(file);
    LoadedDefinition loaded;
    OpenedDefinition opened = openSignedDefinition(bytes, copyright, trust);
    loaded.containerFailure = opened.container.failure;
    if (loaded.containerFailure != ContainerFailure::None) return loaded;
    std::shared_ptr<const Bytes> payload;
    try {
        payload = std::make_shared<const Bytes>(std::move(opened.container.payload));
    } catch (const std::bad_alloc&) {
        loaded.payloadFailure = PayloadFailure::OutOfMemory;
        return loaded;
    }
    // The payload lives on in the sets' tables.
    loaded.payloadFailure = splitDefinitionPayload(payload, *payload, loaded.sections);
    if (loaded.payloadFailure != PayloadFailure::None) return loaded;
    loaded.definitionBytes = std::move(bytes);
    loaded.definitionSignature = opened.signature;
    return loaded;
}

} // namespace fu
