#include "shell/qt/ProgressViewController.h"

#include "shell/AppDelegate.h"
#include "shell/NextScreen.h"
#include "shell/qt/QtText.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>

namespace fu::qt {

ProgressViewController::~ProgressViewController() {
    AppInfo* info = AppDelegate::appInfo();
    if (info && info->updateManager && info->updateManager->delegate == this) {
        info->updateManager->delegate = nullptr;
    }
}

void ProgressViewController::scheduleStart() {
    // Tied to the view: a screen replaced within the second never starts its operation.
    QTimer::singleShot(1000, view_, [this] { startProcess(); });
}

void ProgressViewController::startProcess() {
    AppInfo* info = AppDelegate::appInfo();
    if (!info || !info->setupUpdateManager()) return;
    startIndicator();
    UpdateManager& manager = *info->updateManager;
    manager.delegate = this;
    runOperation(manager);
    // The outcome's scene move waits for this call to return, so the screen is still here.
    if (info->updateManager.get() == &manager) manager.delegate = nullptr;
}

void ProgressViewController::startIndicator() {
    const std::optional<int64_t> maximum = progressMaximum();
    if (!indicator || !maximum) return;
    indicator->setRange(0, int(std::clamp<int64_t>(*maximum, 0, INT32_MAX)));
    indicator->setValue(0);
}

void ProgressViewController::showOutcome(int64_t next, const UpdateResult& result) {
    afterCurrentEvent(
        [next, result](AppDelegate& delegate) { outcomeScene(delegate, next, result); });
}

void ProgressViewController::processProgress(const UpdateResult& result) {
    if (result.text) {
        text->setText(toQString(*result.text));
        text->repaint();
    }
    indicator->setValue(int(std::clamp<int64_t>(result.count, 0, indicator->maximum())));
    indicator->repaint();
}

} // namespace fu::qt
