// The helper runs through a launcher that records it was used and then execs it, as the
// current user: it needs no root to do what it is asked within its folders.
#include "engine/Authorization.h"
#include "definition/DefinitionKey.h"
#include "definition/DefinitionSignature.h"
#include "definition/ScriptInfo.h"
#include "engine/FontUpdate.h"
#include "engine/HelperProtocol.h"
#include "engine/UpdateJournal.h"
#include "platform/Crypto.h"
#include "platform/Process.h"
#include "support/DefinitionBuilder.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fu {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string text(const std::string& path) {
    const Bytes bytes = test::readWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

class HelperSession : public test::SandboxTest {
protected:
    void SetUp() override {
        useLauncher("echo $$ > '" + sandbox.path("launched") + "'\nexec \"$@\"\n");
        fs::create_directories(fonts + "/Sub");
        fs::create_directories(trash);
    }
    void TearDown() override { unsetenv("FONTUPDATER_ELEVATE"); }

    void useLauncher(const std::string& body) {
        const std::string launcher = sandbox.writeFile("launch.sh", bytesOf("#!/bin/sh\n" + body));
        fs::permissions(launcher, fs::perms::owner_all);
        setenv("FONTUPDATER_ELEVATE", launcher.c_str(), 1);
    }
    void start() {
        ASSERT_EQ(Authorization::startAuthorization(&authorization), 0);
        ASSERT_TRUE(fs::exists(sandbox.path("launched"))) << "the launcher was not used";
    }
    int32_t move(const std::string& from, const std::string& to) {
        return Authorization::moveFileWithAuthorization(&authorization, from, to);
    }
    int32_t swap(const std::string& fresh, const std::string& font, const std::string& backup) {
        return Authorization::swapFileWithAuthorization(&authorization, fresh, font, backup);
    }
    int32_t runScript(ByteView definition, const std::string& key) {
        return Authorization::runDefinitionScriptWithAuthorization(&authorization, definition, key);
    }
    int32_t clearCache(const ScriptInfo& scripts, ByteView definition) {
        return Authorization::clearFontCacheWithAuthorization(&authorization, &scripts, definition);
    }
    // A Mac file as fonts are stored: the data file and its "._" companion beside it.
    void writePair(const std::string& relative, const std::string& data, const std::string& fork) {
        const fs::path file(relative);
        sandbox.writeFile(relative, bytesOf(data));
        sandbox.writeFile((file.parent_path() / ("._" + file.filename().string())).string(),
                          bytesOf(fork));
    }

    const std::string tempFolder = "home/.local/share/org.fontupdater.FontUpdater.temp";
    const std::string fonts = sandbox.path("system-fonts");
    const std::string trash = sandbox.path("home/.local/share/Trash/files");
    const std::string temp = sandbox.path(tempFolder);
    Authorization authorization;
};

TEST_F(HelperSession, StopEndsAndReapsTheHelper) {
    start();
    const pid_t pid = std::stoi(text(sandbox.path("launched")));
    EXPECT_TRUE(Authorization::stopAuthorization(&authorization));
    // A zombie would still answer; a reaped child is gone.
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_FALSE(Authorization::stopAuthorization(&authorization));
}

TEST_F(HelperSession, ADismissedPasswordDialogIsARefusal) {
    useLauncher("exit 126\n");
    EXPECT_EQ(Authorization::startAuthorization(&authorization), errAuthorizationCanceled);
    EXPECT_FALSE(authorization.hasAuthRef());
}

TEST_F(HelperSession, MovesMacFilesOutOfAndIntoTheFontsFolder) {
    writePair("system-fonts/Sub/Font", "old", "old fork");
    start();
    // The temporary folder is made only after the rights were granted.
    writePair(tempFolder + "/Font", "new", "new fork");
    fs::create_directories(trash + "/Old/Sub");

    EXPECT_EQ(move(fonts + "/Sub/Font", trash + "/Old/Sub/Font"), 0);
    EXPECT_EQ(move(temp + "/Font", fonts + "//Sub/Font"), 0);
    EXPECT_EQ(text(trash + "/Old/Sub/._Font"), "old fork");
    EXPECT_EQ(text(fonts + "/Sub/Font"), "new");
    EXPECT_EQ(text(fonts + "/Sub/._Font"), "new fork");
    EXPECT_FALSE(fs::exists(temp + "/._Font"));
}

TEST_F(HelperSession, ASwapPutsAFreshCopyForEveryoneInPlaceAndKeepsTheOldPairFirst) {
    writePair("system-fonts/Sub/Font", "", "old fork");
    start();
    writePair(tempFolder + "/Font", "", "new fork");
    // Bits the caller's file must not pass on: set-user-ID, and no read right for others.
    ::chmod((temp + "/._Font").c_str(), 04700);
    fs::create_directories(trash + "/Old/Sub");
    const mode_t umask = ::umask(077);
    const int32_t answer = swap(temp + "/Font", fonts + "/Sub/Font", trash + "/Old/Sub/Font");
    ::umask(umask);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(text(fonts + "/Sub/._Font"), "new fork");
    EXPECT_EQ(text(trash + "/Old/Sub/._Font"), "old fork");
    struct stat st {};
    ASSERT_EQ(::stat((fonts + "/Sub/._Font").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_TRUE(fs::exists(temp + "/._Font"))
        << "the helper copies; the caller's file is the caller's";
    EXPECT_FALSE(fs::exists(fonts + "/Sub/.fu-new-Font"));
    EXPECT_FALSE(fs::exists(fonts + "/Sub/._.fu-new-Font"));

    // What the rules refuse changes nothing.
    sandbox.writeFile("system-fonts/Other", bytesOf(""));
    EXPECT_NE(swap(temp + "/Font", fonts + "/Other", fonts + "/Kept"), 0)
        << "a backup inside the Fonts folder";
    EXPECT_NE(swap(fonts + "/Other", fonts + "/Sub/Font", trash + "/Old/Two"), 0)
        << "a new pair from inside it";
    EXPECT_NE(swap(temp + "/Font", trash + "/Old/Sub/Font", trash + "/Old/Three"), 0)
        << "a font outside it";
    EXPECT_NE(swap(temp + "/Font", fonts + "/Other", trash + "/Old/Sub/Font"), 0)
        << "a taken backup name";
    EXPECT_EQ(text(fonts + "/Sub/._Font"), "new fork");
    EXPECT_FALSE(fs::exists(fonts + "/Kept"));
    EXPECT_FALSE(fs::exists(trash + "/Old/Two"));
}

TEST_F(HelperSession, HalfStagedPairsOfASwapCutShortAreClearedAtStart) {
    writePair("system-fonts/Sub/Font", "", "fork");
    sandbox.writeFile("system-fonts/Sub/.fu-new-Font", bytesOf("")); // its companion went in
    sandbox.writeFile("system-fonts/Other", bytesOf(""));
    sandbox.writeFile("system-fonts/._.fu-new-Other", bytesOf("half")); // its data file never came
    start();
    EXPECT_FALSE(fs::exists(fonts + "/Sub/.fu-new-Font"));
    EXPECT_FALSE(fs::exists(fonts + "/._.fu-new-Other"));
    EXPECT_EQ(text(fonts + "/Sub/._Font"), "fork");
    EXPECT_TRUE(fs::exists(fonts + "/Other"));
}

// Whatever a racer does to the folders it owns while the helper works (swapping a folder for a
// link to elsewhere, in the backup folder or as the whole temporary folder), the helper's files
// stay where its rules put them: nothing appears outside, nothing from elsewhere reaches the fonts.
TEST_F(HelperSession, ARacerSwappingItsFoldersForLinksNeverLeadsTheHelperOutside) {
    const std::string outside = sandbox.path("outside");
    const std::string secret = sandbox.path("secret");
    fs::create_directories(outside);
    writePair("secret/Font", "secret", "secret fork");
    start();
    fs::create_directories(temp);
    fs::create_directories(trash + "/Old/Sub");
    fs::create_directory_symlink(outside, trash + "/Old/Alt");
    fs::create_directory_symlink(secret, temp + "-alt");

    std::atomic<bool> paused{true}, stop{false}, idle{true};
    std::thread racer([&] {
        const auto exchange = [](const std::string& a, const std::string& b) {
            ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
        };
        while (!stop) {
            if (paused) {
                idle = true;
                std::this_thread::yield();
                continue;
            }
            idle = false;
            exchange(trash + "/Old/Sub", trash + "/Old/Alt");
            exchange(temp, temp + "-alt");
            std::this_thread::yield();
            exchange(temp, temp + "-alt");
            exchange(trash + "/Old/Sub", trash + "/Old/Alt");
        }
        idle = true;
    });
    const auto holdRacer = [&] {
        paused = true;
        while (!idle)
            std::this_thread::yield();
    };
    int swapped = 0, moved = 0;
    for (int round = 0; round < 40; ++round) {
        holdRacer();
        const std::string n = std::to_string(round);
        fs::remove_all(trash + "/Old/Sub");
        fs::create_directories(trash + "/Old/Sub");
        writePair("system-fonts/Sub/Font", "old " + n, "old fork " + n);
        writePair(tempFolder + "/Font", "new " + n, "new fork " + n);
        paused = false;
        swapped += swap(temp + "/Font", fonts + "/Sub/Font", trash + "/Old/Sub/Font") == 0;
        moved += move(fonts + "/Sub/Font", trash + "/Old/Sub/Moved") == 0;
        holdRacer();
        ASSERT_TRUE(fs::is_empty(outside))
            << "round " << round << ": the helper wrote through a link";
        if (fs::exists(fonts + "/Sub/Font")) {
            const std::string font = text(fonts + "/Sub/Font");
            ASSERT_TRUE(font == "old " + n || font == "new " + n)
                << "round " << round << ": " << font;
            EXPECT_EQ(text(fonts + "/Sub/._Font"),
                      (font == "old " + n ? "old fork " : "new fork ") + n);
        } else {
            ASSERT_TRUE(fs::exists(trash + "/Old/Sub/Moved"))
                << "round " << round << ": the font went nowhere";
        }
    }
    stop = true;
    racer.join();
    EXPECT_EQ(text(secret + "/Font"), "secret");
    EXPECT_EQ(fs::directory_iterator(secret) == fs::directory_iterator(), false);
    // The racer loses some rounds and wins none: the requests that met a link were refused.
    EXPECT_GT(swapped + moved, 0) << "no request ever got through: the test raced nothing";
}

// A swap cut short by the helper's death is finished or undone by the next helper from its own
// journal, before it answers anything; a start without rights can only say it is waiting.
TEST_F(HelperSession, TheNextHelperRepairsASwapItsJournalSaysWasCutShort) {
    fs::create_directories(trash + "/Old/Sub");
    // Pairs to take the fingerprints from.
    writePair("pairs/old", "old", "old fork");
    writePair("pairs/new", "new", "new fork");
    const std::string oldDigest = *pairDigest(sandbox.path("pairs/old"));
    const std::string newDigest = *pairDigest(sandbox.path("pairs/new"));
    const auto record = [&](const std::string& name) {
        const JournalRecord plan{fonts + "/Sub/" + name, fonts + "/Sub/.fu-new-" + name,
                                 trash + "/Old/Sub/" + name, oldDigest, newDigest};
        sandbox.writeFile("system-fonts/.fu-journal/" + name + ".swap", bytesOf(plan.text()));
    };
    // Killed between the two renames: the new companion in place, the new data file still staged.
    writePair("system-fonts/Sub/Half", "old", "new fork");
    sandbox.writeFile("system-fonts/Sub/.fu-new-Half", bytesOf("new"));
    writePair("home/.local/share/Trash/files/Old/Sub/Half", "old", "old fork");
    record("Half");
    // The same, but the staged data file was lost too: only the backup can help.
    writePair("system-fonts/Sub/Lost", "old", "new fork");
    writePair("home/.local/share/Trash/files/Old/Sub/Lost", "old", "old fork");
    record("Lost");
    ::chmod(sandbox.path("system-fonts/.fu-journal").c_str(), 0755);

    EXPECT_EQ(FontUpdate::computerUpdatesAwaitingRepair().size(), 2u);
    start();
    EXPECT_EQ(text(fonts + "/Sub/Half"), "new");
    EXPECT_EQ(text(fonts + "/Sub/._Half"), "new fork");
    EXPECT_EQ(text(fonts + "/Sub/Lost"), "old");
    EXPECT_EQ(text(fonts + "/Sub/._Lost"), "old fork");
    EXPECT_FALSE(fs::exists(fonts + "/Sub/.fu-new-Half"));
    EXPECT_FALSE(fs::exists(fonts + "/Sub/.fu-old-Lost"));
    EXPECT_TRUE(fs::is_empty(fonts + "/.fu-journal"));
    EXPECT_TRUE(FontUpdate::computerUpdatesAwaitingRepair().empty());
}

// The helper's records live while its swaps' folders are unsynced, and go when the session ends.
TEST_F(HelperSession, ASwapIsJournalledUntilTheSessionEnds) {
    sandbox.writeFile("system-fonts/Sub/Font", bytesOf("old"));
    start();
    sandbox.writeFile(tempFolder + "/Font", bytesOf("new"));
    fs::create_directories(trash + "/Old/Sub");
    ASSERT_EQ(swap(temp + "/Font", fonts + "/Sub/Font", trash + "/Old/Sub/Font"), 0);
    EXPECT_FALSE(fs::is_empty(fonts + "/.fu-journal"));
    struct stat st {};
    ASSERT_EQ(::stat((fonts + "/.fu-journal").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u) << "readable by everyone, writable by the helper alone";
    EXPECT_TRUE(Authorization::stopAuthorization(&authorization));
    EXPECT_TRUE(fs::is_empty(fonts + "/.fu-journal"));
    EXPECT_EQ(text(fonts + "/Sub/Font"), "new");
}

TEST_F(HelperSession, FoldersReachedThroughALinkAboveThemStillServe) {
    // As with a home folder behind a link: the link lies above the folder, not inside it.
    fs::create_directory_symlink(sandbox.root(), sandbox.path("via"));
    const std::string linkedFonts = sandbox.path("via/system-fonts");
    setenv("FONTUPDATER_SYSTEM_FONTS", linkedFonts.c_str(), 1);
    sandbox.writeFile("system-fonts/Font", bytesOf("font"));
    start();
    EXPECT_EQ(move(linkedFonts + "/Font", linkedFonts + "/Sub/Font"), 0);
    EXPECT_TRUE(fs::exists(fonts + "/Sub/Font"));
}

TEST_F(HelperSession, RefusesWhatLiesOutsideItsRules) {
    sandbox.writeFile("system-fonts/Font", bytesOf("font"));
    sandbox.writeFile("outside/Font", bytesOf("elsewhere"));
    sandbox.writeFile("home/.local/share/Trash/files/Font", bytesOf("trash"));
    fs::create_symlink(fonts + "/Font", fonts + "/Link");
    fs::create_directory_symlink(fonts + "/Sub", fonts + "/LinkedSub");
    sandbox.writeFile("system-fonts/Sub/Inner", bytesOf("inner"));
    start();

    EXPECT_NE(move("system-fonts/Font", fonts + "/Sub/Font"), 0) << "relative";
    EXPECT_NE(move(fonts + "/Sub/../Font", fonts + "/Sub/Font"), 0) << "dot-dot";
    EXPECT_NE(move(fonts + "/Link", fonts + "/Sub/Link"), 0) << "link itself";
    EXPECT_NE(move(fonts + "/LinkedSub/Inner", fonts + "/Inner"), 0) << "link on the way";
    EXPECT_NE(move(sandbox.path("outside/Font"), fonts + "/Sub/Font"), 0) << "outside";
    EXPECT_NE(move(trash + "/Font", trash + "/Moved"), 0) << "neither end in Fonts";

    for (const char* moved : {"Sub/Font", "Sub/Link", "Inner"})
        EXPECT_FALSE(fs::exists(fonts + "/" + moved));
    EXPECT_FALSE(fs::exists(trash + "/Moved"));
    EXPECT_TRUE(fs::is_symlink(fonts + "/Link"));
    EXPECT_EQ(move(fonts + "/Font", fonts + "/Sub/Font"), 0) << "the session survives refusals";
}

// A definition whose script lines are `scripts`, sealed with the build's key as the helper opens
// it, signed by the build's trusted key, by a stranger's, or not at all.
enum class Signer { ThisBuild, Stranger, Nobody };

Bytes definitionWithScripts(const std::string& scripts, Signer signer) {
    DefinitionSources sources = test::sampleDefinitionSources();
    sources.scripts = bytesOf(scripts);
    Bytes sealed = test::sealedDefinition(sources, buildCopyrightString());
    if (signer == Signer::ThisBuild) return test::signedByThisBuild(sealed);
    if (signer == Signer::Nobody) return sealed;
    const Bytes stranger = platform::generateEd25519PrivateKey().value();
    ContainerFailure failure = ContainerFailure::None;
    return signDefinitionContainer(sealed, stranger, failure).value();
}

ScriptInfo scriptsOf(const std::string& text) {
    ScriptInfo info;
    info.setupWithText(text);
    return info;
}

TEST_F(HelperSession, ATrustedDefinitionsCacheScriptsRunInOrderAndOnlyThose) {
    const std::string marker = sandbox.path("marker");
    const std::string all = "OSAATSChacheRemoveAuth\techo remove >> '" + marker + "'\n" +
                            "OSAATSShutdownAuth\techo shutdown >> '" + marker + "'\n" +
                            "OSAATSPingAuth\techo ping >> '" + marker + "'\n" +
                            "ASRestartComputer\techo restart >> '" + marker + "'\n";
    const std::string noShutdown = "OSAATSChacheRemoveAuth\techo remove >> '" + marker + "'\n" +
                                   "OSAATSPingAuth\techo ping >> '" + marker + "'\n";
    const std::string noRemoval = "OSAATSShutdownAuth\techo shutdown >> '" + marker + "'\n";
    start();

    const Bytes allSigned = definitionWithScripts(all, Signer::ThisBuild);
    const ScriptInfo allScripts = scriptsOf(all);
    EXPECT_EQ(clearCache(allScripts, allSigned), 0);
    EXPECT_EQ(text(marker), "remove\nshutdown\nping\n");
    fs::remove(marker);
    const ScriptInfo withoutShutdown = scriptsOf(noShutdown);
    EXPECT_TRUE(FontUpdate::clearFontCacheWithAuthorization(
        &authorization, &withoutShutdown, definitionWithScripts(noShutdown, Signer::ThisBuild)));
    EXPECT_EQ(text(marker), "remove\n") << "no ping without a shutdown";
    fs::remove(marker);
    const ScriptInfo withoutRemoval = scriptsOf(noRemoval);
    const Bytes removalMissing = definitionWithScripts(noRemoval, Signer::ThisBuild);
    EXPECT_EQ(clearCache(withoutRemoval, removalMissing), -1);
    EXPECT_FALSE(FontUpdate::clearFontCacheWithAuthorization(&authorization, &withoutRemoval,
                                                             removalMissing));
    // Only the three cache keys run with rights, whatever else the definition holds.
    for (const char* key : {"ASRestartComputer", "UserChacheRemove", ""})
        EXPECT_NE(runScript(allSigned, key), 0) << key;
    EXPECT_FALSE(fs::exists(marker));
}

// The helper reads the signature itself: a definition nobody trusted signed (the caller may say
// what it likes) gets the fixed cache rebuild for its removal step and nothing else, and its own
// scripts never run.
TEST_F(HelperSession, AnUntrustedDefinitionsScriptsNeverRunWithRights) {
    const std::string marker = sandbox.path("marker");
    const std::string scripts = "OSAATSChacheRemoveAuth\ttouch '" + marker + "'\n" +
                                "OSAATSShutdownAuth\ttouch '" + marker + "'\n" +
                                "OSAATSPingAuth\ttouch '" + marker + "'\n";
    start();
    for (Signer signer : {Signer::Stranger, Signer::Nobody}) {
        const Bytes definition = definitionWithScripts(scripts, signer);
        for (const char* key : {"OSAATSShutdownAuth", "OSAATSPingAuth"})
            EXPECT_EQ(runScript(definition, key), errAuthorizationDenied) << key;
        // The removal is the fixed command; whether fc-cache itself succeeds here is its business.
        (void)runScript(definition, "OSAATSChacheRemoveAuth");
        EXPECT_FALSE(fs::exists(marker));
    }
    // A definition that does not even open is refused outright.
    Bytes damaged = definitionWithScripts(scripts, Signer::ThisBuild);
    damaged[damaged.size() / 2] ^= 1;
    EXPECT_EQ(runScript(damaged, "OSAATSChacheRemoveAuth"), errAuthorizationDenied);
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(authorization.hasAuthRef()) << "refusals do not end the session";
}

// The helper knows how its scripts ended: a script that fails is a failure to the caller, and
// one failed script does not end the session.
TEST_F(HelperSession, AScriptThatFailsIsReportedAsFailed) {
    const std::string marker = sandbox.path("marker");
    const std::string failing = "OSAATSChacheRemoveAuth\texit 3\n"
                                "OSAATSShutdownAuth\techo shutdown >> '" +
                                marker +
                                "'\n"
                                "OSAATSPingAuth\tkill -TERM $$\n";
    const Bytes definition = definitionWithScripts(failing, Signer::ThisBuild);
    start();
    EXPECT_EQ(runScript(definition, "OSAATSPingAuth"), helperScriptFailed) << "ended by a signal";
    const ScriptInfo failingRemoval = scriptsOf(failing);
    EXPECT_EQ(clearCache(failingRemoval, definition), helperScriptFailed);
    EXPECT_FALSE(fs::exists(marker)) << "nothing runs after a failed removal";
    EXPECT_EQ(runScript(definition, "OSAATSShutdownAuth"), 0);
    EXPECT_EQ(text(marker), "shutdown\n");
}

// The helper itself, spoken to directly as any program of the user could: script text is not a
// request it knows, and such a request ends the session with nothing run.
TEST_F(HelperSession, TheHelperRunsNoScriptText) {
    const std::string marker = sandbox.path("marker");
    // The build puts every program, this one too, in one folder.
    const auto self = platform::currentExecutablePath();
    ASSERT_TRUE(self);
    auto helper = platform::ChildProcess::spawn(
        {(fs::path(*self).parent_path() / "fontupdater-helper").string(), "--fonts", fonts});
    ASSERT_TRUE(helper);
    ASSERT_EQ(helper->readLine(16), "READY");
    ASSERT_TRUE(helper->writeAll("SCRIPT\0touch '"s + marker + "'\0"s));
    EXPECT_EQ(helper->readLine(16), std::to_string(helperRequestInvalid));
    EXPECT_EQ(helper->readLine(16), std::nullopt) << "the session ended";
    EXPECT_EQ(helper->finish(std::chrono::seconds(5)), 1);
    EXPECT_FALSE(fs::exists(marker));
}

TEST(Authorization, WithoutRightsNothingIsAsked) {
    Authorization authorization;
    const ScriptInfo scripts = scriptsOf("OSAATSChacheRemoveAuth\ttrue\n");
    const Bytes definition =
        definitionWithScripts("OSAATSChacheRemoveAuth\ttrue\n", Signer::ThisBuild);
    EXPECT_EQ(Authorization::moveFileWithAuthorization(&authorization, "/a", "/b"), -1);
    EXPECT_EQ(Authorization::runDefinitionScriptWithAuthorization(&authorization, definition,
                                                                  "OSAATSChacheRemoveAuth"),
              -1);
    EXPECT_EQ(Authorization::clearFontCacheWithAuthorization(&authorization, &scripts, definition),
              -1);
}

} // namespace
} // namespace fu
