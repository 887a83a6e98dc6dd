// Synthetic TrueType fonts with real outlines and Japanese names, for tests, fupdef and the demo.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <string>

namespace fu::sample {

struct SampleFontOptions {
    std::string familyName = "Sample Gothic";      // ASCII: Macintosh English and Windows records
    std::string japaneseName = "サンプルゴシック"; // full name in the Japanese records
    std::string version = "1.0.0";                 // name ID 5 is "Version " + this
    std::string copyright = "Copyright (c) Font Updater developers";         // English records
    std::string japaneseCopyright = "Copyright (C) Font Updater 開発者一同"; // Japanese records
    uint16_t glyphCount = 8; // glyph 0 is .notdef; all have outlines
    uint32_t padBytes = 0;   // adds a 'PAD ' table of this many bytes
    bool longLoca = false;   // also used when short offsets cannot reach
    int64_t created = 0;     // 'head' LONGDATETIME values
    int64_t modified = 0;
};

// A complete font: tables sorted by tag, every checksum and checkSumAdjustment valid. Glyphs
// 1 .. 26 are mapped from 'A' .. 'Z'. Empty when a text cannot be encoded for its records
// (Japanese texts must be Shift_JIS).
[[nodiscard]] Bytes makeTrueTypeFont(const SampleFontOptions& options);

} // namespace fu::sample
