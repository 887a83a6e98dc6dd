// The dates a new suitcase is to bear travel in the model's attributes, which the writer
// applies to the new file.
#include "suitcase/ResFile.h"

#include "platform/DateText.h"

namespace fu {

bool ResFile::setCreDate(std::optional<std::chrono::sys_seconds> creDate,
                         std::optional<std::chrono::sys_seconds> modDate, ResFile& resFile) {
    if ((!creDate && !modDate) || !resFile.resFileAttr) return false;
    if (creDate) resFile.resFileAttr->creationDate = creDate;
    if (modDate) resFile.resFileAttr->modificationDate = modDate;
    return true;
}

bool ResFile::setCreateDateString(std::string_view createDateString,
                                  std::string_view modifyDateString, ResFile& resFile) {
    if (createDateString.empty() || modifyDateString.empty() || !resFile.resFileAttr) return false;
    // Definitions give their dates in Japan time whatever the system's time zone.
    const std::optional<std::chrono::sys_seconds> created =
        platform::dateFromJapanDateText(createDateString);
    const std::optional<std::chrono::sys_seconds> modified =
        platform::dateFromJapanDateText(modifyDateString);
    if (!created || !modified) return false;
    return setCreDate(created, modified, resFile);
}

} // namespace fu
