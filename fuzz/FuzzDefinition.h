// The real definition the whole-entry targets search and build with: the test-support sample
// (one target, SampleGothic 1.0.0 to 1.0.1, and one set), split once per process.
#pragma once

#include "definition/DefinitionPayload.h"
#include "definition/DefinitionWriter.h"
#include "definition/UpdateSfntSetInfo.h"
#include "definition/UpdateTargetInfo.h"
#include "support/DefinitionBuilder.h"

#include <cstdlib>

namespace fu::fuzz {

inline const DefinitionPayload& sampleDefinition() {
    static const DefinitionPayload payload = [] {
        const AuthoringResult built = buildDefinitionPayload(test::sampleDefinitionSources());
        DefinitionPayload split;
        if (!built.bytes ||
            splitDefinitionPayload(nullptr, *built.bytes, split) != PayloadFailure::None ||
            !split.updateTargetInfo || split.updateTargetInfo->updateTargetItems.empty())
            std::abort();
        return split;
    }();
    return payload;
}

} // namespace fu::fuzz
