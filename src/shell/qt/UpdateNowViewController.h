// The wizard's update screen: the run that replaces the checked fonts, with its progress.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ProgressViewController.h"

namespace fu::qt {

class UpdateNowViewController final : public ProgressViewController {
public:
    UpdateNowViewController();
    [[nodiscard]] int64_t viewNo() const override { return UpdateNowView; }
    void processComplete(const UpdateResult& result) override;

private:
    [[nodiscard]] std::optional<int64_t> progressMaximum() const override;
    void runOperation(UpdateManager& manager) override { manager.exeUpdateRequestedFont(); }
};

} // namespace fu::qt
