#include "shell/qt/ResultTableViewController.h"

#include "shell/AppDelegate.h"
#include "shell/qt/QtText.h"

#include <optional>
#include <string>

namespace fu::qt {
namespace {

constexpr auto kNotUpdated = "エラーのためアップデートは行われませんでした。";

} // namespace

void ResultTableViewController::setupTable(QTableView* table) {
    (void)showFoundFonts(table, {{"result", "結果", 56},
                                 {"filename", "ファイル名", 180},
                                 {"fileplace", "場所", 96},
                                 {"comment", "備考", 0}});
}

FontTableCell ResultTableViewController::tableViewObjectValueForTableColumnRow(
    const QTableView* table, const QString& identifier, int row) const {
    const UpdateFontItem* item = foundFontOfRow(table, row);
    if (!item) return {QString()};
    const bool done = item->updateResult == ItemResult::StatusOK;
    if (identifier == "result") {
        return done ? FontTableCell{QString("完了"), QColor(Qt::black)}
                    : FontTableCell{QString("未完"), QColor(Qt::red)};
    }
    if (identifier == "filename") return {fileNameText(*item)};
    if (identifier == "fileplace") return {filePlaceText(*item)};
    if (identifier == "comment") {
        if (done) return {QString()};
        const FontMessage code =
            AppDelegate::updateItemStatusFromUpdateFontItemResult(item->updateResult);
        const AppInfo* info = AppDelegate::appInfo();
        const std::optional<std::string> message =
            info->messageInfo ? info->messageInfo->messageOfStatusCode(code) : std::nullopt;
        return {message ? toQString(*message) : QString(kNotUpdated)};
    }
    return {QString()};
}

} // namespace fu::qt
