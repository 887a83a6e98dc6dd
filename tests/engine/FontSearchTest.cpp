#include "engine/FontSearch.h"
#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateManager.h"
#include "platform/FileAttributes.h"
#include "support/BoundedRun.h"
#include "support/EngineFixture.h"
#include "support/HostileFiles.h"
#include "support/HostileSearch.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <sys/resource.h>
#include <tuple>
#include <unistd.h>

namespace fu {
namespace {

class RecordingDelegate : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult& result) override { progress.push_back(result); }
    void processComplete(const UpdateResult& result) override { completions.push_back(result); }
    std::vector<UpdateResult> progress;
    std::vector<UpdateResult> completions;
};

class FontSearchRun : public test::SandboxTest {
protected:
    void TearDown() override { test::clearAppState(); }
    std::string userFonts() const { return sandbox.path("home/.local/share/fonts"); }
    std::string computerFonts() const { return sandbox.path("system-fonts"); }
    // Runs a whole search through a fresh manager and answers its one completion.
    UpdateResult search(test::EngineState& info) {
        info.setupUpdateManager();
        info.updateManager->delegate = &delegate;
        maximum = info.updateManager->progressMaxOfFindUpdateNecessaryFont();
        info.updateManager->findUpdateNecessaryFont();
        EXPECT_EQ(delegate.completions.size(), 1u);
        return delegate.completions.back();
    }
    // A whole search in a forked child held to `limits` (and to `descriptors` open files, when
    // not 0): "" when it succeeds, lists `count` fonts (any number for -1), the first of them
    // `first` when one is given, and `more` finds nothing wrong after it; otherwise what went
    // wrong.
    std::string boundedSearch(test::EngineState& info, const test::BoundedRunLimits& limits,
                              int64_t count, const std::string& first = {},
                              const std::function<void(test::ChildChecks&)>& more = {},
                              rlim_t descriptors = 0) {
        return test::runBounded(
            [&] {
                test::ChildChecks checks;
                const struct rlimit few { descriptors, descriptors };
                checks.expect(descriptors == 0 || ::setrlimit(RLIMIT_NOFILE, &few) == 0,
                              "setrlimit failed");
                const UpdateResult result = search(info);
                checks.expect(result.status == SearchStatus::StatusOK,
                              "search status " + std::to_string(code(result.status)));
                checks.expect(count < 0 || result.count == count,
                              "found " + std::to_string(result.count) + " fonts");
                const UpdateFontItem* found = info.updateFontInfo->updateFontItemAtIndex(0);
                checks.expect(first.empty() || (found && found->srcPath == first),
                              first + " is not listed first");
                if (more) more(checks);
                return checks.report();
            },
            limits);
    }
    // Ten groups of twenty folders, each holding a copy of the old suitcase: more folders than
    // the descriptors the bounded searches allow, two levels deep.
    test::EngineState& installTreeOfCopies() {
        test::installOldSuitcase(sample, userFonts() + "/G0/F0/Gothic");
        const Bytes data = test::readWholeFile(userFonts() + "/G0/F0/Gothic");
        const Bytes companion = test::readWholeFile(userFonts() + "/G0/F0/._Gothic");
        for (int group = 0; group < 10; ++group)
            for (int folder = 0; folder < 20; ++folder) {
                const std::string dir =
                    userFonts() + "/G" + std::to_string(group) + "/F" + std::to_string(folder);
                std::filesystem::create_directories(dir);
                test::writeWholeFile(dir + "/Gothic", data);
                test::writeWholeFile(dir + "/._Gothic", companion);
            }
        std::filesystem::create_directories(computerFonts());
        return test::installAppState(sample);
    }
    test::EngineSample sample = test::makeEngineSample(sandbox);
    RecordingDelegate delegate;
    int64_t maximum = 0;
};

TEST_F(FontSearchRun, FindsFontsInBothFoldersWithTheirPlace) {
    test::installOldSuitcase(sample, computerFonts() + "/Sub/Computer Gothic");
    test::installOldSuitcase(sample, userFonts() + "/A/B/User Gothic");
    test::installOldSuitcase(sample, userFonts() + "/Top Gothic");
    // Not the font: another version, and a file that is no suitcase at all.
    sample::SampleSuitcaseOptions newer;
    newer.shortVersion = "1.0.2";
    ASSERT_EQ(sample::writeSampleSuitcase(userFonts() + "/Newer Gothic", sample.oldFont, newer),
              ResStatus::resNoErr);
    test::writeWholeFile(userFonts() + "/plain.ttf", sample.oldFont);

    test::EngineState& info = test::installAppState(sample);
    const UpdateResult result = search(info);
    EXPECT_EQ(result.status, SearchStatus::StatusOK);
    ASSERT_EQ(result.count, 3);
    EXPECT_EQ(maximum, 2 * FontSearch::kStepsPerPair) << "one target x one set x two folders";

    std::map<std::string, const UpdateFontItem*> found;
    for (const auto& item : info.updateFontInfo->updateFontItems)
        found[item->srcPath] = item.get();
    const UpdateFontItem* computer = found[computerFonts() + "/Sub/Computer Gothic"];
    const UpdateFontItem* nested = found[userFonts() + "/A/B/User Gothic"];
    const UpdateFontItem* top = found[userFonts() + "/Top Gothic"];
    ASSERT_TRUE(computer && nested && top);
    EXPECT_EQ(computer->pathDomain, kComputerDomain);
    EXPECT_EQ(computer->subDirPath, "Sub");
    EXPECT_EQ(nested->pathDomain, kUserDomain);
    EXPECT_EQ(nested->subDirPath, "A/B");
    EXPECT_FALSE(top->subDirPath);
    EXPECT_TRUE(top->reqUpdate) << "every hit starts requested";
    EXPECT_EQ(top->target.nVersStr, "1.0.2");
    EXPECT_GT(top->oldFileSize, 0);
    EXPECT_EQ(info.updateFontInfo->updateFontItems.front()->srcPath,
              computerFonts() + "/Sub/Computer Gothic")
        << "the computer's folder is searched first";
    // Progress: each folder's text as its walk begins, and the bar full at the end.
    ASSERT_FALSE(delegate.progress.empty());
    EXPECT_EQ(delegate.progress.front().text, "'" + computerFonts() + "'内を検索中...");
    EXPECT_EQ(delegate.progress.back().count, maximum);
    std::vector<std::string> texts;
    for (const UpdateResult& step : delegate.progress)
        if (step.text) texts.push_back(*step.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"'" + computerFonts() + "'内を検索中...",
                                               "'" + userFonts() + "'内を検索中..."}));
}

// The search walks each folder once; what it lists must be exactly what one walk per target and
// set lists, a file once per pair it matches (the order is the search's own, tested below).
TEST_F(FontSearchRun, OneWalkListsWhatAWalkPerPairLists) {
    sample.sources.sets.push_back({"Glyphs again", sample.oldFont, sample.newFont});
    const std::string secondTarget(sample.sources.targets.begin(), sample.sources.targets.end());
    const std::string other = "OtherGothic" + secondTarget.substr(secondTarget.find('\t'));
    sample.sources.targets.insert(sample.sources.targets.begin(), other.begin(), other.end());
    for (const char* path : {"/Z", "/A/B/Y", "/A/X", "/M"})
        test::installOldSuitcase(sample, userFonts() + path);
    sample::SampleSuitcaseOptions renamed;
    renamed.resName = "OtherGothic";
    renamed.shortVersion = "1.0.1";
    ASSERT_EQ(sample::writeSampleSuitcase(userFonts() + "/A/Other", sample.oldFont, renamed),
              ResStatus::resNoErr);
    std::filesystem::create_directories(computerFonts());

    test::EngineState& info = test::installAppState(sample);
    ASSERT_EQ(info.updateTargetInfo->countOfUpdateTargetItem(), 2);
    ASSERT_EQ(search(info).status, SearchStatus::StatusOK);
    EXPECT_EQ(maximum, 8 * FontSearch::kStepsPerPair) << "two targets x two sets x two folders";
    std::vector<uint64_t> setsOfOneFile;
    for (const auto& item : info.updateFontInfo->updateFontItems)
        if (item->srcPath == userFonts() + "/M") setsOfOneFile.push_back(item->sfntSetIndex);
    EXPECT_EQ(setsOfOneFile, (std::vector<uint64_t>{0, 1})) << "a file once per set, in set order";
    UpdateFontInfo perPair;
    for (int64_t t = 0; t < 2; ++t)
        for (uint64_t s = 0; s < 2; ++s)
            ASSERT_EQ(FontUpdate::findUpdateFontInfo(
                          &perPair, info.updateSfntSetInfo.get(), s, 0, userFonts(), "",
                          kUserDomain, info.updateTargetInfo->updateTargetItemAtIndex(t)),
                      0);
    auto listing = [](const UpdateFontInfo& fonts) {
        std::vector<std::tuple<std::string, uint64_t, std::string, std::string>> rows;
        for (const auto& item : fonts.updateFontItems)
            rows.emplace_back(item->srcPath, item->sfntSetIndex, item->subDirPath.value_or(""),
                              item->target.resName);
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    EXPECT_EQ(listing(*info.updateFontInfo), listing(perPair));
    EXPECT_EQ(perPair.countOfUpdateFontItemAll(), 10) << "1 + 4 files, each with 2 sets";
}

// A Fonts folder that was never made holds nothing; one that is there but cannot be listed
// ends the search, since what it holds is unknown.
TEST_F(FontSearchRun, AnAbsentFontsFolderIsEmptyAnUnlistableOneFails) {
    test::installOldSuitcase(sample, computerFonts() + "/Gothic");
    test::EngineState& info = test::installAppState(sample);
    ASSERT_FALSE(std::filesystem::exists(userFonts()));
    UpdateResult result = search(info);
    EXPECT_EQ(result.status, SearchStatus::StatusOK);
    EXPECT_EQ(result.count, 1) << "the computer's font is found without a user Fonts folder";
    EXPECT_EQ(delegate.progress.back().count, maximum);

    std::filesystem::remove_all(computerFonts());
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    delegate.completions.clear();
    result = search(info);
    EXPECT_EQ(result.status, SearchStatus::StatusOK);
    EXPECT_EQ(result.count, 1) << "nor the user's without a computer Fonts folder";

    // A plain file where the Fonts folder should be: something is there, and it lists nothing.
    test::writeWholeFile(computerFonts(), Bytes{1});
    delegate.completions.clear();
    EXPECT_EQ(search(info).status, SearchStatus::SearchErrorWalkFailed);
    EXPECT_TRUE(test::currentAppState()->messageInfo->messageOfStatusCode(
        SearchStatus::SearchErrorWalkFailed));
    EXPECT_TRUE(std::filesystem::is_regular_file(computerFonts())) << "the search changes nothing";
    std::filesystem::remove(computerFonts());

    // A search folder that is named but absent is no Fonts folder of ours: it fails.
    info.setupUpdateFontInfo();
    EXPECT_EQ(info.updateManager->findUpdateFontInfo(
                  info.updateFontInfo.get(), info.updateSfntSetInfo.get(),
                  info.updateTargetInfo.get(), sandbox.path("nowhere")),
              SearchStatus::SearchErrorWalkFailed);
}

TEST_F(FontSearchRun, AFontsFolderWithoutReadRightsFails) {
    if (::geteuid() == 0) GTEST_SKIP() << "root lists every folder whatever its mode";
    std::filesystem::create_directories(userFonts());
    std::filesystem::create_directories(computerFonts());
    std::filesystem::permissions(userFonts(), std::filesystem::perms::none);
    test::EngineState& info = test::installAppState(sample);
    const OperationStatus status = search(info).status;
    std::filesystem::permissions(userFonts(), std::filesystem::perms::owner_all);
    EXPECT_EQ(status, SearchStatus::SearchErrorWalkFailed);
}

TEST_F(FontSearchRun, MissingDefinitionPartsEndTheSearch) {
    test::EngineState& info = test::installAppState(sample);
    info.updateTargetInfo.reset();
    EXPECT_EQ(search(info).status, searchErrorInGeneralRange(-994));
    EXPECT_EQ(maximum, 0);
    info.updateSfntSetInfo.reset();
    delegate.completions.clear();
    EXPECT_EQ(search(info).status, searchErrorInGeneralRange(-996));

    test::clearAppState();
    UpdateManager orphan;
    orphan.delegate = &delegate;
    delegate.completions.clear();
    orphan.findUpdateNecessaryFont();
    ASSERT_EQ(delegate.completions.size(), 1u);
    EXPECT_EQ(delegate.completions[0].status, searchErrorInGeneralRange(-999));
}

// The checking screen's bar runs from 0 to the maximum it was given. It must move while the
// files of a folder are looked at, not only when a whole folder is done.
TEST_F(FontSearchRun, ProgressRisesSteadilyWhileTheFilesAreLookedAt) {
    for (const std::string& root : {computerFonts(), userFonts()}) {
        for (int folder = 0; folder < 30; ++folder) {
            const std::string path = root + "/F" + std::to_string(folder);
            std::filesystem::create_directories(path);
            for (int file = 0; file < 50; ++file)
                test::writeWholeFile(path + "/font" + std::to_string(file) + ".ttf",
                                     Bytes{0, 1, 0, 0});
        }
        test::installOldSuitcase(sample, root + "/F7/Gothic");
    }
    test::EngineState& info = test::installAppState(sample);
    const UpdateResult result = search(info);
    ASSERT_EQ(result.status, SearchStatus::StatusOK);
    EXPECT_EQ(result.count, 2);
    ASSERT_GT(maximum, 0);

    std::vector<int64_t> counts;
    for (const UpdateResult& step : delegate.progress)
        counts.push_back(step.count);
    ASSERT_FALSE(counts.empty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << "the bar never goes back";
    EXPECT_GE(*std::min_element(counts.begin(), counts.end()), 0);
    EXPECT_EQ(counts.back(), maximum) << "the bar ends full, never past it";
    const std::set<int64_t> distinct(counts.begin(), counts.end());
    EXPECT_GE(distinct.size(), 50u) << "3000 files move the bar in many steps";
    std::set<int64_t> tenthsReached;
    for (int64_t count : distinct)
        tenthsReached.insert(std::min<int64_t>(count * 10 / maximum, 9));
    EXPECT_EQ(tenthsReached.size(), 10u) << "every tenth of the bar is shown on the way";
    EXPECT_LE(counts.size(), size_t{4} * size_t(FontSearch::kStepsPerPair))
        << "reports are bounded, however many files there are: each one repaints the screen";
}

// Sets a locale variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The list reads like the folder tree in a file manager: the computer's fonts, then the user's;
// in each, a folder's own files before its sub-folders, every level in the locale's collation
// (lower case before upper, accented letters beside their base), not in byte order.
TEST_F(FontSearchRun, TheListReadsAsTheFolderTreeInTheLocalesOrder) {
    const std::vector<std::string> computer = {"d Gothic", "Sub/c Gothic"};
    const std::vector<std::string> user = {"a Gothic",     "b Gothic",   "B Gothic",
                                           "é Gothic",     "f Gothic",   "a/y Gothic",
                                           "a/B/z Gothic", "É/w Gothic", "Z/x Gothic"};
    // Installed in reverse, so that no file system hands them back in order by chance.
    for (auto name = computer.rbegin(); name != computer.rend(); ++name)
        test::installOldSuitcase(sample, computerFonts() + "/" + *name);
    for (auto name = user.rbegin(); name != user.rend(); ++name)
        test::installOldSuitcase(sample, userFonts() + "/" + *name);
    std::vector<std::string> expected;
    expected.reserve(computer.size() + user.size());
    for (const auto& name : computer)
        expected.push_back(computerFonts() + "/" + name);
    for (const auto& name : user)
        expected.push_back(userFonts() + "/" + name);
    std::vector<std::string> byBytes(expected.begin() + 2, expected.end());
    std::sort(byBytes.begin(), byBytes.end());
    ASSERT_NE(byBytes, std::vector<std::string>(expected.begin() + 2, expected.end()));

    test::EngineState& info = test::installAppState(sample);
    for (const char* locale : {"ja_JP.UTF-8", "C"}) {
        ScopedEnvironment collation("LC_ALL", locale);
        delegate.completions.clear();
        ASSERT_EQ(search(info).status, SearchStatus::StatusOK);
        std::vector<std::string> listed;
        for (const auto& item : info.updateFontInfo->updateFontItems)
            listed.push_back(item->srcPath);
        EXPECT_EQ(listed, expected) << "LC_ALL=" << locale;
    }
}

TEST_F(FontSearchRun, ASearchFolderIsSearchedAsTheUsersOnly) {
    test::installOldSuitcase(sample, sandbox.path("elsewhere/Gothic"));
    test::EngineState& info = test::installAppState(sample);
    info.setupUpdateFontInfo();
    EXPECT_EQ(
        FontUpdate::findUpdateFontInfo(info.updateFontInfo.get(), info.updateSfntSetInfo.get(),
                                       info.updateTargetInfo.get(), sandbox.path("elsewhere")),
        0);
    ASSERT_EQ(info.updateFontInfo->countOfUpdateFontItemAll(), 1);
    EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(0)->pathDomain, kUserDomain);
}

// Beside a real font: a FIFO companion (opening it to read would wait for a writer), a FIFO
// data file whose companion is a whole suitcase, a socket and a folder as companions, and a
// sparse companion claiming a 2 GiB fork whose map is all of it. The search lists the font,
// with the address space it may add capped far below any of those lengths, and leaves the rest
// as they were.
TEST_F(FontSearchRun, HostileFilesBesideAFontCostTheSearchNeitherAHangNorMemory) {
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    for (const char* name : {"Piped", "Socket", "Folder", "Sparse"})
        test::writeWholeFile(userFonts() + "/" + name, {});
    test::makeFifo(userFonts() + "/._Piped");
    test::makeSocket(userFonts() + "/._Socket");
    std::filesystem::create_directory(userFonts() + "/._Folder");
    test::installOldSuitcase(sample, userFonts() + "/FifoData");
    std::filesystem::remove(userFonts() + "/FifoData");
    test::makeFifo(userFonts() + "/FifoData");
    constexpr uint64_t kSparseFork = uint64_t{2} << 30;
    test::writeSparseSuitcaseCompanion(userFonts() + "/._Sparse", kSparseFork);
    const Bytes sparseStart = test::fileStart(userFonts() + "/._Sparse", 4096);
    std::filesystem::create_directories(computerFonts());
    test::EngineState& info = test::installAppState(sample);

    EXPECT_EQ(boundedSearch(info, {.extraAddressSpace = 256 << 20}, 1, userFonts() + "/Gothic"),
              "");
    EXPECT_TRUE(std::filesystem::is_fifo(userFonts() + "/._Piped"));
    EXPECT_TRUE(std::filesystem::is_fifo(userFonts() + "/FifoData"));
    EXPECT_TRUE(std::filesystem::is_socket(userFonts() + "/._Socket"));
    EXPECT_TRUE(std::filesystem::is_empty(userFonts() + "/._Folder"));
    EXPECT_EQ(std::filesystem::file_size(userFonts() + "/._Sparse"), 82 + kSparseFork);
    EXPECT_EQ(test::fileStart(userFonts() + "/._Sparse", 4096), sparseStart);
}

// A map may name one record from any number of references. Here 24 'sfnt' references bear the
// target's name and lead to one 12 MiB font of another family before the last leads to the
// installed font. Holding each reference's bytes until the file is decided would need 288 MiB;
// deciding them one at a time stays far inside the cap, and the font is still found.
TEST_F(FontSearchRun, ManyReferencesToOneLargeRecordAreDecidedOneAtATime) {
    sample::SampleFontOptions other;
    other.japaneseName = "ベツゴシック";
    other.version = "1.0.1";
    other.padBytes = 12 << 20;
    const auto vers = sample::makeVersResource("1.0.1", "1.0.1, (C) Font Updater sample");
    ASSERT_TRUE(vers);
    const std::vector<Bytes> records = {sample::makeFondResource(128, 1000), *vers,
                                        sample::makeTrueTypeFont(other), sample.oldFont};
    std::vector<size_t> sfntRecords(24, 2);
    sfntRecords.push_back(3);
    std::filesystem::create_directories(userFonts());
    std::filesystem::create_directories(computerFonts());
    const std::string path = userFonts() + "/Crowded";
    ASSERT_EQ(sample::writeForkFile(path, test::suitcaseFork({records.begin(), records.end()},
                                                             sfntRecords, "SampleGothic")),
              0);
    test::EngineState& info = test::installAppState(sample);

    EXPECT_EQ(boundedSearch(info, {.extraAddressSpace = 160 << 20}, 1, path), "");
}

// Every field of a found item the walk per pair fills in; the growth it is handed, not estimated.
using FoundRow = std::tuple<std::string, uint64_t, std::optional<std::string>, uint64_t, int64_t,
                            std::vector<std::string>>;

std::vector<FoundRow> foundRows(const UpdateFontInfo& fonts) {
    std::vector<FoundRow> rows;
    for (const auto& item : fonts.updateFontItems)
        rows.emplace_back(item->srcPath, item->sfntSetIndex, item->subDirPath, item->pathDomain,
                          item->oldFileSize,
                          std::vector<std::string>{
                              item->target.resName, item->target.japanFullName,
                              item->target.oVersStr, item->target.checksum, item->target.nVersStr,
                              item->target.nSfntCDate, item->target.nSfntMDate,
                              item->target.nFileCDate, item->target.nFileMDate,
                              item->target.nResMapInfo, item->dstPath.value_or("(none)")});
    std::sort(rows.begin(), rows.end());
    return rows;
}

// A Fonts tree holding every kind of item, searched for three targets: the sample, a target that
// takes any old version of the same font, and one whose name is the decomposed spelling of a
// suitcase's name (the census counts it; the family record's name does not match). Whatever the
// search reads less, it lists exactly what the walk per pair lists, field by field.
TEST_F(FontSearchRun, EveryKindOfItemIsListedAsTheWalkPerPairListsIt) {
    const std::string sampleLine(sample.sources.targets.begin(), sample.sources.targets.end());
    const std::string rest = sampleLine.substr(sampleLine.find('\t'));
    const std::string anyOld = "SampleGothic" + rest.substr(0, rest.find("1.0.1")) + "*" +
                               rest.substr(rest.find("1.0.1") + 5);
    const std::string decomposed = "カ\u3099ゴシック" + rest;
    const std::string targets = sampleLine + anyOld + decomposed;
    sample.sources.targets.assign(targets.begin(), targets.end());
    sample.sources.sets.push_back({"Glyphs again", sample.oldFont, sample.newFont});

    const std::string fonts = userFonts();
    for (const char* path : {"/Top", "/A/Nested", "/A/B/Deep", "/A/C/日本語の書体"})
        test::installOldSuitcase(sample, fonts + path);
    for (int i = 0; i < 8; ++i)
        test::writeWholeFile(fonts + "/A/plain" + std::to_string(i) + ".ttf", sample.oldFont);
    sample::SampleSuitcaseOptions newer, kana, unrelated;
    newer.shortVersion = "1.0.2";
    kana.resName = "ガゴシック";
    kana.shortVersion = unrelated.shortVersion = "1.0.1";
    unrelated.resName = "UnrelatedGothic";
    ASSERT_EQ(sample::writeSampleSuitcase(fonts + "/A/Newer", sample.oldFont, newer),
              ResStatus::resNoErr);
    ASSERT_EQ(sample::writeSampleSuitcase(fonts + "/Kana", sample.oldFont, kana),
              ResStatus::resNoErr);
    ASSERT_EQ(sample::writeSampleSuitcase(fonts + "/A/B/Unrelated", sample.oldFont, unrelated),
              ResStatus::resNoErr);
    const Bytes companion = test::readWholeFile(fonts + "/._Top");
    // A font with a companion that is no suitcase's, and a companion without its file.
    test::writeWholeFile(fonts + "/Pair.ttf", sample.oldFont);
    platform::FileAttributes typed;
    typed.hfsTypeCode = fourCC("sfnt");
    ASSERT_TRUE(platform::applyAttributes(fonts + "/Pair.ttf", typed).ok);
    test::writeWholeFile(fonts + "/._Orphan", companion);
    // Links to a suitcase and to a folder of them, each with a suitcase's companion beside it.
    std::filesystem::create_symlink("Top", fonts + "/Linked");
    test::writeWholeFile(fonts + "/._Linked", companion);
    std::filesystem::create_directory_symlink("A", fonts + "/Linked folder");
    test::writeWholeFile(fonts + "/._Linked folder", companion);
    // A FIFO with a suitcase's companion, a FIFO companion, a sparse companion of 2 GiB.
    test::makeFifo(fonts + "/FifoData");
    test::writeWholeFile(fonts + "/._FifoData", companion);
    test::writeWholeFile(fonts + "/Piped", {});
    test::makeFifo(fonts + "/._Piped");
    test::writeWholeFile(fonts + "/Sparse", {});
    constexpr uint64_t kSparseFork = uint64_t{2} << 30;
    test::writeSparseSuitcaseCompanion(fonts + "/._Sparse", kSparseFork);
    std::filesystem::create_directories(computerFonts());
    test::EngineState& info = test::installAppState(sample);
    ASSERT_EQ(info.updateTargetInfo->countOfUpdateTargetItem(), 3);

    EXPECT_EQ(
        boundedSearch(info, {}, -1, {},
                      [&](test::ChildChecks& checks) {
                          UpdateFontInfo perPair;
                          for (int64_t t = 0; t < 3; ++t) {
                              const UpdateTargetItem* target =
                                  info.updateTargetInfo->updateTargetItemAtIndex(t);
                              for (uint64_t s = 0; s < 2; ++s)
                                  checks.expect(FontUpdate::findUpdateFontInfo(
                                                    &perPair, info.updateSfntSetInfo.get(), s, 0,
                                                    userFonts(), "", kUserDomain, target) == 0,
                                                "the walk per pair failed");
                          }
                          checks.expect(foundRows(*info.updateFontInfo) == foundRows(perPair),
                                        "the lists differ");
                          checks.expect(perPair.countOfUpdateFontItemAll() == 16,
                                        "the walk per pair found " +
                                            std::to_string(perPair.countOfUpdateFontItemAll()) +
                                            ", not 4 suitcases x 2 targets x 2 sets");
                      }),
        "");
}

// A Fonts folder may be a link the user made to a folder elsewhere; it is searched where it
// leads, and what it holds is listed under the folder's own path.
TEST_F(FontSearchRun, AFontsFolderThatIsALinkIsSearchedWhereItLeads) {
    test::installOldSuitcase(sample, sandbox.path("elsewhere/Sub/Gothic"));
    std::filesystem::create_directory_symlink(sandbox.path("elsewhere"), userFonts());
    test::EngineState& info = test::installAppState(sample);
    const UpdateResult result = search(info);
    ASSERT_EQ(result.status, SearchStatus::StatusOK);
    ASSERT_EQ(result.count, 1);
    EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(0)->srcPath, userFonts() + "/Sub/Gothic");
    EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(0)->subDirPath, "Sub");
}

// The tree is listed first and read after, through open folders. A tree of more folders than the
// process may hold descriptors is searched whole: only the folders down to the one being read
// are open at a time.
TEST_F(FontSearchRun, ATreeOfMoreFoldersThanOpenDescriptorsIsSearchedWhole) {
    test::EngineState& info = installTreeOfCopies();
    EXPECT_EQ(boundedSearch(info, {}, 200, {}, {}, 64), "");
}

// Whatever the limit on open files, a search lists every font or fails: a folder or a font left
// out because no descriptor was free would tell the user that nothing needs updating.
TEST_F(FontSearchRun, ASearchShortOfDescriptorsFailsRatherThanListingFewer) {
    test::EngineState& info = installTreeOfCopies();
    const std::string report = test::runBounded(
        [&] {
            test::ChildChecks checks;
            struct rlimit limit {};
            checks.expect(::getrlimit(RLIMIT_NOFILE, &limit) == 0, "getrlimit failed");
            const rlim_t usual = limit.rlim_cur;
            bool failed = false;
            bool listed = false;
            // From the top down: the sanitizers' runtime opens files of its own the first time it
            // checks a type, which a tight limit would make it report as a fault of ours.
            for (rlim_t descriptors = 64; descriptors >= 3; --descriptors) {
                limit.rlim_cur = descriptors;
                checks.expect(::setrlimit(RLIMIT_NOFILE, &limit) == 0, "setrlimit failed");
                delegate.completions.clear();
                const UpdateResult result = search(info);
                limit.rlim_cur = usual;
                checks.expect(::setrlimit(RLIMIT_NOFILE, &limit) == 0, "setrlimit failed");
                const bool whole = result.status == SearchStatus::StatusOK && result.count == 200;
                const bool failure = result.status == SearchStatus::SearchErrorWalkFailed;
                checks.expect(whole || failure, std::to_string(descriptors) +
                                                    " descriptors: search status " +
                                                    std::to_string(code(result.status)) + " with " +
                                                    std::to_string(result.count) + " fonts");
                failed = failed || failure;
                listed = listed || whole;
            }
            checks.expect(failed && listed, "the limits tried do not reach both outcomes");
            return checks.report();
        },
        {});
    EXPECT_EQ(report, "");
}

} // namespace
} // namespace fu
