// The read-me's RTF: whatever the bytes, reading must not crash, and whatever reads must give
// well-formed UTF-8.
#include "definition/RtfReader.h"
#include "platform/Text.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto text = fu::readRtf(fu::ByteView(data, size));
    if (text && !fu::platform::utf16Length(text->plainText())) std::abort();
    return 0;
}
