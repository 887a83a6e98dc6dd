#include "shell/qt/NotFoundViewController.h"

#include "ui_NotFoundViewController.h"

namespace fu::qt {

NotFoundViewController::NotFoundViewController() { (void)setupForm<Ui::NotFoundViewController>(); }

} // namespace fu::qt
