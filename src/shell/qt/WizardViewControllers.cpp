#include "shell/qt/WizardViewControllers.h"

#include "engine/FontUpdate.h"
#include "engine/VolumeInfo.h"
#include "shell/AppDelegate.h"
#include "shell/NextScreen.h"
#include "shell/RunDisclosure.h"
#include "shell/qt/QtText.h"

#include "ui_CheckFontViewController.h"
#include "ui_CheckNowViewController.h"
#include "ui_ReadMeViewController.h"
#include "ui_UpdateListViewController.h"
#include "ui_UpdateNowViewController.h"

#include <QTimer>

#include <algorithm>

namespace fu::qt {
namespace {

constexpr auto kCommentNext = "作業を進めるには次へボタンを選択してください。";
constexpr auto kCommentNoSupport = "非対応のシステムです。終了ボタンを選択してアップデータを終了してください。";
constexpr auto kCommentFupdefFail = "アップデート定義情報を処理できません。アップデータを終了してください。";
constexpr auto kAlertQuitApplications =
    "このアップデータではフォントのアップデート完了後にコンピュータの再起動を求められます。現在、他のアプリケー"
    "ションを起動している場合はそれらのアプリケーションを終了してからこの先の作業を行ってください。";
constexpr auto kAlertFupdefFail =
    "フォントアップデート定義情報を正常に処理できませんでした。閉じるボタンを選択してこのメッセージを閉じ、その後"
    "終了ボタンを選択してアップデータを終了してください。";
constexpr auto kAlertClose = "閉じる";

constexpr auto kMessageUpdate =
    "チェックマークの付いているフォントをアップデートします。アップデートボタンを選択してください。アップデート完"
    "了後にフォントキャッシュの再構築を行います。アップデート前の古いフォントは「古いフォント項目」としてゴミ箱に"
    "移動します。";
constexpr auto kMessageUpdateAdmin =
    "チェックされた項目の'場所'にコンピュータ'が含まれる場合はアップデート実行時に一度だけ管理者パスワードの入力"
    "が必要です。";
constexpr auto kMessageNoneChecked =
    "チェックマークの付いた項目がありません。アップデートを行う項目のチェックボックスを選択してチェックマークをつ"
    "けてください。";
constexpr auto kMessageSizeUnknown = "ファイルサイズが取得できませんでした。";

// The Mac text names its own system; this one names the kernel this build needs.
QString noSupportSystemMessage(const std::string& required) {
    return QString("このアップデータを利用するには Linux カーネル バージョン %1 以降が必要です。お客様がご使用の"
                   "システムバージョンではこのアップデータを利用できません。")
        .arg(toQString(required));
}

QWidget* windowWidget(AppWindow& window) {
    return dynamic_cast<QWidget*>(&window);
}

} // namespace

// ---- Read-me (1) ----

ReadMeViewController::ReadMeViewController() {
    Ui::ReadMeViewController form;
    form.setupUi(view_);
    textView = form.textView;
    commentText = form.commentText;
    signatureWarning = form.signatureWarning;
    nextButton = form.nextButton;
    QObject::connect(form.nextButton, &QPushButton::clicked, view_,
                     [] { afterCurrentEvent([](AppDelegate& delegate) { delegate.nextScene(); }); });
    QObject::connect(form.quitButton, &QPushButton::clicked, view_,
                     [] { afterCurrentEvent([](AppDelegate& delegate) { delegate.endScene(); }); });
    (void)setupViewItems();
}

bool ReadMeViewController::setupViewItems() {
    AppInfo* info = AppDelegate::appInfo();
    if (signatureWarning) {
        const auto warning =
            info && !info->fupdefFail ? untrustedDefinitionWarning(info->definitionSignature) : std::nullopt;
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
    const bool skipCheck = (info->testOption && info->testOption->noSysVerCheck) || info->noSupportSystem;
    if (!skipCheck) {
        info->noSupportSystem = !info->reqSysVersStr.empty() &&
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
    alertSheetDelegate->openSheetOnParentWindow(windowWidget(window), message, QString(kAlertClose));
}

void ReadMeViewController::alertNoSupportSystem(AppWindow& window) {
    const AppInfo* info = AppDelegate::appInfo();
    showAlert(window, noSupportSystemMessage(info ? info->reqSysVersStr : std::string()));
}

void ReadMeViewController::alertPleaseQuitAllApplication(AppWindow& window) {
    showAlert(window, kAlertQuitApplications);
}

void ReadMeViewController::alertFontUpdateDefaineFail(AppWindow& window) {
    showAlert(window, kAlertFupdefFail);
}

// ---- Folders (2) ----

CheckFontViewController::CheckFontViewController() {
    Ui::CheckFontViewController form;
    form.setupUi(view_);
    localPath = form.localPath;
    usersPath = form.usersPath;
    QObject::connect(form.nextButton, &QPushButton::clicked, view_,
                     [] { afterCurrentEvent([](AppDelegate& delegate) { delegate.nextScene(); }); });
    QObject::connect(form.beforeButton, &QPushButton::clicked, view_,
                     [] { afterCurrentEvent([](AppDelegate& delegate) { delegate.beforeScene(); }); });
    if (AppInfo* info = AppDelegate::appInfo()) (void)info->setupUpdateFontInfo();
    setupViewItems();
}

void CheckFontViewController::setupViewItems() {
    if (const auto local = FontUpdate::localFontsFolderPath()) localPath->setText(toQString(*local));
    if (const auto users = FontUpdate::usersFontsFolderPath()) usersPath->setText(toQString(*users));
}

// ---- Progress (3, 5) ----

ProgressViewController::~ProgressViewController() {
    AppInfo* info = AppDelegate::appInfo();
    if (info && info->updateManager && info->updateManager->delegate == this) {
        info->updateManager->delegate = nullptr;
    }
}

void ProgressViewController::scheduleStart() {
    // Tied to the view: a screen replaced within the second never starts its operation.
    QTimer::singleShot(1000, view_, [this] { startProcess(); });
}

void ProgressViewController::startProcess() {
    AppInfo* info = AppDelegate::appInfo();
    if (!info || !info->setupUpdateManager()) return;
    startIndicator();
    UpdateManager& manager = *info->updateManager;
    manager.delegate = this;
    runOperation(manager);
    // The outcome's scene move waits for this call to return, so the screen is still here.
    if (info->updateManager.get() == &manager) manager.delegate = nullptr;
}

void ProgressViewController::showOutcome(int64_t next, const UpdateResult& result) {
    afterCurrentEvent(
        [next, result](AppDelegate& delegate) { outcomeScene(delegate, next, result); });
}

void ProgressViewController::processProgress(const UpdateResult& result) {
    if (result.text) {
        text->setText(toQString(*result.text));
        text->repaint();
    }
    indicator->setValue(int(std::clamp<int64_t>(result.count, 0, indicator->maximum())));
    indicator->repaint();
}

CheckNowViewController::CheckNowViewController() {
    Ui::CheckNowViewController form;
    form.setupUi(view_);
    indicator = form.indicator;
    text = form.text;
    scheduleStart();
}

void CheckNowViewController::startIndicator() {
    const AppInfo* info = AppDelegate::appInfo();
    if (!indicator || !info || !info->updateManager) return;
    const int64_t maximum = info->updateManager->progressMaxOfFindUpdateNecessaryFont();
    indicator->setRange(0, int(std::clamp<int64_t>(maximum, 0, INT32_MAX)));
    indicator->setValue(0);
}

void CheckNowViewController::processComplete(const UpdateResult& result) {
    const AppInfo* info = AppDelegate::appInfo();
    const int64_t found =
        info && info->updateFontInfo ? info->updateFontInfo->countOfUpdateFontItemAll() : 0;
    showOutcome(viewNoAfterSearch(result.status, found), result);
}

UpdateNowViewController::UpdateNowViewController() {
    Ui::UpdateNowViewController form;
    form.setupUi(view_);
    indicator = form.indicator;
    text = form.text;
    scheduleStart();
}

void UpdateNowViewController::startIndicator() {
    const AppInfo* info = AppDelegate::appInfo();
    if (!indicator || !info || !info->updateFontInfo) return;
    const int64_t maximum = info->updateFontInfo->countOfUpdateFontItemRequestUpdate();
    indicator->setRange(0, int(std::clamp<int64_t>(maximum, 0, INT32_MAX)));
    indicator->setValue(0);
}

void UpdateNowViewController::processComplete(const UpdateResult& result) {
    showOutcome(viewNoAfterUpdate(result.status), result);
}

// ---- Update list (4) ----

UpdateListViewController::UpdateListViewController() {
    Ui::UpdateListViewController form;
    form.setupUi(view_);
    tableView = form.tableView;
    nextButton = form.nextButton;
    infoView = form.infoView;
    messageView = form.messageView;
    messageText = form.messageText;
    diskInfoView = form.diskInfoView;
    reqFileSizeText = form.reqFileSizeText;
    diskFreeSizeText = form.diskFreeSizeText;
    model_ = new FontTableModel(tableView, this,
                                {{"check", "", 32},
                                 {"fontname", "フォント名", 190},
                                 {"fileplace", "場所", 100},
                                 {"filename", "ファイル名", 200},
                                 {"filesize", "サイズ", 0}});
    QObject::connect(nextButton, &QPushButton::clicked, view_, [this] { actionNext(); });
    QObject::connect(form.beforeButton, &QPushButton::clicked, view_,
                     [] { afterCurrentEvent([](AppDelegate& delegate) { delegate.beforeScene(); }); });
    updateInfoView();
}

int UpdateListViewController::numberOfRowsInTableView(const QTableView* table) const {
    const AppInfo* info = AppDelegate::appInfo();
    if (table != tableView || !info || !info->updateFontInfo) return 0;
    return int(std::min<int64_t>(info->updateFontInfo->countOfUpdateFontItemAll(), INT32_MAX));
}

FontTableCell UpdateListViewController::tableViewObjectValueForTableColumnRow(const QTableView* table,
                                                                              const QString& identifier,
                                                                              int row) const {
    const AppInfo* info = AppDelegate::appInfo();
    const UpdateFontItem* item =
        table == tableView && info && info->updateFontInfo ? info->updateFontInfo->updateFontItemAtIndex(row) : nullptr;
    if (!item || item->resName.empty() || item->srcPath.empty()) return {QString()};
    if (identifier == "check") return {item->reqUpdate ? 1 : 0};
    if (identifier == "fontname") return {toQString(item->resName)};
    if (identifier == "fileplace") return {filePlaceText(*item)};
    if (identifier == "filename") return {fileNameText(*item)};
    if (identifier == "filesize") {
        // A shrinking font never reads below nothing.
        const int64_t bytes = std::max<int64_t>(0, item->oldFileSize + item->upSizeOfFile);
        const std::string size = FontUpdate::sizeStringOfByteSize(uint64_t(bytes), false);
        if (item->oldFileSize == 0 || size.empty()) return {QString(kMessageSizeUnknown)};
        return {toQString(size)};
    }
    return {QString()};
}

void UpdateListViewController::actionCheckBox(int row) {
    const AppInfo* info = AppDelegate::appInfo();
    if (row < 0 || !info || !info->updateFontInfo) return;
    UpdateFontItem* item = info->updateFontInfo->updateFontItemAtIndex(row);
    if (!item) return;
    item->reqUpdate = !item->reqUpdate;
    updateView();
}

void UpdateListViewController::updateView() {
    const AppInfo* info = AppDelegate::appInfo();
    const bool any = info && info->updateFontInfo && info->updateFontInfo->countOfUpdateFontItemRequestUpdate() > 0;
    nextButton->setEnabled(any);
    model_->reloadData();
    updateInfoView();
}

void UpdateListViewController::updateInfoView() {
    const AppInfo* info = AppDelegate::appInfo();
    if (!info || !info->updateFontInfo) return;
    VolumeInfo volumes;
    const VolumeItem* system = volumes.systemVolumeItem();
    if (!system || !system->freeSize || !system->sysVolume || !system->writable) return;
    const UpdateManager::SpaceCheck space =
        UpdateManager::checkFreeSpace(*info->updateFontInfo, info->testOption.get(), volumes);
    if (!space.enough) {
        nextButton->setEnabled(false);
        reqFileSizeText->setText(toQString(FontUpdate::sizeStringOfByteSize(space.needBytes, true)));
        diskFreeSizeText->setText(toQString(FontUpdate::sizeStringOfByteSize(space.freeBytes, true)));
        changeInfoViewToViewNo(1);
        return;
    }
    if (info->updateFontInfo->countOfUpdateFontItemRequestUpdate() > 0) {
        nextButton->setEnabled(true);
        QString message = kMessageUpdate;
        if (info->updateFontInfo->countOfLocalDomainItemRequestUpdate() != 0) message += kMessageUpdateAdmin;
        messageText->setText(message);
    } else {
        nextButton->setEnabled(false);
        messageText->setText(kMessageNoneChecked);
    }
    changeInfoViewToViewNo(0);
}

void UpdateListViewController::changeInfoViewToViewNo(int number) {
    if (number != 0 && number != 1) return;
    infoView->setCurrentWidget(number == 0 ? messageView : diskInfoView);
    infoView->update();
}

// The question comes first and names everything the run will execute; the helper, and with it
// the password dialog, only follows a yes, and lives no longer than the run.
void UpdateListViewController::actionNext() {
    AppInfo* info = AppDelegate::appInfo();
    if (!AppDelegate::appDelegate() || !info || !info->updateManager) return;
    if (!askSheetDelegate) askSheetDelegate = std::make_unique<AskSheetDelegate>();
    if (!askSheetDelegate->window()) return;
    askSheetDelegate->delegate = this;
    askSheetDelegate->openSheetOnParentWindow(view_->window(), toQString(updateConfirmationText(*info)),
                                              QString("今すぐ実行"), QString("キャンセル"));
}

void UpdateListViewController::askSheetOk() {
    afterCurrentEvent([](AppDelegate& delegate) {
        AppInfo* info = AppDelegate::appInfo();
        if (!info || !info->updateManager) return;
        UpdateManager& manager = *info->updateManager;
        if (manager.startAuthorization() != 0) {
            manager.stopAuthorization();
            return;
        }
        delegate.nextScene();
    });
}

void UpdateListViewController::askSheetCancel() {}

} // namespace fu::qt
