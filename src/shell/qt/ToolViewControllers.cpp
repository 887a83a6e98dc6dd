#include "shell/qt/ToolViewControllers.h"

#include "shell/qt/QtText.h"

#include "ui_ClearCacheViewController.h"
#include "ui_CreateNewViewController.h"
#include "ui_CreateUserViewController.h"
#include "ui_FontListViewController.h"
#include "ui_OptionSheet.h"
#include "ui_ParamToolViewController.h"
#include "ui_SetDateSheet.h"
#include "ui_SetVersSheet.h"
#include "ui_TargetEditViewController.h"
#include "ui_UserUpdateViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace fu::qt {

// ---- Sheets: loaded and kept, never opened by any screen yet ----

OptionSheetDelegate::OptionSheetDelegate() : window_(new SheetWindow) {
    Ui::OptionSheet form;
    form.setupUi(window_);
    noSysVerCheckButton = form.noSysVerCheckButton;
    noSuppSysButton = form.noSuppSysButton;
    tempOnDeskButton = form.tempOnDeskButton;
    notRemoveTempButton = form.notRemoveTempButton;
    oldMoveToDeskButton = form.oldMoveToDeskButton;
    mulFontSizeButton = form.mulFontSizeButton;
    mulNLabelText = form.mulNLabelText;
    mulValueText = form.mulValueText;
    mulCommentText = form.mulCommentText;
    mulValueMsgText = form.mulValueMsgText;
    tempDirNameText = form.tempDirNameText;
    freeSizeButton = form.freeSizeButton;
    freeSizeLabelText = form.freeSizeLabelText;
    freeSizeValueText = form.freeSizeValueText;
    freeSizeMsgText = form.freeSizeMsgText;
}

OptionSheetDelegate::~OptionSheetDelegate() {
    delete window_.data();
}

void OptionSheetDelegate::openSheetOnParentWindow(QWidget* parent, TestOption* testOption) {
    (void)parent;
    (void)testOption;
}

SetDateSheetDelegate::SetDateSheetDelegate() : window_(new SheetWindow) {
    Ui::SetDateSheet form;
    form.setupUi(window_);
    okButton = form.okButton;
    useSfntCDateButton = form.useSfntCDateButton;
    editAllDateButton = form.editAllDateButton;
    sfntCDatePicker = form.sfntCDatePicker;
    sfntMDatePicker = form.sfntMDatePicker;
    fileCDatePicker = form.fileCDatePicker;
    fileMDatePicker = form.fileMDatePicker;
}

SetDateSheetDelegate::~SetDateSheetDelegate() {
    delete window_.data();
}

void SetDateSheetDelegate::openSheetOnParentWindow(QWidget* parent, SetDateParam* setDateParam) {
    (void)parent;
    (void)setDateParam;
}

SetVersSheetDelegate::SetVersSheetDelegate() : window_(new SheetWindow) {
    Ui::SetVersSheet form;
    form.setupUi(window_);
    typePopup = form.typePopup;
    versText = form.versText;
}

SetVersSheetDelegate::~SetVersSheetDelegate() {
    delete window_.data();
}

void SetVersSheetDelegate::openSheetOnParentWindow(QWidget* parent, const std::string& versString) {
    (void)parent;
    (void)versString;
}

// ---- Screens ----

void ToolEditorViewController::enableLoadButtonOnly() {
    for (QPushButton* button : view_->findChildren<QPushButton*>()) {
        button->setEnabled(button->objectName() == "loadButton");
    }
}

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

TargetEditViewController::TargetEditViewController() {
    Ui::TargetEditViewController form;
    form.setupUi(view_);
    tableView = form.tableView;
    numOfItemText = form.numOfItemText;
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
    enableLoadButtonOnly();
}

ClearCacheViewController::ClearCacheViewController() {
    Ui::ClearCacheViewController form;
    form.setupUi(view_);
    clearCacheButton = form.clearCacheButton;
}

template <class Form>
void CreateFontViewController::setupForm() {
    Form form;
    form.setupUi(view_);
    executeButton = form.executeButton;
    srcFolderPathText = form.srcFolderPathText;
    dstFolderPathText = form.dstFolderPathText;
    // Nothing to run before both folders are chosen.
    executeButton->setEnabled(false);
}

CreateNewViewController::CreateNewViewController() {
    setupForm<Ui::CreateNewViewController>();
}

CreateUserViewController::CreateUserViewController() {
    setupForm<Ui::CreateUserViewController>();
}

FontListViewController::FontListViewController() {
    Ui::FontListViewController form;
    form.setupUi(view_);
    tableView = form.tableView;
    numOfItemText = form.numOfItemText;
    deleteButton = form.deleteButton;
    exportButton = form.exportButton;
    loadButton = form.loadButton;
    saveButton = form.saveButton;
    updateButton = form.updateButton;
    exportUpgradeModeButton = form.exportUpgradeModeButton;
    exportTabTextButton = form.exportTabTextButton;
    enableLoadButtonOnly();
}

UserUpdateViewController::UserUpdateViewController() {
    Ui::UserUpdateViewController form;
    form.setupUi(view_);
    tableView = form.tableView;
    numOfItemText = form.numOfItemText;
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
    enableLoadButtonOnly();
}

} // namespace fu::qt
