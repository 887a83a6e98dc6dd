#include "shell/qt/ClearCacheViewController.h"

#include "ui_ClearCacheViewController.h"

#include <QPushButton>

namespace fu::qt {

ClearCacheViewController::ClearCacheViewController() {
    Ui::ClearCacheViewController form;
    form.setupUi(view_);
    clearCacheButton = form.clearCacheButton;
}

} // namespace fu::qt
