#include "shell/qt/CheckNowViewController.h"

#include "shell/AppDelegate.h"
#include "shell/NextScreen.h"

#include "ui_CheckNowViewController.h"

#include <QLabel>
#include <QProgressBar>

namespace fu::qt {

CheckNowViewController::CheckNowViewController() { setupForm<Ui::CheckNowViewController>(); }

std::optional<int64_t> CheckNowViewController::progressMaximum() const {
    const AppInfo* info = AppDelegate::appInfo();
    if (!info || !info->updateManager) return std::nullopt;
    return info->updateManager->progressMaxOfFindUpdateNecessaryFont();
}

void CheckNowViewController::processComplete(const UpdateResult& result) {
    const AppInfo* info = AppDelegate::appInfo();
    const int64_t found =
        info && info->updateFontInfo ? info->updateFontInfo->countOfUpdateFontItemAll() : 0;
    showOutcome(viewNoAfterSearch(result.status, found), result);
}

} // namespace fu::qt
