#include "shell/qt/CheckNowViewController.h"

#include "shell/AppDelegate.h"
#include "shell/NextScreen.h"
#include "shell/ViewNumbers.h"

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
    // The search reports only its own statuses; anything else is a failure all the same.
    const auto* status = std::get_if<SearchStatus>(&result.status);
    showOutcome(status ? viewNoAfterSearch(*status, found) : ErrorView, result);
}

} // namespace fu::qt
