#include "shell/qt/ErrorViewController.h"

#include "shell/qt/QtText.h"

#include "ui_ErrorViewController.h"

#include <QLabel>

namespace fu::qt {

ErrorViewController::ErrorViewController() {
    messageText = setupForm<Ui::ErrorViewController>().messageText;
}

void ErrorViewController::setUpdateResult(const UpdateResult& result) {
    if (messageText && result.text) messageText->setText(toQString(*result.text));
}

} // namespace fu::qt
