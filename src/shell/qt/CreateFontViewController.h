// What the two batch builders share (new fonts, user fonts): a source and an output folder, and
// Execute. Each is made once and kept by the application state; Execute starts nothing yet.
#pragma once

#include "engine/UpdateManager.h"
#include "shell/qt/AlertSheetDelegate.h"
#include "shell/qt/AskSheetCallbacks.h"
#include "shell/qt/AskSheetDelegate.h"
#include "shell/qt/QtViewController.h"

#include <QPointer>

#include <memory>
#include <string>

class QLineEdit;
class QPushButton;
class QWidget;

namespace fu::qt {

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
    // Both builders' interface descriptions name their controls alike.
    template <class Form> void setupForm() {
        Form form;
        form.setupUi(view_);
        setupControls(form.executeButton, form.srcFolderPathText, form.dstFolderPathText);
    }

private:
    void setupControls(QPushButton* execute, QLineEdit* srcFolder, QLineEdit* dstFolder);
};

} // namespace fu::qt
