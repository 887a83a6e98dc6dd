// The sheet for the dates an editor sets on fonts: the sfnt's and the file's. Loaded and
// kept; no screen opens it yet.
#pragma once

#include "shell/qt/SheetDelegate.h"
#include "tools/SetDateParam.h"

class QCheckBox;
class QDateTimeEdit;
class QPushButton;
class QWidget;

namespace fu::qt {

class SetDateSheetDelegate final : public SheetDelegate {
public:
    SetDateSheetDelegate(); // loads "SetDateSheet"
    void openSheetOnParentWindow(QWidget* parent, SetDateParam* setDateParam);

    void* delegate = nullptr;
    SetDateParam dateParam;
    QPushButton* okButton = nullptr;
    QCheckBox *useSfntCDateButton = nullptr, *editAllDateButton = nullptr;
    QDateTimeEdit *sfntCDatePicker = nullptr, *sfntMDatePicker = nullptr,
                  *fileCDatePicker = nullptr, *fileMDatePicker = nullptr;
};

} // namespace fu::qt
