#include "shell/qt/SheetWindow.h"

#include <QLayout>

namespace fu::qt {

// A sheet belongs to its window: a dialog transient for it, modal to it alone, of the size its
// texts need and no other, without the buttons of a free window, over the top of the window's
// content.
void SheetWindow::beginSheet(QWidget* parent) {
    QWidget* host = parent ? parent->window() : nullptr;
    // Its close button is the sheet's own way out (Cancel, or the alert's button).
    setParent(host, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
    setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
    setWindowTitle(host ? host->windowTitle() : QString());
    if (QLayout* sheetLayout = layout()) sheetLayout->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (host) {
        const QRect frame = host->frameGeometry();
        const QRect client = host->geometry();
        move(frame.x() + (frame.width() - frameGeometry().width()) / 2, client.y() + 24);
    }
    show();
    raise();
    activateWindow();
}

} // namespace fu::qt
