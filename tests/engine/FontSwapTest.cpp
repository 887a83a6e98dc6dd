// The journal of swaps in progress and the repair of a swap cut short, judged by the files.
#include "engine/FontUpdate.h"
#include "engine/UpdateJournal.h"
#include "platform/MacFiles.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fu {
namespace {

namespace fs = std::filesystem;

// A Mac file as a suitcase is stored: an empty data file and its companion.
void writePair(const std::string& path, const std::string& companion) {
    test::writeWholeFile(path, {});
    test::writeWholeFile(platform::companionPath(path), asBytes(companion));
}

void renamePair(const std::string& from, const std::string& to) {
    ASSERT_EQ(::rename(from.c_str(), to.c_str()), 0);
    ASSERT_EQ(::rename(platform::companionPath(from).c_str(), platform::companionPath(to).c_str()),
              0);
}

std::string companionOf(const std::string& path) {
    const Bytes bytes = test::readWholeFile(platform::companionPath(path));
    return std::string(bytes.begin(), bytes.end());
}

class FontSwapRepair : public test::SandboxTest {
protected:
    void SetUp() override {
        fonts = sandbox.path("home/.local/share/fonts/sub");
        backups =
            sandbox.path("home/.local/share/Trash/files/古いフォント項目.20261206/ユーザ/sub");
        fs::create_directories(fonts);
        fs::create_directories(backups);
        font = fonts + "/Gothic";
        writePair(font, "old fork");
        writePair(sandbox.path("new"), "new fork");
        record = {font, fonts + "/" + kStagedNewPrefix + "Gothic", backups + "/Gothic",
                  *pairDigest(font), *pairDigest(sandbox.path("new"))};
        ASSERT_TRUE(journal.begin(record, recordPath));
    }
    void stageNew() { writePair(record.stagedPath, "new fork"); }
    void backUpOld() { ASSERT_EQ(platform::backupMacFile(font, record.backupPath), 0); }

    std::string fonts, backups, font, recordPath;
    JournalRecord record;
    UpdateJournal journal;
};

TEST_F(FontSwapRepair, ASwapThatReachedTheFontIsLeftNewAndTidied) {
    stageNew();
    backUpOld();
    ASSERT_EQ(platform::replaceMacFile(record.stagedPath, font), 0);
    writePair(record.stagedPath, "half a copy from a second try");
    const auto said = FontUpdate::repairInterruptedUpdates();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("Gothic"), std::string::npos);
    EXPECT_EQ(companionOf(font), "new fork");
    EXPECT_EQ(companionOf(record.backupPath), "old fork");
    EXPECT_FALSE(platform::macFileExists(record.stagedPath));
    EXPECT_FALSE(platform::macFileExists(recordPath));
    EXPECT_TRUE(FontUpdate::repairInterruptedUpdates().empty()) << "a repaired swap is forgotten";
}

TEST_F(FontSwapRepair, ASwapThatNeverReachedTheFontIsUndone) {
    stageNew();
    backUpOld();
    (void)FontUpdate::repairInterruptedUpdates();
    EXPECT_EQ(companionOf(font), "old fork");
    EXPECT_FALSE(platform::macFileExists(record.stagedPath));
    EXPECT_FALSE(platform::macFileExists(record.backupPath)) << "no backup of a font that stayed";
}

TEST_F(FontSwapRepair, BetweenTheTwoRenamesTheFontAlreadyHoldsTheNewPair) {
    stageNew();
    backUpOld();
    // The companion was renamed into place, the (equally empty) data file not yet.
    ASSERT_EQ(::rename(platform::companionPath(record.stagedPath).c_str(),
                       platform::companionPath(font).c_str()),
              0);
    (void)FontUpdate::repairInterruptedUpdates();
    EXPECT_EQ(companionOf(font), "new fork");
    EXPECT_TRUE(platform::macFileExists(font));
    EXPECT_FALSE(platform::macFileExists(record.stagedPath)) << "no lone staged data file is left";
    EXPECT_EQ(companionOf(record.backupPath), "old fork");
}

TEST_F(FontSwapRepair, AFontWithoutItsDataFileIsCompletedFromTheStagedPair) {
    stageNew();
    backUpOld();
    ASSERT_EQ(::unlink(font.c_str()), 0);
    ASSERT_EQ(::unlink(platform::companionPath(font).c_str()), 0);
    (void)FontUpdate::repairInterruptedUpdates();
    EXPECT_EQ(companionOf(font), "new fork");
    EXPECT_TRUE(platform::macFileExists(font));
    EXPECT_FALSE(platform::macFileExists(record.stagedPath));
}

TEST_F(FontSwapRepair, WithoutAWholeStagedPairTheOldFontComesBackFromTheTrash) {
    backUpOld();
    ASSERT_EQ(::unlink(font.c_str()), 0);
    ASSERT_EQ(::unlink(platform::companionPath(font).c_str()), 0);
    writePair(record.stagedPath, "new fo"); // cut short while it was copied
    const auto said = FontUpdate::repairInterruptedUpdates();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(companionOf(font), "old fork");
    EXPECT_EQ(companionOf(record.backupPath), "old fork") << "the Trash keeps its copy";
    EXPECT_FALSE(platform::macFileExists(record.stagedPath));
}

TEST_F(FontSwapRepair, WhatCannotBeRepairedIsSaidAndKeptForLater) {
    ASSERT_EQ(::unlink(font.c_str()), 0);
    const auto said = FontUpdate::repairInterruptedUpdates();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(record.backupPath), std::string::npos);
    EXPECT_TRUE(platform::macFileExists(recordPath));
}

TEST_F(FontSwapRepair, RecordsOthersCouldHaveWrittenAreNotActedOn) {
    ASSERT_EQ(::chmod(recordPath.c_str(), 0666), 0);
    stageNew();
    backUpOld();
    EXPECT_TRUE(UpdateJournal::pending().empty());
    EXPECT_TRUE(FontUpdate::repairInterruptedUpdates().empty());
    EXPECT_TRUE(platform::macFileExists(record.backupPath));
}

// The journal says which pair to put where: a folder of records that others may write to, or a
// link to one, is neither read nor written, whatever the records in it look like.
TEST_F(FontSwapRepair, AJournalFolderNotOursAloneIsNeitherReadNorWritten) {
    const auto folder = UpdateJournal::folderPath();
    ASSERT_TRUE(folder);
    struct stat st {};
    ASSERT_EQ(::stat(folder->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    stageNew();
    backUpOld();
    ASSERT_EQ(UpdateJournal::pending().size(), 1u);

    ASSERT_EQ(::chmod(folder->c_str(), 0777), 0);
    EXPECT_TRUE(UpdateJournal::pending().empty());
    EXPECT_TRUE(FontUpdate::repairInterruptedUpdates().empty());
    std::string another;
    EXPECT_FALSE(journal.begin(record, another));
    EXPECT_TRUE(platform::macFileExists(record.backupPath)) << "nothing was repaired from it";
    EXPECT_TRUE(platform::macFileExists(record.stagedPath));

    // The same records behind a link to their folder.
    ASSERT_EQ(::chmod(folder->c_str(), 0700), 0);
    const std::string moved = sandbox.path("records");
    fs::rename(*folder, moved);
    fs::create_directory_symlink(moved, *folder);
    EXPECT_FALSE(UpdateJournal::folderPath());
    EXPECT_TRUE(UpdateJournal::pending().empty());
    EXPECT_TRUE(FontUpdate::repairInterruptedUpdates().empty());
    EXPECT_TRUE(platform::macFileExists(record.stagedPath));
}

// The helper's journal is made for it alone to write and everyone to read; one planted there is
// refused.
TEST(HelperJournal, IsMadeReadableByAllAndRefusedWhenPlanted) {
    test::Sandbox sandbox;
    const std::string digest(32, 'A');
    const std::string pair = digest + ":" + digest;
    const JournalRecord record{sandbox.path("f/Gothic"), sandbox.path("f/.fu-new-Gothic"),
                               sandbox.path("t/Gothic"), pair, pair};
    const std::string fresh = sandbox.path("fresh");
    {
        UpdateJournal journal(fresh);
        std::string recordPath;
        ASSERT_TRUE(journal.begin(record, recordPath));
        struct stat st {};
        ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0755u);
        EXPECT_TRUE(journal.begin(record, recordPath)) << "its own folder is taken again";
    }
    const std::string open = sandbox.path("open");
    fs::create_directory(open);
    fs::permissions(open, fs::perms::all, fs::perm_options::replace);
    fs::create_directory_symlink(fresh, sandbox.path("link"));
    for (const std::string& planted : {open, sandbox.path("link")}) {
        UpdateJournal journal(planted);
        std::string recordPath;
        EXPECT_FALSE(journal.begin(record, recordPath)) << planted;
    }
    EXPECT_TRUE(fs::is_empty(open));
}

TEST(JournalRecord, ReadsWhatItWritesAndNothingBentOrForeign) {
    const std::string digest(32, 'A');
    const std::string pair = digest + ":" + digest;
    const JournalRecord good{"/f/Gothic", "/f/.fu-new-Gothic", "/t/Gothic", pair, pair};
    const auto back = JournalRecord::fromText(good.text());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text(), good.text());

    auto bent = [&](auto change) {
        JournalRecord record = good;
        change(record);
        return JournalRecord::fromText(record.text()).has_value();
    };
    EXPECT_FALSE(bent([](JournalRecord& r) { r.fontPath = "f/Gothic"; })) << "relative";
    EXPECT_FALSE(bent([](JournalRecord& r) { r.backupPath = "/t/../etc/passwd"; })) << "a step up";
    EXPECT_FALSE(bent([](JournalRecord& r) { r.stagedPath = "/elsewhere/.fu-new-Gothic"; }))
        << "not beside";
    EXPECT_FALSE(bent([](JournalRecord& r) { r.stagedPath = "/f/Mincho"; })) << "an installed name";
    EXPECT_FALSE(bent([](JournalRecord& r) { r.oldDigest = "short"; }));
    EXPECT_FALSE(JournalRecord::fromText(good.text() + "extra\n"));
    EXPECT_FALSE(JournalRecord::fromText(good.text().substr(0, good.text().size() - 1)));
}

// Within a scope a pair is known again by its files, without being read; anything that could
// change what a reader would read is seen. The remembered digest is proved by a change the
// identity cannot see (the same size, the time put back): inside the scope it is not noticed,
// after the scope it is.
TEST(PairDigestScope, KnowsARenamedOrLinkedPairAndRereadsEveryChange) {
    test::Sandbox sandbox;
    const std::string font = sandbox.path("Gothic");
    writePair(font, "old fork");
    // Installed long ago, as fonts are: a write now cannot fall within the clock tick of the last.
    struct timespec longAgo[2] = {};
    longAgo[0].tv_sec = longAgo[1].tv_sec = ::time(nullptr) - 3600;
    for (const std::string& file : {font, platform::companionPath(font)})
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), longAgo, 0), 0);
    const std::string original = *pairDigest(font);
    writePair(sandbox.path("other"), "new fork");
    const std::string other = *pairDigest(sandbox.path("other"));
    ASSERT_NE(original, other);

    auto rewriteKeepingTimes = [](const std::string& path, const std::string& bytes) {
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        test::writeWholeFile(path, asBytes(bytes));
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    {
        const PairDigestScope scope;
        EXPECT_EQ(pairDigest(font), original);
        const std::string linked = sandbox.path("linked");
        ASSERT_EQ(platform::backupMacFile(font, linked), 0);
        rewriteKeepingTimes(platform::companionPath(font), "OLD FORK");
        EXPECT_EQ(pairDigest(linked), original)
            << "a link of a pair read in the scope is not read again";
        const std::string renamed = sandbox.path("renamed");
        renamePair(font, renamed);
        EXPECT_EQ(pairDigest(renamed), original) << "nor is a renamed one";
        renamePair(renamed, font);
    }
    const std::string rewritten = *pairDigest(font);
    EXPECT_NE(rewritten, original) << "outside the scope the pair is read";

    const PairDigestScope scope;
    ASSERT_EQ(pairDigest(font), rewritten);
    const std::string copy = sandbox.path("copy");
    writePair(copy, "OLD FORK");
    EXPECT_EQ(pairDigest(copy), rewritten) << "a copy is read, and holds the same";
    test::writeWholeFile(platform::companionPath(font), asBytes("new fork"));
    EXPECT_EQ(pairDigest(font), other) << "a write of the same size";
    test::writeWholeFile(platform::companionPath(font), asBytes("new"));
    EXPECT_NE(pairDigest(font), other) << "a shorter companion";
    ASSERT_EQ(::unlink(platform::companionPath(font).c_str()), 0);
    const auto alone = pairDigest(font);
    ASSERT_TRUE(alone);
    EXPECT_NE(*alone, other) << "a companion gone";
    test::writeWholeFile(platform::companionPath(font), {});
    EXPECT_NE(pairDigest(font), alone) << "an empty companion is not a missing one";
    ASSERT_EQ(::unlink(platform::companionPath(font).c_str()), 0);
    ASSERT_EQ(::mkfifo(platform::companionPath(font).c_str(), 0600), 0);
    EXPECT_FALSE(pairDigest(font)) << "a companion no reader would read";
}

} // namespace
} // namespace fu
