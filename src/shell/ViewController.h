// What the shell needs from a screen's controller, and the factory that makes one per view
// number. The toolkit side implements both; the shell decides only which screen comes next.
#pragma once

#include "engine/UpdateResult.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fu {

class AppWindow;

class ViewController {
public:
    virtual ~ViewController() = default;

    [[nodiscard]] virtual int64_t viewNo() const = 0;
    // The error screen shows this outcome; it arrives before the screen is put up.
    virtual void setUpdateResult(const UpdateResult& result) { (void)result; }
    // The read-me screen's start-up message, once the screen is in the window.
    virtual void startupMassegaeWithWindow(AppWindow& window) { (void)window; }
    // Recompute what depends on the world outside (the update list when the user comes back).
    virtual void updateView() {}

    // ---- Editors only ----
    // Unsaved changes.
    [[nodiscard]] virtual bool checkModify() const { return false; }
    // Lets the user save or discard before `action` ("terminate") goes ahead.
    virtual void askDiscard(const std::string& action) { (void)action; }
    // Lets the user save or discard before another editor (by view number) takes over.
    virtual void askChangeView(int64_t viewNo) { (void)viewNo; }
};

class ViewControllerFactory {
public:
    virtual ~ViewControllerFactory() = default;
    // A new controller for the view, or null when it cannot be made (or is not built).
    [[nodiscard]] virtual std::unique_ptr<ViewController> makeViewController(int64_t viewNo) = 0;
};

} // namespace fu
