// The batch builder that makes the new fonts of the update targets from a folder of fonts.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/CreateFontViewController.h"

namespace fu::qt {

class CreateNewViewController final : public CreateFontViewController {
public:
    CreateNewViewController();
    [[nodiscard]] int64_t viewNo() const override { return CreateNewView; }
};

} // namespace fu::qt
