// The authoring tools' screens (views 100 to 106) and their sheets. Each screen is made once and
// kept by the application state; its controls and state are there for the view switch to show,
// and no control starts an operation yet.
#pragma once

#include "base/Bytes.h"
#include "engine/UpdateManager.h"
#include "shell/TestOption.h"
#include "shell/ViewNumbers.h"
#include "shell/qt/QtViewController.h"
#include "shell/qt/Sheets.h"
#include "tools/CheckTargetInfo.h"
#include "tools/SetDateParam.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace fu::qt {

// ---- Sheets ----

class OptionSheetDelegate {
public:
    OptionSheetDelegate(); // loads "OptionSheet"
    ~OptionSheetDelegate();
    OptionSheetDelegate(const OptionSheetDelegate&) = delete;
    OptionSheetDelegate& operator=(const OptionSheetDelegate&) = delete;
    void openSheetOnParentWindow(QWidget* parent, TestOption* testOption);

    [[nodiscard]] SheetWindow* window() const { return window_; }
    void* delegate = nullptr;
    TestOption* option = nullptr; // not owned
    QCheckBox *noSysVerCheckButton = nullptr, *noSuppSysButton = nullptr, *tempOnDeskButton = nullptr,
              *notRemoveTempButton = nullptr, *oldMoveToDeskButton = nullptr, *mulFontSizeButton = nullptr,
              *freeSizeButton = nullptr;
    QLabel *mulNLabelText = nullptr, *mulCommentText = nullptr, *mulValueMsgText = nullptr,
           *tempDirNameText = nullptr, *freeSizeLabelText = nullptr, *freeSizeMsgText = nullptr;
    QLineEdit *mulValueText = nullptr, *freeSizeValueText = nullptr;

private:
    QPointer<SheetWindow> window_;
};

class SetDateSheetDelegate {
public:
    SetDateSheetDelegate(); // loads "SetDateSheet"
    ~SetDateSheetDelegate();
    SetDateSheetDelegate(const SetDateSheetDelegate&) = delete;
    SetDateSheetDelegate& operator=(const SetDateSheetDelegate&) = delete;
    void openSheetOnParentWindow(QWidget* parent, SetDateParam* setDateParam);

    [[nodiscard]] SheetWindow* window() const { return window_; }
    void* delegate = nullptr;
    SetDateParam dateParam;
    QPushButton* okButton = nullptr;
    QCheckBox *useSfntCDateButton = nullptr, *editAllDateButton = nullptr;
    QDateTimeEdit *sfntCDatePicker = nullptr, *sfntMDatePicker = nullptr, *fileCDatePicker = nullptr,
                  *fileMDatePicker = nullptr;

private:
    QPointer<SheetWindow> window_;
};

class SetVersSheetDelegate {
public:
    SetVersSheetDelegate(); // loads "SetVersSheet"
    ~SetVersSheetDelegate();
    SetVersSheetDelegate(const SetVersSheetDelegate&) = delete;
    SetVersSheetDelegate& operator=(const SetVersSheetDelegate&) = delete;
    void openSheetOnParentWindow(QWidget* parent, const std::string& versString);

    [[nodiscard]] SheetWindow* window() const { return window_; }
    void* delegate = nullptr;
    QComboBox* typePopup = nullptr;
    QLineEdit* versText = nullptr;

private:
    QPointer<SheetWindow> window_;
};

// ---- Screens ----

// The editors: the shell asks them before another editor takes over; they never hold unsaved
// work, so nothing ever stops for a question.
class ToolEditorViewController : public QtViewController {
public:
    [[nodiscard]] bool checkModify() const override { return false; }
    void askDiscard(const std::string& action) override { (void)action; }
    void askChangeView(int64_t viewNo) override { (void)viewNo; }

    // The sheet callbacks the editors offer; none has anything to do yet.
    void setDateSheetOk(const SetDateParam& param) { (void)param; }
    void setDateSheetCancel() {}
    void setVersSheetOk(const std::string& vers) { (void)vers; }
    void setVersSheetCancel() {}
    void askDiscardSheetOk(const std::string& type) { (void)type; }
    void askDiscardSheetCancel() {}
    void optionSheetOk(const TestOption& option) { (void)option; }
    void optionSheetCancel() {}

    std::optional<std::string> fileUrl;
    std::optional<Bytes> loadData;
    int64_t chageToViewNo = 0;
    QTableView* tableView = nullptr;
    QLabel* numOfItemText = nullptr;

protected:
    // Everything but the load button waits for a document.
    void enableLoadButtonOnly();
};

class ParamToolViewController final : public QtViewController {
public:
    ParamToolViewController();
    [[nodiscard]] int64_t viewNo() const override { return ParamToolView; }

    QLineEdit *encryptKeyText = nullptr, *readMePathText = nullptr, *updaterParamPathText = nullptr,
              *scriptPathText = nullptr, *copyrightText = nullptr, *exportNameText = nullptr,
              *infoNameText = nullptr, *infoOldText = nullptr, *infoNewText = nullptr;
    QTableView* tableView = nullptr;
    QPushButton *tableAddLineButton = nullptr, *tableDelLineButton = nullptr, *tableSetOldButton = nullptr,
                *tableSetNeweButton = nullptr;

    std::optional<std::string> encryptKeyStr, readMePath, updaterParamPath, scriptPath, copyrightStr;
    std::string exportNameStr = "UpdaterParam.fupdef";
    // Per line: name, old font path, new font path.
    std::vector<std::vector<std::string>> sfntPathSets;
};

class TargetEditViewController final : public ToolEditorViewController {
public:
    TargetEditViewController();
    [[nodiscard]] int64_t viewNo() const override { return TargetEditView; }
    [[nodiscard]] std::optional<std::string> textFromUpdaterParam() const { return std::nullopt; }

    QPushButton *updateButton = nullptr, *deleteButton = nullptr, *setVersButton = nullptr,
                *setDateButton = nullptr, *exportButton = nullptr, *loadButton = nullptr, *saveButton = nullptr,
                *testButton = nullptr, *optionButton = nullptr, *createNewButton = nullptr,
                *importVersDateButton = nullptr, *exportTabTextButton = nullptr;
    std::unique_ptr<TestOption> testOption;
    std::unique_ptr<OptionSheetDelegate> optionSheetDelegate;
    std::unique_ptr<SetDateSheetDelegate> setDateSheetDelegate;
    std::unique_ptr<SetVersSheetDelegate> setVersSheetDelegate;
    std::unique_ptr<AskDiscardSheetDelegate> askDiscardSheetDelegate;
};

class ClearCacheViewController final : public QtViewController, public AlertSheetCallbacks {
public:
    ClearCacheViewController();
    [[nodiscard]] int64_t viewNo() const override { return ClearCacheView; }
    void alertSheetOk() override {}

    QPushButton* clearCacheButton = nullptr;
    std::unique_ptr<AlertSheetDelegate> alertSheetDelegate;
};

// The two batch builders: a source and an output folder, and Execute.
class CreateFontViewController : public QtViewController,
                                 public AskSheetCallbacks,
                                 public CreateFontCompleteDelegate {
public:
    void askSheetOk() override {}
    void askSheetCancel() override {}
    void createFontComplete(const std::string& logText) override { (void)logText; }
    void createFontProgressSheetClosed() {}
    void createFontCompleteSheetOk() {}

    QPushButton* executeButton = nullptr;
    QLineEdit *srcFolderPathText = nullptr, *dstFolderPathText = nullptr;
    QPointer<QWidget> sheetKeyWindow;
    std::unique_ptr<AskSheetDelegate> askSheetDelegate;
    std::unique_ptr<AlertSheetDelegate> progressSheetDelegate;
    std::unique_ptr<AlertSheetDelegate> completeSheetDelegate;

protected:
    template <class Form>
    void setupForm();
};

class CreateNewViewController final : public CreateFontViewController {
public:
    CreateNewViewController();
    [[nodiscard]] int64_t viewNo() const override { return CreateNewView; }
};

class CreateUserViewController final : public CreateFontViewController {
public:
    CreateUserViewController();
    [[nodiscard]] int64_t viewNo() const override { return CreateUserView; }
};

class FontListViewController final : public ToolEditorViewController {
public:
    FontListViewController();
    [[nodiscard]] int64_t viewNo() const override { return FontListView; }

    QPushButton *deleteButton = nullptr, *exportButton = nullptr, *loadButton = nullptr, *saveButton = nullptr,
                *updateButton = nullptr, *exportUpgradeModeButton = nullptr, *exportTabTextButton = nullptr;
    std::unique_ptr<CheckTargetInfo> checkTargetInfo;
};

class UserUpdateViewController final : public ToolEditorViewController {
public:
    UserUpdateViewController();
    [[nodiscard]] int64_t viewNo() const override { return UserUpdateView; }
    [[nodiscard]] std::optional<std::string> textFromUserUpdaterParamWithUpgradeMode(bool upgradeMode) const {
        (void)upgradeMode;
        return std::nullopt;
    }

    QPushButton *deleteButton = nullptr, *updateButton = nullptr, *setDateButton = nullptr, *testButton = nullptr,
                *optionButton = nullptr, *loadButton = nullptr, *saveButton = nullptr,
                *exportUserUpdateButton = nullptr, *createNewButton = nullptr, *exportTabTextButton = nullptr;
    std::unique_ptr<CheckTargetInfo> checkTargetInfo;
    std::unique_ptr<TestOption> testOption;
};

} // namespace fu::qt
