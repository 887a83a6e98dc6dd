// The screen after a run that updated every font.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ResultViewController.h"

namespace fu::qt {

class SuccessViewController final : public ResultViewController {
public:
    SuccessViewController();
    [[nodiscard]] int64_t viewNo() const override { return SuccessView; }
};

} // namespace fu::qt
