// The control words the RTF reader acts on, declared in one table: what each does and, for the
// words that stand for a character, which one. Every word not in the table is ignored.
#pragma once

#include "definition/RichText.h"

#include <cstdint>
#include <string_view>

namespace fu::rtf {

enum class Action : uint8_t {
    Ignore,
    SkipGroup,
    FontTable,
    ColorTable,
    Paragraph,
    Line,
    Tab,
    Character,
    ParagraphDefaults,
    PlainCharacters,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Font,
    FontSize,
    Color,
    DefaultFont,
    Align,
    DocumentCharset,
    AnsiCodePage,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    Unicode,
    UnicodeSkip,
    Binary,
};

struct WordInfo {
    Action action;
    char32_t character = 0;                                  // for Action::Character
    ParagraphAlignment alignment = ParagraphAlignment::Left; // for Action::Align
    int codePage = 0;                                        // for Action::DocumentCharset
};

// nullptr for a word the reader does not act on.
[[nodiscard]] const WordInfo* lookupWord(std::string_view name);

} // namespace fu::rtf
