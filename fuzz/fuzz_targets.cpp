// Target lines: every accepted target has all ten fields.
#include "definition/UpdateTargetInfo.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto info = fu::UpdateTargetInfo::initWithUpdateTargetText(text);
    if (info)
        for (const auto& item : info->updateTargetItems)
            if (!fu::UpdateTargetItem::checkPropertys(item.get())) std::abort();
    return 0;
}
