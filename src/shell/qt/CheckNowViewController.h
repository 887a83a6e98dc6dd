// The wizard's search screen: the search for fonts that need the update, with its progress.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ProgressViewController.h"

namespace fu::qt {

class CheckNowViewController final : public ProgressViewController {
public:
    CheckNowViewController();
    [[nodiscard]] int64_t viewNo() const override { return CheckNowView; }
    void processComplete(const UpdateResult& result) override;

private:
    [[nodiscard]] std::optional<int64_t> progressMaximum() const override;
    void runOperation(UpdateManager& manager) override { manager.findUpdateNecessaryFont(); }
};

} // namespace fu::qt
