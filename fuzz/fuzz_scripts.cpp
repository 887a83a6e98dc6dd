// Script lines: keys and scripts are never empty and never hold a tab or a line feed.
#include "definition/ScriptInfo.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fu::ScriptInfo info;
    if (!info.setupWithData(fu::ByteView(data, size))) return 0;
    for (const auto& [key, script] : info.scriptDict) {
        if (key.empty() || script.empty()) std::abort();
        if (key.find_first_of("\t\n") != std::string::npos ||
            script.find_first_of("\t\n") != std::string::npos)
            std::abort();
    }
    return 0;
}
