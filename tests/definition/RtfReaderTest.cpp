#include "definition/RtfReader.h"

#include "platform/Text.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace fu {
namespace {

std::optional<RichText> read(std::string_view rtf) { return readRtf(asBytes(rtf)); }

std::string plain(std::string_view rtf) {
    const std::optional<RichText> text = read(rtf);
    return text ? text->plainText() : "<not RTF>";
}

// Files written by TextEdit and other Mac tools. Each expected text was read independently from
// the file's \'hh escapes, decoded with the code page that the font's \fcharset names.
struct CorpusCase {
    const char* file;
    const char* expected;
};
const CorpusCase kCorpus[] = {
    // \ansicpg1252 document, Japanese runs in \fcharset128 fonts.
    {"rtf/cot-ja-ReadMe-cp1252+fcs128.rtf",
     "それぞれの正規表現構文に異なる部分がありますので留意して下さい。"},
    // \mac\ansicpg10001 with \fcharset78 (Mac Japanese) fonts.
    {"rtf/cot-ja-ToATOKUsers-mac10001.rtf", "そのまま使うと CotEditor がクラッシュしますので、"},
    {"rtf/cot-Known_problems-jp-cp932.rtf", "＞ これらはいずれも OS の制限によると思われます。"},
    // \'85 in the \fcharset0 font is the ellipsis of windows-1252, not a Shift_JIS lead byte.
    {"rtf/cot-ja-Credits-cocoartf1404.rtf", "… そしてすべての素敵な貢献者の皆様"},
    // \ansicpg936 with \fcharset128 (Shift_JIS), \fcharset134 (GB2312) and \fcharset0 runs.
    {"rtf/preskim-ja-Credits-cp936-mixed.rtf", "Corentin Cras-Méneur (フランス語)"},
    {"rtf/xspfmanager-ja-Credits-cp932.rtf",
     "このソフトウェアは以下のライセンスに基づきRemote Control Wrapperを使用しています。"},
    {"rtf/striprtf-issue_28.rtf", "市政府情况反映："},
    {"rtf/striprtf-issue_55_1.rtf", "\u0E40"}, // \fcharset222: windows-874 (Thai)
    {"rtf/striprtf-issue_37.rtf", "≤\n≤"},
    {"rtf/striprtf-mac_textedit_hyperlink.rtf", "First one is: striprtf.dev (plain)"},
    {"rtf/striprtf-pages_table_sample.rtf", "Hier steht wieder normaler Text."},
    {"rtf/d0rianb-test-file.rtf", "Je suis un retour à la ligne souligné"},
};

TEST(RtfReaderCorpus, ReadsEveryFileWithoutLoss) {
    FU_REQUIRE_CORPUS(folder, "rtf");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::optional<RichText> text = readRtf(test::readWholeFile(entry.path()));
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(text->undecodable, 0u);
        ++files;
    }
    EXPECT_GT(files, 0u);
}

TEST(RtfReaderCorpus, DecodesEachFontsCodePage) {
    for (const CorpusCase& item : kCorpus) {
        SCOPED_TRACE(item.file);
        FU_REQUIRE_CORPUS(path, item.file);
        const std::optional<RichText> text = readRtf(test::readWholeFile(path));
        ASSERT_TRUE(text.has_value());
        EXPECT_NE(text->plainText().find(item.expected), std::string::npos) << text->plainText();
    }
}

TEST(RtfReaderUnicode, SkipsFallbackCharactersPerGroupsUcCount) {
    // \uc1 skips the '?'; \uc0 skips nothing; \uc2 skips two \'hh escapes; after the group the
    // outer count applies again.
    EXPECT_EQ(plain(R"({\rtf1\ansi a\u12354?b{\uc0 c\u12356 d}\u12358?e\uc2\u12360\'82\'a6f})"),
              "aあbcいdうeえf");
    // A brace ends the fallback early.
    EXPECT_EQ(plain(R"({\rtf1\uc3 {\u12354}xyz})"), "あxyz");
}

TEST(RtfReaderUnicode, ReadsNegativeUnitsAndSurrogatePairs) {
    EXPECT_EQ(plain(R"({\rtf1 \u-255?\u-10179?\u-8704?})"), "！\U0001F600");
    const std::optional<RichText> unpaired = read(R"({\rtf1 \u-10179?x\u-8704?y})");
    ASSERT_TRUE(unpaired.has_value());
    EXPECT_EQ(unpaired->plainText(), "xy");
    EXPECT_EQ(unpaired->undecodable, 2u);
}

TEST(RtfReaderCodePages, DecodesDoubleByteEscapesInTheFontsCharset) {
    // Document code page 1252, Japanese font: \'83\'5c and \'83 followed by an escaped
    // backslash are both ソ; \'e9 in the ANSI font is é; a lone lead byte is dropped and counted.
    const std::optional<RichText> text =
        read(R"({\rtf1\ansi\ansicpg1252{\fonttbl\f0\fswiss\fcharset0 Helvetica;)"
             R"(\f1\fnil\fcharset128 HiraKakuProN-W3;})"
             R"(\f1 \'83\'5c\'83\\\'82\'c6\f0 \'e9\f1 \'83\f0 !})");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->plainText(), "ソソとé!");
    EXPECT_EQ(text->undecodable, 1u);
}

TEST(RtfReaderCodePages, ReadsMacCharsetsAndFontNamesInTheirCodePage) {
    // \mac is Mac Roman; \'a5 there is a bullet. A font name in Shift_JIS decodes too.
    const std::optional<RichText> text =
        read(R"({\rtf1\mac{\fonttbl\f0\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9;})"
             R"({\f1 \'a5}\f0 x})");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->plainText(), "•x");
    EXPECT_EQ(text->paragraphs.at(0).runs.back().fontName, "ＭＳ 明朝");
}

TEST(RtfReaderAttributes, GivesEachRunItsFontSizeColourAndStyle) {
    const std::optional<RichText> text =
        read(R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fswiss Helvetica;}})"
             R"({\colortbl;\red255\green0\blue0;\red0\green128\blue255;})"
             R"(\f1\fs36\cf2\b\i\ul x\ulnone\i0\b0\cf1\fs20 y\plain z})");
    ASSERT_TRUE(text.has_value());
    const auto& runs = text->paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 3u);
    const TextRun& x = runs[0];
    EXPECT_EQ(x.fontName, "Helvetica");
    EXPECT_EQ(x.fontSize, 18.0);
    EXPECT_EQ(x.color, 0x0080FFu);
    EXPECT_TRUE(x.bold && x.italic && x.underline);
    const TextRun& y = runs[1];
    EXPECT_EQ(y.fontSize, 10.0);
    EXPECT_EQ(y.color, 0xFF0000u);
    EXPECT_FALSE(y.bold || y.italic || y.underline);
    const TextRun& z = runs[2]; // \plain: the default font, 12 points, automatic colour
    EXPECT_EQ(z.fontName, "Times");
    EXPECT_EQ(z.fontSize, 12.0);
    EXPECT_EQ(z.color, 0u);
}

TEST(RtfReaderAttributes, GroupsRestoreStateAndEqualRunsMerge) {
    const std::optional<RichText> text = read(R"({\rtf1 a{\b b}c\b\b0 d})");
    ASSERT_TRUE(text.has_value());
    const auto& runs = text->paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs[1].bold);
    EXPECT_EQ(runs[2].text, "cd");
    EXPECT_FALSE(runs[2].bold);
}

TEST(RtfReaderStructure, ParagraphsLinesAndAlignment) {
    // TextEdit ends paragraphs with a backslash before the line end.
    const std::optional<RichText> text = read("{\\rtf1 one\\line two\\par\r\nthree\\qc\\\n\\pard}");
    ASSERT_TRUE(text.has_value());
    ASSERT_EQ(text->paragraphs.size(), 3u);
    EXPECT_EQ(text->paragraphs[0].runs.at(0).text, "one\u2028two");
    EXPECT_EQ(text->paragraphs[1].alignment, ParagraphAlignment::Center);
    EXPECT_EQ(text->paragraphs[2].alignment, ParagraphAlignment::Left);
    EXPECT_EQ(text->plainText(), "one\ntwo\nthree\n");
}

TEST(RtfReaderStructure, SymbolsEscapesAndTables) {
    EXPECT_EQ(plain(R"({\rtf1 a\tab b\~c\{\}\\\emdash\bullet\ldblquote q\rdblquote )"
                    R"(\trowd x\cell y\cell\row z})"),
              "a\tb\u00A0c{}\\—•“q”x\ty\t\nz");
}

TEST(RtfReaderStructure, SkipsDestinationsThatAreNotBodyText) {
    EXPECT_EQ(
        plain(R"({\rtf1{\*\unknown secret{\nested more}}{\info{\title T}}{\stylesheet{\s0 N;}})"
              R"({\pict\bin3 }}}}{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} shown})"),
        "link shown");
}

TEST(RtfReaderRobustness, OutOfRangeParametersChangeNothing) {
    const std::optional<RichText> text =
        read(R"({\rtf1\fs-5 a\fs99999999999999999999 b\u99999999999?c\uc99999999999 )"
             R"(\f-99999999999 d\cf-3 e\bin-7 f})");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->plainText(), "abcdef");
    EXPECT_EQ(text->paragraphs.at(0).runs.at(0).fontSize, 12.0);
}

TEST(RtfReaderRobustness, SkipsGroupsNestedBeyondTheLimit) {
    const std::string deep(100000, '{');
    const std::string close(100000, '}');
    EXPECT_EQ(plain("{\\rtf1 A" + deep + "B" + close + "C}"), "AC");
    EXPECT_EQ(plain("{\\rtf1 A" + std::string(50, '{') + "B" + std::string(50, '}') + "C}"), "ABC");
}

TEST(RtfReaderRobustness, EveryTruncationReadsAsFarAsItGoes) {
    const std::string rtf =
        R"({\rtf1\ansi\ansicpg1252{\fonttbl\f0\fcharset128 Osaka;}{\colortbl;\red1\green2\blue3;})"
        R"(\f0\cf1 \'82\'a0{\b \u-10179?\u-8704?}\par x\line\uc2\u12354\'82\'a0{\*\x y}})";
    for (size_t length = 0; length <= rtf.size(); ++length) {
        const std::optional<RichText> text = read(std::string_view(rtf).substr(0, length));
        ASSERT_EQ(text.has_value(), length >= 5) << length;
        if (text) {
            EXPECT_TRUE(platform::utf16Length(text->plainText()).has_value()) << length;
        }
    }
    EXPECT_EQ(plain(rtf), "あ\U0001F600\nx\nあ");
}

TEST(RtfReaderDetection, AcceptsOnlyRtfAndIgnoresWhatFollowsIt) {
    EXPECT_FALSE(read(""));
    EXPECT_FALSE(read(R"({\rtfx1 a})"));
    EXPECT_FALSE(read(R"(\rtf1 {a})"));
    EXPECT_EQ(plain("\xEF\xBB\xBF \r\n{ \\rtf1 a}b{\\b c}"), "a");
    EXPECT_TRUE(read(R"({\rtf1})")->empty());
}

} // namespace
} // namespace fu
