// The application state: everything the wizard keeps between screens. It owns what it holds and
// releases it when it goes away.
#pragma once

#include "engine/MessageInfo.h"
#include "engine/UpdateResult.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace fu {

class AppInfo {
public:
    AppInfo();
    ~AppInfo();
    AppInfo(const AppInfo&) = delete;
    AppInfo& operator=(const AppInfo&) = delete;

    bool fupdefFail = false;      // the last definition load failed
    bool noSupportSystem = false; // the running system is older than reqSysVersStr
    bool dispFirstAlert = false;  // the read-me screen's start-up message has been shown
    bool externalFupdef = false;  // a definition was opened from outside

    // Lowest supported system version; empty until start-up sets it, and an empty requirement
    // is never met.
    std::string reqSysVersStr;
    // Seeds the definition key; a build setting.
    std::string appCopyrightStr;

    // Null only when the table could not be made; every look-up then gives nil.
    std::unique_ptr<MessageInfo> messageInfo;

    int64_t curViewNo = 0; // the view on screen; 0 = none
    // Outcome shown by the error screen.
    std::optional<UpdateResult> updateManagerResult;

    bool sceneDebug = false; // an authoring tool has been called up
    int64_t sceneDebugViewNo = 0;
    int64_t sceneDebugBackViewNo = 0;
};

} // namespace fu
