// The wizard application: the controllers per view number, and the program's whole run.
#pragma once

#include "shell/ViewController.h"

#include <QString>

namespace fu::qt {

class WizardViewControllerFactory final : public ViewControllerFactory {
public:
    // The wizard and result views and the authoring tools, each by its number.
    [[nodiscard]] std::unique_ptr<ViewController> makeViewController(int64_t viewNo) override;
};

// Hands a definition file to an instance already running for this user; false when none
// answers (this process then becomes the running one).
[[nodiscard]] bool handOverToRunningInstance(const QString& serverName, const QString& path);

// Standard buttons and dialogs in Japanese, like the rest of the interface; false when Qt's
// Japanese translations are not installed.
bool installJapaneseTranslations();

// Runs the wizard; a file named on the command line is the definition handed over at launch.
int runApplication(int argc, char** argv);

} // namespace fu::qt
