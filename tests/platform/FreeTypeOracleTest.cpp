// FreeType, through fontconfig's fc-scan, is an independent reader of the companions we write:
// it finds a fork font beside an empty data file by the "._" convention.
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"
#include "support/Command.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

using namespace platform;

using FreeTypeOracle = test::SandboxTest;

TEST_F(FreeTypeOracle, ReadsAForkFontThroughOurCompanion) {
    FU_REQUIRE_CORPUS(dfont, "fonts/TestDFONT.dfont");
    if (std::system("command -v fc-scan >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "fc-scan is missing";
    const Bytes fork = test::readWholeFile(dfont);

    ASSERT_EQ(createFileWithEmptyFork(sandbox.root(), "Test Suitcase"), noErr);
    const std::string path = sandbox.path("Test Suitcase");
    {
        ScopedFork handle(path, fsRdWrPerm);
        ASSERT_TRUE(handle.isOpen());
        // Two writes, the second at the mark, as a resource writer would do it.
        const size_t half = fork.size() / 2;
        ASSERT_EQ(writeFork(handle.refNum(), fsFromStart, 0, ByteView(fork).first(half)).status,
                  noErr);
        ASSERT_EQ(writeFork(handle.refNum(), fsAtMark, 0, ByteView(fork).subspan(half)).status,
                  noErr);
    }
    FileAttributes attributes;
    attributes.hfsTypeCode = fourCC("FFIL");
    attributes.hfsCreatorCode = fourCC("DMOV");
    ASSERT_TRUE(applyAttributes(path, attributes).ok);

    EXPECT_EQ(test::runCommand("fc-scan --format '%{family}' '" + path + "' 2>/dev/null").output,
              "Test TTF");
}

} // namespace
} // namespace fu
