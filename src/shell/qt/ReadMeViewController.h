// The wizard's first screen: the definition's read-me, whether its signer is trusted, and the
// start-up message (quit other applications, an unsupported system, a definition that failed).
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/AlertSheetCallbacks.h"
#include "shell/qt/AlertSheetDelegate.h"
#include "shell/qt/QtViewController.h"

#include <QString>

#include <memory>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace fu::qt {

class ReadMeViewController final : public QtViewController, public AlertSheetCallbacks {
public:
    ReadMeViewController();
    [[nodiscard]] int64_t viewNo() const override { return ReadMeView; }

    bool setupViewItems();
    void startupMassegaeWithWindow(AppWindow& window) override;
    void alertNoSupportSystem(AppWindow& window);
    void alertPleaseQuitAllApplication(AppWindow& window);
    void alertFontUpdateDefaineFail(AppWindow& window);
    void alertSheetOk() override {}

    QTextBrowser* textView = nullptr;
    QLabel* commentText = nullptr;
    QLabel* signatureWarning = nullptr; // shown for a definition without a trusted signer
    QPushButton* nextButton = nullptr;
    std::unique_ptr<AlertSheetDelegate> alertSheetDelegate;

private:
    void showAlert(AppWindow& window, const QString& message);
};

} // namespace fu::qt
