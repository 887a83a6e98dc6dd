// The decrypted payload of a definition, as the container hands it on: whatever it holds, the
// split must not crash, and what it accepts must be internally consistent.
#include "definition/DefinitionPayload.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fu::DefinitionPayload info;
    const auto failure = fu::splitDefinitionPayload(nullptr, fu::ByteView(data, size), info);
    if (failure == fu::PayloadFailure::None) {
        if (!info.scriptInfo || !info.updateSfntSetInfo ||
            info.updateSfntSetInfo->countOfUpdateSfntSetItem() == 0)
            std::abort();
        for (const auto& set : info.updateSfntSetInfo->items)
            if (set->name.empty() || !set->oSfntData || !set->nSfntData) std::abort();
    }
    if (info.readMeText) (void)info.readMeText->plainText();
    return 0;
}
