#include "definition/UpdateTarget.h"

#include "platform/DateText.h"
#include "sfnt/Tools.h"

#include <charconv>
#include <string_view>

namespace fu {
namespace {

std::optional<uint32_t> checkSumFromText(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

UpdateTarget UpdateTarget::withTexts(UpdateTarget texts) {
    UpdateTarget target;
    target.resName = std::move(texts.resName);
    target.japanFullName = std::move(texts.japanFullName);
    target.oVersStr = std::move(texts.oVersStr);
    target.checksum = std::move(texts.checksum);
    target.nVersStr = std::move(texts.nVersStr);
    target.nSfntCDate = std::move(texts.nSfntCDate);
    target.nSfntMDate = std::move(texts.nSfntMDate);
    target.nFileCDate = std::move(texts.nFileCDate);
    target.nFileMDate = std::move(texts.nFileMDate);
    target.nResMapInfo = std::move(texts.nResMapInfo);

    target.anyOldVersion = target.oVersStr == "*";
    target.anyChecksum = target.checksum == "*";
    if (!target.anyChecksum) target.checkSumAdjustment = checkSumFromText(target.checksum);
    target.raisesVersion = !target.nVersStr.empty() && target.nVersStr.front() == '*';
    if (target.raisesVersion)
        target.raiseSuffix = target.nVersStr.substr(1);
    else
        target.newVersValue = Tools::versFromVersString(target.nVersStr);
    target.sfntCreated = Tools::longDateTimeFromDateString(target.nSfntCDate);
    target.sfntModified = Tools::longDateTimeFromDateString(target.nSfntMDate);
    target.fileCreated = platform::dateFromJapanDateText(target.nFileCDate);
    target.fileModified = platform::dateFromJapanDateText(target.nFileMDate);
    return target;
}

} // namespace fu
