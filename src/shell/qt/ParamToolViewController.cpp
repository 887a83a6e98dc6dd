#include "shell/qt/ParamToolViewController.h"

#include "shell/qt/QtText.h"

#include "ui_ParamToolViewController.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace fu::qt {

ParamToolViewController::ParamToolViewController() {
    Ui::ParamToolViewController form;
    form.setupUi(view_);
    encryptKeyText = form.encryptKeyText;
    readMePathText = form.readMePathText;
    updaterParamPathText = form.updaterParamPathText;
    scriptPathText = form.scriptPathText;
    copyrightText = form.copyrightText;
    exportNameText = form.exportNameText;
    tableView = form.tableView;
    infoNameText = form.infoNameText;
    infoOldText = form.infoOldText;
    infoNewText = form.infoNewText;
    tableAddLineButton = form.tableAddLineButton;
    tableDelLineButton = form.tableDelLineButton;
    tableSetOldButton = form.tableSetOldButton;
    tableSetNeweButton = form.tableSetNeweButton;
    exportNameText->setText(toQString(exportNameStr));
    // Lines can be added; the others need a selected line.
    tableAddLineButton->setEnabled(true);
    tableDelLineButton->setEnabled(false);
    tableSetOldButton->setEnabled(false);
    tableSetNeweButton->setEnabled(false);
}

} // namespace fu::qt
