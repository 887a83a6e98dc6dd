// What the search and the update screens share: each starts its operation a second after it is
// up, runs it to the end in that call, and repaints from inside every progress report.
#pragma once

#include "engine/UpdateManager.h"
#include "shell/qt/QtViewController.h"

#include <cstdint>
#include <optional>

class QLabel;
class QProgressBar;

namespace fu::qt {

class ProgressViewController : public QtViewController, public UpdateManagerDelegate {
public:
    ~ProgressViewController() override;

    void startProcess();
    // The bar runs from nothing to the operation's size.
    void startIndicator();
    void processProgress(const UpdateResult& result) override;

    QProgressBar* indicator = nullptr;
    QLabel* text = nullptr;

protected:
    ProgressViewController() = default;
    // Both screens' interface descriptions name their bar and text alike; the operation is
    // scheduled once they are in place.
    template <class Form> void setupForm() {
        Form form;
        form.setupUi(view_);
        indicator = form.indicator;
        text = form.text;
        scheduleStart();
    }
    // Moves on, once the report is over, to the screen the outcome chose.
    void showOutcome(int64_t next, const UpdateResult& result);

private:
    void scheduleStart();
    // The bar's end; nothing when there is nothing to measure yet.
    [[nodiscard]] virtual std::optional<int64_t> progressMaximum() const = 0;
    virtual void runOperation(UpdateManager& manager) = 0;
};

} // namespace fu::qt
