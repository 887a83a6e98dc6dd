// The wizard's course: read-me, folders, search, list, update (views 1 to 5).
#pragma once

#include "engine/UpdateManager.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/FontTable.h"
#include "shell/qt/QtViewController.h"
#include "shell/qt/Sheets.h"

#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTextBrowser;
class QWidget;

namespace fu::qt {

class ReadMeViewController final : public QtViewController, public AlertSheetCallbacks {
public:
    ReadMeViewController();
    [[nodiscard]] int64_t viewNo() const override { return ReadMeView; }

    bool setupViewItems();
    void startupMassegaeWithWindow(AppWindow& window) override;
    void alertNoSupportSystem(AppWindow& window);
    void alertPleaseQuitAllApplication(AppWindow& window);
    void alertFontUpdateDefaineFail(AppWindow& window);
    void alertSheetOk() override {}

    QTextBrowser* textView = nullptr;
    QLabel* commentText = nullptr;
    QLabel* signatureWarning = nullptr; // shown for a definition without a trusted signer
    QPushButton* nextButton = nullptr;
    std::unique_ptr<AlertSheetDelegate> alertSheetDelegate;

private:
    void showAlert(AppWindow& window, const QString& message);
};

class CheckFontViewController final : public QtViewController {
public:
    CheckFontViewController();
    [[nodiscard]] int64_t viewNo() const override { return CheckFontView; }
    void setupViewItems();

    QLineEdit* localPath = nullptr;
    QLineEdit* usersPath = nullptr;
};

// The search and the update: each starts a second after its screen is up, runs to the end in
// that call, and repaints from inside every progress report.
class ProgressViewController : public QtViewController, public UpdateManagerDelegate {
public:
    ~ProgressViewController() override;

    void startProcess();
    virtual void startIndicator() = 0;
    void processProgress(const UpdateResult& result) override;

    QProgressBar* indicator = nullptr;
    QLabel* text = nullptr;

protected:
    ProgressViewController() = default;
    // Called by each screen once its elements are in place.
    void scheduleStart();
    // Moves on, once the report is over, to the screen the outcome chose.
    void showOutcome(int64_t next, const UpdateResult& result);
    virtual void runOperation(UpdateManager& manager) = 0;
};

class CheckNowViewController final : public ProgressViewController {
public:
    CheckNowViewController();
    [[nodiscard]] int64_t viewNo() const override { return CheckNowView; }
    void startIndicator() override;
    void processComplete(const UpdateResult& result) override;

private:
    void runOperation(UpdateManager& manager) override { manager.findUpdateNecessaryFont(); }
};

class UpdateNowViewController final : public ProgressViewController {
public:
    UpdateNowViewController();
    [[nodiscard]] int64_t viewNo() const override { return UpdateNowView; }
    void startIndicator() override;
    void processComplete(const UpdateResult& result) override;

private:
    void runOperation(UpdateManager& manager) override { manager.exeUpdateRequestedFont(); }
};

class UpdateListViewController final : public QtViewController,
                                       public FontTableSource,
                                       public AskSheetCallbacks {
public:
    UpdateListViewController();
    [[nodiscard]] int64_t viewNo() const override { return UpdateListView; }

    [[nodiscard]] int numberOfRowsInTableView(const QTableView* tableView) const override;
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

    QTableView* tableView = nullptr;
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
