// The one application window as the shell sees it, and the application's own terminate request.
#pragma once

#include <string>

namespace fu {

class ViewController;

class AppWindow {
public:
    virtual ~AppWindow() = default;

    virtual void setTitle(const std::string& title) = 0;
    // Replaces the content by the controller's view, fitting the window to it; null empties it.
    // The window keeps no hold on the controller: a controller that goes takes its view along.
    virtual void setContentViewAnimation(ViewController* controller) = 0;
    [[nodiscard]] virtual bool isVisible() const = 0;
    // Shows the window in front as the key window.
    virtual void bringToFront() = 0;
    // Asks the application to quit; it answers with applicationWillTerminate.
    virtual void terminate() = 0;
    // Tells the user something and waits until they have read it.
    virtual void showNotice(const std::string& message) = 0;
};

} // namespace fu
