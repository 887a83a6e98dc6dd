#include "WizardHarness.h"

#include "BuiltinResources.h"
#include "definition/DefinitionKey.h"
#include "engine/FontUpdate.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/Application.h"
#include "support/DefinitionBuilder.h"

#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <cstdlib>

namespace fu::test {

WizardHarness::WizardHarness(const std::string& scripts)
    : sample(makeEngineSample(
          sandbox, scripts.empty() ? "UserChacheRemove\t/usr/bin/touch " + marker("user-cache") +
                                         "\nOSAATSChacheRemoveAuth\t/usr/bin/touch " +
                                         marker("computer-cache") + "\n"
                                   : scripts)),
      delegate(std::make_unique<AppDelegate>(&window,
                                             std::make_unique<qt::WizardViewControllerFactory>())),
      terminated(&window, &qt::MainWindow::terminateRequested) {
    // Fonts folders and Trash only ever inside the sandbox; the helper runs as the test user.
    setenv("FONTUPDATER_ELEVATE", "env", 1);
    std::filesystem::create_directories(userFonts());
    std::filesystem::create_directories(computerFonts());
}

WizardHarness::~WizardHarness() {
    delegate->applicationWillTerminate();
    delegate.reset();
    unsetenv("FONTUPDATER_ELEVATE");
}

bool WizardHarness::launch(const std::optional<std::string>& launchFile) {
    if (launchFile) delegate->rounchOpenFilePath = *launchFile;
    registerBuiltinResources();
    delegate->applicationDidFinishLaunching();
    return waitForView(ReadMeView);
}

std::string WizardHarness::writeSampleDefinition(const std::string& name, SampleTrust trust) {
    const Bytes sealed = sealedDefinition(sample.sources, buildCopyrightString());
    return sandbox.writeFile(
        name, trust == SampleTrust::SignedByThisBuild ? signedByThisBuild(sealed) : sealed);
}

void WizardHarness::recordElevation() {
    const std::string body = "#!/bin/sh\ntouch '" + marker("elevation-asked") + "'\nexec \"$@\"\n";
    const std::string launcher = sandbox.writeFile("elevate.sh", Bytes(body.begin(), body.end()));
    std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
    setenv("FONTUPDATER_ELEVATE", launcher.c_str(), 1);
}

AppInfo& WizardHarness::info() const {
    AppInfo* state = AppDelegate::appInfo();
    if (!state) throw std::runtime_error("the wizard has no state");
    return *state;
}

int64_t WizardHarness::viewNo() const {
    const AppInfo* state = AppDelegate::appInfo();
    return state ? state->curViewNo : -1;
}

bool WizardHarness::waitForView(int64_t number, int timeoutMs) const {
    return QTest::qWaitFor([&] { return viewNo() == number; }, timeoutMs);
}

QPushButton* WizardHarness::button(const char* name) const {
    auto* controller = dynamic_cast<qt::QtViewController*>(info().curViewController.get());
    return controller ? controller->view()->findChild<QPushButton*>(name) : nullptr;
}

void WizardHarness::click(const char* name) const {
    QPushButton* target = button(name);
    if (!target) throw std::runtime_error(std::string("no button ") + name);
    QTest::mouseClick(target, Qt::LeftButton);
}

qt::SheetWindow* WizardHarness::visibleSheet() const {
    for (auto* sheet : window.findChildren<qt::SheetWindow*>()) {
        if (sheet->isVisible()) return sheet;
    }
    return nullptr;
}

QString WizardHarness::sheetMessage() const {
    qt::SheetWindow* sheet = visibleSheet();
    auto* label = sheet ? sheet->findChild<QLabel*>("messageText") : nullptr;
    return label ? label->text() : QString();
}

void WizardHarness::clickSheetButton(const char* name) const {
    qt::SheetWindow* sheet = visibleSheet();
    auto* target = sheet ? sheet->findChild<QPushButton*>(name) : nullptr;
    if (!target) throw std::runtime_error(std::string("no sheet button ") + name);
    QTest::mouseClick(target, Qt::LeftButton);
}

std::string WizardHarness::userFonts() const {
    return FontUpdate::usersFontsFolderPath().value_or(sandbox.path("no-user-fonts"));
}

std::string WizardHarness::computerFonts() const {
    return FontUpdate::localFontsFolderPath().value_or(sandbox.path("no-computer-fonts"));
}

bool saveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = FU_SCREENSHOT_DIR;
    if (!QDir().mkpath(folder)) return false;
    // A window just resized paints at its new size only once its events have run.
    QTest::qWait(50);
    return widget.grab().save(folder + "/" + name + ".png");
}

} // namespace fu::test
