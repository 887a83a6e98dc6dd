// Table layouts follow the published OpenType format ('head', 'hhea', 'maxp' 1.0, 'OS/2' 4, 'cmap'
// format 4, 'post' 3, 'glyf' simple glyphs, 'loca', 'hmtx', 'name').
#include "support/SampleFont.h"

#include "base/ByteWriter.h"
#include "sfnt/SfntData.h"
#include "sfnt/SfntTableName.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace fu::sample {
namespace {

constexpr uint16_t kUnitsPerEm = 1000;
constexpr int16_t kAscender = 800;
constexpr int16_t kDescender = -200;
constexpr uint16_t kFirstMappedChar = 'A';
constexpr uint16_t kMappedLetters = 26;

struct Point {
    int16_t x;
    int16_t y;
    bool onCurve;
};
using Contour = std::vector<Point>;

struct Glyph {
    std::vector<Contour> contours;
    int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    uint16_t advanceWidth = 0;
    size_t pointCount = 0;
};

// Outer contours run clockwise and counters anticlockwise, as TrueType fills them.
Contour rectangle(int x0, int y0, int x1, int y1, bool clockwise = true) {
    Contour c{{int16_t(x0), int16_t(y0), true},
              {int16_t(x0), int16_t(y1), true},
              {int16_t(x1), int16_t(y1), true},
              {int16_t(x1), int16_t(y0), true}};
    if (!clockwise) std::reverse(c.begin() + 1, c.end());
    return c;
}

Contour triangle(int x0, int y0, int x1, int y1) {
    return {{int16_t(x0), int16_t(y0), true},
            {int16_t((x0 + x1) / 2), int16_t(y1), true},
            {int16_t(x1), int16_t(y0), true}};
}

// A round shape from four quadratic arcs: on-curve points at the extremes, control points at
// the corners of the bounding square.
Contour roundShape(int cx, int cy, int r, bool clockwise = true) {
    Contour c{{int16_t(cx), int16_t(cy + r), true}, {int16_t(cx + r), int16_t(cy + r), false},
              {int16_t(cx + r), int16_t(cy), true}, {int16_t(cx + r), int16_t(cy - r), false},
              {int16_t(cx), int16_t(cy - r), true}, {int16_t(cx - r), int16_t(cy - r), false},
              {int16_t(cx - r), int16_t(cy), true}, {int16_t(cx - r), int16_t(cy + r), false}};
    if (!clockwise) std::reverse(c.begin() + 1, c.end());
    return c;
}

// Four kinds of shape, each kind growing with the glyph number so that no two glyphs are alike.
Glyph makeGlyph(uint16_t index) {
    Glyph glyph;
    if (index == 0) { // .notdef: the customary hollow box
        glyph.contours = {rectangle(50, 0, 450, 700), rectangle(100, 50, 400, 650, false)};
    } else {
        const int kind = (index - 1) % 4;
        const int grow = ((index - 1) / 4) % 256;
        const int height = 450 + grow;
        switch (kind) {
        case 0: glyph.contours = {triangle(40, 0, 560, height)}; break;
        case 1: glyph.contours = {rectangle(60, 0, 260 + grow, height)}; break;
        case 2: glyph.contours = {roundShape(300, height / 2, height / 2)}; break;
        default: // a ring
            glyph.contours = {roundShape(320, height / 2, height / 2),
                              roundShape(320, height / 2, height / 4, false)};
            break;
        }
    }
    glyph.xMin = glyph.yMin = std::numeric_limits<int16_t>::max();
    glyph.xMax = glyph.yMax = std::numeric_limits<int16_t>::min();
    for (const Contour& contour : glyph.contours) {
        for (const Point& p : contour) {
            glyph.xMin = std::min(glyph.xMin, p.x);
            glyph.yMin = std::min(glyph.yMin, p.y);
            glyph.xMax = std::max(glyph.xMax, p.x);
            glyph.yMax = std::max(glyph.yMax, p.y);
        }
        glyph.pointCount += contour.size();
    }
    glyph.advanceWidth = static_cast<uint16_t>(glyph.xMax + 60);
    return glyph;
}

// A simple glyph with uncompressed flags and 16-bit coordinate deltas, padded to 4 bytes.
Bytes encodeGlyph(const Glyph& glyph) {
    ByteWriter w;
    w.writeI16(static_cast<int16_t>(glyph.contours.size()));
    w.writeI16(glyph.xMin);
    w.writeI16(glyph.yMin);
    w.writeI16(glyph.xMax);
    w.writeI16(glyph.yMax);
    size_t last = 0;
    for (const Contour& contour : glyph.contours) {
        last += contour.size();
        w.writeU16(static_cast<uint16_t>(last - 1)); // endPtsOfContours
    }
    w.writeU16(0); // instructionLength
    for (const Contour& contour : glyph.contours)
        for (const Point& p : contour)
            w.writeU8(p.onCurve ? 0x01 : 0x00);
    int16_t previous = 0;
    for (const Contour& contour : glyph.contours)
        for (const Point& p : contour) {
            w.writeI16(static_cast<int16_t>(p.x - previous));
            previous = p.x;
        }
    previous = 0;
    for (const Contour& contour : glyph.contours)
        for (const Point& p : contour) {
            w.writeI16(static_cast<int16_t>(p.y - previous));
            previous = p.y;
        }
    w.padTo(4);
    return w.take();
}

struct Metrics {
    int16_t xMin, yMin, xMax, yMax;
    uint16_t advanceWidthMax;
    int16_t minLeftSideBearing, minRightSideBearing;
    int16_t averageWidth;
    uint16_t maxPoints, maxContours;
};

Metrics measure(const std::vector<Glyph>& glyphs) {
    Metrics m{std::numeric_limits<int16_t>::max(),
              std::numeric_limits<int16_t>::max(),
              std::numeric_limits<int16_t>::min(),
              std::numeric_limits<int16_t>::min(),
              0,
              std::numeric_limits<int16_t>::max(),
              std::numeric_limits<int16_t>::max(),
              0,
              0,
              0};
    uint64_t widthSum = 0;
    for (const Glyph& g : glyphs) {
        m.xMin = std::min(m.xMin, g.xMin);
        m.yMin = std::min(m.yMin, g.yMin);
        m.xMax = std::max(m.xMax, g.xMax);
        m.yMax = std::max(m.yMax, g.yMax);
        m.advanceWidthMax = std::max(m.advanceWidthMax, g.advanceWidth);
        m.minLeftSideBearing = std::min(m.minLeftSideBearing, g.xMin);
        m.minRightSideBearing =
            std::min(m.minRightSideBearing, static_cast<int16_t>(g.advanceWidth - g.xMax));
        m.maxPoints = std::max(m.maxPoints, static_cast<uint16_t>(g.pointCount));
        m.maxContours = std::max(m.maxContours, static_cast<uint16_t>(g.contours.size()));
        widthSum += g.advanceWidth;
    }
    m.averageWidth = static_cast<int16_t>((widthSum + glyphs.size() / 2) / glyphs.size());
    return m;
}

int32_t fontRevision(const std::string& version) {
    // The leading whole number as the 16.16 integer part; "1.0.0" gives 1.0.
    int32_t major = 0;
    for (char c : version) {
        if (c < '0' || c > '9' || major > 0x7FF) break;
        major = major * 10 + (c - '0');
    }
    return major << 16;
}

Bytes makeHead(const SampleFontOptions& o, const Metrics& m, bool longLoca) {
    ByteWriter w;
    w.writeU32(0x00010000);
    w.writeI32(fontRevision(o.version));
    w.writeU32(0);          // checkSumAdjustment, set when the font is assembled
    w.writeU32(0x5F0F3CF5); // magicNumber
    w.writeU16(0x000B);     // baseline at y=0, left sidebearing at x=0, integer scaling
    w.writeU16(kUnitsPerEm);
    w.writeI64(o.created);
    w.writeI64(o.modified);
    w.writeI16(m.xMin);
    w.writeI16(m.yMin);
    w.writeI16(m.xMax);
    w.writeI16(m.yMax);
    w.writeU16(0); // macStyle
    w.writeU16(8); // lowestRecPPEM
    w.writeI16(2); // fontDirectionHint
    w.writeI16(longLoca ? 1 : 0);
    w.writeI16(0); // glyphDataFormat
    return w.take();
}

Bytes makeHhea(const Metrics& m, uint16_t glyphCount) {
    ByteWriter w;
    w.writeU32(0x00010000);
    w.writeI16(kAscender);
    w.writeI16(kDescender);
    w.writeI16(0); // lineGap
    w.writeU16(m.advanceWidthMax);
    w.writeI16(m.minLeftSideBearing);
    w.writeI16(m.minRightSideBearing);
    w.writeI16(m.xMax); // xMaxExtent: every glyph's lsb is its xMin
    w.writeI16(1);      // caretSlopeRise
    w.writeI16(0);      // caretSlopeRun
    w.writeI16(0);      // caretOffset
    w.writeZeros(8);    // reserved
    w.writeI16(0);      // metricDataFormat
    w.writeU16(glyphCount);
    return w.take();
}

Bytes makeMaxp(const Metrics& m, uint16_t glyphCount) {
    ByteWriter w;
    w.writeU32(0x00010000);
    w.writeU16(glyphCount);
    w.writeU16(m.maxPoints);
    w.writeU16(m.maxContours);
    w.writeU16(0);       // maxCompositePoints
    w.writeU16(0);       // maxCompositeContours
    w.writeU16(2);       // maxZones
    w.writeZeros(2 * 8); // twilight points, storage, FDEFs, IDEFs, stack, instructions, components
    return w.take();
}

Bytes makeOS2(const Metrics& m, uint16_t mappedLetters) {
    ByteWriter w;
    w.writeU16(4); // version
    w.writeI16(m.averageWidth);
    w.writeU16(400); // usWeightClass
    w.writeU16(5);   // usWidthClass
    w.writeU16(0);   // fsType: installable
    for (int16_t v : {650, 600, 0, 75, 650, 600, 0, 350, 50, 300})
        w.writeI16(v); // sub/superscript, strikeout
    w.writeI16(0);     // sFamilyClass
    w.writeZeros(10);  // panose
    w.writeU32(1);     // ulUnicodeRange1: Basic Latin
    w.writeZeros(12);  // ulUnicodeRange2..4
    w.writeBytes(asBytes("FUPD"));
    w.writeU16(0x0040); // fsSelection: REGULAR
    w.writeU16(mappedLetters ? kFirstMappedChar : 0xFFFF);
    w.writeU16(mappedLetters ? kFirstMappedChar + mappedLetters - 1 : 0xFFFF);
    w.writeI16(kAscender);
    w.writeI16(kDescender);
    w.writeI16(0); // sTypoLineGap
    w.writeU16(static_cast<uint16_t>(std::max<int>(kAscender, m.yMax)));
    w.writeU16(static_cast<uint16_t>(std::max<int>(-kDescender, -m.yMin)));
    w.writeU32((1u << 0) | (1u << 17)); // ulCodePageRange1: Latin 1, JIS/Japan
    w.writeU32(0);
    w.writeI16(500); // sxHeight
    w.writeI16(700); // sCapHeight
    w.writeU16(0);   // usDefaultChar
    w.writeU16(' '); // usBreakChar
    w.writeU16(0);   // usMaxContext
    return w.take();
}

// One format 4 subtable, shared by the Unicode and Windows encoding records: a delta segment
// for the letters and the closing 0xFFFF segment.
Bytes makeCmap(uint16_t mappedLetters) {
    struct Segment {
        uint16_t start, end, delta;
    };
    std::vector<Segment> segments;
    if (mappedLetters > 0)
        segments.push_back({kFirstMappedChar, uint16_t(kFirstMappedChar + mappedLetters - 1),
                            uint16_t(1 - kFirstMappedChar)});
    segments.push_back({0xFFFF, 0xFFFF, 1});
    const auto segCount = static_cast<uint16_t>(segments.size());
    const uint16_t searchRange = static_cast<uint16_t>(2 * std::bit_floor(segCount));

    ByteWriter w;
    w.writeU16(0); // version
    w.writeU16(2); // numTables
    w.writeU16(0);
    w.writeU16(3);
    w.writeU32(20);
    w.writeU16(3);
    w.writeU16(1);
    w.writeU32(20);
    w.writeU16(4);
    w.writeU16(static_cast<uint16_t>(16 + 8 * segCount));
    w.writeU16(0); // language
    w.writeU16(static_cast<uint16_t>(2 * segCount));
    w.writeU16(searchRange);
    w.writeU16(static_cast<uint16_t>(std::countr_zero(std::bit_floor(segCount))));
    w.writeU16(static_cast<uint16_t>(2 * segCount - searchRange));
    for (const Segment& s : segments)
        w.writeU16(s.end);
    w.writeU16(0); // reservedPad
    for (const Segment& s : segments)
        w.writeU16(s.start);
    for (const Segment& s : segments)
        w.writeU16(s.delta);
    for (size_t i = 0; i < segments.size(); ++i)
        w.writeU16(0); // idRangeOffset
    return w.take();
}

Bytes makePost() {
    ByteWriter w;
    w.writeU32(0x00030000);
    w.writeU32(0);    // italicAngle
    w.writeI16(-100); // underlinePosition
    w.writeI16(50);   // underlineThickness
    w.writeU32(0);    // isFixedPitch
    w.writeZeros(16); // Type 42 / Type 1 memory hints
    return w.take();
}

std::string postScriptName(const std::string& family) {
    std::string name;
    for (char c : family) {
        if (c > 32 && c < 127 && std::string_view("[](){}<>/%").find(c) == std::string_view::npos)
            name += c;
    }
    return name.substr(0, 63);
}

// Records sorted by platform, encoding, language and name ID, as the 'name' table wants them.
std::optional<Bytes> makeName(const SampleFontOptions& o) {
    const std::string version = "Version " + o.version;
    struct Record {
        uint16_t platform, encoding, language, nameID;
        const std::string& text;
    };
    const std::string regular = "Regular";
    const std::string psName = postScriptName(o.familyName);
    const Record records[] = {
        {1, 0, 0, 0, o.copyright},
        {1, 0, 0, 1, o.familyName},
        {1, 0, 0, 2, regular},
        {1, 0, 0, 4, o.familyName},
        {1, 0, 0, 5, version},
        {1, 0, 0, 6, psName},
        {1, 1, 11, 0, o.japaneseCopyright},
        {1, 1, 11, 4, o.japaneseName},
        {1, 1, 11, 5, version},
        {3, 1, 0x409, 0, o.copyright},
        {3, 1, 0x409, 1, o.familyName},
        {3, 1, 0x409, 2, regular},
        {3, 1, 0x409, 4, o.familyName},
        {3, 1, 0x409, 5, version},
        {3, 1, 0x409, 6, psName},
        {3, 1, 0x411, 0, o.japaneseCopyright},
        {3, 1, 0x411, 1, o.japaneseName},
        {3, 1, 0x411, 2, regular},
        {3, 1, 0x411, 4, o.japaneseName},
        {3, 1, 0x411, 5, version},
    };
    SfntTableName name;
    for (const Record& r : records) {
        SfntTableNameItem item;
        item.platformID = r.platform;
        item.platformSpecificID = r.encoding;
        item.languageID = r.language;
        item.nameID = r.nameID;
        if (!item.setNameString(r.text)) return std::nullopt;
        name.nameItems.push_back(std::move(item));
    }
    SfntTable table;
    if (!SfntTableName::setSfntTableName(name, table)) return std::nullopt;
    return table.tableData.toBytes();
}

} // namespace

Bytes makeTrueTypeFont(const SampleFontOptions& options) {
    const uint16_t glyphCount = std::max<uint16_t>(options.glyphCount, 1);
    const auto mappedLetters = static_cast<uint16_t>(std::min<int>(glyphCount - 1, kMappedLetters));

    std::vector<Glyph> glyphs;
    ByteWriter glyf;
    std::vector<uint32_t> offsets;
    for (uint16_t i = 0; i < glyphCount; ++i) {
        glyphs.push_back(makeGlyph(i));
        offsets.push_back(static_cast<uint32_t>(glyf.size()));
        glyf.writeBytes(encodeGlyph(glyphs.back()));
    }
    offsets.push_back(static_cast<uint32_t>(glyf.size()));
    // Short offsets store half the byte offset in 16 bits.
    const bool longLoca = options.longLoca || glyf.size() / 2 > 0xFFFF;
    ByteWriter loca;
    for (uint32_t offset : offsets) {
        if (longLoca)
            loca.writeU32(offset);
        else
            loca.writeU16(static_cast<uint16_t>(offset / 2));
    }
    ByteWriter hmtx;
    for (const Glyph& g : glyphs) {
        hmtx.writeU16(g.advanceWidth);
        hmtx.writeI16(g.xMin);
    }

    const Metrics metrics = measure(glyphs);
    const std::optional<Bytes> name = makeName(options);
    if (!name) return {};

    SfntData font;
    font.scaler = 0x00010000;
    const auto add = [&font](const char(&tag)[5], Bytes data) {
        SfntTable table;
        table.tag = fourCC(tag);
        table.tableData = std::move(data);
        return font.addSfntTable(std::move(table));
    };
    bool added = add("head", makeHead(options, metrics, longLoca)) &&
                 add("hhea", makeHhea(metrics, glyphCount)) &&
                 add("maxp", makeMaxp(metrics, glyphCount)) &&
                 add("OS/2", makeOS2(metrics, mappedLetters)) && add("name", *name) &&
                 add("cmap", makeCmap(mappedLetters)) && add("post", makePost()) &&
                 add("glyf", glyf.take()) && add("loca", loca.take()) && add("hmtx", hmtx.take());
    if (added && options.padBytes > 0) {
        Bytes pad(options.padBytes);
        for (size_t i = 0; i < pad.size(); ++i)
            pad[i] = static_cast<uint8_t>(i * 7 + 1);
        added = add("PAD ", std::move(pad));
    }
    if (!added) return {};
    std::ranges::sort(font.tables, {}, &SfntTable::tag);
    return SfntData::buildSfntImage(font, options.created, options.modified).value_or(Bytes{});
}

} // namespace fu::sample
