// Independent readers of the suitcases we write: fontTools reads the fork's resource map and
// loads the 'sfnt' with every checksum checked; FreeType (fc-scan) finds the font through the
// companion beside the empty data file.
#include "suitcase/ResFile.h"

#include "platform/ForkStorage.h"
#include "support/Command.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

// Lists the fork's resources and the family of its first 'sfnt', or a Python error.
constexpr const char* kFontToolsScript = R"(
import sys
from fontTools.misc.macRes import ResourceReader
from fontTools.ttLib import TTFont
from io import BytesIO
reader = ResourceReader(sys.argv[1])
print(" ".join("%s:%d:%s" % (t, r.id, r.name) for t in reader.keys() for r in reader[t]))
font = TTFont(BytesIO(reader["sfnt"][0].data), checkChecksums=2)
[font[tag] for tag in font.keys()]
print(font["name"].getDebugName(1))
)";

class SuitcaseOracle : public test::SandboxTest {
protected:
    void SetUp() override {
        if (std::system("/usr/bin/python3 -c 'import fontTools' 2>/dev/null") != 0)
            GTEST_SKIP() << "fontTools is missing";
        if (std::system("command -v fc-scan >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "fc-scan is missing";
        test::writeWholeFile(sandbox.path("read.py"), asBytes(kFontToolsScript));
    }
    std::string fontTools(const std::string& suitcase) {
        const std::string fork = sandbox.path("fork.bin");
        test::writeWholeFile(fork, *sample::readForkFile(suitcase));
        return test::runCommand("/usr/bin/python3 '" + sandbox.path("read.py") + "' '" + fork +
                                "' 2>&1")
            .output;
    }
    static std::string fcScanFamily(const std::string& suitcase) {
        return test::runCommand("fc-scan --format '%{family[0]}' '" + suitcase + "' 2>/dev/null")
            .output;
    }
};

TEST_F(SuitcaseOracle, WrittenAndRewrittenSuitcasesReadElsewhere) {
    sample::SampleFontOptions font;
    font.familyName = "Oracle Gothic";
    font.created = font.modified = 3'600'000'000; // 2018, so fontTools takes it as a Mac date
    sample::SampleSuitcaseOptions suitcase;
    suitcase.resName = "OracleGothic";
    const std::string written = sandbox.path("Oracle Gothic");
    ASSERT_EQ(sample::writeSampleSuitcase(written, sample::makeTrueTypeFont(font), suitcase),
              ResStatus::resNoErr);

    auto loaded = ResFile::initOfContentFile(written);
    ASSERT_EQ(loaded->loadStatus, ResStatus::resNoErr);
    const std::string rewritten = sandbox.path("Oracle Gothic Rewritten");
    ASSERT_EQ(ResFile::exportSuitcaseFile(rewritten, "*", *loaded), ResStatus::resNoErr);

    for (const std::string& path : {written, rewritten}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(fontTools(path),
                  "FOND:16384:OracleGothic vers:1:None sfnt:16384:OracleGothic\nOracle Gothic\n");
        EXPECT_EQ(fcScanFamily(path), "Oracle Gothic");
    }
}

} // namespace
} // namespace fu
