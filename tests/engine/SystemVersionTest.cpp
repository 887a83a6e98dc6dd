#include "engine/FontUpdate.h"
#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace fu {
namespace {

bool meets(const std::string& systemVers, const std::string& supportVers) {
    return FontUpdate::checkSystemVersString(systemVers, supportVers);
}

TEST(SystemVersionCheck, ComparesPartsAsNumbers) {
    EXPECT_TRUE(meets("10.10", "10.8"));
    EXPECT_FALSE(meets("10.7.5", "10.8"));
    EXPECT_TRUE(meets("10.8", "10.8"));
    EXPECT_FALSE(meets("10.9.5", "10.10"));
    EXPECT_TRUE(meets("10.10.0", "10.10"));
    EXPECT_TRUE(meets("11.0", "10.10"));
    EXPECT_FALSE(meets("9.99.99", "10.10"));
    // Patch numbers decide between equal minors.
    EXPECT_FALSE(meets("10.8.1", "10.8.2"));
    EXPECT_TRUE(meets("10.8.3", "10.8.2"));
    // The Linux floor against kernels on both sides of it.
    EXPECT_FALSE(meets("4.9.0", "4.11"));
    EXPECT_TRUE(meets("4.19.0", "4.11"));
    EXPECT_TRUE(meets("6.1.0", "4.11"));
}

TEST(SystemVersionCheck, MoreThanThreePartsNeverMeet) {
    EXPECT_FALSE(meets("10.8.1.2", "10.8"));
    EXPECT_FALSE(meets("10.8.1.2", "1"));
    EXPECT_FALSE(meets("...", "0"));
    EXPECT_FALSE(meets("10.10", "10.8.1.2"));
}

TEST(SystemVersionCheck, MajorOnlyRequirementIsMetByEveryMinor) {
    for (const char* system : {"10", "10.0", "10.0.0", "10.7.5", "10.15.7", "11.0"}) {
        EXPECT_TRUE(meets(system, "10")) << system;
    }
    EXPECT_FALSE(meets("9.9.9", "10"));
}

TEST(SystemVersionCheck, BlanksAroundTheSystemVersionAreIgnored) {
    EXPECT_TRUE(meets(" \t10.10\t ", "10.8"));
    EXPECT_FALSE(meets("\t10.7.5 ", "10.8"));
    EXPECT_TRUE(meets("  4.19", "4.11"));
}

TEST(SystemVersionCheck, EmptyTextsNeverMeet) {
    EXPECT_FALSE(meets("", "10.8"));
    EXPECT_FALSE(meets(" \t ", "0"));
    EXPECT_FALSE(meets("10.10", ""));
    EXPECT_FALSE(meets("", ""));
}

TEST(SystemVersionCheck, PartsReadTheirLeadingInteger) {
    // A part without a number counts 0 and reading goes on.
    EXPECT_TRUE(meets("10.x.5", "10.0.5"));
    EXPECT_FALSE(meets("10.x.5", "10.0.6"));
    // Trailing text of a part is ignored.
    EXPECT_TRUE(meets("10.8b3", "10.8"));
    EXPECT_FALSE(meets("10.8b3", "10.9"));
    EXPECT_TRUE(meets("6.1.0-18-amd64", "6.1"));
    EXPECT_FALSE(meets("6.1.0-18-amd64", "6.1.1"));
}

TEST(SystemVersionCheck, ReadingStopsAtTheFirstEmptyPart) {
    // "10..9" is 10.0.0: the 9 after the empty part is never read.
    EXPECT_FALSE(meets("10..9", "10.0.1"));
    EXPECT_TRUE(meets("10..9", "10"));
    EXPECT_TRUE(meets("10.8.", "10.8"));
    EXPECT_FALSE(meets(".10", "1"));
}

TEST(SystemVersionCheck, HugeNumbersStayOrdered) {
    EXPECT_TRUE(meets("99999999999999999999.0", "10"));
    EXPECT_FALSE(meets("10", "99999999999999999999"));
    // A value that would wrap to 0 in 32 bits must still count as large.
    EXPECT_TRUE(meets("10.4294967296", "10.9"));
    EXPECT_TRUE(meets("10.99999999999999999999", "10.2147483647"));
    EXPECT_FALSE(meets("10.2147483646", "10.99999999999999999999"));
    EXPECT_FALSE(meets("10.8.99999999999999999999", "11"));
}

TEST(SystemVersionOfRelease, TakesTheLeadingDottedNumbers) {
    using platform::versionNumbersOfRelease;
    EXPECT_EQ(versionNumbersOfRelease("6.1.0-18-amd64"), "6.1.0");
    EXPECT_EQ(versionNumbersOfRelease("5.15"), "5.15");
    EXPECT_EQ(versionNumbersOfRelease("4.19.0.1-foo"), "4.19.0");
    EXPECT_EQ(versionNumbersOfRelease("6.8.0-rc3"), "6.8.0");
    EXPECT_EQ(versionNumbersOfRelease("6.1-rc3"), "6.1");
    EXPECT_EQ(versionNumbersOfRelease("5.15.0+"), "5.15.0");
    EXPECT_EQ(versionNumbersOfRelease("10.0.19041-Microsoft"), "10.0.19041");
    EXPECT_EQ(versionNumbersOfRelease("6"), "6");
    // A dot without a number after it is not part of the version.
    EXPECT_EQ(versionNumbersOfRelease("6."), "6");
    EXPECT_EQ(versionNumbersOfRelease("6..1"), "6");
    EXPECT_EQ(versionNumbersOfRelease("6.1.x"), "6.1");
}

TEST(SystemVersionOfRelease, NoLeadingDigitGivesNothing) {
    using platform::versionNumbersOfRelease;
    EXPECT_EQ(versionNumbersOfRelease(""), std::nullopt);
    EXPECT_EQ(versionNumbersOfRelease("abc"), std::nullopt);
    EXPECT_EQ(versionNumbersOfRelease("-6.1"), std::nullopt);
    EXPECT_EQ(versionNumbersOfRelease(" 6.1"), std::nullopt);
    EXPECT_EQ(versionNumbersOfRelease(".6"), std::nullopt);
}

TEST(SystemVersionOfThisMachine, IsDottedNumbers) {
    const std::regex dotted(R"(\d+(\.\d+){0,2})");
    const std::optional<std::string> version = FontUpdate::systemVersionString();
    ASSERT_TRUE(version.has_value());
    EXPECT_TRUE(std::regex_match(*version, dotted)) << *version;

    const std::optional<std::string> legacy = FontUpdate::systemVersionStringLegacey();
    ASSERT_TRUE(legacy.has_value());
    EXPECT_TRUE(std::regex_match(*legacy, std::regex(R"(\d+\.\d+\.\d+)"))) << *legacy;
    // Both sources read the same kernel, so they name the same version.
    EXPECT_TRUE(meets(*legacy, *version));
    EXPECT_TRUE(meets(*version, *legacy));

    EXPECT_TRUE(FontUpdate::checkSystemVersWithSupportVersString("0"));
    EXPECT_TRUE(FontUpdate::checkSystemVersWithSupportVersString(*version));
    EXPECT_FALSE(FontUpdate::checkSystemVersWithSupportVersString("99999"));
    EXPECT_FALSE(FontUpdate::checkSystemVersWithSupportVersString(""));
}

#if defined(__linux__)
TEST(SystemVersionOfThisMachine, NewSourceAgreesWithTheKernelRelease) {
    EXPECT_EQ(FontUpdate::systemVersionStringNew(), platform::kernelReleaseVersion());
    EXPECT_EQ(FontUpdate::lowestSupportedSystemVersion(), "4.11");
}
#endif

} // namespace
} // namespace fu
