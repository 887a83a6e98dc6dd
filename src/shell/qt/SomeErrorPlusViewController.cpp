#include "shell/qt/SomeErrorPlusViewController.h"

#include "ui_SomeErrorPlusViewController.h"

namespace fu::qt {

SomeErrorPlusViewController::SomeErrorPlusViewController() {
    setupTable(setupForm<Ui::SomeErrorPlusViewController>().tableView);
}

} // namespace fu::qt
