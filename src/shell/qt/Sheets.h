// Questions and alerts as window-modal sheets on the application window. The sheet ends first
// and only then tells its delegate, so a delegate may open the next sheet or change the screen.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QWidget;

namespace fu::qt {

class AskSheetCallbacks {
public:
    virtual ~AskSheetCallbacks() = default;
    virtual void askSheetOk() = 0;
    virtual void askSheetCancel() = 0;
};

class AlertSheetCallbacks {
public:
    virtual ~AlertSheetCallbacks() = default;
    virtual void alertSheetOk() = 0;
};

// Escape and the title bar's close button mean the sheet's own way out, never a silent close.
class SheetWindow final : public QDialog {
public:
    std::function<void()> onEscape;
    void reject() override {
        if (onEscape) onEscape();
    }
};

class AskSheetDelegate {
public:
    AskSheetDelegate(); // loads "AskSheet"
    ~AskSheetDelegate();
    AskSheetDelegate(const AskSheetDelegate&) = delete;
    AskSheetDelegate& operator=(const AskSheetDelegate&) = delete;

    // A text left out keeps what the sheet showed last.
    void openSheetOnParentWindow(QWidget* parent, const std::optional<QString>& message,
                                 const std::optional<QString>& okTitle,
                                 const std::optional<QString>& cancelTitle);
    void sheetOk();
    void sheetCancel();
    void sheetDidEnd(int returnCode);

    [[nodiscard]] SheetWindow* window() const { return window_; }
    AskSheetCallbacks* delegate = nullptr; // not owned
    QLabel* messageText = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

private:
    QPointer<SheetWindow> window_;
};

class AlertSheetDelegate {
public:
    AlertSheetDelegate(); // loads "AlertSheet"
    ~AlertSheetDelegate();
    AlertSheetDelegate(const AlertSheetDelegate&) = delete;
    AlertSheetDelegate& operator=(const AlertSheetDelegate&) = delete;

    void openSheetOnParentWindow(QWidget* parent, const std::optional<QString>& message,
                                 const std::optional<QString>& okTitle);
    void sheetOk();
    void sheetDidEnd(int returnCode);

    [[nodiscard]] SheetWindow* window() const { return window_; }
    AlertSheetCallbacks* delegate = nullptr; // not owned
    QLabel* messageText = nullptr;
    QPushButton* okButton = nullptr;

private:
    QPointer<SheetWindow> window_;
};

// The editors report no unsaved changes, so the discard question is never put: opening it
// returns at once.
class AskDiscardSheetDelegate {
public:
    void openSheetOnParentWindow(QWidget* parent, const QString& type);

    QPointer<QWidget> window;
    void* delegate = nullptr;
    std::optional<QString> type;
};

} // namespace fu::qt
