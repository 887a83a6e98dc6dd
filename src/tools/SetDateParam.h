// The four dates a new font is to carry, as the date sheet edits them, and which of them the
// author switched on.
#pragma once

#include <optional>
#include <string>

namespace fu {

struct SetDateParam {
    std::optional<std::string> nSfntCDate; // date texts "yyyy/MM/dd HH:mm:ss"
    std::optional<std::string> nSfntMDate;
    std::optional<std::string> nFileCDate;
    std::optional<std::string> nFileMDate;
    bool useSfntCDate = false;
    bool editAllDate = false;
    bool onNSfntCDate = false;
    bool onNSfntMDate = false;
    bool onNFileCDate = false;
    bool onNFileMDate = false;
};

} // namespace fu
