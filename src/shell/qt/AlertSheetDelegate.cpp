#include "shell/qt/AlertSheetDelegate.h"

#include "ui_AlertSheet.h"

#include <QLabel>
#include <QPushButton>

namespace fu::qt {

AlertSheetDelegate::AlertSheetDelegate() {
    const auto form = loadForm<Ui::AlertSheet>();
    messageText = form.messageText;
    okButton = form.okButton;
    QObject::connect(okButton, &QPushButton::clicked, window_, [this] { sheetOk(); });
    window_->onEscape = [this] { sheetOk(); };
}

AlertSheetDelegate::~AlertSheetDelegate() { delegate = nullptr; }

void AlertSheetDelegate::openSheetOnParentWindow(QWidget* parent,
                                                 const std::optional<QString>& message,
                                                 const std::optional<QString>& okTitle) {
    if (!window_) return;
    if (message) messageText->setText(*message);
    if (okTitle) okButton->setText(*okTitle);
    window_->beginSheet(parent);
}

void AlertSheetDelegate::sheetOk() {
    sheetDidEnd(0);
    if (delegate) delegate->alertSheetOk();
}

} // namespace fu::qt
