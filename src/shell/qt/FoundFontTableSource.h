// The rows of the update list and of the result tables: the fonts the last search found, one a
// row, in the screen's one table.
#pragma once

#include "shell/qt/FontTable.h"

#include <vector>

class QTableView;

namespace fu {
class UpdateFontItem;
}

namespace fu::qt {

class FoundFontTableSource : public FontTableSource {
public:
    [[nodiscard]] int numberOfRowsInTableView(const QTableView* tableView) const override;

    QTableView* tableView = nullptr;

protected:
    // The table shows the found fonts in these columns; its model belongs to the table.
    FontTableModel* showFoundFonts(QTableView* table, std::vector<FontTableColumn> columns);
    // The font of the row in this screen's table; null for any other table, or past the end.
    [[nodiscard]] const UpdateFontItem* foundFontOfRow(const QTableView* table, int row) const;
};

} // namespace fu::qt
