#include "shell/qt/AskDiscardSheetDelegate.h"

namespace fu::qt {

void AskDiscardSheetDelegate::openSheetOnParentWindow(QWidget* parent, const QString& type) {
    (void)parent;
    (void)type;
}

} // namespace fu::qt
