#include "engine/FontUpdate.h"
#include "engine/MessageInfo.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateManager.h"
#include "platform/FileAttributes.h"
#include "platform/MacFiles.h"
#include "platform/Paths.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResFile.h"
#include "support/EngineFixture.h"
#include "support/SampleSuitcase.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace fu {
namespace {

using test::installedVersion;

namespace fs = std::filesystem;

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    return std::strftime(text, sizeof text, "%Y%m%d", &local) ? text : "";
}

class Collect : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult& result) override {
        progress.push_back(result);
        if (onProgress) onProgress(result);
    }
    // Runs between the steps of a run, as the screen's repaint does.
    std::function<void(const UpdateResult&)> onProgress;
    void processComplete(const UpdateResult& result) override { completions.push_back(result); }
    std::vector<UpdateResult> progress, completions;
};

// The run's outcome; a number no run gives when it reported nothing or something else.
UpdateStatus outcomeOf(const Collect& run) {
    const UpdateStatus* status = run.completions.empty()
                                     ? nullptr
                                     : std::get_if<UpdateStatus>(&run.completions.back().status);
    return status ? *status : UpdateStatus{0x7FFF};
}

class UpdateRun : public test::SandboxTest {
protected:
    void TearDown() override {
        unsetenv("FONTUPDATER_ELEVATE");
        test::clearAppState();
    }
    std::string userFonts() const { return sandbox.path("home/.local/share/fonts"); }
    std::string trash() const { return sandbox.path("home/.local/share/Trash"); }
    std::string temp() const {
        return sandbox.path("home/.local/share/org.fontupdater.FontUpdater.temp");
    }
    std::string backupName(const std::string& suffix = "") const {
        return "古いフォント項目." + today() + suffix;
    }

    // Search, then update everything found; the run's outcome. With rights, they are taken
    // before the run as the list screen takes them.
    UpdateStatus searchAndUpdate(bool withRights = false) {
        test::EngineState& info = test::installAppState(sample);
        info.setupUpdateManager();
        Collect search;
        info.updateManager->delegate = &search;
        info.updateManager->findUpdateNecessaryFont();
        beforeUpdate();
        return updateAgain(withRights);
    }
    // Another run over the list the last one left; its outcome.
    UpdateStatus updateAgain(bool withRights = false) {
        test::EngineState& info = *test::currentAppState();
        info.setupUpdateManager();
        info.updateManager->delegate = &run;
        run.completions.clear();
        if (withRights) {
            EXPECT_EQ(info.updateManager->startAuthorization(), 0);
            EXPECT_TRUE(info.authorization && info.authorization->hasAuthRef());
        }
        info.updateManager->exeUpdateRequestedFont();
        EXPECT_EQ(run.completions.size(), 1u);
        return outcomeOf(run);
    }
    std::string trashInfo(const std::string& name) const {
        std::ifstream info(trash() + "/info/" + name + ".trashinfo");
        std::stringstream record;
        record << info.rdbuf();
        return record.str();
    }
    // The rights are taken as the list screen takes them, through a launcher that runs the real
    // helper as the current user.
    void useElevation(const std::string& launcherBody) {
        const std::string launcher =
            sandbox.writeFile("launch.sh", asBytes("#!/bin/sh\n" + launcherBody + "\n"));
        fs::permissions(launcher, fs::perms::owner_all);
        setenv("FONTUPDATER_ELEVATE", launcher.c_str(), 1);
    }
    void useRecordingElevation() {
        useElevation("touch '" + sandbox.path("launched") + "'\nexec \"$@\"");
    }
    std::function<void()> beforeUpdate = [] {};
    test::EngineSample sample = test::makeEngineSample(sandbox);
    Collect run;
};

TEST_F(UpdateRun, OneUserFontIsReplacedAndTheOldOneGoesToTheTrash) {
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    ASSERT_EQ(searchAndUpdate(), UpdateStatus::StatusOK);

    EXPECT_EQ(installedVersion(userFonts() + "/Gothic"), "1.0.2");
    const std::string backup = trash() + "/files/" + backupName() + "/ユーザ/Gothic";
    EXPECT_EQ(installedVersion(backup), "1.0.1");
    EXPECT_EQ(fs::status(trash() + "/files/" + backupName()).permissions(), fs::perms::owner_all)
        << "the old fonts are the user's to read";
    const std::string record = trashInfo(backupName());
    EXPECT_TRUE(record.starts_with("[Trash Info]\nPath=/")) << record;
    EXPECT_NE(record.find("\nDeletionDate=20"), std::string::npos) << record;
    EXPECT_TRUE(fs::exists(test::cacheMarker(sandbox))) << "the user's cache was rebuilt";
    EXPECT_FALSE(fs::exists(temp()));
    EXPECT_EQ(test::currentAppState()->updateFontInfo->updateFontItemAtIndex(0)->updateResult,
              ItemResult::StatusOK);
    auto attributes = platform::readAttributes(userFonts() + "/Gothic");
    ASSERT_TRUE(attributes && attributes->creationDate);
    // 2014/04/03 09:00:00 in Japan.
    EXPECT_EQ(attributes->creationDate->time_since_epoch().count(), 1396483200);
}

TEST_F(UpdateRun, ASecondRunTheSameDayGetsANumberedBackupFolder) {
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    ASSERT_EQ(searchAndUpdate(), UpdateStatus::StatusOK);
    test::installOldSuitcase(sample, userFonts() + "/Other Gothic");
    ASSERT_EQ(searchAndUpdate(), UpdateStatus::StatusOK);
    EXPECT_TRUE(
        platform::macFileExists(trash() + "/files/" + backupName(".1") + "/ユーザ/Other Gothic"));
    EXPECT_TRUE(fs::exists(trash() + "/info/" + backupName(".1") + ".trashinfo"));
}

TEST_F(UpdateRun, OneFailingFontOfThreeGivesAPartialOutcome) {
    for (const char* name : {"A", "B", "C"})
        test::installOldSuitcase(sample, userFonts() + "/" + name);
    // Between the search and the update, B changes under our feet: it no longer needs the update.
    beforeUpdate = [this] {
        fs::remove(userFonts() + "/B");
        fs::remove(userFonts() + "/._B");
        sample::SampleSuitcaseOptions newer;
        newer.shortVersion = "1.0.3";
        ASSERT_EQ(sample::writeSampleSuitcase(userFonts() + "/B", sample.oldFont, newer),
                  ResStatus::resNoErr);
    };
    EXPECT_EQ(searchAndUpdate(), UpdateStatus::UpdatePartialCacheOK);
    const auto& fonts = test::currentAppState()->updateFontInfo->updateFontItems;
    ASSERT_EQ(fonts.size(), 3u);
    for (const auto& font : fonts) {
        if (font->srcPath == userFonts() + "/B")
            EXPECT_NE(font->updateResult, ItemResult::StatusOK);
        else
            EXPECT_EQ(font->updateResult, ItemResult::StatusOK) << font->srcPath;
    }
    EXPECT_EQ(installedVersion(userFonts() + "/B"), "1.0.3") << "a failed font is left as it was";
}

TEST_F(UpdateRun, NoFontUpdatedMeansNoCacheRebuild) {
    test::installOldSuitcase(sample, userFonts() + "/A");
    beforeUpdate = [this] { fs::remove(userFonts() + "/A"); };
    EXPECT_EQ(searchAndUpdate(), UpdateStatus::UpdateNoneUpdated);
    EXPECT_FALSE(fs::exists(test::cacheMarker(sandbox)));
}

// A font of the computer's folder is moved by the privileged helper, started once through the
// elevation command (here a launcher that records it ran), and the cache is rebuilt with rights.
TEST_F(UpdateRun, AComputerFontMovesThroughTheHelper) {
    const std::string marker = sandbox.path("rebuilt-with-rights");
    sample = test::makeEngineSample(sandbox, "OSAATSChacheRemoveAuth\ttouch '" + marker + "'\n");
    useRecordingElevation();
    const std::string computer = sandbox.path("system-fonts/Sub/Gothic");
    test::installOldSuitcase(sample, computer);
    fs::create_directories(userFonts());

    const UpdateStatus outcome = searchAndUpdate(true);
    const test::EngineState& info = *test::currentAppState();
    EXPECT_EQ(outcome, UpdateStatus::StatusOK)
        << "font result " << info.updateFontInfo->updateFontItemAtIndex(0)->updateResult;
    EXPECT_TRUE(fs::exists(sandbox.path("launched")));
    EXPECT_EQ(installedVersion(computer), "1.0.2");
    EXPECT_EQ(installedVersion(trash() + "/files/" + backupName() + "/コンピュータ/Sub/Gothic"),
              "1.0.1");
    EXPECT_TRUE(fs::exists(marker)) << "the privileged cache rebuild ran";
    EXPECT_FALSE(info.authorization) << "the rights end with the run";
}

// A helper that does its work but whose answer never arrives: the files say what happened.
TEST_F(UpdateRun, AComputerFontsOutcomeIsReadFromTheFilesNotFromTheHelpersAnswer) {
    // Only "READY\n" gets through; every answer after it is lost.
    useElevation("\"$@\" | head -c 6");
    const std::string computer = sandbox.path("system-fonts/Sub/Gothic");
    test::installOldSuitcase(sample, computer);
    fs::create_directories(userFonts());

    (void)searchAndUpdate(true);
    const UpdateFontItem& font = *test::currentAppState()->updateFontInfo->updateFontItemAtIndex(0);
    EXPECT_EQ(installedVersion(computer), "1.0.2");
    EXPECT_EQ(font.updateResult, ItemResult::StatusOK)
        << "the font was updated, whatever the helper could say";
    EXPECT_EQ(installedVersion(trash() + "/files/" + backupName() + "/コンピュータ/Sub/Gothic"),
              "1.0.1");
}

// Restoring the backup folder from the desktop's Trash must not put the old fonts back where
// fontconfig loads them: its record names the Desktop, spelt as a URI path.
TEST_F(UpdateRun, TheTrashRecordsTheDesktopAsTheBackupsOrigin) {
    sample = test::makeEngineSample(sandbox, "OSAATSChacheRemoveAuth\ttrue\n");
    const std::string desktop = sandbox.path("home/My Desktop");
    test::writeWholeFile(sandbox.path("home/.config/user-dirs.dirs"),
                         asBytes("XDG_DESKTOP_DIR=\"$HOME/My Desktop\"\n"));
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    test::installOldSuitcase(sample, sandbox.path("system-fonts/Gothic"));
    useRecordingElevation();
    ASSERT_EQ(searchAndUpdate(true), UpdateStatus::StatusOK);
    ASSERT_TRUE(
        platform::macFileExists(trash() + "/files/" + backupName() + "/コンピュータ/Gothic"));

    const std::string record = trashInfo(backupName());
    const size_t start = record.find("\nPath=");
    ASSERT_NE(start, std::string::npos) << record;
    const std::string raw = record.substr(start + 6, record.find('\n', start + 1) - start - 6);
    std::string path;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '%') {
            ASSERT_LE(i + 2, raw.size() - 1) << raw;
            const std::string hex = raw.substr(i + 1, 2);
            ASSERT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << raw;
            path += char(std::stoi(hex, nullptr, 16));
            i += 2;
        } else {
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)) ||
                        std::string("/-_.~").find(c) != std::string::npos)
                << "unescaped '" << c << "' in " << raw;
            path += c;
        }
    }
    EXPECT_EQ(path, desktop + "/" + backupName());
    EXPECT_FALSE(fs::exists(path))
        << "only the record names the Desktop; the folder is in the Trash";
}

TEST_F(UpdateRun, AFailedCacheRebuildIsReportedButUndoesNothing) {
    sample = test::makeEngineSample(sandbox, "UserChacheRemove\t/bin/false\n");
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    EXPECT_EQ(searchAndUpdate(), UpdateStatus::UpdateAllCacheFailed);
    EXPECT_EQ(installedVersion(userFonts() + "/Gothic"), "1.0.2");
}

TEST_F(UpdateRun, ALeftoverInTheTemporaryFolderIsRemovedFirst) {
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    beforeUpdate = [&] {
        fs::create_directories(temp());
        fs::permissions(temp(), fs::perms::owner_all,
                        fs::perm_options::replace); // whatever the umask
        test::writeWholeFile(temp() + "/Gothic", Bytes{1, 2, 3});
        test::writeWholeFile(temp() + "/._Gothic", Bytes{4});
    };
    EXPECT_EQ(searchAndUpdate(), UpdateStatus::StatusOK);
    EXPECT_FALSE(fs::exists(temp()));
}

// The folder checks tell a locked folder from one whose attributes cannot be read.
TEST(UpdatePaths, LockedFolders) {
    test::Sandbox sandbox;
    const std::string open = sandbox.path("open"), locked = sandbox.path("locked");
    fs::create_directories(open);
    fs::create_directories(locked);
    const bool canLock = std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) == 0;
    struct Check {
        ItemResult (*check)(const std::string&);
        ItemResult lockedCode, unreadableCode;
    };
    for (const Check& c :
         {Check{FontUpdate::checkLoeckedFontsFolderOfDirPath, ItemResult::ItemFontsFolderLocked,
                ItemResult::ItemFontsFolderAttributes},
          Check{FontUpdate::checkLoeckedTempFolderOfDirPath, ItemResult::ItemTempFolderLocked,
                ItemResult::ItemTempFolderAttributes}}) {
        EXPECT_EQ(c.check(open), ItemResult::StatusOK);
        EXPECT_EQ(c.check(sandbox.path("missing")), c.unreadableCode);
        EXPECT_EQ(c.check(""), c.unreadableCode);
        if (canLock) {
            EXPECT_EQ(c.check(locked), c.lockedCode);
        }
    }
    if (canLock) {
        EXPECT_EQ(std::system(("chattr -i '" + locked + "'").c_str()), 0);
    }
}

TEST_F(UpdateRun, ALockedFontIsLeftUntouched) {
    test::installOldSuitcase(sample, userFonts() + "/Locked");
    const std::string path = userFonts() + "/Locked";
    if (std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system or user cannot set the immutable flag";
    const UpdateStatus outcome = searchAndUpdate();
    EXPECT_EQ(std::system(("chattr -i '" + path + "'").c_str()), 0)
        << "the sandbox could not be removed";
    EXPECT_EQ(outcome, UpdateStatus::UpdateNoneUpdated);
    EXPECT_EQ(test::currentAppState()->updateFontInfo->updateFontItemAtIndex(0)->updateResult,
              ItemResult::ItemFileLocked);
    EXPECT_EQ(installedVersion(path), "1.0.1");
}

TEST_F(UpdateRun, NothingRequestedEndsBeforeAnyFolderIsMade) {
    test::EngineState& info = test::installAppState(sample);
    info.setupUpdateFontInfo();
    info.setupUpdateManager();
    info.updateManager->delegate = &run;
    info.updateManager->exeUpdateRequestedFont();
    ASSERT_EQ(run.completions.size(), 1u);
    EXPECT_EQ(run.completions[0].status, UpdateStatus::UpdateErrorNothingRequested);
    EXPECT_FALSE(fs::exists(temp()));
}

// On Linux the script's exit status is known: a privileged rebuild whose script fails has not
// rebuilt the cache, and the outcome says so.
TEST_F(UpdateRun, AFailingPrivilegedCacheScriptIsAFailedRebuild) {
    sample = test::makeEngineSample(sandbox, "OSAATSChacheRemoveAuth\texit 3\n");
    useRecordingElevation();
    const std::string computer = sandbox.path("system-fonts/Gothic");
    test::installOldSuitcase(sample, computer);
    EXPECT_EQ(searchAndUpdate(true), UpdateStatus::UpdateAllCacheFailed);
    EXPECT_TRUE(fs::exists(sandbox.path("launched")));
    EXPECT_EQ(installedVersion(computer), "1.0.2") << "a failed rebuild undoes nothing";
}

// A run that ends before it comes to a font (here: a file stands where the temporary folder
// goes) must not report that font as updated, nor keep the result of an earlier run.
TEST_F(UpdateRun, FontsTheRunNeverCameToAreNotReportedAsDone) {
    for (const char* name : {"A", "B"})
        test::installOldSuitcase(sample, userFonts() + "/" + name);
    const std::string temp = sandbox.path("home/.local/share/org.fontupdater.FontUpdater.temp");
    beforeUpdate = [&] { test::writeWholeFile(temp, Bytes{7}); };
    EXPECT_EQ(searchAndUpdate(), UpdateStatus::UpdateErrorTempSetup);
    test::EngineState& info = *test::currentAppState();
    ASSERT_EQ(info.updateFontInfo->countOfUpdateFontItemAll(), 2);
    for (const auto& font : info.updateFontInfo->updateFontItems) {
        EXPECT_EQ(font->updateResult, ItemResult::ItemNotAttempted) << font->srcPath;
        EXPECT_EQ(installedVersion(font->srcPath), "1.0.1");
        EXPECT_EQ(fontMessageCodeOfItemResult(font->updateResult), FontMessage::FontErrorGeneral);
    }
    EXPECT_EQ(test::readWholeFile(temp), Bytes{7}) << "what stood in the way is left alone";

    // Once the way is clear every font the run does attempt ends with its own result...
    fs::remove(temp);
    EXPECT_EQ(updateAgain(), UpdateStatus::StatusOK);
    for (const auto& font : info.updateFontInfo->updateFontItems)
        EXPECT_EQ(font->updateResult, ItemResult::StatusOK);

    // ...and a later run on the same list that stops early does not pass those off as its own.
    test::writeWholeFile(temp, Bytes{7});
    EXPECT_EQ(updateAgain(), UpdateStatus::UpdateErrorTempSetup);
    for (const auto& font : info.updateFontInfo->updateFontItems)
        EXPECT_EQ(font->updateResult, ItemResult::ItemNotAttempted);
}

// New fonts are built in the work folder before they are installed: one found open to others, or
// a link that could lead the run anywhere, is never used, and the run stops as it does for a folder
// it could not make, leaving what it found as it was.
TEST_F(UpdateRun, AWorkFolderThatIsNotOursAloneStopsTheRun) {
    const std::string font = userFonts() + "/Gothic";
    test::installOldSuitcase(sample, font);
    const std::string temp = sandbox.path("home/.local/share/org.fontupdater.FontUpdater.temp");
    const std::string elsewhere = sandbox.path("elsewhere");
    fs::create_directories(elsewhere);
    fs::permissions(elsewhere, fs::perms::owner_all, fs::perm_options::replace);
    auto expectStoppedBeforeTheFont = [&](const char* planted) {
        EXPECT_EQ(installedVersion(font), "1.0.1") << planted;
        EXPECT_EQ(test::currentAppState()->updateFontInfo->updateFontItemAtIndex(0)->updateResult,
                  ItemResult::ItemNotAttempted)
            << planted;
        EXPECT_TRUE(fs::is_empty(elsewhere)) << planted;
        EXPECT_FALSE(fs::exists(trash() + "/files/" + backupName())) << planted;
    };

    beforeUpdate = [&] {
        fs::create_directory(temp);
        fs::permissions(temp, fs::perms::all, fs::perm_options::replace);
    };
    EXPECT_EQ(searchAndUpdate(), UpdateStatus::UpdateErrorTempSetup);
    expectStoppedBeforeTheFont("open to everyone");
    EXPECT_EQ(fs::status(temp).permissions(), fs::perms::all) << "not repaired, not removed";

    fs::remove(temp);
    fs::create_directory_symlink(elsewhere, temp);
    EXPECT_EQ(updateAgain(), UpdateStatus::UpdateErrorTempSetup);
    expectStoppedBeforeTheFont("a link to a folder of ours");
    EXPECT_TRUE(fs::is_symlink(temp));

    fs::remove(temp);
    if (::geteuid() == 0) {
        fs::create_directory(temp);
        fs::permissions(temp, fs::perms::owner_all, fs::perm_options::replace);
        ASSERT_EQ(::chown(temp.c_str(), 4242, 4242), 0);
        EXPECT_EQ(updateAgain(), UpdateStatus::UpdateErrorTempSetup);
        expectStoppedBeforeTheFont("another user's folder");
        fs::remove(temp);
    }

    EXPECT_EQ(updateAgain(), UpdateStatus::StatusOK)
        << "once the place is clear the run makes its own folder";
    EXPECT_EQ(installedVersion(font), "1.0.2");
}

// The backup folder holds the user's old fonts: it is checked again for every font it receives,
// and once it is no longer ours alone no further font goes in, each such font saying why.
class UpdateRunBackupFolder : public UpdateRun {
protected:
    void updateTwoFontsChangingTheBackupFolderAfterTheFirst(
        const std::function<void(const std::string&)>& change) {
        for (const char* name : {"A", "B"})
            test::installOldSuitcase(sample, userFonts() + "/" + name);
        const std::string backup = trash() + "/files/" + backupName();
        run.onProgress = [&](const UpdateResult& step) {
            if (step.count == 1 && !step.text) change(backup);
        };
        EXPECT_EQ(searchAndUpdate(), UpdateStatus::UpdatePartialCacheOK);
        const auto& fonts = test::currentAppState()->updateFontInfo->updateFontItems;
        ASSERT_EQ(fonts.size(), 2u);
        EXPECT_EQ(fonts[0]->updateResult, ItemResult::StatusOK);
        EXPECT_EQ(installedVersion(fonts[0]->srcPath), "1.0.2");
        EXPECT_EQ(fonts[1]->updateResult, ItemResult::ItemBackupFolderFailed);
        EXPECT_EQ(fontMessageCodeOfItemResult(fonts[1]->updateResult),
                  FontMessage::FontErrorBackupFolder);
        EXPECT_EQ(installedVersion(fonts[1]->srcPath), "1.0.1");
        second = platform::lastPathComponent(fonts[1]->srcPath);
    }
    std::string second;
};

TEST_F(UpdateRunBackupFolder, OneOpenedToOthersMidRunReceivesNoMore) {
    updateTwoFontsChangingTheBackupFolderAfterTheFirst([](const std::string& backup) {
        fs::permissions(backup, fs::perms::all, fs::perm_options::replace);
    });
    const std::string backup = trash() + "/files/" + backupName();
    EXPECT_EQ(fs::status(backup).permissions(), fs::perms::all);
    EXPECT_FALSE(platform::macFileExists(backup + "/ユーザ/" + second));
}

TEST_F(UpdateRunBackupFolder, OneSwappedForALinkMidRunReceivesNoMore) {
    const std::string elsewhere = sandbox.path("elsewhere");
    updateTwoFontsChangingTheBackupFolderAfterTheFirst([&](const std::string& backup) {
        fs::rename(backup, sandbox.path("moved"));
        fs::create_directories(elsewhere + "/ユーザ");
        fs::permissions(elsewhere, fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directory_symlink(elsewhere, backup);
    });
    EXPECT_TRUE(fs::is_empty(elsewhere + "/ユーザ")) << "nothing followed the link";
}

TEST(UpdatePaths, BackupNamesAndSubfolders) {
    test::Sandbox sandbox;
    auto first = FontUpdate::pathForBackupDirectoryName("古いフォント項目", kUserDomain, false);
    ASSERT_TRUE(first);
    EXPECT_EQ(
        FontUpdate::pathForMoveToWithBackupDirectoryName("古いフォント項目", kUserDomain, false),
        first);
    EXPECT_EQ(*first, sandbox.path("home/.local/share/Trash/files/古いフォント項目." + today()));
    // An info record alone takes the name too.
    test::writeWholeFile(
        sandbox.path("home/.local/share/Trash/info/古いフォント項目." + today() + ".trashinfo"),
        {});
    EXPECT_EQ(FontUpdate::pathForBackupDirectoryName("古いフォント項目", kUserDomain, false),
              *first + ".1");

    const std::string file = sandbox.writeFile("taken", {});
    EXPECT_EQ(FontUpdate::fixExistsPathWithFilePath(file), file + ".1");
    EXPECT_EQ(FontUpdate::makeSubDirectroryWithPath("", sandbox.root()),
              ItemResult::ItemMoveOldToTrashFailed);
    EXPECT_EQ(FontUpdate::makeSubDirectroryWithPath("ユーザ/A/B", sandbox.root()),
              ItemResult::StatusOK);
    EXPECT_TRUE(fs::is_directory(sandbox.path("ユーザ/A/B")));
    EXPECT_EQ(FontUpdate::removeTemporaryDirectroryAtPath(sandbox.path("ユーザ")), -1)
        << "only the temporary folder may be removed this way";
    EXPECT_TRUE(fs::exists(sandbox.path("ユーザ")));
}

} // namespace
} // namespace fu
