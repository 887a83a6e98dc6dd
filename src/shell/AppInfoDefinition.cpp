// Loading an update definition into the application state: the container, then the payload's
// sections. Every load replaces the previous definition.
#include "shell/AppInfo.h"

#include "definition/DefinitionFile.h"
#include "definition/DefinitionKey.h"
#include "definition/ResourceRegistry.h"

#include <memory>
#include <new>

namespace fu {

bool AppInfo::setupUpdaterParam() {
    auto bytes = ResourceRegistry::resourceData("UpdaterParam_OS10_10", "fupdef");
    if (!bytes || bytes->empty()) {
        fupdefFail = true;
        fupdefPayloadFailure = PayloadFailure::None;
        return false;
    }
    return setupUpdaterParamWithEnData(*bytes);
}

bool AppInfo::setupUpateParamWithUrl(const std::string& path) {
    auto bytes = path.empty() ? std::nullopt : readDefinitionFile(path);
    if (!bytes || bytes->empty()) {
        // The previous definition stays; the failure is still what the user must see.
        fupdefFail = true;
        fupdefPayloadFailure = PayloadFailure::None;
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
        fupdefPayloadFailure = PayloadFailure::None;
        return false;
    }
    return setupUpdaterParamWithEnData(std::move(copy));
}

bool AppInfo::setupUpdaterParamWithEnData(Bytes&& container) {
    // Cleared before any check: a refused container leaves no definition behind.
    readMeText.reset();
    releaseDefinition();
    LoadedDefinition loaded =
        loadDefinition(std::move(container), appCopyrightStr, TrustStore::system());
    // What a payload that failed part-way gave stays, as its sections were read.
    readMeText = std::move(loaded.sections.readMeText);
    adoptDefinition(loaded);
    fupdefFail = !loaded.loaded();
    fupdefPayloadFailure = loaded.payloadFailure;
    return loaded.loaded();
}

bool AppInfo::setByte(std::span<uint8_t> byte) const {
    if (!byte.data()) return false;
    return deriveDefinitionKey(appCopyrightStr, byte);
}

bool AppInfo::setupUpdaterParamWithData(ByteView payload) {
    return splitPayload(payload) == PayloadFailure::None;
}

PayloadFailure AppInfo::splitPayload(ByteView payload) { return splitPayload(nullptr, payload); }

PayloadFailure AppInfo::splitPayload(const std::shared_ptr<const Bytes>& buffer, ByteView payload) {
    DefinitionPayload sections;
    const PayloadFailure failure = splitDefinitionPayload(buffer, payload, sections);
    readMeText = std::move(sections.readMeText);
    updateTargetInfo = std::move(sections.updateTargetInfo);
    scriptInfo = std::move(sections.scriptInfo);
    updateSfntSetInfo = std::move(sections.updateSfntSetInfo);
    return failure;
}

bool AppInfo::setupReadMeWithData(ByteView rtf) {
    readMeText = readMeOfData(rtf);
    return readMeText != nullptr;
}

bool AppInfo::setupUpdaterParamTextWithData(ByteView text) {
    updateTargetInfo = updateTargetInfoOfData(text);
    return updateTargetInfo != nullptr;
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
    scriptInfo = scriptInfoOfData(text);
    return scriptInfo != nullptr;
}

bool AppInfo::setupUpdateSfntSetInfoWithData(ByteView sets,
                                             const std::shared_ptr<const Bytes>& buffer) {
    updateSfntSetInfo = updateSfntSetInfoOfData(sets, buffer);
    return updateSfntSetInfo != nullptr;
}

bool AppInfo::addUpdateSfntSetItemWithData(ByteView set, UpdateSfntSetInfo* info,
                                           const std::shared_ptr<const Bytes>& buffer) {
    return info && addUpdateSfntSetItemOfData(set, *info, buffer);
}

} // namespace fu
