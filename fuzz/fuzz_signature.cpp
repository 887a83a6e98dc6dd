// A definition's bytes as the signature check meets them: whatever the skipped bytes hold, the
// check must not crash, a block it reads must write back to the same bytes, and no key may be
// trusted for a block it did not sign.
#include "definition/DefinitionSignature.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fu::ByteView container(data, size);
    fu::ContainerParts parts;
    if (fu::splitDefinitionContainer(container, parts) != fu::ContainerFailure::None) {
        // Fuzzed inputs rarely carry a matching MD5; the block parser still gets every input.
        if (auto block = fu::parseSignatureBlock(container)) {
            if (!std::ranges::equal(fu::serializeSignatureBlock(*block), container)) std::abort();
        }
        return 0;
    }
    if (auto block = fu::parseSignatureBlock(parts.skippedBytes)) {
        if (!std::ranges::equal(fu::serializeSignatureBlock(*block), parts.skippedBytes))
            std::abort();
    }
    const auto verification = fu::verifyDefinitionSignature(parts, fu::TrustStore{});
    if (verification.status == fu::SignatureStatus::SignedBy ||
        verification.status == fu::SignatureStatus::BadSignature)
        std::abort(); // an empty store vouches for nothing
    (void)fu::describeSignature(verification);
    return 0;
}
