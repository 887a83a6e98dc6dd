// The screen after a search that found nothing to update.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ResultViewController.h"

namespace fu::qt {

class NotFoundViewController final : public ResultViewController {
public:
    NotFoundViewController();
    [[nodiscard]] int64_t viewNo() const override { return NotFoundView; }
};

} // namespace fu::qt
