#include "definition/UpdateTargetInfo.h"

#include "definition/TextLines.h"
#include "platform/Text.h"

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
UpdateTargetInfo::initWithUpdateTargetText(const std::string& text) {
    auto info = std::make_unique<UpdateTargetInfo>();
    if (text.empty() || !info->setupWithUpdateTargetText(text)) return nullptr;
    return info;
}

std::unique_ptr<UpdateTargetInfo>
UpdateTargetInfo::initWithUpdateTargetTextFilePath(const std::string& path) {
    auto info = std::make_unique<UpdateTargetInfo>();
    if (!info->setupWithUpdateTargetTextPath(path)) return nullptr;
    return info;
}

bool UpdateTargetInfo::setupWithUpdateTargetText(const std::string& text) {
    updateTargetItems.clear();
    if (text.empty()) return false;
    for (std::string_view line : splitText(text, '\n')) {
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
