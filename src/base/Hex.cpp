#include "base/Hex.h"

namespace fu {

char hexDigit(uint8_t nibble, HexCase letters) {
    static constexpr char kUpper[] = "0123456789ABCDEF";
    static constexpr char kLower[] = "0123456789abcdef";
    return (letters == HexCase::Upper ? kUpper : kLower)[nibble & 0x0F];
}

std::string hexString(ByteView bytes, HexCase letters) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        text += hexDigit(byte >> 4, letters);
        text += hexDigit(byte, letters);
    }
    return text;
}

std::string hexNumber(uint32_t value, int digits) {
    std::string text;
    for (; value != 0 || digits > 0; value >>= 4, --digits)
        text.insert(text.begin(), hexDigit(uint8_t(value & 0x0F)));
    return text;
}

std::optional<uint8_t> hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    return std::nullopt;
}

} // namespace fu
