// The screens that end a run: success (6, 93), nothing found (94), the per-font result tables
// (95 to 97) and the error screen (98).
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/FontTable.h"
#include "shell/qt/QtViewController.h"

#include <optional>

class QLabel;
class QTableView;

namespace fu::qt {

// Restart where the screen offers it, End everywhere.
class ResultViewController : public QtViewController {
protected:
    // Connects the screen's buttons by their names in the interface description.
    void connectButtons();
};

class SuccessViewController final : public ResultViewController {
public:
    SuccessViewController();
    [[nodiscard]] int64_t viewNo() const override { return SuccessView; }
};

class SuccessPlusViewController final : public ResultViewController {
public:
    SuccessPlusViewController();
    [[nodiscard]] int64_t viewNo() const override { return SuccessPlusView; }
};

class NotFoundViewController final : public ResultViewController {
public:
    NotFoundViewController();
    [[nodiscard]] int64_t viewNo() const override { return NotFoundView; }
};

// One row per font of the run: done or not, where, and why not.
class ResultTableViewController : public ResultViewController, public FontTableSource {
public:
    [[nodiscard]] int numberOfRowsInTableView(const QTableView* tableView) const override;
    [[nodiscard]] FontTableCell tableViewObjectValueForTableColumnRow(const QTableView* tableView,
                                                                      const QString& identifier,
                                                                      int row) const override;
    QTableView* tableView = nullptr;

protected:
    void setupTable(QTableView* table);
};

class SomeErrorViewController final : public ResultTableViewController {
public:
    SomeErrorViewController();
    [[nodiscard]] int64_t viewNo() const override { return SomeErrorView; }
};

class SomeErrorPlusViewController final : public ResultTableViewController {
public:
    SomeErrorPlusViewController();
    [[nodiscard]] int64_t viewNo() const override { return SomeErrorPlusView; }
};

class AllErrorViewController final : public ResultTableViewController {
public:
    AllErrorViewController();
    [[nodiscard]] int64_t viewNo() const override { return AllErrorView; }
};

class ErrorViewController final : public ResultViewController {
public:
    ErrorViewController();
    [[nodiscard]] int64_t viewNo() const override { return ErrorView; }
    void setUpdateResult(const UpdateResult& result) override;

    QLabel* messageText = nullptr;
};

} // namespace fu::qt
