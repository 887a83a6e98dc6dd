#include "shell/qt/SuccessViewController.h"

#include "ui_SuccessViewController.h"

namespace fu::qt {

SuccessViewController::SuccessViewController() { (void)setupForm<Ui::SuccessViewController>(); }

} // namespace fu::qt
