#include "platform/Text.h"

#include <gtest/gtest.h>

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

TEST(TextShiftJis, EncodesAndDecodesJapaneseText) {
    EXPECT_EQ(utf8ToShiftJis(kHiraginoKakuGo), kHiraginoKakuGoSjis);
    EXPECT_EQ(shiftJisToUtf8(kHiraginoKakuGoSjis), kHiraginoKakuGo);

    // Half-width katakana are single bytes; ASCII passes through unchanged.
    const Bytes halfWidth{'W', '3', ' ', 0xB1, 0xB2, 0xB3, 0xDE};
    EXPECT_EQ(shiftJisToUtf8(halfWidth), "W3 ｱｲｳﾞ");
    EXPECT_EQ(utf8ToShiftJis("W3 ｱｲｳﾞ"), halfWidth);

    EXPECT_EQ(shiftJisToUtf8({}), "");
    EXPECT_EQ(utf8ToShiftJis(""), Bytes{});
}

TEST(TextShiftJis, FailsOnBytesThatDoNotDecodeInsteadOfSubstituting) {
    const Bytes loneLeadByteAtEnd{'a', 'b', 0x82};
    const Bytes leadByteWithBadTrail{0x82, 0x20};
    const Bytes unassignedSingleByte{0xA0};
    const Bytes unassignedHighByte{0xFD};
    EXPECT_EQ(shiftJisToUtf8(loneLeadByteAtEnd), std::nullopt);
    EXPECT_EQ(shiftJisToUtf8(leadByteWithBadTrail), std::nullopt);
    EXPECT_EQ(shiftJisToUtf8(unassignedSingleByte), std::nullopt);
    EXPECT_EQ(shiftJisToUtf8(unassignedHighByte), std::nullopt);
}

TEST(TextShiftJis, FailsOnCharactersItCannotRepresent) {
    EXPECT_EQ(utf8ToShiftJis("한"), std::nullopt);
    EXPECT_EQ(utf8ToShiftJis("角ゴ😀"), std::nullopt);
    // Ill-formed UTF-8: a stray continuation byte and a truncated sequence.
    EXPECT_EQ(utf8ToShiftJis("\x80"), std::nullopt);
    EXPECT_EQ(utf8ToShiftJis("角\xE8\xA7"), std::nullopt);
}

TEST(TextUtf16be, RoundTripsIncludingASurrogatePair) {
    // U+20BB7 is outside the BMP: high surrogate D842, low surrogate DFB7.
    const std::string text = "Aヒ\U00020BB7";
    const Bytes encoded{0x00, 0x41, 0x30, 0xD2, 0xD8, 0x42, 0xDF, 0xB7};
    EXPECT_EQ(utf8ToUtf16be(text), encoded);
    EXPECT_EQ(utf16beToUtf8(encoded), text);
    EXPECT_EQ(utf16beToUtf8({}), "");
}

TEST(TextUtf16be, NeitherAddsNorStripsAByteOrderMark) {
    EXPECT_EQ(utf8ToUtf16be("A"), (Bytes{0x00, 0x41}));
    // A leading U+FEFF is text like any other and survives both ways.
    const Bytes withMark{0xFE, 0xFF, 0x00, 0x41};
    EXPECT_EQ(utf16beToUtf8(withMark), "\uFEFFA");
    EXPECT_EQ(utf8ToUtf16be("\uFEFFA"), withMark);
}

TEST(TextUtf16be, FailsOnOddLengthUnpairedSurrogatesAndBadUtf8) {
    EXPECT_EQ(utf16beToUtf8(Bytes{0x00, 0x41, 0x00}), std::nullopt);
    EXPECT_EQ(utf16beToUtf8(Bytes{0xD8, 0x42, 0x00, 0x41}), std::nullopt); // high, then BMP
    EXPECT_EQ(utf16beToUtf8(Bytes{0x00, 0x41, 0xD8, 0x42}), std::nullopt); // high at the end
    EXPECT_EQ(utf16beToUtf8(Bytes{0xDF, 0xB7, 0xD8, 0x42}), std::nullopt); // pair reversed
    EXPECT_EQ(utf8ToUtf16be("\xED\xA0\x80"), std::nullopt); // a surrogate encoded as UTF-8
    EXPECT_EQ(utf8ToUtf16be("\xC0\xAF"), std::nullopt);     // overlong "/"
}

TEST(TextDecodeCharset, DecodesWithTheNamedConverterStrictly) {
    EXPECT_EQ(decodeCharset(Bytes{0x80, 'x'}, "windows-1252"), "€x");
    EXPECT_EQ(decodeCharset(Bytes{0xD6, 0xD0, 0xCE, 0xC4}, "GB2312"), "中文");
    EXPECT_EQ(decodeCharset(Bytes{0xD6}, "GB2312"), std::nullopt);
    EXPECT_EQ(decodeCharset(kHiraginoKakuGoSjis, "Shift_JIS"), kHiraginoKakuGo);
}

TEST(TextDecodeCharset, FailsForAnUnknownOrMissingConverterName) {
    const Bytes ascii{'a'};
    EXPECT_EQ(decodeCharset(ascii, "no-such-charset"), std::nullopt);
    EXPECT_EQ(decodeCharset(ascii, ""), std::nullopt);
    EXPECT_EQ(decodeCharset(ascii, nullptr), std::nullopt);
}

TEST(TextUtf16Length, CountsCodeUnitsNotBytesOrCharacters) {
    EXPECT_EQ(utf16Length(""), 0u);
    EXPECT_EQ(utf16Length("abc"), 3u);
    EXPECT_EQ(utf16Length(kHiraginoKakuGo), 6u);
    EXPECT_EQ(utf16Length("\U00020BB7"), 2u);
    EXPECT_EQ(utf16Length("ab\xC3"), std::nullopt);
    EXPECT_EQ(utf16Length("\xFF"), std::nullopt);
}

TEST(TextCanonicallyEqual, EqualsPrecomposedAndDecomposedKanaOnly) {
    const std::string precomposedGa = "\u304C";      // が
    const std::string decomposedGa = "\u304B\u3099"; // か + combining voiced mark
    EXPECT_TRUE(canonicallyEqual(precomposedGa, decomposedGa));
    EXPECT_TRUE(canonicallyEqual("ヒラギノ角ゴ W3", "ヒラキ\u3099ノ角ゴ W3"));
    EXPECT_TRUE(canonicallyEqual("", ""));

    EXPECT_FALSE(canonicallyEqual(precomposedGa, "\u304B"));
    EXPECT_FALSE(canonicallyEqual(precomposedGa, "\u30AC")); // katakana ガ
    // Half-width ｶﾞ is only compatibility-equivalent to ガ.
    EXPECT_FALSE(canonicallyEqual("ｶﾞ", "\u30AC"));
    EXPECT_FALSE(canonicallyEqual("\xFF", "\xFF"));
}

TEST(TextToNFC, ComposesWithoutCompatibilityFolding) {
    EXPECT_EQ(toNFC("\u304B\u3099ABC"), "\u304C"
                                        "ABC");
    EXPECT_EQ(toNFC("ヒラギノ"), "ヒラギノ");
    EXPECT_EQ(toNFC("ｶﾞ"), "ｶﾞ");
    EXPECT_EQ(toNFC(""), "");
    EXPECT_EQ(toNFC("\xE3\x81"), std::nullopt);
}

} // namespace
} // namespace fu
