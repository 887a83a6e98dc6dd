// The batch builder that makes updated fonts from the fonts in a folder.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/CreateFontViewController.h"

namespace fu::qt {

class CreateUserViewController final : public CreateFontViewController {
public:
    CreateUserViewController();
    [[nodiscard]] int64_t viewNo() const override { return CreateUserView; }
};

} // namespace fu::qt
