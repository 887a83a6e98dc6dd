#include "shell/qt/SheetDelegate.h"

namespace fu::qt {

SheetDelegate::SheetDelegate() : window_(new SheetWindow) {}

SheetDelegate::~SheetDelegate() { delete window_.data(); }

void SheetDelegate::sheetDidEnd(int returnCode) {
    if (!window_) return;
    window_->setResult(returnCode);
    window_->hide();
}

} // namespace fu::qt
