#include "shell/qt/CreateUserViewController.h"

#include "ui_CreateUserViewController.h"

namespace fu::qt {

CreateUserViewController::CreateUserViewController() { setupForm<Ui::CreateUserViewController>(); }

} // namespace fu::qt
