#include "engine/UpdateContext.h"

#include "definition/DefinitionKey.h"
#include "definition/DefinitionPayload.h"

#include <new>

namespace fu {

UpdateContext::UpdateContext()
    : appCopyrightStr(buildCopyrightString()),
      // Without memory for the table the texts are nil, and the codes still drive the screens.
      messageInfo(new (std::nothrow) MessageInfo()) {}

UpdateContext::~UpdateContext() = default;

bool UpdateContext::setupUpdateFontInfo() {
    updateFontInfo = std::make_unique<UpdateFontInfo>();
    return true;
}

bool UpdateContext::setupAuthorization() {
    authorization = std::make_unique<Authorization>();
    return true;
}

void UpdateContext::releaseDefinition() {
    updateTargetInfo.reset();
    scriptInfo.reset();
    updateSfntSetInfo.reset();
    definitionBytes = Bytes();
    definitionSignature = {};
}

void UpdateContext::adoptDefinition(LoadedDefinition& loaded) {
    updateTargetInfo = std::move(loaded.sections.updateTargetInfo);
    scriptInfo = std::move(loaded.sections.scriptInfo);
    updateSfntSetInfo = std::move(loaded.sections.updateSfntSetInfo);
    definitionBytes = std::move(loaded.definitionBytes);
    definitionSignature = loaded.definitionSignature;
}

} // namespace fu
