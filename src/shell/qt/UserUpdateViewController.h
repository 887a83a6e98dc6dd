// The user-update editor: a list of check targets, exported as a user update.
#pragma once

#include "engine/TestOption.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/ToolEditorViewController.h"
#include "tools/CheckTargetInfo.h"

#include <memory>
#include <optional>
#include <string>

class QPushButton;

namespace fu::qt {

class UserUpdateViewController final : public ToolEditorViewController {
public:
    UserUpdateViewController();
    [[nodiscard]] int64_t viewNo() const override { return UserUpdateView; }
    [[nodiscard]] std::optional<std::string>
    textFromUserUpdaterParamWithUpgradeMode(bool upgradeMode) const {
        (void)upgradeMode;
        return std::nullopt;
    }

    QPushButton *deleteButton = nullptr, *updateButton = nullptr, *setDateButton = nullptr,
                *testButton = nullptr, *optionButton = nullptr, *loadButton = nullptr,
                *saveButton = nullptr, *exportUserUpdateButton = nullptr,
                *createNewButton = nullptr, *exportTabTextButton = nullptr;
    std::unique_ptr<CheckTargetInfo> checkTargetInfo;
    std::unique_ptr<TestOption> testOption;
};

} // namespace fu::qt
