#include "shell/qt/SetVersSheetDelegate.h"

#include "ui_SetVersSheet.h"

#include <QComboBox>
#include <QLineEdit>

namespace fu::qt {

SetVersSheetDelegate::SetVersSheetDelegate() {
    const auto form = loadForm<Ui::SetVersSheet>();
    typePopup = form.typePopup;
    versText = form.versText;
}

void SetVersSheetDelegate::openSheetOnParentWindow(QWidget* parent, const std::string& versString) {
    (void)parent;
    (void)versString;
}

} // namespace fu::qt
