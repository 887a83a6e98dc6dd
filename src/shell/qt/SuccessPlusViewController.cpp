#include "shell/qt/SuccessPlusViewController.h"

#include "ui_SuccessPlusViewController.h"

namespace fu::qt {

SuccessPlusViewController::SuccessPlusViewController() {
    (void)setupForm<Ui::SuccessPlusViewController>();
}

} // namespace fu::qt
