// MacBinary headers: whatever the bytes, parsing must not crash, and whatever is accepted must
// hold forks that came out of the input after its 128-byte header.
#include "suitcase/MacContainer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fu::ByteView bytes(data, size);
    auto parsed = fu::parseMacBinary(bytes);
    if (parsed.contents) {
        const auto& contents = *parsed.contents;
        if (size < 128 || contents.dataFork.size() > size - 128 ||
            contents.resourceFork.size() > size - 128 - contents.dataFork.size())
            std::abort();
        if (contents.kind != fu::MacContainerContents::MacBinary1 &&
            contents.kind != fu::MacContainerContents::MacBinary2 &&
            contents.kind != fu::MacContainerContents::MacBinary3)
            std::abort();
    } else if (parsed.reason.empty()) {
        std::abort();
    }
    // The sniffing front door over the same bytes, including the bare-fork check.
    auto any = fu::parseMacContainer(bytes);
    if (bool(any.contents) == !any.reason.empty()) std::abort();
    return 0;
}
