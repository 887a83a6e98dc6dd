// Where a finished search or update run leads. The progress screens only report; the choice of
// the next screen is made here, away from the toolkit, so that it can be checked on its own.
#pragma once

#include "engine/StatusCodes.h"

#include <cstdint>

namespace fu {

class AppDelegate;
class UpdateResult;

// After a search: its error screen when it failed, else the list of what it found, or the word
// that there is nothing to update.
[[nodiscard]] int64_t viewNoAfterSearch(SearchStatus status, int64_t foundCount);

// After an update run, by its outcome code: success, one of the screens for fonts left out or a
// cache rebuild that failed, or the error screen for a run that ended early.
[[nodiscard]] int64_t viewNoAfterUpdate(UpdateStatus status);

// Goes to the chosen screen: the course's next one (the list, success), an outcome screen off
// the course, or the error screen showing `result`. Any other number moves nothing.
void outcomeScene(AppDelegate& delegate, int64_t viewNo, const UpdateResult& result);

} // namespace fu
