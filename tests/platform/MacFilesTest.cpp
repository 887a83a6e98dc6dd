#include "platform/MacFiles.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"
#include "platform/Places.h"
#include "platform/Volumes.h"
#include "support/BoundedRun.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fu {
namespace {

using namespace platform;
using namespace std::chrono;
using test::SandboxTest;

std::string makeMacFile(const test::Sandbox& sandbox, const std::string& name, ByteView fork) {
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), name), noErr);
    std::string path = sandbox.path(name);
    ScopedFork handle(path, fsRdWrPerm);
    EXPECT_EQ(writeFork(handle.refNum(), fsFromStart, 0, fork).status, noErr);
    return path;
}

TEST(CompanionPath, PrefixesTheLastComponent) {
    EXPECT_EQ(companionPath("/a/b/Font"), "/a/b/._Font");
    EXPECT_EQ(companionPath("/a/dir/"), "/a/._dir");
    EXPECT_TRUE(isCompanionName("._x"));
    EXPECT_FALSE(isCompanionName(".x"));
}

using Attributes = SandboxTest;

TEST_F(Attributes, TypeCreatorAndDatesSurviveApplyAndRead) {
    const std::string path = makeMacFile(sandbox, "Font", Bytes{1, 2, 3});
    FileAttributes wanted;
    wanted.hfsTypeCode = fourCC("FFIL");
    wanted.hfsCreatorCode = fourCC("DMOV");
    wanted.creationDate = sys_days(year(2014) / 4 / 1) + hours(9);
    wanted.modificationDate = sys_days(year(2015) / 5 / 2) + minutes(30);
    auto result = applyAttributes(path, wanted);
    ASSERT_TRUE(result.ok) << result.error;

    auto read = readAttributes(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->hfsTypeCode, fourCC("FFIL"));
    EXPECT_EQ(read->hfsCreatorCode, fourCC("DMOV"));
    EXPECT_EQ(read->creationDate, wanted.creationDate);
    EXPECT_EQ(read->modificationDate, wanted.modificationDate);
    // The fork is untouched by an attribute change.
    ScopedFork fork(path, fsRdPerm);
    EXPECT_EQ(forkSize(fork.refNum()), 3u);
}

TEST_F(Attributes, ApplyingToAPlainFileGivesItACompanion) {
    const std::string path = sandbox.writeFile("plain.ttf", Bytes{0, 1, 0, 0});
    auto before = readAttributes(path);
    ASSERT_TRUE(before);
    EXPECT_FALSE(before->hfsTypeCode) << "no Finder info, no type";
    EXPECT_TRUE(before->creationDate) << "falls back to the file's own times";

    FileAttributes wanted;
    wanted.hfsTypeCode = fourCC("FFIL");
    ASSERT_TRUE(applyAttributes(path, wanted).ok);
    auto after = readAttributes(path);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->hfsTypeCode, fourCC("FFIL"));
    EXPECT_EQ(test::readWholeFile(path), (Bytes{0, 1, 0, 0}));
}

TEST_F(Attributes, ItemTypesDoNotFollowLinks) {
    const std::string target = sandbox.writeFile("target", Bytes{1});
    std::filesystem::create_symlink(target, sandbox.path("link"));
    auto link = readAttributes(sandbox.path("link"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->type, ItemType::SymbolicLink);
    EXPECT_EQ(readAttributes(sandbox.root())->type, ItemType::Directory);
    int16_t error = 0;
    EXPECT_FALSE(readAttributes(sandbox.path("missing"), &error));
    EXPECT_EQ(error, fnfErr);
    FileAttributes farFuture;
    farFuture.creationDate = sys_days(year(2200) / 1 / 1);
    EXPECT_FALSE(applyAttributes(target, farFuture).ok) << "not representable in the companion";
}

using MacFiles = SandboxTest;

// The bytes of a pair are read whole, so neither file may be larger than asked for: a sparse
// data file of 2 GiB must cost no more than its first refusal. FIFOs are refused with the other
// items that are no regular files, in the fork storage tests.
TEST_F(MacFiles, ReadingAPairsBytesRefusesFilesPastTheLimit) {
    const std::string sparse = sandbox.path("SparseData");
    test::writeWholeFile(sparse, {});
    std::filesystem::resize_file(sparse, uint64_t{2} << 30);
    const std::string fits = makeMacFile(sandbox, "Fits", Bytes{4, 5});
    test::writeWholeFile(fits, Bytes(1000, 6));

    const std::string report = test::runBounded(
        [&sparse, &fits] {
            test::ChildChecks checks;
            checks.expect(!readMacFileBytes(sparse, 1 << 20), "the sparse file was read");
            auto pair = readMacFileBytes(fits, 1000);
            checks.expect(pair && pair->data == Bytes(1000, 6) && pair->hasCompanion,
                          "a pair within the limit reads");
            checks.expect(!readMacFileBytes(fits, 999),
                          "a data file one byte past the limit was read");
            return checks.report();
        },
        {.extraAddressSpace = 64 << 20});
    EXPECT_EQ(report, "");
    EXPECT_EQ(std::filesystem::file_size(sparse), uint64_t{2} << 30);
}

TEST_F(MacFiles, MoveCarriesTheCompanionAndRefusesATakenName) {
    const std::string source = makeMacFile(sandbox, "Font", Bytes{4, 5, 6});
    std::filesystem::create_directory(sandbox.path("dest"));
    const std::string destination = sandbox.path("dest/Font");
    ASSERT_EQ(moveMacFile(source, destination), noErr);
    EXPECT_FALSE(macFileExists(source));
    EXPECT_FALSE(std::filesystem::exists(companionPath(source)));
    ScopedFork fork(destination, fsRdPerm);
    EXPECT_EQ(forkSize(fork.refNum()), 3u);

    const std::string other = makeMacFile(sandbox, "Other", Bytes{7});
    EXPECT_EQ(moveMacFile(other, destination), dupFNErr);
    EXPECT_TRUE(macFileExists(other)) << "a refused move leaves the source in place";
    EXPECT_TRUE(std::filesystem::exists(companionPath(other)));
    // A stray companion at the destination also takes the name.
    test::writeWholeFile(sandbox.path("dest/._Stray"), Bytes{1});
    EXPECT_EQ(moveMacFile(other, sandbox.path("dest/Stray")), dupFNErr);
}

TEST_F(MacFiles, MoveAcrossFileSystemsCopiesBothFiles) {
    // /dev/shm is tmpfs and the sandbox usually is not; without a second file system the
    // cross-device path cannot be reached from a test.
    std::error_code error;
    const std::string shm = "/dev/shm";
    if (!std::filesystem::is_directory(shm, error) ||
        std::filesystem::status(shm).permissions() == std::filesystem::perms::none)
        GTEST_SKIP() << "no /dev/shm";
    struct stat a {
    }, b{};
    if (::stat(shm.c_str(), &a) != 0 || ::stat(sandbox.root().c_str(), &b) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "sandbox and /dev/shm share a file system";
    const std::string source = makeMacFile(sandbox, "Font", Bytes{1, 2, 3, 4});
    FileAttributes typed;
    typed.hfsTypeCode = fourCC("FFIL");
    ASSERT_TRUE(applyAttributes(source, typed).ok);
    const std::string destination = shm + "/fu-move-test-" + std::to_string(::getpid());
    ASSERT_EQ(moveMacFile(source, destination), noErr);
    EXPECT_FALSE(macFileExists(source));
    auto attributes = readAttributes(destination);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->hfsTypeCode, fourCC("FFIL"));
    {
        ScopedFork fork(destination, fsRdPerm);
        EXPECT_EQ(forkSize(fork.refNum()), 4u);
    }
    EXPECT_EQ(removeMacItem(destination), noErr);
    EXPECT_FALSE(std::filesystem::exists(companionPath(destination)));
}

TEST_F(MacFiles, ListingHidesCompanionsAndRemovalTakesThemAlong) {
    makeMacFile(sandbox, "A", Bytes{1});
    makeMacFile(sandbox, "B", Bytes{2});
    ASSERT_EQ(createFolder(sandbox.path("Sub")), noErr);
    EXPECT_EQ(createFolder(sandbox.path("Sub")), dupFNErr);
    auto names = listFolder(sandbox.root());
    ASSERT_TRUE(names);
    std::sort(names->begin(), names->end());
    // The sandbox's own folders are there too.
    EXPECT_EQ(*names, (std::vector<std::string>{"A", "B", "Sub", "home", "system-fonts"}));

    EXPECT_EQ(removeMacItem(sandbox.path("A")), noErr);
    EXPECT_FALSE(std::filesystem::exists(sandbox.path("._A")));
    makeMacFile(sandbox, "C", Bytes{3});
    ASSERT_EQ(moveMacFile(sandbox.path("C"), sandbox.path("Sub/C")), noErr);
    EXPECT_EQ(removeMacItem(sandbox.path("Sub")), noErr);
    EXPECT_FALSE(std::filesystem::exists(sandbox.path("Sub")));
}

TEST_F(MacFiles, ABackupIsASecondNameThatLeavesTheSourceAlone) {
    const std::string source = makeMacFile(sandbox, "Font", Bytes{9, 8, 7});
    ASSERT_EQ(createFolder(sandbox.path("Trash")), noErr);
    const std::string backup = sandbox.path("Trash/Font");
    ASSERT_EQ(backupMacFile(source, backup), noErr);
    const auto original = readMacFileBytes(source, 1 << 20);
    ASSERT_TRUE(original && original->hasCompanion);
    EXPECT_EQ(readMacFileBytes(backup, 1 << 20), original);
    struct stat st {};
    ASSERT_EQ(::stat(companionPath(source).c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u) << "a link on the same file system, not a copy";
    EXPECT_EQ(backupMacFile(source, backup), dupFNErr) << "a taken name is never replaced";
    EXPECT_EQ(readMacFileBytes(source, 2), std::nullopt) << "over the limit";
}

TEST_F(MacFiles, AReplacementPutsBothFilesInPlaceWithinOneFolder) {
    const std::string installed = makeMacFile(sandbox, "Font", Bytes{1});
    const std::string staged = makeMacFile(sandbox, ".fu-new-Font", Bytes{2, 2});
    const auto fresh = readMacFileBytes(staged, 1 << 20);
    ASSERT_EQ(createFolder(sandbox.path("Other")), noErr);
    EXPECT_EQ(replaceMacFile(staged, sandbox.path("Other/Font")), paramErr)
        << "renames stay in the folder";
    ASSERT_EQ(replaceMacFile(staged, installed), noErr);
    EXPECT_EQ(readMacFileBytes(installed, 1 << 20), fresh);
    EXPECT_FALSE(macFileExists(staged));
    EXPECT_FALSE(macFileExists(companionPath(staged)));
}

// A folder opened beneath another is reached through real folders only: a link anywhere on the
// way, even one back inside, and any step up are refused; once open, the folder is the one that
// was there, whatever is renamed in its place.
TEST_F(MacFiles, AFolderBeneathAnotherIsReachedWithoutLinksAndStaysTheOneOpened) {
    namespace fs = std::filesystem;
    fs::create_directories(sandbox.path("root/a/b"));
    fs::create_directories(sandbox.path("elsewhere"));
    fs::create_directory_symlink(sandbox.path("elsewhere"), sandbox.path("root/out"));
    fs::create_directory_symlink(sandbox.path("root/a"), sandbox.path("root/back"));
    const auto root = MacFolder::open(sandbox.path("root"));
    ASSERT_TRUE(root);
    EXPECT_TRUE(MacFolder::openBeneath(*root, "a/b"));
    EXPECT_TRUE(MacFolder::openBeneath(*root, ""));
    for (const char* refused : {"out", "back/b", "a/../../elsewhere", "/tmp", "a/b/../../out"})
        EXPECT_FALSE(MacFolder::openBeneath(*root, refused)) << refused;

    auto b = MacFolder::openBeneath(*root, "a/b");
    ASSERT_TRUE(b);
    fs::rename(sandbox.path("root/a/b"), sandbox.path("root/a/moved"));
    fs::create_directory_symlink(sandbox.path("elsewhere"), sandbox.path("root/a/b"));
    sandbox.writeFile("root/x", asBytes("x"));
    EXPECT_EQ(moveMacFile(MacName{*root, "x"}, MacName{*b, "x"}), noErr);
    EXPECT_TRUE(fs::exists(sandbox.path("root/a/moved/x")));
    EXPECT_TRUE(fs::is_empty(sandbox.path("elsewhere")));
}

// The helper hands out copies only of what the folder's owner made there under a single name.
TEST_F(MacFiles, ACopyForEveryoneCanRefuseFilesWithASecondName) {
    namespace fs = std::filesystem;
    sandbox.writeFile("from/Font", asBytes("font"));
    sandbox.writeFile("from/._Font", asBytes("fork"));
    sandbox.writeFile("from/Alone", asBytes("alone"));
    fs::create_directories(sandbox.path("to"));
    fs::create_hard_link(sandbox.path("from/Font"), sandbox.path("from/Linked"));
    const auto from = MacFolder::open(sandbox.path("from"));
    const auto to = MacFolder::open(sandbox.path("to"));
    ASSERT_TRUE(from && to);
    EXPECT_EQ(
        copyMacFileForEveryone(MacName{*from, "Linked"}, MacName{*to, "Linked"}, from->ownerId()),
        permErr);
    EXPECT_EQ(
        copyMacFileForEveryone(MacName{*from, "Alone"}, MacName{*to, "Alone"}, from->ownerId() + 1),
        permErr);
    EXPECT_TRUE(fs::is_empty(sandbox.path("to"))) << "nothing of a refused copy stays";
    EXPECT_EQ(
        copyMacFileForEveryone(MacName{*from, "Alone"}, MacName{*to, "Alone"}, from->ownerId()),
        noErr);
    EXPECT_TRUE(fs::exists(sandbox.path("to/Alone")));
}

TEST_F(MacFiles, OnlyTheUsersOwnPrivateFilesAreRead) {
    const std::string path = sandbox.path("record");
    test::writeWholeFile(path, Bytes{1, 2, 3});
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(readOwnPrivateFile(path, 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(readOwnPrivateFile(path, 2), std::nullopt);
    ASSERT_EQ(::chmod(path.c_str(), 0620), 0);
    EXPECT_EQ(readOwnPrivateFile(path, 3), std::nullopt) << "writable by the group";
    std::filesystem::create_symlink(path, sandbox.path("link"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(readOwnPrivateFile(sandbox.path("link"), 3), std::nullopt) << "a link";
}

using PrivateFolders = SandboxTest;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Whoever starts us chooses the umask: it must neither open the folder to others nor shut the
// owner out of it.
TEST_F(PrivateFolders, AFreshOneIsTheOwnersAloneWhateverTheUmask) {
    for (const mode_t mask : {mode_t(0), mode_t(0022), mode_t(0777)}) {
        const std::string path = sandbox.path("fresh-" + std::to_string(mask));
        std::optional<MacFolder> opened;
        const mode_t saved = ::umask(mask);
        const PrivateFolderStatus status = makePrivateFolder(path, &opened);
        ::umask(saved);
        EXPECT_EQ(status, PrivateFolderStatus::Made) << "umask " << mask;
        EXPECT_EQ(modeOf(path), 0700u) << "umask " << mask;
        struct stat made {
        }, handed{};
        ASSERT_EQ(::lstat(path.c_str(), &made), 0);
        EXPECT_TRUE(S_ISDIR(made.st_mode));
        EXPECT_EQ(made.st_uid, ::geteuid());
        ASSERT_TRUE(opened);
        ASSERT_EQ(::fstat(opened->descriptor(), &handed), 0);
        EXPECT_EQ(handed.st_ino, made.st_ino) << "the folder handed back is the one made";
    }
    int error = 0;
    EXPECT_EQ(makePrivateFolder(sandbox.path("missing/work"), nullptr, &error),
              PrivateFolderStatus::Failed);
    EXPECT_EQ(error, ENOENT);
}

TEST_F(PrivateFolders, OneOfOursThatNobodyElseMayWriteIsReusedAsItIs) {
    const std::string path = sandbox.path("work");
    ASSERT_EQ(makePrivateFolder(path), PrivateFolderStatus::Made);
    sandbox.writeFile("work/kept", Bytes{1});
    std::optional<MacFolder> opened;
    EXPECT_EQ(makePrivateFolder(path + "/", &opened), PrivateFolderStatus::Reused);
    EXPECT_TRUE(opened);
    EXPECT_EQ(test::readWholeFile(path + "/kept"), Bytes{1}) << "reuse empties nothing";
    // Others may read what they cannot change: the helper's journal is meant to be read.
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    EXPECT_EQ(makePrivateFolder(path), PrivateFolderStatus::Reused);
    EXPECT_EQ(modeOf(path), 0755u);
}

// What is refused is left exactly as found: it may hold somebody else's files already.
TEST_F(PrivateFolders, AFolderOthersMayWriteIsRefusedAndLeftAlone) {
    for (const mode_t mode : {mode_t(0777), mode_t(0770), mode_t(0702), mode_t(01777)}) {
        const std::string path = sandbox.path("planted-" + std::to_string(mode));
        ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        test::writeWholeFile(path + "/Gothic", Bytes{6});
        std::optional<MacFolder> opened = MacFolder::open(sandbox.root());
        EXPECT_EQ(makePrivateFolder(path, &opened), PrivateFolderStatus::OpenToOthers)
            << std::oct << mode;
        EXPECT_FALSE(opened) << "nothing of a refused folder is handed out";
        EXPECT_EQ(modeOf(path), mode) << "not repaired";
        EXPECT_EQ(test::readWholeFile(path + "/Gothic"), Bytes{6});
    }
}

TEST_F(PrivateFolders, ALinkIsRefusedWhereverItLeads) {
    namespace fs = std::filesystem;
    const std::string ours = sandbox.path("ours");
    ASSERT_EQ(makePrivateFolder(ours), PrivateFolderStatus::Made);
    fs::create_directory_symlink(ours, sandbox.path("to-ours"));
    fs::create_symlink(sandbox.path("nowhere"), sandbox.path("dangling"));
    fs::create_symlink(sandbox.writeFile("file", Bytes{1}), sandbox.path("to-file"));
    for (const char* name : {"to-ours", "dangling", "to-file"}) {
        std::optional<MacFolder> opened;
        EXPECT_EQ(makePrivateFolder(sandbox.path(name), &opened), PrivateFolderStatus::IsLink)
            << name;
        EXPECT_FALSE(opened) << name;
        EXPECT_TRUE(fs::is_symlink(sandbox.path(name))) << name;
    }
    EXPECT_FALSE(fs::exists(sandbox.path("nowhere"))) << "nothing made where a link leads";
    EXPECT_EQ(modeOf(ours), 0700u);
}

TEST_F(PrivateFolders, SomethingElseInThePlaceIsRefused) {
    const std::string file = sandbox.writeFile("work", Bytes{7});
    EXPECT_EQ(makePrivateFolder(file), PrivateFolderStatus::NotFolder);
    EXPECT_EQ(test::readWholeFile(file), Bytes{7});
    const std::string fifo = sandbox.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(makePrivateFolder(fifo), PrivateFolderStatus::NotFolder)
        << "and opening it does not block";
}

TEST_F(PrivateFolders, AnotherUsersFolderIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
    const std::string path = sandbox.path("theirs");
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    constexpr uid_t kSomeoneElse = 4242;
    ASSERT_EQ(::chown(path.c_str(), kSomeoneElse, kSomeoneElse), 0);
    std::optional<MacFolder> opened;
    EXPECT_EQ(makePrivateFolder(path, &opened), PrivateFolderStatus::ForeignOwner);
    EXPECT_FALSE(opened);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kSomeoneElse) << "left theirs";
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}

using Places = SandboxTest;

TEST_F(Places, FollowTheEnvironment) {
    EXPECT_EQ(computerFontsFolder(), sandbox.path("system-fonts"));
    EXPECT_EQ(userFontsFolder(), sandbox.path("home/.local/share/fonts"));
    EXPECT_EQ(trashFilesFolder(), sandbox.path("home/.local/share/Trash/files"));
    EXPECT_EQ(desktopFolder(), sandbox.path("home/Desktop"));

    std::ofstream(sandbox.path("home/.config/user-dirs.dirs"))
        << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n";
    EXPECT_EQ(desktopFolder(), sandbox.path("home/デスクトップ"));

    unsetenv("FONTUPDATER_SYSTEM_FONTS");
    EXPECT_EQ(computerFontsFolder(), "/usr/local/share/fonts");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(userFontsFolder(), sandbox.path("home/.local/share/fonts"));
}

TEST(Volumes, TheSystemVolumeIsListedWithSizes) {
    auto volumes = mountedVolumes();
    ASSERT_TRUE(volumes);
    auto root = std::find_if(volumes->begin(), volumes->end(),
                             [](const MountedVolume& v) { return v.mountPath == "/"; });
    ASSERT_NE(root, volumes->end());
    EXPECT_GT(root->totalBytes, 0u);
    EXPECT_LE(root->freeBytes, root->totalBytes);
}

} // namespace
} // namespace fu
