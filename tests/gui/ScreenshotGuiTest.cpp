// Pictures of every screen and sheet, filled as a user would see them, for a person to judge:
// clipped or overlapping text, missing Japanese glyphs, cramped layouts.
#include "WizardHarness.h"

#include "engine/StatusCodes.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/Application.h"
#include "shell/qt/CheckNowViewController.h"
#include "shell/qt/UpdateListViewController.h"
#include "shell/qt/UpdateNowViewController.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace fu;
using namespace fu::test;

namespace {

// Found-font records as a search leaves them: in both folders, one in a sub-folder.
void fillFoundFonts(AppInfo& info, const std::vector<ItemResult>& results) {
    (void)info.setupUpdateFontInfo();
    const char* names[] = {"DemoGothic", "DemoMincho", "SampleGothic", "DemoGothic-Bold"};
    for (size_t i = 0; i < results.size(); ++i) {
        auto item = std::make_unique<UpdateFontItem>();
        item->target.resName = names[i % 4];
        item->srcPath = std::string("/fonts/") + names[i % 4];
        item->pathDomain = i % 2 ? kComputerDomain : kUserDomain;
        if (i == 2) item->subDirPath = "Japanese";
        item->oldFileSize = int64_t(180'000 + 4'096 * i);
        item->upSizeOfFile = 2'048;
        item->reqUpdate = true;
        item->updateResult = results[i];
        (void)info.updateFontInfo->addUpdateFontItem(std::move(item));
    }
}

} // namespace

class ScreenshotGuiTest : public QObject {
    Q_OBJECT
private slots:
    void everyScreenAndSheet();
};

void ScreenshotGuiTest::everyScreenAndSheet() {
    WizardHarness wizard;
    QVERIFY(wizard.launch());
    QVERIFY(QTest::qWaitForWindowExposed(&wizard.window));
    QVERIFY(saveScreenshot(wizard.window, "01-ReadMe"));
    QVERIFY(wizard.visibleSheet());
    QVERIFY(saveScreenshot(*wizard.visibleSheet(), "sheet-AlertSheet"));
    wizard.clickSheetButton("okButton");

    AppDelegate& delegate = *wizard.delegate;
    QVERIFY(delegate.changeToNewView(CheckFontView, "アップデート対象フォントの検索"));
    QVERIFY(saveScreenshot(wizard.window, "02-CheckFont"));

    QVERIFY(delegate.changeToNewView(CheckNowView, "対象フォントの検索"));
    auto* search = wizard.screen<qt::CheckNowViewController>();
    search->indicator->setRange(0, 10);
    search->processProgress(
        UpdateResult::updateResultWithCount(4, "DemoGothic を確認しています…", nullptr));
    QVERIFY(saveScreenshot(wizard.window, "03-CheckNow"));

    fillFoundFonts(wizard.info(), std::vector<ItemResult>(4, ItemResult::StatusOK));
    wizard.info().updateFontInfo->updateFontItemAtIndex(3)->reqUpdate = false;
    QVERIFY(delegate.changeToNewView(UpdateListView, "アップデート対象フォント一覧"));
    QVERIFY(saveScreenshot(wizard.window, "04-UpdateList"));
    auto* list = wizard.screen<qt::UpdateListViewController>();
    list->reqFileSizeText->setText("20.376MB（20376832バイト）");
    list->diskFreeSizeText->setText("1MB（1000000バイト）");
    list->changeInfoViewToViewNo(1);
    QVERIFY(saveScreenshot(wizard.window, "04-UpdateList-disk"));
    (void)wizard.info().setupUpdateManager();
    list->actionNext();
    QVERIFY(wizard.visibleSheet());
    QVERIFY(saveScreenshot(*wizard.visibleSheet(), "sheet-AskSheet"));
    wizard.clickSheetButton("cancelButton");

    QVERIFY(delegate.changeToNewView(UpdateNowView, "フォントのアップデート中"));
    auto* update = wizard.screen<qt::UpdateNowViewController>();
    update->indicator->setRange(0, 3);
    update->processProgress(
        UpdateResult::updateResultWithCount(1, "DemoMincho をアップデートしています…", nullptr));
    QVERIFY(saveScreenshot(wizard.window, "05-UpdateNow"));

    fillFoundFonts(wizard.info(), {ItemResult::StatusOK, ItemResult::ItemFileLocked,
                                   ItemResult::StatusOK, ItemResult::ItemSfntBuildFailed});
    const struct {
        int64_t view;
        const char* title;
        const char* file;
    } results[] = {
        {SuccessView, "アップデート完了", "06-Success"},
        {SuccessPlusView, "アップデート完了", "93-SuccessPlus"},
        {NotFoundView, "検索結果", "94-NotFound"},
        {SomeErrorView, "アップデート結果", "95-SomeError"},
        {SomeErrorPlusView, "アップデート結果", "96-SomeErrorPlus"},
        {AllErrorView, "アップデート結果", "97-AllError"},
    };
    for (const auto& result : results) {
        QVERIFY(delegate.changeToNewView(result.view, result.title));
        QVERIFY(saveScreenshot(wizard.window, result.file));
    }
    delegate.errorScene(UpdateResult::updateResultWithStatusCode(
        SearchStatus::SearchErrorLocalFontsFolder, wizard.info().messageInfo.get()));
    QCOMPARE(wizard.viewNo(), ErrorView);
    QVERIFY(saveScreenshot(wizard.window, "98-Error"));

    // Qt's own dialog parts in Japanese too.
    QVERIFY(qt::installJapaneseTranslations());
    wizard.window.actionExecuteFupdef();
    QDialog* panel = wizard.window.openPanel();
    QVERIFY(panel && panel->isVisible());
    const QStringList buttons = [&] {
        QStringList texts;
        for (auto* button : panel->findChildren<QPushButton*>())
            texts << button->text();
        return texts;
    }();
    QVERIFY2(buttons.contains("キャンセル"), qPrintable(buttons.join(",")));
    QVERIFY(saveScreenshot(*panel, "panel-Open"));
}

QTEST_MAIN(ScreenshotGuiTest)
#include "ScreenshotGuiTest.moc"
