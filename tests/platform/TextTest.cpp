#include "platform/Text.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace fu {
namespace {

using platform::canonicallyEqual;
using platform::decodeCharset;
using platform::shiftJisToUtf8;
using platform::toNFC;
using platform::utf16beToUtf8;
using platform::utf16Length;
using platform::utf8ToShiftJis;
using platform::utf8ToUtf16be;

// Shift_JIS bytes from the JIS X 0208 / JIS X 0201 code charts.
const Bytes kHiraginoKakuGoSjis{0x83, 0x71, 0x83, 0x89, 0x83, 0x4D,
                                0x83, 0x6D, 0x8A, 0x70, 0x83, 0x53};
const std::string kHiraginoKakuGo = "ヒラギノ角ゴ";

TEST(TextShiftJis, EncodesAndDecodesJapaneseTextOrFails) {
    EXPECT_EQ(utf8ToShiftJis(kHiraginoKakuGo), kHiraginoKakuGoSjis);
    EXPECT_EQ(shiftJisToUtf8(kHiraginoKakuGoSjis), kHiraginoKakuGo);
    // Half-width katakana are single bytes.
    EXPECT_EQ(shiftJisToUtf8(Bytes{0xB1, 0xDE}), "ｱﾞ");
    // It fails instead of substituting what it cannot convert.
    EXPECT_EQ(shiftJisToUtf8(Bytes{0x82, 0x20}), std::nullopt); // lead byte, bad trail byte
    EXPECT_EQ(utf8ToShiftJis("한"), std::nullopt);
    EXPECT_EQ(utf8ToShiftJis("\x80"), std::nullopt); // ill-formed UTF-8
}

TEST(TextUtf16be, RoundTripsASurrogatePairKeepsAByteOrderMarkAndFailsOnBadInput) {
    // U+20BB7 is outside the BMP: high surrogate D842, low surrogate DFB7.
    const std::string text = "\uFEFFA\U00020BB7";
    const Bytes encoded{0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x42, 0xDF, 0xB7};
    EXPECT_EQ(utf8ToUtf16be(text), encoded);
    EXPECT_EQ(utf16beToUtf8(encoded), text);
    // Odd lengths, unpaired surrogates and bad UTF-8 fail.
    EXPECT_EQ(utf16beToUtf8(Bytes{0x00, 0x41, 0x00}), std::nullopt);
    EXPECT_EQ(utf16beToUtf8(Bytes{0x00, 0x41, 0xD8, 0x42}), std::nullopt); // high at the end
    EXPECT_EQ(utf8ToUtf16be("\xED\xA0\x80"), std::nullopt); // a surrogate encoded as UTF-8
}

TEST(TextDecodeCharset, DecodesWithTheNamedConverterStrictly) {
    EXPECT_EQ(decodeCharset(Bytes{0x80, 'x'}, "windows-1252"), "€x");
    EXPECT_EQ(decodeCharset(Bytes{0xD6}, "GB2312"), std::nullopt);
    EXPECT_EQ(decodeCharset(Bytes{'a'}, "no-such-charset"), std::nullopt);
    EXPECT_EQ(decodeCharset(Bytes{'a'}, nullptr), std::nullopt);
}

TEST(TextUtf16Length, CountsCodeUnitsNotBytesOrCharacters) {
    EXPECT_EQ(utf16Length(kHiraginoKakuGo), 6u);
    EXPECT_EQ(utf16Length("\U00020BB7"), 2u);
    EXPECT_EQ(utf16Length("ab\xC3"), std::nullopt);
}

TEST(TextCanonicallyEqual, EqualsPrecomposedAndDecomposedKanaOnly) {
    EXPECT_TRUE(canonicallyEqual("ヒラギノ角ゴ W3", "ヒラキ\u3099ノ角ゴ W3"));
    EXPECT_FALSE(canonicallyEqual("\u304C", "\u304B")); // が is not か
    // Half-width ｶﾞ is only compatibility-equivalent to ガ.
    EXPECT_FALSE(canonicallyEqual("ｶﾞ", "\u30AC"));
}

TEST(TextToNFC, ComposesWithoutCompatibilityFolding) {
    EXPECT_EQ(toNFC("\u304B\u3099ABC"), "\u304C"
                                        "ABC");
    EXPECT_EQ(toNFC("ｶﾞ"), "ｶﾞ");
    EXPECT_EQ(toNFC("\xE3\x81"), std::nullopt);
}

// The three variables a POSIX program takes its collation from, set for one scope.
test::ScopedEnvironment collation(const char* all, const char* collate, const char* lang) {
    return {{"LC_ALL", all}, {"LC_COLLATE", collate}, {"LANG", lang}};
}

bool before(const char* a, const char* b) {
    const platform::TextCollator collator;
    return collator.compare(a, b) < 0 && collator.compare(b, a) > 0;
}

// Swedish sorts ö after z, German beside o: which one applies shows which variable was read.
// C names no language: the Unicode default order, not the bytes (which put "B" first).
TEST(TextCollator, FollowsLcAllThenLcCollateThenLang) {
    struct Case {
        const char *all, *collate, *lang, *first, *second;
    };
    for (const Case& c :
         {Case{"sv_SE.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", "z", "ö"},
          Case{nullptr, "sv_SE.UTF-8", "de_DE.UTF-8", "z", "ö"},
          Case{nullptr, nullptr, "de_DE.UTF-8@euro", "ö", "z"},
          Case{"C", nullptr, nullptr, "a", "B"}, Case{"C", nullptr, nullptr, "é", "f"}}) {
        const auto environment = collation(c.all, c.collate, c.lang);
        EXPECT_TRUE(before(c.first, c.second))
            << c.first << " before " << c.second << ", LC_ALL " << (c.all ? c.all : "unset");
    }
}

TEST(TextCollator, OrdersEveryPairOfDifferentTextsOneWay) {
    const auto environment = collation("ja_JP.UTF-8", nullptr, nullptr);
    const platform::TextCollator collator;
    // Canonically equal, so equal to the collation: the bytes still tell them apart.
    const std::string composed = "が", decomposed = "か\u3099";
    EXPECT_NE(collator.compare(composed, decomposed), 0);
    EXPECT_EQ(collator.compare(composed, decomposed) < 0,
              collator.compare(decomposed, composed) > 0);
    // A file name need not be UTF-8.
    EXPECT_NE(collator.compare("\xff", "\xfe"), 0);
    EXPECT_EQ(collator.compare("\xff", "\xfe") < 0, collator.compare("\xfe", "\xff") > 0);
    EXPECT_EQ(collator.compare("同じ", "同じ"), 0);
}

} // namespace
} // namespace fu
