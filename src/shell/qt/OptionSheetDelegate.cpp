#include "shell/qt/OptionSheetDelegate.h"

#include "ui_OptionSheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace fu::qt {

OptionSheetDelegate::OptionSheetDelegate() {
    const auto form = loadForm<Ui::OptionSheet>();
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

void OptionSheetDelegate::openSheetOnParentWindow(QWidget* parent, TestOption* testOption) {
    (void)parent;
    (void)testOption;
}

} // namespace fu::qt
