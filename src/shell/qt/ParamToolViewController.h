// The parameter tool, which makes a definition file: the sources of its sections (read-me,
// targets, scripts, font sets), its key and copyright, and the name it is exported under.
#pragma once

#include "shell/ViewNumbers.h"
#include "shell/qt/QtViewController.h"

#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableView;

namespace fu::qt {

class ParamToolViewController final : public QtViewController {
public:
    ParamToolViewController();
    [[nodiscard]] int64_t viewNo() const override { return ParamToolView; }

    QLineEdit *encryptKeyText = nullptr, *readMePathText = nullptr, *updaterParamPathText = nullptr,
              *scriptPathText = nullptr, *copyrightText = nullptr, *exportNameText = nullptr,
              *infoNameText = nullptr, *infoOldText = nullptr, *infoNewText = nullptr;
    QTableView* tableView = nullptr;
    QPushButton *tableAddLineButton = nullptr, *tableDelLineButton = nullptr,
                *tableSetOldButton = nullptr, *tableSetNeweButton = nullptr;

    std::optional<std::string> encryptKeyStr, readMePath, updaterParamPath, scriptPath,
        copyrightStr;
    std::string exportNameStr = "UpdaterParam.fupdef";
    // Per line: name, old font path, new font path.
    std::vector<std::vector<std::string>> sfntPathSets;
};

} // namespace fu::qt
