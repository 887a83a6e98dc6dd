// The key of an update definition: derived afresh at every read from the application's
// copyright string, so that a build opens exactly the definitions written for it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fu {

// The copyright string enclosed between these markers seeds the key. Changing either changes
// which definitions a build can open.
inline constexpr std::string_view kKeyOpeningMarker = "<fupd>";  // 6 characters
inline constexpr std::string_view kKeyClosingMarker = "</fupd>"; // 7 characters

// The copyright string this build was configured with (FONTUPDATER_COPYRIGHT).
[[nodiscard]] std::string buildCopyrightString();

// Zero-fills the buffer and writes the 16 key characters at its start: for each byte of
// MD5(opening marker + copyright + closing marker), the hex digit of its high four bits.
// False for a buffer under 17 bytes (left untouched) or an empty copyright (left zeroed).
[[nodiscard]] bool deriveDefinitionKey(std::string_view copyright, std::span<uint8_t> buffer);

} // namespace fu
