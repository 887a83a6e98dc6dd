// The authoring tool that clears the font caches and rebuilds them.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/AlertSheetCallbacks.h"
#include "shell/qt/AlertSheetDelegate.h"
#include "shell/qt/QtViewController.h"

#include <memory>

class QPushButton;

namespace fu::qt {

class ClearCacheViewController final : public QtViewController, public AlertSheetCallbacks {
public:
    ClearCacheViewController();
    [[nodiscard]] int64_t viewNo() const override { return ClearCacheView; }
    void alertSheetOk() override {}

    QPushButton* clearCacheButton = nullptr;
    std::unique_ptr<AlertSheetDelegate> alertSheetDelegate;
};

} // namespace fu::qt
