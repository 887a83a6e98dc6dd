// What the search, the update run and the batch builds work on: the loaded definition, the fonts
// the last search found, the rights and work folder of a run, the test options and the message
// table. The wizard's application state is one; fupdef makes its own. The engine reaches nothing
// else.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionSignature.h"
#include "definition/ScriptInfo.h"
#include "definition/UpdateSfntSetInfo.h"
#include "definition/UpdateTargetInfo.h"
#include "engine/Authorization.h"
#include "engine/MessageInfo.h"
#include "engine/TestOption.h"
#include "engine/UpdateFontInfo.h"
#include "tools/CheckTargetInfo.h"

#include <memory>
#include <optional>
#include <string>

namespace fu {

struct LoadedDefinition;

class UpdateContext {
public:
    UpdateContext();
    virtual ~UpdateContext();
    UpdateContext(const UpdateContext&) = delete;
    UpdateContext& operator=(const UpdateContext&) = delete;

    // Seeds the definition key; a build setting.
    std::string appCopyrightStr;

    // The loaded definition; all nil until a load succeeds, cleared when the next one starts.
    std::unique_ptr<UpdateTargetInfo> updateTargetInfo;
    std::unique_ptr<ScriptInfo> scriptInfo;
    std::unique_ptr<UpdateSfntSetInfo> updateSfntSetInfo;
    // The definition's file as it was read, for the helper to verify on its own, and what its
    // signature says to this program's trust store. Empty and unsigned until a load succeeds.
    Bytes definitionBytes;
    SignatureVerification definitionSignature;
    // Only such a definition may touch the computer's fonts or run anything with rights.
    [[nodiscard]] bool definitionIsTrusted() const {
        return definitionSignature.status == SignatureStatus::SignedBy;
    }

    std::unique_ptr<UpdateFontInfo> updateFontInfo;   // what the last search found
    std::unique_ptr<CheckTargetInfo> checkTargetInfo; // the authoring tools' document; nil: none
    std::unique_ptr<Authorization> authorization;     // rights for the current update run
    std::optional<std::string> temporaryDirPath;      // work folder of the current update run
    std::unique_ptr<TestOption> testOption;           // nil: every option off

    // Null only when the table could not be made; every look-up then gives nil.
    std::unique_ptr<MessageInfo> messageInfo;

    // A fresh, empty found-font list replaces the last one.
    bool setupUpdateFontInfo();
    // A new Authorization (without rights yet) replaces the last one.
    bool setupAuthorization();

    // Lets the loaded definition go, before the next one is read.
    void releaseDefinition();
    // Takes over the engine's part of a loaded definition (the read-me is the screens' business);
    // what the load did not give stays nil.
    void adoptDefinition(LoadedDefinition& loaded);
};

} // namespace fu
