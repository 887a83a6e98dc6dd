#include "shell/qt/QtViewController.h"

#include "shell/AppDelegate.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

namespace fu::qt {

QtViewController::QtViewController() : view_(new QWidget) {}

QtViewController::~QtViewController() {
    delete view_.data();
}

void afterCurrentEvent(std::function<void(AppDelegate&)> action) {
    QTimer::singleShot(0, QCoreApplication::instance(), [action = std::move(action)] {
        // The delegate may have gone meanwhile (the application is quitting).
        if (AppDelegate* delegate = AppDelegate::appDelegate()) action(*delegate);
    });
}

} // namespace fu::qt
