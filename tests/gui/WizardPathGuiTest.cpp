// The whole course as a user walks it, from the read-me to the success screen, with real files:
// fonts in both Fonts folders and a sub-folder, one left out on the list.
#include "WizardHarness.h"

#include "definition/DefinitionSignature.h"
#include "platform/Crypto.h"
#include "sfnt/VersResource.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/CheckNowViewController.h"
#include "shell/qt/ReadMeViewController.h"
#include "shell/qt/UpdateListViewController.h"
#include "suitcase/ResFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>

#include <filesystem>

using namespace fu;
using namespace fu::test;
namespace fs = std::filesystem;

namespace {

const QString kNextComment = "作業を進めるには次へボタンを選択してください。";
const QString kQuitOthersAlert =
    "このアップデータではフォントのアップデート完了後にコンピュータの再起動を求められます。現在、他のアプリケー"
    "ションを起動している場合はそれらのアプリケーションを終了してからこの先の作業を行ってください。";
const QString kUpdateMessage =
    "チェックマークの付いているフォントをアップデートします。アップデートボタンを選択してください。アップデート完"
    "了後にフォントキャッシュの再構築を行います。アップデート前の古いフォントは「古いフォント項目」としてゴミ箱に"
    "移動します。";
const QString kAdminSentence =
    "チェックされた項目の'場所'にコンピュータ'が含まれる場合はアップデート実行時に一度だけ管理者パスワードの入力"
    "が必要です。";
const QString kNoneChecked =
    "チェックマークの付いた項目がありません。アップデートを行う項目のチェックボックスを"
    "選択してチェックマークをつけてください。";

// Versions of the files of that name anywhere below the folder.
std::vector<std::string> versionsBelow(const std::string& folder, const std::string& name) {
    std::vector<std::string> versions;
    if (!fs::exists(folder)) return versions;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().filename() == name) versions.push_back(installedVersion(entry.path()));
    }
    return versions;
}

int rowOfFile(QTableView& table, const QString& fileName) {
    const int column = 3; // "filename"
    for (int row = 0; row < table.model()->rowCount(); ++row) {
        if (table.model()->index(row, column).data().toString() == fileName) return row;
    }
    return -1;
}

void setChecked(QTableView& table, int row, bool checked) {
    QAbstractItemModel& model = *table.model();
    model.setData(model.index(row, 0), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

} // namespace

class WizardPathGuiTest : public QObject {
    Q_OBJECT
private slots:
    void fromReadMeToSuccessUpdatesTheCheckedFonts();
    void theBuiltInDemoUpdatesItsTwoFamilies();
    void aDefinitionOfAnUnknownSignerStaysInTheUsersFolder();
};

void WizardPathGuiTest::fromReadMeToSuccessUpdatesTheCheckedFonts() {
    WizardHarness wizard;
    const std::string userFont = wizard.userFonts() + "/SampleA";
    const std::string subFont = wizard.userFonts() + "/Sub/SampleB";
    const std::string computerFont = wizard.computerFonts() + "/SampleC";
    for (const auto& path : {userFont, subFont, computerFont})
        installOldSuitcase(wizard.sample, path);
    const Bytes untouched = readWholeFile(subFont);

    QVERIFY(wizard.launch(wizard.writeSampleDefinition("Sample.fupdef")));
    QCOMPARE(wizard.window.windowTitle(), QString("お読みください（Sample.fupdef）"));
    auto* readMe = wizard.screen<qt::ReadMeViewController>();
    QCOMPARE(readMe->commentText->text(), kNextComment);
    QVERIFY(readMe->nextButton->isEnabled());
    QCOMPARE(wizard.sheetMessage(), kQuitOthersAlert);
    wizard.clickSheetButton("okButton");
    QVERIFY(!wizard.visibleSheet());

    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(CheckFontView));
    QCOMPARE(wizard.window.findChild<QLineEdit*>("usersPath")->text().toStdString(),
             wizard.userFonts());

    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(CheckNowView));
    QSignalSpy progress(wizard.screen<qt::CheckNowViewController>()->indicator,
                        &QProgressBar::valueChanged);
    QVERIFY(wizard.waitForView(UpdateListView));
    QVERIFY(!progress.isEmpty());
    QVERIFY(progress.last().at(0).toInt() > 0);

    auto* list = wizard.screen<qt::UpdateListViewController>();
    QTableView& table = *list->tableView;
    QCOMPARE(table.model()->rowCount(), 3);
    QCOMPARE(list->messageText->text(), kUpdateMessage + kAdminSentence);
    const int subRow = rowOfFile(table, "Sub/SampleB");
    const int userRow = rowOfFile(table, "SampleA");
    const int computerRow = rowOfFile(table, "SampleC");
    QVERIFY(subRow >= 0 && userRow >= 0 && computerRow >= 0);
    QCOMPARE(table.model()->index(computerRow, 2).data().toString(), QString("コンピュータ"));

    // Leaving out the computer's font drops the password sentence; leaving out all disables Update.
    setChecked(table, computerRow, false);
    QCOMPARE(list->messageText->text(), kUpdateMessage);
    QVERIFY(list->nextButton->isEnabled());
    setChecked(table, userRow, false);
    setChecked(table, subRow, false);
    QCOMPARE(list->messageText->text(), kNoneChecked);
    QVERIFY(!list->nextButton->isEnabled());
    setChecked(table, userRow, true);
    setChecked(table, computerRow, true);
    QVERIFY(list->nextButton->isEnabled());
    QCOMPARE(table.model()->index(subRow, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

    // The question names what will run with the administrator's rights, and whose signature
    // vouches for it, before any password is asked for.
    wizard.recordElevation();
    wizard.click("nextButton");
    QVERIFY(QTest::qWaitFor([&] { return wizard.visibleSheet() != nullptr; }, 10000));
    const QString question = wizard.sheetMessage();
    QVERIFY(question.startsWith(
        "アップデート完了後にコンピュータを再起動する必要があります。今すぐアップデートを実行"
        "してよろしいですか？"));
    QVERIFY2(question.contains("管理者権限で実行するもの（署名：demo-build）"),
             qPrintable(question));
    QVERIFY(question.contains(
        QString::fromStdString("/usr/bin/touch " + wizard.marker("computer-cache"))));
    QVERIFY(!fs::exists(wizard.marker("elevation-asked")));
    QCOMPARE(wizard.visibleSheet()->findChild<QPushButton*>("okButton")->text(),
             QString("今すぐ実行"));
    wizard.clickSheetButton("okButton");
    QVERIFY(wizard.waitForView(UpdateNowView));
    QVERIFY(wizard.waitForView(SuccessView, 60000));
    QCOMPARE(wizard.window.windowTitle(), QString("アップデート完了（Sample.fupdef）"));

    QCOMPARE(wizard.info().updateFontInfo->countOfUpdateFontItemAll(), 2);
    wizard.click("endButton");
    QVERIFY(QTest::qWaitFor([&] { return wizard.terminated.count() == 1; }, 5000));
    QCOMPARE(wizard.info().updateFontInfo->countOfUpdateFontItemAll(), 0);

    QCOMPARE(installedVersion(userFont), std::string("1.0.2"));
    QCOMPARE(installedVersion(computerFont), std::string("1.0.2"));
    QVERIFY(readWholeFile(subFont) == untouched);
    const std::string trash = wizard.sandbox.path("home/.local/share/Trash/files");
    QCOMPARE(versionsBelow(trash, "SampleA"), std::vector<std::string>{"1.0.1"});
    QCOMPARE(versionsBelow(trash, "SampleC"), std::vector<std::string>{"1.0.1"});
    QVERIFY(versionsBelow(trash, "SampleB").empty());
    // With rights for the computer's folder the rebuild runs once, with those rights.
    QVERIFY(fs::exists(wizard.marker("computer-cache")));
    QVERIFY(fs::exists(wizard.marker("elevation-asked")));
}

// A definition signed by a key nobody here trusts: the read-me says so, the computer's font is
// neither listed nor touched, no password is asked for, and what runs as the user is shown first.
void WizardPathGuiTest::aDefinitionOfAnUnknownSignerStaysInTheUsersFolder() {
    WizardHarness wizard;
    const std::string userFont = wizard.userFonts() + "/SampleA";
    const std::string computerFont = wizard.computerFonts() + "/SampleC";
    for (const auto& path : {userFont, computerFont})
        installOldSuitcase(wizard.sample, path);
    const Bytes computerBefore = readWholeFile(computerFont);
    const Bytes stranger = platform::generateEd25519PrivateKey().value();
    ContainerFailure failure = ContainerFailure::None;
    const auto definition = signDefinitionContainer(
        readWholeFile(wizard.writeSampleDefinition("Stranger.fupdef", SampleTrust::Unsigned)),
        stranger, failure);
    QVERIFY(definition);
    wizard.recordElevation();
    QVERIFY(wizard.launch(wizard.sandbox.writeFile("Stranger.fupdef", *definition)));
    auto* readMe = wizard.screen<qt::ReadMeViewController>();
    QVERIFY(readMe->signatureWarning->isVisibleTo(&wizard.window));
    QVERIFY(readMe->signatureWarning->text().contains("署名されていない"));
    QVERIFY(saveScreenshot(wizard.window, "01-ReadMe-untrusted"));
    QVERIFY(readMe->signatureWarning->text().contains(QString::fromStdString(
        signingKeyIdText(signingKeyId(platform::ed25519PublicKey(stranger).value()).value()))));
    wizard.clickSheetButton("okButton");
    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(CheckFontView));
    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(UpdateListView));
    auto* list = wizard.screen<qt::UpdateListViewController>();
    QCOMPARE(list->tableView->model()->rowCount(), 1);
    QCOMPARE(rowOfFile(*list->tableView, "SampleC"), -1);

    wizard.click("nextButton");
    QVERIFY(QTest::qWaitFor([&] { return wizard.visibleSheet() != nullptr; }, 10000));
    const QString question = wizard.sheetMessage();
    QVERIFY2(question.contains("あなたの権限で実行するもの"), qPrintable(question));
    QVERIFY(
        question.contains(QString::fromStdString("/usr/bin/touch " + wizard.marker("user-cache"))));
    QVERIFY(!question.contains("管理者権限で実行するもの"));
    wizard.clickSheetButton("okButton");
    QVERIFY(wizard.waitForView(SuccessView, 60000));
    QCOMPARE(installedVersion(userFont), std::string("1.0.2"));
    QVERIFY(readWholeFile(computerFont) == computerBefore);
    QVERIFY(fs::exists(wizard.marker("user-cache")));
    QVERIFY(!fs::exists(wizard.marker("computer-cache")));
    QVERIFY(!fs::exists(wizard.marker("elevation-asked")));
}

// What scripts/run shows: the built-in definition and the demo's old suitcases, one in each
// Fonts folder, through every screen with the default choices.
void WizardPathGuiTest::theBuiltInDemoUpdatesItsTwoFamilies() {
    WizardHarness wizard;
    const std::string installed = std::string(FU_DEMO_DIR) + "/installed/";
    const std::string gothic = wizard.userFonts() + "/DemoGothic";
    const std::string mincho = wizard.computerFonts() + "/DemoMincho";
    for (const auto& [from, to] : {std::pair{installed + "DemoGothic", gothic},
                                   std::pair{installed + "DemoMincho", mincho}}) {
        fs::copy_file(from, to);
        fs::copy_file(fs::path(from).parent_path() / ("._" + fs::path(from).filename().string()),
                      fs::path(to).parent_path() / ("._" + fs::path(to).filename().string()));
    }
    QVERIFY(wizard.launch());
    QCOMPARE(wizard.window.windowTitle(), QString("お読みください"));
    QVERIFY(wizard.screen<qt::ReadMeViewController>()->textView->toPlainText().contains(
        "デモゴシック"));
    wizard.clickSheetButton("okButton");
    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(CheckFontView));
    wizard.click("nextButton");
    QVERIFY(wizard.waitForView(UpdateListView));
    QCOMPARE(wizard.screen<qt::UpdateListViewController>()->tableView->model()->rowCount(), 2);
    wizard.click("nextButton");
    QVERIFY(QTest::qWaitFor([&] { return wizard.visibleSheet() != nullptr; }, 10000));
    wizard.clickSheetButton("okButton");
    QVERIFY(wizard.waitForView(SuccessView, 120000));
    QCOMPARE(installedVersion(gothic), std::string("1.0.2"));
    QCOMPARE(installedVersion(mincho), std::string("2.0.1 (DEMO)"));
}

QTEST_MAIN(WizardPathGuiTest)
#include "WizardPathGuiTest.moc"
