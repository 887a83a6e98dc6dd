// The application's one window: a menu bar and a content area whose view is replaced per screen.
#pragma once

#include "shell/AppWindow.h"

#include <QMainWindow>

class QCloseEvent;
class QDialog;

namespace fu::qt {

class MainWindow final : public QMainWindow, public AppWindow {
    Q_OBJECT
public:
    MainWindow();

    void setTitle(const std::string& title) override;
    void setContentViewAnimation(ViewController* controller) override;
    [[nodiscard]] bool isVisible() const override;
    void bringToFront() override;
    void terminate() override;
    void showNotice(const std::string& message) override;

    // Fits the window to a view of that size and centres it where the window was (on the
    // screen the first time), its frame kept inside the screen's free area.
    void moveCenterToWindow(QSize viewSize);
    // The open panel for a definition file, as a sheet on this window.
    void actionExecuteFupdef();
    [[nodiscard]] QDialog* openPanel() const { return openPanel_; }
    [[nodiscard]] QWidget* contentView() const { return content_; }

signals:
    // The application connects this to quitting; tests watch it instead.
    void terminateRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void placeFrame(QSize clientSize);

    QWidget* content_;
    bool placed_ = false;
    bool terminating_ = false;
    QDialog* openPanel_ = nullptr;
};

} // namespace fu::qt
