#include "shell/qt/ReadMeViewController.h"

#include "engine/FontUpdate.h"
#include "engine/RunDisclosure.h"
#include "shell/AppDelegate.h"
#include "shell/qt/QtText.h"

#include "ui_ReadMeViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

namespace fu::qt {
namespace {

constexpr auto kCommentNext = "作業を進めるには次へボタンを選択してください。";
constexpr auto kCommentNoSupport =
    "非対応のシステムです。終了ボタンを選択してアップデータを終了してください。";
constexpr auto kCommentFupdefFail =
    "アップデート定義情報を処理できません。アップデータを終了してください。";
constexpr auto kAlertQuitApplications =
    "このアップデータではフォントのアップデート完了後にコンピュータの再起動を求められます。現在、"
    "他のアプリケーションを起動している場合はそれらのアプリケーションを終了してからこの先の作業を"
    "行ってください。";
constexpr auto kAlertFupdefFail = "フォントアップデート定義情報を正常に処理できませんでした。"
                                  "閉じるボタンを選択してこのメッセージを閉じ、"
                                  "その後終了ボタンを選択してアップデータを終了してください。";
constexpr auto kAlertClose = "閉じる";

// The Mac text names its own system; this one names the kernel this build needs.
QString noSupportSystemMessage(const std::string& required) {
    return QString("このアップデータを利用するには Linux カーネル バージョン %1 以降が必要です。"
                   "お客様がご使用のシステムバージョンではこのアップデータを利用できません。")
        .arg(toQString(required));
}

QWidget* windowWidget(AppWindow& window) { return dynamic_cast<QWidget*>(&window); }

} // namespace

ReadMeViewController::ReadMeViewController() {
    Ui::ReadMeViewController form;
    form.setupUi(view_);
    textView = form.textView;
    commentText = form.commentText;
    signatureWarning = form.signatureWarning;
    nextButton = form.nextButton;
    connectButton(form.nextButton, &AppDelegate::nextScene);
    connectButton(form.quitButton, &AppDelegate::endScene);
    (void)setupViewItems();
}

bool ReadMeViewController::setupViewItems() {
    AppInfo* info = AppDelegate::appInfo();
    if (signatureWarning) {
        const auto warning = info && !info->fupdefFail
                                 ? untrustedDefinitionWarning(info->definitionSignature)
                                 : std::nullopt;
        signatureWarning->setText(toQString(warning.value_or("")));
        signatureWarning->setVisible(warning.has_value());
    }
    if (!textView || !info || !info->readMeText) return false;
    setRichText(*textView->document(), *info->readMeText);
    return true;
}

void ReadMeViewController::startupMassegaeWithWindow(AppWindow& window) {
    AppInfo* info = AppDelegate::appInfo();
    if (!info) return;
    if (info->fupdefFail) {
        commentText->setText(kCommentFupdefFail);
        nextButton->setEnabled(false);
        alertFontUpdateDefaineFail(window);
        info->dispFirstAlert = true;
        return;
    }
    const bool skipCheck =
        (info->testOption && info->testOption->noSysVerCheck) || info->noSupportSystem;
    if (!skipCheck) {
        info->noSupportSystem =
            !info->reqSysVersStr.empty() &&
            !FontUpdate::checkSystemVersWithSupportVersString(info->reqSysVersStr);
    }
    if (info->dispFirstAlert) {
        // The short form after the first visit; an unsupported system still offers only Quit.
        commentText->setText(info->noSupportSystem ? kCommentNoSupport : kCommentNext);
        nextButton->setEnabled(!info->noSupportSystem);
        return;
    }
    if (info->noSupportSystem) {
        commentText->setText(kCommentNoSupport);
        nextButton->setEnabled(false);
        alertNoSupportSystem(window);
    } else {
        commentText->setText(kCommentNext);
        nextButton->setEnabled(true);
        alertPleaseQuitAllApplication(window);
    }
    info->dispFirstAlert = true;
}

void ReadMeViewController::showAlert(AppWindow& window, const QString& message) {
    if (!AppDelegate::appDelegate() || !AppDelegate::appInfo()) return;
    if (!alertSheetDelegate) alertSheetDelegate = std::make_unique<AlertSheetDelegate>();
    alertSheetDelegate->delegate = this;
    alertSheetDelegate->openSheetOnParentWindow(windowWidget(window), message,
                                                QString(kAlertClose));
}

void ReadMeViewController::alertNoSupportSystem(AppWindow& window) {
    const AppInfo* info = AppDelegate::appInfo();
    showAlert(window, noSupportSystemMessage(info ? info->reqSysVersStr : std::string()));
}

void ReadMeViewController::alertPleaseQuitAllApplication(AppWindow& window) {
    showAlert(window, kAlertQuitApplications);
}

void ReadMeViewController::alertFontUpdateDefaineFail(AppWindow& window) {
    // A definition beyond what a search can bear is whole and well-formed: only its reason tells
    // its author what to change.
    const AppInfo* info = AppDelegate::appInfo();
    if (info && (info->fupdefPayloadFailure == PayloadFailure::TooManyTargets ||
                 info->fupdefPayloadFailure == PayloadFailure::TooManySets)) {
        showAlert(window, QString::fromUtf8(kAlertFupdefFail) + "\n\n" +
                              toQString(describePayloadFailure(info->fupdefPayloadFailure)));
        return;
    }
    showAlert(window, kAlertFupdefFail);
}

} // namespace fu::qt
