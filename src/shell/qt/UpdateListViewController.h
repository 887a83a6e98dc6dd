// The wizard's list of the fonts the search found: each checked or not for the update, the
// space the update needs, and the question before the run.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/AskSheetCallbacks.h"
#include "shell/qt/AskSheetDelegate.h"
#include "shell/qt/FoundFontTableSource.h"
#include "shell/qt/QtViewController.h"

#include <memory>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTableView;
class QWidget;

namespace fu::qt {

class UpdateListViewController final : public QtViewController,
                                       public FoundFontTableSource,
                                       public AskSheetCallbacks {
public:
    UpdateListViewController();
    [[nodiscard]] int64_t viewNo() const override { return UpdateListView; }

    [[nodiscard]] FontTableCell tableViewObjectValueForTableColumnRow(const QTableView* tableView,
                                                                      const QString& identifier,
                                                                      int row) const override;
    void actionCheckBox(int row) override;
    void actionNext();
    void updateView() override;
    void updateInfoView();
    void changeInfoViewToViewNo(int viewNo);
    void askSheetOk() override;
    void askSheetCancel() override;

    QPushButton* nextButton = nullptr;
    QStackedWidget* infoView = nullptr;
    QWidget* messageView = nullptr;
    QLabel* messageText = nullptr;
    QWidget* diskInfoView = nullptr;
    QLabel* reqFileSizeText = nullptr;
    QLabel* diskFreeSizeText = nullptr;
    std::unique_ptr<AskSheetDelegate> askSheetDelegate;

private:
    FontTableModel* model_ = nullptr;
};

} // namespace fu::qt
