// What every sheet's delegate shares: the sheet window it loads from an interface description
// and owns, and the way a shown sheet ends.
#pragma once

#include "shell/qt/SheetWindow.h"

#include <QPointer>

namespace fu::qt {

class SheetDelegate {
public:
    SheetDelegate(const SheetDelegate&) = delete;
    SheetDelegate& operator=(const SheetDelegate&) = delete;

    [[nodiscard]] SheetWindow* window() const { return window_; }
    // Hides the sheet with its return code (0 for the default button, 1 for Cancel).
    void sheetDidEnd(int returnCode);

protected:
    SheetDelegate();
    ~SheetDelegate();
    // The sheet's controls, from the interface description named like the sheet.
    template <class Form> Form loadForm() {
        Form form;
        form.setupUi(window_);
        return form;
    }

    QPointer<SheetWindow> window_;
};

} // namespace fu::qt
