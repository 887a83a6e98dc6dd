// Helper requests: whatever parses re-encodes to exactly the bytes it came from, and no field
// the helper would act on is empty or over its limit.
#include "engine/HelperProtocol.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string_view rest = bytes;
    // Walk a session's worth of requests, as the helper would.
    for (;;) {
        const fu::HelperParse parse = fu::parseHelperRequest(rest);
        if (parse.state != fu::HelperParseState::Complete) break;
        if (parse.consumed == 0 || parse.consumed > rest.size()) std::abort();
        const auto encoded = fu::encodeHelperRequest(parse.request);
        if (!encoded || *encoded != rest.substr(0, parse.consumed)) std::abort();
        const auto& request = parse.request;
        if (request.verb == fu::HelperVerb::Move && (request.from.empty() || request.to.empty()))
            std::abort();
        if (request.verb == fu::HelperVerb::RunScript &&
            (request.scriptKey.empty() || request.definition.empty() ||
             request.definition.size() > fu::helperMaxDefinitionLength))
            std::abort();
        rest.remove_prefix(parse.consumed);
    }
    if (const auto status = fu::parseHelperAnswer(bytes);
        status && fu::encodeHelperAnswer(*status) != std::string(bytes) + "\n")
        std::abort();
    (void)fu::isCleanAbsolutePath(bytes);
    return 0;
}
