// The target editor's sheet for a version string. Loaded and kept; no screen opens it yet.
#pragma once

#include "shell/qt/SheetDelegate.h"

#include <string>

class QComboBox;
class QLineEdit;
class QWidget;

namespace fu::qt {

class SetVersSheetDelegate final : public SheetDelegate {
public:
    SetVersSheetDelegate(); // loads "SetVersSheet"
    void openSheetOnParentWindow(QWidget* parent, const std::string& versString);

    void* delegate = nullptr;
    QComboBox* typePopup = nullptr;
    QLineEdit* versText = nullptr;
};

} // namespace fu::qt
