// AppleDouble companions: whatever the bytes, parsing must not crash, and whatever parses must
// survive a write-read-write unchanged.
#include "base/AppleDouble.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace ad = fu::appledouble;
    fu::ByteView bytes(data, size);
    auto layout = ad::parseLayout(bytes, size);
    auto document = ad::parseDocument(bytes);
    if (bool(layout) != bool(document)) std::abort();
    if (document) {
        const fu::Bytes once = ad::serializeDocument(*document);
        auto again = ad::parseDocument(once);
        if (!again || ad::serializeDocument(*again) != once) std::abort();
    }
    return 0;
}
