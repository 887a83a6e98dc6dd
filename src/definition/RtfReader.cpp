#include "definition/RtfReader.h"

#include "base/Hex.h"
#include "definition/RtfCodePages.h"
#include "definition/RtfControlWords.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fu {
namespace {

using rtf::Action;
using rtf::appendUtf8;
using rtf::codePageIndex;
using rtf::codePageOfCharset;
using rtf::lookupWord;
using rtf::WordInfo;

// Real documents nest a few dozen groups at most; the limit bounds the state a hostile one can
// make us keep. Deeper groups are skipped whole, so the text around them still reads.
constexpr size_t kMaxGroupDepth = 256;
// A font table never needs more; beyond it definitions are ignored rather than stored.
constexpr size_t kMaxFonts = 4096;
// Numeric parameters are 16- or 32-bit in RTF 1.9.1; longer digit strings saturate here (still
// far from overflowing int64) and every use clamps to its own range.
constexpr int64_t kParameterCeiling = 1'000'000'000'000;

constexpr bool isLetter(uint8_t byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}
constexpr bool isDigit(uint8_t byte) { return byte >= '0' && byte <= '9'; }
constexpr bool isSpace(uint8_t byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}
// A byte that stands for itself in body text.
constexpr bool isPlainText(uint8_t byte) {
    return byte >= 0x20 && byte != 0x7F && byte != '{' && byte != '}' && byte != '\\';
}

int32_t clampInt32(int64_t value, int32_t low, int32_t high) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

// ---------------------------------------------------------------------------------------------
// The reader

enum class Destination : uint8_t { Text, FontTable, ColorTable };

// What a group inherits and restores on '}'.
struct GroupState {
    Destination destination = Destination::Text;
    int32_t font = -1;     // -1: the default font (\deff)
    int32_t fontSize = 24; // half-points
    int32_t color = 0;     // index into the colour table; 0 is "auto"
    bool bold = false;
    bool italic = false;
    bool underline = false;
    ParagraphAlignment alignment = ParagraphAlignment::Left;
    int32_t unicodeSkip = 1; // \uc: fallback characters after each \u
};

struct Font {
    std::string name;
    int codePage = -1; // index into the code page table, -1: the document's
};

class RtfParser {
public:
    // `start` is where "\rtf" follows the document's opening brace.
    RtfParser(ByteView bytes, size_t start) : in_(bytes), pos_(start) {
        doc_.paragraphs.emplace_back();
        groups_.emplace_back();
    }

    RichText read() {
        while (pos_ < in_.size() && !finished_) {
            const uint8_t byte = in_[pos_++];
            switch (byte) {
            case '{': openGroup(); break;
            case '}': closeGroup(); break;
            case '\\': controlSequence(); break;
            case '\r':
            case '\n': break; // line ends in the source carry nothing
            default: character(byte); break;
            }
        }
        flush();
        if (pendingHigh_ != 0) ++doc_.undecodable;
        doc_.paragraphs.back().alignment = groups_.back().alignment;
        return std::move(doc_);
    }

private:
    // --- groups

    void openGroup() {
        ucSkip_ = 0;
        if (skipDepth_ > 0) {
            ++skipDepth_;
            return;
        }
        flush();
        if (groups_.size() >= kMaxGroupDepth) {
            skipDepth_ = 1;
            return;
        }
        groups_.push_back(groups_.back());
    }

    void closeGroup() {
        ucSkip_ = 0;
        if (skipDepth_ > 0) {
            --skipDepth_;
            return;
        }
        flush();
        if (groups_.back().destination == Destination::FontTable) finishFontName();
        if (groups_.size() == 1) {
            finished_ = true; // the document's own group; whatever follows is not RTF
            return;
        }
        groups_.pop_back();
    }

    // For \* and destinations we do not show. The document's own group is never skipped: a
    // stray destination word there would otherwise swallow the whole text.
    void skipCurrentGroup() {
        if (groups_.size() <= 1) return;
        groups_.pop_back();
        skipDepth_ = 1;
        ucSkip_ = 0;
    }

    // --- tokens

    void controlSequence() {
        if (pos_ >= in_.size()) return;
        const uint8_t first = in_[pos_];
        if (isLetter(first)) {
            controlWord();
            return;
        }
        ++pos_;
        if (first == '\'') {
            hexEscape();
        } else {
            controlSymbol(first);
        }
    }

    // RTF 1.9.1: letters, an optional numeric parameter with an optional '-', and a delimiter
    // that is consumed when it is a space.
    void controlWord() {
        const size_t nameStart = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_]))
            ++pos_;
        const std::string_view name = asText(in_.subspan(nameStart, pos_ - nameStart));
        const bool negative = pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1]);
        if (negative) ++pos_;
        bool hasParameter = false;
        int64_t parameter = 0;
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParameter = true;
            if (parameter < kParameterCeiling) parameter = parameter * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative) parameter = -parameter;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        word(name, hasParameter, parameter);
    }

    void hexEscape() {
        if (pos_ + 2 > in_.size()) {
            pos_ = in_.size();
            return;
        }
        const std::optional<uint8_t> high = hexDigitValue(static_cast<char>(in_[pos_]));
        const std::optional<uint8_t> low = hexDigitValue(static_cast<char>(in_[pos_ + 1]));
        if (!high || !low) return; // not an escape; the characters read as text
        pos_ += 2;
        if (skipDepth_ > 0 || consumeFallback()) return;
        textByte(static_cast<uint8_t>((*high << 4) | *low));
    }

    void controlSymbol(uint8_t symbol) {
        if (skipDepth_ > 0 || consumeFallback()) return;
        switch (symbol) {
        case '\\':
        case '{':
        case '}':
            textByte(symbol); // no flush: it may be the trail byte of a double-byte character
            return;
        default: break;
        }
        flush();
        switch (symbol) {
        case '\r':
        case '\n': // a backslash before a line end is \par; this is how TextEdit writes it
            paragraphBreak();
            break;
        case '~': emitCharacter(U'\u00A0'); break;
        case '-': emitCharacter(U'\u00AD'); break;
        case '_': emitCharacter(U'\u2011'); break;
        case '*': skipCurrentGroup(); break;
        default: break;
        }
    }

    // `byte` is the one just read, at pos_ - 1.
    void character(uint8_t byte) {
        if (skipDepth_ > 0 || consumeFallback()) return;
        if (groups_.back().destination != Destination::Text || !isPlainText(byte)) {
            textByte(byte);
            return;
        }
        // Ordinary text goes over in one piece rather than a byte at a time.
        size_t end = pos_;
        while (end < in_.size() && isPlainText(in_[end]))
            ++end;
        const ByteView text = in_.subspan(pos_ - 1, end - (pos_ - 1));
        pending_.insert(pending_.end(), text.begin(), text.end());
        pos_ = end;
    }

    // A \u is followed by \uc fallback characters for readers without Unicode; each byte, escape
    // or control word counts as one, and a brace ends the fallback early (RTF 1.9.1, \ucN).
    bool consumeFallback() {
        if (ucSkip_ == 0) return false;
        --ucSkip_;
        return true;
    }

    void skipBinary(bool hasParameter, int64_t count) {
        if (!hasParameter || count <= 0) return;
        pos_ += static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(count), in_.size() - pos_));
    }

    // --- content

    void textByte(uint8_t byte) {
        switch (groups_.back().destination) {
        case Destination::Text:
            if (byte == '\t') {
                flush();
                emit("\t");
            } else if (byte >= 0x20 && byte != 0x7F) {
                pending_.push_back(byte);
            }
            break;
        case Destination::FontTable:
            if (byte == ';') {
                finishFontName();
                collectingFontName_ = false;
            } else if (collectingFontName_ && byte >= 0x20) {
                fontNameBytes_.push_back(byte);
            }
            break;
        case Destination::ColorTable:
            if (byte == ';') {
                colors_.push_back(colorHasValue_ ? (red_ << 16) | (green_ << 8) | blue_ : 0);
                red_ = green_ = blue_ = 0;
                colorHasValue_ = false;
            }
            break;
        }
    }

    void word(std::string_view name, bool hasParameter, int64_t parameter) {
        const WordInfo* info = lookupWord(name);
        const Action action = info != nullptr ? info->action : Action::Ignore;
        if (skipDepth_ > 0 || (action != Action::Unicode && consumeFallback())) {
            if (action == Action::Binary) skipBinary(hasParameter, parameter);
            return;
        }
        flush();
        GroupState& state = groups_.back();
        const bool inText = state.destination == Destination::Text;
        const bool on = !hasParameter || parameter != 0;
        switch (action) {
        case Action::Ignore: break;
        case Action::SkipGroup: skipCurrentGroup(); break;
        case Action::FontTable:
            state.destination = Destination::FontTable;
            collectingFontName_ = false;
            break;
        case Action::ColorTable:
            state.destination = Destination::ColorTable;
            red_ = green_ = blue_ = 0;
            colorHasValue_ = false;
            break;
        case Action::Paragraph:
            if (inText) paragraphBreak();
            break;
        case Action::Line:
            if (inText) emit(std::string(kLineSeparator));
            break;
        case Action::Tab:
            if (inText) emit("\t");
            break;
        case Action::Character:
            if (inText) emitCharacter(info->character);
            break;
        case Action::ParagraphDefaults: state.alignment = ParagraphAlignment::Left; break;
        case Action::PlainCharacters:
            state.font = -1;
            state.fontSize = 24;
            state.color = 0;
            state.bold = state.italic = state.underline = false;
            break;
        case Action::Bold: state.bold = on; break;
        case Action::Italic: state.italic = on; break;
        case Action::Underline: state.underline = on; break;
        case Action::UnderlineNone: state.underline = false; break;
        case Action::Font:
            if (state.destination == Destination::FontTable) {
                defineFont(clampInt32(parameter, 0, INT32_MAX));
            } else {
                state.font = clampInt32(parameter, -1, INT32_MAX);
            }
            break;
        case Action::FontSize:
            // Half-points; Word's range is 1 to 1638 points. Nonsense keeps the current size.
            if (!hasParameter) {
                state.fontSize = 24;
            } else if (parameter >= 2 && parameter <= 3276) {
                state.fontSize = static_cast<int32_t>(parameter);
            }
            break;
        case Action::Color: state.color = clampInt32(parameter, 0, INT32_MAX); break;
        case Action::DefaultFont: defaultFont_ = clampInt32(parameter, 0, INT32_MAX); break;
        case Action::Align: state.alignment = info->alignment; break;
        case Action::DocumentCharset: setDocumentCodePage(info->codePage); break;
        case Action::AnsiCodePage: setDocumentCodePage(parameter); break;
        case Action::FontCharset:
            if (Font* font = fontBeingDefined()) {
                const int number = codePageOfCharset(parameter);
                font->codePage = number == 0 ? -1 : codePageIndex(number).value_or(-1);
            }
            break;
        case Action::FontCodePage:
            if (Font* font = fontBeingDefined()) {
                if (auto index = codePageIndex(parameter)) font->codePage = *index;
            }
            break;
        case Action::Red: colorComponent(red_, parameter); break;
        case Action::Green: colorComponent(green_, parameter); break;
        case Action::Blue: colorComponent(blue_, parameter); break;
        case Action::Unicode:
            if (!hasParameter) break;
            ucSkip_ = static_cast<size_t>(state.unicodeSkip);
            if (inText) unicode(parameter);
            break;
        case Action::UnicodeSkip: state.unicodeSkip = clampInt32(parameter, 0, 0xFFFF); break;
        case Action::Binary: skipBinary(hasParameter, parameter); break;
        }
    }

    // \uN is a signed 16-bit UTF-16 unit; characters beyond the BMP come as two of them.
    void unicode(int64_t value) {
        if (value < 0) value += 0x10000;
        const bool high = value >= 0xD800 && value <= 0xDBFF;
        const bool low = value >= 0xDC00 && value <= 0xDFFF;
        if (low && pendingHigh_ != 0) {
            const char32_t c =
                0x10000 + ((pendingHigh_ - 0xD800) << 10) + static_cast<char32_t>(value - 0xDC00);
            pendingHigh_ = 0;
            emitCharacter(c);
        } else if (high) {
            if (pendingHigh_ != 0) ++doc_.undecodable;
            pendingHigh_ = static_cast<char32_t>(value);
        } else if (low) {
            ++doc_.undecodable;
        } else if (value >= 0 && value <= 0x10FFFF) {
            emitCharacter(static_cast<char32_t>(value));
        }
    }

    void colorComponent(uint32_t& component, int64_t value) {
        if (groups_.back().destination != Destination::ColorTable) return;
        component = static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 255));
        colorHasValue_ = true;
    }

    // --- fonts and code pages

    void setDocumentCodePage(int64_t number) {
        if (auto index = codePageIndex(number)) documentCodePage_ = *index;
    }

    void defineFont(int32_t number) {
        finishFontName();
        currentFont_ = number;
        collectingFontName_ = false;
        if (fonts_.size() >= kMaxFonts && fonts_.find(number) == fonts_.end()) {
            currentFont_ = -1;
            return;
        }
        fonts_[number] = Font{};
        collectingFontName_ = true;
    }

    Font* fontBeingDefined() {
        if (groups_.back().destination != Destination::FontTable || currentFont_ < 0) {
            return nullptr;
        }
        const auto found = fonts_.find(currentFont_);
        return found != fonts_.end() ? &found->second : nullptr;
    }

    void finishFontName() {
        if (fontNameBytes_.empty()) return;
        if (Font* font = fontBeingDefined()) {
            std::string name;
            const int page = font->codePage >= 0 ? font->codePage : documentCodePage_;
            doc_.undecodable += decoders_.decoder(page).decode(fontNameBytes_, name);
            const size_t first = name.find_first_not_of(' ');
            const size_t last = name.find_last_not_of(' ');
            font->name = first == std::string::npos ? "" : name.substr(first, last - first + 1);
        }
        fontNameBytes_.clear();
    }

    const Font* currentFont() const {
        const int32_t number = groups_.back().font >= 0 ? groups_.back().font : defaultFont_;
        const auto found = fonts_.find(number);
        return found != fonts_.end() ? &found->second : nullptr;
    }

    // --- output

    // Bytes wait here until the attributes change, so that the two bytes of a double-byte
    // character given as separate escapes decode together, in the code page of their font.
    void flush() {
        if (pending_.empty()) return;
        const Font* font = currentFont();
        const int page =
            font != nullptr && font->codePage >= 0 ? font->codePage : documentCodePage_;
        std::string text;
        doc_.undecodable += decoders_.decoder(page).decode(pending_, text);
        pending_.clear();
        emit(std::move(text));
    }

    void emitCharacter(char32_t c) {
        if (c < 0x20 && c != '\t') return; // control characters carry no text
        std::string text;
        appendUtf8(text, c);
        emit(std::move(text));
    }

    void emit(std::string text) {
        if (text.empty()) return;
        if (pendingHigh_ != 0) { // a high surrogate whose low half never came
            ++doc_.undecodable;
            pendingHigh_ = 0;
        }
        const GroupState& state = groups_.back();
        TextRun run;
        run.text = std::move(text);
        if (const Font* font = currentFont()) run.fontName = font->name;
        run.fontSize = state.fontSize / 2.0;
        run.bold = state.bold;
        run.italic = state.italic;
        run.underline = state.underline;
        if (static_cast<size_t>(state.color) < colors_.size()) {
            run.color = colors_[static_cast<size_t>(state.color)];
        }
        doc_.paragraphs.back().append(std::move(run));
    }

    void paragraphBreak() {
        doc_.paragraphs.back().alignment = groups_.back().alignment;
        doc_.paragraphs.emplace_back();
    }

    ByteView in_;
    size_t pos_;
    RichText doc_;
    std::vector<GroupState> groups_;
    bool finished_ = false;
    size_t skipDepth_ = 0;     // > 0 inside a skipped group: its nesting so far
    size_t ucSkip_ = 0;        // fallback characters still to skip
    char32_t pendingHigh_ = 0; // a high surrogate waiting for its low half
    Bytes pending_;            // text bytes not yet decoded

    std::unordered_map<int32_t, Font> fonts_;
    int32_t defaultFont_ = 0;
    int32_t currentFont_ = -1; // the font table entry being read
    bool collectingFontName_ = false;
    Bytes fontNameBytes_;

    std::vector<uint32_t> colors_;
    uint32_t red_ = 0, green_ = 0, blue_ = 0;
    bool colorHasValue_ = false;

    int documentCodePage_ = 0;
    rtf::CodePageDecoders decoders_;
};

// Where "\rtf" follows the document's opening brace, if the bytes start as RTF does.
std::optional<size_t> documentStart(ByteView bytes) {
    const std::string_view text = asText(bytes);
    size_t i = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (i < text.size() && isSpace(static_cast<uint8_t>(text[i])))
        ++i;
    if (i >= text.size() || text[i] != '{') return std::nullopt;
    ++i;
    while (i < text.size() && isSpace(static_cast<uint8_t>(text[i])))
        ++i;
    const size_t control = i;
    if (text.substr(i, 4) != "\\rtf") return std::nullopt;
    i += 4;
    if (i < text.size() && isLetter(static_cast<uint8_t>(text[i]))) return std::nullopt;
    return control;
}

} // namespace

std::optional<RichText> readRtf(ByteView bytes) {
    try {
        const std::optional<size_t> start = documentStart(bytes);
        if (!start) return std::nullopt;
        return RtfParser(bytes, *start).read();
    } catch (const std::exception&) { // memory running out on a huge document
        return std::nullopt;
    }
}

} // namespace fu
