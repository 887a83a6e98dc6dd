// What the helper runs with administrator rights besides moving fonts: one cache script of a
// definition, chosen by key. Only a definition whose signature the trust store vouches for has
// its own script run; for any other the cache removal is a fixed command, run without a shell,
// and nothing else runs. The helper decides this from the definition's bytes, and the caller
// asks the same question to show the user beforehand what will run.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionSignature.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fu {

inline constexpr std::string_view kPrivilegedCacheRemoveKey = "OSAATSChacheRemoveAuth";
inline constexpr std::array<std::string_view, 3> kPrivilegedScriptKeys{
    kPrivilegedCacheRemoveKey, "OSAATSShutdownAuth", "OSAATSPingAuth"};

struct PrivilegedCommand {
    int32_t refusal = 0;           // 0: argv is what runs
    std::vector<std::string> argv; // "/bin/sh", "-c", the script; or the fixed command
    SignatureVerification signature;
    [[nodiscard]] bool isSignedScript() const {
        return refusal == 0 && signature.status == SignatureStatus::SignedBy;
    }
};

// errAuthorizationDenied for a key that is not a privileged one, a definition that does not open,
// a trusted definition without that script, or a key other than the cache removal of a definition
// without a trusted signature.
[[nodiscard]] PrivilegedCommand privilegedCommandOfDefinition(ByteView definition,
                                                              std::string_view key,
                                                              const TrustStore& trust,
                                                              std::string_view copyright);

// For people: the script text as its author wrote it, or the command line.
[[nodiscard]] std::string describePrivilegedCommand(const PrivilegedCommand& command);

// The fixed cache rebuild: system caches too, every cache file rewritten.
[[nodiscard]] const std::vector<std::string>& fixedCacheRebuildCommand();

} // namespace fu
