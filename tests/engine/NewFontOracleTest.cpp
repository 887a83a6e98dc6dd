// Independent readers of an updated suitcase: fontTools checks every table checksum, the version
// names, the 'head' dates and the swapped tables; FreeType (fc-scan) finds the font through the
// companion beside the empty data file.
#include "engine/FontUpdate.h"

#include "definition/DefinitionWriter.h"
#include "definition/UpdateTarget.h"
#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"
#include "support/Command.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <chrono>

namespace fu {
namespace {

using namespace std::chrono;

// argv: updated font, font holding the new tables, created, modified, comma-separated tags.
constexpr const char* kCheckUpdated = R"py(
import sys
from fontTools.ttLib import TTFont
font = TTFont(sys.argv[1], checkChecksums=2)
for tag in font.keys():
    font[tag]
versions = [(r.platformID, r.toUnicode()) for r in font["name"].names if r.nameID == 5]
assert {p for p, _ in versions} == {1, 3}, versions
assert all(text == "Version 1.0.2" for _, text in versions), versions
head = font["head"]
assert (head.created, head.modified) == (int(sys.argv[3]), int(sys.argv[4])), (head.created, head.modified)
source = TTFont(sys.argv[2])
for tag in sys.argv[5].split(","):
    assert font.reader[tag] == source.reader[tag], tag + " is not the new table"
print("ok")
)py";

// A Japan wall-clock time as the 'head' table counts it: seconds since 1904-01-01 plus nine
// hours, worked out from the calendar alone.
int64_t longDateTime(sys_seconds utc) {
    return (utc - sys_seconds{sys_days{1904y / January / 1}}).count() + 32400;
}

TEST(NewFontOracle, UpdatedSuitcaseReadsAsTheNewVersionElsewhere) {
    if (std::system("/usr/bin/python3 -c 'import fontTools' 2>/dev/null") != 0)
        GTEST_SKIP() << "fontTools is missing";
    if (std::system("command -v fc-scan >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "fc-scan is missing";
    test::Sandbox sandbox;

    sample::SampleFontOptions oldFont;
    oldFont.version = "1.0.1";
    sample::SampleFontOptions newFont = oldFont;
    newFont.glyphCount = 12;
    const Bytes newImage = sample::makeTrueTypeFont(newFont);
    std::string error;
    const auto set = differingTables(sample::makeTrueTypeFont(oldFont), newImage, error);
    ASSERT_TRUE(set) << error;
    const auto oldData = SfntData::initWithSfntData(set->oldTables);
    const auto newData = SfntData::initWithSfntData(set->newTables);

    sample::SampleSuitcaseOptions suitcase;
    suitcase.shortVersion = "1.0.1";
    const std::string src = sandbox.path("Old");
    const std::string dst = sandbox.path("New");
    ASSERT_EQ(sample::writeSampleSuitcase(src, sample::makeTrueTypeFont(oldFont), suitcase),
              ResStatus::resNoErr);
    const UpdateTarget target = UpdateTarget::withTexts({.resName = "SampleGothic",
                                                         .japanFullName = "サンプルゴシック",
                                                         .oVersStr = "1.0.1",
                                                         .checksum = "*",
                                                         .nVersStr = "1.0.2",
                                                         .nSfntCDate = "2014/04/01 09:00:00",
                                                         .nSfntMDate = "2014/04/02 10:30:00",
                                                         .nFileCDate = "2014/04/01 09:00:00",
                                                         .nFileMDate = "2014/04/02 10:30:00",
                                                         .nResMapInfo = "*"});
    ASSERT_EQ(FontUpdate::updateResFileResName(target, oldData.get(), newData.get(), src, dst),
              ItemResult::StatusOK);

    auto updated = ResFile::initOfContentFile(dst);
    ASSERT_EQ(updated->loadStatus, ResStatus::resNoErr);
    test::writeWholeFile(sandbox.path("updated.ttf"),
                         *updated->resItemByIndex(0, fourCC("sfnt"))->resData());
    test::writeWholeFile(sandbox.path("source.ttf"), newImage);
    test::writeWholeFile(sandbox.path("check.py"), asBytes(kCheckUpdated));
    std::string tags;
    for (uint32_t tag : set->tags)
        tags += (tags.empty() ? "" : ",") + fourCCString(tag);

    const int64_t created = longDateTime(sys_days{2014y / April / 1});
    const int64_t modified = longDateTime(sys_days{2014y / April / 2} + 1h + 30min);
    EXPECT_EQ(test::runCommand("/usr/bin/python3 '" + sandbox.path("check.py") + "' '" +
                               sandbox.path("updated.ttf") + "' '" + sandbox.path("source.ttf") +
                               "' " + std::to_string(created) + " " + std::to_string(modified) +
                               " '" + tags + "' 2>&1")
                  .output,
              "ok\n");
    EXPECT_EQ(test::runCommand("fc-scan --format '%{family[0]}' '" + dst + "' 2>&1").output,
              "Sample Gothic");
}

} // namespace
} // namespace fu
