#include "engine/PrivilegedScript.h"

#include "definition/DefinitionPayload.h"
#include "definition/ScriptInfo.h"
#include "engine/HelperProtocol.h"
#include "sfnt/SfntData.h"

#include <algorithm>

namespace fu {
namespace {

std::optional<std::string> scriptOfPayload(ByteView payload, std::string_view key) {
    const auto sections = SfntData::initWithSfntDataNoCopy(payload);
    const SfntTable* scripts = sections ? sections->tableForTag(kScriptsSectionTag) : nullptr;
    ScriptInfo info;
    if (!scripts || !info.setupWithData(scripts->tableData)) return std::nullopt;
    return info.scriptStringForKey(std::string(key));
}

} // namespace

const std::vector<std::string>& fixedCacheRebuildCommand() {
    static const std::vector<std::string> command{"/usr/bin/fc-cache", "-s", "-f"};
    return command;
}

PrivilegedCommand privilegedCommandOfDefinition(ByteView definition, std::string_view key,
                                                const TrustStore& trust,
                                                std::string_view copyright) {
    PrivilegedCommand command;
    command.refusal = errAuthorizationDenied;
    if (std::find(kPrivilegedScriptKeys.begin(), kPrivilegedScriptKeys.end(), key) ==
        kPrivilegedScriptKeys.end())
        return command;
    const OpenedDefinition opened = openSignedDefinition(definition, copyright, trust);
    if (opened.container.failure != ContainerFailure::None) return command;
    command.signature = opened.signature;
    if (opened.signature.status == SignatureStatus::SignedBy) {
        const auto script = scriptOfPayload(opened.container.payload, key);
        if (!script) return command;
        command.argv = {"/bin/sh", "-c", *script};
    } else {
        if (key != kPrivilegedCacheRemoveKey) return command;
        command.argv = fixedCacheRebuildCommand();
    }
    command.refusal = 0;
    return command;
}

std::string describePrivilegedCommand(const PrivilegedCommand& command) {
    if (command.refusal != 0 || command.argv.empty()) return {};
    if (command.isSignedScript()) return command.argv.back();
    std::string line;
    for (const std::string& piece : command.argv)
        line += (line.empty() ? "" : " ") + piece;
    return line;
}

} // namespace fu
