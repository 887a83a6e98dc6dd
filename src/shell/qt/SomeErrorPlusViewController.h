// The screen after a run that left some fonts as they were and could not rebuild the font cache.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ResultTableViewController.h"

namespace fu::qt {

class SomeErrorPlusViewController final : public ResultTableViewController {
public:
    SomeErrorPlusViewController();
    [[nodiscard]] int64_t viewNo() const override { return SomeErrorPlusView; }
};

} // namespace fu::qt
