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

TEST(SystemVersionCheck, ComparesUpToThreeLeadingIntegersAsNumbers) {
    const struct {
        const char *system, *support;
        bool met;
    } cases[] = {{"10.10", "10.8", true},
                 {"10.7.5", "10.8", false},
                 {"10.8", "10.8", true},
                 {"10.9.5", "10.10", false},
                 {"11.0", "10.10", true},
                 {"10.8.1", "10.8.2", false},
                 // More than three parts never meet, on either side.
                 {"10.8.1.2", "10.8", false},
                 {"10.10", "10.8.1.2", false},
                 // A major-only requirement is met by every minor.
                 {"10.0", "10", true},
                 {"10.15.7", "10", true},
                 {"9.9.9", "10", false},
                 // Blanks around the system version are ignored; empty texts never meet.
                 {" \t10.10\t ", "10.8", true},
                 {" \t ", "0", false},
                 {"10.10", "", false},
                 // A part without a number counts 0 and reading goes on.
                 {"10.x.5", "10.0.5", true},
                 // Text after the number ends the part: "8b3" is 8, not 0 and not 83.
                 {"10.8b3", "10.8", true},
                 {"10.8b3", "10.9", false},
                 // Reading stops at the first empty part: "10..9" is 10.0.0, the 9 is never read.
                 {"10..9", "10.0.1", false},
                 {".10", "1", false},
                 // A value that would wrap to 0 in 32 bits must still count as large.
                 {"10.4294967296", "10.9", true},
                 {"10", "99999999999999999999", false}};
    for (const auto& c : cases)
        EXPECT_EQ(meets(c.system, c.support), c.met)
            << "'" << c.system << "' vs '" << c.support << "'";
}

TEST(SystemVersionOfRelease, TakesUpToThreeLeadingDottedNumbers) {
    using platform::versionNumbersOfRelease;
    EXPECT_EQ(versionNumbersOfRelease("6.1.0-18-amd64"), "6.1.0");
    EXPECT_EQ(versionNumbersOfRelease("4.19.0.1-foo"), "4.19.0");
    // A dot without a number after it is not part of the version.
    EXPECT_EQ(versionNumbersOfRelease("6.1.x"), "6.1");
    EXPECT_EQ(versionNumbersOfRelease(" 6.1"), std::nullopt);
}

TEST(SystemVersionOfThisMachine, IsDottedNumbersThatMeetOnlyReachableRequirements) {
    const std::optional<std::string> version = FontUpdate::systemVersionString();
    ASSERT_TRUE(version.has_value());
    EXPECT_TRUE(std::regex_match(*version, std::regex(R"(\d+(\.\d+){0,2})"))) << *version;

    const std::optional<std::string> legacy = FontUpdate::systemVersionStringLegacey();
    ASSERT_TRUE(legacy.has_value());
    EXPECT_TRUE(std::regex_match(*legacy, std::regex(R"(\d+\.\d+\.\d+)"))) << *legacy;
    // Both sources read the same kernel, so they name the same version.
    EXPECT_TRUE(meets(*legacy, *version) && meets(*version, *legacy));

    EXPECT_TRUE(FontUpdate::checkSystemVersWithSupportVersString(*version));
    EXPECT_FALSE(FontUpdate::checkSystemVersWithSupportVersString("99999"));
#if defined(__linux__)
    EXPECT_EQ(FontUpdate::systemVersionStringNew(), platform::kernelReleaseVersion());
#endif
}

} // namespace
} // namespace fu
