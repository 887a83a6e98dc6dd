#include "definition/UpdateTargetInfo.h"

#include "definition/TextLines.h"
#include "platform/Text.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace fu {

namespace {

constexpr size_t kTargetFields = 10;

// A file's text when it is non-empty UTF-8.
std::optional<std::string> readUtf8File(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (in.bad() || text.empty() || !platform::utf16Length(text)) return std::nullopt;
    return text;
}

} // namespace

bool UpdateTargetItem::checkPropertys(const UpdateTargetItem* item) {
    if (!item) return false;
    for (const std::string* field :
         {&item->resName, &item->japanFullName, &item->oVersStr, &item->checksum, &item->nVersStr,
          &item->nSfntCDate, &item->nSfntMDate, &item->nFileCDate, &item->nFileMDate,
          &item->nResMapInfo})
        if (field->empty()) return false;
    return true;
}

std::unique_ptr<UpdateTargetInfo>
UpdateTargetInfo::initWithUpdateTargetText(const std::string& text, size_t targetLimit) {
    auto info = std::make_unique<UpdateTargetInfo>();
    if (text.empty() || !info->setupWithUpdateTargetText(text, targetLimit)) return nullptr;
    return info;
}

std::unique_ptr<UpdateTargetInfo>
UpdateTargetInfo::initWithUpdateTargetTextFilePath(const std::string& path) {
    auto info = std::make_unique<UpdateTargetInfo>();
    if (!info->setupWithUpdateTargetTextPath(path)) return nullptr;
    return info;
}

bool UpdateTargetInfo::setupWithUpdateTargetText(const std::string& text, size_t targetLimit) {
    updateTargetItems.clear();
    if (text.empty()) return false;
    // Line by line rather than split whole: a text of empty lines holds no list of them.
    const std::string_view all(text);
    for (size_t start = 0; start <= all.size();) {
        const size_t end = std::min(all.find('\n', start), all.size());
        const std::string_view line = all.substr(start, end - start);
        start = end + 1;
        const auto fields = splitText(line, '\t');
        if (fields.size() < kTargetFields) continue;
        bool complete = true;
        for (size_t i = 0; i < kTargetFields; ++i)
            complete = complete && !fields[i].empty();
        if (!complete) continue;
        // Only the ten fields decide whether a line is a target; a field that does not read
        // fails the fonts it is tried on, not the line.
        auto item = std::make_unique<UpdateTargetItem>(UpdateTarget::withTexts({
            .resName = std::string(fields[0]),
            .japanFullName = std::string(fields[1]),
            .oVersStr = std::string(fields[2]),
            .checksum = std::string(fields[3]),
            .nVersStr = std::string(fields[4]),
            .nSfntCDate = std::string(fields[5]),
            .nSfntMDate = std::string(fields[6]),
            .nFileCDate = std::string(fields[7]),
            .nFileMDate = std::string(fields[8]),
            .nResMapInfo = std::string(fields[9]),
        }));
        updateTargetItems.push_back(std::move(item));
        if (updateTargetItems.size() > targetLimit) break;
    }
    return !updateTargetItems.empty();
}

bool UpdateTargetInfo::setupWithUpdateTargetTextPath(const std::string& path) {
    auto text = readUtf8File(path);
    if (!text) return false;
    return setupWithUpdateTargetText(*text);
}

UpdateTargetItem* UpdateTargetInfo::updateTargetItemAtIndex(int64_t index) const {
    if (index < 0 || index >= countOfUpdateTargetItem()) return nullptr;
    return updateTargetItems[size_t(index)].get();
}

} // namespace fu
