// Building updated fonts into an output folder: the stepwise folder batch with its log, and the
// build from check-target records. The source folder must come out as it went in.
#include "engine/FontUpdate.h"
#include "engine/UpdateManager.h"
#include "platform/Text.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResFile.h"
#include "support/EngineFixture.h"
#include "support/SampleSuitcase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace fu {
namespace {

namespace fs = std::filesystem;

const std::string kNothingFound = "[終了] アップデートが必要なフォントはみつかりませんでした。\n";

// Every file under a folder (companions included) with its bytes.
std::map<std::string, Bytes> snapshot(const std::string& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] =
                test::readWholeFile(entry.path().string());
    return files;
}

std::vector<std::string> linesOf(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream stream(log);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

class Completion : public CreateFontCompleteDelegate {
public:
    void createFontComplete(const std::string& logText) override { logs.push_back(logText); }
    std::vector<std::string> logs;
};

class BatchCreate : public test::SandboxTest {
protected:
    BatchCreate() {
        fs::create_directories(src);
        fs::create_directories(out);
    }
    void TearDown() override { test::clearAppState(); }

    std::string font(const std::string& relative) {
        std::string path = src + "/" + relative;
        test::installOldSuitcase(sample, path);
        return path;
    }
    bool start(const std::string& from, const std::string& to) {
        return manager().createUserFontWithUpdateTargetInfo(info.updateTargetInfo.get(), from, to,
                                                            &completion);
    }
    // The driver a front end would be: a step whenever one is due.
    void drain() {
        while (manager().createFontStepPending())
            manager().createFont();
    }
    UpdateManager& manager() { return *info.updateManager; }
    std::string success(const std::string& from, const std::string& to) const {
        return "[成功] " + from + " ＝＞ " + to;
    }

    test::EngineSample sample = test::makeEngineSample(sandbox);
    test::EngineState& info = test::installAppState(sample);
    std::string src = sandbox.path("source");
    std::string out = sandbox.path("output");
    Completion completion;
};

TEST_F(BatchCreate, NoFontNeedingTheUpdateEndsWithOneLineAndOneCompletion) {
    sandbox.writeFile("source/notes.txt", asBytes("not a font"));
    sample::SampleSuitcaseOptions other;
    other.resName = "OtherFont";
    ASSERT_EQ(sample::writeSampleSuitcase(src + "/Other", sample.oldFont, other),
              ResStatus::resNoErr);
    const auto before = snapshot(src);

    ASSERT_TRUE(start(src, out));
    drain();
    EXPECT_EQ(manager().createFontLogText, kNothingFound);
    EXPECT_EQ(completion.logs, std::vector<std::string>{kNothingFound});
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(snapshot(src), before);
}

TEST_F(BatchCreate, FontsAreBuiltInTheirPlacesUnderTheOutputFolder) {
    // A decomposed name, as some file systems hand names out; the completion gets it composed.
    const std::string decomposed = "Sub/\u30C6\u3099\u30E2";
    const std::string top = font("Top Font"), nested = font(decomposed);
    const auto before = snapshot(src);

    ASSERT_TRUE(start(src, out));
    EXPECT_TRUE(manager().createFontStepPending()) << "one step ran, the next is due";
    EXPECT_FALSE(start(src, sandbox.path("elsewhere"))) << "a running batch keeps its state";
    drain();
    const std::string log = manager().createFontLogText;
    std::vector<std::string> lines = linesOf(log);
    ASSERT_EQ(lines.size(), 3u) << log;
    EXPECT_EQ(lines[2], "[終了]");
    lines.pop_back();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{success(nested, out + "/" + decomposed),
                                               success(top, out + "/Top Font")}));
    EXPECT_EQ(completion.logs, std::vector<std::string>{*platform::toNFC(log)});
    EXPECT_NE(completion.logs.front(), log);
    EXPECT_EQ(test::installedVersion(out + "/Top Font"), "1.0.2");
    EXPECT_EQ(test::installedVersion(out + "/" + decomposed), "1.0.2");
    EXPECT_EQ(snapshot(src), before);

    manager().createFont();
    EXPECT_EQ(completion.logs.size(), 1u) << "a stray step after the end tells nobody again";

    // A second batch replaces its earlier outputs.
    ASSERT_TRUE(start(src, out));
    drain();
    EXPECT_EQ(linesOf(manager().createFontLogText).size(), 3u) << manager().createFontLogText;
    EXPECT_EQ(manager().createFontLogText.find("[エラー]"), std::string::npos);
    EXPECT_EQ(completion.logs.size(), 2u);
}

TEST_F(BatchCreate, FailedBuildIsLoggedAndTheNextFontIsStillBuilt) {
    for (const char* name : {"A", "B", "C"})
        font(name);
    // Driven the way an event loop drives it: a step for every call of the scheduler.
    int due = 0;
    manager().createFontScheduler = [&due] { ++due; };
    ASSERT_TRUE(start(src, out));
    // The second font asks for a set the definition does not have.
    UpdateFontItem& failing = *manager().createFontUpdateFontInfo->updateFontItemAtIndex(1);
    failing.sfntSetIndex = 7;
    for (; due > 0; --due)
        manager().createFont();

    const UpdateFontInfo& found = *manager().createFontUpdateFontInfo;
    const std::vector<std::string> lines = linesOf(manager().createFontLogText);
    ASSERT_EQ(lines.size(), 4u) << manager().createFontLogText;
    EXPECT_EQ(lines[1],
              "[エラー] フォントの生成に失敗しました。（読込元：" + failing.srcPath + "）");
    EXPECT_EQ(lines[2], success(found.updateFontItemAtIndex(2)->srcPath,
                                *found.updateFontItemAtIndex(2)->dstPath));
    EXPECT_EQ(lines[3], "[終了]");
    EXPECT_FALSE(fs::exists(*failing.dstPath));
    EXPECT_EQ(completion.logs.size(), 1u);
}

TEST_F(BatchCreate, OutputThatCannotBeRemovedIsSkippedAndTheBatchEndsOnce) {
    const std::string a = font("A"), b = font("B");
    sandbox.writeFile("output/A/keep.txt", asBytes("someone's folder"));

    ASSERT_TRUE(start(src, out));
    drain();
    const std::string& log = manager().createFontLogText;
    EXPECT_NE(log.find("[エラー] 出力先のファイルが削除できません。（出力先：" + out + "/A）\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(success(b, out + "/B")), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("[終了]\n"));
    EXPECT_EQ(completion.logs.size(), 1u);
    EXPECT_TRUE(fs::exists(out + "/A/keep.txt"));
}

TEST_F(BatchCreate, RefusedStartsLogTheirReasonAndCallNobody) {
    font("A");
    const auto before = snapshot(src);
    const std::string badSource = "[エラー] 読み出し元のフォルダが不正です。\n";
    const std::string badOutput = "[エラー] 生成先のフォルダが不正です。\n";
    struct Case {
        std::string from, to, line;
    };
    for (const Case& c :
         {Case{"", out, badSource}, Case{src, "", badOutput}, Case{src, src, badOutput},
          Case{src, src + "/Sub", badOutput}, Case{src + "/..", out, badOutput},
          Case{src, sandbox.path("missing"), badOutput},
          Case{sandbox.path("missing"), out,
               "[エラー] フォントの検索でエラーが発生しました。\n"}}) {
        EXPECT_FALSE(start(c.from, c.to)) << c.from << " -> " << c.to;
        EXPECT_EQ(manager().createFontLogText, c.line) << c.from << " -> " << c.to;
    }
    EXPECT_FALSE(manager().createUserFontWithUpdateTargetInfo(nullptr, src, out, &completion));
    EXPECT_EQ(manager().createFontLogText, "[エラー] 対象フォント情報が不正です。\n");
    info.updateSfntSetInfo.reset();
    EXPECT_FALSE(start(src, out));
    EXPECT_EQ(manager().createFontLogText, "[エラー] アップデート用sfntデータが取得できません。\n");

    EXPECT_TRUE(completion.logs.empty());
    EXPECT_FALSE(manager().createFontStepPending());
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(snapshot(src), before);
}

// ---- From check-target records ----

class RecordBuild : public BatchCreate {
protected:
    // The record the font-list tool would hold for the file, completed by its author.
    void addRecord(const std::string& path) {
        if (!info.checkTargetInfo) info.checkTargetInfo = std::make_unique<CheckTargetInfo>();
        ASSERT_EQ(FontUpdate::setCheckTargetInfo(info.checkTargetInfo.get(),
                                                 info.updateSfntSetInfo.get(), path),
                  0);
        CheckTargetItem& item = *info.checkTargetInfo->checkTargetItems.back();
        ASSERT_TRUE(item.matchSfntData);
        item.nVersStr = "1.0.2";
        item.nSfntCDate = item.nSfntMDate = item.nFileCDate = item.nFileMDate =
            "2014/04/01 09:00:00";
    }
};

TEST_F(RecordBuild, CompleteRecordsAreBuiltIntoTheFolder) {
    addRecord(font("A"));
    addRecord(font("Sub/B"));
    const auto before = snapshot(src);
    EXPECT_TRUE(manager().createNewFontWithDstDirPath(out));
    EXPECT_EQ(test::installedVersion(out + "/A"), "1.0.2");
    EXPECT_EQ(test::installedVersion(out + "/B"), "1.0.2")
        << "records build into the folder itself";
    EXPECT_EQ(snapshot(src), before);
}

TEST_F(RecordBuild, RefusedRecordsWriteNothing) {
    addRecord(font("A"));
    addRecord(font("B"));
    const auto before = snapshot(src);
    info.checkTargetInfo->checkTargetFontItemAtIndex(0)->matchSfntData = false;
    EXPECT_FALSE(manager().createNewFontWithDstDirPath(out));
    EXPECT_TRUE(fs::is_empty(out));

    // Building into the source folder would put the new font in the old one's place.
    info.checkTargetInfo->checkTargetFontItemAtIndex(0)->matchSfntData = true;
    EXPECT_FALSE(manager().createNewFontWithDstDirPath(src));
    EXPECT_EQ(snapshot(src), before);

    // Two files of one name would overwrite each other's output.
    addRecord(font("Sub/A"));
    EXPECT_FALSE(manager().createNewFontWithDstDirPath(out));
    EXPECT_TRUE(fs::is_empty(out));
}

} // namespace
} // namespace fu
