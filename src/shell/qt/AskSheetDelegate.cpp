#include "shell/qt/AskSheetDelegate.h"

#include "ui_AskSheet.h"

#include <QLabel>
#include <QPushButton>

namespace fu::qt {

AskSheetDelegate::AskSheetDelegate() {
    const auto form = loadForm<Ui::AskSheet>();
    messageText = form.messageText;
    okButton = form.okButton;
    cancelButton = form.cancelButton;
    QObject::connect(okButton, &QPushButton::clicked, window_, [this] { sheetOk(); });
    QObject::connect(cancelButton, &QPushButton::clicked, window_, [this] { sheetCancel(); });
    window_->onEscape = [this] { sheetCancel(); };
}

AskSheetDelegate::~AskSheetDelegate() { delegate = nullptr; }

void AskSheetDelegate::openSheetOnParentWindow(QWidget* parent,
                                               const std::optional<QString>& message,
                                               const std::optional<QString>& okTitle,
                                               const std::optional<QString>& cancelTitle) {
    if (!window_) return;
    if (message) messageText->setText(*message);
    if (okTitle) okButton->setText(*okTitle);
    if (cancelTitle) cancelButton->setText(*cancelTitle);
    window_->beginSheet(parent);
}

void AskSheetDelegate::sheetOk() {
    sheetDidEnd(0);
    if (delegate) delegate->askSheetOk();
}

void AskSheetDelegate::sheetCancel() {
    sheetDidEnd(1);
    if (delegate) delegate->askSheetCancel();
}

} // namespace fu::qt
