// The font tables of the update list and the result screens: columns known by identifier, each
// cell asked of the screen's controller, as a data source is.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QTableView;

namespace fu {
class UpdateFontItem;
}

namespace fu::qt {

struct FontTableColumn {
    QString identifier;
    QString title;
    int width = 0; // 0: the rest of the row
};

struct FontTableCell {
    QVariant value;    // a string; the number 1 or 0 for the check column
    QColor color = {}; // invalid: the table's own colour
};

class FontTableSource {
public:
    virtual ~FontTableSource() = default;
    [[nodiscard]] virtual int numberOfRowsInTableView(const QTableView* tableView) const = 0;
    [[nodiscard]] virtual FontTableCell
    tableViewObjectValueForTableColumnRow(const QTableView* tableView, const QString& identifier,
                                          int row) const = 0;
    // The check box of the row was clicked.
    virtual void actionCheckBox(int row) { (void)row; }
    // Selection changes mean nothing to these screens.
    virtual void tableViewSelectionDidChange() {}
};

class FontTableModel final : public QAbstractTableModel {
public:
    FontTableModel(QTableView* tableView, FontTableSource* source,
                   std::vector<FontTableColumn> columns);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Every cell asked again.
    void reloadData();
    [[nodiscard]] int columnOf(const QString& identifier) const;

private:
    QTableView* tableView_;
    FontTableSource* source_;
    std::vector<FontTableColumn> columns_;
    int rows_ = 0;
};

// Cells both kinds of table show the same way.
[[nodiscard]] QString filePlaceText(const UpdateFontItem& item);
[[nodiscard]] QString fileNameText(const UpdateFontItem& item);

} // namespace fu::qt
