#include "shell/qt/SetDateSheetDelegate.h"

#include "ui_SetDateSheet.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QPushButton>

namespace fu::qt {

SetDateSheetDelegate::SetDateSheetDelegate() {
    const auto form = loadForm<Ui::SetDateSheet>();
    okButton = form.okButton;
    useSfntCDateButton = form.useSfntCDateButton;
    editAllDateButton = form.editAllDateButton;
    sfntCDatePicker = form.sfntCDatePicker;
    sfntMDatePicker = form.sfntMDatePicker;
    fileCDatePicker = form.fileCDatePicker;
    fileMDatePicker = form.fileMDatePicker;
}

void SetDateSheetDelegate::openSheetOnParentWindow(QWidget* parent, SetDateParam* setDateParam) {
    (void)parent;
    (void)setDateParam;
}

} // namespace fu::qt
