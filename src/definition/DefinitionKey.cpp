#include "definition/DefinitionKey.h"

#include "base/Bytes.h"
#include "base/Hex.h"
#include "platform/Crypto.h"

#include <algorithm>

#ifndef FONTUPDATER_COPYRIGHT
#error "FONTUPDATER_COPYRIGHT comes from the build"
#endif

namespace fu {

std::string buildCopyrightString() { return FONTUPDATER_COPYRIGHT; }

bool deriveDefinitionKey(std::string_view copyright, std::span<uint8_t> buffer) {
    if (buffer.size() < 17) return false;
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    if (copyright.empty()) return false;

    std::string seed;
    seed.reserve(kKeyOpeningMarker.size() + copyright.size() + kKeyClosingMarker.size());
    seed.append(kKeyOpeningMarker).append(copyright).append(kKeyClosingMarker);
    const auto digest = platform::md5(asBytes(seed));
    if (!digest) return false;

    // Only the high digit of each byte: 16 characters of key, the rest of the key stays zero.
    for (size_t i = 0; i < digest->size(); ++i)
        buffer[i] = static_cast<uint8_t>(hexDigit((*digest)[i] >> 4, HexCase::Lower));
    return true;
}

} // namespace fu
