// The editors' question before unsaved work is dropped. They report no unsaved changes, so the
// question is never put: opening it returns at once.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

namespace fu::qt {

class AskDiscardSheetDelegate {
public:
    void openSheetOnParentWindow(QWidget* parent, const QString& type);

    QPointer<QWidget> window;
    void* delegate = nullptr;
    std::optional<QString> type;
};

} // namespace fu::qt
