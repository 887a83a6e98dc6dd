#include "shell/qt/UpdateNowViewController.h"

#include "shell/AppDelegate.h"
#include "shell/NextScreen.h"
#include "shell/ViewNumbers.h"

#include "ui_UpdateNowViewController.h"

#include <QLabel>
#include <QProgressBar>

namespace fu::qt {

UpdateNowViewController::UpdateNowViewController() { setupForm<Ui::UpdateNowViewController>(); }

std::optional<int64_t> UpdateNowViewController::progressMaximum() const {
    const AppInfo* info = AppDelegate::appInfo();
    if (!info || !info->updateFontInfo) return std::nullopt;
    return info->updateFontInfo->countOfUpdateFontItemRequestUpdate();
}

void UpdateNowViewController::processComplete(const UpdateResult& result) {
    // The run reports only its own statuses; anything else is a failure all the same.
    const auto* status = std::get_if<UpdateStatus>(&result.status);
    showOutcome(status ? viewNoAfterUpdate(*status) : ErrorView, result);
}

} // namespace fu::qt
