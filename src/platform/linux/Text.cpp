#include "platform/Text.h"

#include <unicode/coll.h>
#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace fu::platform {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// The STOP callbacks turn every unmappable or ill-formed sequence into an error; ICU's default
// would substitute and hide the very cases the callers need to see.
ConverterPtr openStrictConverter(const char* name) {
    if (name == nullptr || *name == '\0') return nullptr; // nullptr would open the default one
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name, &status));
    if (U_FAILURE(status) || !converter) return nullptr;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    if (U_FAILURE(status)) return nullptr;
    return converter;
}

// ICU takes int32_t lengths; inputs are kept small enough that the output (up to three bytes
// per unit) still fits, and anything larger is refused rather than truncated.
bool fitsInt32(size_t size) { return size <= static_cast<size_t>(INT32_MAX) / 4; }

// ICU rejects a null source pointer even with length 0.
const char* nonNull(const char* data) { return data != nullptr ? data : ""; }

std::optional<std::u16string> utf8ToUtf16(std::string_view text) {
    if (!fitsInt32(text.size())) return std::nullopt;
    const auto length = static_cast<int32_t>(text.size());
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8(nullptr, 0, &needed, nonNull(text.data()), length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
    std::u16string units(static_cast<size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    // u_strFromUTF8 (unlike the WithSub variant) fails on ill-formed input.
    u_strFromUTF8(units.data(), needed, nullptr, nonNull(text.data()), length, &status);
    if (U_FAILURE(status)) return std::nullopt;
    return units;
}

std::optional<std::string> utf16ToUtf8(std::u16string_view units) {
    if (!fitsInt32(units.size())) return std::nullopt;
    const auto length = static_cast<int32_t>(units.size());
    const char16_t* source = units.data() != nullptr ? units.data() : u"";
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8(nullptr, 0, &needed, source, length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
    std::string text(static_cast<size_t>(needed), '\0');
    status = U_ZERO_ERROR;
    // Fails with U_INVALID_CHAR_FOUND on an unpaired surrogate.
    u_strToUTF8(text.data(), needed, nullptr, source, length, &status);
    if (U_FAILURE(status)) return std::nullopt;
    return text;
}

std::optional<std::u16string> decodeToUtf16(ByteView bytes, const char* charsetName) {
    if (!fitsInt32(bytes.size())) return std::nullopt;
    ConverterPtr converter = openStrictConverter(charsetName);
    if (!converter) return std::nullopt;
    const char* source = nonNull(reinterpret_cast<const char*>(bytes.data()));
    const auto length = static_cast<int32_t>(bytes.size());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = ucnv_toUChars(converter.get(), nullptr, 0, source, length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
    std::u16string units(static_cast<size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    ucnv_toUChars(converter.get(), units.data(), needed, source, length, &status);
    if (U_FAILURE(status)) return std::nullopt;
    return units;
}

std::optional<Bytes> encodeFromUtf8(std::string_view text, const char* charsetName) {
    const std::optional<std::u16string> units = utf8ToUtf16(text);
    if (!units) return std::nullopt;
    ConverterPtr converter = openStrictConverter(charsetName);
    if (!converter) return std::nullopt;
    const auto length = static_cast<int32_t>(units->size());
    const char16_t* source = units->empty() ? u"" : units->data();
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = ucnv_fromUChars(converter.get(), nullptr, 0, source, length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
    Bytes bytes(static_cast<size_t>(needed));
    status = U_ZERO_ERROR;
    ucnv_fromUChars(converter.get(), reinterpret_cast<char*>(bytes.data()), needed, source, length,
                    &status);
    if (U_FAILURE(status)) return std::nullopt;
    return bytes;
}

constexpr const char* kShiftJis = "Shift_JIS";

} // namespace

std::optional<std::string> shiftJisToUtf8(ByteView bytes) {
    const std::optional<std::u16string> units = decodeToUtf16(bytes, kShiftJis);
    if (!units) return std::nullopt;
    return utf16ToUtf8(*units);
}

std::optional<Bytes> utf8ToShiftJis(std::string_view text) {
    return encodeFromUtf8(text, kShiftJis);
}

// UTF-16BE is plain byte pairing; doing it here rather than through an ICU converter keeps
// a leading U+FEFF an ordinary character in both directions.
std::optional<std::string> utf16beToUtf8(ByteView bytes) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    }
    return utf16ToUtf8(units);
}

std::optional<Bytes> utf8ToUtf16be(std::string_view text) {
    const std::optional<std::u16string> units = utf8ToUtf16(text);
    if (!units) return std::nullopt;
    Bytes bytes;
    bytes.reserve(units->size() * 2);
    for (const char16_t unit : *units) {
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    }
    return bytes;
}

std::optional<std::string> decodeCharset(ByteView bytes, const char* charsetName) {
    const std::optional<std::u16string> units = decodeToUtf16(bytes, charsetName);
    if (!units) return std::nullopt;
    return utf16ToUtf8(*units);
}

std::optional<size_t> utf16Length(std::string_view text) {
    const std::optional<std::u16string> units = utf8ToUtf16(text);
    if (!units) return std::nullopt;
    return units->size();
}

namespace {

std::optional<icu::UnicodeString> normalize(std::string_view text, bool compose) {
    const std::optional<std::u16string> units = utf8ToUtf16(text);
    if (!units) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = compose ? icu::Normalizer2::getNFCInstance(status)
                                                 : icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status) || normalizer == nullptr) return std::nullopt;
    const icu::UnicodeString source(units->data(), static_cast<int32_t>(units->size()));
    icu::UnicodeString result = normalizer->normalize(source, status);
    if (U_FAILURE(status)) return std::nullopt;
    return result;
}

} // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
    const std::optional<icu::UnicodeString> left = normalize(a, false);
    const std::optional<icu::UnicodeString> right = normalize(b, false);
    // Text that is not valid UTF-8 has no canonical form and equals nothing.
    return left && right && *left == *right;
}

std::optional<std::string> toNFC(std::string_view text) {
    const std::optional<icu::UnicodeString> composed = normalize(text, true);
    if (!composed) return std::nullopt;
    return utf16ToUtf8(
        std::u16string_view(composed->getBuffer(), static_cast<size_t>(composed->length())));
}

namespace {

// The locale a POSIX program collates in, as ICU spells it: "ja_JP.UTF-8@x" gives "ja_JP".
std::string collationLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        std::string name(value);
        name = name.substr(0, name.find_first_of(".@"));
        if (name == "C" || name == "POSIX") return "";
        return name;
    }
    return "";
}

} // namespace

struct TextCollator::Collator {
    std::unique_ptr<icu::Collator> icu;
};

TextCollator::TextCollator() : collator_(std::make_unique<Collator>()) {
    UErrorCode status = U_ZERO_ERROR;
    // An empty name is ICU's root locale, the Unicode default order.
    const std::string name = collationLocaleName();
    collator_->icu.reset(icu::Collator::createInstance(icu::Locale(name.c_str()), status));
    if (U_FAILURE(status)) collator_->icu.reset();
}

TextCollator::~TextCollator() = default;

int TextCollator::compare(std::string_view a, std::string_view b) const {
    if (collator_->icu && fitsInt32(a.size()) && fitsInt32(b.size())) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult order = collator_->icu->compareUTF8(
            icu::StringPiece(nonNull(a.data()), int32_t(a.size())),
            icu::StringPiece(nonNull(b.data()), int32_t(b.size())), status);
        if (U_SUCCESS(status) && order != UCOL_EQUAL) return order == UCOL_LESS ? -1 : 1;
    }
    return a.compare(b);
}

} // namespace fu::platform
