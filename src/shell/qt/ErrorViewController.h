// The screen of a search or update run that ended early: the message of its outcome.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ResultViewController.h"

class QLabel;

namespace fu::qt {

class ErrorViewController final : public ResultViewController {
public:
    ErrorViewController();
    [[nodiscard]] int64_t viewNo() const override { return ErrorView; }
    void setUpdateResult(const UpdateResult& result) override;

    QLabel* messageText = nullptr;
};

} // namespace fu::qt
