#include "shell/qt/UpdateNowViewController.h"

#include "shell/AppDelegate.h"
#include "shell/NextScreen.h"

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
    showOutcome(viewNoAfterUpdate(result.status), result);
}

} // namespace fu::qt
