// What the delegate of a question sheet hears once the sheet has ended.
#pragma once

namespace fu::qt {

class AskSheetCallbacks {
public:
    virtual ~AskSheetCallbacks() = default;
    virtual void askSheetOk() = 0;
    virtual void askSheetCancel() = 0;
};

} // namespace fu::qt
