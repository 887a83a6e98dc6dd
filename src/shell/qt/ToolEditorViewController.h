// What the authoring tools' editors share (target list, font list, user update). Each is made
// once and kept by the application state; no control starts an operation yet.
#pragma once

#include "base/Bytes.h"
#include "engine/TestOption.h"
#include "shell/qt/QtViewController.h"
#include "tools/SetDateParam.h"

#include <optional>
#include <string>

class QLabel;
class QTableView;

namespace fu::qt {

// The shell asks an editor before another one takes over; they never hold unsaved work, so
// nothing ever stops for a question.
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
    // Takes the document's table and its item count; everything but the load button then waits
    // for a document.
    void setupEditor(QTableView* table, QLabel* itemCount);
};

} // namespace fu::qt
