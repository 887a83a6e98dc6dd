#include "shell/NextScreen.h"

#include "shell/AppDelegate.h"
#include "shell/ViewNumbers.h"

namespace fu {

int64_t viewNoAfterSearch(SearchStatus status, int64_t foundCount) {
    if (status != SearchStatus::StatusOK) return ErrorView;
    return foundCount > 0 ? UpdateListView : NotFoundView;
}

int64_t viewNoAfterUpdate(UpdateStatus status) {
    using enum UpdateStatus;
    switch (status) {
    case StatusOK: return SuccessView;
    case UpdateAllCacheFailed: return SuccessPlusView;
    case UpdatePartialCacheOK: return SomeErrorView;
    case UpdatePartialCacheFailed: return SomeErrorPlusView;
    case UpdateNoneUpdated: return AllErrorView;
    // Every other code is a run that stopped before its end.
    default: return ErrorView;
    }
}

void outcomeScene(AppDelegate& delegate, int64_t viewNo, const UpdateResult& result) {
    switch (viewNo) {
    // The list after a search and success after a run are the course's own next screens.
    case UpdateListView:
    case SuccessView: delegate.nextScene(); return;
    case SuccessPlusView: delegate.successPlusScene(); return;
    case NotFoundView: delegate.notfoundScene(); return;
    case SomeErrorView: delegate.someErrorScene(); return;
    case SomeErrorPlusView: delegate.someErrorPlusScene(); return;
    case AllErrorView: delegate.allErrorScene(); return;
    case ErrorView: delegate.errorScene(result); return;
    default: return;
    }
}

} // namespace fu
