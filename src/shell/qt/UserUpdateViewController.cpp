#include "shell/qt/UserUpdateViewController.h"

#include "ui_UserUpdateViewController.h"

#include <QPushButton>

namespace fu::qt {

UserUpdateViewController::UserUpdateViewController() {
    Ui::UserUpdateViewController form;
    form.setupUi(view_);
    deleteButton = form.deleteButton;
    updateButton = form.updateButton;
    setDateButton = form.setDateButton;
    testButton = form.testButton;
    optionButton = form.optionButton;
    loadButton = form.loadButton;
    saveButton = form.saveButton;
    exportUserUpdateButton = form.exportUserUpdateButton;
    createNewButton = form.createNewButton;
    exportTabTextButton = form.exportTabTextButton;
    setupEditor(form.tableView, form.numOfItemText);
}

} // namespace fu::qt
