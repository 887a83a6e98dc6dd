#include "shell/qt/FoundFontTableSource.h"

#include "shell/AppDelegate.h"

#include <algorithm>
#include <utility>

namespace fu::qt {

int FoundFontTableSource::numberOfRowsInTableView(const QTableView* table) const {
    const AppInfo* info = AppDelegate::appInfo();
    if (table != tableView || !info || !info->updateFontInfo) return 0;
    return int(std::min<int64_t>(info->updateFontInfo->countOfUpdateFontItemAll(), INT32_MAX));
}

FontTableModel* FoundFontTableSource::showFoundFonts(QTableView* table,
                                                     std::vector<FontTableColumn> columns) {
    tableView = table;
    return new FontTableModel(tableView, this, std::move(columns));
}

const UpdateFontItem* FoundFontTableSource::foundFontOfRow(const QTableView* table, int row) const {
    const AppInfo* info = AppDelegate::appInfo();
    if (table != tableView || !info || !info->updateFontInfo) return nullptr;
    return info->updateFontInfo->updateFontItemAtIndex(row);
}

} // namespace fu::qt
