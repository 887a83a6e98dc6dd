// The wizard as the application puts it together, inside a sandboxed home: the real window,
// the real controllers and the application delegate, driven the way a user would drive them.
#pragma once

#include "shell/AppDelegate.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/QtViewController.h"
#include "shell/qt/SheetWindow.h"
#include "support/EngineFixture.h"
#include "support/Sandbox.h"

#include <QSignalSpy>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QPushButton;

namespace fu::test {

class WizardHarness {
public:
    // `scripts` replaces the sample definition's script lines (default: both cache rebuilds only
    // touch marker files in the sandbox).
    explicit WizardHarness(const std::string& scripts = "");
    ~WizardHarness();

    // The start-up of the application: the built-in definition, or the file handed over; true
    // once the read-me is on screen.
    [[nodiscard]] bool launch(const std::optional<std::string>& launchFile = std::nullopt);

    // A definition file in the sandbox that the wizard opens: the engine sample's fonts and
    // targets, sealed with the build's key and signed by the build's trusted key unless asked
    // otherwise.
    std::string writeSampleDefinition(const std::string& name = "Sample.fupdef",
                                      SampleTrust trust = SampleTrust::SignedByThisBuild);
    // The helper is started through a launcher that leaves the marker "elevation-asked" first:
    // a password would have been asked for.
    void recordElevation();

    [[nodiscard]] AppInfo& info() const;
    [[nodiscard]] int64_t viewNo() const;
    template <class Controller> [[nodiscard]] Controller* screen() const {
        return dynamic_cast<Controller*>(info().curViewController.get());
    }
    // Waits (events running) until the view is on screen; false on timeout.
    [[nodiscard]] bool waitForView(int64_t viewNo, int timeoutMs = 20000) const;
    // The button of the screen on view, by its name in the interface description.
    [[nodiscard]] QPushButton* button(const char* name) const;
    void click(const char* name) const;

    // The sheet on the window, or null when none is up.
    [[nodiscard]] qt::SheetWindow* visibleSheet() const;
    [[nodiscard]] QString sheetMessage() const;
    void clickSheetButton(const char* name) const;

    [[nodiscard]] std::string marker(const std::string& name) const { return sandbox.path(name); }
    [[nodiscard]] std::string userFonts() const;
    [[nodiscard]] std::string computerFonts() const;

    Sandbox sandbox;
    EngineSample sample;
    qt::MainWindow window;
    std::unique_ptr<AppDelegate> delegate;
    QSignalSpy terminated;
};

// Writes the widget's picture to the screenshot folder as NAME.png; false when it could not.
bool saveScreenshot(QWidget& widget, const QString& name);

} // namespace fu::test
