// fontTools, an independent reader, judges the fonts we make and rebuild: every table checksum
// verified, every table decompiled, the whole-font checksum, 'head' dates and decoded names.
#include "base/Hex.h"
#include "sfnt/SfntData.h"
#include "sfnt/SfntTableName.h"
#include "suitcase/ResItem.h"
#include "support/Command.h"
#include "support/SampleFont.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

// argv: font path, created, modified, Japanese full name and version string (UTF-8 as hex).
constexpr const char* kCheckFont = R"py(
import struct, sys
from fontTools.ttLib import TTFont
path, created, modified = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
full_name, version = (bytes.fromhex(a).decode("utf-8") for a in sys.argv[4:6])
font = TTFont(path, checkChecksums=2)
for tag in font.keys():
    font[tag]
data = open(path, "rb").read()
assert len(data) % 4 == 0, "length not 4-byte aligned"
total = sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF
assert total == 0xB1B0AFBA, "checkSumAdjustment is off: %08X" % total
count = struct.unpack(">H", data[4:6])[0]
tags = [data[12 + 16 * i:16 + 16 * i] for i in range(count)]
assert tags == sorted(tags), "directory not sorted by tag: %r" % tags
head = font["head"]
assert (head.created, head.modified) == (created, modified), (head.created, head.modified)
assert font["name"].getName(4, 1, 1, 11).toUnicode() == full_name
versions = [r.toUnicode() for r in font["name"].names if r.nameID == 5]
assert versions and all(v == version for v in versions), versions
glyf = font["glyf"]
for name in font.getGlyphOrder():
    glyph = glyf[name]
    stored = (glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax)
    assert glyph.numberOfContours > 0, name + " has no outline"
    glyph.recalcBounds(glyf)
    assert stored == (glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax), name + " bounds"
)py";

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string hex(const std::string& text) { return hexString(asBytes(text), HexCase::Lower); }

class SfntOracle : public test::SandboxTest {
protected:
    void SetUp() override {
        if (test::runCommand(std::string(kPython) + " -c 'import fontTools' 2>&1").exitStatus != 0)
            GTEST_SKIP() << kPython << " with fontTools is missing";
    }

    void expectFontToolsAccepts(const Bytes& font, int64_t created, int64_t modified,
                                const std::string& fullName, const std::string& version) {
        const std::string path = sandbox.writeFile("font.ttf", font);
        const auto [status, output] = test::runCommand(
            std::string(kPython) + " -c " + shellQuoted(kCheckFont) + " " + shellQuoted(path) +
            " " + std::to_string(created) + " " + std::to_string(modified) + " " + hex(fullName) +
            " " + hex(version) + " 2>&1");
        EXPECT_EQ(status, 0) << output;
    }
};

TEST_F(SfntOracle, SampleFontsAreValid) {
    for (const bool longLoca : {false, true}) {
        sample::SampleFontOptions options;
        options.glyphCount = 30;
        options.padBytes = 5;
        options.longLoca = longLoca;
        options.created = 3029562000;
        options.modified = 3600000000;
        SCOPED_TRACE(longLoca ? "long loca" : "short loca");
        expectFontToolsAccepts(sample::makeTrueTypeFont(options), options.created, options.modified,
                               options.japaneseName, "Version 1.0.0");
    }
}

TEST_F(SfntOracle, AFontRebuiltWithANewNameTableIsValid) {
    sample::SampleFontOptions options;
    options.padBytes = 3;
    const auto font = SfntData::initWithSfntData(sample::makeTrueTypeFont(options));
    ASSERT_NE(font, nullptr);
    const SfntTable* nameTable = font->tableForTag(fourCC("name"));
    ASSERT_NE(nameTable, nullptr);
    auto name = SfntTableName::initWithNameData(nameTable->tableData);
    ASSERT_NE(name, nullptr);
    for (SfntTableNameItem& item : name->nameItems) {
        if (item.nameID == 5) {
            ASSERT_TRUE(item.setNameString("Version 1.0.1"));
        }
    }
    SfntTable replacement;
    replacement.tag = fourCC("name");
    ASSERT_TRUE(SfntTableName::setSfntTableName(*name, replacement));
    ASSERT_TRUE(font->replaceTableDataWithSfntTable(replacement));

    ResItem item;
    ASSERT_TRUE(SfntData::setSfntData(*font, item, "2000/01/01 09:00:00", "2000/01/02 09:00:00"));
    // 2000-01-01 00:00 UTC is 35064 days after 1904-01-01, and Japan time adds nine hours.
    const int64_t created = 35064LL * 86400 + 32400;
    expectFontToolsAccepts(*item.resData(), created, created + 86400, options.japaneseName,
                           "Version 1.0.1");
}

} // namespace
} // namespace fu
