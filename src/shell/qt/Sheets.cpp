#include "shell/qt/Sheets.h"

#include "ui_AlertSheet.h"
#include "ui_AskSheet.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>

namespace fu::qt {
namespace {

// Puts the sheet on the parent window and shows it; it stays until its button ends it. A sheet
// belongs to its window: a dialog transient for it, modal to it alone, of the size its texts
// need and no other, without the buttons of a free window, over the top of the window's content.
void beginSheet(SheetWindow& sheet, QWidget* parent) {
    QWidget* host = parent ? parent->window() : nullptr;
    // Its close button is the sheet's own way out (Cancel, or the alert's button).
    sheet.setParent(host, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint);
    sheet.setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
    sheet.setWindowTitle(host ? host->windowTitle() : QString());
    if (QLayout* layout = sheet.layout()) layout->setSizeConstraint(QLayout::SetFixedSize);
    sheet.adjustSize();
    if (host) {
        const QRect frame = host->frameGeometry();
        const QRect client = host->geometry();
        sheet.move(frame.x() + (frame.width() - sheet.frameGeometry().width()) / 2, client.y() + 24);
    }
    sheet.show();
    sheet.raise();
    sheet.activateWindow();
}

} // namespace

AskSheetDelegate::AskSheetDelegate() : window_(new SheetWindow) {
    Ui::AskSheet form;
    form.setupUi(window_);
    messageText = form.messageText;
    okButton = form.okButton;
    cancelButton = form.cancelButton;
    QObject::connect(okButton, &QPushButton::clicked, window_, [this] { sheetOk(); });
    QObject::connect(cancelButton, &QPushButton::clicked, window_, [this] { sheetCancel(); });
    window_->onEscape = [this] { sheetCancel(); };
}

AskSheetDelegate::~AskSheetDelegate() {
    delegate = nullptr;
    delete window_.data();
}

void AskSheetDelegate::openSheetOnParentWindow(QWidget* parent, const std::optional<QString>& message,
                                               const std::optional<QString>& okTitle,
                                               const std::optional<QString>& cancelTitle) {
    if (!window_) return;
    if (message) messageText->setText(*message);
    if (okTitle) okButton->setText(*okTitle);
    if (cancelTitle) cancelButton->setText(*cancelTitle);
    beginSheet(*window_, parent);
}

void AskSheetDelegate::sheetOk() {
    sheetDidEnd(0);
    if (delegate) delegate->askSheetOk();
}

void AskSheetDelegate::sheetCancel() {
    sheetDidEnd(1);
    if (delegate) delegate->askSheetCancel();
}

void AskSheetDelegate::sheetDidEnd(int returnCode) {
    if (!window_) return;
    window_->setResult(returnCode);
    window_->hide();
}

AlertSheetDelegate::AlertSheetDelegate() : window_(new SheetWindow) {
    Ui::AlertSheet form;
    form.setupUi(window_);
    messageText = form.messageText;
    okButton = form.okButton;
    QObject::connect(okButton, &QPushButton::clicked, window_, [this] { sheetOk(); });
    window_->onEscape = [this] { sheetOk(); };
}

AlertSheetDelegate::~AlertSheetDelegate() {
    delegate = nullptr;
    delete window_.data();
}

void AlertSheetDelegate::openSheetOnParentWindow(QWidget* parent, const std::optional<QString>& message,
                                                 const std::optional<QString>& okTitle) {
    if (!window_) return;
    if (message) messageText->setText(*message);
    if (okTitle) okButton->setText(*okTitle);
    beginSheet(*window_, parent);
}

void AlertSheetDelegate::sheetOk() {
    sheetDidEnd(0);
    if (delegate) delegate->alertSheetOk();
}

void AlertSheetDelegate::sheetDidEnd(int returnCode) {
    if (!window_) return;
    window_->setResult(returnCode);
    window_->hide();
}

void AskDiscardSheetDelegate::openSheetOnParentWindow(QWidget* parent, const QString& type) {
    (void)parent;
    (void)type;
}

} // namespace fu::qt
