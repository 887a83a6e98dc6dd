// The sheet of test options for the wizard that an editor offers. Loaded and kept; no screen
// opens it yet.
#pragma once

#include "engine/TestOption.h"
#include "shell/qt/SheetDelegate.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace fu::qt {

class OptionSheetDelegate final : public SheetDelegate {
public:
    OptionSheetDelegate(); // loads "OptionSheet"
    void openSheetOnParentWindow(QWidget* parent, TestOption* testOption);

    void* delegate = nullptr;
    TestOption* option = nullptr; // not owned
    QCheckBox *noSysVerCheckButton = nullptr, *noSuppSysButton = nullptr,
              *tempOnDeskButton = nullptr, *notRemoveTempButton = nullptr,
              *oldMoveToDeskButton = nullptr, *mulFontSizeButton = nullptr,
              *freeSizeButton = nullptr;
    QLabel *mulNLabelText = nullptr, *mulCommentText = nullptr, *mulValueMsgText = nullptr,
           *tempDirNameText = nullptr, *freeSizeLabelText = nullptr, *freeSizeMsgText = nullptr;
    QLineEdit *mulValueText = nullptr, *freeSizeValueText = nullptr;
};

} // namespace fu::qt
