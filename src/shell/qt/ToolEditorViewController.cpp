#include "shell/qt/ToolEditorViewController.h"

#include <QPushButton>

namespace fu::qt {

void ToolEditorViewController::setupEditor(QTableView* table, QLabel* itemCount) {
    tableView = table;
    numOfItemText = itemCount;
    for (QPushButton* button : view_->findChildren<QPushButton*>()) {
        button->setEnabled(button->objectName() == "loadButton");
    }
}

} // namespace fu::qt
