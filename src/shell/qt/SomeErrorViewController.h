// The screen after a run that left some fonts as they were.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ResultTableViewController.h"

namespace fu::qt {

class SomeErrorViewController final : public ResultTableViewController {
public:
    SomeErrorViewController();
    [[nodiscard]] int64_t viewNo() const override { return SomeErrorView; }
};

} // namespace fu::qt
