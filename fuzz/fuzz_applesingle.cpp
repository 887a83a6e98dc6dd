// AppleSingle files: whatever the bytes, parsing must not crash, and whatever is accepted must
// hold forks that came out of the input after its 26-byte header.
#include "suitcase/MacContainer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fu::ByteView bytes(data, size);
    auto parsed = fu::parseAppleSingle(bytes);
    if (parsed.contents) {
        const auto& contents = *parsed.contents;
        if (size < 26 || contents.kind != fu::MacContainerContents::AppleSingle ||
            contents.dataFork.size() > size - 26 || contents.resourceFork.size() > size - 26)
            std::abort();
        // The same bytes through the sniffing front door are the same AppleSingle.
        auto any = fu::parseMacContainer(bytes);
        if (!any.contents || any.contents->dataFork != contents.dataFork ||
            any.contents->resourceFork != contents.resourceFork)
            std::abort();
    } else if (parsed.reason.empty()) {
        std::abort();
    }
    return 0;
}
