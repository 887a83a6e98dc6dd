// The alert sheet: a message and one button. The sheet ends first and only then tells its
// delegate, so a delegate may open the next sheet or change the screen.
#pragma once

#include "shell/qt/AlertSheetCallbacks.h"
#include "shell/qt/SheetDelegate.h"

#include <QString>

#include <optional>

class QLabel;
class QPushButton;
class QWidget;

namespace fu::qt {

class AlertSheetDelegate final : public SheetDelegate {
public:
    AlertSheetDelegate(); // loads "AlertSheet"
    ~AlertSheetDelegate();

    // A text left out keeps what the sheet showed last.
    void openSheetOnParentWindow(QWidget* parent, const std::optional<QString>& message,
                                 const std::optional<QString>& okTitle);
    void sheetOk();

    AlertSheetCallbacks* delegate = nullptr; // not owned
    QLabel* messageText = nullptr;
    QPushButton* okButton = nullptr;
};

} // namespace fu::qt
