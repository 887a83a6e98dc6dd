// A screen's controller on the Qt side: it owns its view, made from the interface description
// named like the class, and the view goes when the controller goes.
#pragma once

#include "shell/ViewController.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QPushButton;

namespace fu {
class AppDelegate;
}

namespace fu::qt {

class QtViewController : public ViewController {
public:
    ~QtViewController() override;
    QtViewController(const QtViewController&) = delete;
    QtViewController& operator=(const QtViewController&) = delete;

    [[nodiscard]] QWidget* view() const { return view_; }

protected:
    QtViewController();
    // A click on the button makes the scene move once the click is over (afterCurrentEvent).
    void connectButton(QPushButton* button, std::function<void(AppDelegate&)> action) const;
    void connectButton(QPushButton* button, void (AppDelegate::*sceneMove)()) const;

    // A view dies with the window when the window goes first; the pointer then reads null.
    QPointer<QWidget> view_;
};

// Runs a scene move once the current event is over. A button's action or a sheet's callback
// may replace the screen that owns the button; deferring keeps the old screen alive until its
// own code has returned.
void afterCurrentEvent(std::function<void(AppDelegate&)> action);

} // namespace fu::qt
