// The window of a sheet: a window-modal dialog on the application window (a true sheet on
// macOS), placed below the window's title and gone only through its own buttons.
#pragma once

#include <QDialog>

#include <functional>

class QWidget;

namespace fu::qt {

// Escape and the title bar's close button mean the sheet's own way out, never a silent close.
class SheetWindow final : public QDialog {
public:
    std::function<void()> onEscape;
    void reject() override {
        if (onEscape) onEscape();
    }

    // Puts the sheet on the parent's window and shows it; it stays until its button ends it.
    void beginSheet(QWidget* parent);
};

} // namespace fu::qt
