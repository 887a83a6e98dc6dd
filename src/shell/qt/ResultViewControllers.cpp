#include "shell/qt/ResultViewControllers.h"

#include "shell/AppDelegate.h"
#include "shell/qt/QtText.h"

#include "ui_AllErrorViewController.h"
#include "ui_ErrorViewController.h"
#include "ui_NotFoundViewController.h"
#include "ui_SomeErrorPlusViewController.h"
#include "ui_SomeErrorViewController.h"
#include "ui_SuccessPlusViewController.h"
#include "ui_SuccessViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace fu::qt {
namespace {

constexpr auto kNotUpdated = "エラーのためアップデートは行われませんでした。";

void actionEnd() {
    afterCurrentEvent([](AppDelegate& delegate) {
        if (AppInfo* info = AppDelegate::appInfo()) (void)info->setupUpdateFontInfo();
        delegate.endScene();
    });
}

void actionRestart() {
    afterCurrentEvent([](AppDelegate& delegate) { (void)delegate.restartScene(); });
}

} // namespace

void ResultViewController::connectButtons() {
    if (auto* end = view_->findChild<QPushButton*>("endButton")) {
        QObject::connect(end, &QPushButton::clicked, view_, [] { actionEnd(); });
    }
    if (auto* restart = view_->findChild<QPushButton*>("restartButton")) {
        QObject::connect(restart, &QPushButton::clicked, view_, [] { actionRestart(); });
    }
}

SuccessViewController::SuccessViewController() {
    Ui::SuccessViewController form;
    form.setupUi(view_);
    connectButtons();
}

SuccessPlusViewController::SuccessPlusViewController() {
    Ui::SuccessPlusViewController form;
    form.setupUi(view_);
    connectButtons();
}

NotFoundViewController::NotFoundViewController() {
    Ui::NotFoundViewController form;
    form.setupUi(view_);
    connectButtons();
}

void ResultTableViewController::setupTable(QTableView* table) {
    tableView = table;
    new FontTableModel(tableView, this,
                       {{"result", "結果", 56}, {"filename", "ファイル名", 180}, {"fileplace", "場所", 96},
                        {"comment", "備考", 0}});
    connectButtons();
}

int ResultTableViewController::numberOfRowsInTableView(const QTableView* table) const {
    const AppInfo* info = AppDelegate::appInfo();
    if (table != tableView || !info || !info->updateFontInfo) return 0;
    return int(std::min<int64_t>(info->updateFontInfo->countOfUpdateFontItemAll(), INT32_MAX));
}

FontTableCell ResultTableViewController::tableViewObjectValueForTableColumnRow(const QTableView* table,
                                                                              const QString& identifier,
                                                                              int row) const {
    const AppInfo* info = AppDelegate::appInfo();
    const UpdateFontItem* item =
        table == tableView && info && info->updateFontInfo ? info->updateFontInfo->updateFontItemAtIndex(row) : nullptr;
    if (!item) return {QString()};
    const bool done = item->updateResult == 0;
    if (identifier == "result") {
        return done ? FontTableCell{QString("完了"), QColor(Qt::black)} : FontTableCell{QString("未完"), QColor(Qt::red)};
    }
    if (identifier == "filename") return {fileNameText(*item)};
    if (identifier == "fileplace") return {filePlaceText(*item)};
    if (identifier == "comment") {
        if (done) return {QString()};
        const int16_t code = AppDelegate::updateItemStatusFromUpdateFontItemResult(item->updateResult);
        const std::optional<std::string> message =
            info->messageInfo ? info->messageInfo->messageOfStatusCode(code) : std::nullopt;
        return {message ? toQString(*message) : QString(kNotUpdated)};
    }
    return {QString()};
}

SomeErrorViewController::SomeErrorViewController() {
    Ui::SomeErrorViewController form;
    form.setupUi(view_);
    setupTable(form.tableView);
}

SomeErrorPlusViewController::SomeErrorPlusViewController() {
    Ui::SomeErrorPlusViewController form;
    form.setupUi(view_);
    setupTable(form.tableView);
}

AllErrorViewController::AllErrorViewController() {
    Ui::AllErrorViewController form;
    form.setupUi(view_);
    setupTable(form.tableView);
}

ErrorViewController::ErrorViewController() {
    Ui::ErrorViewController form;
    form.setupUi(view_);
    messageText = form.messageText;
    connectButtons();
}

void ErrorViewController::setUpdateResult(const UpdateResult& result) {
    if (messageText && result.text) messageText->setText(toQString(*result.text));
}

} // namespace fu::qt
