// The scripts of a definition by key: cache rebuild and restart commands.
#pragma once

#include "base/Bytes.h"

#include <map>
#include <optional>
#include <string>

namespace fu {

class ScriptInfo {
public:
    std::map<std::string, std::string> scriptDict; // empty = nil

    // UTF-8 text; false for no bytes, bytes that are not UTF-8, or an empty text.
    [[nodiscard]] bool setupWithData(ByteView bytes);
    // "key<TAB>script" lines; other lines are skipped, a later key replaces an earlier one.
    // Always true, also when no script results.
    bool setupWithText(const std::string& text);
    [[nodiscard]] bool addScriptString(const std::string& script, const std::string& key);
    // nil for an empty key, an unknown key or an empty script.
    [[nodiscard]] std::optional<std::string> scriptStringForKey(const std::string& key) const;
};

} // namespace fu
