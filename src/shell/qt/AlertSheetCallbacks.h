// What the delegate of an alert sheet hears once the sheet has ended.
#pragma once

namespace fu::qt {

class AlertSheetCallbacks {
public:
    virtual ~AlertSheetCallbacks() = default;
    virtual void alertSheetOk() = 0;
};

} // namespace fu::qt
