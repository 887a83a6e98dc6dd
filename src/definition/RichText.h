// Styled text of the read-me as runs of characters with their attributes. It carries no toolkit
// types, so the core can read it and each front end maps it onto its own text document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fu {

// Line separator (U+2028): a line break inside a paragraph, as RTF's \line makes it.
inline constexpr std::string_view kLineSeparator = "\u2028";

struct TextRun {
    std::string text;       // UTF-8
    std::string fontName;   // empty: the front end's default font
    double fontSize = 12.0; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    uint32_t color = 0x000000; // 0xRRGGBB

    [[nodiscard]] bool sameAttributes(const TextRun& other) const;
};

enum class ParagraphAlignment { Left, Center, Right, Justified };

struct RichParagraph {
    std::vector<TextRun> runs;
    ParagraphAlignment alignment = ParagraphAlignment::Left;

    // Appends the run, merged into the last one when their attributes agree; empty text adds
    // nothing.
    void append(TextRun run);
};

class RichText {
public:
    std::vector<RichParagraph> paragraphs;
    // Characters left out because the document's bytes did not decode in their code page (or a
    // Unicode escape was half of a surrogate pair). They are dropped rather than replaced, so
    // nothing appears that the document did not say; the count tells that something was lost.
    size_t undecodable = 0;

    // Paragraphs joined by "\n"; line separators inside a paragraph also become "\n".
    [[nodiscard]] std::string plainText() const;
    // True when there is no character at all, not even a paragraph break.
    [[nodiscard]] bool empty() const;
};

} // namespace fu
