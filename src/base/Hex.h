// Hexadecimal text: bytes as two digits each (map info strings, fingerprints, key IDs) and the
// value of one digit, for the readers of such texts.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fu {

enum class HexCase { Upper, Lower };

// The digit of the low four bits of `nibble`.
[[nodiscard]] char hexDigit(uint8_t nibble, HexCase letters = HexCase::Upper);

// Two digits per byte, high four bits first; empty for no bytes.
[[nodiscard]] std::string hexString(ByteView bytes, HexCase letters = HexCase::Upper);

// `value` as `digits` upper-case digits, zero-padded; more digits when it does not fit, none
// dropped ("%0*X").
[[nodiscard]] std::string hexNumber(uint32_t value, int digits);

// 0 to 15 for '0' to '9', 'a' to 'f' and 'A' to 'F'; nullopt for anything else.
[[nodiscard]] std::optional<uint8_t> hexDigitValue(char c);

} // namespace fu
