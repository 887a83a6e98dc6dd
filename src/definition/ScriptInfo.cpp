#include "definition/ScriptInfo.h"

#include "definition/TextLines.h"
#include "platform/Text.h"

namespace fu {

bool ScriptInfo::setupWithData(ByteView bytes) {
    if (bytes.empty()) return false;
    const std::string text = toString(bytes);
    if (!platform::utf16Length(text)) return false;
    return setupWithText(text);
}

bool ScriptInfo::setupWithText(const std::string& text) {
    for (std::string_view line : splitText(text, '\n')) {
        const auto fields = splitText(line, '\t');
        if (fields.size() < 2 || fields[0].empty() || fields[1].empty()) continue;
        (void)addScriptString(std::string(fields[1]), std::string(fields[0]));
    }
    return true;
}

bool ScriptInfo::addScriptString(const std::string& script, const std::string& key) {
    if (script.empty() || key.empty()) return false;
    scriptDict[key] = script;
    return true;
}

std::optional<std::string> ScriptInfo::scriptStringForKey(const std::string& key) const {
    if (key.empty()) return std::nullopt;
    auto it = scriptDict.find(key);
    if (it == scriptDict.end() || it->second.empty()) return std::nullopt;
    return it->second;
}

} // namespace fu
