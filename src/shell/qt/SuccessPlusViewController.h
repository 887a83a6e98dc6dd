// The screen after a run that updated every font but could not rebuild the font cache.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ResultViewController.h"

namespace fu::qt {

class SuccessPlusViewController final : public ResultViewController {
public:
    SuccessPlusViewController();
    [[nodiscard]] int64_t viewNo() const override { return SuccessPlusView; }
};

} // namespace fu::qt
