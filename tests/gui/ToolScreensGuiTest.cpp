// The authoring tools' screens: made once and kept with what the author left in them, the
// buttons a fresh screen offers, and the sheets they carry.
#include "WizardHarness.h"

#include "shell/ViewNumbers.h"
#include "shell/qt/FontListViewController.h"
#include "shell/qt/OptionSheetDelegate.h"
#include "shell/qt/ParamToolViewController.h"
#include "shell/qt/SetDateSheetDelegate.h"
#include "shell/qt/SetVersSheetDelegate.h"
#include "shell/qt/TargetEditViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace fu;
using namespace fu::test;

namespace {

QStringList enabledButtons(QWidget* view) {
    QStringList names;
    for (QPushButton* button : view->findChildren<QPushButton*>()) {
        if (button->isEnabled()) names << button->objectName();
    }
    names.sort();
    return names;
}

} // namespace

class ToolScreensGuiTest : public QObject {
    Q_OBJECT
private slots:
    void eachToolIsMadeOnceAndKeepsItsState();
    void aFreshToolOffersOnlyWhatNeedsNoDocument_data();
    void aFreshToolOffersOnlyWhatNeedsNoDocument();
    void theParameterToolNamesItsExport();
    void theSheetsCarryTheirControlsAndStayClosed();
};

void ToolScreensGuiTest::eachToolIsMadeOnceAndKeepsItsState() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    wizard.clickSheetButton("okButton");
    AppDelegate& delegate = *wizard.delegate;

    QVERIFY(delegate.changeToNewView(TargetEditView, "アップデート対象の編集"));
    auto* editor =
        dynamic_cast<qt::TargetEditViewController*>(wizard.info().targetEditController.get());
    QVERIFY(editor);
    QVERIFY(!wizard.info().curViewController); // tools are kept apart from the wizard's screen
    editor->fileUrl = "/tmp/targets.txt";
    editor->chageToViewNo = FontListView;

    QVERIFY(delegate.changeToNewView(FontListView, "フォントリスト"));
    auto* fontList =
        dynamic_cast<qt::FontListViewController*>(wizard.info().fontListController.get());
    fontList->checkTargetInfo = std::make_unique<CheckTargetInfo>();
    QVERIFY(delegate.changeToNewView(ReadMeView, "お読みください"));
    QVERIFY(delegate.changeToNewView(TargetEditView, "アップデート対象の編集"));
    QCOMPARE(wizard.info().targetEditController.get(), static_cast<ViewController*>(editor));
    QCOMPARE(editor->fileUrl, std::optional<std::string>("/tmp/targets.txt"));
    QCOMPARE(editor->chageToViewNo, FontListView);
    QVERIFY(editor->view()->isVisible());
    QVERIFY(fontList->checkTargetInfo); // the other editor, off screen, keeps its document too

    // Editors never hold unsaved work: switching from one to another goes straight through.
    wizard.delegate->actionFontList();
    QCOMPARE(wizard.info().sceneDebugViewNo, FontListView);
}

void ToolScreensGuiTest::aFreshToolOffersOnlyWhatNeedsNoDocument_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<QStringList>("enabled");
    QTest::newRow("parameters") << int(ParamToolView) << QStringList{"tableAddLineButton"};
    QTest::newRow("target editor") << int(TargetEditView) << QStringList{"loadButton"};
    QTest::newRow("cache") << int(ClearCacheView) << QStringList{"clearCacheButton"};
    QTest::newRow("new fonts") << int(CreateNewView) << QStringList{};
    QTest::newRow("font list") << int(FontListView) << QStringList{"loadButton"};
    QTest::newRow("user update") << int(UserUpdateView) << QStringList{"loadButton"};
    QTest::newRow("user fonts") << int(CreateUserView) << QStringList{};
}

void ToolScreensGuiTest::aFreshToolOffersOnlyWhatNeedsNoDocument() {
    QFETCH(int, view);
    QFETCH(QStringList, enabled);
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    QVERIFY(wizard.delegate->changeToNewView(view, "ツール"));
    auto* tool = dynamic_cast<qt::QtViewController*>(wizard.info().toolControllerSlot(view)->get());
    QVERIFY(tool);
    QCOMPARE(tool->viewNo(), int64_t(view));
    QCOMPARE(enabledButtons(tool->view()), enabled);
    QVERIFY(saveScreenshot(wizard.window, QString("tool-%1").arg(view)));
}

void ToolScreensGuiTest::theParameterToolNamesItsExport() {
    qt::ParamToolViewController tool;
    QCOMPARE(tool.exportNameStr, std::string("UpdaterParam.fupdef"));
    QCOMPARE(tool.exportNameText->text(), QString("UpdaterParam.fupdef"));
}

void ToolScreensGuiTest::theSheetsCarryTheirControlsAndStayClosed() {
    qt::MainWindow window;
    window.show();
    TestOption option;
    qt::OptionSheetDelegate options;
    options.openSheetOnParentWindow(&window, &option);
    QVERIFY(options.window() && !options.window()->isVisible());
    QVERIFY(options.freeSizeValueText && options.mulValueText && options.noSysVerCheckButton);

    qt::SetDateSheetDelegate dates;
    SetDateParam param;
    dates.openSheetOnParentWindow(&window, &param);
    QVERIFY(!dates.window()->isVisible());
    QVERIFY(!dates.dateParam.nSfntCDate && !dates.dateParam.useSfntCDate);
    QVERIFY(dates.sfntCDatePicker && dates.fileMDatePicker);

    qt::SetVersSheetDelegate vers;
    vers.openSheetOnParentWindow(&window, "1.0.2");
    QVERIFY(!vers.window()->isVisible());
    QVERIFY(vers.versText->text().isEmpty());
    QCOMPARE(vers.typePopup->count(), 2);
    QVERIFY(saveScreenshot(*options.window(), "sheet-OptionSheet"));
    QVERIFY(saveScreenshot(*dates.window(), "sheet-SetDateSheet"));
    QVERIFY(saveScreenshot(*vers.window(), "sheet-SetVersSheet"));
}

QTEST_MAIN(ToolScreensGuiTest)
#include "ToolScreensGuiTest.moc"
