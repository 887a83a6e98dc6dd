// The code pages an RTF document can name (\ansicpg, \cpg, \fcharset) and the decoding of its
// 8-bit text through them into UTF-8. ICU does the converting; what it lacks is added here.
#pragma once

#include "base/Bytes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace fu::rtf {

struct CodePageInfo {
    int number;
    const char* converter; // ICU name
    bool doubleByte;
};

// The position of the code page with this number in the table of those we read; nullopt for one
// we do not know.
[[nodiscard]] std::optional<int> codePageIndex(int64_t number);

// A \fcharset value (RTF 1.9.1, font table) as a code page number; 0 means the document's.
[[nodiscard]] int codePageOfCharset(int64_t charset);

// Decodes one code page a character at a time and remembers every byte and byte pair it has
// converted. A document repeats few distinct characters, so however long it is this costs a
// bounded number of converter calls, and a byte that does not decode loses only itself.
class CodePageDecoder {
public:
    explicit CodePageDecoder(const CodePageInfo& info) : info_(info) {}

    [[nodiscard]] bool usable();

    // Appends the UTF-8 of `bytes` to `out` and answers how many bytes were left out.
    [[nodiscard]] size_t decode(ByteView bytes, std::string& out);

private:
    struct Entry {
        bool known = false;
        std::optional<std::string> text;
    };

    const std::string* single(uint8_t byte);
    const std::string* pair(uint8_t lead, uint8_t trail);

    const CodePageInfo& info_;
    std::optional<bool> usable_;
    std::array<Entry, 128> singles_;
    std::unordered_map<uint16_t, Entry> pairs_;
};

// One decoder per code page of the table, each made when first asked for.
class CodePageDecoders {
public:
    CodePageDecoders();
    ~CodePageDecoders();
    CodePageDecoders(const CodePageDecoders&) = delete;
    CodePageDecoders& operator=(const CodePageDecoders&) = delete;

    // The decoder of the code page at `index`. An index outside the table, and a code page this
    // system's ICU cannot convert, get the first one's (\ansi), so text still reads.
    [[nodiscard]] CodePageDecoder& decoder(int index);

private:
    std::vector<std::unique_ptr<CodePageDecoder>> decoders_;
};

// The UTF-8 form of one code point.
void appendUtf8(std::string& out, char32_t c);

} // namespace fu::rtf
