#include "shell/qt/QtViewController.h"

#include "shell/AppDelegate.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace fu::qt {

QtViewController::QtViewController() : view_(new QWidget) {}

QtViewController::~QtViewController() { delete view_.data(); }

void QtViewController::connectButton(QPushButton* button,
                                     std::function<void(AppDelegate&)> action) const {
    QObject::connect(button, &QPushButton::clicked, view_,
                     [action = std::move(action)] { afterCurrentEvent(action); });
}

void QtViewController::connectButton(QPushButton* button, void (AppDelegate::*sceneMove)()) const {
    connectButton(button, [sceneMove](AppDelegate& delegate) { (delegate.*sceneMove)(); });
}

void afterCurrentEvent(std::function<void(AppDelegate&)> action) {
    QTimer::singleShot(0, QCoreApplication::instance(), [action = std::move(action)] {
        // The delegate may have gone meanwhile (the application is quitting).
        if (AppDelegate* delegate = AppDelegate::appDelegate()) action(*delegate);
    });
}

} // namespace fu::qt
