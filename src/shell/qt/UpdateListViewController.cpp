#include "shell/qt/UpdateListViewController.h"

#include "engine/FontUpdate.h"
#include "engine/RunDisclosure.h"
#include "engine/VolumeInfo.h"
#include "shell/AppDelegate.h"
#include "shell/qt/QtText.h"

#include "ui_UpdateListViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>

#include <algorithm>

namespace fu::qt {
namespace {

constexpr auto kMessageUpdate =
    "チェックマークの付いているフォントをアップデートします。"
    "アップデートボタンを選択してください。"
    "アップデート完了後にフォントキャッシュの再構築を行います。"
    "アップデート前の古いフォントは「古いフォント項目」としてゴミ箱に移動します。";
constexpr auto kMessageUpdateAdmin =
    "チェックされた項目の'場所'にコンピュータ'が含まれる場合はアップデート実行時に一度だけ管理者パ"
    "スワードの入力が必要です。";
constexpr auto kMessageNoneChecked =
    "チェックマークの付いた項目がありません。"
    "アップデートを行う項目のチェックボックスを選択してチェックマークをつけてください。";
constexpr auto kMessageSizeUnknown = "ファイルサイズが取得できませんでした。";

} // namespace

UpdateListViewController::UpdateListViewController() {
    Ui::UpdateListViewController form;
    form.setupUi(view_);
    nextButton = form.nextButton;
    infoView = form.infoView;
    messageView = form.messageView;
    messageText = form.messageText;
    diskInfoView = form.diskInfoView;
    reqFileSizeText = form.reqFileSizeText;
    diskFreeSizeText = form.diskFreeSizeText;
    model_ = showFoundFonts(form.tableView, {{"check", "", 32},
                                             {"fontname", "フォント名", 190},
                                             {"fileplace", "場所", 100},
                                             {"filename", "ファイル名", 200},
                                             {"filesize", "サイズ", 0}});
    QObject::connect(nextButton, &QPushButton::clicked, view_, [this] { actionNext(); });
    connectButton(form.beforeButton, &AppDelegate::beforeScene);
    updateInfoView();
}

FontTableCell UpdateListViewController::tableViewObjectValueForTableColumnRow(
    const QTableView* table, const QString& identifier, int row) const {
    const UpdateFontItem* item = foundFontOfRow(table, row);
    if (!item || item->target.resName.empty() || item->srcPath.empty()) return {QString()};
    if (identifier == "check") return {item->reqUpdate ? 1 : 0};
    if (identifier == "fontname") return {toQString(item->target.resName)};
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
    const bool any = info && info->updateFontInfo &&
                     info->updateFontInfo->countOfUpdateFontItemRequestUpdate() > 0;
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
        reqFileSizeText->setText(
            toQString(FontUpdate::sizeStringOfByteSize(space.needBytes, true)));
        diskFreeSizeText->setText(
            toQString(FontUpdate::sizeStringOfByteSize(space.freeBytes, true)));
        changeInfoViewToViewNo(1);
        return;
    }
    if (info->updateFontInfo->countOfUpdateFontItemRequestUpdate() > 0) {
        nextButton->setEnabled(true);
        QString message = kMessageUpdate;
        if (info->updateFontInfo->countOfLocalDomainItemRequestUpdate() != 0)
            message += kMessageUpdateAdmin;
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
    askSheetDelegate->openSheetOnParentWindow(view_->window(),
                                              toQString(updateConfirmationText(*info)),
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
