// Each screen's own decisions with the real window: where a search or an update run leads, the
// read-me's messages, the list's cells and free-space test, the sheets, Quit and the close
// button, the open panel and the hand-over from a second launch.
#include "WizardHarness.h"

#include "engine/StatusCodes.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/AlertSheetDelegate.h"
#include "shell/qt/Application.h"
#include "shell/qt/AskSheetDelegate.h"
#include "shell/qt/CheckNowViewController.h"
#include "shell/qt/ErrorViewController.h"
#include "shell/qt/ReadMeViewController.h"
#include "shell/qt/SomeErrorViewController.h"
#include "shell/qt/UpdateListViewController.h"
#include "shell/qt/UpdateNowViewController.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>

using namespace fu;
using namespace fu::test;

namespace {

const QString kNextComment = "作業を進めるには次へボタンを選択してください。";

void triggerMenu(WizardHarness& wizard, const char* action) {
    auto* command = wizard.window.findChild<QAction*>(action);
    if (!command) throw std::runtime_error(std::string("no menu command ") + action);
    command->trigger();
}

std::unique_ptr<UpdateFontItem> foundFont(const std::string& path, uint64_t domain, int64_t size) {
    auto item = std::make_unique<UpdateFontItem>();
    item->target.resName = "SampleGothic";
    item->srcPath = path;
    item->pathDomain = domain;
    item->oldFileSize = size;
    item->reqUpdate = true;
    return item;
}

// Records the order of events around a sheet's callback.
struct SheetWatcher : qt::AskSheetCallbacks, qt::AlertSheetCallbacks {
    qt::SheetWindow* sheet = nullptr;
    std::vector<std::string> calls;
    void record(const char* name) {
        calls.push_back(std::string(name) + (sheet && sheet->isVisible() ? " while shown" : ""));
    }
    void askSheetOk() override { record("ok"); }
    void askSheetCancel() override { record("cancel"); }
    void alertSheetOk() override { record("alert"); }
};

} // namespace

class ScreensGuiTest : public QObject {
    Q_OBJECT
private slots:
    void theProgressScreensLeadWhereTheirOutcomeChose();
    void aDefinitionThatFailsKeepsTheUserOnTheReadMe();
    void theQuitOthersAlertComesOncePerRun();
    void anOlderSystemIsToldWhatItNeeds();
    void theListShowsSizesSubFoldersAndTheDiskShortage();
    void resultTablesMarkEachFont();
    void sheetsEndBeforeTellingTheirDelegate();
    void quitAndTheCloseButtonFollowTheScreen();
    void backFromTheListReturnsToTheFolders();
    void theOpenPanelRestartsTheWizardWithTheFile();
    void aSecondLaunchHandsItsFileToTheFirst();
    void restartRunsTheScriptThenQuits();
};

// Which screen each outcome chooses, and what the move there does, are checked without the
// toolkit (NextScreenTest, SceneFlowTest); here the real progress screens report: the search by
// what it found, the update run by its code, each move only once the report has returned.
void ScreensGuiTest::theProgressScreensLeadWhereTheirOutcomeChose() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    AppInfo& info = wizard.info();
    auto report = [&](qt::ProgressViewController& screen, int64_t place, OperationStatus status,
                      int64_t expected) {
        info.sceneInfo->sceneIndex = place; // the progress screen's place in the course
        const int64_t before = wizard.viewNo();
        screen.processComplete(
            UpdateResult::updateResultWithStatusCode(status, info.messageInfo.get()));
        return wizard.viewNo() == before && wizard.waitForView(expected, 2000);
    };
    auto errorShown = [&](OperationStatus status) {
        return wizard.screen<qt::ErrorViewController>()->messageText->text() ==
               QString::fromStdString(info.messageInfo->messageOfStatusCode(status).value_or("?"));
    };
    qt::CheckNowViewController search;
    QVERIFY(report(search, 2, SearchStatus::SearchErrorUserFontsFolder, ErrorView));
    QVERIFY(errorShown(SearchStatus::SearchErrorUserFontsFolder));
    (void)info.setupUpdateFontInfo();
    QVERIFY(report(search, 2, SearchStatus::StatusOK, NotFoundView));
    QVERIFY(info.updateFontInfo->addUpdateFontItem(foundFont("/fonts/A", kUserDomain, 1000)));
    QVERIFY(report(search, 2, SearchStatus::StatusOK, UpdateListView));

    qt::UpdateNowViewController update;
    QVERIFY(report(update, 4, UpdateStatus::StatusOK, SuccessView));
    QVERIFY(report(update, 4, UpdateStatus::UpdatePartialCacheFailed, SomeErrorPlusView));
    QVERIFY(report(update, 4, UpdateStatus::UpdateErrorTempCreate, ErrorView));
    QVERIFY(errorShown(UpdateStatus::UpdateErrorTempCreate));
}

void ScreensGuiTest::aDefinitionThatFailsKeepsTheUserOnTheReadMe() {
    WizardHarness wizard;
    const std::string broken = wizard.sandbox.writeFile("Broken.fupdef", Bytes(300, 0x5A));
    QVERIFY(wizard.launch(broken));
    auto* readMe = wizard.screen<qt::ReadMeViewController>();
    QCOMPARE(readMe->commentText->text(),
             QString("アップデート定義情報を処理できません。アップデータを終了してください。"));
    QVERIFY(!readMe->nextButton->isEnabled());
    QCOMPARE(wizard.sheetMessage(),
             QString("フォントアップデート定義情報を正常に処理できませんでした。閉じるボタンを"
                     "選択してこのメッセージを閉じ、その後終了ボタンを選択してアップデータを終"
                     "了してください。"));
    QCOMPARE(wizard.visibleSheet()->findChild<QPushButton*>("okButton")->text(), QString("閉じる"));
    // A file that did not load lends the window no name.
    QCOMPARE(wizard.window.windowTitle(), QString("お読みください"));
}

void ScreensGuiTest::theQuitOthersAlertComesOncePerRun() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    QVERIFY(wizard.visibleSheet());
    wizard.clickSheetButton("okButton");
    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(CheckFontView));
    wizard.click("beforeButton");
    QVERIFY(wizard.waitForView(ReadMeView));
    QVERIFY(!wizard.visibleSheet());
    QCOMPARE(wizard.screen<qt::ReadMeViewController>()->commentText->text(), kNextComment);
    QVERIFY(wizard.screen<qt::ReadMeViewController>()->nextButton->isEnabled());
}

void ScreensGuiTest::anOlderSystemIsToldWhatItNeeds() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    wizard.clickSheetButton("okButton");
    AppInfo& info = wizard.info();
    info.reqSysVersStr = "999.0";
    info.dispFirstAlert = false; // as after opening another definition
    QVERIFY(wizard.delegate->changeToNewView(CheckFontView, "アップデート対象フォントの検索"));
    QVERIFY(wizard.delegate->changeToNewView(ReadMeView, "お読みください"));
    auto* readMe = wizard.screen<qt::ReadMeViewController>();
    QVERIFY(info.noSupportSystem);
    QCOMPARE(readMe->commentText->text(),
             QString("非対応のシステムです。終了ボタンを選択してアップデータを終了してください。"));
    QVERIFY(!readMe->nextButton->isEnabled());
    QCOMPARE(wizard.sheetMessage(),
             QString("このアップデータを利用するには Linux カーネル バージョン 999.0 以降が必要"
                     "です。お客様がご使用のシステムバージョンではこのアップデータを利用できま"
                     "せん。"));
    wizard.clickSheetButton("okButton");
    // Once known, an unsupported system stays so for the run, the requirement notwithstanding.
    info.reqSysVersStr = "1.0";
    QVERIFY(wizard.delegate->changeToNewView(CheckFontView, "アップデート対象フォントの検索"));
    QVERIFY(wizard.delegate->changeToNewView(ReadMeView, "お読みください"));
    QVERIFY(info.noSupportSystem);
    QVERIFY(!wizard.visibleSheet());
    QVERIFY(!wizard.screen<qt::ReadMeViewController>()->nextButton->isEnabled());
}

void ScreensGuiTest::theListShowsSizesSubFoldersAndTheDiskShortage() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    AppInfo& info = wizard.info();
    (void)info.setupUpdateFontInfo();
    // The space needed is measured on the files themselves.
    const std::string gothic = wizard.computerFonts() + "/Gothic";
    const std::string mincho = wizard.userFonts() + "/Japanese/Mincho";
    installOldSuitcase(wizard.sample, gothic);
    installOldSuitcase(wizard.sample, mincho);
    auto unknownSize = foundFont(gothic, kComputerDomain, 0);
    auto inSubFolder = foundFont(mincho, kUserDomain, 400'000);
    inSubFolder->subDirPath = "Japanese";
    QVERIFY(info.updateFontInfo->addUpdateFontItem(std::move(unknownSize)));
    QVERIFY(info.updateFontInfo->addUpdateFontItem(std::move(inSubFolder)));
    info.testOption = std::make_unique<TestOption>();
    info.testOption->freeSize = true;
    info.testOption->freeSizeValue = 1; // 1,000,000 bytes: short of the 20,000,000-byte margin
    QVERIFY(wizard.delegate->changeToNewView(UpdateListView, "アップデート対象フォント一覧"));

    auto* list = wizard.screen<qt::UpdateListViewController>();
    QAbstractItemModel& model = *list->tableView->model();
    QCOMPARE(model.index(0, 4).data().toString(),
             QString("ファイルサイズが取得できませんでした。"));
    QCOMPARE(model.index(1, 3).data().toString(), QString("Japanese/Mincho"));
    QCOMPARE(model.index(1, 2).data().toString(), QString("ユーザ"));
    // Fonts checked, but the disk is too small: the figures replace the message.
    QCOMPARE(list->infoView->currentWidget(), list->diskInfoView);
    QVERIFY(!list->nextButton->isEnabled());
    QVERIFY(list->diskFreeSizeText->text().contains("1000000バイト"));

    // Nothing checked needs no space at all, not even the margin.
    model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    model.setData(model.index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(list->infoView->currentWidget(), list->messageView);
    QVERIFY(!list->nextButton->isEnabled());

    // Coming back to the application recomputes the figures.
    model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole);
    QCOMPARE(list->infoView->currentWidget(), list->diskInfoView);
    info.testOption->freeSizeValue = 1'000'000; // a terabyte
    wizard.delegate->applicationDidBecomeActive();
    QCOMPARE(list->infoView->currentWidget(), list->messageView);
    QVERIFY(list->nextButton->isEnabled());
}

void ScreensGuiTest::resultTablesMarkEachFont() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    AppInfo& info = wizard.info();
    (void)info.setupUpdateFontInfo();
    auto done = foundFont("/fonts/A", kUserDomain, 1000);
    auto locked = foundFont("/fonts/B", kComputerDomain, 1000);
    locked->updateResult = ItemResult::ItemFileLocked;
    auto unnamed = foundFont("/fonts/C", kUserDomain, 1000);
    unnamed->updateResult = static_cast<ItemResult>(-2997); // no message of its own
    QVERIFY(info.updateFontInfo->addUpdateFontItem(std::move(done)));
    QVERIFY(info.updateFontInfo->addUpdateFontItem(std::move(locked)));
    QVERIFY(info.updateFontInfo->addUpdateFontItem(std::move(unnamed)));
    QVERIFY(wizard.delegate->changeToNewView(SomeErrorView, "アップデート結果"));

    QAbstractItemModel& model = *wizard.screen<qt::SomeErrorViewController>()->tableView->model();
    QCOMPARE(model.index(0, 0).data().toString(), QString("完了"));
    QCOMPARE(model.index(0, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    QCOMPARE(model.index(0, 3).data().toString(), QString());
    QCOMPARE(model.index(1, 0).data().toString(), QString("未完"));
    QCOMPARE(model.index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    const auto lockedMessage = info.messageInfo->messageOfStatusCode(
        AppDelegate::updateItemStatusFromUpdateFontItemResult(ItemResult::ItemFileLocked));
    QCOMPARE(model.index(1, 3).data().toString(),
             QString::fromStdString(lockedMessage.value_or("?")));
    const auto general = info.messageInfo->messageOfStatusCode(FontMessage::FontErrorGeneral);
    QCOMPARE(model.index(2, 3).data().toString(),
             general ? QString::fromStdString(*general)
                     : QString("エラーのためアップデートは行われませんでした。"));
}

void ScreensGuiTest::sheetsEndBeforeTellingTheirDelegate() {
    qt::MainWindow window;
    window.show();
    SheetWatcher watcher;
    qt::AskSheetDelegate ask;
    watcher.sheet = ask.window();
    ask.delegate = &watcher;
    ask.openSheetOnParentWindow(&window, QString("question"), QString("run"), std::nullopt);
    QVERIFY(ask.window()->isVisible());
    QCOMPARE(ask.cancelButton->text(), QString("キャンセル")); // kept from the description
    QTest::mouseClick(ask.okButton, Qt::LeftButton);
    ask.openSheetOnParentWindow(&window, std::nullopt, std::nullopt, QString("later"));
    QCOMPARE(ask.messageText->text(), QString("question")); // the last texts stay
    QCOMPARE(ask.cancelButton->text(), QString("later"));
    QTest::keyClick(ask.window(), Qt::Key_Escape);
    QCOMPARE(watcher.calls, (std::vector<std::string>{"ok", "cancel"}));

    qt::AlertSheetDelegate alert;
    watcher.sheet = alert.window();
    alert.openSheetOnParentWindow(&window, QString("note"), QString("閉じる"));
    QTest::mouseClick(alert.okButton, Qt::LeftButton);
    QCOMPARE(watcher.calls.size(), size_t(2)); // no delegate: closes, tells no one
    QVERIFY(!alert.window()->isVisible());
    alert.delegate = &watcher;
    alert.openSheetOnParentWindow(&window, std::nullopt, std::nullopt);
    QTest::mouseClick(alert.okButton, Qt::LeftButton);
    QCOMPARE(watcher.calls.back(), std::string("alert"));
}

void ScreensGuiTest::quitAndTheCloseButtonFollowTheScreen() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    wizard.clickSheetButton("okButton");

    wizard.window.close();
    QVERIFY(wizard.window.isVisible());

    QVERIFY(wizard.delegate->changeToNewView(CheckNowView, "対象フォントの検索"));
    triggerMenu(wizard, "actionQuit");
    QCOMPARE(wizard.terminated.count(), 0);

    // After a tool command Quit goes back to the editor, except where a run has ended.
    QVERIFY(wizard.delegate->changeToNewView(AllErrorView, "アップデート結果"));
    triggerMenu(wizard, "actionEditTarget");
    triggerMenu(wizard, "actionQuit");
    QCOMPARE(wizard.terminated.count(), 0);
    QCOMPARE(wizard.info().sceneDebugViewNo, TargetEditView);
    QVERIFY(wizard.delegate->changeToNewView(NotFoundView, "検索結果"));
    triggerMenu(wizard, "actionQuit");
    QCOMPARE(wizard.terminated.count(), 1);

    // An unknown number takes the screen off the real window; SceneFlowTest checks the title and
    // the state it leaves.
    QVERIFY(!wizard.delegate->changeToNewView(42, "?"));
    QVERIFY(
        wizard.window.contentView()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty());
}

void ScreensGuiTest::backFromTheListReturnsToTheFolders() {
    WizardHarness wizard;
    installOldSuitcase(wizard.sample, wizard.userFonts() + "/Sample");
    QVERIFY(wizard.launch(wizard.writeSampleDefinition()));
    wizard.clickSheetButton("okButton");
    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(CheckFontView));
    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(UpdateListView));
    wizard.click("beforeButton");
    QVERIFY(wizard.waitForView(CheckFontView));
    QCOMPARE(wizard.info().updateFontInfo->countOfUpdateFontItemAll(),
             0); // the folder screen starts afresh
}

void ScreensGuiTest::theOpenPanelRestartsTheWizardWithTheFile() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    wizard.clickSheetButton("okButton");
    const std::string file = wizard.writeSampleDefinition("Other.fupdef");

    triggerMenu(wizard, "actionExecuteFupdef");
    QDialog* panel = wizard.window.openPanel();
    QVERIFY(panel && panel->isVisible());
    QCOMPARE(panel->findChild<QLabel*>("openPanelMessage")->text(),
             QString("アップデート定義ファイル（拡張子'.fupdef'）を選択してください"));
    auto* browser = panel->findChild<QFileDialog*>();
    browser->selectFile(QString::fromStdString(file));
    static_cast<QDialog*>(browser)->accept(); // the panel's own Open button
    QVERIFY(!panel->isVisible());
    QTest::qWait(300);
    QCOMPARE(wizard.window.windowTitle(), QString("お読みください")); // not before the second is up
    QVERIFY(QTest::qWaitFor(
        [&] { return wizard.window.windowTitle() == "お読みください（Other.fupdef）"; }, 5000));
    QCOMPARE(wizard.viewNo(), ReadMeView);
    QVERIFY(wizard.visibleSheet()); // the opened definition brings the alert back
}

void ScreensGuiTest::aSecondLaunchHandsItsFileToTheFirst() {
    const QString name = QString("fontupdater-test-%1").arg(QCoreApplication::applicationPid());
    QVERIFY(!qt::handOverToRunningInstance(name, "/nowhere.fupdef"));
    QLocalServer server;
    QVERIFY(server.listen(name));
    QVERIFY(qt::handOverToRunningInstance(name, "/tmp/私の定義.fupdef"));
    QVERIFY(server.waitForNewConnection(2000));
    QLocalSocket* client = server.nextPendingConnection();
    QVERIFY(QTest::qWaitFor([&] { return client->canReadLine() || client->waitForReadyRead(100); },
                            2000));
    QCOMPARE(QString::fromUtf8(client->readLine()), QString("/tmp/私の定義.fupdef\n"));
}

void ScreensGuiTest::restartRunsTheScriptThenQuits() {
    WizardHarness wizard;
    // A marker in the sandbox instead of a real restart.
    const std::string script =
        "ASRestartComputer\t/usr/bin/touch " + wizard.marker("restarted") + "\n";
    wizard.sample.sources.scripts = Bytes(script.begin(), script.end());
    QVERIFY(wizard.launch(wizard.writeSampleDefinition()));
    wizard.clickSheetButton("okButton");
    QVERIFY(wizard.delegate->changeToNewView(SuccessPlusView, "アップデート完了"));
    wizard.click("restartButton");
    QVERIFY(QTest::qWaitFor([&] { return wizard.terminated.count() == 1; }, 5000));
    QVERIFY(std::filesystem::exists(wizard.marker("restarted")));
}

QTEST_MAIN(ScreensGuiTest)
#include "ScreensGuiTest.moc"
