#include "shell/qt/CreateNewViewController.h"

#include "ui_CreateNewViewController.h"

namespace fu::qt {

CreateNewViewController::CreateNewViewController() { setupForm<Ui::CreateNewViewController>(); }

} // namespace fu::qt
