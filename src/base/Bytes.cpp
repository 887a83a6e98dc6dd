#include "base/Bytes.h"

namespace fu {

std::string fourCCString(uint32_t code) {
    std::string text(4, ' ');
    for (size_t i = 0; i < 4; ++i)
        text[i] = static_cast<char>(code >> (24 - 8 * i));
    return text;
}

} // namespace fu
