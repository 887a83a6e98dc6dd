#include "shell/qt/FontTable.h"

#include "engine/UpdateFontInfo.h"
#include "shell/qt/QtText.h"

#include <QHeaderView>
#include <QTableView>

#include <filesystem>

namespace fu::qt {

FontTableModel::FontTableModel(QTableView* tableView, FontTableSource* source,
                               std::vector<FontTableColumn> columns)
    : QAbstractTableModel(tableView), tableView_(tableView), source_(source),
      columns_(std::move(columns)) {
    rows_ = source_->numberOfRowsInTableView(tableView_);
    tableView_->setModel(this);
    QHeaderView* header = tableView_->horizontalHeader();
    for (int column = 0; column < int(columns_.size()); ++column) {
        if (columns_[size_t(column)].width > 0) {
            header->resizeSection(column, columns_[size_t(column)].width);
        }
    }
    QObject::connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged,
                     tableView_, [source = source_] { source->tableViewSelectionDidChange(); });
}

int FontTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int FontTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant FontTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= int(columns_.size())) return {};
    const QString& identifier = columns_[size_t(index.column())].identifier;
    const bool checkColumn = identifier == "check";
    if (role == Qt::DisplayRole && checkColumn) return {};
    if (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::CheckStateRole &&
        role != Qt::ToolTipRole)
        return {};
    if (role == Qt::CheckStateRole && !checkColumn) return {};
    const FontTableCell cell =
        source_->tableViewObjectValueForTableColumnRow(tableView_, identifier, index.row());
    switch (role) {
    case Qt::CheckStateRole: return cell.value.toInt() != 0 ? Qt::Checked : Qt::Unchecked;
    case Qt::ForegroundRole: return cell.color.isValid() ? QVariant(cell.color) : QVariant();
    default: return cell.value;
    }
}

QVariant FontTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= int(columns_.size()))
        return {};
    return columns_[size_t(section)].title;
}

Qt::ItemFlags FontTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && columns_[size_t(index.column())].identifier == "check") {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

bool FontTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    (void)value;
    if (role != Qt::CheckStateRole || !index.isValid() ||
        columns_[size_t(index.column())].identifier != "check")
        return false;
    source_->actionCheckBox(index.row());
    return true;
}

void FontTableModel::reloadData() {
    const int rows = source_->numberOfRowsInTableView(tableView_);
    if (rows != rows_) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
        return;
    }
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, int(columns_.size()) - 1));
}

int FontTableModel::columnOf(const QString& identifier) const {
    for (size_t column = 0; column < columns_.size(); ++column) {
        if (columns_[column].identifier == identifier) return int(column);
    }
    return -1;
}

QString filePlaceText(const UpdateFontItem& item) {
    switch (item.pathDomain) {
    case kComputerDomain: return "コンピュータ";
    case kUserDomain: return "ユーザ";
    default: return {};
    }
}

QString fileNameText(const UpdateFontItem& item) {
    if (item.srcPath.empty()) return {};
    const std::filesystem::path name = std::filesystem::path(item.srcPath).filename();
    if (item.subDirPath && !item.subDirPath->empty()) {
        return toQString((std::filesystem::path(*item.subDirPath) / name).string());
    }
    return toQString(name.string());
}

} // namespace fu::qt
