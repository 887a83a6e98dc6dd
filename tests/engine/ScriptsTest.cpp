// Cache rebuild and restart scripts as the user, with scripts that leave marks in the sandbox.
#include "definition/ScriptInfo.h"
#include "engine/FontUpdate.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fu {
namespace {

namespace fs = std::filesystem;

class Scripts : public test::SandboxTest {
protected:
    void SetUp() override {
        // Appends its arguments, each in brackets, after their count.
        recorder = sandbox.writeFile(
            "record.sh", asBytes("#!/bin/sh\n{ printf '%s' \"$#\"; for a; do printf ' [%s]' "
                                 "\"$a\"; done; echo; } >> '" +
                                 marker + "'\n"));
        fs::permissions(recorder, fs::perms::owner_all);
    }

    std::string marks() const {
        if (!fs::exists(marker)) return "";
        const Bytes bytes = test::readWholeFile(marker);
        return std::string(bytes.begin(), bytes.end());
    }
    ScriptInfo scripts(const std::string& lines) const {
        ScriptInfo info;
        info.setupWithText(lines);
        return info;
    }

    const std::string marker = sandbox.path("marker");
    std::string recorder;
};

TEST_F(Scripts, CommandLinesSplitAtEverySingleSpace) {
    EXPECT_TRUE(FontUpdate::execSyncWithCommandString(recorder + " -f  x"));
    EXPECT_EQ(marks(), "3 [-f] [] [x]\n");
}

TEST_F(Scripts, CommandLinesSucceedOnlyWithExitStatusZero) {
    EXPECT_TRUE(FontUpdate::execSyncWithCommandString("/bin/true"));
    EXPECT_FALSE(FontUpdate::execSyncWithCommandString("/bin/false"));
    EXPECT_FALSE(FontUpdate::execSyncWithCommandString("true")) << "no PATH search";
    EXPECT_FALSE(FontUpdate::execSyncWithCommandString(sandbox.path("missing")));
}

// A bare name would be taken from the working folder, which may be anybody's: a program planted
// there under the name a definition uses never runs.
TEST_F(Scripts, ACommandLineMustStartWithAFullPath) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(sandbox.root());
    std::filesystem::copy_file(recorder, sandbox.path("fc-cache"));
    const bool ran = FontUpdate::execSyncWithCommandString("fc-cache -f");
    const bool ranRelative = FontUpdate::execSyncWithCommandString("./fc-cache -f");
    std::filesystem::current_path(before);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(ranRelative);
    EXPECT_FALSE(std::filesystem::exists(marker)) << "the planted program ran";
}

TEST_F(Scripts, ATalkativeCommandDoesNotBlock) {
    // Far more than a pipe holds: only a drained pipe lets it finish.
    EXPECT_TRUE(FontUpdate::execSyncWithCommandString("/usr/bin/head -c 4000000 /dev/zero"));
}

TEST_F(Scripts, UserCacheRebuildNeedsOnlyTheRemoval) {
    const auto all = scripts("UserChacheRemove\t" + recorder + " remove\nUserShutdown\t" +
                             recorder + " shutdown\nUserPing\t" + recorder + " ping\n");
    EXPECT_TRUE(FontUpdate::clearFontCacheUserWithScriptInfo(&all));
    EXPECT_EQ(marks(), "1 [remove]\n1 [shutdown]\n1 [ping]\n");
    fs::remove(marker);

    auto noShutdown = all;
    noShutdown.scriptDict.erase("UserShutdown");
    EXPECT_TRUE(FontUpdate::clearFontCacheUserWithScriptInfo(&noShutdown));
    EXPECT_EQ(marks(), "1 [remove]\n") << "no ping without a shutdown";

    auto noRemoval = all;
    noRemoval.scriptDict.erase("UserChacheRemove");
    EXPECT_FALSE(FontUpdate::clearFontCacheUserWithScriptInfo(&noRemoval));
    const auto failingRemoval = scripts("UserChacheRemove\t/bin/false\nUserShutdown\t/bin/true\n");
    EXPECT_FALSE(FontUpdate::clearFontCacheUserWithScriptInfo(&failingRemoval));
}

TEST_F(Scripts, ShellVariantNeedsAllThreeScripts) {
    const std::string append = "echo $0 >> '" + marker + "'";
    const auto all = scripts("ASATSChacheRemoveUser\t" + append + "\nASAATSShutdown\t" + append +
                             "\nASAATSPing\t" + append + "\n");
    EXPECT_TRUE(FontUpdate::ASClearFontCacheUserWithScriptInfo(&all));
    EXPECT_EQ(marks(), "/bin/sh\n/bin/sh\n/bin/sh\n");
    fs::remove(marker);

    auto noPing = all;
    noPing.scriptDict.erase("ASAATSPing");
    EXPECT_FALSE(FontUpdate::ASClearFontCacheUserWithScriptInfo(&noPing));
    fs::remove(marker);
    auto failingShutdown = all;
    failingShutdown.scriptDict["ASAATSShutdown"] = "exit 3";
    EXPECT_FALSE(FontUpdate::ASClearFontCacheUserWithScriptInfo(&failingShutdown));
    EXPECT_EQ(marks(), "/bin/sh\n") << "nothing runs after a failure";
}

TEST_F(Scripts, RestartRunsTheDefinitionsScript) {
    const auto restart = scripts("ASRestartComputer\techo restarted > '" + marker + "'\n");
    EXPECT_TRUE(FontUpdate::restartComputerWithScriptInfo(&restart));
    EXPECT_EQ(marks(), "restarted\n");
    const auto failing = scripts("ASRestartComputer\texit 1\n");
    EXPECT_FALSE(FontUpdate::restartComputerWithScriptInfo(&failing));
}

// The fixed restart asks the service manager for a reboot, found on the user's PATH.
TEST_F(Scripts, TheFixedRestartAsksForAReboot) {
    const std::string bin = sandbox.path("bin");
    fs::create_directories(bin);
    fs::copy_file(recorder, bin + "/systemctl");
    const char* before = std::getenv("PATH");
    const std::string saved = before ? before : "/usr/bin:/bin";
    setenv("PATH", (bin + ":" + saved).c_str(), 1);
    const bool asked = FontUpdate::restartComputer();
    fs::permissions(bin + "/systemctl", fs::perms::none);
    const bool refused = FontUpdate::restartComputer();
    setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(asked);
    EXPECT_EQ(marks(), "1 [reboot]\n");
    EXPECT_FALSE(refused) << "a restart that cannot be asked for is no restart";
}

} // namespace
} // namespace fu
