#include "shell/qt/FontListViewController.h"

#include "ui_FontListViewController.h"

#include <QPushButton>

namespace fu::qt {

FontListViewController::FontListViewController() {
    Ui::FontListViewController form;
    form.setupUi(view_);
    deleteButton = form.deleteButton;
    exportButton = form.exportButton;
    loadButton = form.loadButton;
    saveButton = form.saveButton;
    updateButton = form.updateButton;
    exportUpgradeModeButton = form.exportUpgradeModeButton;
    exportTabTextButton = form.exportTabTextButton;
    setupEditor(form.tableView, form.numOfItemText);
}

} // namespace fu::qt
