#include "definition/DefinitionKey.h"
#include "definition/DefinitionWriter.h"
#include "definition/ResourceRegistry.h"
#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateJournal.h"
#include "shell/AppDelegate.h"
#include "shell/NextScreen.h"
#include "shell/ViewNumbers.h"
#include "support/DefinitionBuilder.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <utility>
#include <vector>

namespace fu {
namespace {

// What the screens were asked to do, across every controller made.
struct ControllerLog {
    std::vector<OperationStatus> resultsReceived;
    int startupMessages = 0;
    int updates = 0;
    std::vector<std::string> discardAsks;
};

class FakeController : public ViewController {
public:
    FakeController(int64_t viewNo, ControllerLog& log) : viewNo_(viewNo), log_(log) {}
    int64_t viewNo() const override { return viewNo_; }
    void setUpdateResult(const UpdateResult& result) override {
        log_.resultsReceived.push_back(result.status);
    }
    void startupMassegaeWithWindow(AppWindow&) override { ++log_.startupMessages; }
    void updateView() override { ++log_.updates; }
    void askDiscard(const std::string& action) override { log_.discardAsks.push_back(action); }

private:
    int64_t viewNo_;
    ControllerLog& log_;
};

class FakeFactory : public ViewControllerFactory {
public:
    FakeFactory(ControllerLog& log, std::set<int64_t>& refused) : log_(log), refused_(refused) {}
    std::unique_ptr<ViewController> makeViewController(int64_t viewNo) override {
        if (refused_.contains(viewNo)) return nullptr;
        return std::make_unique<FakeController>(viewNo, log_);
    }

private:
    ControllerLog& log_;
    std::set<int64_t>& refused_;
};

class FakeWindow : public AppWindow {
public:
    void setTitle(const std::string& t) override { title = t; }
    void setContentViewAnimation(ViewController* controller) override {
        shownViewNo = controller ? controller->viewNo() : 0;
        if (!visible) ++contentSetWhileHidden;
    }
    bool isVisible() const override { return visible; }
    void bringToFront() override {
        visible = true;
        if (shownViewNo <= 0) ++shownEmpty;
    }
    void terminate() override { ++terminations; }
    void showNotice(const std::string& message) override { notices.push_back(message); }

    std::string title;
    int64_t shownViewNo = -1;
    bool visible = false;
    int terminations = 0;
    int contentSetWhileHidden = 0;
    int shownEmpty = 0;
    std::vector<std::string> notices;
};

class SceneFlow : public test::SandboxTest {
protected:
    // A definition this build opens: sealed with the build's own copyright.
    std::string writeDefinition(const std::string& name, const std::string& scripts = "") {
        DefinitionSources sources = test::sampleDefinitionSources();
        if (!scripts.empty()) sources.scripts = Bytes(scripts.begin(), scripts.end());
        auto payload = buildDefinitionPayload(sources);
        auto sealed = writeDefinitionContainer(*payload.bytes, buildCopyrightString(), {});
        return sandbox.writeFile(name, *sealed);
    }
    void launch() { delegate.applicationDidFinishLaunching(); }
    AppInfo& info() { return *AppDelegate::appInfo(); }
    void TearDown() override { delegate.applicationWillTerminate(); }

    ControllerLog log;
    std::set<int64_t> refused;
    FakeWindow window;
    AppDelegate delegate{&window, std::make_unique<FakeFactory>(log, refused)};
};

TEST_F(SceneFlow, TheCourseRunsForwardAndBackPassesTheProgressScreens) {
    launch();
    EXPECT_EQ(window.shownViewNo, ReadMeView);
    EXPECT_TRUE(window.visible);
    // A window shown before its first screen is placed for a size it never has.
    EXPECT_EQ(window.shownEmpty, 0);
    EXPECT_EQ(window.contentSetWhileHidden, 1);
    EXPECT_EQ(log.startupMessages, 1);
    delegate.nextScene();
    delegate.nextScene();
    EXPECT_EQ(info().curViewNo, CheckNowView);
    EXPECT_EQ(window.title, "対象フォントの検索");
    delegate.nextScene();
    delegate.beforeScene();
    EXPECT_EQ(info().curViewNo, CheckFontView) << "back from the list skips the search";
    delegate.beforeScene();
    delegate.beforeScene();
    EXPECT_EQ(info().curViewNo, ReadMeView) << "nothing before the read-me";
}

TEST_F(SceneFlow, TheViewSwitchRefusesWhatItCannotShow) {
    launch();
    EXPECT_FALSE(delegate.changeToNewView(ReadMeView, "again"));
    EXPECT_EQ(window.title, "お読みください");

    refused.insert(CheckFontView);
    EXPECT_FALSE(delegate.changeToNewView(CheckFontView, "x"));
    EXPECT_EQ(info().curViewNo, ReadMeView);
    EXPECT_TRUE(info().curViewController);

    EXPECT_FALSE(delegate.changeToNewView(50, "x"));
    EXPECT_EQ(info().curViewNo, 0);
    EXPECT_FALSE(info().curViewController);
    EXPECT_EQ(window.title, "");
    EXPECT_EQ(window.shownViewNo, 0);
}

TEST_F(SceneFlow, AnOpenedFileNamesItselfInTheTitleExceptInTheParameterTool) {
    launch();
    EXPECT_TRUE(delegate.applicationOpenFile(writeDefinition("Demo.fupdef")));
    EXPECT_FALSE(info().fupdefFail);
    EXPECT_EQ(window.title, "お読みください（Demo.fupdef）");
    EXPECT_TRUE(delegate.changeToNewView(UpdateListView, "アップデート対象フォント一覧"));
    EXPECT_EQ(window.title, "アップデート対象フォント一覧（Demo.fupdef）");
    EXPECT_TRUE(delegate.changeToNewView(ParamToolView, "Param"));
    EXPECT_EQ(window.title, "Param");
    EXPECT_FALSE(info().curViewController) << "tool controllers live in their own slots";
    EXPECT_TRUE(info().paramToolController);
}

TEST_F(SceneFlow, QuitDependsOnTheViewOnScreen) {
    launch();
    for (int64_t running : {CheckNowView, UpdateNowView}) {
        info().curViewNo = running;
        delegate.terminate();
        EXPECT_EQ(window.terminations, 0) << running;
    }
    delegate.startFontList();
    for (int64_t ordinary : {ReadMeView, CheckFontView, UpdateListView, SuccessPlusView,
                             SomeErrorView, SomeErrorPlusView, AllErrorView}) {
        info().curViewNo = ordinary;
        info().sceneDebugViewNo = 0;
        delegate.terminate();
        EXPECT_EQ(info().sceneDebugViewNo, TargetEditView)
            << ordinary << " returns to the target editor";
    }
    EXPECT_EQ(window.terminations, 0);
    for (int64_t outcome : {NotFoundView, SuccessView, ErrorView}) {
        info().curViewNo = outcome;
        delegate.terminate();
    }
    EXPECT_EQ(window.terminations, 3);

    ASSERT_TRUE(delegate.changeToNewView(UserUpdateView, "User update"));
    delegate.terminate();
    EXPECT_EQ(log.discardAsks, std::vector<std::string>{"terminate"});
    EXPECT_EQ(window.terminations, 4);
}

TEST_F(SceneFlow, EndReturnsToTheEditorTheAuthorCameFrom) {
    launch();
    delegate.endScene();
    EXPECT_EQ(window.terminations, 1) << "no tool called up: End quits";
    delegate.startUserUpdateEdit();
    delegate.startClearCache();
    EXPECT_EQ(info().sceneDebugBackViewNo, UserUpdateView)
        << "the cache tool is no place to return to";
    delegate.endScene();
    EXPECT_EQ(info().sceneDebugViewNo, UserUpdateView);
    EXPECT_EQ(window.terminations, 1);
}

TEST_F(SceneFlow, AToolCommandOnlyRecordsItsToolAndWhereQuitReturns) {
    launch();
    constexpr int64_t kKept = -1; // the command leaves sceneDebugBackViewNo as it was
    const struct {
        void (AppDelegate::*start)();
        int64_t viewNo;
        int64_t backViewNo;
    } commands[] = {
        {&AppDelegate::startEditTarget, TargetEditView, TargetEditView},
        {&AppDelegate::startFontList, FontListView, FontListView},
        {&AppDelegate::startUserUpdateEdit, UserUpdateView, UserUpdateView},
        {&AppDelegate::startParamTool, ParamToolView, kKept},
        {&AppDelegate::startClearCache, ClearCacheView, kKept},
        {&AppDelegate::startCreateNew, CreateNewView, kKept},
        {&AppDelegate::startCreateUser, CreateUserView, kKept},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.viewNo);
        info().sceneDebug = false;
        info().sceneDebugBackViewNo = ReadMeView;
        (delegate.*command.start)();
        EXPECT_TRUE(info().sceneDebug);
        EXPECT_EQ(info().sceneDebugViewNo, command.viewNo);
        EXPECT_EQ(info().sceneDebugBackViewNo,
                  command.backViewNo == kKept ? ReadMeView : command.backViewNo);
        EXPECT_EQ(window.shownViewNo, ReadMeView) << "no tool screen is shown";
        EXPECT_EQ(info().curViewNo, ReadMeView);
    }

    // Quit on a batch builder goes to the editor it belongs to.
    for (const auto& [builder, editor] :
         {std::pair{CreateNewView, TargetEditView}, std::pair{CreateUserView, UserUpdateView}}) {
        info().curViewNo = builder;
        info().sceneDebugViewNo = 0;
        delegate.terminate();
        EXPECT_EQ(info().sceneDebugViewNo, editor) << builder;
    }
    EXPECT_EQ(window.terminations, 0);
}

TEST_F(SceneFlow, StartSceneLeavesARunOrItsOutcomeAlone) {
    launch();
    for (int64_t busy : {CheckNowView, UpdateNowView, NotFoundView, SuccessView, ErrorView}) {
        info().curViewNo = busy;
        delegate.startScene();
        EXPECT_EQ(window.shownViewNo, ReadMeView) << busy;
    }
    info().curViewNo = AllErrorView;
    info().updateManagerResult = UpdateResult::updateResultWithStatusCode(
        UpdateStatus::UpdateNoneUpdated, info().messageInfo.get());
    delegate.startScene();
    EXPECT_EQ(info().curViewNo, ReadMeView);
    EXPECT_FALSE(info().updateManagerResult);
}

TEST_F(SceneFlow, AFileHandedOverBeforeStartUpReplacesTheBuiltInDefinition) {
    const std::string path = writeDefinition("Early.fupdef");
    EXPECT_FALSE(delegate.applicationOpenFile(path));
    launch();
    EXPECT_FALSE(info().fupdefFail);
    EXPECT_TRUE(info().externalFupdef);
    EXPECT_EQ(info().fupdefFileName, "Early.fupdef");
    EXPECT_FALSE(delegate.rounchOpenFilePath);
    EXPECT_EQ(info().reqSysVersStr, FontUpdate::lowestSupportedSystemVersion());
    EXPECT_EQ(window.shownViewNo, ReadMeView);
}

TEST_F(SceneFlow, AFailingDefinitionStillShowsTheReadMe) {
    ResourceRegistry::removeResource("UpdaterParam_OS10_10", "fupdef");
    launch();
    EXPECT_TRUE(info().fupdefFail);
    EXPECT_EQ(window.shownViewNo, ReadMeView);
}

TEST_F(SceneFlow, OpeningAFileRestartsTheReadMeEvenWhenItIsUp) {
    launch();
    delegate.nextScene();
    delegate.beforeScene();
    EXPECT_TRUE(delegate.applicationOpenFile(sandbox.path("missing.fupdef")));
    EXPECT_TRUE(info().fupdefFail);
    EXPECT_FALSE(info().fupdefFileName);
    EXPECT_EQ(window.title, "お読みください") << "a file that did not load lends no name";
    EXPECT_EQ(log.startupMessages, 3);
}

TEST_F(SceneFlow, TheUpdateListRefreshesWhenTheUserComesBack) {
    launch();
    delegate.applicationDidBecomeActive();
    EXPECT_EQ(log.updates, 0);
    ASSERT_TRUE(delegate.changeToNewView(UpdateListView, "list"));
    delegate.applicationDidBecomeActive();
    EXPECT_EQ(log.updates, 1);
}

// The restart script speaks (the demo's cannot restart) and counts its runs in a file.
TEST_F(SceneFlow, RestartRunsItsScriptOnceShowsWhatItSaidAndQuits) {
    const std::string runs = sandbox.path("restart-runs");
    const std::string scripts = "UserChacheRemove\t/bin/true\n"
                                "ASRestartComputer\techo run >> '" +
                                runs + "'; echo 'もうすぐ再起動します'\n";
    ASSERT_FALSE(delegate.applicationOpenFile(writeDefinition("Restart.fupdef", scripts)));
    launch();
    ASSERT_FALSE(info().fupdefFail);
    ASSERT_TRUE(delegate.changeToNewView(SuccessView, "アップデート完了"));
    EXPECT_TRUE(delegate.restartScene());
    EXPECT_FALSE(delegate.restartScene()) << "a second press while quitting";
    delegate.endScene();
    const Bytes ran = test::readWholeFile(runs);
    EXPECT_EQ(std::string(ran.begin(), ran.end()), "run\n");
    EXPECT_EQ(window.notices, std::vector<std::string>{"もうすぐ再起動します\n"});
    EXPECT_GE(window.terminations, 1);
}

TEST_F(SceneFlow, ADefinitionHandedOverDuringARunWaitsUntilItsOutcomeIsLeft) {
    launch();
    const std::string later = writeDefinition("Later.fupdef");
    for (int64_t outcome : {SuccessView, SuccessPlusView, NotFoundView, SomeErrorView,
                            SomeErrorPlusView, AllErrorView, ErrorView}) {
        ASSERT_TRUE(delegate.changeToNewView(outcome, "outcome")) << outcome;
        EXPECT_TRUE(delegate.applicationOpenFile(later));
        EXPECT_EQ(info().curViewNo, outcome) << "the outcome stays on screen";
        EXPECT_FALSE(info().externalFupdef) << "the run's definition stays loaded";
        delegate.endScene();
        EXPECT_EQ(info().curViewNo, ReadMeView)
            << outcome << ": End leads to the handed-over definition";
        EXPECT_EQ(window.title, "お読みください（Later.fupdef）");
        EXPECT_EQ(window.terminations, 0);
        EXPECT_FALSE(delegate.pendingFupdefPath());
        info().externalFupdef = false;
    }

    // During a search the definition waits; the list that the search found lets it through.
    ASSERT_TRUE(delegate.changeToNewView(CheckNowView, "search"));
    EXPECT_TRUE(delegate.applicationOpenFile(later));
    EXPECT_EQ(info().curViewNo, CheckNowView);
    ASSERT_TRUE(delegate.changeToNewView(UpdateListView, "list"));
    EXPECT_EQ(info().curViewNo, ReadMeView);
    EXPECT_TRUE(info().externalFupdef);

    // With nothing waiting, End ends.
    ASSERT_TRUE(delegate.changeToNewView(AllErrorView, "outcome"));
    delegate.endScene();
    EXPECT_EQ(window.terminations, 1);
}

// The progress screens hand over the screen their outcome chose (NextScreenTest checks the
// choice); the move there gives the title the user reads, goes along the course only to its own
// next screens, and hands the error screen the outcome itself.
TEST_F(SceneFlow, AFinishedRunMovesToTheScreenItsOutcomeChose) {
    launch();
    const UpdateResult failed = UpdateResult::updateResultWithStatusCode(
        UpdateStatus::UpdateErrorTempCreate, info().messageInfo.get());
    const struct {
        int64_t from;
        int64_t view;
        const char* title;
        bool onCourse;
    } outcomes[] = {
        {CheckNowView, UpdateListView, "アップデート対象フォント一覧", true},
        {CheckNowView, NotFoundView, "検索結果", false},
        {CheckNowView, ErrorView, "エラー", false},
        {UpdateNowView, SuccessView, "アップデート完了", true},
        {UpdateNowView, SuccessPlusView, "アップデート完了", false},
        {UpdateNowView, SomeErrorView, "アップデート結果", false},
        {UpdateNowView, SomeErrorPlusView, "アップデート結果", false},
        {UpdateNowView, AllErrorView, "アップデート結果", false},
    };
    for (const auto& outcome : outcomes) {
        SCOPED_TRACE(outcome.view);
        // The progress screen's place in the course.
        const int64_t place = outcome.from == CheckNowView ? 2 : 4;
        info().sceneInfo->sceneIndex = place;
        info().curViewNo = outcome.from;
        outcomeScene(delegate, outcome.view, failed);
        EXPECT_EQ(window.shownViewNo, outcome.view);
        EXPECT_EQ(info().curViewNo, outcome.view);
        EXPECT_EQ(window.title, outcome.title);
        EXPECT_EQ(info().sceneInfo->sceneIndex, outcome.onCourse ? place + 1 : place);
    }
    EXPECT_EQ(log.resultsReceived,
              std::vector<OperationStatus>{UpdateStatus::UpdateErrorTempCreate});
    EXPECT_EQ(info().updateManagerResult->status, UpdateStatus::UpdateErrorTempCreate);

    // A number that is no outcome moves nothing.
    outcomeScene(delegate, ReadMeView, failed);
    EXPECT_EQ(info().curViewNo, AllErrorView);
}

// A run killed halfway through a swap: the wizard's start repairs the font before it shows anything
// and tells the user.
TEST_F(SceneFlow, StartUpRepairsASwapCutShortAndSaysSo) {
    const std::string fonts = sandbox.path("home/.local/share/fonts");
    std::filesystem::create_directories(fonts);
    const std::string font = fonts + "/Gothic";
    test::writeWholeFile(font, {});
    test::writeWholeFile(fonts + "/._Gothic", asBytes(std::string("old fork")));
    test::writeWholeFile(fonts + "/.fu-new-Gothic", {});
    test::writeWholeFile(fonts + "/._.fu-new-Gothic", asBytes(std::string("new fork")));
    const std::string stagedPath = fonts + "/.fu-new-Gothic";
    JournalRecord record{font, stagedPath, sandbox.path("home/.local/share/Trash/files/x/Gothic"),
                         *pairDigest(font), *pairDigest(stagedPath)};
    std::string recordPath;
    {
        UpdateJournal journal;
        ASSERT_TRUE(journal.begin(record, recordPath));
    }
    launch();
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_NE(window.notices[0].find("「Gothic」"), std::string::npos) << window.notices[0];
    EXPECT_FALSE(std::filesystem::exists(stagedPath))
        << "the staged pair of a swap that never began goes";
    const Bytes kept = test::readWholeFile(fonts + "/._Gothic");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "old fork");
    EXPECT_EQ(window.shownViewNo, ReadMeView);
}

} // namespace
} // namespace fu
