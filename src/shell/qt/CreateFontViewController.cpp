#include "shell/qt/CreateFontViewController.h"

#include <QLineEdit>
#include <QPushButton>

namespace fu::qt {

void CreateFontViewController::setupControls(QPushButton* execute, QLineEdit* srcFolder,
                                             QLineEdit* dstFolder) {
    executeButton = execute;
    srcFolderPathText = srcFolder;
    dstFolderPathText = dstFolder;
    // Nothing to run before both folders are chosen.
    executeButton->setEnabled(false);
}

} // namespace fu::qt
