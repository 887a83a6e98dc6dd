// The screen after a run that updated no font.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ResultTableViewController.h"

namespace fu::qt {

class AllErrorViewController final : public ResultTableViewController {
public:
    AllErrorViewController();
    [[nodiscard]] int64_t viewNo() const override { return AllErrorView; }
};

} // namespace fu::qt
