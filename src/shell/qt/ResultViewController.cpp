#include "shell/qt/ResultViewController.h"

#include "shell/AppDelegate.h"

#include <QPushButton>

namespace fu::qt {

void ResultViewController::connectButtons() {
    if (auto* end = view_->findChild<QPushButton*>("endButton")) {
        connectButton(end, [](AppDelegate& delegate) {
            if (AppInfo* info = AppDelegate::appInfo()) (void)info->setupUpdateFontInfo();
            delegate.endScene();
        });
    }
    if (auto* restart = view_->findChild<QPushButton*>("restartButton")) {
        connectButton(restart, [](AppDelegate& delegate) { (void)delegate.restartScene(); });
    }
}

} // namespace fu::qt
