// The wizard's folder screen: the two Fonts folders that the search will look through.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/QtViewController.h"

class QLineEdit;

namespace fu::qt {

class CheckFontViewController final : public QtViewController {
public:
    CheckFontViewController();
    [[nodiscard]] int64_t viewNo() const override { return CheckFontView; }
    void setupViewItems();

    QLineEdit* localPath = nullptr;
    QLineEdit* usersPath = nullptr;
};

} // namespace fu::qt
