// The decrypted payload of a definition and the whole load of a definition file. The payload is
// an sfnt-style container of sections: the read-me 'rdme' (RTF), the targets 'updp' and the
// scripts 'scpt' (UTF-8 lines), and the sets 'sets', a container of one container per set, each
// holding its 'name' and its 'old ' and 'new ' tables. The writer (DefinitionWriter) uses the
// same tags.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionContainer.h"
#include "definition/DefinitionSignature.h"
#include "definition/RichText.h"
#include "definition/ScriptInfo.h"
#include "definition/UpdateSfntSetInfo.h"
#include "definition/UpdateTargetInfo.h"

#include <memory>
#include <string>
#include <string_view>

namespace fu {

inline constexpr uint32_t kReadMeSectionTag = fourCC("rdme");
inline constexpr uint32_t kTargetsSectionTag = fourCC("updp");
inline constexpr uint32_t kScriptsSectionTag = fourCC("scpt");
inline constexpr uint32_t kSetsSectionTag = fourCC("sets");
inline constexpr uint32_t kSetNameTag = fourCC("name");
inline constexpr uint32_t kSetOldTablesTag = fourCC("old ");
inline constexpr uint32_t kSetNewTablesTag = fourCC("new ");

// TooManyTargets and TooManySets: more than kMaxDefinitionTargets or kMaxDefinitionSets.
enum class PayloadFailure {
    None,
    NotContainer,
    ReadMe,
    Targets,
    Scripts,
    Sets,
    OutOfMemory,
    TooManyTargets,
    TooManySets
};

// The reason in words, for the command line and the wizard.
[[nodiscard]] std::string describePayloadFailure(PayloadFailure failure);

// What a payload gives; a section that failed, and every one after it, stays nil.
struct DefinitionPayload {
    std::unique_ptr<RichText> readMeText;
    std::unique_ptr<UpdateTargetInfo> updateTargetInfo;
    std::unique_ptr<ScriptInfo> scriptInfo;
    std::unique_ptr<UpdateSfntSetInfo> updateSfntSetInfo;
};

// Splits a payload into its sections. The read-me and the targets must be there, but what they
// hold is judged later: an unreadable read-me is nil, a target list without targets finds
// nothing. Only their number is judged here, before the sets are read. With a buffer, the payload
// lies inside it and the sets' tables share it, so a large table is never copied; without one they
// keep copies.
[[nodiscard]] PayloadFailure splitDefinitionPayload(const std::shared_ptr<const Bytes>& buffer,
                                                    ByteView payload, DefinitionPayload& sections);

// One section each; nil (or false) for bytes that do not make one.
[[nodiscard]] std::unique_ptr<RichText> readMeOfData(ByteView rtf);
[[nodiscard]] std::unique_ptr<UpdateTargetInfo> updateTargetInfoOfData(ByteView text);
[[nodiscard]] std::unique_ptr<ScriptInfo> scriptInfoOfData(ByteView text);
[[nodiscard]] std::unique_ptr<UpdateSfntSetInfo>
updateSfntSetInfoOfData(ByteView sets, const std::shared_ptr<const Bytes>& buffer);
// Adds one set's container to the list.
[[nodiscard]] bool addUpdateSfntSetItemOfData(ByteView set, UpdateSfntSetInfo& updateSfntSetInfo,
                                              const std::shared_ptr<const Bytes>& buffer);

// A definition file checked, decrypted, verified and split.
struct LoadedDefinition {
    ContainerFailure containerFailure = ContainerFailure::None;
    PayloadFailure payloadFailure = PayloadFailure::None;
    DefinitionPayload sections;
    Bytes definitionBytes; // the file as it was read, kept for the helper to verify on its own
    SignatureVerification definitionSignature;
    [[nodiscard]] bool loaded() const {
        return containerFailure == ContainerFailure::None && payloadFailure == PayloadFailure::None;
    }
};
// The file's bytes are taken over; they come back in definitionBytes only when the load succeeds.
[[nodiscard]] LoadedDefinition loadDefinition(Bytes&& file, std::string_view copyright,
                                              const TrustStore& trust);

} // namespace fu
