// The editor of a definition's update targets, with the sheets it carries.
#pragma once

#include "engine/TestOption.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/AskDiscardSheetDelegate.h"
#include "shell/qt/OptionSheetDelegate.h"
#include "shell/qt/SetDateSheetDelegate.h"
#include "shell/qt/SetVersSheetDelegate.h"
#include "shell/qt/ToolEditorViewController.h"

#include <memory>
#include <optional>
#include <string>

class QPushButton;

namespace fu::qt {

class TargetEditViewController final : public ToolEditorViewController {
public:
    TargetEditViewController();
    [[nodiscard]] int64_t viewNo() const override { return TargetEditView; }
    [[nodiscard]] std::optional<std::string> textFromUpdaterParam() const { return std::nullopt; }

    QPushButton *updateButton = nullptr, *deleteButton = nullptr, *setVersButton = nullptr,
                *setDateButton = nullptr, *exportButton = nullptr, *loadButton = nullptr,
                *saveButton = nullptr, *testButton = nullptr, *optionButton = nullptr,
                *createNewButton = nullptr, *importVersDateButton = nullptr,
                *exportTabTextButton = nullptr;
    std::unique_ptr<TestOption> testOption;
    std::unique_ptr<OptionSheetDelegate> optionSheetDelegate;
    std::unique_ptr<SetDateSheetDelegate> setDateSheetDelegate;
    std::unique_ptr<SetVersSheetDelegate> setVersSheetDelegate;
    std::unique_ptr<AskDiscardSheetDelegate> askDiscardSheetDelegate;
};

} // namespace fu::qt
