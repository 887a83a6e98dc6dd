#include "shell/qt/TargetEditViewController.h"

#include "ui_TargetEditViewController.h"

#include <QPushButton>

namespace fu::qt {

TargetEditViewController::TargetEditViewController() {
    Ui::TargetEditViewController form;
    form.setupUi(view_);
    updateButton = form.updateButton;
    deleteButton = form.deleteButton;
    setVersButton = form.setVersButton;
    setDateButton = form.setDateButton;
    exportButton = form.exportButton;
    loadButton = form.loadButton;
    saveButton = form.saveButton;
    testButton = form.testButton;
    optionButton = form.optionButton;
    createNewButton = form.createNewButton;
    importVersDateButton = form.importVersDateButton;
    exportTabTextButton = form.exportTabTextButton;
    setupEditor(form.tableView, form.numOfItemText);
}

} // namespace fu::qt
