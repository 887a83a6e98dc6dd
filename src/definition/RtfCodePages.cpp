#include "definition/RtfCodePages.h"

#include "platform/Text.h"

#include <string_view>

namespace fu::rtf {
namespace {

// What \ansicpg, \cpg and \fcharset can name. The first entry is the fallback (\ansi). 10001 is
// Mac Japanese, whose Shift_JIS core ICU reads as CP932; its few Apple additions follow below.
constexpr std::array kCodePages{
    CodePageInfo{1252, "windows-1252", false},
    CodePageInfo{1250, "windows-1250", false},
    CodePageInfo{1251, "windows-1251", false},
    CodePageInfo{1253, "windows-1253", false},
    CodePageInfo{1254, "windows-1254", false},
    CodePageInfo{1255, "windows-1255", false},
    CodePageInfo{1256, "windows-1256", false},
    CodePageInfo{1257, "windows-1257", false},
    CodePageInfo{1258, "windows-1258", false},
    CodePageInfo{874, "windows-874", false},
    CodePageInfo{437, "ibm-437", false},
    CodePageInfo{850, "ibm-850", false},
    CodePageInfo{852, "ibm-852", false},
    CodePageInfo{866, "ibm-866", false},
    CodePageInfo{932, "Shift_JIS", true},
    CodePageInfo{936, "windows-936", true},
    CodePageInfo{949, "windows-949", true},
    CodePageInfo{950, "windows-950", true},
    CodePageInfo{10000, "macintosh", false},
    CodePageInfo{10001, "Shift_JIS", true},
    CodePageInfo{10006, "x-mac-greek", false},
    CodePageInfo{10007, "x-mac-cyrillic", false},
    CodePageInfo{10029, "x-mac-centraleurroman", false},
};
constexpr int kMacJapanese = 10001;

// Apple's Mac Japanese puts these where CP932 has nothing.
std::optional<std::string_view> macJapaneseAddition(uint8_t byte) {
    switch (byte) {
    case 0x80: return "\\";
    case 0xA0: return "\u00A0";
    case 0xFD: return "\u00A9";
    case 0xFE: return "\u2122";
    case 0xFF: return "\u2026";
    default: return std::nullopt;
    }
}

} // namespace

std::optional<int> codePageIndex(int64_t number) {
    for (size_t i = 0; i < kCodePages.size(); ++i) {
        if (kCodePages[i].number == number) return static_cast<int>(i);
    }
    return std::nullopt;
}

// The Mac charsets 77 to 81 read through their Windows counterparts where ICU has no Mac table.
int codePageOfCharset(int64_t charset) {
    switch (charset) {
    case 0: // ANSI
    case 2: // Symbol: no Unicode meaning of its own
        return 1252;
    case 77: return 10000;
    case 78: return kMacJapanese;
    case 79:
    case 129: return 949;
    case 80:
    case 134: return 936;
    case 81:
    case 136: return 950;
    case 128: return 932;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0; // 1 (default charset) and anything unknown
    }
}

bool CodePageDecoder::usable() {
    if (!usable_) usable_ = platform::decodeCharset(asBytes("A"), info_.converter).has_value();
    return *usable_;
}

size_t CodePageDecoder::decode(ByteView bytes, std::string& out) {
    size_t dropped = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t byte = bytes[i];
        if (byte < 0x80) { // RTF text is ASCII below 0x80 whatever the code page
            size_t end = i + 1;
            while (end < bytes.size() && bytes[end] < 0x80)
                ++end;
            out.append(asText(bytes.subspan(i, end - i)));
            i = end;
        } else if (const std::string* text = single(byte)) {
            out += *text;
            ++i;
        } else if (info_.doubleByte && i + 1 < bytes.size()) {
            // Lead bytes never decode alone; the trail may well be ASCII ('\\', '{', '@').
            if (const std::string* pairText = pair(byte, bytes[i + 1])) {
                out += *pairText;
                i += 2;
            } else {
                ++dropped;
                ++i;
            }
        } else {
            ++dropped;
            ++i;
        }
    }
    return dropped;
}

const std::string* CodePageDecoder::single(uint8_t byte) {
    Entry& entry = singles_[byte - 0x80];
    if (!entry.known) {
        entry.known = true;
        const std::array<uint8_t, 1> one{byte};
        entry.text = platform::decodeCharset(one, info_.converter);
        if (!entry.text && info_.number == kMacJapanese) {
            if (auto addition = macJapaneseAddition(byte)) entry.text = std::string(*addition);
        }
    }
    return entry.text ? &*entry.text : nullptr;
}

const std::string* CodePageDecoder::pair(uint8_t lead, uint8_t trail) {
    Entry& entry = pairs_[static_cast<uint16_t>((lead << 8) | trail)];
    if (!entry.known) {
        entry.known = true;
        const std::array<uint8_t, 2> two{lead, trail};
        entry.text = platform::decodeCharset(two, info_.converter);
    }
    return entry.text ? &*entry.text : nullptr;
}

CodePageDecoders::CodePageDecoders() : decoders_(kCodePages.size()) {}
CodePageDecoders::~CodePageDecoders() = default;

CodePageDecoder& CodePageDecoders::decoder(int index) {
    if (index < 0 || static_cast<size_t>(index) >= kCodePages.size()) index = 0;
    auto& slot = decoders_[static_cast<size_t>(index)];
    if (!slot) slot = std::make_unique<CodePageDecoder>(kCodePages[static_cast<size_t>(index)]);
    if (!slot->usable() && index != 0) return decoder(0);
    return *slot;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace fu::rtf
