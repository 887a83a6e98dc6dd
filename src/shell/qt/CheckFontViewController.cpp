#include "shell/qt/CheckFontViewController.h"

#include "engine/FontUpdate.h"
#include "shell/AppDelegate.h"
#include "shell/qt/QtText.h"

#include "ui_CheckFontViewController.h"

#include <QLineEdit>
#include <QPushButton>

namespace fu::qt {

CheckFontViewController::CheckFontViewController() {
    Ui::CheckFontViewController form;
    form.setupUi(view_);
    localPath = form.localPath;
    usersPath = form.usersPath;
    connectButton(form.nextButton, &AppDelegate::nextScene);
    connectButton(form.beforeButton, &AppDelegate::beforeScene);
    if (AppInfo* info = AppDelegate::appInfo()) (void)info->setupUpdateFontInfo();
    setupViewItems();
}

void CheckFontViewController::setupViewItems() {
    if (const auto local = FontUpdate::localFontsFolderPath())
        localPath->setText(toQString(*local));
    if (const auto users = FontUpdate::usersFontsFolderPath())
        usersPath->setText(toQString(*users));
}

} // namespace fu::qt
