// Loading an update definition into the application state: the container, then the payload's
// sections. Every load replaces the previous definition.
#include "shell/AppInfo.h"

#include "definition/DefinitionFile.h"
#include "definition/DefinitionKey.h"
#include "definition/ResourceRegistry.h"
#include "definition/RtfReader.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"

#include <memory>
#include <new>

namespace fu {

namespace {

constexpr uint32_t kReadMeTag = fourCC("rdme");
constexpr uint32_t kTargetsTag = fourCC("updp");
constexpr uint32_t kScriptsTag = fourCC("scpt");
constexpr uint32_t kSetsTag = fourCC("sets");
constexpr uint32_t kSetNameTag = fourCC("name");
constexpr uint32_t kOldTablesTag = fourCC("old ");
constexpr uint32_t kNewTablesTag = fourCC("new ");

// The data of the first table with that tag, empty when there is none.
ByteView sectionData(const SfntData& container, uint32_t tag) {
    const SfntTable* table = container.tableForTag(tag);
    return table ? ByteView(table->tableData) : ByteView();
}

} // namespace

bool AppInfo::setupUpdaterParam() {
    auto bytes = ResourceRegistry::resourceData("UpdaterParam_OS10_10", "fupdef");
    if (!bytes || bytes->empty()) {
        fupdefFail = true;
        return false;
    }
    return setupUpdaterParamWithEnData(*bytes);
}

bool AppInfo::setupUpateParamWithUrl(const std::string& path) {
    auto bytes = path.empty() ? std::nullopt : readDefinitionFile(path);
    if (!bytes || bytes->empty()) {
        // The previous definition stays; the failure is still what the user must see.
        fupdefFail = true;
        return false;
    }
    return setupUpdaterParamWithEnData(std::move(*bytes));
}

bool AppInfo::setupUpdaterParamWithEnData(ByteView container) {
    Bytes copy;
    try {
        // Copied before anything is cleared: the container may be the definition this replaces.
        copy.assign(container.begin(), container.end());
    } catch (const std::bad_alloc&) {
        fupdefFail = true;
        return false;
    }
    return setupUpdaterParamWithEnData(std::move(copy));
}

bool AppInfo::setupUpdaterParamWithEnData(Bytes&& container) {
    Bytes file = std::move(container);
    // Cleared before any check: a refused container leaves no definition behind.
    readMeText.reset();
    updateTargetInfo.reset();
    scriptInfo.reset();
    updateSfntSetInfo.reset();
    definitionBytes.clear();
    definitionSignature = {};
    fupdefFail = true;

    OpenedDefinition opened = openSignedDefinition(file, appCopyrightStr, TrustStore::system());
    if (opened.container.failure != ContainerFailure::None) return false;
    std::shared_ptr<const Bytes> payload;
    try {
        payload = std::make_shared<const Bytes>(std::move(opened.container.payload));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (splitPayload(payload, *payload) != PayloadFailure::None) return false;
    // The file stays as read, for the helper to verify; the payload lives on in the sets' tables.
    definitionBytes = std::move(file);
    definitionSignature = opened.signature;
    fupdefFail = false;
    return true;
}

bool AppInfo::setByte(std::span<uint8_t> byte) const {
    if (!byte.data()) return false;
    return deriveDefinitionKey(appCopyrightStr, byte);
}

bool AppInfo::setupUpdaterParamWithData(ByteView payload) {
    return splitPayload(payload) == PayloadFailure::None;
}

AppInfo::PayloadFailure AppInfo::splitPayload(ByteView payload) { return splitPayload(nullptr, payload); }

AppInfo::PayloadFailure AppInfo::splitPayload(const std::shared_ptr<const Bytes>& buffer, ByteView payload) {
    if (payload.empty()) return PayloadFailure::NotContainer;
    auto container = SfntData::initWithSfntDataNoCopy(payload);
    if (!container) return PayloadFailure::NotContainer;

    // The read-me and the targets must be there, but what they hold is judged later: an
    // unreadable read-me shows empty, a target list without targets finds nothing.
    const ByteView readMe = sectionData(*container, kReadMeTag);
    if (readMe.empty()) return PayloadFailure::ReadMe;
    setupReadMeWithData(readMe);
    const ByteView targets = sectionData(*container, kTargetsTag);
    if (targets.empty()) return PayloadFailure::Targets;
    setupUpdaterParamTextWithData(targets);

    const ByteView scripts = sectionData(*container, kScriptsTag);
    if (scripts.empty() || !setupScriptInfoWidthData(scripts)) return PayloadFailure::Scripts;
    const ByteView sets = sectionData(*container, kSetsTag);
    if (sets.empty() || !setupUpdateSfntSetInfoWithData(sets, buffer)) return PayloadFailure::Sets;
    return PayloadFailure::None;
}

bool AppInfo::setupReadMeWithData(ByteView rtf) {
    readMeText.reset();
    if (rtf.empty()) return false;
    auto text = readRtf(rtf);
    if (!text) return false;
    readMeText = std::make_unique<RichText>(std::move(*text));
    return true;
}

bool AppInfo::setupUpdaterParamTextWithData(ByteView text) {
    const std::string decoded = toString(text);
    if (decoded.empty() || !platform::utf16Length(decoded)) return false;
    return setupUpdateTargetInfoWithText(decoded);
}

bool AppInfo::setupUpdateTargetInfoWithText(const std::string& text) {
    updateTargetInfo = UpdateTargetInfo::initWithUpdateTargetText(text);
    return updateTargetInfo != nullptr;
}

bool AppInfo::setupUpdateTargetInfoWithTextFilePath(const std::string& path) {
    updateTargetInfo = UpdateTargetInfo::initWithUpdateTargetTextFilePath(path);
    return updateTargetInfo != nullptr;
}

bool AppInfo::setupUpdateTargetInfoWithUpdaterParamText() {
    auto bytes = ResourceRegistry::resourceData("UpdaterParam", "txt");
    updateTargetInfo.reset();
    if (!bytes) return false;
    return setupUpdaterParamTextWithData(*bytes);
}

bool AppInfo::setupScriptInfoWidthData(ByteView text) {
    scriptInfo.reset();
    if (text.empty()) return false;
    auto info = std::make_unique<ScriptInfo>();
    if (!info->setupWithData(text)) return false;
    scriptInfo = std::move(info);
    return true;
}

bool AppInfo::setupUpdateSfntSetInfoWithData(ByteView sets, const std::shared_ptr<const Bytes>& buffer) {
    updateSfntSetInfo.reset();
    if (sets.empty()) return false;
    auto container = SfntData::initWithSfntDataNoCopy(sets);
    if (!container || container->countOfSfntTable() == 0) return false;
    auto info = std::make_unique<UpdateSfntSetInfo>();
    for (const SfntTable& table : container->tables) {
        if (table.tableData.empty()) return false;
        // One bad set refuses the whole section.
        if (!addUpdateSfntSetItemWithData(table.tableData, info.get(), buffer)) return false;
    }
    updateSfntSetInfo = std::move(info);
    return true;
}

bool AppInfo::addUpdateSfntSetItemWithData(ByteView set, UpdateSfntSetInfo* info,
                                           const std::shared_ptr<const Bytes>& buffer) {
    if (set.empty() || !info) return false;
    auto container = SfntData::initWithSfntDataNoCopy(set);
    if (!container) return false;
    const ByteView name = sectionData(*container, kSetNameTag);
    const std::string nameText = toString(name);
    if (nameText.empty() || !platform::utf16Length(nameText)) return false;
    const ByteView oldTables = sectionData(*container, kOldTablesTag);
    const ByteView newTables = sectionData(*container, kNewTablesTag);
    if (oldTables.empty() || newTables.empty()) return false;

    auto item = std::make_unique<UpdateSfntSetItem>();
    item->name = nameText;
    if (!item->setOldSfntDataWithData(oldTables, buffer) || !item->setNewSfntDataWithData(newTables, buffer))
        return false;
    return info->addUpdateSfntSetItem(std::move(item));
}

} // namespace fu
