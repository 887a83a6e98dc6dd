#include "suitcase/ResStatus.h"

#include <ostream>
#include <string_view>

namespace fu {

namespace {

std::string_view nameOf(ResStatus status) {
    switch (status) {
        using enum ResStatus;
    case resNoErr: return "resNoErr";
    case resErrArgument: return "resErrArgument";
    case resErrNoFileManager: return "resErrNoFileManager/resErrNameEncoding";
    case resErrMemory: return "resErrMemory/resErrNameDecoding";
    case resErrNoTemplate: return "resErrNoTemplate";
    case resErrTemplateLength: return "resErrTemplateLength";
    case resErrCreate: return "resErrCreate";
    case resErrOpenFork: return "resErrOpenFork";
    case resErrWrite: return "resErrWrite";
    case resErrAttributes: return "resErrAttributes";
    case resErrMapRead: return "resErrMapRead";
    case resErrLengthWord: return "resErrLengthWord";
    case resErrNotSuitcase: return "resErrNotSuitcase";
    case resErrNoAttributes: return "resErrNoAttributes";
    case resErrFileTooLarge: return "resErrFileTooLarge";
    case resErrDataOffset: return "resErrDataOffset";
    case resErrNoItemData: return "resErrNoItemData";
    case resErrNameTooLong: return "resErrNameTooLong";
    case resErrItemCount: return "resErrItemCount";
    case resErrModelTypes: return "resErrModelTypes";
    case resErrTemplateRefs: return "resErrTemplateRefs";
    case resErrTemplateTypes: return "resErrTemplateTypes";
    case resErrModelMismatch: return "resErrModelMismatch";
    case resErrSwapBounds: return "resErrSwapBounds";
    case resErrSwapArgument: return "resErrSwapArgument";
    case resErrVerify: return "resErrVerify";
    case resErrCensus: return "resErrCensus";
    case resErrDataRead: return "resErrDataRead";
    case resErrForkSize: return "resErrForkSize";
    case resErrMapBounds: return "resErrMapBounds";
    }
    return {};
}

} // namespace

std::ostream& operator<<(std::ostream& out, ResStatus status) {
    out << code(status);
    if (const std::string_view name = nameOf(status); !name.empty()) out << ' ' << name;
    return out;
}

} // namespace fu
