#include "shell/qt/AllErrorViewController.h"

#include "ui_AllErrorViewController.h"

namespace fu::qt {

AllErrorViewController::AllErrorViewController() {
    setupTable(setupForm<Ui::AllErrorViewController>().tableView);
}

} // namespace fu::qt
