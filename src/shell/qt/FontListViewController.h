// The font-list editor: a list of check targets, exported for a definition or an upgrade.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/ToolEditorViewController.h"
#include "tools/CheckTargetInfo.h"

#include <memory>

class QPushButton;

namespace fu::qt {

class FontListViewController final : public ToolEditorViewController {
public:
    FontListViewController();
    [[nodiscard]] int64_t viewNo() const override { return FontListView; }

    QPushButton *deleteButton = nullptr, *exportButton = nullptr, *loadButton = nullptr,
                *saveButton = nullptr, *updateButton = nullptr, *exportUpgradeModeButton = nullptr,
                *exportTabTextButton = nullptr;
    std::unique_ptr<CheckTargetInfo> checkTargetInfo;
};

} // namespace fu::qt
