// The question sheet: a message, OK and Cancel. The sheet ends first and only then tells its
// delegate, so a delegate may open the next sheet or change the screen.
#pragma once

#include "shell/qt/AskSheetCallbacks.h"
#include "shell/qt/SheetDelegate.h"

#include <QString>

#include <optional>

class QLabel;
class QPushButton;
class QWidget;

namespace fu::qt {

class AskSheetDelegate final : public SheetDelegate {
public:
    AskSheetDelegate(); // loads "AskSheet"
    ~AskSheetDelegate();

    // A text left out keeps what the sheet showed last.
    void openSheetOnParentWindow(QWidget* parent, const std::optional<QString>& message,
                                 const std::optional<QString>& okTitle,
                                 const std::optional<QString>& cancelTitle);
    void sheetOk();
    void sheetCancel();

    AskSheetCallbacks* delegate = nullptr; // not owned
    QLabel* messageText = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

} // namespace fu::qt
