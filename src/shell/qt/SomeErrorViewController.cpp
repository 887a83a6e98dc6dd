#include "shell/qt/SomeErrorViewController.h"

#include "ui_SomeErrorViewController.h"

namespace fu::qt {

SomeErrorViewController::SomeErrorViewController() {
    setupTable(setupForm<Ui::SomeErrorViewController>().tableView);
}

} // namespace fu::qt
