// What the result tables share: one row per font of the run, done or not, where, and why not.
#pragma once

#include "shell/qt/FoundFontTableSource.h"
#include "shell/qt/ResultViewController.h"

class QTableView;

namespace fu::qt {

class ResultTableViewController : public ResultViewController, public FoundFontTableSource {
public:
    [[nodiscard]] FontTableCell tableViewObjectValueForTableColumnRow(const QTableView* tableView,
                                                                      const QString& identifier,
                                                                      int row) const override;

protected:
    void setupTable(QTableView* table);
};

} // namespace fu::qt
